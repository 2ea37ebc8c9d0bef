// Copies a catalogue between a file and a PostgreSQL server, either way: dadudu-copy FROM TO
#include "base/Texts.h"
#include "store/CatalogueFile.h"
#include "store/CoverStore.h"
#include "store/DbEngine.h"
#include "store/ServerPassword.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

namespace {

// Parents before their children, so the keys hold at every insert.
struct Table {
    const char *name;
    const char *key;
};
const Table Tables[] = {
    {"ARTISTE", "ART_ID"}, {"CDAUDIO", "CD_ID"}, {"TRACK", "TR_ID"},
    {"MOVIE", "MOV_ID"},   {"DATACD", "CD_ID"},  {"DATA", "DATA_ID"},
};

// Makes in `target` each parent of `link` that rows of `source` name but that `source` lacks: the
// number the rows name, and a name that says it was missing. Answers the highest number made.
qint64 makeMissingParents(DbConnection &source, DbConnection &target, const ParentLink &link, int *made)
{
    DbQuery missing(source,
                    {QStringLiteral("select distinct %1 from %2 where %1 is not null and %1 not in "
                                    "(select %1 from %3) order by 1")
                         .arg(link.column, link.child, link.parent)});
    missing.open();
    DbQuery insert(
        target,
        {QStringLiteral("insert into %1 (%2, %3) values (:ID, :NAME)").arg(link.parent, link.column, link.nameColumn)});
    qint64 high = 0;
    for (missing.first(); !missing.eof(); missing.next()) {
        const qint64 id = missing.firstField().toLongLong();
        insert.setParam(QStringLiteral("ID"), QVariant(id));
        insert.setParam(QStringLiteral("NAME"), missingParentName(link, id));
        insert.exec();
        high = qMax(high, id);
        ++*made;
    }
    return high;
}

// The covers beside a catalogue file, in the folder the program keeps them in.
QString coversFolderBeside(const QString &file)
{
    return QDir(QFileInfo(file).absolutePath()).filePath(Texts::CoversFolderName);
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

void open(DbConnection &connection, const QString &location)
{
    connection.setLocation(location);
    connection.open();
}

qint64 scalar(DbConnection &connection, const QString &sql)
{
    DbQuery q(connection, {sql});
    q.open();
    return q.rowCount() > 0 && !q.firstField().isNull() ? q.firstField().toLongLong() : 0;
}

} // namespace

int main(int argc, char **argv)
{
    // A server's password belongs in PGPASSWORD or ~/.pgpass; one given in an address is used, and
    // taken out of the process list before anything else.
    db::takePasswordsFromArguments(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dadudu-copy"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies a Dadudu catalogue from FROM to TO. Each is a catalogue file's path or the address of a\n"
        "PostgreSQL database, postgresql://user@host:port/dbname. Every record keeps its number, so\n"
        "the covers keep matching their CDs; they go with the catalogue, from the folder cdcovers beside\n"
        "a file to a server's catalogue, and from a server into the folder cdcovers beside the file TO.\n"
        "The copy is one transaction on TO: it is stored whole or not at all. A missing file, or a\n"
        "database without the catalogue's tables, gets them first. FROM is only read. Every row is\n"
        "copied: a row whose parent is missing (a track whose CD is gone) gets that parent made, with\n"
        "the number the row names and a name that says it was missing, and these are counted."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FROM"), QStringLiteral("the catalogue to copy"));
    parser.addPositionalArgument(QStringLiteral("TO"), QStringLiteral("where to copy it"));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Replace what TO holds; without it a catalogue with records is refused."));
    parser.addOption(force);
    if (!parser.parse(app.arguments())) {
        err() << "dadudu-copy: " << parser.errorText() << " (see --help)\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        err() << "dadudu-copy: usage: dadudu-copy [--force] FROM TO (see --help)\n";
        return 2;
    }
    const QString &from = args[0];
    const QString &to = args[1];

    DbConnection source;
    source.setReadOnly(true);
    DbConnection target;
    target.setForeignKeys(true);
    bool targetExists = true;
    QString where = from; // the catalogue a failure is about
    bool coverFailed = false;
    try {
        open(source, from);
        where = to;
        targetExists = db::isServerLocation(to) || QFileInfo::exists(to);
        try {
            if (!targetExists)
                createEmptyCatalogue(to);
            open(target, to);
        } catch (const DbError &e) {
            // A database without the tables is made a catalogue; anything else stops here.
            if (!targetExists || !db::isServerLocation(to) || e.cause() != DbError::Cause::NotACatalogue)
                throw;
            createEmptyCatalogue(to);
            open(target, to);
        }
        if (!target.upgradeCopy().isEmpty())
            QTextStream(stdout) << to << ": " << Texts::CatalogueUpgraded.arg(target.upgradeCopy()) << '\n';

        qint64 held = 0;
        for (const Table &t : Tables)
            held += scalar(target, QStringLiteral("select count(*) from %1").arg(QLatin1String(t.name)));
        if (held > 0 && !parser.isSet(force)) {
            err() << "dadudu-copy: " << to << " holds " << held
                  << " records already; nothing was copied. Add --force to replace them.\n";
            return 1;
        }

        target.beginTrans();
        // Children before parents, so the keys let each delete through.
        for (auto it = std::rbegin(Tables); it != std::rend(Tables); ++it) {
            DbQuery del(target, {QStringLiteral("delete from %1").arg(QLatin1String(it->name))});
            del.exec();
        }
        for (const Table &t : Tables) {
            const QString table = QString::fromLatin1(t.name);
            DbQuery rows(source, {QStringLiteral("select * from %1 order by %2").arg(table, QLatin1String(t.key))});
            rows.open();
            QStringList columns, params;
            for (int c = 0; c < rows.fieldCount(); ++c) {
                columns << rows.fieldName(c);
                params << u':' + rows.fieldName(c);
            }
            DbQuery insert(target,
                           {QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(table, columns.join(QStringLiteral(", ")), params.join(QStringLiteral(", ")))});
            for (int r = 0; r < rows.rowCount(); ++r) {
                for (int c = 0; c < rows.fieldCount(); ++c)
                    insert.setParam(columns[c], rows.value(r, c));
                insert.exec();
            }
            // After the table's own rows, so a made parent never takes a number a row holds.
            // The highest number the table's identifiers ever reached, deleted rows included: a cover
            // is named after its CD's number, so no number may be given again after the copy either.
            int made = 0;
            qint64 high = source.highWater(table, QLatin1String(t.key));
            for (const ParentLink &link : parentLinks())
                if (link.parent == table)
                    high = qMax(high, makeMissingParents(source, target, link, &made));
            target.setHighWater(table, QLatin1String(t.key), high);
            QTextStream(stdout) << table << ": " << rows.rowCount() << " copied";
            if (made > 0)
                QTextStream(stdout) << ", " << made << " made for rows that name a missing one";
            QTextStream(stdout) << '\n';
        }

        // A server's covers are rows, copied in the same transaction; a file's are files, written
        // once the rows are stored.
        CoverStore sourceCovers(source, db::isServerLocation(from) ? QString() : coversFolderBeside(from));
        CoverStore targetCovers(target, db::isServerLocation(to) ? QString() : coversFolderBeside(to));
        const QList<int> covered = sourceCovers.cdIds();
        QList<int> toFiles;
        int coversLeft = 0;
        for (int cdId : covered) {
            if (scalar(target, QStringLiteral("select count(*) from CDAUDIO where CD_ID = %1").arg(cdId)) == 0) {
                ++coversLeft; // a picture of no CD in the catalogue
                continue;
            }
            if (targetCovers.onServer())
                targetCovers.save(cdId, sourceCovers.load(cdId));
            else
                toFiles << cdId;
        }
        QList<QByteArray> pictures;
        for (int cdId : toFiles)
            pictures << sourceCovers.load(cdId);
        target.commitTrans();
        // The catalogue is stored by now: a cover that cannot be written is said, and the copy stays.
        QSet<int> written;
        for (qsizetype i = 0; i < toFiles.size(); ++i) {
            try {
                targetCovers.save(toFiles[i], pictures[i]);
                written.insert(toFiles[i]);
            } catch (const DbError &e) {
                err() << "dadudu-copy: " << targetCovers.whereIs(toFiles[i]) << ": " << e.text() << '\n';
                ++coversLeft;
                coverFailed = true;
            }
        }
        // A file's covers are named by CD number: a picture the replaced catalogue left would show on
        // the copy's CD of that number, or wait for one. Only now that the copy is stored do they go;
        // a server's went with its rows. Two files in one folder share their covers, which are the
        // source's already.
        if (targetExists && !targetCovers.onServer()
            && (db::isServerLocation(from)
                || QFileInfo(coversFolderBeside(from)).canonicalFilePath()
                    != QFileInfo(coversFolderBeside(to)).canonicalFilePath())) {
            for (int cdId : targetCovers.cdIds()) {
                if (written.contains(cdId))
                    continue;
                try {
                    targetCovers.remove(cdId);
                } catch (const DbError &e) {
                    err() << "dadudu-copy: " << targetCovers.whereIs(cdId) << ": " << e.text() << '\n';
                    coverFailed = true;
                }
            }
        }
        if (!covered.isEmpty()) {
            QTextStream(stdout) << "COVER: " << covered.size() - coversLeft << " copied";
            if (coversLeft > 0)
                QTextStream(stdout) << ", " << coversLeft << " left out";
            QTextStream(stdout) << '\n';
        }
    } catch (const DbError &e) {
        try {
            target.rollbackTrans();
        } catch (const DbError &) { }
        // One line that names the catalogue, whatever the engine's words.
        const QString text = e.text().simplified();
        err() << "dadudu-copy: " << (text.contains(where) ? QString() : where + QStringLiteral(": ")) << text << '\n';
        // A file made for the copy goes with it: nothing is left that looks like a copy.
        target.close();
        if (!targetExists)
            QFile::remove(to);
        return 1;
    }
    return coverFailed ? 1 : 0;
}
