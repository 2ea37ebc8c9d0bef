// Copies a catalogue between a file and a PostgreSQL server, either way: dadudu-copy FROM TO
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

// Parents before their children, so the keys hold at every insert.
struct Table {
    const char *name;
    const char *key;
    const char *parentCheck; // the rows a list can show; the others belong to nothing
};
const Table Tables[] = {
    {"ARTISTE", "ART_ID", nullptr},
    {"CDAUDIO", "CD_ID", "ART_ID is null or ART_ID in (select ART_ID from ARTISTE)"},
    {"TRACK", "TR_ID", "CD_ID is null or CD_ID in (select CD_ID from CDAUDIO"
                       " where ART_ID is null or ART_ID in (select ART_ID from ARTISTE))"},
    {"MOVIE", "MOV_ID", nullptr},
    {"DATACD", "CD_ID", nullptr},
    {"DATA", "DATA_ID", "CD_ID is null or CD_ID in (select CD_ID from DATACD)"},
};

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

void open(DbConnection &connection, const QString &location)
{
    connection.setConnectionString(QStringLiteral("Data Source=") + location);
    connection.Open();
}

qint64 scalar(DbConnection &connection, const QString &sql)
{
    DbQuery q(connection, {sql});
    q.Open();
    return q.RecordCount() > 0 && !q.FirstField().isNull() ? q.FirstField().toLongLong() : 0;
}

// The highest number the table's identifiers ever reached, deleted rows included: a cover is named
// after its CD's number, so no number may be given again after the copy either.
qint64 highWater(DbConnection &connection, const Table &t)
{
    const QString table = QString::fromLatin1(t.name);
    const QString key = QString::fromLatin1(t.key);
    qint64 high = scalar(connection, QStringLiteral("select max(%1) from %2").arg(key, table));
    if (connection.engine() == db::Engine::SQLite) {
        DbQuery seq(connection, {QStringLiteral("select seq from sqlite_sequence where name = :NAME")});
        seq.setParam(QStringLiteral("NAME"), table);
        seq.Open();
        if (seq.RecordCount() > 0)
            high = qMax(high, seq.FirstField().toLongLong());
    } else {
        high = qMax(high, scalar(connection, QStringLiteral("select case when is_called then last_value else 0 end from %1_%2_seq")
                                                 .arg(table.toLower(), key.toLower())));
    }
    return high;
}

void setHighWater(DbConnection &connection, const Table &t, qint64 high)
{
    if (high <= 0)
        return;
    const QString table = QString::fromLatin1(t.name);
    if (connection.engine() == db::Engine::SQLite) {
        DbQuery del(connection, {QStringLiteral("delete from sqlite_sequence where name = :NAME")});
        del.setParam(QStringLiteral("NAME"), table);
        del.ExecSQL();
        DbQuery ins(connection, {QStringLiteral("insert into sqlite_sequence (name, seq) values (:NAME, :SEQ)")});
        ins.setParam(QStringLiteral("NAME"), table);
        ins.setParam(QStringLiteral("SEQ"), QVariant(high));
        ins.ExecSQL();
    } else {
        DbQuery set(connection, {QStringLiteral("select setval('%1_%2_seq', :SEQ)")
                                     .arg(table.toLower(), QString::fromLatin1(t.key).toLower())});
        set.setParam(QStringLiteral("SEQ"), QVariant(high));
        set.Open();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dadudu-copy"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies a Dadudu catalogue from FROM to TO. Each is a catalogue file's path or the address of a\n"
        "PostgreSQL database, postgresql://user@host:port/dbname. Every record keeps its number, so\n"
        "the cover pictures in the folder cdcovers keep matching their CDs. The copy is one transaction\n"
        "on TO: it is stored whole or not at all. A missing file, or a database without the catalogue's\n"
        "tables, gets them first. FROM is only read. Rows that belong to nothing (a track whose CD is\n"
        "gone), which no list shows, are left out and counted."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FROM"), QStringLiteral("the catalogue to copy"));
    parser.addPositionalArgument(QStringLiteral("TO"), QStringLiteral("where to copy it"));
    const QCommandLineOption force(QStringLiteral("force"),
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
    const QString from = args[0];
    const QString to = args[1];

    DbConnection source;
    source.setReadOnly(true);
    DbConnection target;
    target.setForeignKeys(true);
    bool targetExists = true;
    QString where = from; // the catalogue a failure is about
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
            if (!targetExists || !db::isServerLocation(to) || !e.text().contains(QStringLiteral("it has no table")))
                throw;
            createEmptyCatalogue(to);
            open(target, to);
        }

        qint64 held = 0;
        for (const Table &t : Tables)
            held += scalar(target, QStringLiteral("select count(*) from %1").arg(QLatin1String(t.name)));
        if (held > 0 && !parser.isSet(force)) {
            err() << "dadudu-copy: " << to << " holds " << held << " records already; nothing was copied. Add --force to replace them.\n";
            return 1;
        }

        target.BeginTrans();
        // Children before parents, so the keys let each delete through.
        for (auto it = std::rbegin(Tables); it != std::rend(Tables); ++it) {
            DbQuery del(target, {QStringLiteral("delete from %1").arg(QLatin1String(it->name))});
            del.ExecSQL();
        }
        DbConnection::DeferredSync once(target);
        for (const Table &t : Tables) {
            const QString table = QString::fromLatin1(t.name);
            DbQuery rows(source, {QStringLiteral("select * from %1%2 order by %3")
                                      .arg(table,
                                           t.parentCheck ? QStringLiteral(" where ") + QLatin1String(t.parentCheck) : QString(),
                                           QLatin1String(t.key))});
            rows.Open();
            const qint64 all = scalar(source, QStringLiteral("select count(*) from %1").arg(table));
            QStringList columns, params;
            for (int c = 0; c < rows.FieldCount(); ++c) {
                columns << rows.FieldName(c);
                params << u':' + rows.FieldName(c);
            }
            DbQuery insert(target, {QStringLiteral("insert into %1 (%2) values (%3)")
                                        .arg(table, columns.join(QStringLiteral(", ")), params.join(QStringLiteral(", ")))});
            for (int r = 0; r < rows.RecordCount(); ++r) {
                for (int c = 0; c < rows.FieldCount(); ++c)
                    insert.setParam(columns[c], rows.Value(r, c));
                insert.ExecSQL();
            }
            setHighWater(target, t, highWater(source, t));
            QTextStream(stdout) << table << ": " << rows.RecordCount() << " copied";
            if (all > rows.RecordCount())
                QTextStream(stdout) << ", " << all - rows.RecordCount() << " left out, belonging to nothing";
            QTextStream(stdout) << '\n';
        }
        target.CommitTrans();
    } catch (const DbError &e) {
        try {
            target.RollbackTrans();
        } catch (const DbError &) {
        }
        // One line that names the catalogue, whatever the engine's words.
        const QString text = e.text().simplified();
        err() << "dadudu-copy: " << (text.contains(where) ? QString() : where + QStringLiteral(": ")) << text << '\n';
        // A file made for the copy goes with it: nothing is left that looks like a copy.
        target.Close();
        if (!targetExists)
            QFile::remove(to);
        return 1;
    }
    return 0;
}
