#include "lists/DataItemListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/DataItemStore.h"

using namespace Texts;

DataItemListWindow::DataItemListWindow(DataItemStore &store, EditDataCD showEditDataCD, MessageService &messages,
                                       QWidget *parent)
    : ListWindow({DataItemsWindowCaption, QSize(329, 219), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditDataCD))
{
    DxGrid *list = dataItemsList();
    list->setObjectName(QStringLiteral("DataItemsList"));
    list->setColumns({
        {.field = QStringLiteral("DATA_ID"), .hidden = true},
        {.field = QStringLiteral("DATA_LABEL"), .caption = ColItemName},
        {.field = QStringLiteral("CD_TITLE"), .caption = ColCDTitle},
    });
    list->setGroupPanelVisible(true);
    list->setRows(&store.listRows());
}

void DataItemListWindow::deleteRecord(int id)
{
    m_store.deleteDataItem(id);
}

void DataItemListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void DataItemListWindow::editFirstSelected()
{
    // The focused item's data CD, which need not be the first selected row's.
    m_edit(m_store.currentCdId());
}
