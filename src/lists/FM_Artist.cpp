#include "lists/FM_Artist.h"

#include "grid/DxGrid.h"
#include "store/DM_Artist.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_Artist::TF_Artist(TD_Artist &store, EditArtist showEditArtist, MessageService &messages, QWidget *parent)
    : TListWindow({ArtistWindowCaption, QSize(556, 366), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditArtist))
{
    DxGrid *list = ArtistsList();
    list->setObjectName(QStringLiteral("ArtistsList"));
    list->setColumns({
        {.field = QStringLiteral("ART_ID"), .hidden = true},
        {.field = QStringLiteral("ART_NAME"), .caption = ColArtistName},
    });
    list->setGroupPanelVisible(false);
    list->setDefaultOrder({QStringLiteral("ART_NAME")}); // what its query orders by
    list->setRows(&store.listRows());

    DxGrid *detail = addDetail(ArtistCDsCaption);
    detail->setObjectName(QStringLiteral("dxDBGrid1"));
    detail->setColumns({{.field = QStringLiteral("CD_ID"), .hidden = true}, {.field = QStringLiteral("CD_LABEL")}});
    detail->setRows(&store.cdRows());
    // The detail follows the focused row; a double click in it opens nothing.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.OpenDetail(); });
}

QString TF_Artist::confirmDeleteText() const
{
    return ConfirmDeleteArtists;
}

void TF_Artist::deleteRecord(int id)
{
    m_store.DeleteArtist(id);
}

void TF_Artist::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_Artist::editFirstSelected()
{
    m_edit(selectedId(0), mainGrid()->selectedText(0, 1));
}
