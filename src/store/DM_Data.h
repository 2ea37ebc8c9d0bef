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
    void RefreshList();

    void AddDataCD(const QString &title, const QStringList &items);
    // All or nothing: on any failure the data CD keeps its title and items as they were.
    void UpdateDataCD(int cdId, const QString &title, const QStringList &items);
    void DeleteDataCD(int cdId);

    DbQuery ADOQuery_DataCDs;
    DbQuery ADOQuery_DataCDItems;
    DbQuery ADOQuery_InsertDataCD;
    DbQuery ADOQuery_InsertDataItems;
    DbQuery ADOQuery_UpdateDataCD;
    DbQuery ADOQuery_DeleteDataItems;
    DbQuery ADOQuery_DeleteDataCD;

private:
    void insertItem(int cdId, const QString &item);
};
