#include "store/DataCDStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

DataCDStore::DataCDStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , dataCDsQuery(main.connection, {QStringLiteral("select * from DATACD")})
    , dataCDItemsQuery(main.connection, {QStringLiteral("select * from DATA where CD_ID = :CD_ID")})
    , insertDataCDQuery(main.connection, {QStringLiteral("insert into DATACD (CD_TITLE) values (:CD_TITLE)")})
    , insertDataItemsQuery(main.connection,
                           {QStringLiteral("insert into DATA (CD_ID, DATA_LABEL) values (:CD_ID, :DATA_LABEL)")})
    , updateDataCDQuery(main.connection,
                        {QStringLiteral("update DATACD set CD_TITLE = :CD_TITLE where CD_ID = :CD_ID")})
    , deleteDataItemsQuery(main.connection, {QStringLiteral("delete from DATA where CD_ID = :CD_ID")})
    , deleteDataCDQuery(main.connection, {QStringLiteral("delete from DATACD where CD_ID = :CD_ID")})
    , storedItemsQuery(main.connection,
                       {QStringLiteral("select DATA_LABEL from DATA where CD_ID = :CD_ID order by DATA_ID")})
{ }

void DataCDStore::openList()
{
    dataCDsQuery.open();
}

void DataCDStore::closeList()
{
    dataCDsQuery.close();
}

void DataCDStore::openDetail()
{
    reopenDetail(dataCDItemsQuery, dataCDsQuery, QStringLiteral("CD_ID"));
}

void DataCDStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(dataCDsQuery, QStringLiteral("CD_ID"), runner);
    openDetail();
}

void DataCDStore::insertItem(int cdId, const QString &item)
{
    insertDataItemsQuery.setParam(QStringLiteral("CD_ID"), cdId);
    insertDataItemsQuery.setParam(QStringLiteral("DATA_LABEL"), item);
    insertDataItemsQuery.exec();
}

WriteResult DataCDStore::addDataCD(const QString &title, const QStringList &items)
{
    // One transaction with its items: a failure half-way leaves no data CD holding only some of them.
    return write(Texts::CDNotAdded, [&] {
        insertDataCDQuery.setParam(QStringLiteral("CD_TITLE"), title);
        insertDataCDQuery.exec();
        const int cdId = m_main.lastId();
        for (const QString &item : items) {
            insertItem(cdId, item);
            betweenItems();
        }
    });
}

WriteResult DataCDStore::updateDataCD(int cdId, const QString &title, const QStringList &items)
{
    // One transaction for the title, the old items and the new ones: a failure half-way must not
    // leave the CD with its old items gone and only some new ones stored.
    updateDataCDQuery.setParam(QStringLiteral("CD_ID"), cdId);
    updateDataCDQuery.setParam(QStringLiteral("CD_TITLE"), title);
    deleteDataItemsQuery.setParam(QStringLiteral("CD_ID"), cdId);
    return write(Texts::CDNotUpdated, [&] {
        updateDataCDQuery.exec();
        requireRowChanged(updateDataCDQuery, QStringLiteral("CD"));
        // Items saved as they are stored keep their rows and numbers.
        storedItemsQuery.close();
        storedItemsQuery.setParam(QStringLiteral("CD_ID"), cdId);
        storedItemsQuery.open();
        const QStringList stored = column(storedItemsQuery, QStringLiteral("DATA_LABEL"));
        storedItemsQuery.close();
        if (stored == items)
            return;
        deleteDataItemsQuery.exec();
        for (const QString &item : items) {
            insertItem(cdId, item);
            betweenItems();
        }
    });
}

WriteResult DataCDStore::deleteDataCD(int cdId)
{
    deleteDataItemsQuery.setParam(QStringLiteral("CD_ID"), cdId);
    deleteDataCDQuery.setParam(QStringLiteral("CD_ID"), cdId);
    return write(Texts::CDsNotDeleted, [&] {
        deleteDataItemsQuery.exec();
        deleteDataCDQuery.exec();
    });
}

bool DataCDStore::locate(int cdId)
{
    if (!locateRefreshing(dataCDsQuery, QStringLiteral("CD_ID"), cdId, [this] { refreshList(); }))
        return false;
    openDetail();
    return true;
}

DataCD DataCDStore::current() const
{
    const DbQuery &list = dataCDsQuery;
    DataCD out;
    if (!list.active() || list.eof())
        return out;
    out.id = list.fieldAsInteger(QStringLiteral("CD_ID"));
    out.title = list.fieldAsString(QStringLiteral("CD_TITLE"));
    out.items = column(dataCDItemsQuery, QStringLiteral("DATA_LABEL"));
    return out;
}
