#include "store/DbEngine.h"

#include <QStringDecoder>

#include <cstring>

namespace {

// A stored text as it was written. QString::fromUtf8 drops a byte-order mark at the start, which a
// text may hold as its first character; a save or a copy would then lose it.
QString storedText(const char *bytes, qsizetype length)
{
    if (length >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(bytes, length));
    }
    return QString::fromUtf8(bytes, length);
}

} // namespace

namespace db {

bool isServerLocation(const QString &location)
{
    return location.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

void refuseNul(const Param &p)
{
    if (p.isText && p.text.contains('\0'))
        throw DbError(
            QStringLiteral("The text for %1 holds a NUL character, which the catalogue does not store.").arg(p.name),
            DbError::Cause::NulInText, p.name);
}

} // namespace db

DbError::DbError(const QString &text, bool lockBusy)
    : DbError(text, lockBusy ? Cause::LockBusy : Cause::Other)
{ }

DbError::DbError(const QString &text, Cause cause, const QString &subject)
    : std::runtime_error(text.toStdString())
    , m_text(text)
    , m_cause(cause)
    , m_subject(subject)
{ }

// ---------------------------------------------------------------------------------------------------
// Connection

DbConnection::DbConnection(QObject *parent)
    : QObject(parent)
{ }

DbConnection::~DbConnection()
{
    close();
}

bool DbConnection::connected() const
{
    return m_backend != nullptr;
}

bool DbConnection::readOnly() const
{
    return m_backend && m_backend->readOnly();
}

db::Engine DbConnection::engine() const
{
    if (m_backend)
        return m_backend->engine();
    return db::isServerLocation(m_location) ? db::Engine::PostgreSQL : db::Engine::SQLite;
}

QString DbConnection::upgradeCopy() const
{
    return m_backend ? m_backend->upgradeCopy() : QString();
}

DbConnection::ChangeStamp DbConnection::changeStamp() const
{
    ChangeStamp stamp;
    // Unknown (an engine that cannot tell, or a failed look) is never equal to a stamp taken when it was known.
    if (!m_backend || !m_backend->changeCounters(&stamp.others, &stamp.own))
        return {};
    stamp.opening = m_openings;
    return stamp;
}

void DbConnection::open()
{
    if (connected())
        return;
    auto backend = db::isServerLocation(m_location) ? db::makePostgresBackend() : db::makeSqliteBackend();
    backend->open(m_location, m_foreignKeys, m_busyTimeoutMs, m_readOnly);
    backend->setReconnected([this] { emit reconnected(); });
    m_backend = std::move(backend);
    ++m_openings;
}

void DbConnection::setBusyTimeoutMs(int ms)
{
    m_busyTimeoutMs = ms;
    if (m_backend)
        m_backend->setBusyTimeoutMs(ms);
}

void DbConnection::close()
{
    if (!connected())
        return;
    emit closing();
    m_inTransaction = false;
    // The queries dropped their statements on `closing`, so nothing keeps the catalogue open after this.
    m_backend->close();
    m_backend.reset();
}

void DbConnection::beginTrans()
{
    open();
    // A file's write lock is taken at once: waiting for it then finds no rows read before the wait
    // gone stale, and a wait given up has done nothing.
    m_backend->exec(m_backend->engine() == db::Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                              : QStringLiteral("BEGIN"));
    m_inTransaction = true;
}

void DbConnection::commitTrans()
{
    if (!m_backend)
        throw DbError(QStringLiteral("The database engine is not available."));
    m_backend->exec(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void DbConnection::rollbackTrans()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (m_backend)
        m_backend->exec(QStringLiteral("ROLLBACK"));
}

qint64 DbConnection::lastInsertId()
{
    open();
    return m_backend->lastInsertId();
}

qint64 DbConnection::highWater(const QString &table, const QString &key)
{
    open();
    return m_backend->highWater(table, key);
}

void DbConnection::setHighWater(const QString &table, const QString &key, qint64 high)
{
    open();
    m_backend->setHighWater(table, key, high);
}

// ---------------------------------------------------------------------------------------------------
// Query

DbQuery::DbQuery(DbConnection &connection, const QStringList &sqlLines, QObject *parent)
    : RowSource(parent)
    , m_connection(connection)
{
    setSQL(sqlLines);
    connect(&connection, &DbConnection::closing, this, [this] {
        // A statement outliving its connection would keep the catalogue open.
        forgetPrepared();
        close();
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

db::Param &DbQuery::param(const QString &name)
{
    for (auto &p : m_params)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    m_paramsAdded = true;
    m_readAt = {};
    m_params.push_back(db::Param{name});
    return m_params.back();
}

void DbQuery::setParam(const QString &name, const QVariant &value)
{
    if (!value.isNull() && (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)) {
        db::Param &p = param(name);
        p.isNull = false;
        p.isText = false;
        p.number = value.toLongLong();
        p.text.clear();
    } else if (!value.isNull()) {
        setParam(name, value.toString());
    } else {
        db::Param &p = param(name);
        p.isNull = true;
        p.isText = false;
        p.text.clear();
    }
}

void DbQuery::setParam(const QString &name, int value)
{
    db::Param &p = param(name);
    if (p.isNull || p.isText || p.number != value)
        m_readAt = {};
    p.isNull = false;
    p.isText = false;
    p.number = value;
    p.text.clear();
}

void DbQuery::setParam(const QString &name, const QString &value)
{
    db::Param &p = param(name);
    // An empty text is stored as an empty string, never NULL: constData() is never null.
    QByteArray text = value.toUtf8();
    if (p.isNull || !p.isText || p.text != text)
        m_readAt = {};
    p.isNull = false;
    p.isText = true;
    p.number = 0;
    p.text = std::move(text);
}

std::unique_ptr<db::Statement> DbQuery::prepare(bool reused)
{
    m_connection.open();
    // The engines read a statement only up to a NUL, so a literal holding one would be cut short.
    if (m_sql.contains(QChar(0)))
        throw DbError(QStringLiteral("A text holds a NUL character, which the catalogue does not store."),
                      DbError::Cause::NulInText);
    return m_connection.m_backend->prepare(m_sql, reused);
}

void DbQuery::forgetPrepared()
{
    m_prepared.reset();
    m_emptyStatement = false;
    m_paramsAdded = true;
}

void DbQuery::exec()
{
    m_connection.open();
    const bool again = m_prepared || m_emptyStatement;
    if (!again) {
        m_prepared = prepare(true);
        m_emptyStatement = !m_prepared;
    }
    if (!m_prepared) { // only white space or a comment
        m_rowsAffected = 0;
        return;
    }
    const bool sameParams = again && !m_paramsAdded;
    m_paramsAdded = false;
    m_rowsAffected = m_prepared->run(m_params, sameParams, nullptr);
}

void DbQuery::open()
{
    if (!m_active)
        reopen({});
}

bool DbQuery::reopen(const StepRunner &runner)
{
    m_connection.open();
    // Taken first, so a write that lands while the rows are read makes the list read again later.
    const DbConnection::ChangeStamp before = m_connection.changeStamp();
    db::Rows rows;
    if (!runStep(runner, [&](const StepProgress &progress) { return read(rows, progress); }))
        return false;
    adopt(std::move(rows), before);
    return true;
}

bool DbQuery::read(db::Rows &rows, const StepProgress &progress)
{
    // Read again, a list is about as long as it was: room for that much spares the copies of a
    // growing million-row buffer and of its trimming afterwards.
    if (m_lastRead.cells > 0) {
        rows.cells.reserve(m_lastRead.cells + m_lastRead.cells / 64);
        rows.text.reserve(m_lastRead.textBytes + m_lastRead.textBytes / 64);
    }
    const int expected = m_lastRead.rows;
    // The rows are read into a snapshot of their own, never the one shown: the window may go on
    // painting that one meanwhile, and needs no turn from the read.
    if (progress) {
        if (!progress(0, expected, false))
            return false;
        rows.checkpoint = [&progress, expected](int count) { return progress(count, qMax(count, expected), false); };
    }
    if (const auto statement = prepare(false))
        statement->run(m_params, false, &rows);
    return !rows.stopped;
}

void DbQuery::adopt(db::Rows &&rows, const DbConnection::ChangeStamp &readAt)
{
    m_fieldNames = std::move(rows.names);
    m_cells = std::move(rows.cells);
    if (m_cells.capacity() - m_cells.size() > m_cells.size() / 32 + 16)
        m_cells.shrink_to_fit();
    m_text = std::move(rows.text);
    if (m_text.capacity() - m_text.size() > m_text.size() / 32 + 1024)
        m_text.squeeze();
    m_lastRead = {m_cells.size(), m_text.size(), rows.count};
    m_rowCount = rows.count;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_active = true;
    m_readAt = readAt;
    notifyReset();
}

bool DbQuery::upToDate() const
{
    return m_active && m_readAt.others >= 0 && m_readAt == m_connection.changeStamp();
}

bool DbQuery::utf8(int row, int column, QByteArrayView *text) const
{
    if (!m_active || row < 0 || row >= m_rowCount || column < 0 || column >= m_fieldNames.size())
        return false;
    const db::Cell &cell = m_cells[size_t(row) * size_t(m_fieldNames.size()) + size_t(column)];
    if (cell.type != db::Text)
        return false;
    *text = QByteArrayView(m_text.constData() + cell.number, qsizetype(cell.length));
    return true;
}

QVariant DbQuery::value(int row, int column) const
{
    const db::Cell &cell = m_cells[size_t(row) * size_t(m_fieldNames.size()) + size_t(column)];
    switch (cell.type) {
    case db::Integer:
        return QVariant(qlonglong(cell.number));
    case db::Float: {
        double d;
        std::memcpy(&d, &cell.number, sizeof d);
        return QVariant(d);
    }
    case db::Text:
        return QVariant(storedText(m_text.constData() + cell.number, qsizetype(cell.length)));
    case db::Blob:
        return QVariant(m_text.mid(cell.number, cell.length));
    default:
        return QVariant();
    }
}

void DbQuery::close()
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

void DbQuery::first()
{
    if (m_rowCount > 0)
        setCurrentRow(0);
}

void DbQuery::next()
{
    if (m_current < 0)
        return;
    if (m_current + 1 < m_rowCount)
        setCurrentRow(m_current + 1);
    else
        m_current = m_rowCount; // past the end: Eof, no row to show
}

bool DbQuery::eof() const
{
    return m_current < 0 || m_current >= m_rowCount;
}

bool DbQuery::locate(const QString &field, int wanted)
{
    const int column = fieldIndex(field);
    if (column < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(field));
    for (int r = 0; r < m_rowCount; ++r) {
        const QVariant v = value(r, column);
        if (!v.isNull() && v.toLongLong() == wanted) {
            setCurrentRow(r);
            return true;
        }
    }
    return false;
}

int DbQuery::fieldIndex(const QString &name) const
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
    if (eof())
        throw DbError(QStringLiteral("Cannot read %1: there is no current record").arg(QLatin1String(what)));
}

QVariant DbQuery::field(const QString &name) const
{
    requireRow("a field");
    const int column = fieldIndex(name);
    if (column < 0)
        throw DbError(QStringLiteral("Field '%1' not found").arg(name));
    return value(m_current, column);
}

int DbQuery::fieldAsInteger(const QString &name) const
{
    return field(name).toInt();
}

QString DbQuery::fieldAsString(const QString &name) const
{
    const QVariant v = field(name);
    return v.isNull() ? QString(QStringLiteral("")) : v.toString();
}

bool DbQuery::fieldAsBoolean(const QString &name) const
{
    return field(name).toBool();
}

QVariant DbQuery::firstField() const
{
    requireRow("the first field");
    if (m_fieldNames.isEmpty())
        throw DbError(QStringLiteral("The query has no fields"));
    return value(m_current, 0);
}

void DbQuery::disableControls()
{
    holdNotifications();
}

void DbQuery::enableControls()
{
    releaseNotifications();
}
