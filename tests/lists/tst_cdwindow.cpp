// The audio CD window on a real catalogue: its grid, the track detail following the focused CD,
// deleting and editing the selected rows, and exporting every row.

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "lists/FM_CD.h"
#include "store/DM_CD.h"
#include "store/DM_Main.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Fixture {
    Fixture()
    {
        cat.exec(QStringLiteral(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (1, 'Gold', 1, '111', '1992', 0, 'best of'), (2, 'Help', 2, '', '1965', 1, 'line 1\r\nline 2\r\nline 3'),"
            " (3, 'Arrival', 1, '', '1976', 0, '');"
            "insert into TRACK (TR_LABEL, CD_ID) values ('Dancing Queen', 1), ('SOS', 1), ('Help!', 2), ('Yesterday', 2);"));
        main.ADOConnection.setBusyTimeoutMs(0);
        main.OpenDatabase(cat.path());
        store.OpenList();
        store.OpenDetail();
        window.resize(600, 400);
        window.show();
        resets = std::make_unique<QSignalSpy>(&store.ADOQuery_CD, &DbQuery::rowsReset);
    }
    DxGrid &list() { return *window.AudioCDsList(); }
    int rowOf(int cdId)
    {
        for (int r = 0; r < store.ADOQuery_CD.RecordCount(); ++r)
            if (list().cellText(r, 0) == QString::number(cdId))
                return r;
        return -1;
    }
    void select(std::initializer_list<int> cdIds)
    {
        std::vector<int> rows;
        for (int id : cdIds)
            rows.push_back(rowOf(id));
        list().selectRows(rows);
    }
    void click(int cdId)
    {
        const QModelIndex index = list().model()->indexOfSourceRow(rowOf(cdId), 1);
        list().view()->scrollTo(index);
        QTest::mouseClick(list().view()->viewport(), Qt::LeftButton, {}, list().view()->visualRect(index).center());
    }
    QStringList detail()
    {
        QStringList out;
        for (int r = 0; r < store.ADOQuery_tracks.RecordCount(); ++r)
            out << window.dxDBGrid2()->cellText(r, 1);
        return out;
    }

    TempCatalogue cat;
    RecordingMessages messages;
    TD_Main main{messages};
    TD_CD store{main, messages};
    QList<int> edited;
    TF_CD window{store, [this](int id) { edited << id; }, messages};
    std::unique_ptr<QSignalSpy> resets;
};

} // namespace

class tst_CDWindow : public QObject
{
    Q_OBJECT
private slots:
    void layout();
    void focusedRowDrivesTheDetail();
    void deleteKeyWithAnyModifiers_data();
    void deleteKeyWithAnyModifiers();
    void deleteWithoutSelectionAsksAndReloads();
    void answeringNoDeletesNothingAndDoesNotReload();
    void threeSelectedSecondFailing();
    void doubleClicks();
    void exportWritesCollapsedGroups();
    void closeBoxDoesNothing();
};

void tst_CDWindow::layout()
{
    Fixture f;
    QCOMPARE(f.window.windowTitle(), QStringLiteral("Audio CDs"));
    QCOMPARE(f.window.frame().normalSize, QSize(492, 333));
    QVERIFY(f.window.frame().maximised);
    QVERIFY(!f.window.frame().canMinimise);
    QStringList columns;
    for (const GridColumn &c : f.list().columns())
        columns << QStringLiteral("%1:%2:%3:%4:%5").arg(c.field, c.caption).arg(c.width).arg(int(c.kind)).arg(c.hidden);
    QCOMPARE(columns, QStringList({"CD_ID::0:0:1", "CD_LABEL:Title:99:0:0", "ART_NAME:Artist:94:0:0", "BARCODE:Barcode:74:0:0",
                                   "YEAR:Year:45:0:0", "LIMITED:Limited:54:1:0", "COMMENTS:Comments:116:2:0"}));
    QCOMPARE(f.list().sortColumn(), 2);
    // Sorted by artist: both Abba CDs before the Beatles.
    QCOMPARE(f.list().model()->text(f.list().model()->sourceRow(2), 2), QStringLiteral("Beatles"));
    QVERIFY(f.window.dxDBGrid2()->view()->isHeaderHidden());
    QCOMPARE(f.window.findChild<QLabel *>(QStringLiteral("Panel2"))->text(), QStringLiteral("Tracks"));
}

void tst_CDWindow::focusedRowDrivesTheDetail()
{
    Fixture f;
    f.click(2);
    QCOMPARE(f.store.ADOQuery_CD.FieldAsInteger("CD_ID"), 2);
    QCOMPARE(f.detail(), QStringList({"Help!", "Yesterday"}));
    f.click(3);
    QCOMPARE(f.detail(), QStringList());
    // And the other way: the store moving its current row moves the grid and the detail.
    QVERIFY(f.store.ADOQuery_CD.Locate("CD_ID", 1));
    QCOMPARE(f.list().focusedRow(), f.rowOf(1));
    QCOMPARE(f.detail(), QStringList({"Dancing Queen", "SOS"}));
}

void tst_CDWindow::deleteKeyWithAnyModifiers_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::newRow("plain") << int(Qt::NoModifier);
    QTest::newRow("shift") << int(Qt::ShiftModifier);
    QTest::newRow("ctrl") << int(Qt::ControlModifier);
}

void tst_CDWindow::deleteKeyWithAnyModifiers()
{
    QFETCH(int, modifiers);
    Fixture f;
    f.select({1});
    QTest::keyClick(f.list().view(), Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.messages.questions, QStringList{"Are you sure you want do delete this ?"});
    QCOMPARE(f.cat.count("CDAUDIO", "CD_ID = 1"), 0);
    QCOMPARE(f.cat.count("TRACK", "CD_ID = 1"), 0);
    QCOMPARE(f.store.ADOQuery_CD.RecordCount(), 2);
}

void tst_CDWindow::deleteWithoutSelectionAsksAndReloads()
{
    Fixture f;
    f.list().selectRows({});
    f.window.DeleteSelected();
    QCOMPARE(f.messages.questions.size(), 1);
    QCOMPARE(f.cat.count("CDAUDIO"), 3);
    QCOMPARE(f.resets->count(), 1);
}

void tst_CDWindow::answeringNoDeletesNothingAndDoesNotReload()
{
    Fixture f;
    f.messages.answer = false;
    f.select({1, 2});
    f.window.DeleteSelected();
    QCOMPARE(f.cat.count("CDAUDIO"), 3);
    QCOMPARE(f.resets->count(), 0);
}

void tst_CDWindow::threeSelectedSecondFailing()
{
    Fixture f;
    f.cat.exec("create trigger keep_help before delete on CDAUDIO when old.CD_ID = 2 "
               "begin select raise(abort, 'Help is kept'); end");
    f.select({1, 2, 3});
    f.window.DeleteSelected();
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].text, QStringLiteral("The CD(s) could not be deleted for the following reason :\r\nHelp is kept"));
    QCOMPARE(f.cat.rows("select CD_ID from CDAUDIO"), QStringList{"2"});
    QCOMPARE(f.cat.count("TRACK", "CD_ID = 2"), 2);
    QCOMPARE(f.resets->count(), 1);
    QCOMPARE(f.store.ADOQuery_CD.RecordCount(), 1);
}

void tst_CDWindow::doubleClicks()
{
    Fixture f;
    // Nothing selected: nothing opens.
    f.list().selectRows({});
    emit f.list().doubleClicked();
    QVERIFY(f.edited.isEmpty());
    QCOMPARE(f.resets->count(), 0);

    f.select({2});
    const QRect row = f.list().view()->visualRect(f.list().model()->indexOfSourceRow(f.rowOf(2), 1));
    QTest::mouseDClick(f.list().view()->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(f.edited, QList<int>{2});
    QCOMPARE(f.resets->count(), 1);

    // A double click on a track edits the CD selected above it.
    f.select({1});
    f.edited.clear();
    const QRect track = f.window.dxDBGrid2()->view()->visualRect(f.window.dxDBGrid2()->model()->indexOfSourceRow(1, 1));
    QTest::mouseDClick(f.window.dxDBGrid2()->view()->viewport(), Qt::LeftButton, {}, track.center());
    QCOMPARE(f.edited, QList<int>{1});
}

void tst_CDWindow::exportWritesCollapsedGroups()
{
    Fixture f;
    f.list().groupBy(2);
    f.list().setAllGroupsExpanded(false);
    QTemporaryDir dir;
    const QString html = dir.filePath("cds.html");
    const QString xls = dir.filePath("cds.xls");
    QFile old(html);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x')); // an existing, longer file is replaced, not patched
    old.close();
    f.window.SaveToHTMLFile(html);
    f.window.SaveToXLSFile(xls);
    QFile in(html);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    QVERIFY(!text.contains(QStringLiteral("xxxx")));
    for (const char *title : {"Gold", "Help", "Arrival"})
        QVERIFY2(text.contains(QLatin1String(title)), title);
    QVERIFY(QFile(xls).size() >= 4096);
    QVERIFY(QFile(xls).open(QIODevice::ReadOnly));
}

void tst_CDWindow::closeBoxDoesNothing()
{
    Fixture f;
    QVERIFY(!f.window.close());
    QVERIFY(f.window.isVisible());
}

QTEST_MAIN(tst_CDWindow)
#include "tst_cdwindow.moc"
