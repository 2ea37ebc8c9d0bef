// The parts the audio and data CD editors are built from: the drive selector, the same in both
// and filled from the machine's one list of drives; the save that leaves an editor usable after an
// error; and the anchored layout that follows the dialog's size.

#include "editors/AnchoredLayout.h"
#include "editors/DriveSelector.h"
#include "editors/FM_AddEditArtist.h"
#include "editors/FM_AddEditAudioCD.h"
#include "editors/FM_AddEditDataCD.h"
#include "editors/FM_AddEditMovie.h"
#include "disc/U_Tools.h"
#include "store/DM_Artist.h"
#include "store/DM_CD.h"
#include "store/DM_Data.h"
#include "store/DM_Main.h"
#include "store/DbEngine.h"
#include "base/U_Constantes.h"
#include "support/EditorCatalogue.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"
#include "CueImage.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

// A catalogue with the stores of both editors open, as the main window holds them.
struct Catalogue {
    Catalogue()
    {
        main.OpenDatabase(file.path());
        cds.OpenList();
        artists.OpenList();
        data.OpenList();
    }
    TempCatalogue file;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    TD_Main main{messages};
    TD_CD cds{main, messages};
    TD_Artist artists{main, messages};
    TD_Data data{main, messages};
};

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
    QTest::newRow("two, a long path, an empty line")
        << QStringLiteral("/dev/sr0") + U_Constantes::LineBreak + longPath + U_Constantes::LineBreak
        << QStringList{QStringLiteral("/dev/sr0"), longPath};
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

    QCOMPARE(selector->objectName(), QStringLiteral("ComboBoxEx_drive"));
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
    selector->fill(other + U_Constantes::LineBreak + drive);
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
    QTest::newRow("titled image, room for its name and a little more") << QStringLiteral("live") << QStringLiteral("Live at Leeds") << 130;
    QTest::newRow("untitled image, wide box") << QStringLiteral("Who's Next (Deluxe)") << QString() << 400;
    QTest::newRow("untitled image with a long name, the editors' box") << QStringLiteral("Who's Next (Deluxe)") << QString() << 73;
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
    selector->fill(QStringLiteral("/dev/sr7") + U_Constantes::LineBreak + image);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    selector->setCurrentIndex(1);
    QCOMPARE(selector->currentDrive(), image);
    QCOMPARE(selector->toolTip(), image);
    QCOMPARE(selector->itemData(1, Qt::ToolTipRole).toString(), image);
    const QString caption = title.isEmpty() ? name : name + QStringLiteral(" \u2013 ") + title;
    QCOMPARE(selector->caption(1), caption);
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
    Catalogue cat;
    TF_AddEditAudioCD audio(cat.cds, cat.artists, cat.messages, cat.dialogs);
    TF_AddEditDataCD data(cat.data, cat.messages);
    audio.prepareNew();
    data.prepareNew();

    const QStringList drives = ListCDDrives().split(U_Constantes::LineBreak, Qt::SkipEmptyParts);
    QCOMPARE(entries(*audio.ComboBoxEx_drive), drives);
    QCOMPARE(entries(*data.ComboBoxEx_drive), drives);
    QCOMPARE(audio.SpeedButton1->isEnabled(), !drives.isEmpty());
    QCOMPARE(data.SpeedButton2->isEnabled(), !drives.isEmpty());
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
    Catalogue cat;
    const auto fail = [] { throw std::runtime_error("out of memory"); };
    std::unique_ptr<DiscEditor> editor;
    std::function<void()> save;
    if (audio) {
        auto *dialog = new TF_AddEditAudioCD(cat.cds, cat.artists, cat.messages, cat.dialogs);
        editor.reset(dialog);
        dialog->prepareNew();
        dialog->Edit_title->setText(QStringLiteral("Gold"));
        dialog->Edit_newartist->setText(QStringLiteral("Abba"));
        for (const char *track : {"Waterloo", "SOS"}) {
            dialog->Edit_addtrack->setText(QString::fromLatin1(track));
            dialog->AddTrack();
        }
        cat.cds.setEventHook(fail);
        save = [dialog] { dialog->SaveNewCD(); };
    } else {
        auto *dialog = new TF_AddEditDataCD(cat.data, cat.messages);
        editor.reset(dialog);
        dialog->prepareNew();
        dialog->Edit_title->setText(QStringLiteral("Backup"));
        for (const char *item : {"docs", "mail"}) {
            dialog->Edit_dataitem->setText(QString::fromLatin1(item));
            dialog->AddItem();
        }
        cat.data.setEventHook(fail);
        save = [dialog] { dialog->SaveNewDataCD(); };
    }
    editor->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor.get()));

    // The error goes on to the application's handler; the editor stays, usable, and can be cancelled.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, save());
    // Rolled back: nothing of the CD is stored, and the connection is free for the next save.
    QVERIFY(!cat.main.ADOConnection.InTransaction());
    QCOMPARE(cat.file.count(audio ? QStringLiteral("CDAUDIO") : QStringLiteral("DATACD")), 0);
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
    QTest::newRow("left top bottom grows down") << int(Anchor::Left | Anchor::Top | Anchor::Bottom) << QRect(10, 20, 50, 90);
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
const QStringList AudioCDOrder{"ComboBoxEx_drive", "Edit_title", "RadioButton1", "RadioButton2", "Edit_newartist",
                               "Edit_addtrack", "ListView_tracks", "ComboBox_artists", "Edit_barcode", "Edit_year",
                               "CheckBox_limited", "Memo_comments", "Panel2", "Button2", "Button1"};

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
        << QStringLiteral("audio new") << without(without(AudioCDOrder, "RadioButton2"), "ComboBox_artists");
    QTest::newRow("audio CD, existing artist")
        << QStringLiteral("audio existing") << without(without(AudioCDOrder, "RadioButton1"), "Edit_newartist");
    QTest::newRow("data CD") << QStringLiteral("data")
                             << QStringList{"Edit_title", "ComboBoxEx_drive", "Edit_dataitem", "ListView_items",
                                            "Button2", "Button1"};
    QTest::newRow("artist") << QStringLiteral("artist") << QStringList{"Edit_name", "Button1", "Button2"};
    QTest::newRow("movie") << QStringLiteral("movie")
                           << QStringList{"Edt_title", "ComboBox_type", "Button1", "Button2"};
}

void tst_EditorParts::tabOrder()
{
    QFETCH(QString, editor);
    QFETCH(QStringList, order);

    EditorCatalogue cat(QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba');"
                                       "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (7, 'Gold', 1);"));
    cat.cds.OpenList();
    std::unique_ptr<QDialog> dialog;
    QPlainTextEdit *comments = nullptr;
    if (editor.startsWith(QLatin1String("audio"))) {
        auto *audio = new TF_AddEditAudioCD(cat.cds, cat.artists, cat.messages, cat.dialogs);
        dialog.reset(audio);
        if (editor.endsWith(QLatin1String("existing")))
            QVERIFY(audio->prepareEdit(7));
        else
            audio->prepareNew();
        audio->FillDrives(QStringLiteral("/dev/sr0"));
        comments = audio->Memo_comments;
        comments->setPlainText(QStringLiteral("signed"));
    } else if (editor == QLatin1String("data")) {
        auto *data = new TF_AddEditDataCD(cat.data, cat.messages);
        dialog.reset(data);
        data->prepareNew();
        data->FillDrives(QStringLiteral("/dev/sr0"));
    } else if (editor == QLatin1String("artist")) {
        dialog = std::make_unique<TF_AddEditArtist>(cat.artists, cat.messages);
    } else {
        dialog = std::make_unique<TF_AddEditMovie>(cat.movies, cat.messages);
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
    TF_AddEditAudioCD dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.Panel2->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), dialog.Panel2);

    // Cancelled each time: the dialog is asked for, nothing is loaded.
    QTest::keyClick(dialog.Panel2, Qt::Key_Space);
    QTest::keyClick(dialog.Panel2, Qt::Key_Return);
    QCOMPARE(cat.dialogs.opens.size(), 2);
    QVERIFY(!dialog.CoverChanged);
}

QTEST_MAIN(tst_EditorParts)
#include "tst_editor_parts.moc"
