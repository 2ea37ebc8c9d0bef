#include "lists/DataCDListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/DataCDStore.h"

using namespace Texts;

DataCDListWindow::DataCDListWindow(DataCDStore &store, EditDataCD showEditDataCD, MessageService &messages,
                                   QWidget *parent)
    : ListWindow({DataWindowCaption, QSize(404, 291), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditDataCD))
{
    DxGrid *list = dataCDsList();
    list->setObjectName(QStringLiteral("DataCDsList"));
    list->setColumns({
        {.field = QStringLiteral("CD_ID"), .hidden = true},
        {.field = QStringLiteral("CD_TITLE"), .caption = ColTitle},
    });
    list->setGroupPanelVisible(false);
    list->setRows(&store.listRows());

    DxGrid *detail = addDetail(DataCDItemsCaption);
    detail->setObjectName(QStringLiteral("itemGrid"));
    detail->setColumns({{.field = QStringLiteral("DATA_ID"), .hidden = true}, {.field = QStringLiteral("DATA_LABEL")}});
    detail->setFlat(false);
    detail->setRows(&store.itemRows());
    // The detail follows the focused row; a double click in it opens nothing.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.openDetail(); });
}

void DataCDListWindow::deleteRecord(int id)
{
    m_store.deleteDataCD(id);
}

void DataCDListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void DataCDListWindow::editFirstSelected()
{
    m_edit(selectedId(0));
}
