// What only the audio CD window does, on a real catalogue: its track detail follows the focused CD,
// and a double click on a track edits the CD above. What it shares with the other list windows is
// in tst_listwindows.

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "lists/FM_CD.h"
#include "store/DM_CD.h"
#include "store/DM_Main.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

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
        resets = std::make_unique<QSignalSpy>(&store.listRows(), &RowSource::rowsReset);
    }
    DxGrid &list() { return *window.AudioCDsList(); }
    int rowOf(int cdId)
    {
        for (int r = 0; r < store.count(); ++r)
            if (list().cellText(r, 0) == QString::number(cdId))
                return r;
        return -1;
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
        for (int r = 0; r < store.trackRows().rowCount(); ++r)
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
    void focusedRowDrivesTheDetail();
    void doubleClickOnATrackEditsTheCDAbove();
};

void tst_CDWindow::focusedRowDrivesTheDetail()
{
    Fixture f;
    f.click(2);
    QCOMPARE(f.store.current().id, 2);
    QCOMPARE(f.detail(), QStringList({"Help!", "Yesterday"}));
    f.click(3);
    QCOMPARE(f.detail(), QStringList());
    // And the other way: the store's list moving its current row moves the grid and the detail.
    f.store.listRows().setCurrentRow(f.rowOf(1));
    QCOMPARE(f.store.current().id, 1);
    QCOMPARE(f.list().focusedRow(), f.rowOf(1));
    QCOMPARE(f.detail(), QStringList({"Dancing Queen", "SOS"}));
}

void tst_CDWindow::doubleClickOnATrackEditsTheCDAbove()
{
    Fixture f;
    f.click(1);
    QCOMPARE(f.detail(), QStringList({"Dancing Queen", "SOS"}));
    const QRect track = f.window.dxDBGrid2()->view()->visualRect(f.window.dxDBGrid2()->model()->indexOfSourceRow(1, 1));
    QTest::mouseDClick(f.window.dxDBGrid2()->view()->viewport(), Qt::LeftButton, {}, track.center());
    QCOMPARE(f.edited, QList<int>{1});
    QCOMPARE(f.resets->count(), 1);
}

QTEST_MAIN(tst_CDWindow)
#include "tst_cdwindow.moc"
