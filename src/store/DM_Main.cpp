#include "store/DM_Main.h"

#include "base/MessageService.h"
#include "base/U_Constantes.h"
#include "store/Store.h"

TD_Main::TD_Main(MessageService &messages, QObject *parent)
    : QObject(parent)
    , ADOConnection()
    , m_messages(messages)
{
    // Another program may delete an artist or a CD while an editor is open on it: the save must
    // then fail and say so, not store rows that belong to nothing and that no list shows.
    ADOConnection.setForeignKeys(true);
    // Said once the action under way is over, never in its middle (a list may be read on another thread).
    connect(&ADOConnection, &DbConnection::reconnected, this,
            [this] { m_messages.information(U_Constantes::ServerReconnected); }, Qt::QueuedConnection);
}

void TD_Main::OpenDatabase(const QString &path)
{
    ADOConnection.setLocation(path);
    try {
        ADOConnection.Open();
        if (ADOConnection.readOnly() && !m_readOnlyWanted)
            m_messages.information(U_Constantes::CatalogueReadOnly.arg(path));
    } catch (const DbError &e) {
        const QString reason = usersReason(e);
        if (reason.isEmpty())
            m_messages.error(U_Constantes::ProblemConnecting + U_Constantes::LineBreak + e.text());
        else
            m_messages.showDetailed(MessageService::Kind::Error, U_Constantes::ProblemConnecting + U_Constantes::LineBreak + reason,
                                    e.text());
    }
}

void TD_Main::CloseDatabase()
{
    ADOConnection.Close();
}

int TD_Main::LastID()
{
    return int(ADOConnection.lastInsertId());
}
