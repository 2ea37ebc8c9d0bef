#include "lists/FM_DataItems.h"

#include "grid/DxGrid.h"
#include "store/DM_DataItems.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_DataItems::TF_DataItems(TD_DataItems &store, EditDataCD showEditDataCD, MessageService &messages, QWidget *parent)
    : TListWindow({DataItemsWindowCaption, QSize(329, 219), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditDataCD))
{
    DxGrid *list = DataItemsList();
    list->setObjectName(QStringLiteral("DataItemsList"));
    list->setColumns({
        {.field = QStringLiteral("DATA_ID"), .hidden = true},
        {.field = QStringLiteral("DATA_LABEL"), .caption = ColItemName},
        {.field = QStringLiteral("CD_TITLE"), .caption = ColCDTitle},
    });
    list->setGroupPanelVisible(true);
    list->setRows(&store.listRows());
}

void TF_DataItems::deleteRecord(int id)
{
    m_store.DeleteDataItem(id);
}

void TF_DataItems::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_DataItems::editFirstSelected()
{
    // The focused item's data CD, which need not be the first selected row's.
    m_edit(m_store.currentCdId());
}
