#include "store/CatalogueConnection.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "store/Store.h"

CatalogueConnection::CatalogueConnection(MessageService &messages, QObject *parent)
    : QObject(parent)
    , connection()
    , m_messages(messages)
{
    // Another program may delete an artist or a CD while an editor is open on it: the save must
    // then fail and say so, not store rows that belong to nothing and that no list shows.
    connection.setForeignKeys(true);
    // Said once the action under way is over, never in its middle (a list may be read on another thread).
    connect(
        &connection, &DbConnection::reconnected, this, [this] { m_messages.information(Texts::ServerReconnected); },
        Qt::QueuedConnection);
}

void CatalogueConnection::openDatabase(const QString &path)
{
    connection.setLocation(path);
    try {
        connection.open();
        if (!connection.upgradeCopy().isEmpty())
            m_messages.information(Texts::CatalogueUpgraded.arg(connection.upgradeCopy()));
        if (connection.readOnly() && !m_readOnlyWanted)
            m_messages.information(Texts::CatalogueReadOnly.arg(path));
    } catch (const DbError &e) {
        const QString reason = usersReason(e);
        if (reason.isEmpty())
            m_messages.error(Texts::ProblemConnecting + Texts::LineBreak + e.text());
        else
            m_messages.showDetailed(MessageService::Kind::Error, Texts::ProblemConnecting + Texts::LineBreak + reason,
                                    e.text());
    }
}

void CatalogueConnection::closeDatabase()
{
    connection.close();
}

int CatalogueConnection::lastId()
{
    return int(connection.lastInsertId());
}
