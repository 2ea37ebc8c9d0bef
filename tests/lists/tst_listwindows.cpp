// The artist, track, movie, data CD and data item windows on one real catalogue: their layout,
// deleting with each one's confirmation and store, editing what each one edits, their details.

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "grid/GroupPanel.h"
#include "lists/FM_Artist.h"
#include "lists/FM_Data.h"
#include "lists/FM_DataItems.h"
#include "lists/FM_Movies.h"
#include "lists/FM_Track.h"
#include "store/DM_Artist.h"
#include "store/DM_Data.h"
#include "store/DM_DataItems.h"
#include "store/DM_Main.h"
#include "store/DM_Movie.h"
#include "store/DM_Track.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTest>

namespace {

enum Window { Artist, Track, Movies, Data, DataItems, WindowCount };

struct Fixture {
    Fixture()
    {
        cat.exec(QStringLiteral(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles'), (3, 'Cure');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (1, 'Gold', 1), (2, 'Help', 2), (3, 'Arrival', 1);"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Dancing Queen', 1), (2, 'SOS', 1), (3, 'Help!', 2),"
            " (4, 'Yesterday', 2), (5, 'Fernando', 3);"
            "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD'), (2, 'Brazil  (1985) ', 'Betamax'),"
            " (3, 'Casablanca', '');"
            "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup'), (2, 'Photos'), (3, 'Music');"
            "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'a.txt', 1), (2, 'b', 1), (3, 'c', 2), (4, 'd', 2),"
            " (5, 'e', 3);"));
        main.ADOConnection.setBusyTimeoutMs(0);
        main.OpenDatabase(cat.path());
        artists.OpenList();
        artists.OpenDetail();
        tracks.OpenList();
        movies.OpenList();
        data.OpenList();
        data.OpenDetail();
        items.OpenList();
        for (TListWindow *w : windows()) {
            w->resize(600, 400);
            w->show();
        }
        for (int i = 0; i < WindowCount; ++i)
            resets[i] = std::make_unique<QSignalSpy>(query(Window(i)), &DbQuery::rowsReset);
    }

    std::array<TListWindow *, WindowCount> windows()
    {
        return {&artistWindow, &trackWindow, &movieWindow, &dataWindow, &itemWindow};
    }
    TListWindow &window(Window w) { return *windows()[w]; }
    DbQuery *query(Window w)
    {
        DbQuery *queries[] = {&artists.ADOQuery_Artists, &tracks.ADOQuery_Tracks, &movies.ADOQuery_Movie,
                              &data.ADOQuery_DataCDs, &items.ADOQuery_DataItems};
        return queries[w];
    }
    int rowOf(Window w, int id)
    {
        DxGrid &grid = *window(w).mainGrid();
        for (int r = 0; r < query(w)->RecordCount(); ++r)
            if (grid.cellText(r, 0) == QString::number(id))
                return r;
        return -1;
    }
    void select(Window w, const QList<int> &ids)
    {
        std::vector<int> rows;
        for (int id : ids)
            rows.push_back(rowOf(w, id));
        window(w).mainGrid()->selectRows(rows);
    }
    void click(DxGrid &grid, int row, Qt::KeyboardModifiers modifiers = {}, bool twice = false)
    {
        const QModelIndex index = grid.model()->indexOfSourceRow(row, grid.columns().size() - 1);
        grid.view()->scrollTo(index);
        const QPoint at = grid.view()->visualRect(index).center();
        if (twice)
            QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, modifiers, at);
        else
            QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, modifiers, at);
    }
    QStringList detail(Window w)
    {
        DbQuery &q = w == Artist ? artists.ADOQuery_ArtistCDs : data.ADOQuery_DataCDItems;
        QStringList out;
        for (int r = 0; r < q.RecordCount(); ++r)
            out << window(w).detailGrid()->cellText(r, 1);
        return out;
    }
    QList<int> resetCounts() const
    {
        QList<int> out;
        for (const auto &spy : resets)
            out << spy->count();
        return out;
    }

    TempCatalogue cat;
    RecordingMessages messages;
    TD_Main main{messages};
    TD_Artist artists{main, messages};
    TD_Track tracks{main, messages};
    TD_Movie movies{main, messages};
    TD_Data data{main, messages};
    TD_DataItems items{main, messages};
    QStringList edits; // every editor call, its arguments joined by '|'
    TF_Artist artistWindow{artists, [this](int id, const QString &name) { edits << QStringLiteral("%1|%2").arg(id).arg(name); },
                           messages};
    TF_Track trackWindow{tracks, [this](int cd) { edits << QString::number(cd); }, messages};
    TF_Movies movieWindow{movies,
                          [this](int id, const QString &title, const QString &type) {
                              edits << QStringLiteral("%1|%2|%3").arg(id).arg(title, type);
                          },
                          messages};
    TF_Data dataWindow{data, [this](int cd) { edits << QString::number(cd); }, messages};
    TF_DataItems itemWindow{items, [this](int cd) { edits << QString::number(cd); }, messages};
    std::array<std::unique_ptr<QSignalSpy>, WindowCount> resets;
};

const QString Plain = QStringLiteral("Are you sure you want do delete this ?");

// Per window: the table and key its rows come from, and what its store says when a delete fails.
void deleteRows()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("failure");
    QTest::newRow("artists") << int(Artist) << "ARTISTE" << "ART_ID"
                             << "Are you sure you want to delete the selected artist(s) ?\r\n"
                                "This operation will also delete the associated CDs and tracks."
                             << "The artist(s) could not be deleted for the following reason :";
    QTest::newRow("tracks") << int(Track) << "TRACK" << "TR_ID" << Plain
                            << "The track(s) could not be deleted for the following reason :";
    QTest::newRow("movies") << int(Movies) << "MOVIE" << "MOV_ID" << Plain
                            << "The movie(s) could not be deleted for the following reason :";
    QTest::newRow("data CDs") << int(Data) << "DATACD" << "CD_ID" << Plain
                              << "The CD(s) could not be deleted for the following reason :";
    QTest::newRow("data items") << int(DataItems) << "DATA" << "DATA_ID" << Plain
                                << "This item could not be deleted for the following reason :";
}

} // namespace

class tst_ListWindows : public QObject
{
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void threeSelectedSecondFailing_data() { deleteRows(); }
    void threeSelectedSecondFailing();
    void answeringNoDeletesNothing_data() { deleteRows(); }
    void answeringNoDeletesNothing();
    void deletingAnArtistLeavesOtherListsAsTheyWere();
    void editHandsTheRightRecord_data();
    void editHandsTheRightRecord();
    void editWithoutSelectionOpensNothing();
    void detailFollowsFocusedRowAndOpensNothing_data();
    void detailFollowsFocusedRowAndOpensNothing();
    void closeBoxMinimises_data();
    void closeBoxMinimises();
};

void tst_ListWindows::layout_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<bool>("groupPanel");
    QTest::addColumn<QString>("detail");
    QTest::newRow("artists") << int(Artist) << "Artists" << QSize(556, 366) << true
                             << QStringList{"ART_ID::1", "ART_NAME:Artist name:0"} << false << "Artist's CDs";
    QTest::newRow("tracks") << int(Track) << "Tracks" << QSize(398, 205) << true
                            << QStringList{"TR_ID::1", "TR_LABEL:Track / Song title:0", "CD_LABEL:CD title:0", "ART_NAME:Artist:0"}
                            << true << "";
    QTest::newRow("movies") << int(Movies) << "Movies" << QSize(383, 237) << false
                            << QStringList{"MOV_ID::1", "MOV_TITLE:Title:0", "MOV_TYPE:Type:0"} << true << "";
    QTest::newRow("data CDs") << int(Data) << "Data CDs" << QSize(404, 291) << true
                              << QStringList{"CD_ID::1", "CD_TITLE:Title:0"} << false << "Data CD's Items";
    QTest::newRow("data items") << int(DataItems) << "Data Items" << QSize(329, 219) << true
                                << QStringList{"DATA_ID::1", "DATA_LABEL:Item name:0", "CD_TITLE:CD title:0"} << true << "";
}

void tst_ListWindows::layout()
{
    QFETCH(int, window);
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(bool, maximised);
    QFETCH(QStringList, columns);
    QFETCH(bool, groupPanel);
    QFETCH(QString, detail);
    Fixture f;
    TListWindow &w = f.window(Window(window));
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.frame().normalSize, size);
    QCOMPARE(w.frame().maximised, maximised);
    QVERIFY(w.frame().canMinimise);
    QStringList shown;
    for (const GridColumn &c : w.mainGrid()->columns()) {
        shown << QStringLiteral("%1:%2:%3").arg(c.field, c.caption).arg(c.hidden);
        QCOMPARE(c.width, 0);
    }
    QCOMPARE(shown, columns);
    QCOMPARE(w.mainGrid()->sortColumn(), -1);
    QCOMPARE(w.mainGrid()->groupPanel()->isVisible(), groupPanel);
    // Bound to the store's list: every row, in the store's order.
    QVERIFY(f.query(Window(window))->RecordCount() >= 3);
    for (int r = 0; r < f.query(Window(window))->RecordCount(); ++r) {
        f.query(Window(window))->setCurrentRow(r);
        QCOMPARE(w.mainGrid()->cellText(r, 1), f.query(Window(window))->Field(w.mainGrid()->columns()[1].field).toString());
    }
    QCOMPARE(w.detailGrid() != nullptr, !detail.isEmpty());
    if (w.detailGrid()) {
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("Panel2"))->text(), detail);
        QVERIFY(w.detailGrid()->view()->isHeaderHidden());
    }
}

void tst_ListWindows::threeSelectedSecondFailing()
{
    QFETCH(int, window);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, confirmation);
    QFETCH(QString, failure);
    Fixture f;
    f.cat.exec(QStringLiteral("create trigger keep_two before delete on %1 when old.%2 = 2 "
                              "begin select raise(abort, 'two is kept'); end")
                   .arg(table, key));
    f.select(Window(window), {1, 2, 3});
    QTest::keyClick(f.window(Window(window)).mainGrid()->view(), Qt::Key_Delete);
    QCOMPARE(f.messages.questions, QStringList{confirmation});
    QCOMPARE(f.messages.texts(), QStringList{failure + QStringLiteral("\r\ntwo is kept")});
    QCOMPARE(f.cat.rows(QStringLiteral("select %1 from %2 where %1 <= 3").arg(key, table)), QStringList{"2"});
    // One reload, of this window's store only.
    QList<int> expected(WindowCount, 0);
    expected[window] = 1;
    QCOMPARE(f.resetCounts(), expected);
    QCOMPARE(f.query(Window(window))->RecordCount(), int(f.cat.count(table)));
}

void tst_ListWindows::answeringNoDeletesNothing()
{
    QFETCH(int, window);
    QFETCH(QString, table);
    Fixture f;
    const qint64 before = f.cat.count(table);
    f.messages.answer = false;
    f.select(Window(window), {1, 2});
    f.window(Window(window)).DeleteSelected();
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(f.cat.count(table), before);
    QCOMPARE(f.resetCounts(), QList<int>(WindowCount, 0));
}

void tst_ListWindows::deletingAnArtistLeavesOtherListsAsTheyWere()
{
    Fixture f;
    const int tracksShown = f.tracks.ADOQuery_Tracks.RecordCount();
    f.select(Artist, {1});
    f.artistWindow.DeleteSelected();
    QCOMPARE(f.cat.count("CDAUDIO", "ART_ID = 1"), 0);
    QCOMPARE(f.cat.count("TRACK", "CD_ID in (1, 3)"), 0);
    QCOMPARE(f.rowOf(Artist, 1), -1);
    // The track list shows Abba's tracks until it is refreshed itself.
    QCOMPARE(f.tracks.ADOQuery_Tracks.RecordCount(), tracksShown);
    QVERIFY(f.rowOf(Track, 1) >= 0);
}

void tst_ListWindows::editHandsTheRightRecord_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("ctrlClicked"); // then added to the selection and focused, or 0
    QTest::addColumn<QString>("call");
    QTest::newRow("artist: first selected row's id and name") << int(Artist) << QList<int>{2, 3} << 0 << "2|Beatles";
    QTest::newRow("movie: title and type as shown") << int(Movies) << QList<int>{2} << 0 << "2|Brazil  (1985) |Betamax";
    QTest::newRow("movie: empty type") << int(Movies) << QList<int>{3} << 0 << "3|Casablanca|";
    QTest::newRow("data CD: first selected row") << int(Data) << QList<int>{3, 2} << 0 << "2";
    // Tracks 1 and 2 are on CD 1; the focus goes to track 4, on CD 2.
    QTest::newRow("track: the focused track's CD") << int(Track) << QList<int>{1, 2} << 4 << "2";
    // Items 1 and 2 are on data CD 1; the focus goes to item 5, on data CD 3.
    QTest::newRow("data item: the focused item's CD") << int(DataItems) << QList<int>{1, 2} << 5 << "3";
}

void tst_ListWindows::editHandsTheRightRecord()
{
    QFETCH(int, window);
    QFETCH(QList<int>, selected);
    QFETCH(int, ctrlClicked);
    QFETCH(QString, call);
    Fixture f;
    f.select(Window(window), selected);
    DxGrid &grid = *f.window(Window(window)).mainGrid();
    if (ctrlClicked) {
        f.click(grid, f.rowOf(Window(window), ctrlClicked), Qt::ControlModifier);
        QCOMPARE(grid.selectedCount(), selected.size() + 1);
    }
    f.window(Window(window)).EditCurrent();
    QCOMPARE(f.edits, QStringList{call});
    QList<int> expected(WindowCount, 0);
    expected[window] = 1;
    QCOMPARE(f.resetCounts(), expected);
}

void tst_ListWindows::editWithoutSelectionOpensNothing()
{
    Fixture f;
    for (TListWindow *w : f.windows()) {
        w->mainGrid()->selectRows({});
        w->EditCurrent();
    }
    QVERIFY(f.edits.isEmpty());
    QCOMPARE(f.resetCounts(), QList<int>(WindowCount, 0));
}

void tst_ListWindows::detailFollowsFocusedRowAndOpensNothing_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("detail");
    QTest::newRow("artist's CDs") << int(Artist) << 1 << QStringList{"Gold", "Arrival"};
    QTest::newRow("data CD's items") << int(Data) << 2 << QStringList{"c", "d"};
}

void tst_ListWindows::detailFollowsFocusedRowAndOpensNothing()
{
    QFETCH(int, window);
    QFETCH(int, id);
    QFETCH(QStringList, detail);
    Fixture f;
    TListWindow &w = f.window(Window(window));
    f.click(*w.mainGrid(), f.rowOf(Window(window), id));
    QStringList shown = f.detail(Window(window));
    shown.sort();
    detail.sort();
    QCOMPARE(shown, detail);
    f.click(*w.detailGrid(), 0, {}, true);
    QVERIFY(f.edits.isEmpty());
    QCOMPARE(f.resetCounts(), QList<int>(WindowCount, 0));
}

void tst_ListWindows::closeBoxMinimises_data()
{
    QTest::addColumn<int>("window");
    QTest::newRow("artists") << int(Artist);
    QTest::newRow("tracks") << int(Track);
    QTest::newRow("movies") << int(Movies);
    QTest::newRow("data CDs") << int(Data);
    QTest::newRow("data items") << int(DataItems);
}

void tst_ListWindows::closeBoxMinimises()
{
    QFETCH(int, window);
    QMdiArea area; // outlives the fixture's window
    Fixture f;
    QMdiSubWindow *sub = area.addSubWindow(&f.window(Window(window)));
    area.show();
    sub->show();
    QVERIFY(!sub->close());
    QVERIFY(sub->isMinimized());
    QVERIFY(area.subWindowList().contains(sub));
}

QTEST_MAIN(tst_ListWindows)
#include "tst_listwindows.moc"
