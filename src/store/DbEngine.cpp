#include "store/DbEngine.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>

namespace {

QString engineText(const QSqlError &error)
{
    // The engine's own words come first; the driver's wrapper text only when the engine said nothing.
    const QString db = error.databaseText().trimmed();
    return db.isEmpty() ? error.text().trimmed() : db;
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
    static std::atomic<int> counter{0};
    m_name = QStringLiteral("dadudu-%1").arg(++counter);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

DbConnection::~DbConnection()
{
    Close();
    QSqlDatabase::removeDatabase(m_name);
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

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DbConnection::Connected() const
{
    return database().isOpen();
}

void DbConnection::Open()
{
    if (Connected())
        return;
    const QString path = dataSourceOf(m_connectionString);
    if (path.isEmpty())
        throw DbError(QStringLiteral("No database file is named in the connection string."));

    QSqlDatabase db = database();
    // mode=rw: opening must never create a catalogue that is not there.
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open()) {
        const QString text = engineText(db.lastError());
        db.close();
        throw DbError(text);
    }
    // The first statement reads the file, so a file that is no database fails here, not later.
    // WAL lets other programs read while we write; FULL makes each commit survive a power cut.
    for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"}) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromLatin1(pragma))) {
            const QString text = engineText(q.lastError());
            q.finish();
            db.close();
            throw DbError(text);
        }
    }
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("select count(*) from sqlite_master"))) {
        const QString text = engineText(check.lastError());
        check.finish();
        db.close();
        throw DbError(text);
    }
}

void DbConnection::Close()
{
    if (!Connected())
        return;
    emit closing();
    QSqlDatabase db = database();
    if (m_inTransaction) {
        db.rollback();
        m_inTransaction = false;
    }
    db.close();
}

void DbConnection::BeginTrans()
{
    Open();
    QSqlDatabase db = database();
    if (!db.transaction())
        throw DbError(engineText(db.lastError()));
    m_inTransaction = true;
}

void DbConnection::CommitTrans()
{
    QSqlDatabase db = database();
    if (!db.commit())
        throw DbError(engineText(db.lastError()));
    m_inTransaction = false;
}

void DbConnection::RollbackTrans()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    QSqlDatabase db = database();
    if (!db.rollback())
        throw DbError(engineText(db.lastError()));
}

// ---------------------------------------------------------------------------------------------------
// Query

DbQuery::DbQuery(DbConnection &connection, const QStringList &sqlLines, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    setSQL(sqlLines);
    connect(&connection, &DbConnection::closing, this, &DbQuery::Close);
}

DbQuery::~DbQuery() = default;

void DbQuery::setSQL(const QStringList &lines)
{
    m_sql = lines.join(QStringLiteral("\r\n"));
}

void DbQuery::setSQL(const QString &text)
{
    m_sql = text;
}

void DbQuery::setParam(const QString &name, int value)
{
    for (auto &p : m_params)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    m_params.emplace_back(name, value);
}

void DbQuery::setParam(const QString &name, const QString &value)
{
    // An empty text is stored as an empty string, never NULL.
    const QVariant v = value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
    for (auto &p : m_params)
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = v;
            return;
        }
    m_params.emplace_back(name, v);
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

bool isAsciiWordChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
}

// Whether sql names ":name" as a whole word, in any case. A plain scan: compiling a pattern for
// every parameter of every statement cost more than many a small query itself.
bool namesParameter(const QString &sql, const QString &name)
{
    const QString needle = u':' + name;
    for (qsizetype at = sql.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
         at = sql.indexOf(needle, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + needle.size();
        if (end == sql.size() || !isAsciiWordChar(sql.at(end)))
            return true;
    }
    return false;
}

// Binds the parameters the statement names; a statement without any is sent exactly as written.
bool run(QSqlQuery &q, const QString &sql, const std::vector<std::pair<QString, QVariant>> &params)
{
    std::vector<const std::pair<QString, QVariant> *> used;
    for (const auto &p : params)
        if (namesParameter(sql, p.first))
            used.push_back(&p);
    if (used.empty())
        return q.exec(sql);
    if (!q.prepare(sql))
        return false;
    for (const auto *p : used)
        q.bindValue(u':' + p->first, p->second);
    return q.exec();
}

} // namespace

void DbQuery::ExecSQL()
{
    m_connection.Open();
    QSqlQuery q(m_connection.database());
    if (!run(q, dialectToEngine(), m_params))
        throw DbError(engineText(q.lastError()));
    m_rowsAffected = q.numRowsAffected();
}

void DbQuery::Open()
{
    if (m_active)
        return;
    m_connection.Open();
    QSqlQuery q(m_connection.database());
    q.setForwardOnly(true);
    if (!run(q, dialectToEngine(), m_params))
        throw DbError(engineText(q.lastError()));

    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    const int columns = int(names.size());
    std::vector<QVariant> values;
    int rows = 0;
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            values.push_back(q.value(c));
        ++rows;
    }
    if (q.lastError().isValid())
        throw DbError(engineText(q.lastError()));

    m_fieldNames = names;
    m_values = std::move(values);
    m_values.shrink_to_fit();
    m_rowCount = rows;
    m_current = rows > 0 ? 0 : -1;
    m_active = true;
    notifyReset();
}

void DbQuery::Close()
{
    if (!m_active)
        return;
    m_active = false;
    m_fieldNames.clear();
    m_values.clear();
    m_values.shrink_to_fit();
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
        const QVariant &v = Value(r, column);
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
    ++m_disabled;
}

void DbQuery::EnableControls()
{
    if (m_disabled == 0 || --m_disabled > 0)
        return;
    if (m_resetPending) {
        m_resetPending = m_currentPending = false;
        emit rowsReset();
    } else if (m_currentPending) {
        m_currentPending = false;
        emit currentRowChanged(m_current);
    }
}

void DbQuery::notifyReset()
{
    if (m_disabled > 0) {
        m_resetPending = true;
        return;
    }
    emit rowsReset();
}

void DbQuery::notifyCurrent()
{
    if (m_disabled > 0) {
        m_currentPending = true;
        return;
    }
    emit currentRowChanged(m_current);
}
