#include "editors/AudioCDEditor.h"

#include "base/Collation.h"
#include "base/DialogService.h"
#include "base/MessageService.h"
#include "base/Texts.h"
#include "base/WaitCursor.h"
#include "base/WindowFont.h"
#include "disc/ChooseCDDialog.h"
#include "disc/DriveFiles.h"
#include "editors/CoverImage.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CoverStore.h"
#include "store/DbEngine.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
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

AudioCDEditor::AudioCDEditor(AudioCDStore &cds, ArtistStore &artists, MessageService &messages, DialogService &dialogs,
                             QWidget *parent)
    : DiscEditor(messages, parent)
    , m_cds(cds)
    , m_artists(artists)
    , m_dialogs(dialogs)
    , m_lookup(messages,
               [this](const QStringList &lines, const QList<bool> &marked) { return chooseLine(lines, marked, this); })
    , m_coversFolder(QDir(QCoreApplication::applicationDirPath()).filePath(Texts::CoversFolderName))
{
    setObjectName(QStringLiteral("F_AddEditAudioCD"));
    setWindowTitle(Texts::NewAudioCDCaption);
    setFont(windowFont());
    buildControls();
}

void AudioCDEditor::buildControls()
{
    resize(473, 449);
    setMinimumSize(400, 360);
    AnchoredLayout &anchored = anchoredLayout();

    fieldsPanel = new QFrame(this);
    fieldsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    anchored.place(fieldsPanel, 8, 8, 457, 397, Anchor::AllSides);

    auto label = [this, &anchored](const QString &text, int x, int y) {
        auto *l = new QLabel(text, fieldsPanel);
        anchored.place(l, x, y, 0, 0);
        return l;
    };
    auto bevel = [this, &anchored](int y) {
        auto *b = new QFrame(fieldsPanel);
        b->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        anchored.place(b, 8, y, 441, 2, Anchor::Left | Anchor::Top | Anchor::Right);
    };

    label(Texts::LabelScanDrive, 8, 17);
    driveBox = new DriveSelector(fieldsPanel);
    anchored.place(driveBox, 112, 12, 73, 22);
    lookupButton = new QToolButton(fieldsPanel);
    lookupButton->setText(Texts::BtnCDDB);
    lookupButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    lookupButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    lookupButton->setAutoRaise(true);
    anchored.place(lookupButton, 192, 12, 257, 22, Anchor::Left | Anchor::Top | Anchor::Right);
    driveBox->setButton(lookupButton);
    bevel(40);

    label(Texts::LabelTitle, 8, 56);
    titleEdit = new QLineEdit(fieldsPanel);
    anchored.place(titleEdit, 112, 52, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    newArtistButton = new QRadioButton(Texts::RadioNewArtist, fieldsPanel);
    anchored.place(newArtistButton, 8, 80, 100, 17);
    newArtistEdit = new QLineEdit(fieldsPanel);
    anchored.place(newArtistEdit, 112, 78, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    existingArtistButton = new QRadioButton(Texts::RadioExistingArtist, fieldsPanel);
    anchored.place(existingArtistButton, 8, 106, 100, 17);
    artistBox = new QComboBox(fieldsPanel);
    anchored.place(artistBox, 112, 104, 337, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    bevel(128);

    label(Texts::LabelBarCode, 16, 144);
    barcodeEdit = new QLineEdit(fieldsPanel);
    barcodeEdit->setMaxLength(13);
    anchored.place(barcodeEdit, 112, 140, 153, 21);
    label(Texts::LabelYear, 16, 168);
    yearEdit = new QLineEdit(fieldsPanel);
    yearEdit->setMaxLength(4);
    anchored.place(yearEdit, 112, 164, 49, 21);
    limitedBox = new QCheckBox(Texts::CheckLimited, fieldsPanel);
    anchored.place(limitedBox, 112, 190, 0, 0);
    label(Texts::LabelComments, 16, 214);
    commentsEdit = new QPlainTextEdit(fieldsPanel);
    commentsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    anchored.place(commentsEdit, 112, 214, 153, 49);

    coverFrame = new QFrame(fieldsPanel);
    coverFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    coverFrame->setCursor(Qt::PointingHandCursor);
    coverFrame->setToolTip(Texts::HintChooseCover);
    anchored.place(coverFrame, 272, 139, 177, 126, Anchor::Top | Anchor::Right);
    coverLabel = new QLabel(coverFrame);
    coverLabel->setGeometry(8, 7, 161, 112);
    coverLabel->setScaledContents(true);
    coverFrame->installEventFilter(this);
    coverLabel->installEventFilter(this);
    bevel(272);

    label(Texts::LabelAddTrack, 8, 286);
    trackEdit = new QLineEdit(fieldsPanel);
    trackEdit->installEventFilter(this);
    anchored.place(trackEdit, 112, 282, 265, 21, Anchor::Left | Anchor::Top | Anchor::Right);
    addTrackButton = new QToolButton(fieldsPanel);
    addTrackButton->setText(Texts::BtnAddTrack);
    addTrackButton->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    addTrackButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addTrackButton->setAutoRaise(true);
    anchored.place(addTrackButton, 384, 281, 64, 22, Anchor::Top | Anchor::Right);
    trackList = new EditableList(fieldsPanel);
    trackList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trackList->installEventFilter(this);
    anchored.place(trackList, 6, 312, 443, 77, Anchor::AllSides);

    listMenu = new QMenu(this);
    QAction *selectAll = listMenu->addAction(Texts::MenuTrackSelectAll);
    QAction *editSelected = listMenu->addAction(Texts::MenuTrackEdit);
    QAction *deleteSelected = listMenu->addAction(Texts::MenuTrackDelete);

    ProgressBar_lookup = new QProgressBar(this);
    ProgressBar_lookup->setTextVisible(true);
    ProgressBar_lookup->hide();
    anchored.place(ProgressBar_lookup, 8, 416, 296, 25, Anchor::Left | Anchor::Right | Anchor::Bottom);

    saveButton = new QPushButton(Texts::BtnSaveCD, this);
    cancelButton = new QPushButton(Texts::BtnCancel, this);
    // Enter belongs to the track box and the list's editor, never to a button.
    cancelButton->setAutoDefault(false);
    saveButton->setAutoDefault(false);
    anchored.place(saveButton, 312, 416, 75, 25, Anchor::Right | Anchor::Bottom);
    anchored.place(cancelButton, 392, 416, 75, 25, Anchor::Right | Anchor::Bottom);
    setSaveAndCancel(saveButton, cancelButton);

    // Tab leaves the comments for the picture area, which opens the picture dialog from the keyboard.
    commentsEdit->setTabChangesFocus(true);
    coverFrame->setFocusPolicy(Qt::StrongFocus);
    // The flat buttons take no focus: Tab walks the fields alone.
    lookupButton->setFocusPolicy(Qt::NoFocus);
    addTrackButton->setFocusPolicy(Qt::NoFocus);
    QWidget *order[] = {driveBox,   titleEdit,    newArtistButton, existingArtistButton, newArtistEdit,
                        trackEdit,  trackList,    artistBox,       barcodeEdit,          yearEdit,
                        limitedBox, commentsEdit, coverFrame,      saveButton,           cancelButton};
    for (size_t k = 1; k < std::size(order); ++k)
        setTabOrder(order[k - 1], order[k]);
    const std::pair<QWidget *, const char *> names[] = {{fieldsPanel, "fieldsPanel"},
                                                        {lookupButton, "lookupButton"},
                                                        {titleEdit, "titleEdit"},
                                                        {newArtistButton, "newArtistButton"},
                                                        {newArtistEdit, "newArtistEdit"},
                                                        {existingArtistButton, "existingArtistButton"},
                                                        {artistBox, "artistBox"},
                                                        {barcodeEdit, "barcodeEdit"},
                                                        {yearEdit, "yearEdit"},
                                                        {limitedBox, "limitedBox"},
                                                        {commentsEdit, "commentsEdit"},
                                                        {coverFrame, "coverFrame"},
                                                        {coverLabel, "coverLabel"},
                                                        {trackEdit, "trackEdit"},
                                                        {addTrackButton, "addTrackButton"},
                                                        {trackList, "trackList"},
                                                        {ProgressBar_lookup, "ProgressBar_lookup"},
                                                        {saveButton, "saveButton"},
                                                        {cancelButton, "cancelButton"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    connect(newArtistButton, &QRadioButton::toggled, this, [this] { updateArtistChoice(); });
    connect(lookupButton, &QToolButton::clicked, this, &AudioCDEditor::startCddbLookup);
    connect(addTrackButton, &QToolButton::clicked, this, &AudioCDEditor::addTrack);
    connect(trackList, &QListWidget::itemDoubleClicked, this, [this] { editSelectedTrack(); });
    connect(trackList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { listMenu->popup(trackList->viewport()->mapToGlobal(at)); });
    connect(selectAll, &QAction::triggered, trackList, &QListWidget::selectAll);
    connect(editSelected, &QAction::triggered, this, &AudioCDEditor::editSelectedTrack);
    connect(deleteSelected, &QAction::triggered, this, &AudioCDEditor::deleteSelectedTracks);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (EditedCDID == -1)
            saveNewCD();
        else
            saveEditedCD();
    });
    connect(cancelButton, &QPushButton::clicked, this, &AudioCDEditor::reject);

    newArtistButton->setChecked(true);
    updateArtistChoice();
    showPlaceholder();
}

QString AudioCDEditor::coverPath(int cdId) const
{
    return QDir(m_coversFolder).filePath(QString::number(cdId) + QStringLiteral(".jpg"));
}

void AudioCDEditor::showPlaceholder()
{
    coverLabel->setPixmap(placeholderPicture());
}

void AudioCDEditor::prepareNew()
{
    EditedCDID = -1;
    CoverChanged = false;
    fillArtists();
    fillDrives();
}

bool AudioCDEditor::prepareEdit(int cdId)
{
    EditedCDID = cdId;
    CoverChanged = false;
    if (!m_cds.locate(cdId)) {
        messages().warning(Texts::CDNotFoundText);
        return false;
    }
    const AudioCD cd = m_cds.current();
    m_stored = cd;
    // By number: two artists may share a name, and the CD stays with its own.
    const auto artistIndex = [&] { return artistBox->findData(cd.artistId); };
    fillArtists();
    // The artist list is a snapshot too: an artist added since it was read is only found after a refresh.
    if (artistIndex() < 0) {
        m_artists.refreshList();
        fillArtists();
    }
    fillDrives();
    setWindowTitle(Texts::EditAudioCDCaption);

    m_title.show(titleEdit, cd.title);
    m_barcode.show(barcodeEdit, cd.barcode);
    m_year.show(yearEdit, cd.year);
    limitedBox->setChecked(cd.limited);
    m_comments.show(commentsEdit, cd.comments);

    trackList->clear();
    for (const QString &track : cd.tracks)
        addTrackItem(track);

    existingArtistButton->setChecked(true);
    artistBox->setCurrentIndex(artistIndex());

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

void AudioCDEditor::fillArtists()
{
    artistBox->clear();
    const QList<TArtist> artists = m_artists.artists();
    if (artists.isEmpty())
        return;
    // The catalogue orders names byte by byte, which puts "Ärzte" after "Zebra".
    QStringList names;
    for (const TArtist &artist : artists)
        names << artist.name;
    for (const qsizetype k : Collation::order(names))
        artistBox->addItem(artists[k].name, artists[k].id);
    artistBox->setCurrentIndex(0);
}

QList<TArtist> AudioCDEditor::artists() const
{
    QList<TArtist> out;
    for (int k = 0; k < artistBox->count(); ++k)
        out.append({artistBox->itemData(k).toInt(), artistBox->itemText(k)});
    return out;
}

void AudioCDEditor::fillDrives()
{
    QString drives = listCdDrives();
    const QString image = m_lookup.preferences().discImage;
    if (!image.isEmpty() && QFileInfo(image).isFile())
        drives += (drives.isEmpty() ? QString() : Texts::LineBreak) + image;
    driveBox->fill(drives);
}

void AudioCDEditor::fillDrives(const QString &driveLines)
{
    driveBox->fill(driveLines);
}

void AudioCDEditor::updateArtistChoice()
{
    const bool isNew = newArtistButton->isChecked();
    newArtistEdit->setEnabled(isNew);
    artistBox->setEnabled(!isNew);
    // Tab stops at the chosen radio button only; the arrow keys move between the two.
    newArtistButton->setFocusPolicy(isNew ? Qt::StrongFocus : Qt::ClickFocus);
    existingArtistButton->setFocusPolicy(isNew ? Qt::ClickFocus : Qt::StrongFocus);
}

void AudioCDEditor::startCddbLookup()
{
    if (busy())
        return;
    std::optional<DiscLookup::Result> found;
    {
        // The lookup serves events while it waits: the dialog must neither start a second lookup
        // nor close under it. Cancel and closing stop it.
        BusyGuard guard(*this, [this] { m_lookup.cancel(); });
        const bool drives = lookupButton->isEnabled();
        lookupButton->setEnabled(false);
        // The bar fills as the lookup's one deadline nears.
        QTimer tick;
        const auto show = [this] {
            const qint64 budget = qMax<qint64>(1, m_lookup.clock().budget());
            ProgressBar_lookup->setValue(int((budget - m_lookup.clock().remaining()) * 1000 / budget));
        };
        connect(&tick, &QTimer::timeout, this, show);
        m_lookup.setProgress([this, show](const QString &asking) {
            ProgressBar_lookup->setFormat(Texts::LookupAsking.arg(asking));
            show();
            ProgressBar_lookup->show();
        });
        ProgressBar_lookup->setRange(0, 1000);
        ProgressBar_lookup->setValue(0);
        tick.start(100);
        found = m_lookup.run(driveBox->currentDrive());
        tick.stop();
        m_lookup.setProgress({});
        ProgressBar_lookup->hide();
        lookupButton->setEnabled(drives);
    }
    if (found)
        applyDisc(*found);
}

void AudioCDEditor::applyDisc(const DiscLookup::Result &found)
{
    const DiscCandidate &disc = found.chosen;
    if (!disc.tracks.isEmpty()) {
        trackList->clear();
        for (const QString &track : disc.tracks)
            addTrackItem(track);
    }
    // What the user typed is kept: the lookup fills only what is empty besides title, artist and tracks.
    const QString barcode = disc.barcode.isEmpty() ? found.mcn : disc.barcode;
    if (barcodeEdit->text().isEmpty() && !barcode.isEmpty())
        barcodeEdit->setText(barcode);
    if (yearEdit->text().isEmpty() && !disc.year.isEmpty())
        yearEdit->setText(disc.year);
    if (!found.cover.isEmpty() && !CoverChanged && !m_storedCover) {
        QImage image;
        if (image.loadFromData(found.cover)) {
            m_coverData = found.cover;
            coverLabel->setPixmap(QPixmap::fromImage(image));
            CoverChanged = true;
        }
    }
    if (!disc.hasTitle)
        return;
    if (!disc.artist.isEmpty()) {
        int existing = -1;
        for (int k = 0; k < artistBox->count() && existing < 0; ++k)
            if (sameArtistName(artistBox->itemText(k), disc.artist))
                existing = k;
        if (existing >= 0) {
            existingArtistButton->setChecked(true);
            artistBox->setCurrentIndex(existing);
        } else {
            newArtistButton->setChecked(true);
            newArtistEdit->setText(disc.artist);
        }
    }
    if (!disc.title.isEmpty())
        titleEdit->setText(disc.title);
}

void AudioCDEditor::addTrackItem(const QString &title)
{
    trackList->append(listImage(TrackImage), title);
}

void AudioCDEditor::addTrack()
{
    if (trackEdit->text().isEmpty())
        messages().warning(Texts::NoTrackText);
    else
        addTrackItem(trackEdit->text());
    trackEdit->setFocus();
    // The title stays for the next track, selected so that typing replaces it.
    trackEdit->selectAll();
}

void AudioCDEditor::editSelectedTrack()
{
    trackList->editFirstSelected();
}

void AudioCDEditor::deleteSelectedTracks()
{
    trackList->deleteSelected();
}

QStringList AudioCDEditor::tracks() const
{
    return trackList->texts();
}

void AudioCDEditor::chooseCover()
{
    if (busy())
        return;
    const QString file = m_dialogs.openPictureName(Texts::FilterPicture);
    if (!file.isEmpty())
        loadCover(file);
}

void AudioCDEditor::showStoredCover(const QByteArray &stored)
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
        coverLabel->setPixmap(QPixmap::fromImage(cover));
    });
    watcher->setFuture(QtConcurrent::run(&CoverImage::pictureOfData, stored));
}

bool AudioCDEditor::loadCover(const QString &path)
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
        messages().error(Texts::PictureNotLoadedText.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_coverData = cover.jpeg;
    coverLabel->setPixmap(QPixmap::fromImage(cover.picture));
    CoverChanged = true;
    return true;
}

void AudioCDEditor::writeCover(int cdId)
{
    CoverStore covers(m_cds.connection(), m_coversFolder);
    try {
        covers.save(cdId, m_coverData);
    } catch (const DbError &e) {
        // The CD is stored by now; only the picture is missing, and the user must hear of it.
        messages().warning(Texts::CoverNotSavedText + Texts::LineBreak + covers.whereIs(cdId) + Texts::LineBreak
                           + e.text());
    }
}

AudioCD AudioCDEditor::editedCD() const
{
    AudioCD cd = m_stored;
    cd.id = EditedCDID;
    // No artist chosen: a CD of an older catalogue whose artist is gone keeps the one it names.
    cd.artistId = artistBox->currentIndex() < 0 ? m_stored.artistId : artistBox->currentData().toInt();
    cd.title = m_title.value(titleEdit->text());
    cd.barcode = m_barcode.value(barcodeEdit->text());
    cd.year = m_year.value(yearEdit->text());
    cd.limited = limitedBox->isChecked();
    cd.comments = m_comments.value(commentsEdit->toPlainText());
    cd.tracks = tracks();
    return cd;
}

void AudioCDEditor::save()
{
    if (busy() || !checkTitle(titleEdit))
        return;
    const bool newArtist = newArtistButton->isChecked();
    if (newArtist && newArtistEdit->text().isEmpty()) {
        messages().warning(Texts::NoArtistNameText);
        newArtistEdit->setFocus();
        return;
    }
    const AudioCD cd = editedCD();
    // The catalogue has no artist to choose.
    if (!newArtist && EditedCDID == -1 && artistBox->currentIndex() < 0)
        return;
    storeAndClose([&] {
        // The artist, the CD and its tracks in one transaction; the store has shown why it failed.
        const QString artist = newArtist ? newArtistEdit->text() : QString();
        const int cdId = EditedCDID == -1 ? m_cds.addAudioCD(cd, artist) : m_cds.updateAudioCD(cd, artist) ? cd.id : -1;
        if (cdId == -1)
            return false;
        if (newArtist) {
            try {
                m_artists.refreshList();
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

void AudioCDEditor::saveNewCD()
{
    save();
}

void AudioCDEditor::saveEditedCD()
{
    save();
}

bool AudioCDEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (watched == trackEdit && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            addTrack();
            return true;
        }
        // While a title is edited its own editor has the keys, so Delete never reaches the list.
        if (watched == trackList && key == Qt::Key_Delete) {
            deleteSelectedTracks();
            return true;
        }
        if (watched == coverFrame && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
            chooseCover();
            return true;
        }
    } else if (watched == coverFrame && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // A frame draws no focus of its own: the area looks pressed while Space would open the dialog.
        coverFrame->setFrameShadow(event->type() == QEvent::FocusIn ? QFrame::Sunken : QFrame::Raised);
    } else if (event->type() == QEvent::MouseButtonRelease && (watched == coverFrame || watched == coverLabel)) {
        chooseCover();
        return true;
    }
    return DiscEditor::eventFilter(watched, event);
}

void showNewAudioCD(AudioCDStore &cds, ArtistStore &artists, MessageService &messages, DialogService &dialogs,
                    const QString &coversFolder, QWidget *parent)
{
    AudioCDEditor dialog(cds, artists, messages, dialogs, parent);
    dialog.setCoversFolder(coversFolder);
    dialog.prepareNew();
    dialog.exec();
}

void showEditAudioCD(int cdId, AudioCDStore &cds, ArtistStore &artists, MessageService &messages,
                     DialogService &dialogs, const QString &coversFolder, QWidget *parent)
{
    AudioCDEditor dialog(cds, artists, messages, dialogs, parent);
    dialog.setCoversFolder(coversFolder);
    if (dialog.prepareEdit(cdId))
        dialog.exec();
}
