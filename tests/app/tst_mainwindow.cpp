// The main window: its toolbar, the navigator bringing lists to the front with the right count,
// and the about box.

#include "app/AppModules.h"
#include "app/FM_About.h"
#include "app/FM_Main.h"
#include "lists/FM_Artist.h"
#include "lists/FM_CD.h"
#include "lists/FM_Data.h"
#include "lists/FM_DataItems.h"
#include "lists/FM_Movies.h"
#include "lists/FM_Track.h"
#include "store/DM_Main.h"
#include "base/U_Constantes.h"
#include "support/ModalDriver.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

namespace {

struct Fixture {
    Fixture()
    {
        cat.exec(QStringLiteral(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles'), (3, 'Cure');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (1, 'Gold', 1), (2, 'Help', 2);"
            "insert into TRACK (TR_LABEL, CD_ID) values ('Waterloo', 1), ('SOS', 1), ('Help!', 2), ('Lost', 9);"
            "insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD');"
            "insert into DATACD (CD_TITLE) values ('Backup'), ('Photos');"
            "insert into DATA (DATA_LABEL, CD_ID) values ('a', 1), ('b', 1), ('c', 2), ('d', 2), ('e', 5);"));
        app = std::make_unique<AppModules>(messages, dialogs, cat.path());
        windows[TF_Main::AudioCDs] = app->F_CD;
        windows[TF_Main::Artists] = app->F_Artist;
        windows[TF_Main::Tracks] = app->F_Track;
        windows[TF_Main::Movies] = app->F_Movies;
        windows[TF_Main::DataCDs] = app->F_Data;
        windows[TF_Main::DataItems] = app->F_DataItems;
        app->F_Main->setSplashWaitMs(0);
        app->F_Main->show();
    }
    TempCatalogue cat;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    std::unique_ptr<AppModules> app;
    TListWindow *windows[TF_Main::ListCount] = {};
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void toolbar();
    void navigatorBringsListToFront_data();
    void navigatorBringsListToFront();
    void reselectingDoesNothing();
    void failingRefreshKeepsStatus();
    void aboutBox();
    void aboutFromTheToolbar();
    void toolbarAndMenuShareOneActionPerCommand_data();
    void toolbarAndMenuShareOneActionPerCommand();
    void listCommandsWaitForAListInFront();
};

void tst_MainWindow::toolbar()
{
    Fixture f;
    TF_Main &w = *f.app->F_Main;
    QCOMPARE(w.windowTitle(), QStringLiteral("Rovir's Dadudu"));
    QStringList captions, hints;
    for (QToolButton *b : w.ToolBar1->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly)) {
        if (b->text().isEmpty())
            continue; // the toolbar's own extension button
        captions << b->text();
        hints << b->toolTip();
        QCOMPARE(b->size(), QSize(77, 21));
    }
    QCOMPARE(captions, QStringList({"Add new", "Delete", "Edit", "Refresh", "Print", "Save to HTML", "Save to Excel",
                                    "About...", "Preferences"}));
    QCOMPARE(hints, QStringList({"Add new", "Delete selected", "Edit selected", "Refresh list", "Print list",
                                 "Export list to HTML", "Export to XLS (Excel)", "About this software...",
                                 "Servers, sources of CD information and disc image"}));
    QStringList items;
    for (int i = 0; i < w.ListView1->count(); ++i) {
        items << w.ListView1->item(i)->text();
        QVERIFY(!w.ListView1->item(i)->icon().isNull());
    }
    QCOMPARE(items, QStringList({"Audio CDs", "Artists", "Tracks", "DVDs & DivXs", "Data CDs", "Data Items"}));
    QVERIFY(w.ListView1->selectedItems().isEmpty());
    QCOMPARE(w.Panel_left->width(), 90);
    QVERIFY(w.Panel_left->isAncestorOf(w.ListView1));
}

void tst_MainWindow::navigatorBringsListToFront_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("status");
    QTest::newRow("audio CDs") << 0 << "2 audio CDs";
    QTest::newRow("artists") << 1 << "3 artists";
    QTest::newRow("tracks: only those with CD and artist") << 2 << "3 tracks";
    QTest::newRow("DVDs & DivXs") << 3 << "1 movies";
    QTest::newRow("data CDs") << 4 << "2 data CDs";
    QTest::newRow("data items: only those with a CD") << 5 << "4 data items";
}

void tst_MainWindow::navigatorBringsListToFront()
{
    QFETCH(int, item);
    QFETCH(QString, status);
    Fixture f;
    TF_Main &w = *f.app->F_Main;
    // Start elsewhere so every item is a change.
    w.bringToFront(item == 0 ? TF_Main::DataItems : TF_Main::AudioCDs);
    w.ListView1->setCurrentRow(item);
    QCOMPARE(w.ActiveListWindow(), item);
    QCOMPARE(w.ClientArea->currentSubWindow()->widget(), f.windows[item]);
    QCOMPARE(w.StatusBar1->text(), status);
}

void tst_MainWindow::reselectingDoesNothing()
{
    Fixture f;
    TF_Main &w = *f.app->F_Main;
    w.ListView1->setCurrentRow(3);
    QCOMPARE(w.StatusBar1->text(), QStringLiteral("1 movies"));
    f.cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE) values ('Brazil')"));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {},
                      w.ListView1->visualItemRect(w.ListView1->item(3)).center());
    QCOMPARE(w.StatusBar1->text(), QStringLiteral("1 movies"));
    // The refresh command does reload the list in front.
    w.ToolButton4->click();
    QCOMPARE(w.StatusBar1->text(), QStringLiteral("2 movies"));
}

void tst_MainWindow::failingRefreshKeepsStatus()
{
    Fixture f;
    TF_Main &w = *f.app->F_Main;
    w.ListView1->setCurrentRow(1);
    QCOMPARE(w.StatusBar1->text(), QStringLiteral("3 artists"));
    f.cat.exec(QStringLiteral("drop table ARTISTE"));
    QVERIFY_THROWS_EXCEPTION(DbError, w.RefreshActiveList());
    QCOMPARE(w.StatusBar1->text(), QStringLiteral("3 artists"));
}

void tst_MainWindow::aboutBox()
{
    QList<QUrl> opened;
    TF_About about([&](const QUrl &url) { opened << url; });
    QCOMPARE(about.size(), QSize(300, 375));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)));
    QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
    about.show();
    // The mail link only for an address the packager gave at build time: none of the program's own.
    const bool contact = !U_Constantes::ContactAddress.isEmpty();
    QCOMPARE(about.Label9->isVisible(), contact);
    QTest::mouseClick(about.Label14, Qt::LeftButton);
    if (contact)
        QTest::mouseClick(about.Label9, Qt::LeftButton);
    QCOMPARE(opened.size(), contact ? 2 : 1);
    QCOMPARE(opened[0].toString(), about.Label14->text());
    QCOMPARE(opened[0].scheme(), QStringLiteral("https"));
    if (contact)
        QCOMPARE(opened[1].toString(), QStringLiteral("mailto:") + about.Label9->text() + QStringLiteral("?subject=Dadudu"));
    // The name and version in bold, and the invitation to write above the mail link.
    QStringList shown;
    const QLabel *version = nullptr;
    for (const QLabel *label : about.findChildren<QLabel *>()) {
        if (!label->isVisible())
            continue;
        shown << label->text();
        if (label->text() == QLatin1String("Dadudu version 2.0"))
            version = label;
    }
    QVERIFY2(version, qPrintable(shown.join(QStringLiteral(" | "))));
    QVERIFY(version->font().bold());
    QCOMPARE(shown.contains(U_Constantes::AboutFeedback), contact);
    if (!contact)
        QVERIFY2(!shown.join(QString()).contains(QLatin1Char('@')), qPrintable(shown.join(QStringLiteral(" | "))));
}

void tst_MainWindow::aboutFromTheToolbar()
{
    Fixture f;
    QPointer<TF_About> box;
    bool closedByOk = false;
    auto about = driveModal<TF_About>([&](TF_About *b) {
        box = b;
        const QList<QPushButton *> buttons = b->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), QStringLiteral("&Ok"));
        QTest::mouseClick(buttons[0], Qt::LeftButton);
        closedByOk = !b->isVisible();
    });
    f.app->F_Main->ToolButton5->click();
    QVERIFY(about->came());
    QVERIFY(closedByOk);
    QVERIFY(!box); // built for this opening and gone with it
    QVERIFY(f.messages.boxes.isEmpty());
}

void tst_MainWindow::toolbarAndMenuShareOneActionPerCommand_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menuItem");
    QTest::newRow("add") << "ToolButton1" << "Addnew1";
    QTest::newRow("delete") << "ToolButton2" << "Deleteselected1";
    QTest::newRow("edit") << "ToolButton8" << "Edit1";
    QTest::newRow("refresh") << "ToolButton4" << "Refresh1";
    QTest::newRow("print") << "ToolButton9" << "Printlist1";
    QTest::newRow("save HTML") << "ToolButton3" << "SavetoHTML1";
    QTest::newRow("save XLS") << "ToolButton6" << "SavetoExcelXLS1";
}

// Disabling a command disables its button and its menu item alike, because they are one action.
void tst_MainWindow::toolbarAndMenuShareOneActionPerCommand()
{
    QFETCH(QString, button);
    QFETCH(QString, menuItem);
    Fixture f;
    TF_Main &w = *f.app->F_Main;
    auto *b = w.ToolBar1->findChild<QToolButton *>(button);
    QAction *item = w.PopupMenu_grid->findChild<QAction *>(menuItem);
    QVERIFY(b && item);
    QCOMPARE(b->defaultAction(), item);
    QVERIFY(item->isEnabled() && b->isEnabled());
    item->setEnabled(false);
    QVERIFY(!b->isEnabled());
}

void tst_MainWindow::listCommandsWaitForAListInFront()
{
    RecordingMessages messages;
    RecordingDialogs dialogs;
    QTemporaryDir empty;
    TF_Main w(messages, dialogs, empty.path());
    w.setSplashWaitMs(0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (QToolButton *b : {w.ToolButton1, w.ToolButton2, w.ToolButton8, w.ToolButton4, w.ToolButton9, w.ToolButton3,
                           w.ToolButton6})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(w.ToolButton5->isEnabled()); // the about box needs no list
    QVERIFY(w.PopupMenu_grid->findChild<QAction *>(QStringLiteral("Exit1"))->isEnabled());

    Fixture f;
    for (QToolButton *b : {f.app->F_Main->ToolButton1, f.app->F_Main->ToolButton2, f.app->F_Main->ToolButton9})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
