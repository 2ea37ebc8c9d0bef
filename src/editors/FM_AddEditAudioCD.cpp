#include "editors/FM_AddEditAudioCD.h"

#include "base/Collation.h"
#include "base/WaitCursor.h"
#include "editors/CoverImage.h"
#include "base/WindowFont.h"
#include "base/DialogService.h"
#include "disc/FM_ChooseCD.h"
#include "disc/U_Tools.h"
#include "store/DM_Artist.h"
#include "store/CoverStore.h"
#include "store/DM_CD.h"
#include "store/DbEngine.h"
#include "base/MessageService.h"
#include "base/U_Constantes.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QAbstractItemView>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QFutureWatcher>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

namespace {

using Anchor = AnchoredLayout::Anchor;

constexpr int TrackImage = 1;

QIcon listImage(int index)
{
    QStyle *style = QApplication::style();
    return style->standardIcon(index == TrackImage ? QStyle::SP_MediaVolume : QStyle::SP_DriveCDIcon);
}

// Until a cover is chosen: a musical note beside a loudspeaker on a grey-blue ground.
QPixmap placeholderPicture()
{
    QPixmap pixmap(161, 112);
    pixmap.fill(QColor(0x70, 0x84, 0xA0));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF2, 0xF2, 0xF2));
    // The note: a head, a stem and a flag.
    p.save();
    p.translate(50, 78);
    p.rotate(-20);
    p.drawEllipse(QRectF(-13, -9, 26, 18));
    p.restore();
    p.drawRect(QRectF(58, 26, 4, 50));
    QPainterPath flag;
    flag.moveTo(62, 26);
    flag.cubicTo(72, 34, 84, 40, 78, 58);
    flag.cubicTo(80, 46, 72, 42, 62, 40);
    flag.closeSubpath();
    p.drawPath(flag);
    // The loudspeaker: a box, its cone and two waves.
    p.drawRect(QRectF(96, 46, 12, 20));
    QPolygonF cone;
    cone << QPointF(108, 46) << QPointF(124, 32) << QPointF(124, 80) << QPointF(108, 66);
    p.drawPolygon(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xF2, 0xF2, 0xF2), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(116, 38, 20, 36), -50 * 16, 100 * 16);
    p.drawArc(QRectF(118, 28, 32, 56), -50 * 16, 100 * 16);
    return pixmap;
}

} // namespace

TF_AddEditAudioCD::TF_AddEditAudioCD(TD_CD &cds, TD_Artist &artists, MessageService &messages, DialogService &dialogs,
                                     QWidget *parent)
    : DiscEditor(messages, parent)
    , m_cds(cds)
    , m_artists(artists)
    , m_dialogs(dialogs)
    , m_lookup(messages, [this](const QStringList &lines, const QList<bool> &marked) {
        return ChooseLine(lines, marked, this);
    })
    , m_coversFolder(QDir(QCoreApplication::applicationDirPath()).filePath(U_Constantes::CoversFolderName))
{
    setObjectName(QStringLiteral("F_AddEditAudioCD"));
    setWindowTitle(U_Constantes::NewAudioCDCaption);
    setFont(windowFont());
    buildControls();
}

void TF_AddEditAudioCD::buildControls()
{
    resize(473, 449);
    setMinimumSize(400, 360);
    AnchoredLayout &anchored = anchoredLayout();

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    anchored.place(Panel1, 8, 8, 457, 397, Anchor::AllSides);

    auto label = [this, &anchored](const QString &text, int x, int y) {
        auto *l = new QLabel(text, Panel1);
        anchored.place(l, x, y, 0, 0);
        return l;
    };
    auto bevel = [this, &anchored](int y) {
        auto *b = new QFrame(Panel1);
        b->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        anchored.place(b, 8, y, 441, 2, Anchor::Left | Anchor::Top | Anchor::Right);
    };

    label(U_Constantes::LabelScanDrive, 8, 17);
    ComboBoxEx_drive = new DriveSelector(Panel1);
    anchored.place(ComboBoxEx_drive, 112, 12, 73, 22);
    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setText(U_Constantes::BtnCDDB);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->setAutoRaise(true);
    anchored.place(SpeedButton1, 192, 12, 257, 22, Anchor::Left | Anchor::Top | Anchor::Right);
    ComboBoxEx_drive->setButton(SpeedButton1);
    bevel(40);

    label(U_Constantes::LabelTitle, 8, 56);
    Edit_title = new QLineEdit(Panel1);
    anchored.place(Edit_title, 112, 52, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    RadioButton1 = new QRadioButton(U_Constantes::RadioNewArtist, Panel1);
    anchored.place(RadioButton1, 8, 80, 100, 17);
    Edit_newartist = new QLineEdit(Panel1);
    anchored.place(Edit_newartist, 112, 78, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    RadioButton2 = new QRadioButton(U_Constantes::RadioExistingArtist, Panel1);
    anchored.place(RadioButton2, 8, 106, 100, 17);
    ComboBox_artists = new QComboBox(Panel1);
    anchored.place(ComboBox_artists, 112, 104, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    bevel(128);

    label(U_Constantes::LabelBarCode, 16, 144);
    Edit_barcode = new QLineEdit(Panel1);
    Edit_barcode->setMaxLength(13);
    anchored.place(Edit_barcode, 112, 140, 153, 21);
    label(U_Constantes::LabelYear, 16, 168);
    Edit_year = new QLineEdit(Panel1);
    Edit_year->setMaxLength(4);
    anchored.place(Edit_year, 112, 164, 49, 21);
    CheckBox_limited = new QCheckBox(U_Constantes::CheckLimited, Panel1);
    anchored.place(CheckBox_limited, 112, 190, 0, 0);
    label(U_Constantes::LabelComments, 16, 214);
    Memo_comments = new QPlainTextEdit(Panel1);
    Memo_comments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    anchored.place(Memo_comments, 112, 214, 153, 49);

    Panel2 = new QFrame(Panel1);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setCursor(Qt::PointingHandCursor);
    Panel2->setToolTip(U_Constantes::HintChooseCover);
    anchored.place(Panel2, 272, 139, 177, 126, Anchor::Top | Anchor::Right);
    Image1 = new QLabel(Panel2);
    Image1->setGeometry(8, 7, 161, 112);
    Image1->setScaledContents(true);
    Panel2->installEventFilter(this);
    Image1->installEventFilter(this);
    bevel(272);

    label(U_Constantes::LabelAddTrack, 8, 286);
    Edit_addtrack = new QLineEdit(Panel1);
    Edit_addtrack->installEventFilter(this);
    anchored.place(Edit_addtrack, 112, 282, 265, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    SpeedButton2 = new QToolButton(Panel1);
    SpeedButton2->setText(U_Constantes::BtnAddTrack);
    SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    SpeedButton2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton2->setAutoRaise(true);
    anchored.place(SpeedButton2, 384, 281, 64, 22, Anchor::Top | Anchor::Right);
    ListView_tracks = new EditableList(Panel1);
    ListView_tracks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_tracks->installEventFilter(this);
    anchored.place(ListView_tracks, 6, 312, 443, 77, Anchor::AllSides);

    PopupMenu1 = new QMenu(this);
    QAction *selectAll = PopupMenu1->addAction(U_Constantes::MenuTrackSelectAll);
    QAction *editSelected = PopupMenu1->addAction(U_Constantes::MenuTrackEdit);
    QAction *deleteSelected = PopupMenu1->addAction(U_Constantes::MenuTrackDelete);

    ProgressBar_lookup = new QProgressBar(this);
    ProgressBar_lookup->setTextVisible(true);
    ProgressBar_lookup->hide();
    anchored.place(ProgressBar_lookup, 8, 416, 296, 25, Anchor::Left | Anchor::Right | Anchor::Bottom);

    Button2 = new QPushButton(U_Constantes::BtnSaveCD, this);
    Button1 = new QPushButton(U_Constantes::BtnCancel, this);
    // Enter belongs to the track box and the list's editor, never to a button.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    anchored.place(Button2, 312, 416, 75, 25, Anchor::Right | Anchor::Bottom);
    anchored.place(Button1, 392, 416, 75, 25, Anchor::Right | Anchor::Bottom);
    setSaveAndCancel(Button2, Button1);

    // Tab leaves the comments for the picture area, which opens the picture dialog from the keyboard.
    Memo_comments->setTabChangesFocus(true);
    Panel2->setFocusPolicy(Qt::StrongFocus);
    // The flat buttons take no focus: Tab walks the fields alone.
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    QWidget *order[] = {ComboBoxEx_drive, Edit_title, RadioButton1, RadioButton2, Edit_newartist, Edit_addtrack,
                        ListView_tracks, ComboBox_artists, Edit_barcode, Edit_year, CheckBox_limited, Memo_comments,
                        Panel2, Button2, Button1};
    for (size_t k = 1; k < std::size(order); ++k)
        setTabOrder(order[k - 1], order[k]);
    const std::pair<QWidget *, const char *> names[] = {
        {Panel1, "Panel1"}, {SpeedButton1, "SpeedButton1"}, {Edit_title, "Edit_title"},
        {RadioButton1, "RadioButton1"}, {Edit_newartist, "Edit_newartist"}, {RadioButton2, "RadioButton2"},
        {ComboBox_artists, "ComboBox_artists"}, {Edit_barcode, "Edit_barcode"}, {Edit_year, "Edit_year"},
        {CheckBox_limited, "CheckBox_limited"}, {Memo_comments, "Memo_comments"}, {Panel2, "Panel2"},
        {Image1, "Image1"}, {Edit_addtrack, "Edit_addtrack"}, {SpeedButton2, "SpeedButton2"},
        {ListView_tracks, "ListView_tracks"}, {ProgressBar_lookup, "ProgressBar_lookup"}, {Button2, "Button2"},
        {Button1, "Button1"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(RadioButton1, &QRadioButton::toggled, this, [this] { UpdateArtistChoice(); });
    connect(SpeedButton1, &QToolButton::clicked, this, &TF_AddEditAudioCD::StartCDDBLookup);
    connect(SpeedButton2, &QToolButton::clicked, this, &TF_AddEditAudioCD::AddTrack);
    connect(ListView_tracks, &QListWidget::itemDoubleClicked, this, [this] { EditSelectedTrack(); });
    connect(ListView_tracks, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(ListView_tracks->viewport()->mapToGlobal(at)); });
    connect(selectAll, &QAction::triggered, ListView_tracks, &QListWidget::selectAll);
    connect(editSelected, &QAction::triggered, this, &TF_AddEditAudioCD::EditSelectedTrack);
    connect(deleteSelected, &QAction::triggered, this, &TF_AddEditAudioCD::DeleteSelectedTracks);
    connect(Button2, &QPushButton::clicked, this, [this] {
        if (EditedCDID == -1)
            SaveNewCD();
        else
            SaveEditedCD();
    });
    connect(Button1, &QPushButton::clicked, this, &TF_AddEditAudioCD::reject);

    RadioButton1->setChecked(true);
    UpdateArtistChoice();
    showPlaceholder();
}

QString TF_AddEditAudioCD::coverPath(int cdId) const
{
    return QDir(m_coversFolder).filePath(QString::number(cdId) + QStringLiteral(".jpg"));
}

void TF_AddEditAudioCD::showPlaceholder()
{
    Image1->setPixmap(placeholderPicture());
}

void TF_AddEditAudioCD::prepareNew()
{
    EditedCDID = -1;
    CoverChanged = false;
    FillArtists();
    FillDrives();
}

bool TF_AddEditAudioCD::prepareEdit(int cdId)
{
    EditedCDID = cdId;
    CoverChanged = false;
    if (!m_cds.locate(cdId)) {
        messages().warning(U_Constantes::CDNotFoundText);
        return false;
    }
    const AudioCD cd = m_cds.current();
    m_stored = cd;
    // By number: two artists may share a name, and the CD stays with its own.
    const auto artistIndex = [&] { return ComboBox_artists->findData(cd.artistId); };
    FillArtists();
    // The artist list is a snapshot too: an artist added since it was read is only found after a refresh.
    if (artistIndex() < 0) {
        m_artists.RefreshList();
        FillArtists();
    }
    FillDrives();
    setWindowTitle(U_Constantes::EditAudioCDCaption);

    m_title.show(Edit_title, cd.title);
    m_barcode.show(Edit_barcode, cd.barcode);
    m_year.show(Edit_year, cd.year);
    CheckBox_limited->setChecked(cd.limited);
    m_comments.show(Memo_comments, cd.comments);

    ListView_tracks->clear();
    for (const QString &track : cd.tracks)
        addTrackItem(track);

    RadioButton2->setChecked(true);
    ComboBox_artists->setCurrentIndex(artistIndex());

    QByteArray stored;
    try {
        stored = CoverStore(m_cds.connection(), m_coversFolder).load(cdId);
    } catch (const DbError &) {
        // The record opens all the same; the placeholder stands where the cover could not be read.
    }
    if (!stored.isEmpty())
        showStoredCover(stored);
    return true;
}

void TF_AddEditAudioCD::FillArtists()
{
    ComboBox_artists->clear();
    const QList<TArtist> artists = m_artists.artists();
    if (artists.isEmpty())
        return;
    // The catalogue orders names byte by byte, which puts "Ärzte" after "Zebra".
    QStringList names;
    for (const TArtist &artist : artists)
        names << artist.name;
    for (const qsizetype k : Collation::order(names))
        ComboBox_artists->addItem(artists[k].name, artists[k].id);
    ComboBox_artists->setCurrentIndex(0);
}

QList<TArtist> TF_AddEditAudioCD::artists() const
{
    QList<TArtist> out;
    for (int k = 0; k < ComboBox_artists->count(); ++k)
        out.append({ComboBox_artists->itemData(k).toInt(), ComboBox_artists->itemText(k)});
    return out;
}

void TF_AddEditAudioCD::FillDrives()
{
    QString drives = ListCDDrives();
    const QString image = m_lookup.preferences().discImage;
    if (!image.isEmpty() && QFileInfo(image).isFile())
        drives += (drives.isEmpty() ? QString() : U_Constantes::LineBreak) + image;
    ComboBoxEx_drive->fill(drives);
}

void TF_AddEditAudioCD::FillDrives(const QString &driveLines)
{
    ComboBoxEx_drive->fill(driveLines);
}

void TF_AddEditAudioCD::UpdateArtistChoice()
{
    const bool isNew = RadioButton1->isChecked();
    Edit_newartist->setEnabled(isNew);
    ComboBox_artists->setEnabled(!isNew);
    // Tab stops at the chosen radio button only; the arrow keys move between the two.
    RadioButton1->setFocusPolicy(isNew ? Qt::StrongFocus : Qt::ClickFocus);
    RadioButton2->setFocusPolicy(isNew ? Qt::ClickFocus : Qt::StrongFocus);
}

void TF_AddEditAudioCD::StartCDDBLookup()
{
    if (busy())
        return;
    std::optional<DiscLookup::Result> found;
    {
        // The lookup serves events while it waits: the dialog must neither start a second lookup
        // nor close under it. Cancel and closing stop it.
        BusyGuard guard(*this, [this] { m_lookup.cancel(); });
        const bool drives = SpeedButton1->isEnabled();
        SpeedButton1->setEnabled(false);
        // The bar fills as the lookup's one deadline nears.
        QTimer tick;
        const auto show = [this] {
            const qint64 budget = qMax<qint64>(1, m_lookup.clock().budget());
            ProgressBar_lookup->setValue(int((budget - m_lookup.clock().remaining()) * 1000 / budget));
        };
        connect(&tick, &QTimer::timeout, this, show);
        m_lookup.setProgress([this, show](const QString &asking) {
            ProgressBar_lookup->setFormat(U_Constantes::LookupAsking.arg(asking));
            show();
            ProgressBar_lookup->show();
        });
        ProgressBar_lookup->setRange(0, 1000);
        ProgressBar_lookup->setValue(0);
        tick.start(100);
        found = m_lookup.run(ComboBoxEx_drive->currentDrive());
        tick.stop();
        m_lookup.setProgress({});
        ProgressBar_lookup->hide();
        SpeedButton1->setEnabled(drives);
    }
    if (found)
        applyDisc(*found);
}

void TF_AddEditAudioCD::applyDisc(const DiscLookup::Result &found)
{
    const DiscCandidate &disc = found.chosen;
    if (!disc.tracks.isEmpty()) {
        ListView_tracks->clear();
        for (const QString &track : disc.tracks)
            addTrackItem(track);
    }
    // What the user typed is kept: the lookup fills only what is empty besides title, artist and tracks.
    const QString barcode = disc.barcode.isEmpty() ? found.mcn : disc.barcode;
    if (Edit_barcode->text().isEmpty() && !barcode.isEmpty())
        Edit_barcode->setText(barcode);
    if (Edit_year->text().isEmpty() && !disc.year.isEmpty())
        Edit_year->setText(disc.year);
    if (!found.cover.isEmpty() && !CoverChanged && !m_storedCover) {
        QImage image;
        if (image.loadFromData(found.cover)) {
            m_coverData = found.cover;
            Image1->setPixmap(QPixmap::fromImage(image));
            CoverChanged = true;
        }
    }
    if (!disc.hasTitle)
        return;
    if (!disc.artist.isEmpty()) {
        int existing = -1;
        for (int k = 0; k < ComboBox_artists->count() && existing < 0; ++k)
            if (sameArtistName(ComboBox_artists->itemText(k), disc.artist))
                existing = k;
        if (existing >= 0) {
            RadioButton2->setChecked(true);
            ComboBox_artists->setCurrentIndex(existing);
        } else {
            RadioButton1->setChecked(true);
            Edit_newartist->setText(disc.artist);
        }
    }
    if (!disc.title.isEmpty())
        Edit_title->setText(disc.title);
}

void TF_AddEditAudioCD::addTrackItem(const QString &title)
{
    ListView_tracks->append(listImage(TrackImage), title);
}

void TF_AddEditAudioCD::AddTrack()
{
    if (Edit_addtrack->text().isEmpty())
        messages().warning(U_Constantes::NoTrackText);
    else
        addTrackItem(Edit_addtrack->text());
    Edit_addtrack->setFocus();
    // The title stays for the next track, selected so that typing replaces it.
    Edit_addtrack->selectAll();
}

void TF_AddEditAudioCD::EditSelectedTrack()
{
    ListView_tracks->editFirstSelected();
}

void TF_AddEditAudioCD::DeleteSelectedTracks()
{
    ListView_tracks->deleteSelected();
}

QStringList TF_AddEditAudioCD::tracks() const
{
    return ListView_tracks->texts();
}

void TF_AddEditAudioCD::Image1Click()
{
    if (busy())
        return;
    const QString file = m_dialogs.openPictureName(U_Constantes::FilterPicture);
    if (!file.isEmpty())
        loadCover(file);
}

void TF_AddEditAudioCD::showStoredCover(const QByteArray &stored)
{
    // Shown once read, the placeholder meanwhile: the editor opens at once however large the file.
    // Until then a lookup takes it for a good one and leaves it in place.
    m_storedCover = true;
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QImage cover = watcher->result();
        if (cover.isNull())
            m_storedCover = false;
        // A cover chosen meanwhile is the one the user sees and saves.
        if (cover.isNull() || CoverChanged)
            return;
        Image1->setPixmap(QPixmap::fromImage(cover));
    });
    watcher->setFuture(QtConcurrent::run(&CoverImage::pictureOfData, stored));
}

bool TF_AddEditAudioCD::loadCover(const QString &path)
{
    CoverImage cover;
    {
        // Read and decoded on a thread of its own, the window answering meanwhile; the editor does
        // not close under it.
        BusyGuard guard(*this);
        WaitCursor wait;
        QFutureWatcher<CoverImage> watcher;
        QEventLoop loop;
        connect(&watcher, &QFutureWatcher<CoverImage>::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(QtConcurrent::run(&CoverImage::fromFile, path));
        if (!watcher.isFinished())
            loop.exec();
        cover = watcher.result();
    }
    if (cover.isNull()) {
        messages().error(U_Constantes::PictureNotLoadedText.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_coverData = cover.jpeg;
    Image1->setPixmap(QPixmap::fromImage(cover.picture));
    CoverChanged = true;
    return true;
}

void TF_AddEditAudioCD::writeCover(int cdId)
{
    CoverStore covers(m_cds.connection(), m_coversFolder);
    try {
        covers.save(cdId, m_coverData);
    } catch (const DbError &e) {
        // The CD is stored by now; only the picture is missing, and the user must hear of it.
        messages().warning(U_Constantes::CoverNotSavedText + U_Constantes::LineBreak + covers.whereIs(cdId)
                           + U_Constantes::LineBreak + e.text());
    }
}

AudioCD TF_AddEditAudioCD::editedCD() const
{
    AudioCD cd = m_stored;
    cd.id = EditedCDID;
    cd.artistId = ComboBox_artists->currentIndex() < 0 ? -1 : ComboBox_artists->currentData().toInt();
    cd.title = m_title.value(Edit_title->text());
    cd.barcode = m_barcode.value(Edit_barcode->text());
    cd.year = m_year.value(Edit_year->text());
    cd.limited = CheckBox_limited->isChecked();
    cd.comments = m_comments.value(Memo_comments->toPlainText());
    cd.tracks = tracks();
    return cd;
}

void TF_AddEditAudioCD::save()
{
    if (busy() || !checkTitle(Edit_title))
        return;
    const bool newArtist = RadioButton1->isChecked();
    if (newArtist && Edit_newartist->text().isEmpty()) {
        messages().warning(U_Constantes::NoArtistNameText);
        Edit_newartist->setFocus();
        return;
    }
    const AudioCD cd = editedCD();
    // The catalogue has no artist to choose.
    if (!newArtist && cd.artistId == -1)
        return;
    storeAndClose([&] {
        // The artist, the CD and its tracks in one transaction; the store has shown why it failed.
        const QString artist = newArtist ? Edit_newartist->text() : QString();
        const int cdId = EditedCDID == -1 ? m_cds.AddAudioCD(cd, artist) : m_cds.UpdateAudioCD(cd, artist) ? cd.id : -1;
        if (cdId == -1)
            return false;
        if (newArtist) {
            try {
                m_artists.RefreshList();
            } catch (const DbError &) {
                // The artist is stored; the list shows it at its next reading.
            }
        }
        // The one place a cover is written: after the commit, so a failed save leaves every file as it was.
        if (CoverChanged)
            writeCover(cdId);
        return true;
    });
}

void TF_AddEditAudioCD::SaveNewCD()
{
    save();
}

void TF_AddEditAudioCD::SaveEditedCD()
{
    save();
}

bool TF_AddEditAudioCD::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == Edit_addtrack && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            AddTrack();
            return true;
        }
        // While a title is edited its own editor has the keys, so Delete never reaches the list.
        if (watched == ListView_tracks && key == Qt::Key_Delete) {
            DeleteSelectedTracks();
            return true;
        }
        if (watched == Panel2 && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
            Image1Click();
            return true;
        }
    } else if (watched == Panel2 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // A frame draws no focus of its own: the area looks pressed while Space would open the dialog.
        Panel2->setFrameShadow(event->type() == QEvent::FocusIn ? QFrame::Sunken : QFrame::Raised);
    } else if (event->type() == QEvent::MouseButtonRelease && (watched == Panel2 || watched == Image1)) {
        Image1Click();
        return true;
    }
    return DiscEditor::eventFilter(watched, event);
}

void ShowNewAudioCD(TD_CD &cds, TD_Artist &artists, MessageService &messages, DialogService &dialogs,
                    const QString &coversFolder, QWidget *parent)
{
    TF_AddEditAudioCD dialog(cds, artists, messages, dialogs, parent);
    dialog.setCoversFolder(coversFolder);
    dialog.prepareNew();
    dialog.exec();
}

void ShowEditAudioCD(int cdId, TD_CD &cds, TD_Artist &artists, MessageService &messages, DialogService &dialogs,
                     const QString &coversFolder, QWidget *parent)
{
    TF_AddEditAudioCD dialog(cds, artists, messages, dialogs, parent);
    dialog.setCoversFolder(coversFolder);
    if (dialog.prepareEdit(cdId))
        dialog.exec();
}
