#pragma once

#include "store/DbEngine.h"
#include "store/Records.h"

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The store's failures as the log records them: what failed and the engine's words, whether or not
// the user was told.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

// What a write came to: stored, or not, and then why. A write that failed was rolled back whole and
// the user was told; `error()` is the engine's failure (lockBusy() when the user stopped waiting for
// another program).
class WriteResult
{
public:
    WriteResult() = default; // stored
    explicit WriteResult(DbError error)
        : m_error(std::move(error))
    { }
    bool stored() const { return !m_error; }
    // A caller that only asks whether it was stored reads the result as a bool.
    operator bool() const { return stored(); }
    const std::optional<DbError> &error() const { return m_error; }

private:
    std::optional<DbError> m_error;
};

class MessageService;
class CatalogueConnection;

// What the user is told of an engine's failure, in the user's words, from its cause; empty when
// there is nothing better to say than the engine's text. `parentGone`: what a row refers to, when
// another program deleted it meanwhile.
QString usersReason(const DbError &error, const QString &parentGone = {});

// What every store shares: the connection, the message service, and the way a write reports its
// failure (roll back first, then the warning, never passed on).
class Store : public QObject
{
    Q_OBJECT
public:
    Store(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    // Runs between two inserts of a long list, inside its transaction, for a test to look at the
    // catalogue then; none by default. The store serves no events of the windows' itself: whatever
    // they ran could reach the catalogue in the middle of the write.
    using EventHook = std::function<void()>;
    void setEventHook(EventHook hook) { m_eventHook = std::move(hook); }

    // The rows of the store's list, for the list window's grid.
    virtual RowSource &listRows() = 0;
    int count() { return listRows().rowCount(); }
    // The list is open and nothing was written to the catalogue since it was read: reading it again
    // would give the same rows.
    bool listUpToDate();

    // The catalogue's connection, for what lives beside the rows (the covers).
    DbConnection &connection() const;

protected:
    // One transaction around `statements`; on an engine failure: roll back, warn, answer the failure.
    // While another program holds the catalogue, the main's lock waiter (if any) tries again until
    // it gets through or the user stops waiting, which answers the lock's failure without a warning.
    // `failureMessage` is read only once the statements have failed, so they may change it.
    WriteResult write(const QString &failureMessage, const std::function<void()> &statements);
    void warn(const QString &failureMessage, const DbError &error);
    // Between two items of a long list (see setEventHook).
    void betweenItems();

    // Reads a list again and stands again on the row with the same key, else on the first; the read
    // runs through `runner`, and a stopped read leaves the list as it was.
    static void reopenKeepingRow(DbQuery &list, const QString &keyField, const StepRunner &runner = {});
    // Reopens a detail for the list's current row; no current row gives key 0, which matches nothing.
    static void reopenDetail(DbQuery &detail, const DbQuery &list, const QString &keyField);
    // Stands the list on the row whose key is `key`. The list is a snapshot: a row added since it
    // was read is only found after `refresh`, which runs once when needed. False when the row is
    // in neither, and never any other row then, so nothing is saved onto the wrong record.
    static bool locateRefreshing(DbQuery &list, const QString &keyField, int key, const std::function<void()> &refresh);
    // Every row's text of one field, in the snapshot's order, leaving the current row alone.
    static QStringList column(const DbQuery &query, const QString &field);
    // One field of the current row as an integer; 0 when there is no current row.
    static int currentKey(const DbQuery &query, const QString &field);
    // A text field of the current row; NULL gives a null QString, an empty text an empty one.
    static QString textOrNull(const DbQuery &query, const QString &field);
    // A null text binds NULL, any other its characters, an empty one included.
    static void bindText(DbQuery &query, const QString &name, const QString &value);

    // An update that found no row to change: another program deleted the record while its editor
    // was open. Without this the save would end in silence with nothing stored.
    static void requireRowChanged(const DbQuery &update, const QString &what);

    CatalogueConnection &m_main;
    MessageService &m_messages;
    // Said when a write names a row another program deleted meanwhile; a store says which row it is.
    QString m_parentGone;

private:
    EventHook m_eventHook;
};
