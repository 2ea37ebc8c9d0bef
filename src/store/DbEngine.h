#pragma once

// The catalogue's database engine: one connection and named queries on it, over an SQLite file
// (the sqlite3 C API) or a PostgreSQL server (libpq). The snapshots are read through those APIs into
// compact cells (a million rows through Qt's SQL classes, a QVariant a value, took twice the time
// and the memory), so it owns the connection too. The stores write SQL that both engines take as it
// is written, with ":NAME" parameters, which each engine binds by name.

#include "base/RowSource.h"
#include "base/StepProgress.h"
#include "store/DbBackend.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <vector>

// Every engine failure. what() and text() carry the engine's own message; cause() tells, from the
// engine's result code (SQLite's extended code, the server's SQLSTATE), what the program can say of
// it in the user's words.
class DbError : public std::runtime_error
{
public:
    enum class Cause {
        Other,
        // Another program held the lock longer than the connection waits; the same transaction may
        // succeed once it lets go.
        LockBusy,
        // A row refers to one (an artist, a CD) that another program deleted meanwhile.
        ParentGone,
        // A text holds a NUL; subject() names its parameter, or is empty when none is known.
        NulInText,
        // Nothing answered at the server's address; subject() is that address, host:port.
        ServerSilent,
        // The file or database opened lacks a table of the catalogue's.
        NotACatalogue,
    };

    explicit DbError(const QString &text, bool lockBusy = false);
    DbError(const QString &text, Cause cause, const QString &subject = {});
    QString text() const { return m_text; }
    bool lockBusy() const { return m_cause == Cause::LockBusy; }
    Cause cause() const { return m_cause; }
    QString subject() const { return m_subject; }

private:
    QString m_text;
    Cause m_cause = Cause::Other;
    QString m_subject;
};

class DbConnection : public QObject
{
    Q_OBJECT
public:
    explicit DbConnection(QObject *parent = nullptr);
    ~DbConnection() override;

    // A catalogue file's path, or postgresql://user@host:port/dbname for a server; from the next open on.
    void setLocation(const QString &location) { m_location = location; }
    QString location() const { return m_location; }

    // How long a statement waits for another program's write lock before it fails. The windows
    // wait through the main's lock waiter instead (see CatalogueConnection::setLockWaiter); a tool, waiting
    // here, outlasts any short write of another program.
    static constexpr int DefaultBusyTimeoutMs = 10000;
    void setBusyTimeoutMs(int ms);
    int busyTimeoutMs() const { return m_busyTimeoutMs; }

    // Whether the schema's keys hold for this connection's writes, from its next open on. SQLite
    // holds them per connection and only when asked; the program's catalogue connection asks, while
    // a bare connection (a tool's, or a fixture seeding rows of its own) writes as another program.
    void setForeignKeys(bool on) { m_foreignKeys = on; }
    // From the next open on, reads only: a tool copying a catalogue leaves its source as it was.
    void setReadOnly(bool on) { m_readOnly = on; }

    // Opens an existing catalogue; never creates one, and never writes to a file or database that
    // is not a catalogue. Raises DbError with the engine's text.
    void open();
    // Rolls back an open transaction and closes every query on the connection.
    void close();
    bool connected() const;
    // Open for reading only: asked for, or the catalogue cannot be written by this user or on its
    // medium (the program then turns its writing commands off).
    bool readOnly() const;
    // The engine the connection string names, open or not.
    db::Engine engine() const;
    // Where the copy made before the catalogue was upgraded on this opening is, in the user's words
    // (a file's path, a server's schema); empty when it was not upgraded.
    QString upgradeCopy() const;

    // What tells one state of the catalogue from a later one as this connection sees it: another
    // connection's commit, a row this connection wrote, a new connection. Equal stamps: the same rows.
    struct ChangeStamp {
        qint64 opening = -1;
        qint64 others = -1;
        qint64 own = -1;
        bool operator==(const ChangeStamp &) const = default;
    };
    ChangeStamp changeStamp() const;

    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    bool inTransaction() const { return m_inTransaction; }

    // See db::Backend; each opens the connection when it is closed.
    qint64 lastInsertId();
    qint64 highWater(const QString &table, const QString &key);
    void setHighWater(const QString &table, const QString &key, qint64 high);

signals:
    void closing();
    // The server ended the session between two transactions (it restarted) and a new one was made:
    // nothing was lost, but the user should know. Sent from the thread that found it.
    void reconnected();

private:
    // Queries prepare their statements on the back end; nothing outside the engine reaches it.
    friend class DbQuery;

    QString m_location;
    std::unique_ptr<db::Backend> m_backend;
    int m_busyTimeoutMs = DefaultBusyTimeoutMs;
    bool m_inTransaction = false;
    bool m_foreignKeys = false;
    bool m_readOnly = false;
    qint64 m_openings = 0;
};

// A named query. Its SQL is fixed or replaced before running; ":NAME" parameters are set by name.
// A row-returning query is read in full on Open: the rows are a snapshot with a current row that
// bound views follow (currentRowChanged) and move (setCurrentRow).
class DbQuery : public RowSource
{
    Q_OBJECT
public:
    DbQuery(DbConnection &connection, const QStringList &sqlLines = {}, QObject *parent = nullptr);
    ~DbQuery() override;

    DbConnection &connection() const { return m_connection; }

    // Lines are joined with CR LF, which the engine reads as white space.
    void setSQL(const QStringList &lines);
    void setSQL(const QString &text);
    QString sql() const { return m_sql; }

    void setParam(const QString &name, int value);
    void setParam(const QString &name, const QString &value);
    void setParam(const QString &name, const char *value) { setParam(name, QString::fromUtf8(value)); }
    // A whole number, a text, or NULL for a null QVariant, as the variant holds.
    void setParam(const QString &name, const QVariant &value);

    void exec();
    int rowsAffected() const { return m_rowsAffected; }

    void open();
    // Reads the rows again while the snapshot stays as it is, through `runner` (see runStep). The
    // read may run on another thread, and then has the connection to itself until it ends: nothing
    // else may use it meanwhile. The new rows take the old ones' place, and views hear it, here and
    // only when the read ran to its end; stopped, it leaves the snapshot as it was and answers false.
    // A closed query is opened so.
    bool reopen(const StepRunner &runner);
    void close();
    bool active() const { return m_active; }
    // Open, and reading it again would give the same rows: same SQL and parameters, and nothing
    // written to the catalogue since it was read.
    bool upToDate() const;

    // Current row; -1 on a closed or empty query.
    int recNo() const { return m_current; }
    void setCurrentRow(int row) override;
    void first();
    void next();
    bool eof() const;
    // Moves to the first row whose field equals value; leaves the current row alone when none does.
    bool locate(const QString &field, int wanted);

    QVariant field(const QString &name) const;
    int fieldAsInteger(const QString &name) const;
    QString fieldAsString(const QString &name) const;
    bool fieldAsBoolean(const QString &name) const;
    QVariant firstField() const;

    // The snapshot, for bound views.
    int fieldCount() const override { return int(m_fieldNames.size()); }
    QString fieldName(int column) const override { return m_fieldNames.value(column); }
    int fieldIndex(const QString &name) const override;
    QVariant value(int row, int column) const override;

    // Bound views do not follow the query between the two calls; they catch up on the last Enable.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return notificationsHeld(); }

    // RowSource: rowsReset is not sent while controls are disabled.
    int rowCount() const override { return m_active ? m_rowCount : 0; }
    bool utf8(int row, int column, QByteArrayView *text) const override;
    int currentRow() const override { return eof() ? -1 : m_current; }

private:
    void requireRow(const char *what) const;
    // Reads the rows into `rows`; false when `progress` stopped it.
    bool read(db::Rows &rows, const StepProgress &progress);
    void adopt(db::Rows &&rows, const DbConnection::ChangeStamp &readAt);

    DbConnection &m_connection;
    QString m_sql;
    db::Param &param(const QString &name);
    void forgetPrepared();
    // Refuses a NUL, which would cut the statement short.
    std::unique_ptr<db::Statement> prepare(bool reused);

    std::vector<db::Param> m_params;
    // ExecSQL's statement, prepared once and run again for each row of a long list of inserts; made
    // again when the SQL or the connection changes. m_paramsAdded: a parameter came since its last run.
    std::unique_ptr<db::Statement> m_prepared;
    bool m_paramsAdded = true;
    bool m_emptyStatement = false;
    QStringList m_fieldNames;
    // The snapshot, compact: one cell per value, texts as UTF-8 in one buffer, made into QVariants
    // only when asked for. A million rows of QVariants cost twice the reading and the memory.
    std::vector<db::Cell> m_cells;
    QByteArray m_text;
    int m_rowCount = 0;
    int m_current = -1;
    int m_rowsAffected = 0;
    bool m_active = false;
    struct {
        size_t cells = 0;
        qsizetype textBytes = 0;
        int rows = 0;
    } m_lastRead;                       // the size of the last snapshot, kept after Close
    DbConnection::ChangeStamp m_readAt; // the catalogue as it was read; reset when the SQL or a parameter changes
};
