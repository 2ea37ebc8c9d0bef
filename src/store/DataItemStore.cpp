#include "store/DataItemStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

DataItemStore::DataItemStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , dataItemsQuery(main.connection,
                     {QStringLiteral("select DATA_ID, DATA_LABEL, CD_TITLE, DATA.CD_ID"),
                      // An item whose data CD is gone, or that names none, is listed all the same.
                      QStringLiteral("from DATA left join DATACD on DATACD.CD_ID = DATA.CD_ID")})
    , deleteDataItemQuery(main.connection, {QStringLiteral("delete from DATA where DATA_ID = :DATA_ID")})
{ }

void DataItemStore::openList()
{
    dataItemsQuery.open();
}

void DataItemStore::closeList()
{
    dataItemsQuery.close();
}

void DataItemStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(dataItemsQuery, QStringLiteral("DATA_ID"), runner);
}

WriteResult DataItemStore::deleteDataItem(int itemId)
{
    deleteDataItemQuery.setParam(QStringLiteral("DATA_ID"), itemId);
    return write(Texts::ItemNotDeleted, [&] { deleteDataItemQuery.exec(); });
}
