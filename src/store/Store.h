#pragma once

#include "store/DbEngine.h"

#include <QObject>
#include <QString>

#include <functional>

class MessageService;
class TD_Main;

// What every store shares: the connection, the message service, and the way a write reports its
// failure (roll back first, then the warning, never passed on).
class Store : public QObject
{
    Q_OBJECT
public:
    Store(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    // Runs between two inserts of a long list so the windows stay responsive; tests observe it.
    using EventHook = std::function<void()>;
    void setEventHook(EventHook hook) { m_eventHook = std::move(hook); }

protected:
    // One transaction around `statements`; on an engine failure: roll back, warn, answer false.
    bool write(const QString &failureMessage, const std::function<void()> &statements);
    void warn(const QString &failureMessage, const DbError &error);
    void processEvents();

    // Reopens a list and stands again on the row with the same key, else on the first.
    static void reopenKeepingRow(DbQuery &list, const QString &keyField);
    // Reopens a detail for the list's current row; no current row gives key 0, which matches nothing.
    static void reopenDetail(DbQuery &detail, const DbQuery &list, const QString &keyField);

    DbConnection &connection() const;

    TD_Main &m_main;
    MessageService &m_messages;

private:
    EventHook m_eventHook;
};
