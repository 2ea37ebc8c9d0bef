#pragma once

#include "store/DbEngine.h"

#include <QObject>

#include <functional>

class MessageService;

// Waits for another program to let go of the catalogue without holding up the windows: calls
// `attempt` again and again, serving events in between, until it answers true; answers false when
// the user stopped waiting.
using LockWaiter = std::function<bool(const std::function<bool()> &attempt)>;

// The one connection to the catalogue, which every store's queries use.
class CatalogueConnection : public QObject
{
    Q_OBJECT
public:
    CatalogueConnection(MessageService &messages, QObject *parent = nullptr);

    // Reports a failure in an error box and returns with the connection closed; never raises.
    void openDatabase(const QString &path);
    void closeDatabase();
    // From the next open on, reads only and says nothing of it: a tool that only reads.
    void setReadOnly(bool on)
    {
        m_readOnlyWanted = on;
        connection.setReadOnly(on);
    }

    // The identifier the last insert on this connection generated; 0 before the first.
    int lastId();

    // Without one, a write waits for another program's lock inside the engine, up to the
    // connection's busy timeout, and the windows stand still meanwhile.
    void setLockWaiter(LockWaiter waiter) { m_lockWaiter = std::move(waiter); }
    const LockWaiter &lockWaiter() const { return m_lockWaiter; }

    DbConnection connection;

private:
    MessageService &m_messages;
    LockWaiter m_lockWaiter;
    bool m_readOnlyWanted = false;
};
