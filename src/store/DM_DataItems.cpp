#include "store/DM_DataItems.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_DataItems::TD_DataItems(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_DataItems(main.ADOConnection, {QStringLiteral("select DATA_ID, DATA_LABEL, CD_TITLE, DATA.CD_ID"),
                                              QStringLiteral("from DATA, DATACD where DATA.CD_ID = DATACD.CD_ID")})
    , ADOQuery_DeleteDataItem(main.ADOConnection, {QStringLiteral("delete from DATA where DATA_ID = :DATA_ID")})
{
}

void TD_DataItems::OpenList()
{
    ADOQuery_DataItems.Open();
}

void TD_DataItems::CloseList()
{
    ADOQuery_DataItems.Close();
}

void TD_DataItems::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_DataItems, QStringLiteral("DATA_ID"), runner);
}

WriteResult TD_DataItems::DeleteDataItem(int itemId)
{
    ADOQuery_DeleteDataItem.setParam(QStringLiteral("DATA_ID"), itemId);
    return write(U_Constantes::ItemNotDeleted, [&] { ADOQuery_DeleteDataItem.ExecSQL(); });
}
