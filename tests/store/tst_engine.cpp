// The engine layer on a real catalogue file: the stores' own queries, so that the SQL they send is the
// SQL tried here, identities, transactions, the snapshot and its current row, and every way opening
// can fail. Cases of the engine alone (parameters, literals, errors) bring their own small SQL.

#include "base/Texts.h"
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"
#include "store/ServerPassword.h"
#include "support/StoresOnCatalogue.h"
#include "support/TempCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <map>
#include <thread>

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

// A catalogue file as an earlier build made it, before the keys and the NUL checks.
void makeEarlierCatalogue(const QString &path)
{
    QFile schema(QStringLiteral(EARLIER_CATALOGUE_SQL));
    QVERIFY(schema.open(QIODevice::ReadOnly));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const QByteArray sql = "PRAGMA journal_mode=WAL;" + schema.readAll();
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}

struct OpenedCatalogue {
    OpenedCatalogue(const QString &path) { connection.setLocation(path); }
    DbConnection connection;
};

// The six stores and their connection over the seeded catalogue, not yet connected: a query
// connects when it first runs.
struct Stores : StoresOnCatalogue {
    Stores()
    {
        seed(cat);
        main.connection.setLocation(cat.path());
    }

    // A store's query by its qualified name, "AudioCDStore::cdQuery".
    DbQuery *query(const QString &name)
    {
        const std::map<QString, DbQuery *> queries{
            {QStringLiteral("AudioCDStore::cdQuery"), &cds.cdQuery},
            {QStringLiteral("AudioCDStore::tracksQuery"), &cds.tracksQuery},
            {QStringLiteral("AudioCDStore::deleteCDQuery"), &cds.deleteCDQuery},
            {QStringLiteral("AudioCDStore::deleteCDTracksQuery"), &cds.deleteCDTracksQuery},
            {QStringLiteral("AudioCDStore::insertAudioCDQuery"), &cds.insertAudioCDQuery},
            {QStringLiteral("AudioCDStore::insertAudioCDTracksQuery"), &cds.insertAudioCDTracksQuery},
            {QStringLiteral("AudioCDStore::updateAudioCDQuery"), &cds.updateAudioCDQuery},
            {QStringLiteral("AudioCDStore::updateAudioCDArtistQuery"), &cds.updateAudioCDArtistQuery},
            {QStringLiteral("TrackStore::tracksQuery"), &tracks.tracksQuery},
            {QStringLiteral("TrackStore::deleteTrackQuery"), &tracks.deleteTrackQuery},
            {QStringLiteral("ArtistStore::artistsQuery"), &artists.artistsQuery},
            {QStringLiteral("ArtistStore::artistCDsQuery"), &artists.artistCDsQuery},
            {QStringLiteral("ArtistStore::addArtistQuery"), &artists.addArtistQuery},
            {QStringLiteral("ArtistStore::updateArtistQuery"), &artists.updateArtistQuery},
            {QStringLiteral("ArtistStore::deleteArtistQuery"), &artists.deleteArtistQuery},
            {QStringLiteral("ArtistStore::deleteArtistCDsQuery"), &artists.deleteArtistCDsQuery},
            {QStringLiteral("ArtistStore::deleteArtistTracksQuery"), &artists.deleteArtistTracksQuery},
            {QStringLiteral("MovieStore::movieQuery"), &movies.movieQuery},
            {QStringLiteral("MovieStore::addMovieQuery"), &movies.addMovieQuery},
            {QStringLiteral("MovieStore::deleteMovieQuery"), &movies.deleteMovieQuery},
            {QStringLiteral("MovieStore::updateMovieQuery"), &movies.updateMovieQuery},
            {QStringLiteral("DataCDStore::dataCDsQuery"), &data.dataCDsQuery},
            {QStringLiteral("DataCDStore::dataCDItemsQuery"), &data.dataCDItemsQuery},
            {QStringLiteral("DataCDStore::insertDataCDQuery"), &data.insertDataCDQuery},
            {QStringLiteral("DataCDStore::insertDataItemsQuery"), &data.insertDataItemsQuery},
            {QStringLiteral("DataCDStore::updateDataCDQuery"), &data.updateDataCDQuery},
            {QStringLiteral("DataCDStore::deleteDataItemsQuery"), &data.deleteDataItemsQuery},
            {QStringLiteral("DataCDStore::deleteDataCDQuery"), &data.deleteDataCDQuery},
            {QStringLiteral("DataItemStore::dataItemsQuery"), &items.dataItemsQuery},
            {QStringLiteral("DataItemStore::deleteDataItemQuery"), &items.deleteDataItemQuery},
        };
        const auto it = queries.find(name);
        return it == queries.end() ? nullptr : it->second;
    }
};

} // namespace

// Each case runs on the engine the program was started for (TempCatalogue::engineUnderTest); a
// case that only concerns a catalogue file says so when it skips on the server.
#define FILE_ONLY(why)                                                                                                 \
    if (TempCatalogue::engineUnderTest() != db::Engine::SQLite)                                                        \
    QSKIP("a catalogue file's own behaviour: " why)

class tst_Engine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void storeStatementsRun_data();
    void storeStatementsRun();
    void linesAreJoinedWithCrLf();
    void identityIsPerInsertAndPerConnection();
    void deletedIdentifierIsNeverGivenAgain();
    void rollbackLeavesNothing();
    void closingRollsBackAndClosesQueries();
    void closingReleasesTheFileAndReopens();
    void tooLongValueFailsWithEngineText_data();
    void tooLongValueFailsWithEngineText();
    void limitedHoldsOnlyTrueOrFalse();
    void nulCharacterRefused_data();
    void nulCharacterRefused();
    void openFails_data();
    void openFails();
    void upgradesEarlierCatalogue_data();
    void upgradesEarlierCatalogue();
    void serverUserWhoMayOnlyRead();
    void queryOpensClosedConnection();
    void dataSourceMayHoldSemicolons();
    void snapshotNavigation();
    void locateLeavesRowAloneOnMiss();
    void boundViewsFollowUnlessControlsDisabled();
    void listReadAgainOnAnotherThread_data();
    void listReadAgainOnAnotherThread();
    void stoppedReadStopsTheServer();
    void otherProgramsShareTheFile();
    void literalsAreNotMistakenForParameters();
    void parametersTakeTheirPlaces_data();
    void parametersTakeTheirPlaces();
    void statementRunAgainTakesTheNewValues();
    void textComparesWithoutCase();
    void dialectWordsInsideLiteralsStayAsTheyAre();
    void serverRestartIsOvercome_data();
    void serverRestartIsOvercome();
    void serverAsksForThePassword_data();
    void serverAsksForThePassword();
};

void tst_Engine::initTestCase()
{
    const QString why = TempCatalogue::unavailable();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
}

void tst_Engine::storeStatementsRun_data()
{
    QTest::addColumn<QString>("query");   // the store's query
    QTest::addColumn<QString>("params");  // NAME=int or NAME='text', separated by ';'
    QTest::addColumn<int>("expected");    // rows of a select, rows affected otherwise
    QTest::addColumn<QString>("check");   // SQL run afterwards by another connection
    QTest::addColumn<QString>("checked"); // what it must answer
    QTest::addColumn<QString>("first");   // SQL run before by another connection: the rows a store
                                          // deletes first, so that the keys let the statement through

    // Every row, the orphans' too.
    QTest::newRow("CD list") << "AudioCDStore::cdQuery"
                             << "" << 3 << ""
                             << ""
                             << "";
    QTest::newRow("CD tracks") << "AudioCDStore::tracksQuery"
                               << "CD_ID=1" << 2 << ""
                               << ""
                               << "";
    QTest::newRow("delete CD") << "AudioCDStore::deleteCDQuery"
                               << "CD_ID=2" << 1 << "select count(*) from CDAUDIO"
                               << "2"
                               << "delete from TRACK where CD_ID = 2";
    QTest::newRow("delete CD tracks") << "AudioCDStore::deleteCDTracksQuery"
                                      << "CD_ID=1" << 2 << "select count(*) from TRACK"
                                      << "3"
                                      << "";
    QTest::newRow("insert CD")
        << "AudioCDStore::insertAudioCDQuery"
        << "CD_LABEL='Don't Look Back';ART_ID=2;BARCODE='';YEAR='1987';LIMITED=0;COMMENTS=''" << 1
        << "select CD_LABEL||'|'||ART_ID||'|'||BARCODE||'|'||YEAR||'|'||LIMITED||'|'||COMMENTS from CDAUDIO where "
           "CD_ID = 4"
        << "Don't Look Back|2||1987|0|"
        << "";
    QTest::newRow("insert track") << "AudioCDStore::insertAudioCDTracksQuery"
                                  << "TR_LABEL='Fernando';CD_ID=1" << 1 << "select TR_LABEL from TRACK where TR_ID = 6"
                                  << "Fernando"
                                  << "";
    QTest::newRow("update CD")
        << "AudioCDStore::updateAudioCDQuery"
        << "CD_ID=1;CD_LABEL='Blue';BARCODE='123';YEAR='';LIMITED=1;COMMENTS=''" << 1
        << "select CD_LABEL||'|'||ART_ID||'|'||BARCODE||'|'||YEAR||'|'||LIMITED||'|'||COMMENTS from CDAUDIO where "
           "CD_ID = 1"
        << "Blue|1|123||1|"
        << "";
    QTest::newRow("update CD's artist") << "AudioCDStore::updateAudioCDArtistQuery"
                                        << "CD_ID=1;ART_ID=2" << 1 << "select ART_ID from CDAUDIO where CD_ID = 1"
                                        << "2"
                                        << "";
    QTest::newRow("update CD's artist, the same")
        << "AudioCDStore::updateAudioCDArtistQuery"
        << "CD_ID=3;ART_ID=99" << 0 << "select ART_ID from CDAUDIO where CD_ID = 3"
        << "99"
        << "";
    QTest::newRow("update CD, table name inside a literal")
        << "AudioCDStore::updateAudioCDQuery"
        << "CD_ID=1;CD_LABEL='CDAUDIO.CD_LABEL';ART_ID=1;BARCODE='';YEAR='1992';LIMITED=0;COMMENTS='see cdaudio.x'" << 1
        << "select CD_LABEL||'|'||COMMENTS from CDAUDIO where CD_ID = 1"
        << "CDAUDIO.CD_LABEL|see cdaudio.x"
        << "";
    QTest::newRow("track list") << "TrackStore::tracksQuery"
                                << "" << 5 << ""
                                << ""
                                << "";
    QTest::newRow("delete track") << "TrackStore::deleteTrackQuery"
                                  << "TR_ID=1" << 1 << "select count(*) from TRACK where TR_ID = 1"
                                  << "0"
                                  << "";
    QTest::newRow("artist list") << "ArtistStore::artistsQuery"
                                 << "" << 2 << ""
                                 << ""
                                 << "";
    QTest::newRow("artist CDs") << "ArtistStore::artistCDsQuery"
                                << "ART_ID=1" << 1 << ""
                                << ""
                                << "";
    QTest::newRow("add artist") << "ArtistStore::addArtistQuery"
                                << "ART_NAME='ZZ Top'" << 1 << "select ART_NAME from ARTISTE where ART_ID = 3"
                                << "ZZ Top"
                                << "";
    QTest::newRow("update artist") << "ArtistStore::updateArtistQuery"
                                   << "ART_NAME='ABBA';ART_ID=1" << 1 << "select ART_NAME from ARTISTE where ART_ID = 1"
                                   << "ABBA"
                                   << "";
    QTest::newRow("delete artist") << "ArtistStore::deleteArtistQuery"
                                   << "ART_ID=2" << 1 << "select count(*) from ARTISTE"
                                   << "1"
                                   << "delete from TRACK where CD_ID = 2; delete from CDAUDIO where CD_ID = 2";
    QTest::newRow("delete artist CDs") << "ArtistStore::deleteArtistCDsQuery"
                                       << "ART_ID=1" << 1 << "select count(*) from CDAUDIO where ART_ID = 1"
                                       << "0"
                                       << "delete from TRACK where CD_ID = 1";
    QTest::newRow("delete artist tracks") << "ArtistStore::deleteArtistTracksQuery"
                                          << "ART_ID=1" << 2 << "select group_concat(TR_ID) from TRACK"
                                          << "3,4,5"
                                          << "";
    QTest::newRow("movie list") << "MovieStore::movieQuery"
                                << "" << 1 << ""
                                << ""
                                << "";
    QTest::newRow("add movie") << "MovieStore::addMovieQuery"
                               << "MOV_TITLE='Brazil';MOV_TYPE='VCD (MPEG)'" << 1
                               << "select MOV_TITLE||'|'||MOV_TYPE from MOVIE where MOV_ID = 2"
                               << "Brazil|VCD (MPEG)"
                               << "";
    QTest::newRow("delete movie") << "MovieStore::deleteMovieQuery"
                                  << "MOV_ID=1" << 1 << "select count(*) from MOVIE"
                                  << "0"
                                  << "";
    QTest::newRow("update movie") << "MovieStore::updateMovieQuery"
                                  << "MOV_TITLE='Aliens';MOV_TYPE='DivX';MOV_ID=1" << 1
                                  << "select MOV_TITLE||'|'||MOV_TYPE from MOVIE"
                                  << "Aliens|DivX"
                                  << "";
    QTest::newRow("data CD list") << "DataCDStore::dataCDsQuery"
                                  << "" << 1 << ""
                                  << ""
                                  << "";
    QTest::newRow("data CD items") << "DataCDStore::dataCDItemsQuery"
                                   << "CD_ID=1" << 1 << ""
                                   << ""
                                   << "";
    QTest::newRow("insert data CD") << "DataCDStore::insertDataCDQuery"
                                    << "CD_TITLE='Photos'" << 1 << "select CD_TITLE from DATACD where CD_ID = 2"
                                    << "Photos"
                                    << "";
    QTest::newRow("insert data item") << "DataCDStore::insertDataItemsQuery"
                                      << "CD_ID=1;DATA_LABEL='src'" << 1
                                      << "select DATA_LABEL from DATA where DATA_ID = 3"
                                      << "src"
                                      << "";
    QTest::newRow("update data CD") << "DataCDStore::updateDataCDQuery"
                                    << "CD_TITLE='Old backup';CD_ID=1" << 1 << "select CD_TITLE from DATACD"
                                    << "Old backup"
                                    << "";
    QTest::newRow("delete data items") << "DataCDStore::deleteDataItemsQuery"
                                       << "CD_ID=1" << 1 << "select count(*) from DATA"
                                       << "1"
                                       << "";
    QTest::newRow("delete data CD") << "DataCDStore::deleteDataCDQuery"
                                    << "CD_ID=1" << 1 << "select count(*) from DATACD"
                                    << "0"
                                    << "delete from DATA where CD_ID = 1";
    QTest::newRow("data item list") << "DataItemStore::dataItemsQuery"
                                    << "" << 2 << ""
                                    << ""
                                    << "";
    QTest::newRow("delete data item") << "DataItemStore::deleteDataItemQuery"
                                      << "DATA_ID=2" << 1 << "select group_concat(DATA_ID) from DATA"
                                      << "1"
                                      << "";
}

void tst_Engine::storeStatementsRun()
{
    QFETCH(QString, query);
    QFETCH(QString, params);
    QFETCH(int, expected);
    QFETCH(QString, check);
    QFETCH(QString, checked);
    QFETCH(QString, first);

    Stores s;
    if (!first.isEmpty())
        s.cat.exec(first);
    DbQuery *q = s.query(query);
    QVERIFY2(q, qPrintable(query));
    QVariantMap values;
    for (const QString &p : params.split(u';', Qt::SkipEmptyParts)) {
        const QString value = p.section(u'=', 1);
        values[p.section(u'=', 0, 0)]
            = value.startsWith(u'\'') ? QVariant(value.mid(1, value.size() - 2)) : QVariant(value.toInt());
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.value().typeId() == QMetaType::Int)
            q->setParam(it.key(), it.value().toInt());
        else
            q->setParam(it.key(), it.value().toString());
    }
    if (q->sql().trimmed().startsWith(QStringLiteral("select"), Qt::CaseInsensitive)) {
        q->open();
        QCOMPARE(q->rowCount(), expected);
    } else {
        q->exec();
        QCOMPARE(q->rowsAffected(), expected);
    }
    if (!check.isEmpty()) {
        static const QRegularExpression concat(QStringLiteral("group_concat\\((\\w+)\\)"));
        const auto m = concat.match(check);
        if (m.hasMatch())
            check.replace(m.capturedStart(), m.capturedLength(), s.cat.joined(m.captured(1), m.captured(1)));
        QCOMPARE(s.cat.scalar(check).toString(), checked);
    }
}

// The stores write their SQL in lines; the engine must read the line breaks as white space.
void tst_Engine::linesAreJoinedWithCrLf()
{
    TempCatalogue cat;
    seed(cat);
    OpenedCatalogue db(cat.path());
    DbQuery q(
        db.connection,
        {QStringLiteral("select ART_NAME"), QStringLiteral("from ARTISTE"), QStringLiteral("where ART_ID = :ART_ID")});
    QCOMPARE(q.sql(), QStringLiteral("select ART_NAME\r\nfrom ARTISTE\r\nwhere ART_ID = :ART_ID"));
    q.setParam(QStringLiteral("ART_ID"), 2);
    q.open();
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.firstField().toString(), QStringLiteral("Beatles"));
}

void tst_Engine::identityIsPerInsertAndPerConnection()
{
    Stores s;
    DbConnection &connection = s.main.connection;
    DbQuery &insert = s.artists.addArtistQuery;
    QList<int> ids;
    for (const char *name : {"First", "Second"}) {
        connection.beginTrans();
        // Asked before the session drew any number, within the transaction that then inserts: the
        // question must not spoil it.
        if (ids.isEmpty())
            QCOMPARE(s.main.lastId(), 0);
        insert.setParam(QStringLiteral("ART_NAME"), QString::fromLatin1(name));
        insert.exec();
        connection.commitTrans();
        // Another program inserting meanwhile must not change what this connection reads back.
        s.cat.exec(QStringLiteral("insert into ARTISTE (ART_NAME) values ('elsewhere')"));
        ids << s.main.lastId();
        QVERIFY(ids.last() > 0);
    }
    QCOMPARE(s.cat.scalar(QStringLiteral("select ART_NAME from ARTISTE where ART_ID = %1").arg(ids[0])).toString(),
             QStringLiteral("First"));
    QCOMPARE(s.cat.scalar(QStringLiteral("select ART_NAME from ARTISTE where ART_ID = %1").arg(ids[1])).toString(),
             QStringLiteral("Second"));
}

void tst_Engine::deletedIdentifierIsNeverGivenAgain()
{
    Stores s;
    DbQuery &insert = s.cds.insertAudioCDQuery;
    insert.setParam(QStringLiteral("CD_LABEL"), QStringLiteral("A"));
    insert.setParam(QStringLiteral("ART_ID"), 1);
    insert.setParam(QStringLiteral("LIMITED"), 0);
    insert.exec();
    const int first = s.main.lastId();
    s.cat.exec(QStringLiteral("delete from CDAUDIO"));
    insert.exec();
    QVERIFY(s.main.lastId() > first);
}

void tst_Engine::rollbackLeavesNothing()
{
    Stores s;
    const QStringList before = s.cat.rows(QStringLiteral("select * from MOVIE"));
    DbQuery &insert = s.movies.addMovieQuery;
    s.main.connection.beginTrans();
    for (const char *t : {"One", "Two"}) {
        insert.setParam(QStringLiteral("MOV_TITLE"), QString::fromLatin1(t));
        insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("DVD"));
        insert.exec();
    }
    s.main.connection.rollbackTrans();
    QVERIFY(!s.main.connection.inTransaction());
    QCOMPARE(s.cat.rows(QStringLiteral("select * from MOVIE")), before);
}

void tst_Engine::closingRollsBackAndClosesQueries()
{
    Stores s;
    DbQuery &list = s.movies.movieQuery;
    list.open();
    s.main.connection.beginTrans();
    DbQuery &del = s.movies.deleteMovieQuery;
    del.setParam(QStringLiteral("MOV_ID"), 1);
    del.exec();
    QCOMPARE(del.rowsAffected(), 1);
    s.main.connection.close();
    QVERIFY(!list.active());
    QVERIFY(!s.main.connection.inTransaction());
    QCOMPARE(s.cat.count(QStringLiteral("MOVIE")), 1);
    s.main.connection.close(); // closing a closed connection does nothing
}

void tst_Engine::closingReleasesTheFileAndReopens()
{
    TempCatalogue cat;
    seed(cat);
    cat.failInsertWhen(QStringLiteral("MOVIE"), QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    OpenedCatalogue db(cat.path());
    DbQuery list(db.connection, {QStringLiteral("select * from MOVIE order by MOV_TITLE")});
    DbQuery insert(db.connection,
                   {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, 'DVD')")});
    list.open();
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    QVERIFY_THROWS_EXCEPTION(DbError, insert.exec());
    int session = 0;
    if (cat.isServer()) {
        DbQuery pid(db.connection, {QStringLiteral("select pg_backend_pid()")});
        pid.open();
        session = pid.firstField().toInt();
    }
    db.connection.close();

    // Leaving the log only works with no other connection on the file: none of ours may linger,
    // not even for a statement that failed half-way. On the server, the session is gone.
    if (cat.isServer())
        QTRY_COMPARE(
            cat.scalar(QStringLiteral("select count(*) from pg_stat_activity where pid = %1").arg(session)).toInt(), 0);
    else
        QCOMPARE(cat.scalar(QStringLiteral("pragma journal_mode=delete")).toString(), QStringLiteral("delete"));

    // Opening again sets the connection up as the first time did.
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Brazil"));
    insert.exec();
    QVERIFY(db.connection.connected());
    list.open();
    QCOMPARE(list.rowCount(), 2);
    if (cat.isServer())
        return;
    DbQuery journal(db.connection, {QStringLiteral("pragma journal_mode")});
    journal.open();
    QCOMPARE(journal.firstField().toString(), QStringLiteral("wal"));
    DbQuery sync(db.connection, {QStringLiteral("pragma synchronous")});
    sync.open();
    QCOMPARE(sync.firstField().toInt(), 2); // FULL
}

void tst_Engine::tooLongValueFailsWithEngineText_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("fits");

    QTest::newRow("CD title") << "CDAUDIO"
                              << "CD_LABEL" << 255;
    QTest::newRow("barcode") << "CDAUDIO"
                             << "BARCODE" << 14;
    QTest::newRow("year") << "CDAUDIO"
                          << "YEAR" << 5;
    QTest::newRow("artist") << "ARTISTE"
                            << "ART_NAME" << 255;
    QTest::newRow("track") << "TRACK"
                           << "TR_LABEL" << 255;
    QTest::newRow("movie title") << "MOVIE"
                                 << "MOV_TITLE" << 255;
    QTest::newRow("movie type") << "MOVIE"
                                << "MOV_TYPE" << 255;
    QTest::newRow("data CD") << "DATACD"
                             << "CD_TITLE" << 255;
    QTest::newRow("data item") << "DATA"
                               << "DATA_LABEL" << 255;
}

void tst_Engine::tooLongValueFailsWithEngineText()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(int, fits);

    TempCatalogue cat;
    OpenedCatalogue db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into %1 (%2) values (:V)").arg(table, column)});
    // Characters, not bytes, count: an accented text of the full size still fits.
    insert.setParam(QStringLiteral("V"), QString(fits, QChar(0xE9)));
    insert.exec();
    insert.setParam(QStringLiteral("V"), QString(fits + 1, u'x'));
    try {
        insert.exec();
        QFAIL("an over-long value was stored");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(column), qPrintable(e.text()));
        QVERIFY2(e.text().contains(QStringLiteral("constraint"), Qt::CaseInsensitive), qPrintable(e.text()));
        // One line, as either engine says it, without the whole row the user typed.
        QVERIFY2(!e.text().contains(u'\n') && !e.text().contains(u'\r'), qPrintable(e.text()));
        QVERIFY2(!e.text().contains(QString(fits + 1, u'x')), qPrintable(e.text()));
    }
    QCOMPARE(cat.count(table), 1);
}

void tst_Engine::limitedHoldsOnlyTrueOrFalse()
{
    TempCatalogue cat;
    OpenedCatalogue db(cat.path());
    DbQuery insert(db.connection, {QStringLiteral("insert into CDAUDIO (CD_LABEL, LIMITED) values ('x', 2)")});
    QVERIFY_THROWS_EXCEPTION(DbError, insert.exec());
    QCOMPARE(cat.count(QStringLiteral("CDAUDIO")), 0);
}

void tst_Engine::nulCharacterRefused_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");

    QTest::newRow("CD title") << "CDAUDIO"
                              << "CD_LABEL";
    QTest::newRow("barcode") << "CDAUDIO"
                             << "BARCODE";
    QTest::newRow("year") << "CDAUDIO"
                          << "YEAR";
    QTest::newRow("comments") << "CDAUDIO"
                              << "COMMENTS";
    QTest::newRow("artist") << "ARTISTE"
                            << "ART_NAME";
    QTest::newRow("track") << "TRACK"
                           << "TR_LABEL";
    QTest::newRow("movie title") << "MOVIE"
                                 << "MOV_TITLE";
    QTest::newRow("movie type") << "MOVIE"
                                << "MOV_TYPE";
    QTest::newRow("data CD") << "DATACD"
                             << "CD_TITLE";
    QTest::newRow("data item") << "DATA"
                               << "DATA_LABEL";
}

// The engine's length stops at a NUL, so "ab\0" and 300 more characters would pass a 255 check.
void tst_Engine::nulCharacterRefused()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    const QString withNul = QStringLiteral("ab") + QChar(0) + QString(300, u'x');
    const QByteArray sql = QStringLiteral("insert into %1 (%2) values (?)").arg(table, column).toUtf8();

    TempCatalogue cat;
    if (cat.isServer()) {
        // The server stores no NUL at all; this program says so before sending, naming the column.
        OpenedCatalogue db(cat.path());
        DbQuery insert(db.connection, {QStringLiteral("insert into %1 (%2) values (:%2)").arg(table, column)});
        insert.setParam(column, withNul);
        try {
            insert.exec();
            QFAIL("a text holding a NUL was stored");
        } catch (const DbError &e) {
            QVERIFY2(e.text().contains(column) && e.text().contains(QStringLiteral("NUL")), qPrintable(e.text()));
        }
        QCOMPARE(cat.count(table), 0);
        return;
    }
    // Another program writing to the catalogue meets the schema's check, which names the column.
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(cat.side(), sql.constData(), -1, &st, nullptr), SQLITE_OK);
    const QByteArray bytes = withNul.toUtf8();
    sqlite3_bind_text(st, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    const QString text = QString::fromUtf8(sqlite3_errmsg(cat.side()));
    sqlite3_finalize(st);
    QCOMPARE(rc, SQLITE_CONSTRAINT);
    QVERIFY2(text.contains(table + u'.' + column + QStringLiteral(" holds a NUL character")), qPrintable(text));
    QCOMPARE(cat.count(table), 0);

    // This program refuses it itself, even on a catalogue whose tables have no such check.
    QTemporaryDir dir;
    const QString earlier = dir.filePath(QStringLiteral("dadudu.mdb"));
    makeEarlierCatalogue(earlier);
    OpenedCatalogue db(earlier);
    DbQuery insert(db.connection, {QStringLiteral("insert into %1 (%2) values (:%2)").arg(table, column)});
    insert.setParam(column, withNul);
    try {
        insert.exec();
        QFAIL("a text holding a NUL was stored");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(column) && e.text().contains(QStringLiteral("NUL")), qPrintable(e.text()));
    }
    DbQuery stored(db.connection, {QStringLiteral("select count(*) from %1").arg(table)});
    stored.open();
    QCOMPARE(stored.firstField().toInt(), 0);
}

void tst_Engine::upgradesEarlierCatalogue_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("earlier, with rows whose parent is gone") << "earlier";
    QTest::newRow("of a newer program") << "newer";
    if (TempCatalogue::engineUnderTest() == db::Engine::SQLite)
        QTest::newRow("earlier, with a row the schema's checks refuse") << "refused";
    else // a table of the later version is in the way
        QTest::newRow("earlier, its upgrade failing") << "failing";
}

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList sqliteRows(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QStringList out;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList row;
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)));
                out << row.join(u'|');
            }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

// Every row of a catalogue, each table's in the order of its numbers.
QStringList everyRow(const QString &path)
{
    QStringList out;
    for (const char *sql :
         {"select * from ARTISTE order by 1", "select * from CDAUDIO order by 1", "select * from TRACK order by 1",
          "select * from MOVIE order by 1", "select * from DATACD order by 1", "select * from DATA order by 1",
          "select name, seq from sqlite_sequence order by 1"})
        out << QString::fromLatin1(sql) << sqliteRows(path, sql);
    return out;
}

} // namespace

// A catalogue of an earlier version is upgraded when the program opens it for writing: a copy of
// the file beside it first, then in one transaction every missing parent made and the keys given,
// so that the race of a CD stored under a deleted artist fails there too. One of a newer version is
// refused and left as it is; an upgrade that fails leaves the file as it was, with no copy about.
void tst_Engine::upgradesEarlierCatalogue()
{
    QFETCH(QString, kind);
    if (TempCatalogue::engineUnderTest() == db::Engine::PostgreSQL) {
        TempCatalogue cat;
        seed(cat);
        const QString schema = cat.scalar(QStringLiteral("select current_schema()")).toString();
        if (kind == QLatin1String("earlier"))
            cat.exec(QStringLiteral("drop table COVER; drop table DADUDU_VERSION"));
        else if (kind == QLatin1String("failing"))
            cat.exec(QStringLiteral("drop table DADUDU_VERSION"));
        else
            cat.exec(QStringLiteral("update DADUDU_VERSION set VERSION = 3"));
        // A schema of the name the copy would take, holding something of its own.
        cat.exec(QStringLiteral("create schema dadudu_before_v1; create table dadudu_before_v1.mine (x text);"
                                "insert into dadudu_before_v1.mine values ('kept')"));
        const auto dropCopies = qScopeGuard([&] {
            cat.exec(QStringLiteral("drop schema if exists dadudu_before_v1 cascade;"
                                    "drop schema if exists dadudu_before_v1_2 cascade"));
        });
        const QStringList schemas = cat.rows(QStringLiteral("select nspname from pg_namespace order by 1"));
        const QString listTables = QStringLiteral("select table_name from information_schema.tables "
                                                  "where table_schema = '%1' order by 1");
        const QStringList tables = cat.rows(listTables.arg(schema));
        // Every row of a schema's catalogue tables as psql prints them.
        const auto rowsIn = [](const QString &in) {
            QString out;
            for (const char *table : {"artiste", "cdaudio", "track", "movie", "datacd", "data"}) {
                QProcess psql;
                psql.start(QStringLiteral("psql"),
                           {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-v"),
                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), TempCatalogue::serverAddress(),
                            QStringLiteral("-c"),
                            QStringLiteral("select * from %1.%2 order by 1").arg(in, QLatin1String(table))});
                if (!psql.waitForFinished(30000) || psql.exitCode() != 0)
                    return QStringLiteral("psql failed: ") + QString::fromUtf8(psql.readAllStandardError());
                out += QLatin1String(table) + u'\n' + QString::fromUtf8(psql.readAllStandardOutput());
            }
            return out;
        };
        const QString before = rowsIn(schema);
        QVERIFY2(before.contains(QStringLiteral("Orphan")), qPrintable(before));
        OpenedCatalogue db(cat.path());
        if (kind != QLatin1String("earlier")) {
            QVERIFY_THROWS_EXCEPTION(DbError, db.connection.open());
            QCOMPARE(cat.rows(listTables.arg(schema)), tables);
            QCOMPARE(rowsIn(schema), before);
            QCOMPARE(cat.rows(QStringLiteral("select nspname from pg_namespace order by 1")), schemas);
            if (kind == QLatin1String("newer"))
                QCOMPARE(cat.scalar(QStringLiteral("select VERSION from DADUDU_VERSION")).toInt(), 3);
            return;
        }
        db.connection.open();
        QCOMPARE(cat.scalar(QStringLiteral("select VERSION from DADUDU_VERSION")).toInt(), 2);
        QCOMPARE(cat.count(QStringLiteral("COVER")), 0);
        QCOMPARE(rowsIn(schema), before);
        // The copy as the catalogue was, beside the schema of that name, which is left as it was; the
        // user is told where it is.
        QCOMPARE(db.connection.upgradeCopy(), Texts::UpgradeCopySchema.arg(QStringLiteral("dadudu_before_v1_2")));
        QCOMPARE(rowsIn(QStringLiteral("dadudu_before_v1_2")), before);
        QCOMPARE(cat.rows(listTables.arg(QStringLiteral("dadudu_before_v1_2"))), tables);
        QCOMPARE(cat.rows(QStringLiteral("select x from dadudu_before_v1.mine")), QStringList{"kept"});
        QCOMPARE(cat.rows(listTables.arg(QStringLiteral("dadudu_before_v1"))), QStringList{"mine"});
        // Reopened, it is left as it is.
        db.connection.close();
        db.connection.open();
        QCOMPARE(db.connection.upgradeCopy(), QString());
        QCOMPARE(cat.count(QStringLiteral("DADUDU_VERSION")), 1);
        QCOMPARE(cat.rows(QStringLiteral("select nspname from pg_namespace order by 1")).size(), schemas.size() + 1);
        return;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dadudu.mdb"));
    makeEarlierCatalogue(path);
    sqlite3 *side = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &side), SQLITE_OK);
    QString extra = QStringLiteral(
        "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles');"
        "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
        " (1, 'Gold', 1, '', '1992', 0, ''), (3, 'Orphan', 99, '', '', 0, NULL), (4, 'Also', 99, '', '', 0, '');"
        "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Waterloo', 1), (4, 'Lost', 3), (5, 'Nowhere', 77);"
        "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup');"
        "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'docs', 1), (2, 'stray', 9);"
        "delete from CDAUDIO where CD_ID = 1; delete from TRACK where TR_ID = 1; insert into CDAUDIO (CD_ID, CD_LABEL, "
        "ART_ID) values (1, 'Gold', 1);");
    if (kind == QLatin1String("newer"))
        extra += QStringLiteral("PRAGMA user_version = 3;");
    QCOMPARE(sqlite3_exec(side, extra.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    if (kind == QLatin1String("refused")) {
        sqlite3_stmt *st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(side, "insert into MOVIE (MOV_TITLE) values (?)", -1, &st, nullptr), SQLITE_OK);
        sqlite3_bind_text(st, 1, "A\0B", 3, SQLITE_STATIC);
        QCOMPARE(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
    }
    sqlite3_close(side);
    const QByteArray before = fileBytes(path);
    const QStringList rowsBefore = everyRow(path);

    OpenedCatalogue db(path);
    db.connection.setForeignKeys(true);
    if (kind != QLatin1String("earlier")) {
        try {
            db.connection.open();
            QFAIL("opening succeeded");
        } catch (const DbError &e) {
            QVERIFY2(
                e.text().contains(kind == QLatin1String("newer") ? QStringLiteral("version 3") : QStringLiteral("NUL")),
                qPrintable(e.text()));
        }
        QVERIFY(!db.connection.connected());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("dadudu.mdb")});
        QCOMPARE(fileBytes(path), before);
        return;
    }
    db.connection.open();
    QCOMPARE(db.connection.upgradeCopy(),
             u'"' + QDir::toNativeSeparators(dir.filePath(QStringLiteral("dadudu.mdb.version-1"))) + u'"');
    db.connection.close();

    // The copy beside it holds the file as it was.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("dadudu.mdb"), QStringLiteral("dadudu.mdb.version-1")}));
    QCOMPARE(everyRow(dir.filePath(QStringLiteral("dadudu.mdb.version-1"))), rowsBefore);
    QCOMPARE(sqliteRows(dir.filePath(QStringLiteral("dadudu.mdb.version-1")), "pragma user_version"), QStringList{"0"});

    // Every row as it was, byte for byte, and the parents made with the numbers the rows name.
    QStringList expected = rowsBefore;
    expected.insert(expected.indexOf(QStringLiteral("select * from CDAUDIO order by 1")),
                    QStringLiteral("99|(missing artist 99)"));
    expected.insert(expected.indexOf(QStringLiteral("select * from TRACK order by 1")),
                    QStringLiteral("77|(missing CD 77)||||0|"));
    expected.insert(expected.indexOf(QStringLiteral("select * from DATA order by 1")),
                    QStringLiteral("9|(missing data CD 9)"));
    // The made numbers count as given, as a row stored with its number does.
    for (QString &line : expected)
        if (line.startsWith(QLatin1String("ARTISTE|")))
            line = QStringLiteral("ARTISTE|99");
        else if (line.startsWith(QLatin1String("CDAUDIO|")))
            line = QStringLiteral("CDAUDIO|77");
        else if (line.startsWith(QLatin1String("DATACD|")))
            line = QStringLiteral("DATACD|9");
    QCOMPARE(everyRow(path), expected);
    QCOMPARE(sqliteRows(path, "pragma user_version"), QStringList{"2"});
    QCOMPARE(sqliteRows(path, "select count(*) from pragma_foreign_key_list('DATA')"), QStringList{"1"});
    QCOMPARE(sqliteRows(path, "pragma integrity_check"), QStringList{"ok"});

    // The keys hold now: a CD stored under an artist another program deleted fails.
    DbQuery insert(db.connection, {QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID) values ('Late', :ART_ID)")});
    insert.setParam(QStringLiteral("ART_ID"), 2);
    insert.exec();
    DbQuery other(db.connection, {QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID) values ('Later', 555)")});
    QVERIFY_THROWS_EXCEPTION(DbError, other.exec());
    // Opened again, it is not upgraded again.
    db.connection.close();
    db.connection.open();
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("dadudu.mdb.version-1-2"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("dadudu.mdb.version-2"))));
}

// A server user granted only reading opens the catalogue for reading: the program can tell, and
// turns its writing commands off, instead of failing at the first save.
void tst_Engine::serverUserWhoMayOnlyRead()
{
    if (TempCatalogue::engineUnderTest() != db::Engine::PostgreSQL)
        QSKIP("a server's own grants; a file that cannot be written is in tst_tools and tst_startup");
    TempCatalogue cat;
    seed(cat);
    const QString role = QStringLiteral("dadudu_reader_%1").arg(QCoreApplication::applicationPid());
    const QString schema = cat.scalar(QStringLiteral("select current_schema()")).toString();
    cat.exec(QStringLiteral(
                 "create role %1 login; grant usage on schema %2 to %1; grant select on all tables in schema %2 to %1")
                 .arg(role, schema));
    const auto dropRole = qScopeGuard([&] { cat.exec(QStringLiteral("drop owned by %1; drop role %1").arg(role)); });
    {
        QString address = cat.path();
        address.replace(QRegularExpression(QStringLiteral("^postgresql://[^@/]*@")),
                        QStringLiteral("postgresql://%1@").arg(role));
        OpenedCatalogue db(address);
        db.connection.open();
        QVERIFY(db.connection.readOnly());
        DbQuery list(db.connection, {QStringLiteral("select MOV_TITLE from MOVIE order by 1")});
        list.open();
        QCOMPARE(list.rowCount(), int(cat.count(QStringLiteral("MOVIE"))));
    }
    OpenedCatalogue writer(cat.path());
    writer.connection.open();
    QVERIFY(!writer.connection.readOnly());
}

void tst_Engine::openFails_data()
{
    QTest::addColumn<QString>("kind");
    if (TempCatalogue::engineUnderTest() == db::Engine::PostgreSQL) {
        QTest::newRow("no server at the address") << "no server";
        QTest::newRow("a database without the catalogue's tables") << "empty database";
        QTest::newRow("a catalogue without its movies") << "partial database";
        QTest::newRow("a database that is not there") << "no database";
        return;
    }
    QTest::newRow("missing file") << "missing";
    QTest::newRow("a folder of that name") << "folder";
    QTest::newRow("a text file") << "text";
    QTest::newRow("an empty file") << "empty";
    QTest::newRow("another program's database") << "foreign";
    QTest::newRow("a catalogue without its movies") << "partial";
}

void tst_Engine::openFails()
{
    QFETCH(QString, kind);
    if (TempCatalogue::engineUnderTest() == db::Engine::PostgreSQL) {
        TempCatalogue cat;
        QString address = cat.path();
        if (kind == QLatin1String("no server")) {
            // A port nothing listens on: the test server's own, once we know it is not that one.
            address = QStringLiteral("postgresql://dadudu@127.0.0.1:1/dadudu_test?connect_timeout=5");
        } else if (kind == QLatin1String("empty database")) {
            cat.exec(QStringLiteral("drop table COVER; drop table DADUDU_VERSION; "
                                    "drop table DATA; drop table DATACD; drop table TRACK; drop table CDAUDIO; "
                                    "drop table MOVIE; drop table ARTISTE; create table NOTES (TXT text)"));
        } else if (kind == QLatin1String("partial database")) {
            cat.exec(QStringLiteral("drop table MOVIE"));
        } else {
            address = TempCatalogue::serverAddress() + QStringLiteral("_not_there");
        }
        const QStringList tables = cat.rows(QStringLiteral("select table_name from information_schema.tables "
                                                           "where table_schema = current_schema() order by 1"));
        OpenedCatalogue db(address);
        try {
            db.connection.open();
            QFAIL("opening succeeded");
        } catch (const DbError &e) {
            QVERIFY2(!e.text().isEmpty(), "the engine's text");
            const bool notACatalogue = kind.endsWith(QLatin1String("database")) && kind != QLatin1String("no database");
            if (notACatalogue)
                QVERIFY2(e.text().contains(QStringLiteral("not a catalogue")), qPrintable(e.text()));
            // A caller that makes such a database a catalogue tells it by its kind, never its words.
            QCOMPARE(e.cause() == DbError::Cause::NotACatalogue, notACatalogue);
        }
        QVERIFY(!db.connection.connected());
        QCOMPARE(cat.rows(QStringLiteral("select table_name from information_schema.tables "
                                         "where table_schema = current_schema() order by 1")),
                 tables);
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dadudu.mdb"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dadudu.mdb")));
    if (kind == QLatin1String("text") || kind == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("text"))
            f.write("These are my CDs, one per line.\nAbba - Gold\nThe Beatles - Help\n");
    }
    if (kind == QLatin1String("foreign") || kind == QLatin1String("partial")) {
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
        const QByteArray sql = kind == QLatin1String("foreign")
            ? QByteArray("create table NOTES (TEXT); insert into NOTES values ('milk');")
            : catalogueSchema().toUtf8() + "drop table MOVIE;";
        QCOMPARE(sqlite3_exec(other, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    auto bytes = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    };
    const QByteArray bytesBefore = bytes();

    OpenedCatalogue db(path);
    try {
        db.connection.open();
        QFAIL("opening succeeded");
    } catch (const DbError &e) {
        QVERIFY(!e.text().isEmpty());
        QVERIFY2(e.text().contains(QStringLiteral("database"), Qt::CaseInsensitive), qPrintable(e.text()));
        // An empty file holds no table at all; a text file is no database, which the engine says.
        const bool notACatalogue
            = kind == QLatin1String("empty") || kind == QLatin1String("foreign") || kind == QLatin1String("partial");
        QCOMPARE(e.cause() == DbError::Cause::NotACatalogue, notACatalogue);
    }
    QVERIFY(!db.connection.connected());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QCOMPARE(bytes(), bytesBefore);
}

void tst_Engine::queryOpensClosedConnection()
{
    Stores s;
    DbQuery &list = s.artists.artistsQuery;
    QVERIFY(!s.main.connection.connected());
    list.open();
    QVERIFY(s.main.connection.connected());
    QCOMPARE(list.rowCount(), 2);

    OpenedCatalogue missing(s.cat.folder() + QStringLiteral("/nothing-here.mdb"));
    DbQuery orphan(missing.connection, {QStringLiteral("select * from ARTISTE")});
    QVERIFY_THROWS_EXCEPTION(DbError, orphan.open());
    QVERIFY(!orphan.active());
}

void tst_Engine::dataSourceMayHoldSemicolons()
{
    FILE_ONLY("a path holding ';'");
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("my;discs"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/dadudu.mdb");
    createEmptyCatalogue(path);
    OpenedCatalogue db(path);
    QCOMPARE(db.connection.location(), path);
    db.connection.open();
    QVERIFY(db.connection.connected());
}

void tst_Engine::snapshotNavigation()
{
    Stores s;
    DbQuery &cds = s.cds.cdQuery;
    cds.open();
    QStringList seen;
    for (cds.first(); !cds.eof(); cds.next())
        seen << QStringLiteral("%1 %2 %3 %4")
                    .arg(cds.fieldAsInteger(QStringLiteral("CD_ID")))
                    .arg(cds.fieldAsString(QStringLiteral("CD_LABEL")), cds.fieldAsString(QStringLiteral("art_name")))
                    .arg(cds.fieldAsBoolean(QStringLiteral("LIMITED")));
    QCOMPARE(seen,
             QStringList(
                 {QStringLiteral("1 Gold Abba 0"), QStringLiteral("2 Help Beatles 1"), QStringLiteral("3 Orphan  0")}));

    // A snapshot: rows added after opening show only after a reopen.
    s.cat.exec(QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID) values ('Arrival', 1)"));
    QCOMPARE(cds.rowCount(), 3);
    cds.close();
    cds.open();
    QCOMPARE(cds.rowCount(), 4);
    QCOMPARE(cds.fieldAsString(QStringLiteral("CD_LABEL")), QStringLiteral("Arrival"));
}

void tst_Engine::locateLeavesRowAloneOnMiss()
{
    Stores s;
    DbQuery &artists = s.artists.artistsQuery;
    artists.open();
    QVERIFY(artists.locate(QStringLiteral("ART_ID"), 2));
    QCOMPARE(artists.fieldAsString(QStringLiteral("ART_NAME")), QStringLiteral("Beatles"));
    QVERIFY(!artists.locate(QStringLiteral("ART_ID"), 42));
    QCOMPARE(artists.fieldAsString(QStringLiteral("ART_NAME")), QStringLiteral("Beatles"));
}

void tst_Engine::boundViewsFollowUnlessControlsDisabled()
{
    Stores s;
    DbQuery &tracks = s.cds.tracksQuery;
    QSignalSpy resets(&tracks, &DbQuery::rowsReset);
    QSignalSpy moves(&tracks, &DbQuery::currentRowChanged);
    tracks.setParam(QStringLiteral("CD_ID"), 1);
    tracks.open();
    QCOMPARE(resets.count(), 1);
    tracks.next();
    QCOMPARE(moves.count(), 1);
    QCOMPARE(moves.last().at(0).toInt(), 1);

    tracks.disableControls();
    tracks.close();
    tracks.setParam(QStringLiteral("CD_ID"), 2);
    tracks.open();
    QCOMPARE(resets.count(), 1);
    tracks.enableControls();
    QCOMPARE(resets.count(), 2);
    QCOMPARE(tracks.fieldAsString(QStringLiteral("TR_LABEL")), QStringLiteral("Help!"));

    // A view moving the current row moves what the fields read.
    tracks.close();
    tracks.setParam(QStringLiteral("CD_ID"), 1);
    tracks.open();
    tracks.setCurrentRow(1);
    QCOMPARE(tracks.fieldAsString(QStringLiteral("TR_LABEL")), QStringLiteral("SOS"));
}

void tst_Engine::listReadAgainOnAnotherThread_data()
{
    QTest::addColumn<int>("stopAt"); // the progress call that answers false; 0 for none
    QTest::newRow("read to its end") << 0;
    QTest::newRow("stopped before the first row") << 1;
    QTest::newRow("stopped half-way") << 3;
}

// A window reads a long list again on a thread of its own while the old rows stay shown; a read the
// user stopped leaves them exactly as they were.
void tst_Engine::listReadAgainOnAnotherThread()
{
    QFETCH(int, stopAt);
    Stores s;
    DbQuery &movies = s.movies.movieQuery;
    movies.open();
    const int before = movies.rowCount();
    const QString firstTitle = movies.fieldAsString(QStringLiteral("MOV_TITLE"));
    const int added = 3 * db::Rows::CheckpointRows;
    s.cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) with recursive n(i) as "
                              "(select 1 union all select i + 1 from n where i < %1) select 'Zz ' || i, 'DVD' from n")
                   .arg(added));
    QVERIFY(!movies.upToDate());
    QSignalSpy resets(&movies, &DbQuery::rowsReset);

    QList<int> counts, totals;
    bool shownRowsRead = false;
    std::thread::id readOn;
    const StepRunner onAnotherThread = [&](const std::function<bool(const StepProgress &)> &step) {
        bool answer = false;
        std::thread worker([&] {
            readOn = std::this_thread::get_id();
            answer = step([&](int done, int total, bool readingShownRows) {
                counts << done;
                totals << total;
                shownRowsRead = shownRowsRead || readingShownRows;
                return stopAt == 0 || counts.size() < stopAt;
            });
        });
        worker.join();
        return answer;
    };
    const bool read = movies.reopen(onAnotherThread);
    QVERIFY(readOn != std::thread::id() && readOn != std::this_thread::get_id());
    QVERIFY2(!shownRowsRead, "the read touches the rows shown, so the window would wait on it");
    QCOMPARE(counts.value(0, -1), 0);
    QCOMPARE(totals.value(0, -1), before); // about as many as last time, until more come
    QVERIFY(std::is_sorted(counts.begin(), counts.end()));
    if (stopAt == 0) {
        QVERIFY(read);
        QVERIFY2(counts.size() >= 3, "the read let the window in only at its start");
        QVERIFY(counts.last() <= before + added);
        QCOMPARE(movies.rowCount(), before + added);
        QCOMPARE(resets.count(), 1);
        QVERIFY(movies.upToDate());
        return;
    }
    QVERIFY(!read);
    QCOMPARE(counts.size(), stopAt);
    QCOMPARE(movies.rowCount(), before);
    QCOMPARE(movies.fieldAsString(QStringLiteral("MOV_TITLE")), firstTitle);
    QCOMPARE(resets.count(), 0);
    QVERIFY(!movies.upToDate());
    // The statement was left in order: the next read gives every row.
    QVERIFY(movies.reopen({}));
    QCOMPARE(movies.rowCount(), before + added);
    QCOMPARE(resets.count(), 1);
}

// A long read stopped at a checkpoint stops on the server too: the rows not sent yet are never made,
// and the connection answers the next statement.
void tst_Engine::stoppedReadStopsTheServer()
{
    if (TempCatalogue::engineUnderTest() != db::Engine::PostgreSQL)
        QSKIP("a file's rows are made one by one as they are read");
    TempCatalogue cat;
    cat.exec(QStringLiteral("create sequence dadudu_rows_made"));
    OpenedCatalogue db(cat.path());
    const int total = 1000000;
    DbQuery rows(db.connection,
                 {QStringLiteral("select nextval('dadudu_rows_made') as N, repeat('x', 60) as PAD"),
                  QStringLiteral("from generate_series(1, :TOTAL)")});
    rows.setParam(QStringLiteral("TOTAL"), total);
    int seen = -1;
    const StepRunner stopAtFirstCheckpoint = [&](const std::function<bool(const StepProgress &)> &step) {
        return step([&](int done, int, bool) {
            seen = done;
            return done == 0;
        });
    };
    QVERIFY(!rows.reopen(stopAtFirstCheckpoint));
    QCOMPARE(seen, db::Rows::CheckpointRows);
    QVERIFY(!rows.active());
    const qint64 made = cat.scalar(QStringLiteral("select last_value from dadudu_rows_made")).toLongLong();
    QVERIFY2(made < total / 2, qPrintable(QString::number(made)));

    rows.setParam(QStringLiteral("TOTAL"), 10);
    QVERIFY(rows.reopen({}));
    QCOMPARE(rows.rowCount(), 10);
    DbQuery movies(db.connection, {QStringLiteral("select count(*) from MOVIE")});
    movies.open();
    QCOMPARE(movies.firstField().toInt(), 0);
}

void tst_Engine::otherProgramsShareTheFile()
{
    Stores s;
    DbConnection &connection = s.main.connection;
    connection.open();
    if (!s.cat.isServer()) {
        QCOMPARE(s.cat.scalar(QStringLiteral("pragma journal_mode")).toString(), QStringLiteral("wal"));
        DbQuery sync(connection, {QStringLiteral("pragma synchronous")});
        sync.open();
        QCOMPARE(sync.firstField().toInt(), 2); // FULL
    }

    // While we write, another program still reads the last committed state.
    connection.beginTrans();
    DbQuery &del = s.movies.deleteMovieQuery;
    del.setParam(QStringLiteral("MOV_ID"), 1);
    del.exec();
    QCOMPARE(s.cat.count(QStringLiteral("MOVIE")), 1);
    connection.commitTrans();
    QCOMPARE(s.cat.count(QStringLiteral("MOVIE")), 0);

    // Another program holding the write lock makes our write fail with the engine's words.
    connection.setBusyTimeoutMs(0);
    connection.close();
    s.cat.holdWriteLock();
    DbQuery &insert = s.artists.addArtistQuery;
    insert.setParam(QStringLiteral("ART_NAME"), QStringLiteral("Blocked"));
    try {
        insert.exec();
        QFAIL("wrote through another program's lock");
    } catch (const DbError &e) {
        QVERIFY2(e.text().contains(s.cat.isServer() ? QStringLiteral("lock timeout") : QStringLiteral("locked")),
                 qPrintable(e.text()));
    }
    s.cat.releaseWriteLock();
    QCOMPARE(s.cat.count(QStringLiteral("ARTISTE")), 2);
}

void tst_Engine::literalsAreNotMistakenForParameters()
{
    TempCatalogue cat;
    OpenedCatalogue db(cat.path());
    DbQuery insert(db.connection,
                   {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, 'ratio 16:9 ?')")});
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral(":MOV_TYPE"));
    insert.exec();
    QCOMPARE(cat.rows(QStringLiteral("select MOV_TITLE, MOV_TYPE from MOVIE")),
             QStringList{QStringLiteral(":MOV_TYPE|ratio 16:9 ?")});
}

// The server takes its parameters by place: each name gets one, and nothing that only looks like a
// parameter does. The SQL is never sent, so both engines' runs try it.
void tst_Engine::parametersTakeTheirPlaces_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("placed");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two names") << "select * from T where A = :A and B=:b_2"
                               << "select * from T where A = $1 and B=$2" << QStringList{"A", "b_2"};
    QTest::newRow("a name twice, in either case") << "values (:A, :B, :a)"
                                                  << "values ($1, $2, $1)" << QStringList{"A", "B"};
    QTest::newRow("a literal") << "values (':A', 'it''s :B', :C)"
                               << "values (':A', 'it''s :B', $1)" << QStringList{"C"};
    QTest::newRow("a quoted name") << "select \"x:A\" from T where y = :B"
                                   << "select \"x:A\" from T where y = $1" << QStringList{"B"};
    QTest::newRow("a line comment") << "select 1 -- :A\r\nwhere x = :B"
                                    << "select 1 -- :A\r\nwhere x = $1" << QStringList{"B"};
    QTest::newRow("a block comment") << "select /* :A */ :B"
                                     << "select /* :A */ $1" << QStringList{"B"};
    QTest::newRow("casts") << "select :A::text, x::int"
                           << "select $1::text, x::int" << QStringList{"A"};
    QTest::newRow("a colon alone") << "select ': ' || : A"
                                   << "select ': ' || : A" << QStringList{};
    QTest::newRow("a literal never closed") << "select 'x :A"
                                            << "select 'x :A" << QStringList{};
}

void tst_Engine::parametersTakeTheirPlaces()
{
    QFETCH(QString, sql);
    QFETCH(QString, placed);
    QFETCH(QStringList, names);
    QStringList found;
    QCOMPARE(QString::fromUtf8(db::positionalParameters(sql, &found)), placed);
    QCOMPARE(found, names);
}

void tst_Engine::statementRunAgainTakesTheNewValues()
{
    TempCatalogue cat;
    cat.failInsertWhen(QStringLiteral("MOVIE"), QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    OpenedCatalogue db(cat.path());
    DbQuery insert(db.connection,
                   {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, :MOV_TYPE)")});

    // The same query many times over, as a long item list runs it: each run takes the values set
    // since the last, a failed run leaves the next one whole.
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Alien"));
    insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("DVD"));
    insert.exec();
    insert.setParam(QStringLiteral("mov_title"), QStringLiteral("Brazil"));
    insert.exec();
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("Refused"));
    QVERIFY_THROWS_EXCEPTION(DbError, insert.exec());
    insert.setParam(QStringLiteral("MOV_TITLE"), 1984);
    insert.setParam(QStringLiteral("MOV_TYPE"), QString());
    insert.exec();
    QCOMPARE(insert.rowsAffected(), 1);

    // New SQL is new SQL, parameters and all; so is a connection opened again.
    insert.setSQL(QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TYPE, :MOV_TITLE)"));
    insert.setParam(QStringLiteral("MOV_TITLE"), QStringLiteral("VHS"));
    insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("Cube"));
    insert.exec();
    db.connection.close();
    insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("Dune"));
    insert.exec();

    QCOMPARE(
        cat.rows(QStringLiteral("select MOV_TITLE, MOV_TYPE, %1 from MOVIE order by MOV_ID")
                     .arg(cat.typeOf(QStringLiteral("MOV_TYPE")))),
        (QStringList{QStringLiteral("Alien|DVD|text"), QStringLiteral("Brazil|DVD|text"), QStringLiteral("1984||text"),
                     QStringLiteral("Cube|VHS|text"), QStringLiteral("Dune|VHS|text")}));
}

// Lookups and lists compare, sort and match texts without regard to case on both engines.
void tst_Engine::textComparesWithoutCase()
{
    TempCatalogue cat;
    cat.exec(
        QStringLiteral("insert into ARTISTE (ART_NAME) values ('beatles'), ('ABBA'), ('Cure'), ('abba'), ('Blur')"));
    OpenedCatalogue db(cat.path());
    DbQuery equal(db.connection, {QStringLiteral("select count(*) from ARTISTE where ART_NAME = :NAME")});
    equal.setParam(QStringLiteral("NAME"), QStringLiteral("Abba"));
    equal.open();
    QCOMPARE(equal.firstField().toInt(), 2);
    DbQuery like(db.connection, {QStringLiteral("select count(*) from ARTISTE where ART_NAME like 'b%'")});
    like.open();
    QCOMPARE(like.firstField().toInt(), 2);
    DbQuery sorted(db.connection, {QStringLiteral("select ART_NAME from ARTISTE order by ART_NAME, ART_ID")});
    sorted.open();
    QStringList names;
    for (sorted.first(); !sorted.eof(); sorted.next())
        names << sorted.fieldAsString(QStringLiteral("ART_NAME"));
    QCOMPARE(names, QStringList({"ABBA", "abba", "beatles", "Blur", "Cure"}));
}

// A statement goes to the engine as it is written: what looks like a parameter or a comment inside
// a literal stays text.
void tst_Engine::dialectWordsInsideLiteralsStayAsTheyAre()
{
    TempCatalogue cat;
    OpenedCatalogue db(cat.path());
    DbQuery insert(db.connection,
                   {QStringLiteral("insert into CDAUDIO (CD_LABEL, COMMENTS, LIMITED) "
                                   "values ('true or false', '[COMMENTS] -- :CD_ID @@Identity', 1)")});
    insert.exec();
    QCOMPARE(cat.rows(QStringLiteral("select CD_LABEL, COMMENTS, LIMITED from CDAUDIO")),
             QStringList{QStringLiteral("true or false|[COMMENTS] -- :CD_ID @@Identity|1")});
    DbQuery flags(db.connection,
                  {QStringLiteral("select count(*) from CDAUDIO where LIMITED = 1 and CD_LABEL <> 'false'")});
    flags.open();
    QCOMPARE(flags.firstField().toInt(), 1);
}

void tst_Engine::serverRestartIsOvercome_data()
{
    QTest::addColumn<bool>("duringSave");
    QTest::newRow("between two saves") << false;
    QTest::newRow("during a save") << true;
}

void tst_Engine::serverRestartIsOvercome()
{
    QFETCH(bool, duringSave);
    if (TempCatalogue::engineUnderTest() != db::Engine::PostgreSQL)
        QSKIP("a server's own behaviour: a file has no session to lose");
    Stores s;
    DbConnection &connection = s.main.connection;
    QSignalSpy told(&connection, &DbConnection::reconnected);
    DbQuery &insert = s.movies.addMovieQuery;
    auto add = [&](const QString &title) {
        insert.setParam(QStringLiteral("MOV_TITLE"), title);
        insert.setParam(QStringLiteral("MOV_TYPE"), QStringLiteral("DVD"));
        insert.exec();
    };
    // The first save also prepares the insert in the server's session.
    connection.beginTrans();
    add(QStringLiteral("Before"));
    connection.commitTrans();
    if (duringSave) {
        connection.beginTrans();
        add(QStringLiteral("Lost"));
        QVERIFY(s.cat.restartServer());
        try {
            add(QStringLiteral("Lost too"));
            QFAIL("a statement of the ended session's transaction went through");
        } catch (const DbError &e) {
            // Known not stored, and said so in the user's words, with the server's after them.
            QVERIFY2(e.text().startsWith(Texts::ServerLostNotStored + Texts::LineBreak), qPrintable(e.text()));
        }
        // Whatever the caller goes on sending belongs to the lost transaction, until it ends it.
        QVERIFY_THROWS_EXCEPTION(DbError, add(QStringLiteral("Lost as well")));
        connection.rollbackTrans();
    } else {
        QVERIFY(s.cat.restartServer());
    }
    // The next save goes through a new session, the insert prepared there again.
    connection.beginTrans();
    add(QStringLiteral("After"));
    connection.commitTrans();
    add(QStringLiteral("Again"));
    QCOMPARE(s.cat.rows(QStringLiteral("select MOV_TITLE from MOVIE where MOV_TITLE not in ('Alien') order by MOV_ID")),
             (QStringList{QStringLiteral("Before"), QStringLiteral("After"), QStringLiteral("Again")}));
    // A session made again between two saves lost nothing, and the user hears of it once; one lost
    // under a save was told by the save's failure.
    QCOMPARE(told.size(), duringSave ? 0 : 1);
    if (duringSave) {
        QTest::qWait(50);
        QVERIFY(s.messages.boxes.isEmpty());
    } else {
        QTRY_COMPARE(s.messages.boxes.size(), 1);
        QCOMPARE(s.messages.boxes[0].kind, MessageService::Kind::Information);
        QCOMPARE(s.messages.boxes[0].text, Texts::ServerReconnected);
    }
    // Lists read through it too.
    s.movies.movieQuery.open();
    QVERIFY(s.movies.movieQuery.rowCount() >= 3);
}

void tst_Engine::serverAsksForThePassword_data()
{
    QTest::addColumn<QString>("from");
    QTest::newRow("nowhere") << QString();
    QTest::newRow("the keyring") << QStringLiteral("keyring");
    // Last: what the command line gave serves the rest of the run.
    QTest::newRow("the command line") << QStringLiteral("arguments");
}

// A role of the test server that must give its password: the connection asks the program's source
// (the keyring) or what the command line gave, with the address as it is kept, without a password.
void tst_Engine::serverAsksForThePassword()
{
    QFETCH(QString, from);
    if (TempCatalogue::engineUnderTest() != db::Engine::PostgreSQL)
        QSKIP("a server's own behaviour: a file has no password");
    if (qEnvironmentVariableIsSet("PGPASSWORD"))
        QSKIP("PGPASSWORD would answer before the program is asked");
    const QString password = QStringLiteral("pa ss:w@rd");
    TempCatalogue cat;
    seed(cat);
    const QString address = cat.passwordRoleAddress(password);
    QVERIFY(!address.isEmpty());
    QStringList asked;
    db::setPasswordSource([&](const QString &for_) {
        asked << for_;
        return from == QLatin1String("keyring") ? password : QString();
    });
    const auto restore = qScopeGuard([] { db::setPasswordSource({}); });
    if (from == QLatin1String("arguments")) {
        QByteArray program("dadudu"), option("--catalogue");
        QByteArray given = address.toUtf8();
        given.replace("://dadudu_password_test@", "://dadudu_password_test:" + QUrl::toPercentEncoding(password) + '@');
        char *argv[] = {program.data(), option.data(), given.data(), nullptr};
        db::takePasswordsFromArguments(3, argv);
        // Written over where it stood: the process list shows the address without it.
        QCOMPARE(QByteArray(argv[2]), address.toUtf8());
    }

    DbConnection connection;
    connection.setLocation(address);
    if (from.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(DbError, connection.open());
        QCOMPARE(asked, QStringList{address});
        return;
    }
    connection.open();
    DbQuery artists(connection, {QStringLiteral("select count(*) from ARTISTE")});
    artists.open();
    QVERIFY(artists.firstField().toInt() > 0);
    QCOMPARE(asked, from == QLatin1String("keyring") ? QStringList{address} : QStringList());
}

QTEST_GUILESS_MAIN(tst_Engine)
#include "tst_engine.moc"
