#include "lists/FM_Track.h"

#include "grid/DxGrid.h"
#include "store/DM_Track.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_Track::TF_Track(TD_Track &store, EditAudioCD showEditAudioCD, MessageService &messages, QWidget *parent)
    : TListWindow({TrackWindowCaption, QSize(398, 205), true, true}, messages, parent)
    , m_store(store)
    , m_edit(std::move(showEditAudioCD))
{
    DxGrid *list = TrackList();
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

void TF_Track::deleteRecord(int id)
{
    m_store.DeleteTrack(id);
}

void TF_Track::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_Track::editFirstSelected()
{
    // The focused track's CD, which need not be the first selected row's.
    m_edit(m_store.currentCdId());
}
