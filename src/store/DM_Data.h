#pragma once

#include "store/Store.h"

#include <QStringList>

// Data CDs, the items of the current one, and the writes of a data CD with its items.
class TD_Data : public Store
{
    Q_OBJECT
public:
    TD_Data(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    void OpenDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_DataCDs; }
    RowSource &itemRows() { return ADOQuery_DataCDItems; }
    // Stands the list on the data CD (reading it again once when the CD is newer than the list),
    // and its items with it; false when the data CD is not in the catalogue.
    bool locate(int cdId);
    // The data CD the list stands on, with its items; an id of -1 when there is none.
    DataCD current() const;

    // Each all or nothing, one transaction.
    WriteResult AddDataCD(const QString &title, const QStringList &items);
    // Items that are already stored as they are keep their rows.
    WriteResult UpdateDataCD(int cdId, const QString &title, const QStringList &items);
    WriteResult DeleteDataCD(int cdId);

    DbQuery ADOQuery_DataCDs;
    DbQuery ADOQuery_DataCDItems;
    DbQuery ADOQuery_InsertDataCD;
    DbQuery ADOQuery_InsertDataItems;
    DbQuery ADOQuery_UpdateDataCD;
    DbQuery ADOQuery_DeleteDataItems;
    DbQuery ADOQuery_DeleteDataCD;
    DbQuery ADOQuery_StoredItems;

private:
    void insertItem(int cdId, const QString &item);
};
