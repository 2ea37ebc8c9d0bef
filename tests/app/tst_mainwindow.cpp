// The main window: its toolbar, the navigator bringing lists to the front with the right count,
// and the about box.

#include "app/AboutDialog.h"
#include "app/AppModules.h"
#include "app/MainWindow.h"
#include "base/Texts.h"
#include "lists/ArtistListWindow.h"
#include "lists/AudioCDListWindow.h"
#include "lists/DataCDListWindow.h"
#include "lists/DataItemListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "store/CatalogueConnection.h"
#include "support/ModalDriver.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

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
        windows[MainWindow::AudioCDs] = app->audioCDList;
        windows[MainWindow::Artists] = app->artistList;
        windows[MainWindow::Tracks] = app->trackList;
        windows[MainWindow::Movies] = app->movieList;
        windows[MainWindow::DataCDs] = app->dataCDList;
        windows[MainWindow::DataItems] = app->dataItemList;
        app->mainWindow->setSplashWaitMs(0);
        app->mainWindow->show();
    }
    TempCatalogue cat;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    std::unique_ptr<AppModules> app;
    ListWindow *windows[MainWindow::ListCount] = {};
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
    MainWindow &w = *f.app->mainWindow;
    QCOMPARE(w.windowTitle(), QStringLiteral("Rovir's Dadudu"));
    QStringList captions, hints;
    for (QToolButton *b : w.toolBar->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly)) {
        if (b->text().isEmpty())
            continue; // the toolbar's own extension button
        captions << b->text();
        hints << b->toolTip();
        QCOMPARE(b->size(), QSize(77, 21));
    }
    QCOMPARE(captions,
             QStringList({"Add new", "Delete", "Edit", "Refresh", "Print", "Save to HTML", "Save to Excel", "About...",
                          "Preferences"}));
    QCOMPARE(hints,
             QStringList({"Add new", "Delete selected", "Edit selected", "Refresh list", "Print list",
                          "Export list to HTML", "Export to XLS (Excel)", "About this software...",
                          "Servers, sources of CD information and disc image"}));
    QStringList items;
    for (int i = 0; i < w.navigator->count(); ++i) {
        items << w.navigator->item(i)->text();
        QVERIFY(!w.navigator->item(i)->icon().isNull());
    }
    QCOMPARE(items, QStringList({"Audio CDs", "Artists", "Tracks", "DVDs & DivXs", "Data CDs", "Data Items"}));
    QVERIFY(w.navigator->selectedItems().isEmpty());
    QCOMPARE(w.leftDock->width(), 90);
    QVERIFY(w.leftDock->isAncestorOf(w.navigator));
}

void tst_MainWindow::navigatorBringsListToFront_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("status");
    QTest::newRow("audio CDs") << 0 << "2 audio CDs";
    QTest::newRow("artists") << 1 << "3 artists";
    // Every row the catalogue holds, those whose parent is gone too.
    QTest::newRow("tracks: the one of a missing CD too") << 2 << "4 tracks";
    QTest::newRow("DVDs & DivXs") << 3 << "1 movies";
    QTest::newRow("data CDs") << 4 << "2 data CDs";
    QTest::newRow("data items: the one of a missing CD too") << 5 << "5 data items";
}

void tst_MainWindow::navigatorBringsListToFront()
{
    QFETCH(int, item);
    QFETCH(QString, status);
    Fixture f;
    MainWindow &w = *f.app->mainWindow;
    // Start elsewhere so every item is a change.
    w.bringToFront(item == 0 ? MainWindow::DataItems : MainWindow::AudioCDs);
    w.navigator->setCurrentRow(item);
    QCOMPARE(w.activeListWindow(), item);
    QCOMPARE(w.mdiArea->currentSubWindow()->widget(), f.windows[item]);
    QCOMPARE(w.statusLabel->text(), status);
}

void tst_MainWindow::reselectingDoesNothing()
{
    Fixture f;
    MainWindow &w = *f.app->mainWindow;
    w.navigator->setCurrentRow(3);
    QCOMPARE(w.statusLabel->text(), QStringLiteral("1 movies"));
    f.cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE) values ('Brazil')"));
    QTest::mouseClick(w.navigator->viewport(), Qt::LeftButton, {},
                      w.navigator->visualItemRect(w.navigator->item(3)).center());
    QCOMPARE(w.statusLabel->text(), QStringLiteral("1 movies"));
    // The refresh command does reload the list in front.
    w.refreshButton->click();
    QCOMPARE(w.statusLabel->text(), QStringLiteral("2 movies"));
}

void tst_MainWindow::failingRefreshKeepsStatus()
{
    Fixture f;
    MainWindow &w = *f.app->mainWindow;
    w.navigator->setCurrentRow(1);
    QCOMPARE(w.statusLabel->text(), QStringLiteral("3 artists"));
    f.cat.exec(QStringLiteral("drop table ARTISTE"));
    QVERIFY_THROWS_EXCEPTION(DbError, w.refreshActiveList());
    QCOMPARE(w.statusLabel->text(), QStringLiteral("3 artists"));
}

void tst_MainWindow::aboutBox()
{
    QList<QUrl> opened;
    AboutDialog about([&](const QUrl &url) { opened << url; });
    QCOMPARE(about.size(), QSize(300, 375));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    const Qt::WindowFlags flags = about.windowFlags();
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)));
    QCOMPARE(about.windowTitle(), QStringLiteral("About..."));
    about.show();
    // The mail link only for an address the packager gave at build time: none of the program's own.
    const bool contact = !Texts::ContactAddress.isEmpty();
    QCOMPARE(about.mailLink->isVisible(), contact);
    QTest::mouseClick(about.webLink, Qt::LeftButton);
    if (contact)
        QTest::mouseClick(about.mailLink, Qt::LeftButton);
    QCOMPARE(opened.size(), contact ? 2 : 1);
    QCOMPARE(opened[0].toString(), about.webLink->text());
    QCOMPARE(opened[0].scheme(), QStringLiteral("https"));
    if (contact)
        QCOMPARE(opened[1].toString(),
                 QStringLiteral("mailto:") + about.mailLink->text() + QStringLiteral("?subject=Dadudu"));
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
    QCOMPARE(shown.contains(Texts::AboutFeedback), contact);
    if (!contact)
        QVERIFY2(!shown.join(QString()).contains(QLatin1Char('@')), qPrintable(shown.join(QStringLiteral(" | "))));
}

void tst_MainWindow::aboutFromTheToolbar()
{
    Fixture f;
    QPointer<AboutDialog> box;
    bool closedByOk = false;
    auto about = driveModal<AboutDialog>([&](AboutDialog *b) {
        box = b;
        const QList<QPushButton *> buttons = b->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), QStringLiteral("&Ok"));
        QTest::mouseClick(buttons[0], Qt::LeftButton);
        closedByOk = !b->isVisible();
    });
    f.app->mainWindow->aboutButton->click();
    QVERIFY(about->came());
    QVERIFY(closedByOk);
    QVERIFY(!box); // built for this opening and gone with it
    QVERIFY(f.messages.boxes.isEmpty());
}

void tst_MainWindow::toolbarAndMenuShareOneActionPerCommand_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menuItem");
    QTest::newRow("add") << "addButton"
                         << "addAct";
    QTest::newRow("delete") << "deleteButton"
                            << "deleteAct";
    QTest::newRow("edit") << "editButton"
                          << "editAct";
    QTest::newRow("refresh") << "refreshButton"
                             << "refreshAct";
    QTest::newRow("print") << "printButton"
                           << "printAct";
    QTest::newRow("save HTML") << "saveHtmlButton"
                               << "saveHtmlAct";
    QTest::newRow("save XLS") << "saveXlsButton"
                              << "saveXlsAct";
}

// Disabling a command disables its button and its menu item alike, because they are one action.
void tst_MainWindow::toolbarAndMenuShareOneActionPerCommand()
{
    QFETCH(QString, button);
    QFETCH(QString, menuItem);
    Fixture f;
    MainWindow &w = *f.app->mainWindow;
    auto *b = w.toolBar->findChild<QToolButton *>(button);
    QAction *item = w.gridMenu->findChild<QAction *>(menuItem);
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
    MainWindow w(messages, dialogs, empty.path());
    w.setSplashWaitMs(0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (QToolButton *b :
         {w.addButton, w.deleteButton, w.editButton, w.refreshButton, w.printButton, w.saveHtmlButton, w.saveXlsButton})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(w.aboutButton->isEnabled()); // the about box needs no list
    QVERIFY(w.gridMenu->findChild<QAction *>(QStringLiteral("exitAct"))->isEnabled());

    Fixture f;
    for (QToolButton *b :
         {f.app->mainWindow->addButton, f.app->mainWindow->deleteButton, f.app->mainWindow->printButton})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
