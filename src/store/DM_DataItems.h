#pragma once

#include "store/Store.h"

// Every item of every data CD with its CD's title; deletes single items.
class TD_DataItems : public Store
{
    Q_OBJECT
public:
    TD_DataItems(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_DataItems; }
    // The CD of the row the list stands on; 0, which names no CD, when there is none.
    int currentCdId() const { return currentKey(ADOQuery_DataItems, QStringLiteral("CD_ID")); }
    WriteResult DeleteDataItem(int itemId);

    DbQuery ADOQuery_DataItems;
    DbQuery ADOQuery_DeleteDataItem;
};
