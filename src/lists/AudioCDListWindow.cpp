#include "lists/AudioCDListWindow.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "store/AudioCDStore.h"

using namespace Texts;

AudioCDListWindow::AudioCDListWindow(AudioCDStore &store, EditAudioCD showEditAudioCD, MessageService &messages,
                                     QWidget *parent)
    : ListWindow({CDWindowCaption, QSize(492, 333), true, false}, messages, parent)
    , m_store(store)
    , m_showEditAudioCD(std::move(showEditAudioCD))
{
    DxGrid *list = audioCDsList();
    list->setObjectName(QStringLiteral("AudioCDsList"));
    list->setColumns({
        {.field = QStringLiteral("CD_ID"), .hidden = true},
        {.field = QStringLiteral("CD_LABEL"), .caption = ColTitle, .width = 99},
        {.field = QStringLiteral("ART_NAME"), .caption = ColArtist, .width = 94, .sort = GridColumn::Ascending},
        {.field = QStringLiteral("BARCODE"), .caption = ColBarcode, .width = 74},
        {.field = QStringLiteral("YEAR"), .caption = ColYear, .width = 45},
        {.field = QStringLiteral("LIMITED"), .caption = ColLimited, .width = 54, .kind = GridColumn::CheckBox},
        {.field = QStringLiteral("COMMENTS"), .caption = ColComments, .width = 116, .kind = GridColumn::Memo},
    });
    list->setGroupPanelVisible(true);
    list->setDefaultOrder({QStringLiteral("CD_LABEL")}); // what its query orders by
    list->setRows(&store.listRows());

    DxGrid *tracks = addDetail(CDTracksCaption);
    tracks->setObjectName(QStringLiteral("trackGrid"));
    tracks->setColumns({{.field = QStringLiteral("TR_ID"), .hidden = true}, {.field = QStringLiteral("TR_LABEL")}});
    tracks->setRows(&store.trackRows());

    // The tracks underneath always belong to the CD in focus, however the focus got there.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.openDetail(); });
    // A track has no editor of its own: it is changed with its CD, the one selected above.
    connect(tracks, &DxGrid::doubleClicked, this, &ListWindow::editCurrent);
}

void AudioCDListWindow::deleteRecord(int id)
{
    m_store.deleteAudioCD(id);
}

void AudioCDListWindow::reload()
{
    m_store.refreshList(mainGrid()->rowReader());
}

void AudioCDListWindow::editFirstSelected()
{
    m_showEditAudioCD(selectedId(0));
}
