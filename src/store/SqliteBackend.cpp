#include "store/DbBackend.h"

#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QFile>

#include <sqlite3.h>

#include <cstring>

namespace db {
namespace {

QString engineText(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The engine's failure, telling another connection's lock (which a later try may get past) from the rest.
DbError engineError(sqlite3 *db, int rc)
{
    return DbError(engineText(db), (rc & 0xff) == SQLITE_BUSY);
}

class SqliteStatement : public Statement
{
public:
    SqliteStatement(sqlite3 *db, sqlite3_stmt *st)
        : m_db(db)
        , m_stmt(st)
    {
    }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    int run(const std::vector<Param> &params, bool sameParams, Rows *rows) override
    {
        int rc = SQLITE_OK;
        try {
            bind(params, sameParams);
            if (rows)
                read(*rows);
            else
                while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
                }
        } catch (...) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
            throw;
        }
        // The engine's text before the reset, which may put another in its place.
        const DbError failure = rows || rc == SQLITE_DONE ? DbError(QString()) : engineError(m_db, rc);
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        if (!rows && rc != SQLITE_DONE)
            throw failure;
        return rows ? 0 : sqlite3_changes(m_db);
    }

private:
    void bind(const std::vector<Param> &params, bool sameParams)
    {
        if (!sameParams || m_bound.empty()) {
            m_bound.clear();
            const int count = sqlite3_bind_parameter_count(m_stmt);
            for (int i = 1; i <= count; ++i) {
                const char *name = sqlite3_bind_parameter_name(m_stmt, i);
                const QString bare = name ? QString::fromUtf8(name + 1) : QString();
                int found = -1;
                for (size_t k = 0; name && k < params.size(); ++k)
                    if (params[k].name.compare(bare, Qt::CaseInsensitive) == 0) {
                        found = int(k);
                        break;
                    }
                m_bound.push_back(found);
            }
        }
        for (size_t i = 0; i < m_bound.size(); ++i) {
            if (m_bound[i] < 0)
                continue;
            const Param &p = params[size_t(m_bound[i])];
            refuseNul(p);
            // The text stays put until the statement has run: setParam only comes after.
            const int rc = p.isNull ? sqlite3_bind_null(m_stmt, int(i) + 1)
                : p.isText ? sqlite3_bind_text(m_stmt, int(i) + 1, p.text.constData(), int(p.text.size()),
                                                        SQLITE_STATIC)
                                    : sqlite3_bind_int64(m_stmt, int(i) + 1, p.number);
            if (rc != SQLITE_OK)
                throw DbError(engineText(m_db));
        }
    }

    void read(Rows &out)
    {
        const int columns = sqlite3_column_count(m_stmt);
        out.names.clear();
        for (int c = 0; c < columns; ++c)
            out.names << QString::fromUtf8(sqlite3_column_name(m_stmt, c));
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                Cell cell{0, 0, Null};
                switch (sqlite3_column_type(m_stmt, c)) {
                case SQLITE_INTEGER:
                    cell.type = Integer;
                    cell.number = sqlite3_column_int64(m_stmt, c);
                    break;
                case SQLITE_FLOAT: {
                    cell.type = Float;
                    const double d = sqlite3_column_double(m_stmt, c);
                    std::memcpy(&cell.number, &d, sizeof d);
                    break;
                }
                case SQLITE_TEXT:
                case SQLITE_BLOB: {
                    const bool isText = sqlite3_column_type(m_stmt, c) == SQLITE_TEXT;
                    cell.type = isText ? Text : Blob;
                    const void *bytes = isText ? static_cast<const void *>(sqlite3_column_text(m_stmt, c))
                                               : sqlite3_column_blob(m_stmt, c);
                    cell.length = quint32(sqlite3_column_bytes(m_stmt, c));
                    cell.number = out.text.size();
                    out.text.append(static_cast<const char *>(bytes), cell.length);
                    break;
                }
                default:
                    break;
                }
                out.cells.push_back(cell);
            }
            ++out.count;
            if (out.checkpoint && out.count % Rows::CheckpointRows == 0 && !out.checkpoint(out.count)) {
                out.stopped = true;
                return;
            }
        }
        if (rc != SQLITE_DONE)
            throw engineError(m_db, rc);
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt;
    // The parameters the statement names, by their place in the query's list; -1 for one never set.
    std::vector<int> m_bound;
};

class SqliteBackend : public Backend
{
public:
    ~SqliteBackend() override { close(); }
    Engine engine() const override { return Engine::SQLite; }

    void open(const QString &path, bool foreignKeys, int busyTimeoutMs, bool readOnly) override
    {
        if (path.isEmpty())
            throw DbError(QStringLiteral("No database file is named in the connection string."));
        // No SQLITE_OPEN_CREATE: opening must never create a catalogue that is not there. The
        // connection lives on one thread, so the engine's own locking of it would only cost time.
        sqlite3 *handle = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            // A failed open still hands back a handle, holding the engine's text; it must be closed too.
            const QString text = engineText(handle);
            sqlite3_close(handle);
            throw DbError(text);
        }
        sqlite3_busy_timeout(handle, busyTimeoutMs);
        m_db = handle;
        try {
            // Only reads until the file is known to be a catalogue: the journal mode below writes the
            // file's header, which would turn an empty file into a database and change a stranger's
            // database. A file that is no database at all fails on this first read.
            requireCatalogueTables();
            if (readOnly)
                return;
            // A catalogue made before the schema had keys has none to hold, and opens as it always did.
            exec(foreignKeys ? QStringLiteral("PRAGMA foreign_keys=ON") : QStringLiteral("PRAGMA foreign_keys=OFF"));
            // WAL lets other programs read while we write; FULL makes each commit survive a power cut.
            exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            exec(QStringLiteral("PRAGMA synchronous=FULL"));
        } catch (const DbError &) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw;
        }
    }

    void close() override
    {
        if (!m_db)
            return;
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        // Every statement is finalised where it ran, so nothing keeps the file open after this.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    void setBusyTimeoutMs(int ms) override
    {
        if (m_db)
            sqlite3_busy_timeout(m_db, ms);
    }

    void exec(const QString &sql) override
    {
        if (!m_db)
            throw DbError(QStringLiteral("The database engine is not available."));
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw engineError(m_db, rc);
    }

    QString toEngine(const QString &sql) const override
    {
        return commonDialect(sql, QStringLiteral("select last_insert_rowid()"));
    }

    std::unique_ptr<Statement> prepare(const QString &engineSql, bool) override
    {
        const QByteArray text = engineSql.toUtf8();
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
            throw DbError(engineText(m_db));
        if (!st)
            return nullptr;
        return std::make_unique<SqliteStatement>(m_db, st);
    }

    bool changeCounters(qint64 *others, qint64 *own) const override
    {
        if (!m_db)
            return false;
        sqlite3_stmt *st = nullptr;
        const bool read = sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK
                          && sqlite3_step(st) == SQLITE_ROW;
        if (read)
            *others = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        if (!read)
            return false;
        *own = sqlite3_total_changes64(m_db);
        return true;
    }

    void deferSync() override { exec(QStringLiteral("PRAGMA synchronous=NORMAL")); }

    void endDeferredSync() override
    {
        exec(QStringLiteral("PRAGMA synchronous=FULL"));
        // The checkpoint syncs the log before it copies it into the file.
        exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    }

private:
    void requireCatalogueTables()
    {
        Rows rows;
        const auto st = prepare(QStringLiteral("select name from sqlite_master where type = 'table'"), false);
        st->run({}, false, &rows);
        QStringList present;
        for (int r = 0; r < rows.count; ++r) {
            const Cell &c = rows.cells[size_t(r)];
            present << QString::fromUtf8(rows.text.constData() + c.number, c.length).toUpper();
        }
        for (const QString &table : catalogueTables())
            if (!present.contains(table.toUpper()))
                throw DbError(QStringLiteral("The file is not a catalogue database: it has no table %1.").arg(table));
    }

    sqlite3 *m_db = nullptr;
};

} // namespace

std::unique_ptr<Backend> makeSqliteBackend()
{
    return std::make_unique<SqliteBackend>();
}

} // namespace db
