#include "store/DbBackend.h"

#include "base/Texts.h"
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"
#include "store/ServerPassword.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>

#include <libpq-fe.h>

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace db {
namespace {

// Type numbers of the server's built-in types (pg_type.oid), fixed since long ago.
constexpr Oid BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, OidOid = 26, Float4Oid = 700,
              Float8Oid = 701, NumericOid = 1700;

QString trimmedText(const char *text)
{
    return QString::fromUtf8(text).trimmed();
}

// The server's own words on one line, as the file's engine gives them: its message, and the detail
// that names the key when there is one. A failed NOT NULL or CHECK constraint details the whole
// failing row, which may be pages of what the user typed: that detail is left out.
QString resultText(PGconn *conn, const PGresult *res)
{
    const char *primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (!primary)
        return trimmedText(PQerrorMessage(conn));
    QString text = QString::fromUtf8(primary).trimmed();
    const char *state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
    const bool failingRow = state && (std::strcmp(state, "23502") == 0 || std::strcmp(state, "23514") == 0);
    if (const char *detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL); detail && !failingRow)
        text += u' ' + QString::fromUtf8(detail).trimmed();
    return text.simplified();
}

struct ResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Raises on anything but success; answers the rows a command changed.
int check(PGconn *conn, const Result &res)
{
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
        // lock_not_available: the lock timeout ran out while another session held the lock;
        // foreign_key_violation: the row names a parent another session deleted.
        const char *state = res ? PQresultErrorField(res.get(), PG_DIAG_SQLSTATE) : nullptr;
        DbError::Cause cause = DbError::Cause::Other;
        if (state && std::strcmp(state, "55P03") == 0)
            cause = DbError::Cause::LockBusy;
        else if (state && std::strcmp(state, "23503") == 0)
            cause = DbError::Cause::ParentGone;
        throw DbError(resultText(conn, res.get()), cause);
    }
    return std::atoi(PQcmdTuples(res.get()));
}

bool failed(const Result &res)
{
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY;
}

bool identStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool identChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isReading(const QByteArray &sql)
{
    return sql.trimmed().left(6).compare("select", Qt::CaseInsensitive) == 0;
}

// What a statement needs of its session. A server that restarts or shuts down ends every session:
// one found ended before a statement is sent is made again, as nothing was lost; one that ends
// under a statement is made again too, and the statement raises what became of the change.
class Session
{
public:
    virtual ~Session() = default;
    virtual PGconn *conn() const = 0;
    // Counts the sessions made: the statements prepared in an earlier one are gone.
    virtual int generation() const = 0;
    // Raises when the server cannot be reached again, or the transaction under way was lost.
    virtual void beforeStatement() = 0;
    // After a failed statement, sent in the transaction state `before`: when the session is gone,
    // makes it again and raises what became of the change, or answers true for a read to be sent again.
    virtual bool lostUnder(PGTransactionStatusType before, bool commit, bool reading) = 0;
};

class PgStatement : public Statement
{
public:
    PgStatement(Session &session, QByteArray sql, QStringList names, QByteArray preparedName)
        : m_session(session)
        , m_conn(session.conn())
        , m_generation(session.generation())
        , m_sql(std::move(sql))
        , m_names(std::move(names))
        , m_preparedName(std::move(preparedName))
    { }
    ~PgStatement() override
    {
        // A statement prepared on the server lives as long as the session unless let go.
        if (m_prepared && m_generation == m_session.generation() && PQstatus(m_conn) == CONNECTION_OK
            && PQtransactionStatus(m_conn) != PQTRANS_INERROR)
            Result(PQexec(m_conn, ("DEALLOCATE " + m_preparedName).constData()));
    }

    int run(const std::vector<Param> &params, bool sameParams, Rows *rows) override
    {
        if (!sameParams || m_bound.size() != size_t(m_names.size())) {
            m_bound.clear();
            for (const QString &name : m_names) {
                int found = -1;
                for (size_t k = 0; k < params.size(); ++k)
                    if (params[k].name.compare(name, Qt::CaseInsensitive) == 0) {
                        found = int(k);
                        break;
                    }
                m_bound.push_back(found);
            }
        }
        const int count = int(m_bound.size());
        std::vector<QByteArray> numbers(static_cast<size_t>(count));
        std::vector<const char *> values(size_t(count), nullptr);
        std::vector<int> lengths(size_t(count), 0);
        for (int i = 0; i < count; ++i) {
            if (m_bound[size_t(i)] < 0)
                continue;
            const Param &p = params[size_t(m_bound[size_t(i)])];
            refuseNul(p);
            if (p.isNull)
                continue;
            if (p.isText) {
                values[size_t(i)] = p.text.constData();
                lengths[size_t(i)] = int(p.text.size());
            } else {
                numbers[size_t(i)] = QByteArray::number(p.number);
                values[size_t(i)] = numbers[size_t(i)].constData();
                lengths[size_t(i)] = int(numbers[size_t(i)].size());
            }
        }
        Result res;
        // A read is sent again once in a session made again; a write never (see Session).
        int sends = 0;
        for (bool again = true; again && sends < 2; ++sends) {
            m_session.beforeStatement();
            if (m_generation != m_session.generation()) {
                m_generation = m_session.generation();
                m_prepared = false;
            }
            const PGTransactionStatusType before = PQtransactionStatus(m_conn);
            if (!m_preparedName.isEmpty() && !m_prepared) {
                res.reset(PQprepare(m_conn, m_preparedName.constData(), m_sql.constData(), count, nullptr));
                if (failed(res) && m_session.lostUnder(before, false, true))
                    continue;
                check(m_conn, res);
                m_prepared = true;
            }
            if (rows) {
                res = stream(count, values.data(), lengths.data(), before, *rows);
            } else if (!m_preparedName.isEmpty()) {
                res.reset(PQexecPrepared(m_conn, m_preparedName.constData(), count, values.data(), lengths.data(),
                                         nullptr, 0));
            } else {
                res.reset(
                    PQexecParams(m_conn, m_sql.constData(), count, nullptr, values.data(), lengths.data(), nullptr, 0));
            }
            // A read stopped on purpose ends in the server's "canceled", which is no failure.
            if (rows && rows->stopped)
                return 0;
            again = failed(res) && m_session.lostUnder(before, false, rows && isReading(m_sql));
        }
        return check(m_conn, res);
    }

private:
    // The rows come one by one as the server sends them, so that a read stopped at a checkpoint stops
    // the server too, and never holds more than the rows taken. Outside a transaction the server is
    // asked to cancel the statement; within one, a cancel would end the transaction, so the rest is
    // only let go by. Answers the statement's last result: the end of its rows, or its failure.
    Result stream(int count, const char *const *values, const int *lengths, PGTransactionStatusType before, Rows &out)
    {
        out.names.clear();
        out.cells.clear();
        out.text.clear();
        out.count = 0;
        out.stopped = false;
        const int sent = m_preparedName.isEmpty()
            ? PQsendQueryParams(m_conn, m_sql.constData(), count, nullptr, values, lengths, nullptr, 0)
            : PQsendQueryPrepared(m_conn, m_preparedName.constData(), count, values, lengths, nullptr, 0);
        if (!sent)
            return Result();
        PQsetSingleRowMode(m_conn);
        std::vector<quint8> types;
        bool named = false;
        Result last;
        while (Result res{PQgetResult(m_conn)}) {
            const ExecStatusType status = PQresultStatus(res.get());
            if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
                if (!named) {
                    types = columns(res.get(), out);
                    named = true;
                }
                if (status == PGRES_SINGLE_TUPLE) {
                    if (!out.stopped) {
                        append(res.get(), types, out);
                        if (out.checkpoint && out.count % Rows::CheckpointRows == 0 && !out.checkpoint(out.count)) {
                            out.stopped = true;
                            if (before == PQTRANS_IDLE)
                                cancel();
                        }
                    }
                    continue;
                }
            }
            last = std::move(res);
        }
        return last;
    }

    void cancel()
    {
        PGcancel *request = PQgetCancel(m_conn);
        if (!request)
            return;
        char why[256];
        PQcancel(request, why, int(sizeof why));
        PQfreeCancel(request);
    }

    static std::vector<quint8> columns(const PGresult *res, Rows &out)
    {
        const int count = PQnfields(res);
        std::vector<quint8> types(static_cast<size_t>(count));
        out.names.clear();
        for (int c = 0; c < count; ++c) {
            out.names << QString::fromUtf8(PQfname(res, c));
            switch (PQftype(res, c)) {
            case BoolOid:
            case Int2Oid:
            case Int4Oid:
            case Int8Oid:
            case OidOid:
                types[size_t(c)] = Integer;
                break;
            case Float4Oid:
            case Float8Oid:
            case NumericOid:
                types[size_t(c)] = Float;
                break;
            case ByteaOid:
                types[size_t(c)] = Blob;
                break;
            default:
                types[size_t(c)] = Text;
            }
        }
        return types;
    }

    // The result's one row at the end of `out`.
    static void append(const PGresult *res, const std::vector<quint8> &types, Rows &out)
    {
        for (int c = 0; c < int(types.size()); ++c) {
            Cell cell{0, 0, Null};
            if (!PQgetisnull(res, 0, c)) {
                const char *value = PQgetvalue(res, 0, c);
                cell.type = types[size_t(c)];
                switch (cell.type) {
                case Integer:
                    cell.number = value[0] == 't' ? 1 : value[0] == 'f' ? 0 : std::strtoll(value, nullptr, 10);
                    break;
                case Float: {
                    const double d = std::strtod(value, nullptr);
                    std::memcpy(&cell.number, &d, sizeof d);
                    break;
                }
                case Blob: {
                    size_t length = 0;
                    unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(value), &length);
                    cell.number = out.text.size();
                    cell.length = quint32(length);
                    out.text.append(reinterpret_cast<const char *>(bytes), qsizetype(length));
                    PQfreemem(bytes);
                    break;
                }
                default:
                    cell.number = out.text.size();
                    cell.length = quint32(PQgetlength(res, 0, c));
                    out.text.append(value, cell.length);
                }
            }
            out.cells.push_back(cell);
        }
        ++out.count;
    }

    Session &m_session;
    PGconn *m_conn; // the same object when the session is made again
    int m_generation;
    QByteArray m_sql;
    QStringList m_names;
    QByteArray m_preparedName;
    bool m_prepared = false;
    std::vector<int> m_bound;
};

void ignoreNotice(void *, const char *) { }

// Connects as PQconnectdbParams does, and tells whether anything answered at the address: an
// address where nothing listens, or that stays silent, never gets past making the socket's
// connection, while a server that refuses the user or the database has answered.
PGconn *connectWatching(const char *const *keywords, const char *const *values, bool *answered)
{
    *answered = false;
    PGconn *conn = PQconnectStartParams(keywords, values, 1);
    if (!conn || PQstatus(conn) == CONNECTION_BAD)
        return conn;
    // The wait libpq's own connecting allows: connect_timeout seconds, at least 2, or no limit.
    int timeoutMs = -1;
    if (PQconninfoOption *options = PQconninfo(conn)) {
        for (PQconninfoOption *o = options; o->keyword; ++o)
            if (std::strcmp(o->keyword, "connect_timeout") == 0 && o->val && std::atoi(o->val) > 0)
                timeoutMs = qMax(2, std::atoi(o->val)) * 1000;
        PQconninfoFree(options);
    }
    QElapsedTimer since;
    since.start();
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    for (;;) {
        const ConnStatusType status = PQstatus(conn);
        if (status != CONNECTION_STARTED && status != CONNECTION_NEEDED && status != CONNECTION_BAD)
            *answered = true;
        if (state == PGRES_POLLING_OK || state == PGRES_POLLING_FAILED)
            return conn;
        pollfd waiting{PQsocket(conn), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int left = timeoutMs < 0 ? -1 : int(qMax<qint64>(0, timeoutMs - since.elapsed()));
        const int ready = ::poll(&waiting, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return conn; // no answer in the time allowed: still connecting, which the caller gives up

        state = PQconnectPoll(conn);
    }
}

class PostgresBackend
    : public Backend
    , private Session
{
public:
    ~PostgresBackend() override { close(); }
    Engine engine() const override { return Engine::PostgreSQL; }

    void open(const QString &location, bool, int busyTimeoutMs, bool readOnly) override
    {
        // The server holds the keys for every connection: there is no catalogue without them.
        const QByteArray address = location.toUtf8();
        bool answered = false;
        const char *const keywords[] = {"dbname", nullptr};
        const char *const values[] = {address.constData(), nullptr};
        PGconn *conn = connectWatching(keywords, values, &answered);
        if (conn && PQstatus(conn) != CONNECTION_OK && PQconnectionNeedsPassword(conn)) {
            // libpq's own sources gave none: the one taken from the command line, or the keyring's.
            const QByteArray password = passwordFor(location).toUtf8();
            if (!password.isEmpty()) {
                PQfinish(conn);
                const char *const withPassword[] = {"dbname", "password", nullptr};
                const char *const its[] = {address.constData(), password.constData(), nullptr};
                conn = connectWatching(withPassword, its, &answered);
            }
        }
        if (!conn || PQstatus(conn) != CONNECTION_OK) {
            QString text = trimmedText(PQerrorMessage(conn));
            if (conn && PQstatus(conn) != CONNECTION_BAD)
                text = QStringLiteral("timeout expired");
            const char *host = conn ? PQhost(conn) : nullptr;
            const char *port = conn ? PQport(conn) : nullptr;
            const QString where = host && *host ? QString::fromUtf8(host) + u':' + QString::fromUtf8(port ? port : "")
                                                : addressWithoutPassword(location);
            PQfinish(conn);
            if (text.isEmpty())
                text = QStringLiteral("The database server could not be reached.");
            throw DbError(text, answered ? DbError::Cause::Other : DbError::Cause::ServerSilent, where);
        }
        m_conn = conn;
        m_busyTimeoutMs = busyTimeoutMs;
        m_readOnly = readOnly;
        PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
        try {
            if (PQsetClientEncoding(m_conn, "UTF8") != 0)
                throw DbError(trimmedText(PQerrorMessage(m_conn)));
            requireCatalogueTables();
            const int version = serverVersion();
            refuseNewerCatalogue(Engine::PostgreSQL, version);
            // A user who may only read, or a server that only reads (a standby), opens for reading.
            m_readOnly = readOnly
                || scalarText("select (pg_is_in_recovery() or not has_table_privilege('cdaudio', 'INSERT'))::text")
                    == QLatin1String("true");
            startSession();
            if (!m_readOnly && version < currentCatalogueVersion(Engine::PostgreSQL))
                upgrade(version);
        } catch (const DbError &) {
            PQfinish(m_conn);
            m_conn = nullptr;
            throw;
        }
    }

    bool readOnly() const override { return m_readOnly; }

    void close() override
    {
        if (!m_conn)
            return;
        // Ending the session rolls back whatever it left open.
        PQfinish(m_conn);
        m_conn = nullptr;
        m_transactionLost = false;
    }

    void setBusyTimeoutMs(int ms) override
    {
        m_busyTimeoutMs = ms;
        if (!m_conn)
            return;
        // No wait at all is 0 to SQLite but forever to the server: the shortest wait it knows instead.
        exec(QStringLiteral("SET lock_timeout = %1").arg(qMax(ms, 1)));
    }

    void setReconnected(const std::function<void()> &told) override { m_reconnected = told; }

    void exec(const QString &sql) override
    {
        const QByteArray text = sql.toUtf8();
        const QByteArray word = text.trimmed().toUpper();
        if (m_transactionLost && word == "BEGIN")
            m_transactionLost = false; // the caller has moved on to another change
        if (m_transactionLost && (word == "ROLLBACK" || word == "COMMIT")) {
            // The server rolled the transaction back when its session ended.
            m_transactionLost = false;
            if (word == "COMMIT")
                throw DbError(Texts::ServerLostNotStored);
            return;
        }
        beforeStatement();
        const PGTransactionStatusType before = PQtransactionStatus(m_conn);
        Result res(PQexec(m_conn, text.constData()));
        if (failed(res))
            lostUnder(before, word == "COMMIT", false);
        check(m_conn, res);
    }

    std::unique_ptr<Statement> prepare(const QString &sql, bool reused) override
    {
        if (!m_conn)
            throw DbError(QStringLiteral("The database engine is not available."));
        QStringList names;
        QByteArray text = positionalParameters(sql, &names);
        static const QRegularExpression comment(QStringLiteral("--[^\n]*"));
        if (QString(sql).remove(comment).trimmed().isEmpty())
            return nullptr;
        const QByteArray preparedName = reused ? "dadudu_" + QByteArray::number(++m_statements) : QByteArray();
        return std::make_unique<PgStatement>(static_cast<Session &>(*this), std::move(text), names, preparedName);
    }

    // The server refuses lastval() until the session drew a number, and a refusal would end the
    // transaction under way: within one, it is asked inside a savepoint of its own, in the same
    // round trip.
    qint64 lastInsertId() override
    {
        beforeStatement();
        const PGTransactionStatusType before = PQtransactionStatus(m_conn);
        const bool inTransaction = before == PQTRANS_INTRANS;
        if (!PQsendQuery(m_conn,
                         inTransaction ? "SAVEPOINT dadudu_last_id; SELECT lastval(); RELEASE SAVEPOINT dadudu_last_id"
                                       : "SELECT lastval()"))
            throw DbError(trimmedText(PQerrorMessage(m_conn)));
        Result value;
        Result failure;
        while (Result res{PQgetResult(m_conn)}) {
            if (failed(res))
                failure = std::move(res);
            else if (PQresultStatus(res.get()) == PGRES_TUPLES_OK)
                value = std::move(res);
        }
        if (failure) {
            const char *state = PQresultErrorField(failure.get(), PG_DIAG_SQLSTATE);
            // object_not_in_prerequisite_state: no number drawn yet in this session.
            if (state && std::strcmp(state, "55000") == 0) {
                if (inTransaction)
                    exec(QStringLiteral("ROLLBACK TO SAVEPOINT dadudu_last_id; RELEASE SAVEPOINT dadudu_last_id"));
                return 0;
            }
            lostUnder(before, false, false);
            check(m_conn, failure);
        }
        return value && PQntuples(value.get()) > 0 ? std::strtoll(PQgetvalue(value.get(), 0, 0), nullptr, 10) : 0;
    }

    // A key's numbers come from the sequence the server made for the column; a row may also hold a
    // number above its mark, given by hand.
    qint64 highWater(const QString &table, const QString &key) override
    {
        qint64 high = scalar(QStringLiteral("select coalesce(max(%1), 0) from %2").arg(key, table));
        const QString sequence = text(QStringLiteral("select pg_get_serial_sequence(:TABLE, :KEY)"), table, key);
        if (!sequence.isEmpty())
            high = qMax(
                high,
                scalar(QStringLiteral("select case when is_called then last_value else 0 end from %1").arg(sequence)));
        return high;
    }

    void setHighWater(const QString &table, const QString &key, qint64 high) override
    {
        if (high <= 0)
            return;
        Param t{QStringLiteral("TABLE")};
        t.isText = true;
        t.text = table.toLower().toUtf8();
        Param k{QStringLiteral("KEY")};
        k.isText = true;
        k.text = key.toLower().toUtf8();
        Param h{QStringLiteral("HIGH")};
        h.number = high;
        Rows rows;
        prepare(QStringLiteral("select setval(pg_get_serial_sequence(:TABLE, :KEY), :HIGH)"), false)
            ->run({t, k, h}, false, &rows);
    }

    // A write takes a transaction number, and a commit or rollback leaves the list of those in
    // progress: while the server's snapshot (next number, those in progress) stays the same, no
    // write of anyone has ended, so the rows read then are the rows now. The numbers are the whole
    // server's: a write to another database there also reads the lists again, which costs a read,
    // never a stale list.
    bool changeCounters(qint64 *others, qint64 *own) const override
    {
        if (!m_conn)
            return false;
        const Result res(
            PQexec(m_conn, "select pg_snapshot_xmax(s)::text::bigint, s::text from pg_current_snapshot() s"));
        if (!res || PQresultStatus(res.get()) != PGRES_TUPLES_OK || PQntuples(res.get()) != 1)
            return false;
        *own = QByteArray(PQgetvalue(res.get(), 0, 0)).toLongLong();
        *others = qint64(qHash(QByteArray(PQgetvalue(res.get(), 0, 1)), 0) & 0x7fffffffffffffff);
        return true;
    }

private:
    qint64 scalar(const QString &sql)
    {
        Rows rows;
        prepare(sql, false)->run({}, false, &rows);
        return rows.count > 0 && rows.cells[0].type == Integer ? rows.cells[0].number : 0;
    }

    // A text answer to a question of two texts; empty for NULL.
    QString text(const QString &sql, const QString &table, const QString &key)
    {
        Param t{QStringLiteral("TABLE")};
        t.isText = true;
        t.text = table.toLower().toUtf8();
        Param k{QStringLiteral("KEY")};
        k.isText = true;
        k.text = key.toLower().toUtf8();
        Rows rows;
        prepare(sql, false)->run({t, k}, false, &rows);
        if (rows.count == 0 || rows.cells[0].type != Text)
            return {};
        return QString::fromUtf8(rows.text.constData() + rows.cells[0].number, rows.cells[0].length);
    }

    QString scalarText(const char *sql)
    {
        const Result res(PQexec(m_conn, sql));
        check(m_conn, res);
        return PQntuples(res.get()) > 0 && !PQgetisnull(res.get(), 0, 0)
            ? QString::fromUtf8(PQgetvalue(res.get(), 0, 0))
            : QString();
    }

    QString scalarText(const QString &sql) { return scalarText(sql.toUtf8().constData()); }

    // A catalogue made before its version was kept has no DADUDU_VERSION: version 1.
    int serverVersion()
    {
        if (scalarText("select to_regclass('dadudu_version')::text").isEmpty())
            return 1;
        const QString version = scalarText("select max(version)::text from dadudu_version");
        return version.isEmpty() ? 1 : version.toInt();
    }

    // One transaction, the copy of the catalogue as it was first (see copyBeforeUpgrade); another
    // program upgrading at the same time makes ours fail, and then the catalogue is of the current
    // version all the same.
    void upgrade(int from)
    {
        try {
            exec(QStringLiteral("BEGIN; LOCK TABLE cdaudio IN SHARE ROW EXCLUSIVE MODE"));
            QString copy;
            if (serverVersion() == from) {
                copy = copyBeforeUpgrade(from);
                exec(serverCatalogueUpgrade(from));
            }
            exec(QStringLiteral("COMMIT"));
            m_upgradeCopy = copy;
        } catch (const DbError &e) {
            const Result rolledBack(PQexec(m_conn, "ROLLBACK"));
            if (serverVersion() != currentCatalogueVersion(Engine::PostgreSQL))
                throw DbError(QStringLiteral("The catalogue of version %1 could not be upgraded to version %2, and is "
                                             "left as it was: %3")
                                  .arg(from)
                                  .arg(currentCatalogueVersion(Engine::PostgreSQL))
                                  .arg(e.text()));
        }
    }

    // Every catalogue table, rows as they are, into a schema of the same database named for the
    // version it comes from, never one that exists: what a file's copy beside it is to a file.
    // Within the upgrade's transaction, so a failed upgrade leaves no copy either. Answers the
    // schema's name.
    QString copyBeforeUpgrade(int from)
    {
        const QString catalogue
            = scalarText("select n.nspname::text from pg_class c join pg_namespace n on n.oid = c.relnamespace"
                         " where c.oid = to_regclass('cdaudio')");
        const QString base = QStringLiteral("dadudu_before_v%1").arg(from);
        QString name = base;
        for (int n = 2;
             !scalarText(QStringLiteral("select 1 from pg_namespace where nspname = '%1'").arg(name)).isEmpty(); ++n)
            name = base + u'_' + QString::number(n);
        exec(QStringLiteral("CREATE SCHEMA %1").arg(name));
        const auto quoted = [](const QString &identifier) {
            return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
        };
        static const QRegularExpression create(QStringLiteral("\\bCREATE\\s+TABLE\\s+([A-Za-z_][A-Za-z0-9_]*)"),
                                               QRegularExpression::CaseInsensitiveOption);
        for (auto it = create.globalMatch(catalogueSchema(Engine::PostgreSQL)); it.hasNext();) {
            const QString table = it.next().captured(1).toLower();
            const QString source = quoted(catalogue) + u'.' + table;
            if (scalarText(QStringLiteral("select to_regclass('%1')::text").arg(source)).isEmpty())
                continue; // a table of a later version
            exec(QStringLiteral("CREATE TABLE %1.%2 AS TABLE %3").arg(name, table, source));
        }
        return name;
    }

    QString upgradeCopy() const override
    {
        return m_upgradeCopy.isEmpty() ? QString() : Texts::UpgradeCopySchema.arg(m_upgradeCopy);
    }

    PGconn *conn() const override { return m_conn; }
    int generation() const override { return m_generation; }

    // What a session holds beyond the connection's parameters, set again in a session made again.
    void startSession()
    {
        if (PQsetClientEncoding(m_conn, "UTF8") != 0)
            throw DbError(trimmedText(PQerrorMessage(m_conn)));
        setBusyTimeoutMs(m_busyTimeoutMs);
        if (m_readOnly)
            exec(QStringLiteral("SET default_transaction_read_only = on"));
        else // A row reported stored is on the server's disk, whatever the server's default is.
            exec(QStringLiteral("SET synchronous_commit = on"));
    }

    void reconnect()
    {
        PQreset(m_conn);
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw DbError(Texts::ServerLostNoAnswer + QStringLiteral("\r\n") + trimmedText(PQerrorMessage(m_conn)));
        ++m_generation;
        PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
        startSession();
    }

    void beforeStatement() override
    {
        if (!m_conn)
            throw DbError(QStringLiteral("The database engine is not available."));
        if (m_transactionLost)
            throw DbError(Texts::ServerLostNotStored);
        // Only between transactions: within one, a lost session is for the statement to report.
        // A server that shut down said so and closed the socket; reading what waits there needs no
        // round trip, and its end marks the session ended.
        if (PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            return;
        for (int reads = 0; reads < 16 && PQstatus(m_conn) == CONNECTION_OK; ++reads) {
            pollfd waiting{PQsocket(m_conn), POLLIN, 0};
            if (::poll(&waiting, 1, 0) <= 0 || PQconsumeInput(m_conn) == 0)
                break;
        }
        if (PQstatus(m_conn) == CONNECTION_OK)
            return;
        reconnect();
        if (m_reconnected)
            m_reconnected();
    }

    bool lostUnder(PGTransactionStatusType before, bool commit, bool reading) override
    {
        if (PQstatus(m_conn) != CONNECTION_BAD)
            return false;
        const QString details = QStringLiteral("\r\n") + trimmedText(PQerrorMessage(m_conn));
        const bool inTransaction = before == PQTRANS_INTRANS || before == PQTRANS_INERROR;
        // Until the caller ends it, the transaction stays lost: what it sends next belongs to it.
        const bool lost = inTransaction && !commit;
        try {
            reconnect();
        } catch (const DbError &) {
            m_transactionLost = lost;
            throw;
        }
        m_transactionLost = lost;
        if (m_transactionLost)
            throw DbError(Texts::ServerLostNotStored + details);
        if (reading && !inTransaction)
            return true;
        // The server may have stored it before it went: sending it again could store it twice.
        throw DbError(Texts::ServerLostOutcomeUnknown + details);
    }

    void requireCatalogueTables()
    {
        Rows rows;
        PgStatement st(*this,
                       "select table_name::text from information_schema.tables"
                       " where table_schema = any(current_schemas(false))",
                       {}, {});
        st.run({}, false, &rows);
        QStringList present;
        for (int r = 0; r < rows.count; ++r) {
            const Cell &c = rows.cells[size_t(r)];
            present << QString::fromUtf8(rows.text.constData() + c.number, c.length);
        }
        ::requireCatalogueTables(Engine::PostgreSQL, present);
    }

    PGconn *m_conn = nullptr;
    int m_statements = 0;
    int m_generation = 0;
    int m_busyTimeoutMs = 0;
    bool m_readOnly = false;
    bool m_transactionLost = false;
    QString m_upgradeCopy; // the schema the last upgrade copied the catalogue into
    std::function<void()> m_reconnected;
};

} // namespace

QByteArray positionalParameters(const QString &sql, QStringList *names)
{
    QString out;
    out.reserve(sql.size() + 8);
    const int n = int(sql.size());
    // Copies sql[i, stop) as it is, and goes on after it.
    const auto passOver = [&](int &i, qsizetype stop) {
        stop = stop < 0 ? n : stop;
        out += QStringView(sql).mid(i, stop - i);
        i = int(stop) - 1;
    };
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (c == u'\'' || c == u'"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            passOver(i, end < 0 ? -1 : end + 1);
        } else if (c == u'-' && next == u'-') {
            passOver(i, sql.indexOf(u'\n', i));
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            passOver(i, end < 0 ? -1 : end + 2);
        } else if (c == u':' && next == u':') {
            passOver(i, i + 2); // a cast
        } else if (c == u':' && identStart(next)) {
            int end = i + 1;
            while (end < n && identChar(sql.at(end)))
                ++end;
            const QString name = sql.mid(i + 1, end - i - 1);
            qsizetype index = -1;
            for (qsizetype k = 0; k < names->size() && index < 0; ++k)
                if (names->at(k).compare(name, Qt::CaseInsensitive) == 0)
                    index = k;
            if (index < 0) {
                names->append(name);
                index = names->size() - 1;
            }
            out += u'$' + QString::number(index + 1);
            i = end - 1;
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

void runServerScript(const QString &address, const QString &script)
{
    PGconn *conn = PQconnectdb(address.toUtf8().constData());
    const auto finish = qScopeGuard([conn] { PQfinish(conn); });
    if (PQstatus(conn) != CONNECTION_OK)
        throw DbError(trimmedText(PQerrorMessage(conn)));
    PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
    PQsetClientEncoding(conn, "UTF8");
    check(conn, Result(PQexec(conn, script.toUtf8().constData())));
}

std::unique_ptr<Backend> makePostgresBackend()
{
    return std::make_unique<PostgresBackend>();
}

} // namespace db
