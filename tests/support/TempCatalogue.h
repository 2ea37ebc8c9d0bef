#pragma once

#include "store/DbBackend.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <sqlite3.h>

struct pg_conn;

// A fresh, empty catalogue plus a second, raw connection to it: the way another program sharing it
// would see it, used to seed rows, install triggers and look. On SQLite the catalogue is a file in a
// temporary folder; on PostgreSQL a schema of its own in the test server's database, dropped at the
// end, which path() reaches through the address's search path.
//
// A test program runs against the engine DADUDU_TEST_ENGINE names ("postgresql", else SQLite); the
// test server's address is read from the file DADUDU_TEST_PG_URL_FILE names (tests/support/pg-server.sh).
class TempCatalogue
{
public:
    static db::Engine engineUnderTest();
    // Why the engine under test cannot be had, for QSKIP; empty when it can.
    static QString unavailable();
    // The test server's database, without a schema of its own.
    static QString serverAddress();

    explicit TempCatalogue(db::Engine engine = engineUnderTest());
    ~TempCatalogue();

    db::Engine engine() const { return m_engine; }
    bool isServer() const { return m_engine == db::Engine::PostgreSQL; }
    QString folder() const { return m_dir.path(); }
    // The file's path, or the server address of the catalogue's schema.
    QString path() const;

    // Runs SQL of the engine's own dialect on the side connection; fails the calling test on an
    // error. On the server the side connection writes as a replica does, past the keys, so orphan
    // rows can be seeded as on an old file; rows seeded with their identifiers move the sequences on.
    void exec(const QString &sql);
    // First column of the first row, or an invalid QVariant when there is no row.
    QVariant scalar(const QString &sql);
    qint64 count(const QString &table, const QString &where = {});
    // Every row's columns joined by '|', rows in the query's order.
    QStringList rows(const QString &sql);

    // SQL for what differs between the engines: a value's storage class ("text", "integer", "null"),
    // and a column's values joined with ',' in the order of `orderBy`.
    QString typeOf(const QString &expression) const;
    QString joined(const QString &expression, const QString &orderBy) const;

    // Makes the next insert into `table` whose `column` equals `value` fail inside the engine.
    void failInsertWhen(const QString &table, const QString &column, const QString &value);
    void failDeleteFrom(const QString &table);
    // A delete from `table` fails with `message` when `condition` (on old.COLUMN) holds.
    void failDeleteWhen(const QString &table, const QString &condition, const QString &message);

    // Holds the write lock as another program in the middle of a write would: on the server, a
    // lock on every table that lets readers through.
    void holdWriteLock();
    void releaseWriteLock();

    // Server only: restarts the test server, which ends every session on it, as an administrator's
    // restart does; the side connection is made again. False, after failing the test, when it could not.
    bool restartServer();
    // Server only: the catalogue's address as a role of its own that must give `password` (the
    // server's other users need none); empty on a file.
    QString passwordRoleAddress(const QString &password);

    // SQLite only: the side connection's handle.
    sqlite3 *side();

private:
    void serverExec(const QString &sql);
    void startSideSession(bool asReplica);

    db::Engine m_engine;
    QTemporaryDir m_dir;
    sqlite3 *m_side = nullptr;
    pg_conn *m_pg = nullptr;
    QString m_schema;
    int m_triggers = 0;
};
