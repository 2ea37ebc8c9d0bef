#pragma once

// What one database engine gives the catalogue's connection and queries: a session, its statements
// and their rows. The connection and the queries above stay the same whatever the engine; a
// catalogue path opens an SQLite file, a postgresql:// address a PostgreSQL server.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace db {

enum class Engine { SQLite, PostgreSQL };

// A value in a snapshot, compact: texts and blobs live in the snapshot's one buffer.
enum CellType : quint8 { Null, Integer, Float, Text, Blob };
struct Cell {
    qint64 number;  // an integer, a double's bits, or a text's offset in the buffer
    quint32 length; // a text's or blob's byte count
    quint8 type;    // CellType
};

// The rows a statement answered: names, one cell per value row by row, the texts' bytes.
struct Rows {
    QStringList names;
    std::vector<Cell> cells;
    QByteArray text;
    int count = 0;
    // Called with the count every few thousand rows; false stops the read, which then ends early
    // with `stopped` set and no failure.
    std::function<bool(int count)> checkpoint;
    bool stopped = false;
    static constexpr int CheckpointRows = 4096;
};

// A parameter as a query holds it: a text already in UTF-8, so binding copies nothing.
struct Param {
    QString name;
    bool isNull = false;
    bool isText = false;
    qint64 number = 0;
    QByteArray text;
};

class Statement
{
public:
    virtual ~Statement() = default;
    // Runs with the parameters the statement names (those never set are NULL); `rows`, when given,
    // receives every row. `sameParams` says the list of names is the one of the last run.
    // Answers the rows changed; raises DbError with the engine's text.
    virtual int run(const std::vector<Param> &params, bool sameParams, Rows *rows) = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;
    virtual Engine engine() const = 0;

    // Opens the catalogue at `location` and makes sure it is one; raises DbError. A read-only
    // session changes nothing, not even the file's header. A writing session first upgrades a
    // catalogue of an earlier version; either refuses one of a later version.
    virtual void open(const QString &location, bool foreignKeys, int busyTimeoutMs, bool readOnly) = 0;
    // Only reads: asked for, or the catalogue cannot be written by this user or on its medium.
    virtual bool readOnly() const = 0;
    // Where the copy of the catalogue made before the upgrade on opening is, in the user's words;
    // empty when the session made none.
    virtual QString upgradeCopy() const { return {}; }
    // Rolls back whatever is open and ends the session.
    virtual void close() = 0;
    virtual void setBusyTimeoutMs(int ms) = 0;
    // Called when a session the server ended between two transactions was made again; an engine
    // whose sessions never end on their own never calls it.
    virtual void setReconnected(const std::function<void()> &told) { Q_UNUSED(told); }

    // One statement, no parameters, rows dropped.
    virtual void exec(const QString &sql) = 0;
    // A statement as it is written, its parameters named ":NAME"; null for a statement of only white
    // space or a comment.
    virtual std::unique_ptr<Statement> prepare(const QString &sql, bool reused) = 0;

    // The number the last insert of this session drew for its key; 0 before the session drew one.
    // Another session's inserts never change it.
    virtual qint64 lastInsertId() = 0;
    // The highest number `key` of `table` was ever given, rows deleted since included (0 for none),
    // and setting it so that the next insert draws above `high`: a copy of a catalogue keeps its
    // numbers, and a cover named after a CD's number is never taken by another CD.
    virtual qint64 highWater(const QString &table, const QString &key) = 0;
    virtual void setHighWater(const QString &table, const QString &key, qint64 high) = 0;

    // Counters that tell a later state of the catalogue from an earlier one: commits of other
    // sessions, and rows this session changed. False when the engine cannot tell, and lists are then
    // read again each time.
    virtual bool changeCounters(qint64 *others, qint64 *own) const
    {
        Q_UNUSED(others);
        Q_UNUSED(own);
        return false;
    }
};

std::unique_ptr<Backend> makeSqliteBackend();
std::unique_ptr<Backend> makePostgresBackend();

// The engine measures a text only up to a NUL, so its length checks would let an over-long text
// through; a catalogue made before the schema refused NUL has no check of its own either, and a
// server takes no NUL at all. Raises DbError naming the parameter.
void refuseNul(const Param &param);

// Runs a script of the server's own SQL in a session of its own, without asking for a catalogue
// there; raises DbError with the server's text.
void runServerScript(const QString &address, const QString &script);

// postgresql:// and postgres:// address a server; anything else names a file. The one place that tells.
bool isServerLocation(const QString &location);

// The server takes its parameters by place ($1, $2...): each ":NAME" of `sql` as the place of its
// name in `names`, a name used twice taking one place. What is not a parameter stays as it is: a
// literal, a quoted name, a comment, a "::" cast.
QByteArray positionalParameters(const QString &sql, QStringList *names);

} // namespace db
