// The six stores on a real catalogue file. Failures come from the engine itself: values too long
// for their column, triggers that refuse one chosen row, another connection holding the write lock.

#include "base/Texts.h"
#include "store/CoverStore.h"
#include "support/AudioCDValue.h"
#include "support/StoresOnCatalogue.h"
#include "support/TempCatalogue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString CR_LF = QStringLiteral("\r\n");

// The tables as an earlier build made them, before the keys and the NUL checks.
QString earlierTables()
{
    QFile schema(QStringLiteral(EARLIER_CATALOGUE_SQL));
    return schema.open(QIODevice::ReadOnly) ? QString::fromUtf8(schema.readAll()) : QString();
}

struct Fixture : StoresOnCatalogue {
    explicit Fixture(bool earlierCatalogue = false)
    {
        if (earlierCatalogue)
            cat.exec(QStringLiteral("drop table DATA; drop table DATACD; drop table TRACK; drop table CDAUDIO;"
                                    "drop table MOVIE; drop table ARTISTE;")
                     + earlierTables());
        cat.exec(QStringLiteral(
            "insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba'), (2, 'Beatles'), (3, 'Cure');"
            "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
            " (1, 'Gold', 1, '111', '1992', 0, 'best of'), (2, 'Help', 2, '', '1965', 1, ''),"
            " (3, 'Arrival', 1, '', '1976', 0, ''), (4, 'Lost', 99, '', '', 0, '');"
            "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (1, 'Dancing Queen', 1), (2, 'SOS', 1),"
            " (3, 'Help!', 2), (4, 'Yesterday', 2), (5, 'Money', 3), (6, 'Gone', 4), (7, 'Stray', 50);"
            "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD'), (2, 'Brazil', 'DivX');"
            "insert into DATACD (CD_ID, CD_TITLE) values (1, 'Backup'), (2, 'Photos');"
            "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (1, 'docs', 1), (2, 'src', 1), (3, '2019', 2),"
            " (4, 'stray', 9);"));
        main.connection.setBusyTimeoutMs(0);
        main.openDatabase(cat.path());
        for (Store *s : all())
            s->setEventHook([this] { ++events; });
        // The box comes only after the rollback: by then another program can write again.
        messages.onShow = [this](const RecordingMessages::Box &) {
            openWhileBoxShown = main.connection.inTransaction();
            cat.holdWriteLock();
            cat.releaseWriteLock();
        };
    }
    QString dump()
    {
        QStringList all;
        for (const char *t : {"ARTISTE", "CDAUDIO", "TRACK", "MOVIE", "DATACD", "DATA"})
            all << QString::fromLatin1(t) + u':'
                    + cat.rows(QStringLiteral("select * from %1 order by 1").arg(QLatin1String(t))).join(u';');
        return all.join(u'\n');
    }
    QStringList tracksOf(int cd)
    {
        return cat.rows(QStringLiteral("select TR_LABEL from TRACK where CD_ID = %1 order by TR_ID").arg(cd));
    }
    QStringList itemsOf(int cd)
    {
        return cat.rows(QStringLiteral("select DATA_LABEL from DATA where CD_ID = %1 order by DATA_ID").arg(cd));
    }

    int events = 0;
    int result = 0;
    bool openWhileBoxShown = false;
};

using Step = std::function<void(Fixture &)>;
using Act = std::function<int(Fixture &)>; // answers the operation's result, 0 where it has none

QString longText(int n)
{
    return QString(n, u'x');
}

// Another program's write, on a connection and a thread of its own: it takes the write lock, adds
// the movie "Other", keeps the lock for `holdMs` and commits.
class OtherProgramWrite
{
public:
    OtherProgramWrite(const TempCatalogue &cat, int holdMs)
    {
        std::promise<bool> taken;
        std::future<bool> answer = taken.get_future();
        if (cat.isServer()) {
            // The server has no lock on the whole catalogue: every table locked against writers is the same.
            m_thread = std::thread([address = cat.path().toUtf8(), holdMs, taken = std::move(taken)]() mutable {
                PGconn *conn = PQconnectdb(address.constData());
                const auto run = [conn](const char *sql) {
                    PGresult *r = PQexec(conn, sql);
                    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
                    PQclear(r);
                    return ok;
                };
                const bool ok = PQstatus(conn) == CONNECTION_OK
                    && run("begin; lock table ARTISTE, CDAUDIO, TRACK, MOVIE, DATACD, DATA in exclusive mode;"
                           "insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Other', 'DVD')");
                taken.set_value(ok);
                std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
                run(ok ? "commit" : "rollback");
                PQfinish(conn);
            });
            m_taken = answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready && answer.get();
            return;
        }
        m_thread = std::thread([file = QFile::encodeName(cat.path()), holdMs, taken = std::move(taken)]() mutable {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_busy_timeout(db, 5000);
            const bool ok
                = sqlite3_exec(db, "begin immediate; insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Other', 'DVD')",
                               nullptr, nullptr, nullptr)
                == SQLITE_OK;
            taken.set_value(ok);
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            sqlite3_exec(db, ok ? "commit" : "rollback", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        m_taken = answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready && answer.get();
    }
    ~OtherProgramWrite() { m_thread.join(); }
    bool taken() const { return m_taken; }

private:
    std::thread m_thread;
    bool m_taken = false;
};
constexpr int NewId = -2; // the result must be a fresh identifier

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Act)
Q_DECLARE_METATYPE(MessageService::Kind)

class tst_Stores : public QObject
{
    Q_OBJECT
private slots:
    void coversLiveWithTheCatalogue();
    void initTestCase();
    void failures_data();
    void failures();
    void failuresInTheUsersWords_data();
    void failuresInTheUsersWords();
    void builtStatementsStoreValuesVerbatim_data();
    void builtStatementsStoreValuesVerbatim();
    void orderOfTracksAndItemsKept_data();
    void orderOfTracksAndItemsKept();
    void unknownIdentifierRemovesNothing_data();
    void unknownIdentifierRemovesNothing();
    void deleteArtistTakesCDsAndTracks();
    void deleteDataCDTakesItsItems();
    void severalDeletesOneFailing();
    void refreshStaysOnCurrentRow_data();
    void refreshStaysOnCurrentRow();
    void listUpToDateUntilAnyCommit_data() { refreshStaysOnCurrentRow_data(); }
    void listUpToDateUntilAnyCommit();
    void refreshFallsBackToFirstRow();
    void refreshLeavesClosedListClosed();
    void listsShowRowsWhoseParentIsMissing();
    void longListsLetEventsThrough();
    void writesServeNoEvents();
    void failsOnlyAfterTheWait();
    void waitsOutAnotherProgramsWrite_data();
    void waitsOutAnotherProgramsWrite();
    void earlierCatalogueKeepsWorking();
    void racesWithAnotherProgram_data();
    void racesWithAnotherProgram();
    void refreshShowsAnotherProgramsChanges();
};

void tst_Stores::initTestCase()
{
    const QString why = TempCatalogue::unavailable();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
}

// Each failure: what makes the engine refuse, the operation, its message, and what is stored after.
// Without an `expect` step the whole catalogue must be exactly as it was before the operation.
void tst_Stores::failures_data()
{
    QTest::addColumn<Step>("arrange");
    QTest::addColumn<Act>("act");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Step>("expect");
    QTest::addColumn<int>("result");

    const Step none = [](Fixture &) {};
    const Step unchanged;

    QTest::newRow("add CD: row too long") << none << Act([](Fixture &f) {
        return f.cds.addAudioCD(audioCD(-1, 1, longText(256), {}, {}, false, {}, {"a", "b"}));
    })
                                          << "The CD could not be added for the following reason :" << unchanged << -1;
    // The CD, its tracks and its new artist are one transaction: a refused track leaves none of them.
    QTest::newRow("add CD: second of three tracks refused")
        << Step([](Fixture &f) { f.cat.failInsertWhen("TRACK", "TR_LABEL", "two"); }) << Act([](Fixture &f) {
               return f.cds.addAudioCD(audioCD(-1, 1, "New", {}, {}, false, {}, {"one", "two", "three"}));
           })
        << "The CD could not be added for the following reason :" << unchanged << -1;
    QTest::newRow("add CD with a new artist: second track holds a NUL") << none << Act([](Fixture &f) {
        return f.cds.addAudioCD(
            audioCD(-1, -1, "New", {}, {}, false, {}, {"one", QStringLiteral("t") + QChar(0) + "wo"}), "Dido");
    }) << "The CD could not be added for the following reason :" << unchanged
                                                                        << -1;
    QTest::newRow("update CD with a new artist: row refused") << none << Act([](Fixture &f) {
        return f.cds.updateAudioCD(audioCD(1, -1, "Gold", "123456789012345", {}, false, {}, {"x"}), "Dido") ? 1 : 0;
    }) << "The CD could not be updated for the following reason :"
                                                              << unchanged << 0;
    QTest::newRow("update CD: row refused")
        << none << Act([](Fixture &f) {
               return f.cds.updateAudioCD(audioCD(1, 2, "Gold", "123456789012345", {}, false, {}, {"x"})) ? 1 : 0;
           })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update CD: old tracks cannot go")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("TRACK"); }) << Act([](Fixture &f) {
               return f.cds.updateAudioCD(audioCD(1, 2, "Platinum", {}, {}, true, {}, {"x", "y"})) ? 1 : 0;
           })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update CD: second new track refused")
        << Step([](Fixture &f) { f.cat.failInsertWhen("TRACK", "TR_LABEL", "y"); }) << Act([](Fixture &f) {
               return f.cds.updateAudioCD(audioCD(1, 2, "Platinum", {}, {}, true, {}, {"x", "y", "z"})) ? 1 : 0;
           })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("delete CD: row refused, tracks stay")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("CDAUDIO"); })
        << Act([](Fixture &f) { return f.cds.deleteAudioCD(1) ? 1 : 0; })
        << "The CD(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("delete track refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("TRACK"); })
        << Act([](Fixture &f) { return f.tracks.deleteTrack(1) ? 1 : 0; })
        << "The track(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("add artist: name too long")
        << none << Act([](Fixture &f) { return f.artists.addArtist(longText(256)) ? 1 : 0; })
        << "The artist could not be added for the following reason :" << unchanged << 0;
    QTest::newRow("add artist for its id: refused")
        << Step([](Fixture &f) { f.cat.failInsertWhen("ARTISTE", "ART_NAME", "Dido"); })
        << Act([](Fixture &f) { return f.artists.addArtistGetId("Dido"); })
        << "The artist could not be added for the following reason :" << unchanged << -1;
    QTest::newRow("update artist: name too long")
        << none << Act([](Fixture &f) { return f.artists.updateArtist(1, longText(300)) ? 1 : 0; })
        << "The artist could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("delete artist: CDs refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("CDAUDIO"); })
        << Act([](Fixture &f) { return f.artists.deleteArtist(1) ? 1 : 0; })
        << "The artist(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("delete artist: the artist row refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("ARTISTE"); })
        << Act([](Fixture &f) { return f.artists.deleteArtist(1) ? 1 : 0; })
        << "The artist(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("add movie: another program holds the write lock") << Step([](Fixture &f) {
        f.messages.onShow = nullptr;
        f.cat.holdWriteLock();
    }) << Act([](Fixture &f) {
        const WriteResult stored = f.movies.addMovie("Casablanca", "DVD");
        f.cat.releaseWriteLock();
        // Not stored, and the failure says it was the lock: the same save may succeed later.
        return stored ? 1 : stored.error() && stored.error()->lockBusy() ? 2 : 0;
    }) << "The movie could not be added for the following reason :" << unchanged
                                                                     << 2;
    QTest::newRow("update movie: type too long")
        << none << Act([](Fixture &f) { return f.movies.updateMovie(1, "Alien", longText(256)) ? 1 : 0; })
        << "The movie could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("delete movie refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("MOVIE"); })
        << Act([](Fixture &f) { return f.movies.deleteMovie(1) ? 1 : 0; })
        << "The movie(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("add data CD: title too long")
        << none << Act([](Fixture &f) { return f.data.addDataCD(longText(256), {"a"}) ? 1 : 0; })
        << "The CD could not be added for the following reason :" << unchanged << 0;
    QTest::newRow("add data CD: second item refused")
        << Step([](Fixture &f) { f.cat.failInsertWhen("DATA", "DATA_LABEL", "b"); }) << Act([](Fixture &f) {
               return f.data.addDataCD("Music", {"a", "b", "c"}) ? 1 : 0;
           })
        << "The CD could not be added for the following reason :" << unchanged << 0;
    QTest::newRow("update data CD: title too long")
        << none << Act([](Fixture &f) { return f.data.updateDataCD(1, longText(256), {"new"}) ? 1 : 0; })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update data CD: old items cannot go")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("DATA"); })
        << Act([](Fixture &f) { return f.data.updateDataCD(1, "Renamed", {"new"}) ? 1 : 0; })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update data CD: second new item refused")
        << Step([](Fixture &f) { f.cat.failInsertWhen("DATA", "DATA_LABEL", "n2"); }) << Act([](Fixture &f) {
               return f.data.updateDataCD(1, "Renamed", {"n1", "n2", "n3"}) ? 1 : 0;
           })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("delete data CD: items refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("DATA"); })
        << Act([](Fixture &f) { return f.data.deleteDataCD(1) ? 1 : 0; })
        << "The CD(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("delete data CD: row refused, its items stay")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("DATACD"); })
        << Act([](Fixture &f) { return f.data.deleteDataCD(1) ? 1 : 0; })
        << "The CD(s) could not be deleted for the following reason :" << unchanged << 0;
    QTest::newRow("add artist: name holds a NUL")
        << none
        << Act([](Fixture &f) { return f.artists.addArtist(QStringLiteral("Ab") + QChar(0) + longText(300)) ? 1 : 0; })
        << "The artist could not be added for the following reason :" << unchanged << 0;
    QTest::newRow("add CD: title holds a NUL") << none << Act([](Fixture &f) {
        return f.cds.addAudioCD(audioCD(-1, 1, QStringLiteral("Go") + QChar(0) + "ld", {}, {}, false, {}, {"a"}));
    })
                                               << "The CD could not be added for the following reason :" << unchanged
                                               << -1;
    QTest::newRow("update movie: type holds a NUL")
        << none
        << Act([](Fixture &f) { return f.movies.updateMovie(1, "Alien", QStringLiteral("DVD") + QChar(0)) ? 1 : 0; })
        << "The movie could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update data CD: an item holds a NUL")
        << none << Act([](Fixture &f) {
               return f.data.updateDataCD(1, "Backup", {"docs", QStringLiteral("sr") + QChar(0) + "c"}) ? 1 : 0;
           })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    // Another program deleted the row the save refers to while the editor was open.
    QTest::newRow("add CD: its artist deleted by another program")
        << Step([](Fixture &f) { f.cat.exec("delete from ARTISTE where ART_ID = 3"); }) << Act([](Fixture &f) {
               return f.cds.addAudioCD(audioCD(-1, 3, "Disintegration", {}, {}, false, {}, {"Plainsong"}));
           })
        << "The CD could not be added for the following reason :" << unchanged << -1;
    QTest::newRow("update CD: its new artist deleted by another program")
        << Step([](Fixture &f) { f.cat.exec("delete from ARTISTE where ART_ID = 3"); })
        << Act([](Fixture &f) { return f.cds.updateAudioCD(audioCD(1, 3, "Gold", {}, {}, false, {}, {"x"})) ? 1 : 0; })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("update data CD: deleted by another program")
        << Step([](Fixture &f) { f.cat.exec("delete from DATA where CD_ID = 2; delete from DATACD where CD_ID = 2"); })
        << Act([](Fixture &f) { return f.data.updateDataCD(2, "Photos", {"img1.jpg"}) ? 1 : 0; })
        << "The CD could not be updated for the following reason :" << unchanged << 0;
    QTest::newRow("delete data item refused")
        << Step([](Fixture &f) { f.cat.failDeleteFrom("DATA"); })
        << Act([](Fixture &f) { return f.items.deleteDataItem(1) ? 1 : 0; })
        << "This item could not be deleted for the following reason :" << unchanged << 0;
}

void tst_Stores::failures()
{
    QFETCH(Step, arrange);
    QFETCH(Act, act);
    QFETCH(QString, message);
    QFETCH(Step, expect);
    QFETCH(int, result);

    Fixture f;
    arrange(f);
    const QString before = f.dump();
    // The log records what failed and the engine's words, beside the box.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u'^' + QRegularExpression::escape(message) + QStringLiteral(" - .+")));
    f.result = act(f);

    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].kind, MessageService::Kind::Warning);
    const QString text = f.messages.boxes[0].text;
    QVERIFY2(text.startsWith(message + CR_LF), qPrintable(text));
    QVERIFY2(text.size() > message.size() + 2, "the engine's text follows the line break");
    QVERIFY(!f.openWhileBoxShown);
    QVERIFY(!f.main.connection.inTransaction());
    if (result == NewId)
        QVERIFY(f.result > 4);
    else
        QCOMPARE(f.result, result);
    if (expect)
        expect(f);
    else
        QCOMPARE(f.dump(), before);
}

// What the engine says of a failure the user can understand goes into words of the user's, under the
// operation's message; the engine's own text stays, apart, as the box's details. The failures are
// the engine's own: another connection's lock, a row another connection deleted, a NUL, an address
// where nothing listens.
void tst_Stores::failuresInTheUsersWords_data()
{
    QTest::addColumn<Step>("arrange");
    QTest::addColumn<Act>("act");
    QTest::addColumn<MessageService::Kind>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("fileEngineSays");   // in the details, on a file
    QTest::addColumn<QString>("serverEngineSays"); // in the details, on a server

    const Step none = [](Fixture &) {};
    const auto W = MessageService::Kind::Warning;

    QTest::newRow("another program writes") << Step([](Fixture &f) {
        f.messages.onShow = nullptr;
        f.cat.holdWriteLock();
    }) << Act([](Fixture &f) {
        f.movies.addMovie("Casablanca", "DVD");
        f.cat.releaseWriteLock();
        return 0;
    }) << W << Texts::MovieNotAdded << Texts::ReasonCatalogueBusy
                                            << "database is locked"
                                            << "lock timeout";
    QTest::newRow("the artist deleted meanwhile")
        << Step([](Fixture &f) { f.cat.exec("delete from ARTISTE where ART_ID = 3"); }) << Act([](Fixture &f) {
               return f.cds.addAudioCD(audioCD(-1, 3, "Disintegration", {}, {}, false, {}, {"Plainsong"}));
           })
        << W << Texts::CDNotAdded << Texts::ReasonArtistDeleted << "FOREIGN KEY constraint failed"
        << "violates foreign key constraint";
    QTest::newRow("a NUL in a movie's title") << none << Act([](Fixture &f) {
        f.movies.addMovie(QStringLiteral("Ali") + QChar(0) + "en", "DVD");
        return 0;
    }) << W << Texts::MovieNotAdded << Texts::ReasonInvisibleCharacter.arg(Texts::FieldTitle)
                                              << "MOV_TITLE"
                                              << "MOV_TITLE";
    QTest::newRow("a NUL in a track") << none << Act([](Fixture &f) {
        return f.cds.addAudioCD(audioCD(-1, 1, "Gold", {}, {}, false, {}, {QStringLiteral("S") + QChar(0) + "OS"}));
    }) << W << Texts::CDNotAdded << Texts::ReasonInvisibleCharacter.arg(Texts::FieldTrack)
                                      << "TR_LABEL"
                                      << "TR_LABEL";
    // A port bound and never listened on: the system refuses every connection to it.
    QTest::newRow("nothing listens at the server's address")
        << none << Act([](Fixture &f) {
               const int s = ::socket(AF_INET, SOCK_STREAM, 0);
               sockaddr_in a{};
               a.sin_family = AF_INET;
               a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
               socklen_t size = sizeof a;
               if (s < 0 || ::bind(s, reinterpret_cast<sockaddr *>(&a), size) != 0
                   || ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &size) != 0)
                   return -1;
               const int port = ntohs(a.sin_port);
               f.messages.clear();
               CatalogueConnection other(f.messages);
               other.openDatabase(QStringLiteral("postgresql://dadudu@127.0.0.1:%1/catalogue").arg(port));
               ::close(s);
               return port;
           })
        << MessageService::Kind::Error << Texts::ProblemConnecting
        << Texts::ReasonServerSilent.arg(QStringLiteral("127.0.0.1:%1")) << "Connection refused"
        << "Connection refused";
}

void tst_Stores::failuresInTheUsersWords()
{
    QFETCH(Step, arrange);
    QFETCH(Act, act);
    QFETCH(MessageService::Kind, kind);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QFETCH(QString, fileEngineSays);
    QFETCH(QString, serverEngineSays);

    Fixture f;
    arrange(f);
    const int result = act(f);
    if (reason.contains(QLatin1String("%1")))
        reason = reason.arg(result);

    QCOMPARE(f.messages.boxes.size(), 1);
    const RecordingMessages::Box box = f.messages.boxes[0];
    QCOMPARE(box.kind, kind);
    QCOMPARE(box.text, message + CR_LF + reason);
    const QString engineSays = f.cat.isServer() ? serverEngineSays : fileEngineSays;
    QVERIFY2(box.details.contains(engineSays), qPrintable(box.details));
    QVERIFY(!f.main.connection.inTransaction());
}

void tst_Stores::builtStatementsStoreValuesVerbatim_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("comments");
    QTest::addColumn<bool>("limited");

    QTest::newRow("apostrophes everywhere") << "Don't Stop"
                                            << "12'4"
                                            << "'87"
                                            << "It's ''quoted''" << true;
    QTest::newRow("empty values") << ""
                                  << ""
                                  << ""
                                  << "" << false;
    QTest::newRow("line breaks in comments") << "Live"
                                             << "1"
                                             << "1999"
                                             << "line one\r\nline two\nthree\r\n"
                                             << false;
    QTest::newRow("statement in a title") << "x'); delete from ARTISTE; --"
                                          << ""
                                          << ""
                                          << "'; drop table TRACK; --" << false;
    QTest::newRow("accents and a colon") << QString::fromUtf8("Café: ça déménage") << ""
                                         << "2001"
                                         << ":CD_ID ?" << true;
    // Where a backslash escapes a quote (a server with standard_conforming_strings off), a doubled
    // quote after it ended the text and the rest ran as SQL, over every CD.
    QTest::newRow("backslash before a quote") << "x\\', COMMENTS = current_user --"
                                              << "\\"
                                              << "\\'"
                                              << "C:\\music\\n"
                                              << false;
    QTest::newRow("backslashes and $$") << "\\\\"
                                        << "$$"
                                        << "$1"
                                        << "E'\\x41' \\\\' --" << true;
}

void tst_Stores::builtStatementsStoreValuesVerbatim()
{
    QFETCH(QString, title);
    QFETCH(QString, barcode);
    QFETCH(QString, year);
    QFETCH(QString, comments);
    QFETCH(bool, limited);

    auto stored = [](Fixture &f, int id) {
        return f.cat.rows(QStringLiteral("select CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS, %2, %3, %4 "
                                         "from CDAUDIO where CD_ID = %1")
                              .arg(id)
                              .arg(f.cat.typeOf("BARCODE"), f.cat.typeOf("YEAR"), f.cat.typeOf("COMMENTS")));
    };
    const QString row
        = QStringList{title, "2", barcode, year, limited ? "1" : "0", comments, "text", "text", "text"}.join(u'|');

    Fixture f;
    if (f.cat.isServer()) {
        // As on a server whose database still has the old escaping: what a value holds must not matter.
        DbQuery escaping(f.main.connection, {QStringLiteral("set standard_conforming_strings = off")});
        escaping.exec();
    }
    auto others = [&f] {
        return f.cat.rows("select * from ARTISTE") + f.cat.rows("select * from CDAUDIO where CD_ID between 2 and 4")
            + f.cat.rows("select * from TRACK where CD_ID between 2 and 4");
    };
    const QStringList untouched = others();
    const int id = f.cds.addAudioCD(audioCD(-1, 2, title, barcode, year, limited, comments, {title}));
    QVERIFY(id > 0);
    QCOMPARE(stored(f, id), QStringList{row});
    QCOMPARE(f.tracksOf(id), QStringList{title});

    // The same values written over another CD by the built update.
    f.cds.updateAudioCD(audioCD(1, 2, title, barcode, year, limited, comments, {}));
    QCOMPARE(stored(f, 1), QStringList{row});
    QVERIFY(f.messages.boxes.isEmpty());
    QCOMPARE(others(), untouched);
}

void tst_Stores::orderOfTracksAndItemsKept_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::newRow("reverse alphabetical") << QStringList{"Zebra", "Mango", "Apple"};
    QTest::newRow("duplicates and empty") << QStringList{"Intro", "", "Intro", "Outro"};
    QTest::newRow("none") << QStringList{};
}

void tst_Stores::orderOfTracksAndItemsKept()
{
    QFETCH(QStringList, list);
    Fixture f;
    const int cd = f.cds.addAudioCD(audioCD(-1, 1, "Order", {}, {}, false, {}, list));
    QCOMPARE(f.tracksOf(cd), list);
    const QStringList oldIds = f.cat.rows("select TR_ID from TRACK where CD_ID = 1");
    QStringList reversed(list.rbegin(), list.rend());
    f.cds.updateAudioCD(audioCD(1, 1, "Gold", {}, {}, false, {}, reversed));
    QCOMPARE(f.tracksOf(1), reversed);
    for (const QString &id : f.cat.rows("select TR_ID from TRACK where CD_ID = 1"))
        QVERIFY2(!oldIds.contains(id), "an updated CD's tracks get new identifiers");

    // The detail reads them back in the same order.
    f.cds.openList();
    QVERIFY(f.cds.cdQuery.locate("CD_ID", 1));
    f.cds.openDetail();
    QStringList detail;
    for (f.cds.tracksQuery.first(); !f.cds.tracksQuery.eof(); f.cds.tracksQuery.next())
        detail << f.cds.tracksQuery.fieldAsString("TR_LABEL");
    QCOMPARE(detail, reversed);

    f.data.addDataCD("Items", list);
    const int dataCd = f.cat.scalar("select max(CD_ID) from DATACD").toInt();
    QCOMPARE(f.itemsOf(dataCd), list);
    f.data.updateDataCD(dataCd, "Items", reversed);
    QCOMPARE(f.itemsOf(dataCd), reversed);
    QVERIFY(f.messages.boxes.isEmpty());
}

void tst_Stores::unknownIdentifierRemovesNothing_data()
{
    QTest::addColumn<Act>("act");
    QTest::newRow("CD") << Act([](Fixture &f) {
        f.cds.deleteAudioCD(777);
        return 0;
    });
    QTest::newRow("track") << Act([](Fixture &f) {
        f.tracks.deleteTrack(777);
        return 0;
    });
    QTest::newRow("artist") << Act([](Fixture &f) {
        f.artists.deleteArtist(777);
        return 0;
    });
    QTest::newRow("movie") << Act([](Fixture &f) {
        f.movies.deleteMovie(777);
        return 0;
    });
    QTest::newRow("movie update") << Act([](Fixture &f) {
        f.movies.updateMovie(777, "x", "y");
        return 0;
    });
    QTest::newRow("data CD") << Act([](Fixture &f) {
        f.data.deleteDataCD(777);
        return 0;
    });
    QTest::newRow("data item") << Act([](Fixture &f) {
        f.items.deleteDataItem(777);
        return 0;
    });
}

void tst_Stores::unknownIdentifierRemovesNothing()
{
    QFETCH(Act, act);
    Fixture f;
    const QString before = f.dump();
    act(f);
    QCOMPARE(f.dump(), before);
    QVERIFY(f.messages.boxes.isEmpty());
}

void tst_Stores::deleteArtistTakesCDsAndTracks()
{
    Fixture f;
    f.artists.deleteArtist(1);
    QCOMPARE(f.cat.count("ARTISTE", "ART_ID = 1"), 0);
    QCOMPARE(f.cat.count("CDAUDIO", "ART_ID = 1"), 0);
    QCOMPARE(f.cat.rows("select TR_LABEL from TRACK order by TR_ID"),
             QStringList({"Help!", "Yesterday", "Gone", "Stray"}));
    // An artist without CDs goes alone.
    f.artists.deleteArtist(3);
    QCOMPARE(f.cat.rows("select ART_NAME from ARTISTE"), QStringList{"Beatles"});
    QVERIFY(f.messages.boxes.isEmpty());
}

// The keys refuse a data CD's row while items refer to it: the items must go first.
void tst_Stores::deleteDataCDTakesItsItems()
{
    Fixture f;
    f.data.deleteDataCD(1);
    QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
    QCOMPARE(f.cat.rows("select CD_TITLE from DATACD"), QStringList{"Photos"});
    QCOMPARE(f.cat.rows("select DATA_LABEL from DATA order by DATA_ID"), QStringList({"2019", "stray"}));
}

void tst_Stores::severalDeletesOneFailing()
{
    Fixture f;
    f.cat.failDeleteWhen("CDAUDIO", "old.CD_ID = 2", "Help is kept");
    for (int id : {1, 2, 3})
        f.cds.deleteAudioCD(id);
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].text,
             QStringLiteral("The CD(s) could not be deleted for the following reason :\r\nHelp is kept"));
    QCOMPARE(f.cat.rows("select CD_ID from CDAUDIO order by CD_ID"), QStringList({"2", "4"}));
    QCOMPARE(f.tracksOf(2), QStringList({"Help!", "Yesterday"}));
    QCOMPARE(f.tracksOf(1), QStringList());
    QCOMPARE(f.tracksOf(3), QStringList());
}

// Each list: its store, query and key, a row to stand on, and a row that sorts before it.
struct ListCase {
    std::function<void(Fixture &)> open, refresh;
    std::function<DbQuery &(Fixture &)> query;
    QString key;
    int current;
    QString insertBefore;
};
Q_DECLARE_METATYPE(ListCase)

void tst_Stores::refreshStaysOnCurrentRow_data()
{
    QTest::addColumn<ListCase>("list");
    QTest::newRow("audio CDs") << ListCase{[](Fixture &f) { f.cds.openList(); },
                                           [](Fixture &f) { f.cds.refreshList(); },
                                           [](Fixture &f) -> DbQuery & { return f.cds.cdQuery; },
                                           "CD_ID",
                                           1,
                                           "insert into CDAUDIO (CD_LABEL, ART_ID) values ('Abbey Road', 2)"};
    QTest::newRow("tracks") << ListCase{[](Fixture &f) { f.tracks.openList(); },
                                        [](Fixture &f) { f.tracks.refreshList(); },
                                        [](Fixture &f) -> DbQuery & { return f.tracks.tracksQuery; },
                                        "TR_ID",
                                        4,
                                        "insert into TRACK (TR_LABEL, CD_ID) values ('Alpha', 1)"};
    QTest::newRow("artists") << ListCase{[](Fixture &f) { f.artists.openList(); },
                                         [](Fixture &f) { f.artists.refreshList(); },
                                         [](Fixture &f) -> DbQuery & { return f.artists.artistsQuery; },
                                         "ART_ID",
                                         2,
                                         "insert into ARTISTE (ART_NAME) values ('AC/DC')"};
    QTest::newRow("movies") << ListCase{[](Fixture &f) { f.movies.openList(); },
                                        [](Fixture &f) { f.movies.refreshList(); },
                                        [](Fixture &f) -> DbQuery & { return f.movies.movieQuery; },
                                        "MOV_ID",
                                        2,
                                        "insert into MOVIE (MOV_TITLE) values ('Amadeus')"};
    QTest::newRow("data CDs") << ListCase{[](Fixture &f) { f.data.openList(); },
                                          [](Fixture &f) { f.data.refreshList(); },
                                          [](Fixture &f) -> DbQuery & { return f.data.dataCDsQuery; },
                                          "CD_ID",
                                          2,
                                          "insert into DATACD (CD_TITLE) values ('Archive')"};
    QTest::newRow("data items") << ListCase{[](Fixture &f) { f.items.openList(); },
                                            [](Fixture &f) { f.items.refreshList(); },
                                            [](Fixture &f) -> DbQuery & { return f.items.dataItemsQuery; },
                                            "DATA_ID",
                                            3,
                                            "insert into DATA (DATA_LABEL, CD_ID) values ('aaa', 2)"};
}

void tst_Stores::refreshStaysOnCurrentRow()
{
    QFETCH(ListCase, list);
    Fixture f;
    list.open(f);
    DbQuery &q = list.query(f);
    QVERIFY(q.locate(list.key, list.current));
    const int rowsBefore = q.rowCount();
    f.cat.exec(list.insertBefore);
    QCOMPARE(q.rowCount(), rowsBefore); // a snapshot until refreshed
    list.refresh(f);
    QCOMPARE(q.rowCount(), rowsBefore + 1);
    QCOMPARE(q.fieldAsInteger(list.key), list.current);

    // The current row gone: the list stands on its first row.
    f.cat.exec(QStringLiteral("delete from %1 where %2 = %3")
                   .arg(list.key == "TR_ID"                 ? "TRACK"
                            : list.key == "ART_ID"          ? "ARTISTE"
                            : list.key == "MOV_ID"          ? "MOVIE"
                            : list.key == "DATA_ID"         ? "DATA"
                            : q.fieldIndex("CD_TITLE") >= 0 ? "DATACD"
                                                            : "CDAUDIO",
                        list.key)
                   .arg(list.current));
    list.refresh(f);
    QCOMPARE(q.recNo(), 0);
    QVERIFY(q.fieldAsInteger(list.key) != list.current);
}

// Whether a list read again would give the same rows: after any commit, this program's or
// another's, it would not.
void tst_Stores::listUpToDateUntilAnyCommit()
{
    QFETCH(ListCase, list);
    Fixture f;
    const auto stores = f.all();
    list.open(f);
    DbQuery &q = list.query(f);
    Store *store = *std::find_if(stores.begin(), stores.end(), [&](Store *s) { return &s->listRows() == &q; });
    const int rowsBefore = q.rowCount();
    QVERIFY(store->listUpToDate());

    f.cat.exec(list.insertBefore); // another program
    QVERIFY(!store->listUpToDate());
    list.refresh(f);
    QVERIFY(store->listUpToDate());
    QCOMPARE(q.rowCount(), rowsBefore + 1);

    DbQuery write(f.main.connection, {list.insertBefore}); // this program
    write.exec();
    QVERIFY(!store->listUpToDate());
    list.refresh(f);
    QVERIFY(store->listUpToDate());
    QCOMPARE(q.rowCount(), rowsBefore + 2);

    q.close();
    QVERIFY(!store->listUpToDate());
}

void tst_Stores::refreshFallsBackToFirstRow()
{
    Fixture f;
    f.artists.openList();
    f.artists.openDetail();
    QVERIFY(f.artists.artistsQuery.locate("ART_ID", 3));
    f.artists.openDetail();
    QCOMPARE(f.artists.artistCDsQuery.rowCount(), 0);
    f.artists.deleteArtist(3);
    f.artists.refreshList();
    // First by name is Abba, whose two CDs the detail now shows.
    QCOMPARE(f.artists.artistsQuery.fieldAsString("ART_NAME"), QStringLiteral("Abba"));
    QCOMPARE(f.artists.artistCDsQuery.rowCount(), 2);

    // An emptied list has no current row and an empty detail.
    f.cat.exec("delete from DATA; delete from DATACD");
    f.data.openList();
    f.data.refreshList();
    QCOMPARE(f.data.dataCDsQuery.rowCount(), 0);
    QVERIFY(f.data.dataCDItemsQuery.active());
    QCOMPARE(f.data.dataCDItemsQuery.rowCount(), 0);
}

void tst_Stores::refreshLeavesClosedListClosed()
{
    Fixture f;
    f.cds.refreshList();
    f.movies.refreshList();
    QVERIFY(!f.cds.cdQuery.active());
    QVERIFY(!f.movies.movieQuery.active());
    QVERIFY(f.cds.tracksQuery.active());
    QCOMPARE(f.cds.tracksQuery.rowCount(), 0);
}

// An older catalogue, or another program writing past the keys, leaves rows whose parent is gone or
// that name none: every row the catalogue holds is listed, the missing parent's name empty, the
// others in the order they always had; saved untouched, such a CD stays as it was, byte for byte.
void tst_Stores::listsShowRowsWhoseParentIsMissing()
{
    Fixture f;
    f.messages.onShow = nullptr;
    f.cat.exec(QStringLiteral("insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
                              " (5, 'Nobody', NULL, NULL, NULL, 0, NULL);"
                              "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (8, 'Loose', NULL);"
                              "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (5, 'loose', NULL);"));
    f.cds.openList();
    f.tracks.openList();
    f.items.openList();
    QStringList cds, tracks, items;
    for (f.cds.cdQuery.first(); !f.cds.cdQuery.eof(); f.cds.cdQuery.next())
        cds << f.cds.cdQuery.fieldAsString("CD_LABEL") + '/' + f.cds.cdQuery.fieldAsString("ART_NAME");
    for (f.tracks.tracksQuery.first(); !f.tracks.tracksQuery.eof(); f.tracks.tracksQuery.next())
        tracks << f.tracks.tracksQuery.fieldAsString("TR_LABEL") + '/' + f.tracks.tracksQuery.fieldAsString("CD_LABEL")
                + '/' + f.tracks.tracksQuery.fieldAsString("ART_NAME");
    for (f.items.dataItemsQuery.first(); !f.items.dataItemsQuery.eof(); f.items.dataItemsQuery.next())
        items << f.items.dataItemsQuery.fieldAsString("DATA_LABEL") + '/'
                + f.items.dataItemsQuery.fieldAsString("CD_TITLE");
    QCOMPARE(cds, QStringList({"Arrival/Abba", "Gold/Abba", "Help/Beatles", "Lost/", "Nobody/"}));
    QCOMPARE(tracks,
             QStringList({"Dancing Queen/Gold/Abba", "Gone/Lost/", "Help!/Help/Beatles", "Loose//",
                          "Money/Arrival/Abba", "SOS/Gold/Abba", "Stray//", "Yesterday/Help/Beatles"}));
    items.sort();
    QCOMPARE(items, QStringList({"2019/Photos", "docs/Backup", "loose/", "src/Backup", "stray/"}));
    QCOMPARE(f.cds.count(), int(f.cat.count("CDAUDIO")));
    QCOMPARE(f.tracks.count(), int(f.cat.count("TRACK")));
    QCOMPARE(f.items.count(), int(f.cat.count("DATA")));

    const QString before = f.dump();
    for (const int id : {4, 5}) {
        QVERIFY(f.cds.locate(id));
        const AudioCD cd = f.cds.current();
        QCOMPARE(cd.artistName, QString());
        QCOMPARE(cd.artistId, id == 4 ? 99 : -1);
        QVERIFY(f.cds.updateAudioCD(cd));
    }
    QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
    QCOMPARE(f.dump(), before);
    // Given an artist, the CD has one from then on.
    QVERIFY(f.cds.locate(5));
    AudioCD nobody = f.cds.current();
    nobody.artistId = 2;
    QVERIFY(f.cds.updateAudioCD(nobody));
    QCOMPARE(f.cat.scalar("select ART_ID from CDAUDIO where CD_ID = 5").toInt(), 2);
}

void tst_Stores::longListsLetEventsThrough()
{
    Fixture f;
    QStringList committedSeen;
    f.cds.setEventHook([&] { committedSeen << QString::number(f.cat.count("TRACK", "CD_ID > 4 and CD_ID <> 50")); });
    const int cd = f.cds.addAudioCD(audioCD(-1, 1, "Many", {}, {}, false, {}, {"a", "b", "c"}));
    // The window gets its turn between tracks, while others see nothing of the CD until it is whole.
    QCOMPARE(committedSeen, QStringList({"0", "0", "0"}));
    QCOMPARE(f.tracksOf(cd), QStringList({"a", "b", "c"}));

    committedSeen.clear();
    f.cds.setEventHook([&] { committedSeen << f.tracksOf(cd).join(u','); });
    f.cds.updateAudioCD(audioCD(cd, 1, "Many", {}, {}, false, {}, {"x", "y"}));
    // An update is one transaction: others see the old tracks until it is done.
    QCOMPARE(committedSeen, QStringList({"a,b,c", "a,b,c"}));
    QCOMPARE(f.tracksOf(cd), QStringList({"x", "y"}));

    // A scanned disc is one transaction too, durable when it ends: the window gets its turn between
    // items, and nothing of the disc shows elsewhere until all of it is stored.
    const bool server = f.cat.isServer();
    DbQuery synchronous(f.main.connection,
                        {server ? QStringLiteral("show synchronous_commit") : QStringLiteral("pragma synchronous")});
    auto level = [&] {
        synchronous.close();
        synchronous.open();
        return synchronous.firstField().toString();
    };
    const QString durable = server ? QStringLiteral("on") : QStringLiteral("2"); // FULL
    QStringList levels;
    QList<qint64> seenElsewhere;
    f.data.setEventHook([&] {
        levels << level();
        if (levels.size() % 500 == 0)
            seenElsewhere << f.cat.count("DATA", "DATA_LABEL like 'folder %'");
    });
    QStringList scan;
    for (int i = 0; i < 2000; ++i)
        scan << QStringLiteral("folder %1/a file with a long name %1.txt").arg(i);
    QVERIFY(f.data.addDataCD("Scan", scan));
    QCOMPARE(levels.size(), 2000);
    QCOMPARE(levels.count(durable), 2000);
    QCOMPARE(seenElsewhere, QList<qint64>({0, 0, 0, 0}));
    QCOMPARE(level(), durable);
    QCOMPARE(f.itemsOf(f.cat.scalar("select max(CD_ID) from DATACD").toInt()), scan);
}

// A save serves none of the windows' events: one run in its middle could reach the catalogue inside
// the open transaction.
void tst_Stores::writesServeNoEvents()
{
    Fixture f;
    f.data.setEventHook({}); // as the program runs it
    bool ran = false;
    bool ranInTransaction = false;
    QMetaObject::invokeMethod(
        &f.main,
        [&] {
            ran = true;
            ranInTransaction = f.main.connection.inTransaction();
        },
        Qt::QueuedConnection);
    QVERIFY(f.data.addDataCD("Scan", {"a", "b", "c"}));
    QVERIFY(!ran);
    QTRY_VERIFY(ran);
    QVERIFY(!ranInTransaction);
}

void tst_Stores::failsOnlyAfterTheWait()
{
    Fixture f;
    f.messages.onShow = nullptr;
    const QString before = f.dump();
    const int waitMs = 400;
    f.main.connection.setBusyTimeoutMs(waitMs);
    f.cat.holdWriteLock();
    QElapsedTimer waited;
    waited.start();
    f.movies.addMovie("Casablanca", "DVD");
    const qint64 elapsed = waited.elapsed();
    f.cat.releaseWriteLock();
    QVERIFY2(elapsed >= waitMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY(f.messages.boxes[0].text.startsWith("The movie could not be added for the following reason :\r\n"));
    QCOMPARE(f.dump(), before);
}

// A save started while another program writes for longer than a second waits for it, with the
// connection's own wait, instead of failing and losing what the user typed.
void tst_Stores::waitsOutAnotherProgramsWrite_data()
{
    QTest::addColumn<bool>("dataCD"); // else a movie
    QTest::newRow("add movie, the lock taken before") << false;
    QTest::newRow("add data CD, the lock taken before") << true;
}

void tst_Stores::waitsOutAnotherProgramsWrite()
{
    QFETCH(bool, dataCD);
    Fixture f;
    f.main.connection.setBusyTimeoutMs(DbConnection().busyTimeoutMs());
    const int holdMs = 1500;
    std::unique_ptr<OtherProgramWrite> other;
    if (dataCD) {
        other = std::make_unique<OtherProgramWrite>(f.cat, holdMs);
        QVERIFY(other->taken());
        QVERIFY(f.data.addDataCD("Scan", {"a", "b", "c", "d"}));
        QCOMPARE(f.itemsOf(f.cat.scalar("select max(CD_ID) from DATACD").toInt()), QStringList({"a", "b", "c", "d"}));
    } else {
        other = std::make_unique<OtherProgramWrite>(f.cat, holdMs);
        QVERIFY(other->taken());
        f.movies.addMovie("Casablanca", "DVD");
        QCOMPARE(f.cat.count("MOVIE", "MOV_TITLE = 'Casablanca'"), 1);
    }
    other.reset();
    QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
    QCOMPARE(f.cat.count("MOVIE", "MOV_TITLE = 'Other'"), 1);
}

// A catalogue made before the keys and the NUL checks opens, with its orphan rows, and works as it
// did; the stores' deletes run in the keys' order all the same, and the engine refuses NUL itself.
// A file catalogue keeps its covers as files in the folder beside it; a server catalogue keeps them
// in its own rows, which every computer sharing it sees, and writes nothing into the folder, which
// a file catalogue may use for its own covers of the same numbers.
void tst_Stores::coversLiveWithTheCatalogue()
{
    Fixture f;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("cdcovers"));
    const QByteArray first = QByteArray("\xff\xd8\xff\xe0 first") + '\0' + " bytes";
    const QByteArray second("\xff\xd8\xff\xe0 second");
    CoverStore covers(f.main.connection, folder);
    QVERIFY(covers.load(1).isEmpty());
    covers.save(1, first);
    covers.save(2, first);
    covers.save(1, second); // replaces
    QCOMPARE(covers.load(1), second);
    QCOMPARE(covers.load(2), first);
    QCOMPARE(covers.cdIds(), (QList<int>{1, 2}));
    covers.remove(3); // a CD without a cover: nothing to do
    if (f.cat.isServer()) {
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(f.cat.rows(QStringLiteral("select CD_ID, length(JPEG) from COVER order by 1")),
                 QStringList({QStringLiteral("1|%1").arg(second.size()), QStringLiteral("2|%1").arg(first.size())}));
        // The cover goes with its CD.
        f.cds.deleteAudioCD(2);
        QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
        QCOMPARE(covers.cdIds(), QList<int>{1});
    } else {
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({QStringLiteral("1.jpg"), QStringLiteral("2.jpg")}));
        QFile file(QDir(folder).filePath(QStringLiteral("2.jpg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), first);
        covers.remove(2);
        QCOMPARE(covers.cdIds(), QList<int>{1});
    }
}

void tst_Stores::earlierCatalogueKeepsWorking()
{
    if (TempCatalogue::engineUnderTest() != db::Engine::SQLite)
        QSKIP("catalogues made by earlier builds are files: a server catalogue has had its keys from the start");
    Fixture f(true);
    QVERIFY(f.main.connection.connected());
    // The user is told where the copy of the file as it was is kept.
    QCOMPARE(f.messages.texts(),
             QStringList{Texts::CatalogueUpgraded.arg(u'"' + QDir::toNativeSeparators(f.cat.path())
                                                      + QStringLiteral(".version-1\""))});
    QCOMPARE(f.messages.boxes[0].kind, MessageService::Kind::Information);
    f.messages.clear();
    f.cds.openList();
    // Upgraded on opening: the CD of the missing artist shows, under the artist made for it, and the
    // CD made for the track of a missing CD, which names no artist.
    QCOMPARE(f.cds.cdQuery.rowCount(), 5);
    const int cd = f.cds.addAudioCD(audioCD(-1, 2, "Abbey Road", {}, "1969", false, {}, {"Come Together"}));
    QVERIFY(cd > 4);
    f.cds.updateAudioCD(audioCD(cd, 1, "Abbey Road", {}, "1969", true, {}, {"Something"}));
    QCOMPARE(f.tracksOf(cd), QStringList{"Something"});
    f.artists.deleteArtist(1);
    f.data.deleteDataCD(1);
    f.items.deleteDataItem(4);
    QVERIFY2(f.messages.boxes.isEmpty(), qPrintable(f.messages.texts().join(u'\n')));
    QCOMPARE(f.cat.rows("select CD_LABEL from CDAUDIO order by CD_ID"),
             QStringList({"Help", "Lost", "(missing CD 50)"}));
    QCOMPARE(f.cat.rows("select DATA_LABEL from DATA order by DATA_ID"), QStringList{"2019"});

    f.messages.onShow = nullptr;
    f.artists.addArtist(QStringLiteral("Ab") + QChar(0) + longText(300));
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY(f.messages.boxes[0].text.startsWith("The artist could not be added for the following reason :\r\n"));
    QCOMPARE(f.cat.count("ARTISTE", "ART_NAME like 'Ab%'"), 0);
}

// Another program on the same catalogue, with a connection and stores of its own.
struct OtherProgram {
    explicit OtherProgram(const QString &location) { stores.main.openDatabase(location); }
    RecordingMessages messages;
    ProgramStores stores{messages};
};
using Race = std::function<void(Fixture &, OtherProgram &)>;
Q_DECLARE_METATYPE(Race)

// Rows no list can show: tracks without their CD, CDs without their artist, items without their CD.
QString orphans(TempCatalogue &cat)
{
    return cat
        .rows("select count(*) from TRACK where CD_ID not in (select CD_ID from CDAUDIO)"
              " union all select count(*) from CDAUDIO where ART_ID not in (select ART_ID from ARTISTE)"
              " union all select count(*) from DATA where CD_ID not in (select CD_ID from DATACD)")
        .join(u',');
}

// Each race: what both programs do, our program's last step losing to the other's; the warning it
// shows; then nothing of the losing save may be left in the catalogue.
void tst_Stores::racesWithAnotherProgram_data()
{
    QTest::addColumn<Race>("race");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("left"); // SQL counting what the losing save left behind

    QTest::newRow("CD stored against an artist the other just deleted")
        << Race([](Fixture &f, OtherProgram &o) {
               f.artists.openList(); // the editor's artist list still shows the artist
               o.stores.artists.deleteArtist(3);
               QCOMPARE(f.cds.addAudioCD(audioCD(-1, 3, "Disintegration", {}, {}, false, {}, {"Plainsong"})), -1);
           })
        << "The CD could not be added for the following reason :"
        << "select count(*) from CDAUDIO where CD_LABEL = 'Disintegration'";
    QTest::newRow("update of a CD the other just deleted")
        << Race([](Fixture &f, OtherProgram &o) {
               f.cds.openList();
               QVERIFY(f.cds.locate(1));
               o.stores.cds.deleteAudioCD(1);
               f.cds.updateAudioCD(audioCD(1, 1, "Gold (remastered)", {}, {}, false, {}, {"Waterloo", "SOS"}));
           })
        << "The CD could not be updated for the following reason :"
        << "select count(*) from TRACK where TR_LABEL in ('Waterloo', 'SOS')";
    QTest::newRow("update of a CD without tracks the other just deleted")
        << Race([](Fixture &f, OtherProgram &o) {
               o.stores.cds.deleteAudioCD(3);
               f.cds.updateAudioCD(audioCD(3, 1, "Arrival", {}, {}, true, {}, {}));
           })
        << "The CD could not be updated for the following reason :"
        << "select count(*) from CDAUDIO where CD_ID = 3";
    QTest::newRow("update of a data CD the other just deleted") << Race([](Fixture &f, OtherProgram &o) {
        o.stores.data.deleteDataCD(2);
        f.data.updateDataCD(2, "Photos 2019", {});
    }) << "The CD could not be updated for the following reason :"
                                                                << "select count(*) from DATACD where CD_ID = 2";
}

void tst_Stores::racesWithAnotherProgram()
{
    QFETCH(Race, race);
    QFETCH(QString, message);
    QFETCH(QString, left);

    Fixture f;
    f.messages.onShow = nullptr;
    OtherProgram other(f.cat.path());
    const QString orphansBefore = orphans(f.cat);
    race(f, other);

    QVERIFY2(other.messages.boxes.isEmpty(), qPrintable(other.messages.texts().join(u'\n')));
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].kind, MessageService::Kind::Warning);
    const QString text = f.messages.boxes[0].text;
    QVERIFY2(text.startsWith(message + CR_LF) && text.size() > message.size() + 2, qPrintable(text));
    QVERIFY(!f.main.connection.inTransaction());
    QCOMPARE(f.cat.scalar(left).toInt(), 0);
    QCOMPARE(orphans(f.cat), orphansBefore);
}

// Several programs browse one catalogue: Refresh reads what the others stored since.
void tst_Stores::refreshShowsAnotherProgramsChanges()
{
    Fixture f;
    OtherProgram other(f.cat.path());
    f.movies.openList();
    f.cds.openList();
    f.artists.openList();
    QVERIFY(f.cds.locate(2));

    other.stores.movies.addMovie("Casablanca", "DVD");
    other.stores.cds.updateAudioCD(
        audioCD(2, 2, "Help! (remastered)", {}, "1965", true, {}, {"Help!", "Ticket to Ride"}));
    other.stores.artists.deleteArtist(3);
    QVERIFY(other.messages.boxes.isEmpty());

    QCOMPARE(f.movies.count(), 2); // a snapshot until refreshed
    f.movies.refreshList();
    f.cds.refreshList();
    f.artists.refreshList();
    QCOMPARE(f.movies.count(), 3);
    QCOMPARE(f.cds.current().title, QStringLiteral("Help! (remastered)"));
    QCOMPARE(f.cds.current().tracks, QStringList({"Help!", "Ticket to Ride"}));
    QStringList names;
    for (const TArtist &a : f.artists.artists())
        names << a.name;
    QCOMPARE(names, QStringList({"Abba", "Beatles"}));
}

QTEST_GUILESS_MAIN(tst_Stores)
#include "tst_stores.moc"
