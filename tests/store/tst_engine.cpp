// The engine layer on a real catalogue file: the old SQL dialect as the stores write it, identities,
// transactions, the snapshot and its current row, and every way opening can fail.

#include "store/CatalogueFile.h"
#include "store/DbEngine.h"
#include "support/TempCatalogue.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

void seed(TempCatalogue &cat)
{
    cat.exec(QStringLiteral(
        "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');"
        "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
        " (1, 'Gold', 1, '', '1992', 0, ''), (2, 'Help', 2, '', '1965', 1, 'x'), (3, 'Orphan', 99, '', '', 0, '');"
        "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Waterloo', 1), (2, 'SOS', 1), (3, 'Help!', 2),"
        " (4, 'Lost', 3), (5, 'Nowhere', 77);"
        "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD');"
        "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup');"
        "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'docs', 1), (2, 'stray', 9);"));
}

struct Open {
    Open(const QString &path)
    {
        connection.setConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False").arg(path));
    }
    DbConnection connection;
};

} // namespace

class tst_Engine : public QObject
{
    Q_OBJECT
private slots:
    void quotedStatementsRun_data();
    void quotedStatementsRun();
    void identityIsPerInsertAndPerConnection();
    void deletedIdentifierIsNeverGivenAgain();
    void rollbackLeavesNothing();
    void closingRollsBackAndClosesQueries();
    void closingReleasesTheFileAndReopens();
    void tooLongValueFailsWithEngineText_data();
    void tooLongValueFailsWithEngineText();
    void limitedHoldsOnlyTrueOrFalse();
    void openFails_data();
    void openFails();
    void queryOpensClosedConnection();
    void dataSourceMayHoldSemicolons();
    void snapshotNavigation();
    void locateLeavesRowAloneOnMiss();
    void boundViewsFollowUnlessControlsDisabled();
    void otherProgramsShareTheFile();
    void literalsAreNotMistakenForParameters();
};

void tst_Engine::quotedStatementsRun_data()
{
    QTest::addColumn<QString>("sql");       // lines separated by " / "
    QTest::addColumn<QString>("params");    // NAME=int or NAME='text', separated by ';'
    QTest::addColumn<int>("expected");      // rows of a select, rows affected otherwise
    QTest::addColumn<QString>("check");     // SQL run afterwards by another connection
    QTest::addColumn<QString>("checked");   // what it must answer

    QTest::newRow("CD list") << "select CD_ID, CD_LABEL, ART_NAME, / BARCODE, YEAR, LIMITED, COMMENTS / from CDAUDIO, ARTISTE / where CDAUDIO.ART_ID = ARTISTE.ART_ID / order by CD_LABEL" << "" << 2 << "" << "";
    QTest::newRow("CD tracks") << "select TR_ID, TR_LABEL from TRACK / where TRACK.CD_ID = :CD_ID / order by TR_ID" << "CD_ID=1" << 2 << "" << "";
    QTest::newRow("delete CD") << "delete from CDAUDIO where CD_ID = :CD_ID" << "CD_ID=2" << 1 << "select count(*) from CDAUDIO" << "2";
    QTest::newRow("delete CD tracks") << "delete from TRACK where CD_ID = :CD_ID" << "CD_ID=1" << 2 << "select count(*) from TRACK" << "3";
    QTest::newRow("insert CD, built") << "INSERT INTO CDAUDIO ([CD_LABEL], [ART_ID], [BARCODE], [YEAR], [LIMITED], [COMMENTS]) VALUES ('Don''t Look Back', 12, '', '1987', false, '');" << "" << 1
                                      << "select CD_LABEL||'|'||ART_ID||'|'||BARCODE||'|'||YEAR||'|'||LIMITED||'|'||COMMENTS from CDAUDIO where CD_ID = 4" << "Don't Look Back|12||1987|0|";
    QTest::newRow("insert track") << "insert into TRACK (TR_LABEL, CD_ID) values (:TR_LABEL, :CD_ID)" << "TR_LABEL='Fernando';CD_ID=1" << 1 << "select TR_LABEL from TRACK where TR_ID = 6" << "Fernando";
    QTest::newRow("update CD, built") << "update CDAUDIO set CDAUDIO.CD_LABEL = 'Blue', CDAUDIO.ART_ID = 4, CDAUDIO.BARCODE = '123', CDAUDIO.YEAR = '', CDAUDIO.LIMITED = true, CDAUDIO.COMMENTS = '' where CD_ID=1;" << "" << 1
                                      << "select CD_LABEL||'|'||ART_ID||'|'||BARCODE||'|'||YEAR||'|'||LIMITED||'|'||COMMENTS from CDAUDIO where CD_ID = 1" << "Blue|4|123||1|";
    QTest::newRow("update CD, table name inside a literal") << "update CDAUDIO set CDAUDIO.CD_LABEL = 'CDAUDIO.CD_LABEL', CDAUDIO.COMMENTS = 'see cdaudio.x' where CD_ID=1;" << "" << 1
                                      << "select CD_LABEL||'|'||COMMENTS from CDAUDIO where CD_ID = 1" << "CDAUDIO.CD_LABEL|see cdaudio.x";
    QTest::newRow("track list") << "select TR_ID, TR_LABEL, CD_LABEL, TRACK.CD_ID, ART_NAME / from TRACK, CDAUDIO, ARTISTE / where TRACK.CD_ID = CDAUDIO.CD_ID / and CDAUDIO.ART_ID = ARTISTE.ART_ID / order by TR_LABEL" << "" << 3 << "" << "";
    QTest::newRow("delete track") << "delete from TRACK where TR_ID = :TR_ID" << "TR_ID=1" << 1 << "select count(*) from TRACK where TR_ID = 1" << "0";
    QTest::newRow("artist list") << "select * from ARTISTE / order by ART_NAME" << "" << 2 << "" << "";
    QTest::newRow("artist CDs") << "select CD_ID, CD_LABEL from CDAUDIO where ART_ID = :ART_ID" << "ART_ID=1" << 1 << "" << "";
    QTest::newRow("add artist") << "insert into ARTISTE (ART_NAME) values(:ART_NAME)" << "ART_NAME='ZZ Top'" << 1 << "select ART_NAME from ARTISTE where ART_ID = 3" << "ZZ Top";
    QTest::newRow("update artist") << "update ARTISTE set ART_NAME = :ART_NAME / where ART_ID = :ART_ID" << "ART_NAME='ABBA';ART_ID=1" << 1 << "select ART_NAME from ARTISTE where ART_ID = 1" << "ABBA";
    QTest::newRow("delete artist") << "delete from ARTISTE where ART_ID= :ART_ID" << "ART_ID=2" << 1 << "select count(*) from ARTISTE" << "1";
    QTest::newRow("delete artist CDs") << "delete from CDAUDIO where ART_ID = :ART_ID" << "ART_ID=1" << 1 << "select count(*) from CDAUDIO where ART_ID = 1" << "0";
    QTest::newRow("delete artist tracks") << "delete from TRACK where CD_ID in (select CD_ID from CDAUDIO / where ART_ID = :ART_ID)" << "ART_ID=1" << 2 << "select group_concat(TR_ID) from TRACK" << "3,4,5";
    QTest::newRow("movie list") << "select * from MOVIE order by MOV_TITLE" << "" << 1 << "" << "";
    QTest::newRow("add movie") << "insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, :MOV_TYPE)" << "MOV_TITLE='Brazil';MOV_TYPE='VCD (MPEG)'" << 1 << "select MOV_TITLE||'|'||MOV_TYPE from MOVIE where MOV_ID = 2" << "Brazil|VCD (MPEG)";
    QTest::newRow("delete movie") << "delete from MOVIE where MOV_ID = :MOV_ID" << "MOV_ID=1" << 1 << "select count(*) from MOVIE" << "0";
    QTest::newRow("update movie") << "update MOVIE set MOV_TITLE = :MOV_TITLE, MOV_TYPE = :MOV_TYPE / where MOV_ID = :MOV_ID" << "MOV_TITLE='Aliens';MOV_TYPE='DivX';MOV_ID=1" << 1 << "select MOV_TITLE||'|'||MOV_TYPE from MOVIE" << "Aliens|DivX";
    QTest::newRow("data CD list") << "select * from DATACD" << "" << 1 << "" << "";
    QTest::newRow("data CD items") << "select * from DATA where CD_ID = :CD_ID" << "CD_ID=1" << 1 << "" << "";
    QTest::newRow("insert data CD") << "insert into DATACD (CD_TITLE) values (:CD_TITLE)" << "CD_TITLE='Photos'" << 1 << "select CD_TITLE from DATACD where CD_ID = 2" << "Photos";
    QTest::newRow("insert data item") << "insert into DATA (CD_ID, DATA_LABEL) values (:CD_ID, :DATA_LABEL)" << "CD_ID=1;DATA_LABEL='src'" << 1 << "select DATA_LABEL from DATA where DATA_ID = 3" << "src";
    QTest::newRow("update data CD") << "update DATACD set CD_TITLE = :CD_TITLE where CD_ID = :CD_ID" << "CD_TITLE='Old backup';CD_ID=1" << 1 << "select CD_TITLE from DATACD" << "Old backup";
    QTest::newRow("delete data items") << "delete from DATA where CD_ID = :CD_ID" << "CD_ID=1" << 1 << "select count(*) from DATA" << "1";
    QTest::newRow("delete data CD") << "delete from DATACD where CD_ID = :CD_ID" << "CD_ID=1" << 1 << "select count(*) from DATACD" << "0";
    QTest::newRow("data item list") << "select DATA_ID, DATA_LABEL, CD_TITLE, DATA.CD_ID / from DATA, DATACD where DATA.CD_ID = DATACD.CD_ID" << "" << 1 << "" << "";
    QTest::newRow("delete data item") << "delete from DATA where DATA_ID = :DATA_ID" << "DATA_ID=2" << 1 << "select group_concat(DATA_ID) from DATA" << "1";
}

void tst_Engine::quotedStatementsRun()
{
    QFETCH(QString, sql);
    QFETCH(QString, params);
    QFETCH(int, expected);
    QFETCH(QString, check);
    QFETCH(QString, checked);

    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery q(db.connection, sql.split(QStringLiteral(" / ")));
    QVERIFY(q.SQL().contains(QStringLiteral("\r\n")) == sql.contains(QStringLiteral(" / ")));
    for (const QString &p : params.split(u';', Qt::SkipEmptyParts)) {
        const QString name = p.section(u'=', 0, 0);
        const QString value = p.section(u'=', 1);
        if (value.startsWith(u'\''))
            q.setParam(name, value.mid(1, value.size() - 2));
        else
            q.setParam(name, value.toInt());
    }
    if (sql.startsWith(QStringLiteral("select"), Qt::CaseInsensitive)) {
        q.Open();
        QCOMPARE(q.RecordCount(), expected);
    } else {
        q.ExecSQL();
        QCOMPARE(q.RowsAffected(), expected);
    }
    if (!check.isEmpty())
        QCOMPARE(cat.scalar(check).toString(), checked);
}

void tst_Engine::identityIsPerInsertAndPerConnection()
{
    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into ARTISTE (ART_NAME) values(:ART_NAME)")});
    DbQuery lastId(db.connection, {QStringLiteral("select @@Identity")});
    QList<int> ids;
    for (const char *name : {"First", "Second"}) {
        db.connection.BeginTrans();
        insert.setParam(QStringLiteral("ART_NAME"), QString::fromLatin1(name));
        insert.ExecSQL();
        db.connection.CommitTrans();
        // Another program inserting meanwhile must not change what this connection reads back.
        cat.exec(QStringLiteral("insert into ARTISTE (ART_NAME) values ('elsewhere')"));
        lastId.Open();
        QCOMPARE(lastId.RecordCount(), 1);
        ids << lastId.FirstField().toInt();
        lastId.Close();
    }
    QCOMPARE(cat.scalar(QStringLiteral("select ART_NAME from ARTISTE where ART_ID = %1").arg(ids[0])).toString(), QStringLiteral("First"));
    QCOMPARE(cat.scalar(QStringLiteral("select ART_NAME from ARTISTE where ART_ID = %1").arg(ids[1])).toString(), QStringLiteral("Second"));
}

void tst_Engine::deletedIdentifierIsNeverGivenAgain()
{
    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("INSERT INTO CDAUDIO ([CD_LABEL], [ART_ID], [BARCODE], [YEAR], [LIMITED], [COMMENTS]) VALUES ('A', 1, '', '', false, '');")});
    DbQuery lastId(db.connection, {QStringLiteral("select @@Identity")});
    insert.ExecSQL();
    lastId.Open();
    const int first = lastId.FirstField().toInt();
    lastId.Close();
    cat.exec(QStringLiteral("delete from CDAUDIO"));
    insert.ExecSQL();
    lastId.Open();
    QVERIFY(lastId.FirstField().toInt() > first);
}

void tst_Engine::rollbackLeavesNothing()
{
    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, :MOV_TYPE)")});
    db.connection.BeginTrans();
    for (const char *t : {"One", "Two"}) {
        insert.setParam(QStringLiteral("MOV_TITLE"), QString::fromLatin1(t));
        insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("DVD"));
        insert.ExecSQL();
    }
    db.connection.RollbackTrans();
    QVERIFY(!db.connection.InTransaction());
    QCOMPARE(cat.count(QStringLiteral("MOVIE")), 0);
}

void tst_Engine::closingRollsBackAndClosesQueries()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery list(db.connection, {QStringLiteral("select * from MOVIE order by MOV_TITLE")});
    list.Open();
    db.connection.BeginTrans();
    DbQuery del(db.connection, {QStringLiteral("delete from MOVIE")});
    del.ExecSQL();
    db.connection.Close();
    QVERIFY(!list.Active());
    QVERIFY(!db.connection.InTransaction());
    QCOMPARE(cat.count(QStringLiteral("MOVIE")), 1);
    db.connection.Close(); // closing a closed connection does nothing
}

void tst_Engine::closingReleasesTheFileAndReopens()
{
    TempCatalogue cat;
    seed(cat);
    cat.failInsertWhen(QStringLiteral("MOVIE"), QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    Open db(cat.path());
    DbQuery list(db.connection, {QStringLiteral("select * from MOVIE order by MOV_TITLE")});
    DbQuery insert(db.connection, {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, 'DVD')")});
    list.Open();
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    QVERIFY_THROWS_EXCEPTION(DbError, insert.ExecSQL());
    db.connection.Close();

    // Leaving the log only works with no other connection on the file: none of ours may linger,
    // not even for a statement that failed half-way.
    QCOMPARE(cat.scalar(QStringLiteral("pragma journal_mode=delete")).toString(), QStringLiteral("delete"));

    // Opening again sets the connection up as the first time did.
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Brazil"));
    insert.ExecSQL();
    QVERIFY(db.connection.Connected());
    list.Open();
    QCOMPARE(list.RecordCount(), 2);
    DbQuery journal(db.connection, {QStringLiteral("pragma journal_mode")});
    journal.Open();
    QCOMPARE(journal.FirstField().toString(), QStringLiteral("wal"));
    DbQuery sync(db.connection, {QStringLiteral("pragma synchronous")});
    sync.Open();
    QCOMPARE(sync.FirstField().toInt(), 2); // FULL
}

void tst_Engine::tooLongValueFailsWithEngineText_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("fits");

    QTest::newRow("CD title") << "CDAUDIO" << "CD_LABEL" << 255;
    QTest::newRow("barcode") << "CDAUDIO" << "BARCODE" << 14;
    QTest::newRow("year") << "CDAUDIO" << "YEAR" << 5;
    QTest::newRow("artist") << "ARTISTE" << "ART_NAME" << 255;
    QTest::newRow("track") << "TRACK" << "TR_LABEL" << 255;
    QTest::newRow("movie title") << "MOVIE" << "MOV_TITLE" << 255;
    QTest::newRow("movie type") << "MOVIE" << "MOV_TYPE" << 255;
    QTest::newRow("data CD") << "DATACD" << "CD_TITLE" << 255;
    QTest::newRow("data item") << "DATA" << "DATA_LABEL" << 255;
}

void tst_Engine::tooLongValueFailsWithEngineText()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(int, fits);

    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into %1 (%2) values (:V)").arg(table, column)});
    // Characters, not bytes, count: an accented text of the full size still fits.
    insert.setParam(QStringLiteral("V"), QString(fits, QChar(0xE9)));
    insert.ExecSQL();
    insert.setParam(QStringLiteral("V"), QString(fits + 1, u'x'));
    try {
        insert.ExecSQL();
        QFAIL("an over-long value was stored");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(column), qPrintable(e.text()));
        QVERIFY2(e.text().contains(QStringLiteral("constraint"), Qt::CaseInsensitive), qPrintable(e.text()));
    }
    QCOMPARE(cat.count(table), 1);
}

void tst_Engine::limitedHoldsOnlyTrueOrFalse()
{
    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into CDAUDIO (CD_LABEL, LIMITED) values ('x', 2)")});
    QVERIFY_THROWS_EXCEPTION(DbError, insert.ExecSQL());
    QCOMPARE(cat.count(QStringLiteral("CDAUDIO")), 0);
}

void tst_Engine::openFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("a folder of that name") << "folder";
    QTest::newRow("a text file") << "text";
}

void tst_Engine::openFails()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dadudu.mdb"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dadudu.mdb")));
    if (kind == QLatin1String("text")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("These are my CDs, one per line.\nAbba - Gold\nThe Beatles - Help\n");
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    Open db(path);
    try {
        db.connection.Open();
        QFAIL("opening succeeded");
    } catch (const DbError &e) {
        QVERIFY(!e.text().isEmpty());
        QVERIFY2(e.text().contains(QStringLiteral("database"), Qt::CaseInsensitive), qPrintable(e.text()));
    }
    QVERIFY(!db.connection.Connected());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void tst_Engine::queryOpensClosedConnection()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery list(db.connection, {QStringLiteral("select * from ARTISTE"), QStringLiteral("order by ART_NAME")});
    QVERIFY(!db.connection.Connected());
    list.Open();
    QVERIFY(db.connection.Connected());
    QCOMPARE(list.RecordCount(), 2);

    Open missing(cat.folder() + QStringLiteral("/nothing-here.mdb"));
    DbQuery orphan(missing.connection, {QStringLiteral("select * from ARTISTE")});
    QVERIFY_THROWS_EXCEPTION(DbError, orphan.Open());
    QVERIFY(!orphan.Active());
}

void tst_Engine::dataSourceMayHoldSemicolons()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("my;discs"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/dadudu.mdb");
    createEmptyCatalogue(path);
    Open db(path);
    QCOMPARE(DbConnection::dataSourceOf(db.connection.connectionString()), path);
    db.connection.Open();
    QVERIFY(db.connection.Connected());
}

void tst_Engine::snapshotNavigation()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery cds(db.connection, {QStringLiteral("select CD_ID, CD_LABEL, ART_NAME,"), QStringLiteral("BARCODE, YEAR, LIMITED, COMMENTS"),
                                QStringLiteral("from CDAUDIO, ARTISTE"), QStringLiteral("where CDAUDIO.ART_ID = ARTISTE.ART_ID"),
                                QStringLiteral("order by CD_LABEL")});
    cds.Open();
    QStringList seen;
    for (cds.First(); !cds.Eof(); cds.Next())
        seen << QStringLiteral("%1 %2 %3 %4").arg(cds.FieldAsInteger(QStringLiteral("CD_ID")))
                    .arg(cds.FieldAsString(QStringLiteral("CD_LABEL")), cds.FieldAsString(QStringLiteral("art_name")))
                    .arg(cds.FieldAsBoolean(QStringLiteral("LIMITED")));
    QCOMPARE(seen, QStringList({QStringLiteral("1 Gold Abba 0"), QStringLiteral("2 Help Beatles 1")}));

    // A snapshot: rows added after opening show only after a reopen.
    cat.exec(QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID) values ('Arrival', 1)"));
    QCOMPARE(cds.RecordCount(), 2);
    cds.Close();
    cds.Open();
    QCOMPARE(cds.RecordCount(), 3);
    QCOMPARE(cds.FieldAsString(QStringLiteral("CD_LABEL")), QStringLiteral("Arrival"));
}

void tst_Engine::locateLeavesRowAloneOnMiss()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery artists(db.connection, {QStringLiteral("select * from ARTISTE order by ART_NAME")});
    artists.Open();
    QVERIFY(artists.Locate(QStringLiteral("ART_ID"), 2));
    QCOMPARE(artists.FieldAsString(QStringLiteral("ART_NAME")), QStringLiteral("Beatles"));
    QVERIFY(!artists.Locate(QStringLiteral("ART_ID"), 42));
    QCOMPARE(artists.FieldAsString(QStringLiteral("ART_NAME")), QStringLiteral("Beatles"));
}

void tst_Engine::boundViewsFollowUnlessControlsDisabled()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    DbQuery tracks(db.connection, {QStringLiteral("select TR_ID, TR_LABEL from TRACK"), QStringLiteral("where TRACK.CD_ID = :CD_ID"),
                                   QStringLiteral("order by TR_ID")});
    QSignalSpy resets(&tracks, &DbQuery::rowsReset);
    QSignalSpy moves(&tracks, &DbQuery::currentRowChanged);
    tracks.setParam(QStringLiteral("CD_ID"), 1);
    tracks.Open();
    QCOMPARE(resets.count(), 1);
    tracks.Next();
    QCOMPARE(moves.count(), 1);
    QCOMPARE(moves.last().at(0).toInt(), 1);

    tracks.DisableControls();
    tracks.Close();
    tracks.setParam(QStringLiteral("CD_ID"), 2);
    tracks.Open();
    QCOMPARE(resets.count(), 1);
    tracks.EnableControls();
    QCOMPARE(resets.count(), 2);
    QCOMPARE(tracks.FieldAsString(QStringLiteral("TR_LABEL")), QStringLiteral("Help!"));

    // A view moving the current row moves what the fields read.
    tracks.Close();
    tracks.setParam(QStringLiteral("CD_ID"), 1);
    tracks.Open();
    tracks.setCurrentRow(1);
    QCOMPARE(tracks.FieldAsString(QStringLiteral("TR_LABEL")), QStringLiteral("SOS"));
}

void tst_Engine::otherProgramsShareTheFile()
{
    TempCatalogue cat;
    seed(cat);
    Open db(cat.path());
    db.connection.Open();
    QCOMPARE(cat.scalar(QStringLiteral("pragma journal_mode")).toString(), QStringLiteral("wal"));
    DbQuery sync(db.connection, {QStringLiteral("pragma synchronous")});
    sync.Open();
    QCOMPARE(sync.FirstField().toInt(), 2); // FULL

    // While we write, another program still reads the last committed state.
    db.connection.BeginTrans();
    DbQuery del(db.connection, {QStringLiteral("delete from ARTISTE")});
    del.ExecSQL();
    QCOMPARE(cat.count(QStringLiteral("ARTISTE")), 2);
    db.connection.CommitTrans();
    QCOMPARE(cat.count(QStringLiteral("ARTISTE")), 0);

    // Another program holding the write lock makes our write fail with the engine's words.
    db.connection.setBusyTimeoutMs(0);
    db.connection.Close();
    cat.holdWriteLock();
    DbQuery insert(db.connection, {QStringLiteral("insert into ARTISTE (ART_NAME) values(:ART_NAME)")});
    insert.setParam(QStringLiteral("ART_NAME"), QStringLiteral("Blocked"));
    try {
        insert.ExecSQL();
        QFAIL("wrote through another program's lock");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("locked")), qPrintable(e.text()));
    }
    cat.releaseWriteLock();
    QCOMPARE(cat.count(QStringLiteral("ARTISTE")), 0);
}

void tst_Engine::literalsAreNotMistakenForParameters()
{
    TempCatalogue cat;
    Open db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, 'ratio 16:9 ?')")});
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral(":MOV_TYPE"));
    insert.ExecSQL();
    QCOMPARE(cat.rows(QStringLiteral("select MOV_TITLE, MOV_TYPE from MOVIE")), QStringList{QStringLiteral(":MOV_TYPE|ratio 16:9 ?")});
}

QTEST_GUILESS_MAIN(tst_Engine)
#include "tst_engine.moc"
