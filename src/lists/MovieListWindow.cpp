#include "lists/MovieListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/MovieStore.h"

using namespace Texts;

MovieListWindow::MovieListWindow(MovieStore &store, EditMovie showEditMovie, MessageService &messages, QWidget *parent)
    : ListWindow({MoviesWindowCaption, QSize(383, 237), false, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditMovie))
{
    DxGrid *list = moviesList();
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

void MovieListWindow::deleteRecord(int id)
{
    m_store.deleteMovie(id);
}

void MovieListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void MovieListWindow::editFirstSelected()
{
    m_edit(selectedId(0));
}
