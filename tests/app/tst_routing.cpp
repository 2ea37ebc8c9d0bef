// The toolbar and the grids' pop-up menu sent to the list in front, on a real catalogue with the
// real audio CD window; the dialogs and the print preview are replaced and read back.

#include "app/AppModules.h"
#include "app/MainWindow.h"
#include "editors/AudioCDEditor.h"
#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "lists/AudioCDListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "store/AudioCDStore.h"
#include "store/MovieStore.h"
#include "store/TrackStore.h"
#include "support/ModalDriver.h"
#include "support/ProgressWatcher.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/ScopedCurrentFolder.h"
#include "support/TempCatalogue.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

struct Fixture {
    Fixture()
    {
        cat.exec(QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');"
                                "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
                                " (1, 'Gold', 1, '', '1992', 0, ''), (2, 'Help', 2, '', '1965', 1, ''), (3, 'Arrival', "
                                "1, '', '1976', 0, '');"
                                "insert into TRACK (TR_LABEL, CD_ID) values ('SOS', 1), ('Help!', 2), ('Money', 3);"));
        app = std::make_unique<AppModules>(messages, dialogs, cat.path());
        app->mainWindow->setSplashWaitMs(0);
        app->mainWindow->show();
        app->mainWindow->bringToFront(MainWindow::AudioCDs);
    }
    MainWindow &main() { return *app->mainWindow; }
    DxGrid &cds() { return *app->audioCDList->audioCDsList(); }
    QAction *menuItem(const char *name) { return main().gridMenu->findChild<QAction *>(QLatin1String(name)); }
    void selectCDs(QList<int> ids)
    {
        std::vector<int> rows;
        for (int r = 0; r < app->audioCDStore->count(); ++r)
            if (ids.contains(cds().cellText(r, 0).toInt()))
                rows.push_back(r);
        cds().selectRows(rows);
    }

    TempCatalogue cat;
    RecordingMessages messages;
    RecordingDialogs dialogs;
    std::unique_ptr<AppModules> app;
};

// Menu items by name and caption, submenus included, in order.
QStringList describe(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions()) {
        out << (a->isSeparator() ? a->objectName() + QStringLiteral(" -") : a->objectName() + u' ' + a->text());
        if (a->menu())
            for (const QString &s : describe(a->menu()))
                out << QStringLiteral("  ") + s;
    }
    return out;
}

} // namespace

class tst_Routing : public QObject
{
    Q_OBJECT
private slots:
    void popupMenu();
    void exportsProposeTheListsFileName_data();
    void exportsProposeTheListsFileName();
    void cancelledDialogWritesNothing();
    void exportOverwritesAndFailsLoudly();
    void printShowsThePreviewOfTheListInFront();
    void selectAllThenDeleteRemovesEveryCD();
    void answeringNoStillRefreshesTheMainWindow();
    void unchangedCatalogueIsNotReadAgain();
    void listsBehindAreOrderedWhenTheyComeToFront();
    void refreshReadsBehindAProgressDialog_data();
    void refreshReadsBehindAProgressDialog();
    void threeCDsSecondFailing();
    void addNewOpensTheEditorAndRefreshes();
    void nothingInFrontDoesNothing();
    void exitClosesTheProgram();
};

void tst_Routing::popupMenu()
{
    Fixture f;
    QCOMPARE(describe(f.main().gridMenu),
             QStringList({"addAct Add &new", "editAct &Edit", "selectionMenu &Selection", "  selectAllAct Select &all",
                          "  deleteAct &Delete", "selectionSeparator -", "listMenu &List", "  refreshAct &Refresh list",
                          "  printAct &Print list", "  saveHtmlAct Save to &HTML", "  saveXlsAct Save to Excel (&XLS)",
                          "exitSeparator -", "exitAct E&xit"}));
    QCOMPARE(f.cds().view()->contextMenuPolicy(), Qt::CustomContextMenu);
}

void tst_Routing::exportsProposeTheListsFileName_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("xls");
    QTest::newRow("audio CDs") << int(MainWindow::AudioCDs) << "audiocds.html"
                               << "audiocds.xls";
    QTest::newRow("artists") << int(MainWindow::Artists) << "artists.html"
                             << "artists.xls";
    QTest::newRow("tracks") << int(MainWindow::Tracks) << "tracks.html"
                            << "tracks.xls";
    QTest::newRow("movies") << int(MainWindow::Movies) << "movies.html"
                            << "movies.xls";
    QTest::newRow("data CDs") << int(MainWindow::DataCDs) << "datacds.html"
                              << "datacds.xls";
    QTest::newRow("data items") << int(MainWindow::DataItems) << "dataitems.html"
                                << "dataitems.xls";
}

void tst_Routing::exportsProposeTheListsFileName()
{
    QFETCH(int, list);
    QFETCH(QString, html);
    QFETCH(QString, xls);
    Fixture f;
    f.main().bringToFront(MainWindow::ListIndex(list));
    f.main().saveHtmlButton->click();
    f.menuItem("saveXlsAct")->trigger();
    QCOMPARE(f.dialogs.saves.size(), 2);
    QCOMPARE(f.dialogs.saves[0].filter, QStringLiteral("HTML (*.html)|*.html|HTM (*.htm)|*.htm|All (*.*)|*.*"));
    QCOMPARE(f.dialogs.saves[0].proposed, html);
    QCOMPARE(f.dialogs.saves[1].filter,
             QStringLiteral("Excel (*.xls)|*.xls|Excel workbook (*.xlsx)|*.xlsx|"
                            "CSV, comma-separated (*.csv)|*.csv|All (*.*)|*.*"));
    QCOMPARE(f.dialogs.saves[1].proposed, xls);
}

void tst_Routing::cancelledDialogWritesNothing()
{
    Fixture f;
    QTemporaryDir dir;
    // A dialog answered with nothing must not fall back on a name relative to the current folder.
    ScopedCurrentFolder inside(dir.path());
    QVERIFY(inside.entered());
    f.main().saveHtmlButton->click();
    f.main().saveXlsButton->click();
    QCOMPARE(f.dialogs.saves.size(), 2);
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_Routing::exportOverwritesAndFailsLoudly()
{
    Fixture f;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mine.html"));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("<p>an older export</p>");
    old.close();
    f.dialogs.saveAnswer = file;
    f.main().saveHtmlButton->click();
    QVERIFY(f.messages.boxes.isEmpty());
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray written = in.readAll();
    QVERIFY(!written.contains("an older export"));
    QVERIFY(written.contains("Arrival"));

    // A name that cannot be a file: the error reaches the caller and nothing is left under that name.
    f.dialogs.saveAnswer = dir.path();
    QVERIFY_THROWS_EXCEPTION(std::exception, f.main().routeSaveXls());
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void tst_Routing::printShowsThePreviewOfTheListInFront()
{
    Fixture f;
    f.main().printButton->click();
    f.main().bringToFront(MainWindow::Tracks);
    f.menuItem("printAct")->trigger();
    QCOMPARE(f.dialogs.previews.size(), 2);
    QCOMPARE(f.dialogs.previews[0].first, &f.cds());
    QCOMPARE(f.dialogs.previews[0].second, QStringLiteral("Audio CDs"));
    QCOMPARE(f.dialogs.previews[1].second, QStringLiteral("Tracks / Songs"));
}

void tst_Routing::selectAllThenDeleteRemovesEveryCD()
{
    Fixture f;
    f.menuItem("selectAllAct")->trigger();
    QCOMPARE(f.cds().selectedCount(), 3);
    f.menuItem("deleteAct")->trigger();
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(f.cat.count("CDAUDIO"), 0);
    QCOMPARE(f.cat.count("TRACK"), 0);
    QCOMPARE(f.main().statusLabel->text(), QStringLiteral("0 audio CDs"));
}

void tst_Routing::answeringNoStillRefreshesTheMainWindow()
{
    Fixture f;
    f.messages.answer = false;
    f.cat.exec("insert into CDAUDIO (CD_LABEL, ART_ID) values ('Abbey Road', 2)");
    QSignalSpy resets(&f.app->audioCDStore->listRows(), &RowSource::rowsReset);
    f.selectCDs({1});
    f.main().deleteButton->click();
    QCOMPARE(f.cat.count("CDAUDIO"), 4);
    QCOMPARE(resets.count(), 1); // the main window's refresh only
    QCOMPARE(f.main().statusLabel->text(), QStringLiteral("4 audio CDs"));
}

// The main window's refresh reads a list again only when the catalogue changed since it was read:
// a million rows take seconds, and the reset would drop the user's selection for nothing.
void tst_Routing::unchangedCatalogueIsNotReadAgain()
{
    Fixture f;
    QSignalSpy resets(&f.app->audioCDStore->listRows(), &RowSource::rowsReset);
    f.selectCDs({1, 3});
    f.messages.answer = false;
    f.main().deleteButton->click();
    f.main().navigator->setCurrentRow(MainWindow::Movies);
    f.main().navigator->setCurrentRow(MainWindow::AudioCDs);
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(f.cds().selectedCount(), 2);

    f.cat.exec("update CDAUDIO set YEAR = '1977' where CD_ID = 3"); // another program
    f.main().navigator->setCurrentRow(MainWindow::Movies);
    f.main().navigator->setCurrentRow(MainWindow::AudioCDs);
    QCOMPARE(resets.count(), 1);
    bool shown = false;
    for (int r = 0; r < f.app->audioCDStore->count(); ++r)
        if (f.cds().cellText(r, 0) == QStringLiteral("3"))
            shown = f.cds().cellText(r, 4) == QStringLiteral("1977");
    QVERIFY(shown);
}

// Start-up orders only the list in front; the others wait, read, until the user brings them forward.
void tst_Routing::listsBehindAreOrderedWhenTheyComeToFront()
{
    Fixture f;
    DxGrid &tracks = *f.app->trackList->mainGrid();
    QCOMPARE(tracks.model()->rowTotal(), 0);
    QCOMPARE(f.app->trackStore->count(), 3);
    QCOMPARE(f.cds().model()->rowTotal(), 3);
    f.main().navigator->setCurrentRow(MainWindow::Tracks);
    QStringList shown;
    for (int p = 0; p < tracks.model()->rowTotal(); ++p)
        shown << tracks.cellText(tracks.model()->sourceRow(p), 1);
    QCOMPARE(shown, QStringList({"Help!", "Money", "SOS"}));
    QCOMPARE(tracks.focusedRow(), f.app->trackStore->listRows().currentRow());
}

void tst_Routing::refreshReadsBehindAProgressDialog_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("read to its end") << false;
    QTest::newRow("cancelled") << true;
}

// Reading a long list again leaves the window answering behind a dialog that counts the rows read;
// its Cancel leaves the rows shown as they were.
void tst_Routing::refreshReadsBehindAProgressDialog()
{
    QFETCH(bool, cancel);
    Fixture f;
    f.cat.exec("insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD'), ('Brazil', 'VHS')");
    f.main().navigator->setCurrentRow(MainWindow::Movies);
    QCOMPARE(f.app->movieStore->count(), 2);

    const int added = 20000; // several of the read's checkpoints
    f.cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) with recursive n(i) as "
                              "(select 1 union all select i + 1 from n where i < %1) select 'Zz ' || i, 'DVD' from n")
                   .arg(added)); // another program
    ProgressWatcher watcher(cancel ? std::function<void(QProgressDialog &)>([](QProgressDialog &d) { d.cancel(); })
                                   : std::function<void(QProgressDialog &)>());
    f.main().refreshButton->click();
    QVERIFY2(watcher.seen.size() >= 3, "no progress dialog counted the rows read");
    const int shown = cancel ? 2 : 2 + added;
    QCOMPARE(f.app->movieStore->count(), shown);
    DxGrid &grid = *f.app->movieList->mainGrid();
    QCOMPARE(grid.model()->rowTotal(), shown);
    QVERIFY2(f.main().statusLabel->text().startsWith(QString::number(shown) + u' '),
             qPrintable(f.main().statusLabel->text()));
    QCOMPARE(grid.cellText(grid.model()->sourceRow(0), 1), QStringLiteral("Alien"));
    QCOMPARE(f.app->movieStore->listUpToDate(), !cancel);
}

void tst_Routing::threeCDsSecondFailing()
{
    Fixture f;
    f.cat.exec("create trigger keep_help before delete on CDAUDIO when old.CD_ID = 2 "
               "begin select raise(abort, 'Help is kept'); end");
    f.selectCDs({1, 2, 3});
    f.main().routeDelete();
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY(f.messages.boxes[0].text.endsWith(QStringLiteral("\r\nHelp is kept")));
    QCOMPARE(f.cat.rows("select CD_LABEL from CDAUDIO"), QStringList{"Help"});
    QCOMPARE(f.main().statusLabel->text(), QStringLiteral("1 audio CDs"));
}

void tst_Routing::addNewOpensTheEditorAndRefreshes()
{
    Fixture f;
    int editedId = 0;
    auto editor = driveModal<AudioCDEditor>([&](AudioCDEditor *e) {
        editedId = e->EditedCDID;
        e->titleEdit->setText(QStringLiteral("Waterloo"));
        e->existingArtistButton->setChecked(true);
        e->artistBox->setCurrentIndex(e->artistBox->findText(QStringLiteral("Abba")));
        e->saveButton->click();
    });
    f.main().addButton->click();
    QVERIFY(editor->came());
    QCOMPARE(editedId, -1);
    QCOMPARE(f.cat.rows("select ART_ID from CDAUDIO where CD_LABEL = 'Waterloo'"), QStringList{"1"});
    QCOMPARE(f.main().statusLabel->text(), QStringLiteral("4 audio CDs"));
    QCOMPARE(f.app->audioCDStore->count(), 4);
}

void tst_Routing::nothingInFrontDoesNothing()
{
    Fixture f;
    for (QMdiSubWindow *sub : f.main().mdiArea->subWindowList())
        sub->hide();
    f.main().mdiArea->setActiveSubWindow(nullptr);
    QCOMPARE(f.main().activeListWindow(), -1);
    const QString status = f.main().statusLabel->text();
    f.main().routeAdd();
    f.main().routeDelete();
    f.main().routeEdit();
    f.main().routePrint();
    f.main().routeSaveHtml();
    f.main().routeSaveXls();
    f.main().routeSelectAll();
    QVERIFY(f.messages.questions.isEmpty());
    QVERIFY(f.dialogs.saves.isEmpty());
    QVERIFY(f.dialogs.previews.isEmpty());
    QCOMPARE(f.cat.count("CDAUDIO"), 3);
    QCOMPARE(f.main().statusLabel->text(), status);
}

void tst_Routing::exitClosesTheProgram()
{
    Fixture f;
    f.menuItem("exitAct")->trigger();
    QVERIFY(!f.main().isVisible());
    QCOMPARE(f.app->audioCDStore->listRows().fieldCount(), 0); // closed
    QVERIFY(f.messages.boxes.isEmpty());
}

QTEST_MAIN(tst_Routing)
#include "tst_routing.moc"
