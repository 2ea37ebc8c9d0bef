#include "lists/FM_Movies.h"

#include "grid/DxGrid.h"
#include "store/DM_Movie.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_Movies::TF_Movies(TD_Movie &store, EditMovie showEditMovie, MessageService &messages, QWidget *parent)
    : TListWindow({MoviesWindowCaption, QSize(383, 237), false, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditMovie))
{
    DxGrid *list = MoviesList();
    list->setObjectName(QStringLiteral("MoviesList"));
    list->setColumns({
        {.field = QStringLiteral("MOV_ID"), .hidden = true},
        {.field = QStringLiteral("MOV_TITLE"), .caption = ColTitle},
        {.field = QStringLiteral("MOV_TYPE"), .caption = ColType},
    });
    list->setGroupPanelVisible(true);
    list->setDefaultOrder({QStringLiteral("MOV_TITLE")}); // what its query orders by
    list->setRows(&store.listRows());
}

void TF_Movies::deleteRecord(int id)
{
    m_store.DeleteMovie(id);
}

void TF_Movies::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_Movies::editFirstSelected()
{
    // Filled from the grid's texts, not reread from the catalogue.
    m_edit(selectedId(0), mainGrid()->selectedText(0, 1), mainGrid()->selectedText(0, 2));
}
