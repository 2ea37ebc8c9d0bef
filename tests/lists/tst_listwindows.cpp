// The six list windows on one real catalogue: their layout, deleting with each one's confirmation
// and store, editing what each one edits, their details, their exports and their close boxes.

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "grid/GroupPanel.h"
#include "lists/ArtistListWindow.h"
#include "lists/AudioCDListWindow.h"
#include "lists/DataCDListWindow.h"
#include "lists/DataItemListWindow.h"
#include "lists/MovieListWindow.h"
#include "lists/TrackListWindow.h"
#include "support/StoresOnCatalogue.h"

#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum Window { AudioCDs, Artist, Track, Movies, Data, DataItems, WindowCount };

struct Fixture : StoresOnCatalogue {
    Fixture()
    {
        cat.exec(QStringLiteral(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles'), (3, 'Cure');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (1, 'Gold', 1, '111', '1992', 0, 'best of'), (2, 'Help', 2, '', '1965', 1, 'line 1\r\nline 2\r\nline 3'),"
            " (3, 'Arrival', 1, '', '1976', 0, ''), (4, 'Disintegration', 3, '', '1989', 0, '');"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Dancing Queen', 1), (2, 'SOS', 1), (3, 'Help!', 2),"
            " (4, 'Yesterday', 2), (5, 'Fernando', 3);"
            "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD'), (2, 'Brazil  (1985) ', "
            "'Betamax'),"
            " (3, 'Casablanca', '');"
            "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup'), (2, 'Photos'), (3, 'Music');"
            "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'a.txt', 1), (2, 'b', 1), (3, 'c', 2), (4, 'd', "
            "2),"
            " (5, 'e', 3);"));
        main.connection.setBusyTimeoutMs(0);
        main.openDatabase(cat.path());
        cds.openList();
        cds.openDetail();
        artists.openList();
        artists.openDetail();
        tracks.openList();
        movies.openList();
        data.openList();
        data.openDetail();
        items.openList();
        for (ListWindow *w : windows()) {
            w->resize(600, 400);
            w->show();
        }
        for (int i = 0; i < WindowCount; ++i)
            resets[i] = std::make_unique<QSignalSpy>(&rows(Window(i)), &RowSource::rowsReset);
    }

    std::array<ListWindow *, WindowCount> windows()
    {
        return {&cdWindow, &artistWindow, &trackWindow, &movieWindow, &dataWindow, &itemWindow};
    }
    ListWindow &window(Window w) { return *windows()[w]; }
    Store &store(Window w) { return *all()[w]; }
    RowSource &rows(Window w) { return store(w).listRows(); }
    int rowOf(Window w, int id)
    {
        DxGrid &grid = *window(w).mainGrid();
        for (int r = 0; r < store(w).count(); ++r)
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
        const QModelIndex index = grid.model()->indexOfSourceRow(row, 1);
        grid.view()->scrollTo(index);
        const QPoint at = grid.view()->visualRect(index).center();
        if (twice)
            QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, modifiers, at);
        else
            QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, modifiers, at);
    }
    QStringList detail(Window w)
    {
        RowSource &detailRows = w == Artist ? artists.cdRows() : data.itemRows();
        QStringList out;
        for (int r = 0; r < detailRows.rowCount(); ++r)
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

    QStringList edits; // every editor call, its arguments joined by '|'
    AudioCDListWindow cdWindow{cds, [this](int cd) { edits << QString::number(cd); }, messages};
    // The artist and movie editors read the record the list hands them by its number.
    ArtistListWindow artistWindow{artists,
                                  [this](int id) {
                                      const std::optional<TArtist> artist = artists.artist(id);
                                      edits << QStringLiteral("%1|%2").arg(id).arg(artist ? artist->name : "?");
                                  },
                                  messages};
    TrackListWindow trackWindow{tracks, [this](int cd) { edits << QString::number(cd); }, messages};
    MovieListWindow movieWindow{movies,
                                [this](int id) {
                                    const std::optional<Movie> movie = movies.movie(id);
                                    edits << (movie ? QStringLiteral("%1|%2|%3").arg(id).arg(movie->title, movie->type)
                                                    : QStringLiteral("?"));
                                },
                                messages};
    DataCDListWindow dataWindow{data, [this](int cd) { edits << QString::number(cd); }, messages};
    DataItemListWindow itemWindow{items, [this](int cd) { edits << QString::number(cd); }, messages};
    std::array<std::unique_ptr<QSignalSpy>, WindowCount> resets;
};

const QString Plain = QStringLiteral("Are you sure you want do delete this ?");

// Per window: the table and key its rows come from, what its store says when a delete fails, and
// what belongs to record 2 ("TABLE|where|count"): what a refused delete of record 2 leaves of it.
void deleteRows()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("belongings");
    // One transaction for the CD and its tracks: all of it stays.
    QTest::newRow("audio CDs") << int(AudioCDs) << "CDAUDIO"
                               << "CD_ID" << Plain << "The CD(s) could not be deleted for the following reason :"
                               << "TRACK|CD_ID = 2|2";
    QTest::newRow("artists") << int(Artist) << "ARTISTE"
                             << "ART_ID"
                             << "Are you sure you want to delete the selected artist(s) ?\r\n"
                                "This operation will also delete the associated CDs and tracks."
                             << "The artist(s) could not be deleted for the following reason :"
                             << "CDAUDIO|ART_ID = 2|1";
    QTest::newRow("tracks") << int(Track) << "TRACK"
                            << "TR_ID" << Plain << "The track(s) could not be deleted for the following reason :"
                            << "";
    QTest::newRow("movies") << int(Movies) << "MOVIE"
                            << "MOV_ID" << Plain << "The movie(s) could not be deleted for the following reason :"
                            << "";
    // The items go in one transaction with their data CD: a refused row keeps them.
    QTest::newRow("data CDs") << int(Data) << "DATACD"
                              << "CD_ID" << Plain << "The CD(s) could not be deleted for the following reason :"
                              << "DATA|CD_ID = 2|2";
    QTest::newRow("data items") << int(DataItems) << "DATA"
                                << "DATA_ID" << Plain << "This item could not be deleted for the following reason :"
                                << "";
}

QList<int> onlyReset(int window)
{
    QList<int> expected(WindowCount, 0);
    expected[window] = 1;
    return expected;
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
    void deleteWithoutSelectionAsksAndReloads_data() { deleteRows(); }
    void deleteWithoutSelectionAsksAndReloads();
    void deleteKeyWithAnyModifiers_data();
    void deleteKeyWithAnyModifiers();
    void deletingAnArtistLeavesOtherListsAsTheyWere();
    void editHandsTheRightRecord_data();
    void editHandsTheRightRecord();
    void editWithoutSelectionOpensNothing();
    void detailFollowsFocusedRowAndOpensNothing_data();
    void detailFollowsFocusedRowAndOpensNothing();
    void exportWritesEveryRow_data();
    void exportWritesEveryRow();
    void closeBox_data();
    void closeBox();
};

void tst_ListWindows::layout_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<bool>("canMinimise");
    QTest::addColumn<QStringList>("columns"); // field:caption:width:kind:hidden
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<bool>("groupPanel");
    QTest::addColumn<QString>("detail");
    QTest::newRow("audio CDs") << int(AudioCDs) << "Audio CDs" << QSize(492, 333) << true << false
                               << QStringList{"CD_ID::0:0:1",
                                              "CD_LABEL:Title:99:0:0",
                                              "ART_NAME:Artist:94:0:0",
                                              "BARCODE:Barcode:74:0:0",
                                              "YEAR:Year:45:0:0",
                                              "LIMITED:Limited:54:1:0",
                                              "COMMENTS:Comments:116:2:0"}
                               << 2 << true << "Tracks";
    QTest::newRow("artists") << int(Artist) << "Artists" << QSize(556, 366) << true << true
                             << QStringList{"ART_ID::0:0:1", "ART_NAME:Artist name:0:0:0"} << -1 << false
                             << "Artist's CDs";
    QTest::newRow("tracks") << int(Track) << "Tracks" << QSize(398, 205) << true << true
                            << QStringList{"TR_ID::0:0:1", "TR_LABEL:Track / Song title:0:0:0",
                                           "CD_LABEL:CD title:0:0:0", "ART_NAME:Artist:0:0:0"}
                            << -1 << true << "";
    QTest::newRow("movies") << int(Movies) << "Movies" << QSize(383, 237) << false << true
                            << QStringList{"MOV_ID::0:0:1", "MOV_TITLE:Title:0:0:0", "MOV_TYPE:Type:0:0:0"} << -1
                            << true << "";
    QTest::newRow("data CDs") << int(Data) << "Data CDs" << QSize(404, 291) << true << true
                              << QStringList{"CD_ID::0:0:1", "CD_TITLE:Title:0:0:0"} << -1 << false
                              << "Data CD's Items";
    QTest::newRow("data items") << int(DataItems) << "Data Items" << QSize(329, 219) << true << true
                                << QStringList{"DATA_ID::0:0:1", "DATA_LABEL:Item name:0:0:0",
                                               "CD_TITLE:CD title:0:0:0"}
                                << -1 << true << "";
}

void tst_ListWindows::layout()
{
    QFETCH(int, window);
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(bool, maximised);
    QFETCH(bool, canMinimise);
    QFETCH(QStringList, columns);
    QFETCH(int, sortColumn);
    QFETCH(bool, groupPanel);
    QFETCH(QString, detail);
    Fixture f;
    ListWindow &w = f.window(Window(window));
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.frame().normalSize, size);
    QCOMPARE(w.frame().maximised, maximised);
    QCOMPARE(w.frame().canMinimise, canMinimise);
    QStringList shown;
    for (const GridColumn &c : w.mainGrid()->columns())
        shown << QStringLiteral("%1:%2:%3:%4:%5").arg(c.field, c.caption).arg(c.width).arg(int(c.kind)).arg(c.hidden);
    QCOMPARE(shown, columns);
    QCOMPARE(w.mainGrid()->sortColumn(), sortColumn);
    QCOMPARE(w.mainGrid()->groupPanel()->isVisible(), groupPanel);
    // Bound to the store's list: every row, shown in the store's order or sorted on the sort column.
    RowSource &rows = f.rows(Window(window));
    const int field = rows.fieldIndex(w.mainGrid()->columns()[1].field);
    QVERIFY(rows.rowCount() >= 3);
    for (int r = 0; r < rows.rowCount(); ++r)
        QCOMPARE(w.mainGrid()->cellText(r, 1), rows.value(r, field).toString());
    const int ordered = sortColumn < 0 ? 1 : sortColumn;
    const int orderedField = rows.fieldIndex(w.mainGrid()->columns()[ordered].field);
    QStringList inStore, onScreen;
    for (int r = 0; r < rows.rowCount(); ++r) {
        inStore << rows.value(r, orderedField).toString();
        onScreen << w.mainGrid()->model()->text(w.mainGrid()->model()->sourceRow(r), ordered);
    }
    if (sortColumn >= 0)
        inStore.sort(Qt::CaseInsensitive);
    QCOMPARE(onScreen, inStore);
    QCOMPARE(w.detailGrid() != nullptr, !detail.isEmpty());
    if (w.detailGrid()) {
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("detailBar"))->text(), detail);
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
    QFETCH(QString, belongings);
    Fixture f;
    f.cat.exec(QStringLiteral("create trigger keep_two before delete on %1 when old.%2 = 2 "
                              "begin select raise(abort, 'two is kept'); end")
                   .arg(table, key));
    f.select(Window(window), {1, 2, 3});
    QTest::keyClick(f.window(Window(window)).mainGrid()->view(), Qt::Key_Delete);
    QCOMPARE(f.messages.questions, QStringList{confirmation});
    QCOMPARE(f.messages.texts(), QStringList{failure + QStringLiteral("\r\ntwo is kept")});
    QCOMPARE(f.cat.rows(QStringLiteral("select %1 from %2 where %1 <= 3").arg(key, table)), QStringList{"2"});
    if (!belongings.isEmpty()) {
        const QStringList b = belongings.split(u'|');
        QCOMPARE(f.cat.count(b[0], b[1]), b[2].toLongLong());
    }
    // One reload, of this window's store only.
    QCOMPARE(f.resetCounts(), onlyReset(window));
    QCOMPARE(f.store(Window(window)).count(), int(f.cat.count(table)));
}

void tst_ListWindows::answeringNoDeletesNothing()
{
    QFETCH(int, window);
    QFETCH(QString, table);
    Fixture f;
    const qint64 before = f.cat.count(table);
    f.messages.answer = false;
    f.select(Window(window), {1, 2});
    f.window(Window(window)).deleteSelected();
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(f.cat.count(table), before);
    QCOMPARE(f.resetCounts(), QList<int>(WindowCount, 0));
}

void tst_ListWindows::deleteWithoutSelectionAsksAndReloads()
{
    QFETCH(int, window);
    QFETCH(QString, table);
    QFETCH(QString, confirmation);
    Fixture f;
    const qint64 before = f.cat.count(table);
    f.window(Window(window)).mainGrid()->selectRows({});
    f.window(Window(window)).deleteSelected();
    QCOMPARE(f.messages.questions, QStringList{confirmation});
    QCOMPARE(f.cat.count(table), before);
    QCOMPARE(f.resetCounts(), onlyReset(window));
}

void tst_ListWindows::deleteKeyWithAnyModifiers_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("belongings"); // "TABLE|where": what goes with record 1
    const QString artists = QStringLiteral("Are you sure you want to delete the selected artist(s) ?\r\n"
                                           "This operation will also delete the associated CDs and tracks.");
    QTest::newRow("audio CDs, plain") << int(AudioCDs) << int(Qt::NoModifier) << "CDAUDIO"
                                      << "CD_ID" << Plain << "TRACK|CD_ID = 1";
    QTest::newRow("audio CDs, shift") << int(AudioCDs) << int(Qt::ShiftModifier) << "CDAUDIO"
                                      << "CD_ID" << Plain << "TRACK|CD_ID = 1";
    QTest::newRow("audio CDs, ctrl") << int(AudioCDs) << int(Qt::ControlModifier) << "CDAUDIO"
                                     << "CD_ID" << Plain << "TRACK|CD_ID = 1";
    QTest::newRow("artists, shift") << int(Artist) << int(Qt::ShiftModifier) << "ARTISTE"
                                    << "ART_ID" << artists << "CDAUDIO|ART_ID = 1";
    QTest::newRow("data items, ctrl") << int(DataItems) << int(Qt::ControlModifier) << "DATA"
                                      << "DATA_ID" << Plain << "";
}

void tst_ListWindows::deleteKeyWithAnyModifiers()
{
    QFETCH(int, window);
    QFETCH(int, modifiers);
    QFETCH(QString, table);
    QFETCH(QString, key);
    QFETCH(QString, confirmation);
    QFETCH(QString, belongings);
    Fixture f;
    const int shown = f.store(Window(window)).count();
    f.select(Window(window), {1});
    QTest::keyClick(f.window(Window(window)).mainGrid()->view(), Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.messages.questions, QStringList{confirmation});
    QCOMPARE(f.cat.count(table, key + QStringLiteral(" = 1")), 0);
    if (!belongings.isEmpty()) {
        const QStringList b = belongings.split(u'|');
        QCOMPARE(f.cat.count(b[0], b[1]), 0);
    }
    QCOMPARE(f.store(Window(window)).count(), shown - 1);
}

void tst_ListWindows::deletingAnArtistLeavesOtherListsAsTheyWere()
{
    Fixture f;
    const int tracksShown = f.tracks.count();
    const int cdsShown = f.cds.count();
    f.select(Artist, {1});
    f.artistWindow.deleteSelected();
    QCOMPARE(f.cat.count("CDAUDIO", "ART_ID = 1"), 0);
    QCOMPARE(f.cat.count("TRACK", "CD_ID in (1, 3)"), 0);
    QCOMPARE(f.rowOf(Artist, 1), -1);
    // The track and CD lists show Abba's until they are refreshed themselves.
    QCOMPARE(f.tracks.count(), tracksShown);
    QVERIFY(f.rowOf(Track, 1) >= 0);
    QCOMPARE(f.cds.count(), cdsShown);
    QVERIFY(f.rowOf(AudioCDs, 1) >= 0);
}

void tst_ListWindows::editHandsTheRightRecord_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("ctrlClicked");  // then added to the selection and focused, or 0
    QTest::addColumn<bool>("doubleClick"); // on the first selected row, else the edit command
    QTest::addColumn<QString>("call");
    QTest::newRow("audio CD: double-clicked") << int(AudioCDs) << QList<int>{2} << 0 << true << "2";
    // Arrival (3) is shown above Help (2): grouped under Abba.
    QTest::newRow("audio CD: first selected row on screen") << int(AudioCDs) << QList<int>{2, 3} << 0 << false << "3";
    QTest::newRow("artist: first selected row's id and name")
        << int(Artist) << QList<int>{2, 3} << 0 << false << "2|Beatles";
    QTest::newRow("movie: title and type as shown")
        << int(Movies) << QList<int>{2} << 0 << false << "2|Brazil  (1985) |Betamax";
    QTest::newRow("movie: empty type, double-clicked") << int(Movies) << QList<int>{3} << 0 << true << "3|Casablanca|";
    QTest::newRow("data CD: first selected row") << int(Data) << QList<int>{3, 2} << 0 << false << "2";
    // Tracks 1 and 2 are on CD 1; the focus goes to track 4, on CD 2.
    QTest::newRow("track: the focused track's CD") << int(Track) << QList<int>{1, 2} << 4 << false << "2";
    // Items 1 and 2 are on data CD 1; the focus goes to item 5, on data CD 3.
    QTest::newRow("data item: the focused item's CD") << int(DataItems) << QList<int>{1, 2} << 5 << false << "3";
}

void tst_ListWindows::editHandsTheRightRecord()
{
    QFETCH(int, window);
    QFETCH(QList<int>, selected);
    QFETCH(int, ctrlClicked);
    QFETCH(bool, doubleClick);
    QFETCH(QString, call);
    Fixture f;
    f.select(Window(window), selected);
    DxGrid &grid = *f.window(Window(window)).mainGrid();
    if (ctrlClicked) {
        f.click(grid, f.rowOf(Window(window), ctrlClicked), Qt::ControlModifier);
        QCOMPARE(grid.selectedCount(), selected.size() + 1);
    }
    if (doubleClick)
        f.click(grid, f.rowOf(Window(window), selected[0]), {}, true);
    else
        f.window(Window(window)).editCurrent();
    QCOMPARE(f.edits, QStringList{call});
    QCOMPARE(f.resetCounts(), onlyReset(window));
}

void tst_ListWindows::editWithoutSelectionOpensNothing()
{
    Fixture f;
    for (ListWindow *w : f.windows()) {
        w->mainGrid()->selectRows({});
        w->editCurrent();
        emit w->mainGrid()->doubleClicked();
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
    ListWindow &w = f.window(Window(window));
    f.click(*w.mainGrid(), f.rowOf(Window(window), id));
    QStringList shown = f.detail(Window(window));
    shown.sort();
    detail.sort();
    QCOMPARE(shown, detail);
    f.click(*w.detailGrid(), 0, {}, true);
    QVERIFY(f.edits.isEmpty());
    QCOMPARE(f.resetCounts(), QList<int>(WindowCount, 0));
}

void tst_ListWindows::exportWritesEveryRow_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("groupBy"); // a column to group by and collapse first, or -1
    QTest::newRow("audio CDs, by artist") << int(AudioCDs) << 2;
    QTest::newRow("artists") << int(Artist) << -1;
    QTest::newRow("tracks, by CD") << int(Track) << 2;
    QTest::newRow("movies, by type") << int(Movies) << 2;
    QTest::newRow("data CDs") << int(Data) << -1;
    QTest::newRow("data items, by CD") << int(DataItems) << 2;
}

void tst_ListWindows::exportWritesEveryRow()
{
    QFETCH(int, window);
    QFETCH(int, groupBy);
    Fixture f;
    ListWindow &w = f.window(Window(window));
    if (groupBy >= 0) {
        w.mainGrid()->groupBy(groupBy);
        w.mainGrid()->setAllGroupsExpanded(false);
    }
    QTemporaryDir dir;
    const QString html = dir.filePath("list.html");
    const QString xls = dir.filePath("list.xls");
    QFile old(html);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x')); // an existing, longer file is replaced, not patched
    old.close();
    w.saveToHtmlFile(html);
    w.saveToXlsFile(xls);
    QFile in(html);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    QVERIFY(!text.contains(QStringLiteral("xxxx")));
    RowSource &rows = f.rows(Window(window));
    const int field = rows.fieldIndex(w.mainGrid()->columns()[1].field);
    QVERIFY(rows.rowCount() >= 3);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString cell = rows.value(r, field).toString().toHtmlEscaped();
        QVERIFY2(text.contains(cell), qPrintable(cell));
    }
    QVERIFY(QFile(xls).size() >= 4096);
    QVERIFY(QFile(xls).open(QIODevice::ReadOnly));
}

void tst_ListWindows::closeBox_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("minimises"); // else it does nothing
    QTest::newRow("audio CDs: nothing") << int(AudioCDs) << false;
    QTest::newRow("artists") << int(Artist) << true;
    QTest::newRow("tracks") << int(Track) << true;
    QTest::newRow("movies") << int(Movies) << true;
    QTest::newRow("data CDs") << int(Data) << true;
    QTest::newRow("data items") << int(DataItems) << true;
}

void tst_ListWindows::closeBox()
{
    QFETCH(int, window);
    QFETCH(bool, minimises);
    QMdiArea area; // outlives the fixture's window
    Fixture f;
    ListWindow &w = f.window(Window(window));
    QMdiSubWindow *sub = area.addSubWindow(&w);
    area.show();
    sub->show();
    QVERIFY(!sub->close());
    QVERIFY(!w.close());
    QCOMPARE(sub->isMinimized(), minimises);
    QVERIFY(area.subWindowList().contains(sub));
    if (!minimises)
        QVERIFY(w.isVisible());
}

QTEST_MAIN(tst_ListWindows)
#include "tst_listwindows.moc"
