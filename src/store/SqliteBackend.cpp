#include "store/DbBackend.h"

#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <ranges>

namespace db {
namespace {

QString engineText(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The engine's failure, by its extended code: another connection's lock (which a later try may get
// past), a row naming a parent another connection deleted, or the rest.
DbError engineError(sqlite3 *db, int rc)
{
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    DbError::Cause cause = DbError::Cause::Other;
    if ((rc & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_BUSY)
        cause = DbError::Cause::LockBusy;
    else if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
        cause = DbError::Cause::ParentGone;
    return DbError(engineText(db), cause);
}

class SqliteStatement : public Statement
{
public:
    SqliteStatement(sqlite3 *db, sqlite3_stmt *st)
        : m_db(db)
        , m_stmt(st)
    { }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    int run(const std::vector<Param> &params, bool sameParams, Rows *rows) override
    {
        int rc = SQLITE_OK;
        try {
            bind(params, sameParams);
            if (rows)
                read(*rows);
            else
                while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) { }
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
                : p.isText
                ? sqlite3_bind_text(m_stmt, int(i) + 1, p.text.constData(), int(p.text.size()), SQLITE_STATIC)
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
        if (readOnly) {
            openReader(path, busyTimeoutMs);
            return;
        }
        // No SQLITE_OPEN_CREATE: opening must never create a catalogue that is not there. The
        // connection lives on one thread, so the engine's own locking of it would only cost time.
        sqlite3 *handle = openHandle(QFile::encodeName(path), SQLITE_OPEN_READWRITE);
        // A file the system will not let us write (a read-only medium, a file the user may only
        // read) opens for reading, as a reader opens it: the engine would fail on its first write,
        // and would leave its log files beside it.
        if (sqlite3_db_readonly(handle, "main") == 1) {
            sqlite3_close(handle);
            openReader(path, busyTimeoutMs);
            return;
        }
        sqlite3_busy_timeout(handle, busyTimeoutMs);
        m_db = handle;
        try {
            // Only reads until the file is known to be a catalogue: the journal mode below writes the
            // file's header, which would turn an empty file into a database and change a stranger's
            // database. A file that is no database at all fails on this first read.
            requireCatalogueTables();
            const int version = fileVersion();
            refuseNewerCatalogue(Engine::SQLite, version);
            if (version < currentCatalogueVersion(Engine::SQLite))
                upgrade(path, version);
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

    bool readOnly() const override { return m_readOnly; }

    QString upgradeCopy() const override
    {
        return m_upgradeCopy.isEmpty() ? QString() : u'"' + QDir::toNativeSeparators(m_upgradeCopy) + u'"';
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

    std::unique_ptr<Statement> prepare(const QString &sql, bool) override
    {
        if (!m_db)
            throw DbError(QStringLiteral("The database engine is not available."));
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *st = nullptr;
        if (const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr); rc != SQLITE_OK)
            throw engineError(m_db, rc);
        if (!st)
            return nullptr;
        return std::make_unique<SqliteStatement>(m_db, st);
    }

    qint64 lastInsertId() override { return m_db ? sqlite3_last_insert_rowid(m_db) : 0; }

    // The engine keeps the mark of a table in sqlite_sequence, once a number was drawn; a row may
    // also hold a number above it, given by hand.
    qint64 highWater(const QString &table, const QString &key) override
    {
        Param name{QStringLiteral("NAME")};
        name.isText = true;
        name.text = table.toUtf8();
        return qMax(
            scalar(QStringLiteral("select coalesce(max(%1), 0) from %2").arg(key, table)),
            scalar(QStringLiteral("select coalesce(max(seq), 0) from sqlite_sequence where name = :NAME"), {name}));
    }

    void setHighWater(const QString &table, const QString &, qint64 high) override
    {
        if (high <= 0)
            return;
        Param name{QStringLiteral("NAME")};
        name.isText = true;
        name.text = table.toUtf8();
        Param seq{QStringLiteral("SEQ")};
        seq.number = high;
        prepare(QStringLiteral("delete from sqlite_sequence where name = :NAME"), false)->run({name}, false, nullptr);
        prepare(QStringLiteral("insert into sqlite_sequence (name, seq) values (:NAME, :SEQ)"), false)
            ->run({name, seq}, false, nullptr);
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

private:
    static sqlite3 *openHandle(const QByteArray &name, int flags)
    {
        sqlite3 *handle = nullptr;
        if (sqlite3_open_v2(name.constData(), &handle, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            // A failed open still hands back a handle, holding the engine's text; it must be closed too.
            const QString text = engineText(handle);
            sqlite3_close(handle);
            throw DbError(text);
        }
        return handle;
    }

    // Reads and writes nothing: no journal mode, no log files left beside the catalogue, which may
    // be on a medium that cannot be written. A file in WAL mode with no log beside it holds every
    // committed row and no program has it open, so it is read as it lies, without the shared
    // memory file the engine would otherwise make (and could not make on a read-only medium); with a
    // log there, a program is writing it or stopped while it did, and the log is read with it.
    void openReader(const QString &path, int busyTimeoutMs)
    {
        QFile file(path);
        QByteArray header;
        if (file.open(QIODevice::ReadOnly))
            header = file.read(100);
        file.close();
        const bool walFile
            = header.size() == 100 && header.startsWith("SQLite format 3") && header.at(18) == 2 && header.at(19) == 2;
        const bool logBeside
            = QFileInfo::exists(path + QStringLiteral("-wal")) || QFileInfo::exists(path + QStringLiteral("-journal"));
        const QByteArray uri = "file:" + QFile::encodeName(path).toPercentEncoding("/")
            + (walFile && !logBeside ? "?immutable=1" : "?mode=ro");
        sqlite3 *handle = openHandle(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        sqlite3_busy_timeout(handle, busyTimeoutMs);
        m_db = handle;
        m_readOnly = true;
        try {
            requireCatalogueTables();
            refuseNewerCatalogue(Engine::SQLite, fileVersion());
        } catch (const DbError &) {
            sqlite3_close(m_db);
            m_db = nullptr;
            throw;
        }
    }

    qint64 scalar(const QString &sql, const std::vector<Param> &params = {})
    {
        Rows rows;
        const auto st = prepare(sql, false);
        st->run(params, false, &rows);
        return rows.count > 0 && rows.cells[0].type == Integer ? rows.cells[0].number : 0;
    }

    QStringList texts(const QString &sql)
    {
        Rows rows;
        const auto st = prepare(sql, false);
        st->run({}, false, &rows);
        QStringList out;
        for (int r = 0; r < rows.count; ++r) {
            const Cell &c = rows.cells[size_t(r) * size_t(rows.names.size())];
            out << QString::fromUtf8(rows.text.constData() + c.number, c.length);
        }
        return out;
    }

    // A file made before its header held the version has 0 there: the keys tell the two versions apart.
    int fileVersion()
    {
        const qint64 stored = scalar(QStringLiteral("PRAGMA user_version"));
        if (stored != 0)
            return int(qBound(qint64(INT_MIN), stored, qint64(INT_MAX)));
        return scalar(QStringLiteral("select count(*) from pragma_foreign_key_list('CDAUDIO')")) > 0 ? 2 : 1;
    }

    // Version 1 to 2: the keys (and the NUL checks) of the current schema. The engine adds no key to
    // a table, so each is made again from the schema and given its rows, numbers and high-water mark;
    // first every missing parent is made, so that every row holds under the keys. One transaction,
    // under the write lock, after a copy of the file beside it: a failure leaves the file as it was.
    void upgrade(const QString &path, int from)
    {
        exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
        exec(QStringLiteral("BEGIN IMMEDIATE"));
        QString backup;
        try {
            // Another program may have upgraded it while we waited for the lock.
            from = fileVersion();
            if (from >= currentCatalogueVersion(Engine::SQLite)) {
                exec(QStringLiteral("COMMIT"));
                return;
            }
            backup = upgradeBackupPath(path, from);
            copyTo(path, backup);
            for (const ParentLink &link : parentLinks()) {
                const QString missing = QStringLiteral("select distinct %1 from %2 where %1 is not null and %1 not in "
                                                       "(select %1 from %3) order by 1")
                                            .arg(link.column, link.child, link.parent);
                Rows ids;
                prepare(missing, false)->run({}, false, &ids);
                const auto insert = prepare(QStringLiteral("insert into %1 (%2, %3) values (:ID, :NAME)")
                                                .arg(link.parent, link.column, link.nameColumn),
                                            false);
                for (int r = 0; r < ids.count; ++r) {
                    const qint64 id = ids.cells[size_t(r)].number;
                    Param key{QStringLiteral("ID")};
                    key.number = id;
                    Param name{QStringLiteral("NAME")};
                    name.isText = true;
                    name.text = missingParentName(link, id).toUtf8();
                    insert->run({key, name}, false, nullptr);
                }
            }
            const QStringList tables = catalogueTables();
            const QString old = QStringLiteral("%1_version%2");
            QStringList quoted;
            for (const QString &t : tables)
                quoted << u'\'' + t + u'\'';
            for (const QString &index :
                 texts(QStringLiteral("select name from sqlite_master where type = 'index' and sql "
                                      "is not null and upper(tbl_name) in (%1)")
                           .arg(quoted.join(u','))))
                exec(QStringLiteral("DROP INDEX \"%1\"").arg(index));
            for (const QString &t : tables)
                exec(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(t, old.arg(t).arg(from)));
            exec(catalogueSchema());
            for (const QString &t : tables) {
                const QString columns
                    = texts(QStringLiteral("select name from pragma_table_info('%1')").arg(t)).join(u',');
                const QString was = old.arg(t).arg(from);
                exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3").arg(t, columns, was));
                // The high-water mark of the numbers given, whichever name the engine filed it under.
                const qint64 high = scalar(QStringLiteral("select coalesce(max(seq), 0) from sqlite_sequence where "
                                                          "name in ('%1', '%2')")
                                               .arg(t, was));
                exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name IN ('%1', '%2')").arg(t, was));
                if (high > 0)
                    exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('%1', %2)").arg(t).arg(high));
            }
            for (const QString &table : std::views::reverse(tables))
                exec(QStringLiteral("DROP TABLE %1").arg(old.arg(table).arg(from)));
            if (scalar(QStringLiteral("select count(*) from pragma_foreign_key_check")) > 0)
                throw DbError(QStringLiteral("rows still name a missing parent"));
            exec(QStringLiteral("COMMIT"));
            m_upgradeCopy = backup;
        } catch (const DbError &e) {
            if (!sqlite3_get_autocommit(m_db))
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            // The file is as it was: the copy would only be in the way.
            if (!backup.isEmpty())
                QFile::remove(backup);
            throw DbError(QStringLiteral("The catalogue of version %1 could not be upgraded to version %2, and is left "
                                         "as it was: %3")
                              .arg(from)
                              .arg(currentCatalogueVersion(Engine::SQLite))
                              .arg(e.text()));
        }
    }

    // The catalogue as it stands under this connection's write lock, page by page, into a new file:
    // read through a connection of its own, as the engine copies only from one that is not writing.
    static void copyTo(const QString &path, const QString &target)
    {
        sqlite3 *source = openHandle(QFile::encodeName(path), SQLITE_OPEN_READONLY);
        sqlite3 *copy = nullptr;
        try {
            copy = openHandle(QFile::encodeName(target), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        } catch (const DbError &e) {
            sqlite3_close(source);
            throw DbError(QStringLiteral("no copy of it could be made at %1: %2").arg(target, e.text()));
        }
        sqlite3_backup *run = sqlite3_backup_init(copy, "main", source, "main");
        int rc = sqlite3_errcode(copy);
        if (run) {
            const int stepped = sqlite3_backup_step(run, -1);
            const int finished = sqlite3_backup_finish(run);
            rc = stepped == SQLITE_DONE ? finished : stepped;
        }
        const QString text = rc == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errstr(rc));
        if (sqlite3_close(copy) != SQLITE_OK && rc == SQLITE_OK)
            rc = SQLITE_IOERR;
        sqlite3_close(source);
        if (rc != SQLITE_OK) {
            QFile::remove(target);
            throw DbError(QStringLiteral("no copy of it could be made at %1: %2").arg(target, text));
        }
    }

    void requireCatalogueTables()
    {
        ::requireCatalogueTables(Engine::SQLite,
                                 texts(QStringLiteral("select name from sqlite_master where type = 'table'")));
    }

    sqlite3 *m_db = nullptr;
    bool m_readOnly = false;
    QString m_upgradeCopy; // the file the last upgrade copied the catalogue to
};

} // namespace

std::unique_ptr<Backend> makeSqliteBackend()
{
    return std::make_unique<SqliteBackend>();
}

} // namespace db
