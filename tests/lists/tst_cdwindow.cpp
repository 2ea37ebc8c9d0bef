// What only the audio CD window does, on a real catalogue: its track detail follows the focused CD,
// and a double click on a track edits the CD above. What it shares with the other list windows is
// in tst_listwindows.

#include "editors/AudioCDEditor.h"
#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "lists/AudioCDListWindow.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QPushButton>
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
            "insert into TRACK (TR_LABEL, CD_ID) values ('Dancing Queen', 1), ('SOS', 1), ('Help!', 2), ('Yesterday', "
            "2);"));
        main.connection.setBusyTimeoutMs(0);
        main.openDatabase(cat.path());
        store.openList();
        store.openDetail();
        window.resize(600, 400);
        window.show();
        resets = std::make_unique<QSignalSpy>(&store.listRows(), &RowSource::rowsReset);
    }
    DxGrid &list() { return *window.audioCDsList(); }
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
            out << window.trackGrid()->cellText(r, 1);
        return out;
    }

    TempCatalogue cat;
    RecordingMessages messages;
    CatalogueConnection main{messages};
    AudioCDStore store{main, messages};
    QList<int> edited;
    AudioCDListWindow window{store, [this](int id) { edited << id; }, messages};
    std::unique_ptr<QSignalSpy> resets;
};

} // namespace

class tst_CDWindow : public QObject
{
    Q_OBJECT
private slots:
    void focusedRowDrivesTheDetail();
    void doubleClickOnATrackEditsTheCDAbove();
    void tracksStandOnTheFirstAfterAnEdit_data();
    void tracksStandOnTheFirstAfterAnEdit();
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
    const QRect track = f.window.trackGrid()->view()->visualRect(f.window.trackGrid()->model()->indexOfSourceRow(1, 1));
    QTest::mouseDClick(f.window.trackGrid()->view()->viewport(), Qt::LeftButton, {}, track.center());
    QCOMPARE(f.edited, QList<int>{1});
    QCOMPARE(f.resets->count(), 1);
}

void tst_CDWindow::tracksStandOnTheFirstAfterAnEdit_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("edit saved") << true;
    QTest::newRow("edit cancelled") << false;
}

void tst_CDWindow::tracksStandOnTheFirstAfterAnEdit()
{
    QFETCH(bool, save);

    // A big catalogue: many CDs of many tracks each, so a walk through the tracks would end far
    // from the first.
    const int cds = 40;
    const int tracksPerCD = 15;
    TempCatalogue cat;
    QStringList sql{QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba');")};
    for (int cd = 1; cd <= cds; ++cd) {
        sql << QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (%1, 'CD %1', 1);").arg(cd);
        for (int t = 1; t <= tracksPerCD; ++t)
            sql << QStringLiteral("insert into TRACK (TR_LABEL, CD_ID) values ('Track %1 of %2', %2);").arg(t).arg(cd);
    }
    cat.exec(sql.join(QString()));
    RecordingMessages messages;
    RecordingDialogs dialogs;
    CatalogueConnection main{messages};
    AudioCDStore store{main, messages};
    ArtistStore artists{main, messages};
    main.openDatabase(cat.path());
    store.openList();
    store.openDetail();
    artists.openList();
    // The program's own edit: the audio CD editor on the CD, saved or cancelled.
    AudioCDListWindow window{store,
                             [&](int id) {
                                 AudioCDEditor editor(store, artists, messages, dialogs);
                                 QVERIFY(editor.prepareEdit(id));
                                 (save ? editor.saveButton : editor.cancelButton)->click();
                             },
                             messages};
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const int edited = cds / 2;
    int row = -1;
    for (int r = 0; r < store.count(); ++r)
        if (window.audioCDsList()->cellText(r, 0) == QString::number(edited))
            row = r;
    QVERIFY(row >= 0);
    DxGrid &list = *window.audioCDsList();
    const QModelIndex index = list.model()->indexOfSourceRow(row, 1);
    list.view()->scrollTo(index);
    QTest::mouseClick(list.view()->viewport(), Qt::LeftButton, {}, list.view()->visualRect(index).center());
    QCOMPARE(list.selectedCount(), 1);
    QCOMPARE(store.current().id, edited);
    window.editCurrent();

    QVERIFY(messages.boxes.isEmpty());
    QCOMPARE(store.current().id, edited);
    DxGrid *tracks = window.trackGrid();
    QCOMPARE(store.trackRows().rowCount(), tracksPerCD);
    QCOMPARE(store.trackRows().currentRow(), 0);
    QCOMPARE(tracks->focusedRow(), 0);
    QCOMPARE(tracks->cellText(tracks->focusedRow(), 1), QStringLiteral("Track 1 of %1").arg(edited));
}

QTEST_MAIN(tst_CDWindow)
#include "tst_cdwindow.moc"
