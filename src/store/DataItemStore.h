#pragma once

#include "store/Store.h"

// Every item of every data CD with its CD's title; deletes single items.
class DataItemStore : public Store
{
    Q_OBJECT
public:
    DataItemStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return dataItemsQuery; }
    // The CD of the row the list stands on; 0, which names no CD, when there is none.
    int currentCdId() const { return currentKey(dataItemsQuery, QStringLiteral("CD_ID")); }
    WriteResult deleteDataItem(int itemId);

    DbQuery dataItemsQuery;
    DbQuery deleteDataItemQuery;
};
