#include "lists/FM_CD.h"

#include "grid/DxGrid.h"
#include "store/DM_CD.h"
#include "base/U_Constantes.h"

using namespace U_Constantes;

TF_CD::TF_CD(TD_CD &store, EditAudioCD showEditAudioCD, MessageService &messages, QWidget *parent)
    : TListWindow({CDWindowCaption, QSize(492, 333), true, false}, messages, parent)
    , m_store(store)
    , m_showEditAudioCD(std::move(showEditAudioCD))
{
    DxGrid *list = AudioCDsList();
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
    tracks->setObjectName(QStringLiteral("dxDBGrid2"));
    tracks->setColumns({{.field = QStringLiteral("TR_ID"), .hidden = true}, {.field = QStringLiteral("TR_LABEL")}});
    tracks->setRows(&store.trackRows());

    // The tracks underneath always belong to the CD in focus, however the focus got there.
    connect(list, &DxGrid::focusedRowChanged, this, [this] { m_store.OpenDetail(); });
    // A track has no editor of its own: it is changed with its CD, the one selected above.
    connect(tracks, &DxGrid::doubleClicked, this, &TListWindow::EditCurrent);
}

void TF_CD::deleteRecord(int id)
{
    m_store.DeleteAudioCD(id);
}

void TF_CD::reload()
{
    m_store.RefreshList(mainGrid()->rowReader());
}

void TF_CD::editFirstSelected()
{
    m_showEditAudioCD(selectedId(0));
}
