#include "store/CatalogueFile.h"

#include "store/DbEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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


void createEmptyCatalogue(const QString &path)
{
    if (db::isServerLocation(path)) {
        // One transaction: a table there already fails it with the server's words and leaves all as it was.
        db::runServerScript(path, QStringLiteral("BEGIN;\n") + catalogueSchema(db::Engine::PostgreSQL)
                                      + QStringLiteral("\nCOMMIT;"));
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
