#include "store/DM_Data.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_Data::TD_Data(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_DataCDs(main.ADOConnection, {QStringLiteral("select * from DATACD")})
    , ADOQuery_DataCDItems(main.ADOConnection, {QStringLiteral("select * from DATA where CD_ID = :CD_ID")})
    , ADOQuery_InsertDataCD(main.ADOConnection, {QStringLiteral("insert into DATACD (CD_TITLE) values (:CD_TITLE)")})
    , ADOQuery_InsertDataItems(main.ADOConnection,
                               {QStringLiteral("insert into DATA (CD_ID, DATA_LABEL) values (:CD_ID, :DATA_LABEL)")})
    , ADOQuery_UpdateDataCD(main.ADOConnection,
                            {QStringLiteral("update DATACD set CD_TITLE = :CD_TITLE where CD_ID = :CD_ID")})
    , ADOQuery_DeleteDataItems(main.ADOConnection, {QStringLiteral("delete from DATA where CD_ID = :CD_ID")})
    , ADOQuery_DeleteDataCD(main.ADOConnection, {QStringLiteral("delete from DATACD where CD_ID = :CD_ID")})
{
}

void TD_Data::OpenList()
{
    ADOQuery_DataCDs.Open();
}

void TD_Data::CloseList()
{
    ADOQuery_DataCDs.Close();
}

void TD_Data::OpenDetail()
{
    reopenDetail(ADOQuery_DataCDItems, ADOQuery_DataCDs, QStringLiteral("CD_ID"));
}

void TD_Data::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_DataCDs, QStringLiteral("CD_ID"), runner);
    OpenDetail();
}

void TD_Data::insertItem(int cdId, const QString &item)
{
    ADOQuery_InsertDataItems.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_InsertDataItems.setParam(QStringLiteral("DATA_LABEL"), item);
    ADOQuery_InsertDataItems.ExecSQL();
}

void TD_Data::AddDataCD(const QString &title, const QStringList &items)
{
    ADOQuery_InsertDataCD.setParam(QStringLiteral("CD_TITLE"), title);
    if (!write(U_Constantes::CDNotAdded, [&] { ADOQuery_InsertDataCD.ExecSQL(); }))
        return;
    const int cdId = m_main.LastID();
    for (const QString &item : items) {
        if (!write(U_Constantes::CDNotAdded, [&] { insertItem(cdId, item); }))
            break;
        processEvents();
    }
}

void TD_Data::UpdateDataCD(int cdId, const QString &title, const QStringList &items)
{
    // One transaction for the title, the old items and the new ones: a failure half-way must not
    // leave the CD with its old items gone and only some new ones stored.
    ADOQuery_UpdateDataCD.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_UpdateDataCD.setParam(QStringLiteral("CD_TITLE"), title);
    ADOQuery_DeleteDataItems.setParam(QStringLiteral("CD_ID"), cdId);
    write(U_Constantes::CDNotUpdated, [&] {
        ADOQuery_UpdateDataCD.ExecSQL();
        requireRowChanged(ADOQuery_UpdateDataCD, QStringLiteral("CD"));
        ADOQuery_DeleteDataItems.ExecSQL();
        for (const QString &item : items) {
            insertItem(cdId, item);
            processEvents();
        }
    });
}

void TD_Data::DeleteDataCD(int cdId)
{
    ADOQuery_DeleteDataItems.setParam(QStringLiteral("CD_ID"), cdId);
    if (!write(U_Constantes::CDsNotDeleted, [&] { ADOQuery_DeleteDataItems.ExecSQL(); }))
        return;
    ADOQuery_DeleteDataCD.setParam(QStringLiteral("CD_ID"), cdId);
    write(U_Constantes::CDsNotDeleted, [&] { ADOQuery_DeleteDataCD.ExecSQL(); });
}

bool TD_Data::locate(int cdId)
{
    if (!locateRefreshing(ADOQuery_DataCDs, QStringLiteral("CD_ID"), cdId, [this] { RefreshList(); }))
        return false;
    OpenDetail();
    return true;
}

DataCD TD_Data::current() const
{
    const DbQuery &list = ADOQuery_DataCDs;
    DataCD out;
    if (!list.Active() || list.Eof())
        return out;
    out.id = list.FieldAsInteger(QStringLiteral("CD_ID"));
    out.title = list.FieldAsString(QStringLiteral("CD_TITLE"));
    out.items = column(ADOQuery_DataCDItems, QStringLiteral("DATA_LABEL"));
    return out;
}
