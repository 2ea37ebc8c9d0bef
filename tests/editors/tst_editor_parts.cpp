// The parts the audio and data CD editors are built from: the drive selector, the same in both
// and filled from the machine's one list of drives; the save that leaves an editor usable after an
// error; and the anchored layout that follows the dialog's size.

#include "CueImage.h"
#include "base/Texts.h"
#include "disc/DriveFiles.h"
#include "editors/AnchoredLayout.h"
#include "editors/ArtistEditor.h"
#include "editors/AudioCDEditor.h"
#include "editors/DataCDEditor.h"
#include "editors/DriveSelector.h"
#include "editors/MovieEditor.h"
#include "store/DbEngine.h"
#include "support/StoresOnCatalogue.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList entries(const QComboBox &box)
{
    QStringList out;
    for (int k = 0; k < box.count(); ++k)
        out << box.itemText(k);
    return out;
}

} // namespace

using Anchor = AnchoredLayout::Anchor;

class tst_EditorParts : public QObject
{
    Q_OBJECT

private slots:
    void driveSelector_data();
    void driveSelector();
    void driveSelectorShowsTheEnds_data();
    void driveSelectorShowsTheEnds();
    void driveSelectorNamesImagesAndDiscs_data();
    void driveSelectorNamesImagesAndDiscs();
    void bothEditorsListTheMachinesDrives();
    void errorDuringSave_data();
    void errorDuringSave();
    void anchors_data();
    void anchors();
    void tabOrder_data();
    void tabOrder();
    void pictureAreaFromTheKeyboard();
};

void tst_EditorParts::driveSelector_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QStringList>("drives");

    const QString longPath = QStringLiteral("/dev/disk/by-id/usb-Optiarc_DVD_RW_AD-7580S_0123456789AB-0:0");
    QTest::newRow("none") << QString() << QStringList();
    QTest::newRow("one") << QStringLiteral("/dev/sr0") << QStringList{QStringLiteral("/dev/sr0")};
    QTest::newRow("two, a long path, an empty line") << QStringLiteral("/dev/sr0") + Texts::LineBreak + longPath
            + Texts::LineBreak << QStringList{QStringLiteral("/dev/sr0"), longPath};
}

void tst_EditorParts::driveSelector()
{
    QFETCH(QString, lines);
    QFETCH(QStringList, drives);

    QWidget panel;
    auto *selector = new DriveSelector(&panel);
    auto *button = new QToolButton(&panel);
    selector->setButton(button);
    // What an earlier fill left goes.
    selector->fill(QStringLiteral("/dev/sr9"));
    selector->fill(lines);

    QCOMPARE(selector->objectName(), QStringLiteral("driveBox"));
    QCOMPARE(entries(*selector), drives);
    QCOMPARE(selector->isEnabled(), !drives.isEmpty());
    QCOMPARE(button->isEnabled(), !drives.isEmpty());
    QCOMPARE(selector->currentDrive(), drives.value(0));
    int widest = 0;
    for (int k = 0; k < selector->count(); ++k) {
        QCOMPARE(selector->itemData(k).toString(), drives[k]);
        QCOMPARE(selector->itemData(k, Qt::ToolTipRole).toString(), drives[k]);
        QVERIFY(!selector->itemIcon(k).isNull());
        widest = std::max(widest, selector->fontMetrics().horizontalAdvance(drives[k]));
    }
    // The box is narrower than a device path; the list that drops down is not.
    QVERIFY(selector->view()->minimumWidth() > widest);
}

void tst_EditorParts::driveSelectorShowsTheEnds_data()
{
    QTest::addColumn<QString>("drive");

    QTest::newRow("short path") << QStringLiteral("/dev/sr0");
    QTest::newRow("long path") << QStringLiteral("/dev/disk/by-id/usb-Optiarc_DVD_RW_AD-7580S_0123456789AB-0:0");
    QTest::newRow("two long paths that differ at the end")
        << QStringLiteral("/dev/disk/by-path/pci-0000:00:1f.2-ata-2");
}

void tst_EditorParts::driveSelectorShowsTheEnds()
{
    QFETCH(QString, drive);

    // Two drives whose paths share all but their ends, in a box the editors' size.
    QString other = drive;
    other.back() = drive.back() == u'9' ? u'8' : u'9';
    QWidget panel;
    auto *selector = new DriveSelector(&panel);
    selector->setGeometry(112, 12, 73, 22);
    selector->fill(other + Texts::LineBreak + drive);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    selector->setCurrentIndex(1);
    QCOMPARE(selector->size(), QSize(73, 22));
    QCOMPARE(selector->currentDrive(), drive);
    QCOMPARE(selector->toolTip(), drive);
    QCOMPARE(selector->itemData(1, Qt::ToolTipRole).toString(), drive);

    // The directories all drives share tell nothing: the drive's own name is what the box shows.
    const QString name = QFileInfo(drive).fileName();
    const QString shown = selector->displayedText();
    QVERIFY2(!shown.startsWith(u'/'), qPrintable(shown));
    QVERIFY2(selector->fontMetrics().horizontalAdvance(shown) < selector->width(), qPrintable(shown));
    const QChar ellipsis(0x2026);
    if (selector->fontMetrics().horizontalAdvance(name) < selector->width() / 2) {
        QCOMPARE(shown, name);
    } else {
        // Both ends stay; the end tells the two drives apart.
        const qsizetype cut = shown.indexOf(ellipsis);
        QVERIFY2(cut > 0 && cut < shown.size() - 1, qPrintable(shown));
        QVERIFY2(name.startsWith(shown.left(cut)), qPrintable(shown));
        QVERIFY2(name.endsWith(shown.mid(cut + 1)), qPrintable(shown));
        selector->setCurrentIndex(0);
        QCOMPARE(selector->toolTip(), other);
        QVERIFY(selector->displayedText() != shown);
    }
}

// A CUE image used as a drive, in a box the editors' width and wider: its file name and the title
// its sheet gives, never the folders above it, which are all the box had room for.
void tst_EditorParts::driveSelectorNamesImagesAndDiscs_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title"); // the sheet's TITLE; empty: none
    QTest::addColumn<int>("width");

    QTest::newRow("titled image, wide box") << QStringLiteral("live") << QStringLiteral("Live at Leeds") << 400;
    QTest::newRow("titled image, the editors' box") << QStringLiteral("live") << QStringLiteral("Live at Leeds") << 73;
    QTest::newRow("titled image, room for its name and a little more")
        << QStringLiteral("live") << QStringLiteral("Live at Leeds") << 130;
    QTest::newRow("untitled image, wide box") << QStringLiteral("Who's Next (Deluxe)") << QString() << 400;
    QTest::newRow("untitled image with a long name, the editors' box")
        << QStringLiteral("Who's Next (Deluxe)") << QString() << 73;
}

void tst_EditorParts::driveSelectorNamesImagesAndDiscs()
{
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(int, width);

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("images/of/my/collection"));
    QVERIFY(QDir().mkpath(folder));
    const QStringList head = title.isEmpty() ? QStringList() : QStringList{QStringLiteral("TITLE \"%1\"").arg(title)};
    const QString image = writeCueImage(folder, file, {150, 15000, 30000}, 45000, {}, {}, head);
    QVERIFY(!image.isEmpty());
    const QString name = file + QStringLiteral(".cue");

    QWidget panel;
    auto *selector = new DriveSelector(&panel);
    selector->setGeometry(112, 12, width, 22);
    selector->fill(QStringLiteral("/dev/sr7") + Texts::LineBreak + image);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    selector->setCurrentIndex(1);
    QCOMPARE(selector->currentDrive(), image);
    QCOMPARE(selector->toolTip(), image);
    QCOMPARE(selector->itemData(1, Qt::ToolTipRole).toString(), image);
    const QString caption = title.isEmpty() ? name : name + QStringLiteral(" \u2013 ") + title;
    QTRY_COMPARE(selector->caption(1), caption);
    // A drive with nothing in it is known by its device's name alone.
    QCOMPARE(selector->caption(0), QStringLiteral("sr7"));

    const QString shown = selector->displayedText();
    const QFontMetrics metrics = selector->fontMetrics();
    QVERIFY2(metrics.horizontalAdvance(shown) < selector->width(), qPrintable(shown));
    QVERIFY2(!shown.contains(u'/'), qPrintable(shown));
    const QChar ellipsis(0x2026);
    if (!shown.contains(ellipsis)) {
        // Whole, or the name whole where the title found no room.
        QVERIFY2(shown == caption || shown == name, qPrintable(shown));
        if (width >= 400)
            QCOMPARE(shown, caption);
    } else if (shown.startsWith(name)) {
        // The name whole, then as much of the title as fits.
        QVERIFY2(!title.isEmpty(), qPrintable(shown));
        QVERIFY2(caption.startsWith(shown.chopped(1)), qPrintable(shown));
    } else {
        // Not even the name fits: its ends stay.
        const qsizetype cut = shown.indexOf(ellipsis);
        QVERIFY2(cut > 0 && cut < shown.size() - 1, qPrintable(shown));
        QVERIFY2(name.startsWith(shown.left(cut)), qPrintable(shown));
        QVERIFY2(name.endsWith(shown.mid(cut + 1)), qPrintable(shown));
    }
    if (width == 130)
        QVERIFY2(shown.startsWith(name), qPrintable(shown));
}

void tst_EditorParts::bothEditorsListTheMachinesDrives()
{
    EditorCatalogue cat;
    AudioCDEditor audio(cat.cds, cat.artists, cat.messages, cat.dialogs);
    DataCDEditor data(cat.data, cat.messages);
    audio.prepareNew();
    data.prepareNew();

    const QStringList drives = listCdDrives().split(Texts::LineBreak, Qt::SkipEmptyParts);
    QCOMPARE(entries(*audio.driveBox), drives);
    QCOMPARE(entries(*data.driveBox), drives);
    QCOMPARE(audio.lookupButton->isEnabled(), !drives.isEmpty());
    QCOMPARE(data.scanButton->isEnabled(), !drives.isEmpty());
    QVERIFY(cat.messages.boxes.isEmpty());
}

void tst_EditorParts::errorDuringSave_data()
{
    QTest::addColumn<bool>("audio");
    QTest::newRow("audio CD") << true;
    QTest::newRow("data CD") << false;
}

void tst_EditorParts::errorDuringSave()
{
    QFETCH(bool, audio);

    // The store serves events between two tracks or items, inside the save's transaction; an error
    // there that is not the engine's is one the store does not report itself.
    EditorCatalogue cat;
    const auto fail = [] { throw std::runtime_error("out of memory"); };
    std::unique_ptr<DiscEditor> editor;
    std::function<void()> save;
    if (audio) {
        auto *dialog = new AudioCDEditor(cat.cds, cat.artists, cat.messages, cat.dialogs);
        editor.reset(dialog);
        dialog->prepareNew();
        dialog->titleEdit->setText(QStringLiteral("Gold"));
        dialog->newArtistEdit->setText(QStringLiteral("Abba"));
        for (const char *track : {"Waterloo", "SOS"}) {
            dialog->trackEdit->setText(QString::fromLatin1(track));
            dialog->addTrack();
        }
        cat.cds.setEventHook(fail);
        save = [dialog] { dialog->saveNewCD(); };
    } else {
        auto *dialog = new DataCDEditor(cat.data, cat.messages);
        editor.reset(dialog);
        dialog->prepareNew();
        dialog->titleEdit->setText(QStringLiteral("Backup"));
        for (const char *item : {"docs", "mail"}) {
            dialog->itemEdit->setText(QString::fromLatin1(item));
            dialog->addItem();
        }
        cat.data.setEventHook(fail);
        save = [dialog] { dialog->saveNewDataCD(); };
    }
    editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor.get()));

    // The error goes on to the application's handler; the editor stays, usable, and can be cancelled.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, save());
    // Rolled back: nothing of the CD is stored, and the connection is free for the next save.
    QVERIFY(!cat.main.connection.inTransaction());
    QCOMPARE(cat.cat.count(audio ? QStringLiteral("CDAUDIO") : QStringLiteral("DATACD")), 0);
    QVERIFY(editor->isVisible());
    QVERIFY(!editor->busy());
    for (QPushButton *button : editor->findChildren<QPushButton *>())
        QVERIFY2(button->isEnabled(), qPrintable(button->text()));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(cat.messages.boxes.isEmpty());
    editor->reject();
    QVERIFY(!editor->isVisible());
}

void tst_EditorParts::anchors_data()
{
    QTest::addColumn<int>("anchors"); // -1: none given
    QTest::addColumn<QRect>("expected");

    // Placed at 10, 20, 50 x 60; the dialog then grows by 40 x 30.
    QTest::newRow("none given stays") << -1 << QRect(10, 20, 50, 60);
    QTest::newRow("left top stays") << int(Anchor::Left | Anchor::Top) << QRect(10, 20, 50, 60);
    QTest::newRow("top right moves across") << int(Anchor::Top | Anchor::Right) << QRect(50, 20, 50, 60);
    QTest::newRow("right bottom moves both ways") << int(Anchor::Right | Anchor::Bottom) << QRect(50, 50, 50, 60);
    QTest::newRow("left bottom moves down") << int(Anchor::Left | Anchor::Bottom) << QRect(10, 50, 50, 60);
    QTest::newRow("left top right widens") << int(Anchor::Left | Anchor::Top | Anchor::Right) << QRect(10, 20, 90, 60);
    QTest::newRow("left top bottom grows down")
        << int(Anchor::Left | Anchor::Top | Anchor::Bottom) << QRect(10, 20, 50, 90);
    QTest::newRow("all sides grows both ways") << int(Anchor::AllSides) << QRect(10, 20, 90, 90);
}

void tst_EditorParts::anchors()
{
    QFETCH(int, anchors);
    QFETCH(QRect, expected);

    // The control sits in a panel that grows with the dialog, as in the editors.
    QWidget dialog;
    dialog.resize(300, 200);
    auto *panel = new QFrame(&dialog);
    auto *control = new QWidget(panel);
    AnchoredLayout layout;
    layout.place(panel, 8, 8, 284, 184, Anchor::AllSides);
    if (anchors < 0)
        layout.place(control, 10, 20, 50, 60);
    else
        layout.place(control, 10, 20, 50, 60, AnchoredLayout::Anchors::fromInt(anchors));
    QCOMPARE(control->geometry(), QRect(10, 20, 50, 60));

    dialog.resize(340, 230);
    layout.apply();
    QCOMPARE(panel->geometry(), QRect(8, 8, 324, 214));
    QCOMPARE(control->geometry(), expected);

    // Back to the designed size, everything is where it was placed.
    dialog.resize(300, 200);
    layout.apply();
    QCOMPARE(control->geometry(), QRect(10, 20, 50, 60));
}

namespace {

// The order Tab walks through each editor as designed, disabled controls included.
const QStringList AudioCDOrder{"driveBox",   "titleEdit",    "newArtistButton", "existingArtistButton", "newArtistEdit",
                               "trackEdit",  "trackList",    "artistBox",       "barcodeEdit",          "yearEdit",
                               "limitedBox", "commentsEdit", "coverFrame",      "saveButton",           "cancelButton"};

QStringList without(QStringList names, const QString &name)
{
    names.removeAll(name);
    return names;
}

} // namespace

void tst_EditorParts::tabOrder_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("order");

    // Tab stops at the chosen radio button only, and the artist box of the other is disabled.
    QTest::newRow("audio CD, new artist")
        << QStringLiteral("audio new") << without(without(AudioCDOrder, "existingArtistButton"), "artistBox");
    QTest::newRow("audio CD, existing artist")
        << QStringLiteral("audio existing") << without(without(AudioCDOrder, "newArtistButton"), "newArtistEdit");
    QTest::newRow("data CD") << QStringLiteral("data") << QStringList{"titleEdit", "driveBox",   "itemEdit",
                                                                      "itemList",  "saveButton", "cancelButton"};
    QTest::newRow("artist") << QStringLiteral("artist") << QStringList{"nameEdit", "cancelButton", "saveButton"};
    QTest::newRow("movie") << QStringLiteral("movie")
                           << QStringList{"titleEdit", "typeBox", "saveButton", "cancelButton"};
}

void tst_EditorParts::tabOrder()
{
    QFETCH(QString, editor);
    QFETCH(QStringList, order);

    EditorCatalogue cat(QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba');"
                                       "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (7, 'Gold', 1);"));
    cat.cds.openList();
    std::unique_ptr<QDialog> dialog;
    QPlainTextEdit *comments = nullptr;
    if (editor.startsWith(QLatin1String("audio"))) {
        auto *audio = new AudioCDEditor(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.reset(audio);
        if (editor.endsWith(QLatin1String("existing")))
            QVERIFY(audio->prepareEdit(7));
        else
            audio->prepareNew();
        audio->fillDrives(QStringLiteral("/dev/sr0"));
        comments = audio->commentsEdit;
        comments->setPlainText(QStringLiteral("signed"));
    } else if (editor == QLatin1String("data")) {
        auto *data = new DataCDEditor(cat.data, cat.messages);
        dialog.reset(data);
        data->prepareNew();
        data->fillDrives(QStringLiteral("/dev/sr0"));
    } else if (editor == QLatin1String("artist")) {
        dialog = std::make_unique<ArtistEditor>(cat.artists, cat.messages);
    } else {
        dialog = std::make_unique<MovieEditor>(cat.movies, cat.messages);
    }
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));

    auto *first = dialog->findChild<QWidget *>(order.first());
    QVERIFY(first);
    first->setFocus(Qt::OtherFocusReason);
    QStringList walked;
    // One round and back to the start: the order closes on itself.
    for (qsizetype k = 0; k <= order.size(); ++k) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        walked << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(walked, order + QStringList{order.first()});
    if (comments)
        QCOMPARE(comments->toPlainText(), QStringLiteral("signed"));
}

void tst_EditorParts::pictureAreaFromTheKeyboard()
{
    EditorCatalogue cat;
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.coverFrame->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), dialog.coverFrame);

    // Cancelled each time: the dialog is asked for, nothing is loaded.
    QTest::keyClick(dialog.coverFrame, Qt::Key_Space);
    QTest::keyClick(dialog.coverFrame, Qt::Key_Return);
    QCOMPARE(cat.dialogs.opens.size(), 2);
    QVERIFY(!dialog.CoverChanged);
}

QTEST_MAIN(tst_EditorParts)
#include "tst_editor_parts.moc"
