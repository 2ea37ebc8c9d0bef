#include "lists/ArtistListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/ArtistStore.h"

using namespace Texts;

ArtistListWindow::ArtistListWindow(ArtistStore &store, EditArtist showEditArtist, MessageService &messages,
                                   QWidget *parent)
    : ListWindow({ArtistWindowCaption, QSize(556, 366), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditArtist))
{
    DxGrid *list = artistsList();
    list->setObjectName(QStringLiteral("ArtistsList"));
    list->setColumns({
        {.field = QStringLiteral("ART_ID"), .hidden = true},
        {.field = QStringLiteral("ART_NAME"), .caption = ColArtistName},
    });
    list->setGroupPanelVisible(false);
    list->setDefaultOrder({QStringLiteral("ART_NAME")}); // what its query orders by
    list->setRows(&store.listRows());

    DxGrid *detail = addDetail(ArtistCDsCaption);
    detail->setObjectName(QStringLiteral("cdGrid"));
    detail->setColumns({{.field = QStringLiteral("CD_ID"), .hidden = true}, {.field = QStringLiteral("CD_LABEL")}});
    detail->setRows(&store.cdRows());
    // The detail follows the focused row; a double click in it opens nothing.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.openDetail(); });
}

QString ArtistListWindow::confirmDeleteText() const
{
    return ConfirmDeleteArtists;
}

void ArtistListWindow::deleteRecord(int id)
{
    m_store.deleteArtist(id);
}

void ArtistListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void ArtistListWindow::editFirstSelected()
{
    m_edit(selectedId(0));
}
