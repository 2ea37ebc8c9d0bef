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
    void RefreshList();
    void DeleteDataItem(int itemId);

    DbQuery ADOQuery_DataItems;
    DbQuery ADOQuery_DeleteDataItem;
};
