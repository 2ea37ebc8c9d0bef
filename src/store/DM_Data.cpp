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
    , ADOQuery_StoredItems(main.ADOConnection,
                           {QStringLiteral("select DATA_LABEL from DATA where CD_ID = :CD_ID order by DATA_ID")})
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

WriteResult TD_Data::AddDataCD(const QString &title, const QStringList &items)
{
    // One transaction with its items: a failure half-way leaves no data CD holding only some of them.
    return write(U_Constantes::CDNotAdded, [&] {
        ADOQuery_InsertDataCD.setParam(QStringLiteral("CD_TITLE"), title);
        ADOQuery_InsertDataCD.ExecSQL();
        const int cdId = m_main.LastID();
        for (const QString &item : items) {
            insertItem(cdId, item);
            betweenItems();
        }
    });
}

WriteResult TD_Data::UpdateDataCD(int cdId, const QString &title, const QStringList &items)
{
    // One transaction for the title, the old items and the new ones: a failure half-way must not
    // leave the CD with its old items gone and only some new ones stored.
    ADOQuery_UpdateDataCD.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_UpdateDataCD.setParam(QStringLiteral("CD_TITLE"), title);
    ADOQuery_DeleteDataItems.setParam(QStringLiteral("CD_ID"), cdId);
    return write(U_Constantes::CDNotUpdated, [&] {
        ADOQuery_UpdateDataCD.ExecSQL();
        requireRowChanged(ADOQuery_UpdateDataCD, QStringLiteral("CD"));
        // Items saved as they are stored keep their rows and numbers.
        ADOQuery_StoredItems.Close();
        ADOQuery_StoredItems.setParam(QStringLiteral("CD_ID"), cdId);
        ADOQuery_StoredItems.Open();
        const QStringList stored = column(ADOQuery_StoredItems, QStringLiteral("DATA_LABEL"));
        ADOQuery_StoredItems.Close();
        if (stored == items)
            return;
        ADOQuery_DeleteDataItems.ExecSQL();
        for (const QString &item : items) {
            insertItem(cdId, item);
            betweenItems();
        }
    });
}

WriteResult TD_Data::DeleteDataCD(int cdId)
{
    ADOQuery_DeleteDataItems.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_DeleteDataCD.setParam(QStringLiteral("CD_ID"), cdId);
    return write(U_Constantes::CDsNotDeleted, [&] {
        ADOQuery_DeleteDataItems.ExecSQL();
        ADOQuery_DeleteDataCD.ExecSQL();
    });
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
