#include "store/DbEngine.h"

#include "store/CatalogueFile.h"

#include <QFile>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cstring>

namespace {

QString engineText(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

QString sqlWithoutTrailingSemicolon(QString s)
{
    s = s.trimmed();
    while (s.endsWith(u';'))
        s.chop(1);
    return s.trimmed();
}

} // namespace

DbError::DbError(const QString &text)
    : std::runtime_error(text.toStdString())
    , m_text(text)
{
}

// ---------------------------------------------------------------------------------------------------
// Connection

DbConnection::DbConnection(QObject *parent)
    : QObject(parent)
{
}

DbConnection::~DbConnection()
{
    Close();
}

void DbConnection::setConnectionString(const QString &connectionString)
{
    m_connectionString = connectionString;
}

QString DbConnection::dataSourceOf(const QString &connectionString)
{
    static const QRegularExpression key(QStringLiteral("(^|;)\\s*Data Source\\s*="),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = key.match(connectionString);
    if (!m.hasMatch())
        return {};
    // A path may hold ';': the value ends only where the next "Name=" pair begins.
    static const QRegularExpression nextPair(QStringLiteral(";\\s*[A-Za-z][A-Za-z ]*="));
    const int start = m.capturedEnd();
    const auto n = nextPair.match(connectionString, start);
    return connectionString.mid(start, n.hasMatch() ? n.capturedStart() - start : -1);
}

bool DbConnection::Connected() const
{
    return m_db != nullptr;
}

DbConnection::ChangeStamp DbConnection::changeStamp() const
{
    ChangeStamp stamp;
    if (!m_db)
        return stamp;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &st, nullptr) != SQLITE_OK || sqlite3_step(st) != SQLITE_ROW) {
        sqlite3_finalize(st);
        return stamp; // unknown: never equal to a stamp taken when it was known
    }
    stamp.others = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    stamp.own = sqlite3_total_changes64(m_db);
    stamp.opening = m_openings;
    return stamp;
}

void DbConnection::Open()
{
    if (Connected())
        return;
    const QString path = dataSourceOf(m_connectionString);
    if (path.isEmpty())
        throw DbError(QStringLiteral("No database file is named in the connection string."));

    // No SQLITE_OPEN_CREATE: opening must never create a catalogue that is not there. The connection
    // lives on one thread, so the engine's own locking of it would only cost time.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        // A failed open still hands back a handle, holding the engine's text; it must be closed too.
        const QString text = engineText(db);
        sqlite3_close(db);
        throw DbError(text);
    }
    sqlite3_busy_timeout(db, m_busyTimeoutMs);
    m_db = db;
    ++m_openings;
    try {
        // Only reads until the file is known to be a catalogue: the journal mode below writes the
        // file's header, which would turn an empty file into a database and change a stranger's
        // database. A file that is no database at all fails on this first read.
        requireCatalogueTables();
        // A catalogue made before the schema had keys has none to hold, and opens as it always did.
        run(m_foreignKeys ? "PRAGMA foreign_keys=ON" : "PRAGMA foreign_keys=OFF");
        // WAL lets other programs read while we write; FULL makes each commit survive a power cut.
        for (const char *statement : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"})
            run(statement);
    } catch (const DbError &) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

void DbConnection::requireCatalogueTables()
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, "select name from sqlite_master where type = 'table'", -1, &st, nullptr) != SQLITE_OK)
        throw DbError(engineText(m_db));
    QStringList present;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        present << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))).toUpper();
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(engineText(m_db));
    for (const QString &table : catalogueTables())
        if (!present.contains(table.toUpper()))
            throw DbError(QStringLiteral("The file is not a catalogue database: it has no table %1.").arg(table));
}

void DbConnection::setBusyTimeoutMs(int ms)
{
    m_busyTimeoutMs = ms;
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

void DbConnection::Close()
{
    if (!Connected())
        return;
    emit closing();
    if (m_inTransaction) {
        m_inTransaction = false;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    // Every statement is finalised where it ran, so nothing keeps the file open after this.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void DbConnection::run(const char *statement)
{
    if (!m_db)
        throw DbError(QStringLiteral("The database engine is not available."));
    if (sqlite3_exec(m_db, statement, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(engineText(m_db));
}

DbConnection::DeferredSync::DeferredSync(DbConnection &connection)
    : m_connection(connection)
{
    if (!connection.Connected() || connection.InTransaction())
        return;
    connection.run("PRAGMA synchronous=NORMAL");
    m_deferred = true;
}

DbConnection::DeferredSync::~DeferredSync()
{
    if (!m_deferred || !m_connection.Connected())
        return;
    try {
        m_connection.run("PRAGMA synchronous=FULL");
        // The checkpoint syncs the log before it copies it into the file.
        m_connection.run("PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const DbError &) {
        // The commits themselves succeeded; a later commit syncs the log all the same.
    }
}

void DbConnection::BeginTrans()
{
    Open();
    run("BEGIN");
    m_inTransaction = true;
}

void DbConnection::CommitTrans()
{
    run("COMMIT");
    m_inTransaction = false;
}

void DbConnection::RollbackTrans()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    run("ROLLBACK");
}

// ---------------------------------------------------------------------------------------------------
// Query

DbQuery::DbQuery(DbConnection &connection, const QStringList &sqlLines, QObject *parent)
    : RowSource(parent)
    , m_connection(connection)
{
    setSQL(sqlLines);
    connect(&connection, &DbConnection::closing, this, [this] {
        // A statement outliving its connection would keep the file open.
        forgetPrepared();
        Close();
    });
}

DbQuery::~DbQuery()
{
    forgetPrepared();
}

void DbQuery::setSQL(const QStringList &lines)
{
    setSQL(lines.join(QStringLiteral("\r\n")));
}

void DbQuery::setSQL(const QString &text)
{
    if (text != m_sql) {
        forgetPrepared();
        m_readAt = {};
    }
    m_sql = text;
}

DbQuery::Param &DbQuery::param(const QString &name)
{
    for (auto &p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    m_boundStale = true;
    m_readAt = {};
    m_params.push_back(Param{name});
    return m_params.back();
}

void DbQuery::setParam(const QString &name, int value)
{
    Param &p = param(name);
    if (p.isText || p.number != value)
        m_readAt = {};
    p.isText = false;
    p.number = value;
    p.text.clear();
}

void DbQuery::setParam(const QString &name, const QString &value)
{
    Param &p = param(name);
    // An empty text is stored as an empty string, never NULL: constData() is never null.
    QByteArray text = value.toUtf8();
    if (!p.isText || p.text != text)
        m_readAt = {};
    p.isText = true;
    p.number = 0;
    p.text = std::move(text);
}

QString DbQuery::dialectToEngine() const
{
    const QString bare = sqlWithoutTrailingSemicolon(m_sql);
    if (bare.compare(QStringLiteral("select @@Identity"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("select last_insert_rowid()");

    // "update T set T.COL = ..." names the table in the set list, which SQLite refuses: drop "T."
    // wherever it stands outside a literal. It always means the one table being updated.
    static const QRegularExpression update(QStringLiteral("^\\s*update\\s+([A-Za-z_][A-Za-z0-9_]*)\\s+set\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = update.match(m_sql);
    if (!m.hasMatch())
        return m_sql;
    const QString prefix = m.captured(1) + u'.';
    QString out;
    out.reserve(m_sql.size());
    QChar quote;
    for (int i = 0; i < m_sql.size(); ++i) {
        const QChar c = m_sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == u'[') {
            quote = u']';
            out += c;
            continue;
        }
        if ((i == 0 || !isIdentChar(m_sql.at(i - 1)))
            && QStringView(m_sql).mid(i, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0) {
            i += int(prefix.size()) - 1;
            continue;
        }
        out += c;
    }
    return out;
}

namespace {

// One prepared statement on the connection's handle, finalised when it goes.
class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql)
        : m_db(db)
    {
        // The engine reads a statement only up to a NUL, so a literal holding one would be cut short.
        if (sql.contains(QChar(0)))
            throw DbError(QStringLiteral("A text holds a NUL character, which the catalogue does not store."));
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
            fail();
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // True while rows come; raises on a failure.
    bool step()
    {
        if (!m_stmt)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    sqlite3_stmt *get() const { return m_stmt; }
    int changes() const { return sqlite3_changes(m_db); }

private:
    [[noreturn]] void fail() { refuse(QString::fromUtf8(sqlite3_errmsg(m_db))); }
    // A throw from the constructor skips the destructor, and a statement left unfinalised keeps
    // the file open after the connection closes.
    [[noreturn]] void refuse(const QString &text)
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw DbError(text);
    }

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

} // namespace

void DbQuery::bind(sqlite3_stmt *statement, bool sameAsLast)
{
    if (!statement)
        return;
    if (!sameAsLast || m_boundStale) {
        m_bound.clear();
        const int count = sqlite3_bind_parameter_count(statement);
        for (int i = 1; i <= count; ++i) {
            const char *name = sqlite3_bind_parameter_name(statement, i);
            const QString bare = name ? QString::fromUtf8(name + 1) : QString();
            int found = -1;
            for (size_t k = 0; name && k < m_params.size(); ++k)
                if (m_params[k].name.compare(bare, Qt::CaseInsensitive) == 0) {
                    found = int(k);
                    break;
                }
            m_bound.push_back(found);
        }
        m_boundStale = false;
    }
    for (size_t i = 0; i < m_bound.size(); ++i) {
        if (m_bound[i] < 0)
            continue;
        const Param &p = m_params[size_t(m_bound[i])];
        // The engine measures a text only up to a NUL, so its length checks would let an over-long
        // text through; a catalogue made before the schema refused NUL has no check of its own either.
        if (p.isText && p.text.contains('\0'))
            throw DbError(QStringLiteral("The text for %1 holds a NUL character, which the catalogue does not store.")
                              .arg(p.name));
        // The text stays put until the statement has run: setParam only comes after.
        const int rc = p.isText ? sqlite3_bind_text(statement, int(i) + 1, p.text.constData(), int(p.text.size()),
                                                    SQLITE_STATIC)
                                : sqlite3_bind_int64(statement, int(i) + 1, p.number);
        if (rc != SQLITE_OK)
            throw DbError(engineText(m_connection.m_db));
    }
}

void DbQuery::forgetPrepared()
{
    sqlite3_finalize(m_prepared);
    m_prepared = nullptr;
    m_boundStale = true;
}

void DbQuery::ExecSQL()
{
    m_connection.Open();
    sqlite3 *db = m_connection.m_db;
    const bool again = m_prepared != nullptr;
    if (!again) {
        const QByteArray text = dialectToEngine().toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_prepared, nullptr) != SQLITE_OK) {
            m_prepared = nullptr;
            throw DbError(engineText(db));
        }
        if (!m_prepared) { // only white space or a comment
            m_rowsAffected = 0;
            return;
        }
    }
    int rc = SQLITE_OK;
    try {
        bind(m_prepared, again);
        while ((rc = sqlite3_step(m_prepared)) == SQLITE_ROW) {
        }
    } catch (...) {
        sqlite3_reset(m_prepared);
        sqlite3_clear_bindings(m_prepared);
        throw;
    }
    // The engine's text before the reset, which may put another in its place.
    const QString failure = rc == SQLITE_DONE ? QString() : engineText(db);
    sqlite3_reset(m_prepared);
    sqlite3_clear_bindings(m_prepared);
    if (rc != SQLITE_DONE)
        throw DbError(failure);
    m_rowsAffected = sqlite3_changes(db);
}

void DbQuery::Open()
{
    if (m_active)
        return;
    m_connection.Open();
    Statement statement(m_connection.m_db, dialectToEngine());
    bind(statement.get(), false);
    m_boundStale = true; // the map fits this statement, not ExecSQL's
    sqlite3_stmt *st = statement.get();
    const int columns = st ? sqlite3_column_count(st) : 0;
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names << QString::fromUtf8(sqlite3_column_name(st, c));

    std::vector<Cell> cells;
    QByteArray text;
    // Read again, a list is about as long as it was: room for that much spares the copies of a
    // growing million-row buffer and of its trimming afterwards.
    if (m_lastRead.cells > 0) {
        cells.reserve(m_lastRead.cells + m_lastRead.cells / 64);
        text.reserve(m_lastRead.textBytes + m_lastRead.textBytes / 64);
    }
    int rows = 0;
    while (statement.step()) {
        for (int c = 0; c < columns; ++c) {
            Cell cell{0, 0, quint8(sqlite3_column_type(st, c))};
            switch (cell.type) {
            case SQLITE_INTEGER:
                cell.number = sqlite3_column_int64(st, c);
                break;
            case SQLITE_FLOAT: {
                const double d = sqlite3_column_double(st, c);
                std::memcpy(&cell.number, &d, sizeof d);
                break;
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const void *bytes = cell.type == SQLITE_TEXT ? static_cast<const void *>(sqlite3_column_text(st, c))
                                                            : sqlite3_column_blob(st, c);
                cell.length = quint32(sqlite3_column_bytes(st, c));
                cell.number = text.size();
                text.append(static_cast<const char *>(bytes), cell.length);
                break;
            }
            default:
                break;
            }
            cells.push_back(cell);
        }
        ++rows;
    }

    m_fieldNames = names;
    m_cells = std::move(cells);
    if (m_cells.capacity() - m_cells.size() > m_cells.size() / 32 + 16)
        m_cells.shrink_to_fit();
    m_text = std::move(text);
    if (m_text.capacity() - m_text.size() > m_text.size() / 32 + 1024)
        m_text.squeeze();
    m_lastRead = {m_cells.size(), m_text.size()};
    m_rowCount = rows;
    m_current = rows > 0 ? 0 : -1;
    m_active = true;
    m_readAt = m_connection.changeStamp();
    notifyReset();
}

bool DbQuery::UpToDate() const
{
    return m_active && m_readAt.others >= 0 && m_readAt == m_connection.changeStamp();
}

bool DbQuery::utf8(int row, int column, QByteArrayView *text) const
{
    if (!m_active || row < 0 || row >= m_rowCount || column < 0 || column >= m_fieldNames.size())
        return false;
    const Cell &cell = m_cells[size_t(row) * size_t(m_fieldNames.size()) + size_t(column)];
    if (cell.type != SQLITE_TEXT)
        return false;
    *text = QByteArrayView(m_text.constData() + cell.number, qsizetype(cell.length));
    return true;
}

QVariant DbQuery::Value(int row, int column) const
{
    const Cell &cell = m_cells[size_t(row) * size_t(m_fieldNames.size()) + size_t(column)];
    switch (cell.type) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(cell.number));
    case SQLITE_FLOAT: {
        double d;
        std::memcpy(&d, &cell.number, sizeof d);
        return QVariant(d);
    }
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(m_text.constData() + cell.number, qsizetype(cell.length)));
    case SQLITE_BLOB:
        return QVariant(m_text.mid(cell.number, cell.length));
    default:
        return QVariant();
    }
}

void DbQuery::Close()
{
    if (!m_active)
        return;
    m_active = false;
    m_fieldNames.clear();
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_text.clear();
    m_text.squeeze();
    m_rowCount = 0;
    m_current = -1;
    notifyReset();
}

void DbQuery::setCurrentRow(int row)
{
    if (row < 0 || row >= m_rowCount || row == m_current)
        return;
    m_current = row;
    notifyCurrent();
}

void DbQuery::First()
{
    if (m_rowCount > 0)
        setCurrentRow(0);
}

void DbQuery::Next()
{
    if (m_current < 0)
        return;
    if (m_current + 1 < m_rowCount)
        setCurrentRow(m_current + 1);
    else
        m_current = m_rowCount; // past the end: Eof, no row to show
}

bool DbQuery::Eof() const
{
    return m_current < 0 || m_current >= m_rowCount;
}

bool DbQuery::Locate(const QString &field, int value)
{
    const int column = FieldIndex(field);
    if (column < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(field));
    for (int r = 0; r < m_rowCount; ++r) {
        const QVariant v = Value(r, column);
        if (!v.isNull() && v.toLongLong() == value) {
            setCurrentRow(r);
            return true;
        }
    }
    return false;
}

int DbQuery::FieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fieldNames.size(); ++i)
        if (m_fieldNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void DbQuery::requireRow(const char *what) const
{
    if (!m_active)
        throw DbError(QStringLiteral("Cannot read %1: the query is closed").arg(QLatin1String(what)));
    if (Eof())
        throw DbError(QStringLiteral("Cannot read %1: there is no current record").arg(QLatin1String(what)));
}

QVariant DbQuery::Field(const QString &name) const
{
    requireRow("a field");
    const int column = FieldIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(name));
    return Value(m_current, column);
}

int DbQuery::FieldAsInteger(const QString &name) const
{
    return Field(name).toInt();
}

QString DbQuery::FieldAsString(const QString &name) const
{
    const QVariant v = Field(name);
    return v.isNull() ? QString(QStringLiteral("")) : v.toString();
}

bool DbQuery::FieldAsBoolean(const QString &name) const
{
    return Field(name).toBool();
}

QVariant DbQuery::FirstField() const
{
    requireRow("the first field");
    if (m_fieldNames.isEmpty())
        throw DbError(QStringLiteral("The query has no fields"));
    return Value(m_current, 0);
}

void DbQuery::DisableControls()
{
    holdNotifications();
}

void DbQuery::EnableControls()
{
    releaseNotifications();
}
