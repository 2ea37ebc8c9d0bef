#include "lists/FM_Data.h"

#include "grid/DxGrid.h"
#include "store/DM_Data.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_Data::TF_Data(TD_Data &store, EditDataCD showEditDataCD, MessageService &messages, QWidget *parent)
    : TListWindow({DataWindowCaption, QSize(404, 291), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditDataCD))
{
    DxGrid *list = DataCDsList();
    list->setObjectName(QStringLiteral("DataCDsList"));
    list->setColumns({
        {.field = QStringLiteral("CD_ID"), .hidden = true},
        {.field = QStringLiteral("CD_TITLE"), .caption = ColTitle},
    });
    list->setGroupPanelVisible(false);
    list->setRows(&store.listRows());

    DxGrid *detail = addDetail(DataCDItemsCaption);
    detail->setObjectName(QStringLiteral("dxDBGrid1"));
    detail->setColumns({{.field = QStringLiteral("DATA_ID"), .hidden = true}, {.field = QStringLiteral("DATA_LABEL")}});
    detail->setFlat(false);
    detail->setRows(&store.itemRows());
    // The detail follows the focused row; a double click in it opens nothing.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.OpenDetail(); });
}

void TF_Data::deleteRecord(int id)
{
    m_store.DeleteDataCD(id);
}

void TF_Data::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_Data::editFirstSelected()
{
    m_edit(selectedId(0));
}
