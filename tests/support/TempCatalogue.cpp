#include "support/TempCatalogue.h"

#include "store/CatalogueFile.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>

namespace {

const char *const Tables[] = {"ARTISTE", "CDAUDIO", "TRACK", "MOVIE", "DATACD", "DATA"};
const char *const Keys[] = {"ART_ID", "CD_ID", "TR_ID", "MOV_ID", "CD_ID", "DATA_ID"};

struct PgResult {
    explicit PgResult(PGresult *r)
        : res(r)
    { }
    ~PgResult() { PQclear(res); }
    bool ok() const
    {
        const auto s = PQresultStatus(res);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK || s == PGRES_EMPTY_QUERY;
    }
    PGresult *res;
};

void fail(const QString &text, const QString &sql)
{
    QTest::qFail(qPrintable(QStringLiteral("fixture SQL failed: %1 (%2)").arg(text, sql)), __FILE__, __LINE__);
}

} // namespace

db::Engine TempCatalogue::engineUnderTest()
{
    return qEnvironmentVariable("DADUDU_TEST_ENGINE").compare(QStringLiteral("postgresql"), Qt::CaseInsensitive) == 0
        ? db::Engine::PostgreSQL
        : db::Engine::SQLite;
}

QString TempCatalogue::serverAddress()
{
    QFile f(qEnvironmentVariable("DADUDU_TEST_PG_URL_FILE"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

QString TempCatalogue::unavailable()
{
    if (engineUnderTest() != db::Engine::PostgreSQL)
        return {};
    const QString urlFile = qEnvironmentVariable("DADUDU_TEST_PG_URL_FILE");
    if (urlFile.isEmpty())
        return QStringLiteral("PostgreSQL cases need the test server: DADUDU_TEST_PG_URL_FILE is not set "
                              "(run them through ctest, which starts tests/support/pg-server.sh)");
    if (!serverAddress().isEmpty())
        return {};
    QFile why(QFileInfo(urlFile).dir().filePath(QStringLiteral("skip")));
    return QStringLiteral("no PostgreSQL test server: ")
        + (why.open(QIODevice::ReadOnly) ? QString::fromUtf8(why.readAll()).trimmed()
                                         : QStringLiteral("the server was not started"));
}

TempCatalogue::TempCatalogue(db::Engine engine)
    : m_engine(engine)
{
    if (!isServer()) {
        createEmptyCatalogue(path());
        return;
    }
    static int made = 0;
    m_schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    m_pg = PQconnectdb(serverAddress().toUtf8().constData());
    if (PQstatus(m_pg) != CONNECTION_OK) {
        fail(QString::fromUtf8(PQerrorMessage(m_pg)), serverAddress());
        return;
    }
    PQsetNoticeProcessor(
        m_pg, [](void *, const char *) {}, nullptr);
    serverExec(QStringLiteral("create schema %1").arg(m_schema));
    startSideSession(false);
    createEmptyCatalogue(path());
    serverExec(QStringLiteral("set session_replication_role = replica"));
}

void TempCatalogue::startSideSession(bool asReplica)
{
    serverExec(QStringLiteral("set search_path = %1, public; set lock_timeout = 2000").arg(m_schema));
    if (asReplica)
        serverExec(QStringLiteral("set session_replication_role = replica"));
}

QString TempCatalogue::passwordRoleAddress(const QString &password)
{
    if (!isServer())
        return {};
    const QString role = QStringLiteral("dadudu_password_test");
    // One role of the whole server, its password set again by each test that wants it.
    serverExec(QStringLiteral("do $$ begin create role %1 login; exception when duplicate_object then null; end $$;"
                              "alter role %1 password '%2';"
                              "grant usage, create on schema %3 to %1;"
                              "grant all on all tables in schema %3 to %1;"
                              "grant all on all sequences in schema %3 to %1")
                   .arg(role, QString(password).replace(u'\'', QStringLiteral("''")), m_schema));
    // Only this role must give a password: every other connection keeps the server's trust.
    const QDir state = QFileInfo(qEnvironmentVariable("DADUDU_TEST_PG_URL_FILE")).dir();
    QFile dataFile(state.filePath(QStringLiteral("data")));
    if (!dataFile.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("no test server folder"), state.path());
        return {};
    }
    QFile hba(QString::fromUtf8(dataFile.readAll()).trimmed() + QStringLiteral("/db/pg_hba.conf"));
    if (!hba.open(QIODevice::ReadWrite)) {
        fail(hba.errorString(), hba.fileName());
        return {};
    }
    const QByteArray line = "host all " + role.toUtf8() + " 127.0.0.1/32 scram-sha-256\n";
    const QByteArray rules = hba.readAll();
    if (!rules.startsWith(line)) {
        hba.resize(0);
        hba.seek(0);
        hba.write(line + rules);
    }
    hba.close();
    serverExec(QStringLiteral("select pg_reload_conf()"));
    // The same catalogue, reached as that role.
    QString address = path();
    address.replace(QRegularExpression(QStringLiteral("://[^@/]*@")), QStringLiteral("://") + role + u'@');
    // The server reads its rules again on its own time: until a connection is asked for the password.
    const QByteArray target = address.toUtf8();
    const char *const keywords[] = {"dbname", "passfile", nullptr};
    const char *const values[] = {target.constData(), "/nonexistent", nullptr};
    for (int attempt = 0; attempt < 200; ++attempt) {
        PGconn *probe = PQconnectdbParams(keywords, values, 1);
        const bool asked = PQconnectionNeedsPassword(probe);
        PQfinish(probe);
        if (asked)
            return address;
        QTest::qWait(25);
    }
    fail(QStringLiteral("the server never asked that role for a password"), address);
    return {};
}

bool TempCatalogue::restartServer()
{
    if (!isServer())
        return false;
    // The state pg-server.sh left beside the address: the server's folder and the user it runs as.
    const QDir state = QFileInfo(qEnvironmentVariable("DADUDU_TEST_PG_URL_FILE")).dir();
    auto stateOf = [&](const QString &name) {
        QFile f(state.filePath(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    };
    const QString data = stateOf(QStringLiteral("data"));
    const QString owner = stateOf(QStringLiteral("owner"));
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toDouble() < b.toDouble(); });
    if (data.isEmpty() || versions.isEmpty()) {
        fail(QStringLiteral("no test server to restart"), state.path());
        return false;
    }
    // The options of the first start are kept by the server and used again.
    const QStringList restart{QStringLiteral("/usr/lib/postgresql/%1/bin/pg_ctl").arg(versions.last()),
                              QStringLiteral("-D"),
                              data + QStringLiteral("/db"),
                              QStringLiteral("-l"),
                              data + QStringLiteral("/server.log"),
                              QStringLiteral("-m"),
                              QStringLiteral("fast"),
                              QStringLiteral("-w"),
                              QStringLiteral("-t"),
                              QStringLiteral("60"),
                              QStringLiteral("restart")};
    QProcess pgCtl;
    if (::getuid() == 0 && !owner.isEmpty())
        pgCtl.start(QStringLiteral("runuser"),
                    QStringList{QStringLiteral("-u"), owner, QStringLiteral("--")} + restart);
    else
        pgCtl.start(restart.first(), restart.mid(1));
    if (!pgCtl.waitForFinished(90000) || pgCtl.exitStatus() != QProcess::NormalExit || pgCtl.exitCode() != 0) {
        fail(QString::fromLocal8Bit(pgCtl.readAllStandardError() + pgCtl.readAllStandardOutput()), restart.join(u' '));
        return false;
    }
    PQreset(m_pg);
    if (PQstatus(m_pg) != CONNECTION_OK) {
        fail(QString::fromUtf8(PQerrorMessage(m_pg)), serverAddress());
        return false;
    }
    startSideSession(true);
    return true;
}

TempCatalogue::~TempCatalogue()
{
    if (m_side)
        sqlite3_close(m_side);
    if (m_pg) {
        PgResult(PQexec(m_pg, "rollback"));
        PgResult(PQexec(m_pg, QStringLiteral("drop schema %1 cascade").arg(m_schema).toUtf8().constData()));
        PQfinish(m_pg);
    }
}

QString TempCatalogue::path() const
{
    if (isServer())
        return serverAddress() + QStringLiteral("?options=-csearch_path%3D") + m_schema + QStringLiteral("%2Cpublic");
    return QDir(m_dir.path()).filePath(QStringLiteral("dadudu.mdb"));
}

sqlite3 *TempCatalogue::side()
{
    if (!m_side) {
        sqlite3_open_v2(QFile::encodeName(path()).constData(), &m_side, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(m_side, 2000);
    }
    return m_side;
}

void TempCatalogue::serverExec(const QString &sql)
{
    PgResult r(PQexec(m_pg, sql.toUtf8().constData()));
    if (!r.ok())
        fail(QString::fromUtf8(PQerrorMessage(m_pg)), sql);
}

void TempCatalogue::exec(const QString &sql)
{
    if (isServer()) {
        serverExec(sql);
        if (!sql.contains(QStringLiteral("insert"), Qt::CaseInsensitive))
            return;
        // Rows given their identifiers leave the sequences behind: the next insert would take one again.
        QStringList moves;
        for (size_t i = 0; i < std::size(Tables); ++i)
            moves << QStringLiteral("select setval('%1_%2_seq', m) from (select max(%2) m from %1) x "
                                    "where m > (select case when is_called then last_value else 0 end from %1_%2_seq)")
                         .arg(QString::fromLatin1(Tables[i]).toLower(), QString::fromLatin1(Keys[i]).toLower());
        serverExec(moves.join(u';'));
        return;
    }
    char *error = nullptr;
    if (sqlite3_exec(side(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        fail(text, sql);
    }
}

QStringList TempCatalogue::rows(const QString &sql)
{
    QStringList out;
    if (isServer()) {
        PgResult r(PQexec(m_pg, sql.toUtf8().constData()));
        if (!r.ok()) {
            fail(QString::fromUtf8(PQerrorMessage(m_pg)), sql);
            return out;
        }
        for (int row = 0; row < PQntuples(r.res); ++row) {
            QStringList cols;
            for (int c = 0; c < PQnfields(r.res); ++c)
                cols << (PQgetisnull(r.res, row, c) ? QStringLiteral("<null>")
                                                    : QString::fromUtf8(PQgetvalue(r.res, row, c)));
            out << cols.join(u'|');
        }
        return out;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(side(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        fail(QString::fromUtf8(sqlite3_errmsg(side())), sql);
        return out;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cols;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
            cols << (text ? QString::fromUtf8(text) : QStringLiteral("<null>"));
        }
        out << cols.join(u'|');
    }
    sqlite3_finalize(st);
    return out;
}

QVariant TempCatalogue::scalar(const QString &sql)
{
    QVariant v;
    if (isServer()) {
        PgResult r(PQexec(m_pg, sql.toUtf8().constData()));
        if (!r.ok()) {
            fail(QString::fromUtf8(PQerrorMessage(m_pg)), sql);
            return v;
        }
        if (PQntuples(r.res) == 0 || PQnfields(r.res) == 0)
            return v;
        if (PQgetisnull(r.res, 0, 0))
            return QVariant(QMetaType(QMetaType::QString));
        const QString text = QString::fromUtf8(PQgetvalue(r.res, 0, 0));
        const Oid type = PQftype(r.res, 0);
        if (type == 20 || type == 21 || type == 23)
            return text.toLongLong();
        return text;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(side(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        fail(QString::fromUtf8(sqlite3_errmsg(side())), sql);
        return v;
    }
    if (sqlite3_step(st) == SQLITE_ROW) {
        switch (sqlite3_column_type(st, 0)) {
        case SQLITE_INTEGER:
            v = qint64(sqlite3_column_int64(st, 0));
            break;
        case SQLITE_NULL:
            v = QVariant(QMetaType(QMetaType::QString));
            break;
        default:
            v = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            break;
        }
    }
    sqlite3_finalize(st);
    return v;
}

qint64 TempCatalogue::count(const QString &table, const QString &where)
{
    return scalar(QStringLiteral("select count(*) from %1%2")
                      .arg(table, where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
        .toLongLong();
}

QString TempCatalogue::typeOf(const QString &expression) const
{
    if (!isServer())
        return QStringLiteral("typeof(%1)").arg(expression);
    return QStringLiteral(
               "case when (%1) is null then 'null' when pg_typeof(%1)::text in ('text', 'citext') then 'text' "
               "when pg_typeof(%1)::text in ('integer', 'bigint') then 'integer' else pg_typeof(%1)::text end")
        .arg(expression);
}

QString TempCatalogue::joined(const QString &expression, const QString &orderBy) const
{
    if (!isServer())
        return QStringLiteral("group_concat(%1)").arg(expression);
    return QStringLiteral("string_agg((%1)::text, ',' order by %2)").arg(expression, orderBy);
}

void TempCatalogue::failInsertWhen(const QString &table, const QString &column, const QString &value)
{
    QString literal = value;
    literal.replace(u'\'', QStringLiteral("''"));
    if (isServer()) {
        const QString name = QStringLiteral("fail_%1").arg(++m_triggers);
        serverExec(QStringLiteral("create function %1() returns trigger language plpgsql as $$ begin "
                                  "if new.%2 = '%3' then raise exception 'refused by the test trigger'; end if; "
                                  "return new; end $$; "
                                  "create trigger %1 before insert on %4 for each row execute function %1()")
                       .arg(name, column, literal, table));
        return;
    }
    exec(QStringLiteral("create trigger fail_%1 before insert on %2 when new.%3 = '%4' "
                        "begin select raise(abort, 'refused by the test trigger'); end")
             .arg(++m_triggers)
             .arg(table, column, literal));
}

void TempCatalogue::failDeleteFrom(const QString &table)
{
    failDeleteWhen(table, QStringLiteral("1 = 1"), QStringLiteral("refused by the test trigger"));
}

void TempCatalogue::failDeleteWhen(const QString &table, const QString &condition, const QString &message)
{
    QString literal = message;
    literal.replace(u'\'', QStringLiteral("''"));
    if (isServer()) {
        const QString name = QStringLiteral("fail_%1").arg(++m_triggers);
        serverExec(QStringLiteral("create function %1() returns trigger language plpgsql as $$ begin "
                                  "if %2 then raise exception '%3'; end if; return old; end $$; "
                                  "create trigger %1 before delete on %4 for each row execute function %1()")
                       .arg(name, condition, literal, table));
        return;
    }
    exec(QStringLiteral("create trigger fail_%1 before delete on %2 when %3 "
                        "begin select raise(abort, '%4'); end")
             .arg(++m_triggers)
             .arg(table, condition, literal));
}

void TempCatalogue::holdWriteLock()
{
    if (isServer())
        serverExec(QStringLiteral("begin; lock table ARTISTE, CDAUDIO, TRACK, MOVIE, DATACD, DATA in exclusive mode"));
    else
        exec(QStringLiteral("begin immediate"));
}

void TempCatalogue::releaseWriteLock()
{
    if (isServer())
        serverExec(QStringLiteral("rollback"));
    else
        exec(QStringLiteral("rollback"));
}
