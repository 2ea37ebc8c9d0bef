#include "lists/TrackListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/TrackStore.h"

using namespace Texts;

TrackListWindow::TrackListWindow(TrackStore &store, EditAudioCD showEditAudioCD, MessageService &messages,
                                 QWidget *parent)
    : ListWindow({TrackWindowCaption, QSize(398, 205), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditAudioCD))
{
    DxGrid *list = trackList();
    list->setObjectName(QStringLiteral("TrackList"));
    list->setColumns({
        {.field = QStringLiteral("TR_ID"), .hidden = true},
        {.field = QStringLiteral("TR_LABEL"), .caption = ColTrackTitle},
        {.field = QStringLiteral("CD_LABEL"), .caption = ColCDTitle},
        {.field = QStringLiteral("ART_NAME"), .caption = ColArtist},
    });
    list->setGroupPanelVisible(true);
    list->setDefaultOrder({QStringLiteral("TR_LABEL")}); // what its query orders by
    list->setRows(&store.listRows());
}

void TrackListWindow::deleteRecord(int id)
{
    m_store.deleteTrack(id);
}

void TrackListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void TrackListWindow::editFirstSelected()
{
    // The focused track's CD, which need not be the first selected row's.
    m_edit(m_store.currentCdId());
}
