#pragma once

#include "store/DbEngine.h"

#include <QObject>

class MessageService;

// The one connection to the catalogue, which every store's queries use.
class TD_Main : public QObject
{
    Q_OBJECT
public:
    TD_Main(MessageService &messages, QObject *parent = nullptr);

    // Reports a failure in an error box and returns with the connection closed; never raises.
    void OpenDatabase(const QString &path);
    void CloseDatabase();
    // From the next open on, reads only and says nothing of it: a tool that only reads.
    void setReadOnly(bool on)
    {
        m_readOnlyWanted = on;
        ADOConnection.setReadOnly(on);
    }

    // The identifier the last insert on this connection generated.
    int LastID();

    DbConnection ADOConnection;
    DbQuery ADOQuery_LastID;

private:
    MessageService &m_messages;
    bool m_readOnlyWanted = false;
};
