#include "store/CatalogueFile.h"

#include "base/Texts.h"
#include "store/DbEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <sqlite3.h>

QString catalogueSchema(db::Engine engine)
{
    QFile f(engine == db::Engine::PostgreSQL ? QStringLiteral(":/schema/dadudu-pg.sql")
                                             : QStringLiteral(":/schema/dadudu.sql"));
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("The catalogue schema is missing from the program."));
    return QString::fromUtf8(f.readAll());
}

QStringList catalogueTables()
{
    static const QStringList tables = [] {
        static const QRegularExpression create(QStringLiteral("\\bCREATE\\s+TABLE\\s+([A-Za-z_][A-Za-z0-9_]*)"),
                                               QRegularExpression::CaseInsensitiveOption);
        QStringList out;
        for (auto it = create.globalMatch(catalogueSchema()); it.hasNext();)
            out << it.next().captured(1);
        return out;
    }();
    return tables;
}

void requireCatalogueTables(db::Engine engine, const QStringList &present)
{
    for (const QString &table : catalogueTables()) {
        const bool found = std::any_of(present.begin(), present.end(),
                                       [&](const QString &p) { return p.compare(table, Qt::CaseInsensitive) == 0; });
        if (!found)
            throw DbError((engine == db::Engine::SQLite
                               ? QStringLiteral("The file is not a catalogue database: it has no table %1.")
                               : QStringLiteral("The database is not a catalogue database: it has no table %1."))
                              .arg(table),
                          DbError::Cause::NotACatalogue);
    }
}

void createEmptyCatalogue(const QString &path)
{
    if (db::isServerLocation(path)) {
        // One transaction, which a catalogue table there already stops before anything is made: the
        // database is refused as an existing file is, and left as it was.
        static const QString refused = QStringLiteral("a catalogue table exists already");
        QStringList tables;
        for (const QString &t : catalogueTables())
            tables << u'\'' + t.toLower() + u'\'';
        const QString check
            = QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM information_schema.tables"
                             " WHERE table_schema = current_schema()"
                             " AND lower(table_name::text) IN (%1)) THEN RAISE EXCEPTION '%2'; END IF; END $$;\n")
                  .arg(tables.join(QStringLiteral(", ")), refused);
        try {
            db::runServerScript(path,
                                QStringLiteral("BEGIN;\n") + check + catalogueSchema(db::Engine::PostgreSQL)
                                    + QStringLiteral("\nCOMMIT;"));
        } catch (const DbError &e) {
            if (e.text() == refused)
                throw DbError(Texts::ServerCatalogueExists.arg(path));
            throw;
        }
        return;
    }
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("%1 exists already; a catalogue is never overwritten.").arg(path));
    sqlite3 *db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char *message = nullptr;
    if (rc == SQLITE_OK) {
        const QByteArray sql = "PRAGMA journal_mode=WAL;" + catalogueSchema().toUtf8();
        rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message);
    }
    const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        throw DbError(text);
    }
}

int currentCatalogueVersion(db::Engine)
{
    return 2;
}

QString serverCatalogueUpgrade(int from)
{
    const QString schema = catalogueSchema(db::Engine::PostgreSQL);
    const QString marker = QStringLiteral("\n-- Version %1:").arg(from + 1);
    const qsizetype at = schema.indexOf(marker);
    if (at < 0)
        throw DbError(QStringLiteral("The program holds no upgrade of a server catalogue of version %1.").arg(from));
    return schema.mid(at);
}

void refuseNewerCatalogue(db::Engine engine, int version)
{
    if (version > currentCatalogueVersion(engine))
        throw DbError(QStringLiteral("The catalogue is of version %1, made by a newer program; this one knows up to "
                                     "version %2 and leaves it as it is.")
                          .arg(version)
                          .arg(currentCatalogueVersion(engine)));
}

const QList<ParentLink> &parentLinks()
{
    static const QList<ParentLink> links = {
        {QStringLiteral("CDAUDIO"), QStringLiteral("ART_ID"), QStringLiteral("ARTISTE"), QStringLiteral("ART_NAME")},
        {QStringLiteral("TRACK"), QStringLiteral("CD_ID"), QStringLiteral("CDAUDIO"), QStringLiteral("CD_LABEL")},
        {QStringLiteral("DATA"), QStringLiteral("CD_ID"), QStringLiteral("DATACD"), QStringLiteral("CD_TITLE")},
    };
    return links;
}

QString missingParentName(const ParentLink &link, qint64 id)
{
    const QString &name = link.parent == QLatin1String("ARTISTE") ? Texts::MissingArtistName
        : link.parent == QLatin1String("CDAUDIO")                 ? Texts::MissingCDName
                                                                  : Texts::MissingDataCDName;
    return name.arg(id);
}

QString upgradeBackupPath(const QString &path, int fromVersion)
{
    const QString base = QStringLiteral("%1.version-%2").arg(path).arg(fromVersion);
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + u'-' + QString::number(n);
    return candidate;
}
