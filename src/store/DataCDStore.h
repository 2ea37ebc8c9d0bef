#pragma once

#include "store/Store.h"

#include <QStringList>

// Data CDs, the items of the current one, and the writes of a data CD with its items.
class DataCDStore : public Store
{
    Q_OBJECT
public:
    DataCDStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    void openDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return dataCDsQuery; }
    RowSource &itemRows() { return dataCDItemsQuery; }
    // Stands the list on the data CD (reading it again once when the CD is newer than the list),
    // and its items with it; false when the data CD is not in the catalogue.
    bool locate(int cdId);
    // The data CD the list stands on, with its items; an id of -1 when there is none.
    DataCD current() const;

    // Each all or nothing, one transaction.
    WriteResult addDataCD(const QString &title, const QStringList &items);
    // Items that are already stored as they are keep their rows.
    WriteResult updateDataCD(int cdId, const QString &title, const QStringList &items);
    WriteResult deleteDataCD(int cdId);

    DbQuery dataCDsQuery;
    DbQuery dataCDItemsQuery;
    DbQuery insertDataCDQuery;
    DbQuery insertDataItemsQuery;
    DbQuery updateDataCDQuery;
    DbQuery deleteDataItemsQuery;
    DbQuery deleteDataCDQuery;
    DbQuery storedItemsQuery;

private:
    void insertItem(int cdId, const QString &item);
};
