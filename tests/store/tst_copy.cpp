// dadudu-copy between a catalogue file and the test server, both ways, run as a user runs it; the
// copies are read back by the other engine's own side connection and by the program's stores.

#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "support/AudioCDValue.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run copy(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DADUDU_COPY), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every row of every table, in the order of their numbers, the same text from either engine.
QStringList dump(TempCatalogue &cat)
{
    QStringList out;
    out << cat.rows(QStringLiteral("select ART_ID, ART_NAME from ARTISTE order by 1"))
        << cat.rows(QStringLiteral(
               "select CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS from CDAUDIO order by 1"))
        << cat.rows(QStringLiteral("select TR_ID, TR_LABEL, CD_ID from TRACK order by 1"))
        // The length counts a leading U+FEFF, which a reader's UTF-8 decoding may drop from the text.
        << cat.rows(QStringLiteral("select MOV_ID, MOV_TITLE, length(MOV_TITLE), MOV_TYPE from MOVIE order by 1"))
        << cat.rows(QStringLiteral("select CD_ID, CD_TITLE from DATACD order by 1"))
        << cat.rows(QStringLiteral("select DATA_ID, DATA_LABEL, CD_ID from DATA order by 1"));
    return out;
}

// Numbers with gaps, a CD whose number was given and deleted since, NULLs, quotes, accents, line
// breaks, a title that starts with a byte-order mark, and rows whose parent is missing: a track of no CD,
// a CD of no artist, an item of no data CD.
void seed(TempCatalogue &cat)
{
    cat.exec(QStringLiteral(
        "insert into ARTISTE (ART_ID, ART_NAME) values (3, 'Abba'), (7, 'Sigur Rós');"
        "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS) values"
        " (2, 'Don''t Stop', 3, '123', '1979', 1, 'line one\nline two'), (5, 'Ágætis byrjun', 7, '', '1999', 0, NULL),"
        " (9, 'Gone', 3, '', '', 0, ''), (14, 'Orphan', 21, NULL, NULL, 0, NULL);"
        "insert into TRACK (TR_ID, TR_LABEL, CD_ID) values (4, 'Chiquitita', 2), (8, 'Svefn-g-englar', 5), (11, "
        "'Stray', 50);"
        "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (1, 'Alien', 'DVD'), (5, '\uFEFFMarked', 'DVD');"
        "insert into DATACD (CD_ID, CD_TITLE) values (6, 'Backup');"
        "insert into DATA (DATA_ID, DATA_LABEL, CD_ID) values (12, 'docs', 6), (13, 'src', 6), (15, 'lost', 30);"));
    cat.exec(QStringLiteral("delete from CDAUDIO where CD_ID = 9"));
}

// The parents the copy makes for the seeded rows whose parent is missing.
const QStringList MadeParents
    = {QStringLiteral("21|(missing artist 21)"), QStringLiteral("50|(missing CD 50)|<null>|<null>|<null>|0|<null>"),
       QStringLiteral("30|(missing data CD 30)")};

QStringList sorted(QStringList rows)
{
    rows.sort();
    return rows;
}

QByteArray jpeg(int seed)
{
    // Any bytes serve: a cover is carried as it is, never decoded.
    QByteArray bytes("\xff\xd8\xff\xe0");
    for (int i = 0; i < 3000; ++i)
        bytes.append(char((i * seed) % 251));
    bytes.append(QByteArray(1, '\0')).append("\xff\xd9");
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_Copy : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void copiesBothWays_data();
    void copiesBothWays();
    void roundTripKeepsEveryRowAndCover();
    void failureLeavesTheTargetAsItWas_data();
    void failureLeavesTheTargetAsItWas();
    void passwordFromWhereLibpqLooks_data();
    void passwordFromWhereLibpqLooks();
};

void tst_Copy::initTestCase()
{
    if (TempCatalogue::engineUnderTest() != db::Engine::PostgreSQL)
        QSKIP("copying needs both engines: run with DADUDU_TEST_ENGINE=postgresql");
    const QString why = TempCatalogue::unavailable();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
}

void tst_Copy::copiesBothWays_data()
{
    QTest::addColumn<bool>("fromFile");
    QTest::newRow("file to server") << true;
    QTest::newRow("server to file") << false;
}

void tst_Copy::copiesBothWays()
{
    QFETCH(bool, fromFile);
    TempCatalogue source(fromFile ? db::Engine::SQLite : db::Engine::PostgreSQL);
    seed(source);
    std::unique_ptr<TempCatalogue> server;
    QTemporaryDir dir;
    QString to = dir.filePath(QStringLiteral("copy.mdb")); // a file the copy makes
    if (fromFile) {
        server = std::make_unique<TempCatalogue>(db::Engine::PostgreSQL);
        to = server->path();
    }

    Run r = copy({source.path(), to});
    QCOMPARE(r.code, 0);
    for (const char *line : {"ARTISTE: 2 copied, 1 made for rows that name a missing one",
                             "CDAUDIO: 3 copied, 1 made for rows that name a missing one", "TRACK: 3 copied\n",
                             "DATACD: 1 copied, 1 made for rows that name a missing one", "DATA: 3 copied\n"})
        QVERIFY2(r.out.contains(QLatin1String(line)), qPrintable(r.out));

    // The copy read back by the target engine's own connection: every row, and the parents made.
    TempCatalogue *target = server.get();
    std::unique_ptr<TempCatalogue> fileView;
    if (!target) {
        // Look at the made file through a side connection of its own.
        fileView = std::make_unique<TempCatalogue>(db::Engine::SQLite);
        QFile::remove(fileView->path());
        QVERIFY(QFile::copy(to, fileView->path()));
        target = fileView.get();
    }
    const QStringList expected = sorted(dump(source) + MadeParents);
    QCOMPARE(sorted(dump(*target)), expected);

    // A copy with records is refused, and left as it was; --force replaces it.
    source.exec(QStringLiteral("insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (2, 'Brazil', 'DivX')"));
    r = copy({source.path(), to});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("--force")), qPrintable(r.err));
    if (!fileView)
        QCOMPARE(sorted(dump(*target)), expected);
    r = copy({QStringLiteral("--force"), source.path(), to});
    QCOMPARE(r.code, 0);

    // The program on the copy: the next CD takes a number never given in the source or made, so
    // the deleted CD's cover name is not reused.
    RecordingMessages messages;
    CatalogueConnection main(messages);
    main.openDatabase(to);
    AudioCDStore cds(main, messages);
    QCOMPARE(cds.addAudioCD(audioCD(-1, 3, QStringLiteral("Arrival"), {}, {}, false, {}, {QStringLiteral("Tiger")})),
             51);
    cds.openList();
    // The CD made for the stray track names no artist, and is listed all the same.
    QCOMPARE(cds.count(), 5);
    QVERIFY2(messages.boxes.isEmpty(), qPrintable(messages.texts().join(u'\n')));
    QVERIFY(main.connection.engine() == (fromFile ? db::Engine::PostgreSQL : db::Engine::SQLite));
}

// File -> server -> file: every row of the first file comes back byte for byte in the last, with the
// parents made once, on the way to the server; the covers go from the folder beside the file into
// the server's catalogue and back into the folder beside the last file. A cover of no CD stays out.
void tst_Copy::roundTripKeepsEveryRowAndCover()
{
    TempCatalogue file(db::Engine::SQLite);
    seed(file);
    const QString folder = QFileInfo(file.path()).dir().filePath(QStringLiteral("cdcovers"));
    QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("2.jpg")), jpeg(3)));
    QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("14.jpg")), jpeg(7)));
    QVERIFY(writeFile(QDir(folder).filePath(QStringLiteral("9.jpg")), jpeg(11))); // the deleted CD's
    TempCatalogue server(db::Engine::PostgreSQL);
    Run r = copy({file.path(), server.path()});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("COVER: 2 copied, 1 left out")), qPrintable(r.out));
    QCOMPARE(server.rows(QStringLiteral("select CD_ID, md5(JPEG) from COVER order by 1")),
             QStringList({QStringLiteral("2|%1").arg(
                              QString::fromLatin1(QCryptographicHash::hash(jpeg(3), QCryptographicHash::Md5).toHex())),
                          QStringLiteral("14|%1").arg(QString::fromLatin1(
                              QCryptographicHash::hash(jpeg(7), QCryptographicHash::Md5).toHex()))}));

    QTemporaryDir dir;
    const QString back = dir.filePath(QStringLiteral("back.mdb"));
    r = copy({server.path(), back});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(QStringLiteral("COVER: 2 copied")), qPrintable(r.out));
    QVERIFY2(!r.out.contains(QStringLiteral("made")), qPrintable(r.out)); // nothing is missing any more
    TempCatalogue view(db::Engine::SQLite);
    QFile::remove(view.path());
    QVERIFY(QFile::copy(back, view.path()));
    QCOMPARE(sorted(dump(view)), sorted(dump(file) + MadeParents));
    QCOMPARE(
        view.rows(QStringLiteral("select typeof(YEAR), typeof(COMMENTS), typeof(LIMITED) from CDAUDIO order by CD_ID")),
        file.rows(QStringLiteral("select typeof(YEAR), typeof(COMMENTS), typeof(LIMITED) from CDAUDIO order by CD_ID"))
            << QStringLiteral("null|null|integer"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("cdcovers"))).entryList(QDir::Files),
             QStringList({QStringLiteral("14.jpg"), QStringLiteral("2.jpg")}));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("cdcovers/2.jpg"))), jpeg(3));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("cdcovers/14.jpg"))), jpeg(7));
}

void tst_Copy::failureLeavesTheTargetAsItWas_data()
{
    QTest::addColumn<bool>("toServer");
    QTest::newRow("into a server database") << true;
    QTest::newRow("into a new file") << false;
}

// One transaction: an insert the target refuses half-way stores nothing at all.
void tst_Copy::failureLeavesTheTargetAsItWas()
{
    QFETCH(bool, toServer);
    TempCatalogue source(toServer ? db::Engine::SQLite : db::Engine::PostgreSQL);
    seed(source);
    QTemporaryDir dir;
    if (toServer) {
        TempCatalogue target(db::Engine::PostgreSQL);
        target.failInsertWhen(QStringLiteral("DATA"), QStringLiteral("DATA_LABEL"), QStringLiteral("src"));
        const Run r = copy({source.path(), target.path()});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("refused by the test trigger")), qPrintable(r.err));
        QCOMPARE(dump(target), QStringList());
    } else {
        // A text over the file's limit: the server's catalogue was made without the checks.
        source.exec(
            QStringLiteral("alter table MOVIE drop constraint \"MOVIE.MOV_TYPE is longer than 255 characters\";"
                           "insert into MOVIE (MOV_ID, MOV_TITLE, MOV_TYPE) values (3, 'Long', repeat('x', 300))"));
        const QString to = dir.filePath(QStringLiteral("copy.mdb"));
        const Run r = copy({source.path(), to});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("MOV_TYPE is longer than 255")), qPrintable(r.err));
        QVERIFY2(!QFile::exists(to), "the file made for the copy is gone");
    }
}

void tst_Copy::passwordFromWhereLibpqLooks_data()
{
    QTest::addColumn<QString>("given");
    QTest::newRow("PGPASSWORD") << QStringLiteral("environment");
    QTest::newRow("~/.pgpass") << QStringLiteral("pgpass");
    QTest::newRow("in the address, taken out of it") << QStringLiteral("address");
    QTest::newRow("nowhere") << QString();
}

// A role of the test server that must give its password, which the copying tool takes from
// wherever every PostgreSQL program takes it.
void tst_Copy::passwordFromWhereLibpqLooks()
{
    QFETCH(QString, given);
    const QString password = QStringLiteral("s3cret:with@odd/chars");
    TempCatalogue source(db::Engine::SQLite);
    seed(source);
    TempCatalogue target(db::Engine::PostgreSQL);
    QString to = target.passwordRoleAddress(password);
    QVERIFY(!to.isEmpty());

    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"PGPASSWORD", "PGPASSFILE", "PGSERVICEFILE"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("HOME"), home.path());
    if (given == QLatin1String("environment"))
        env.insert(QStringLiteral("PGPASSWORD"), password);
    if (given == QLatin1String("pgpass")) {
        QFile pgpass(home.filePath(QStringLiteral(".pgpass")));
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        QString escaped = password;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u':', QStringLiteral("\\:"));
        pgpass.write(QStringLiteral("*:*:*:dadudu_password_test:%1\n").arg(escaped).toUtf8());
        pgpass.close();
        QVERIFY(pgpass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
    if (given == QLatin1String("address"))
        to.replace(
            QStringLiteral("://dadudu_password_test@"),
            QStringLiteral("://dadudu_password_test:%1@").arg(QString::fromLatin1(QUrl::toPercentEncoding(password))));

    const Run r = copy({source.path(), to}, env);
    if (given.isEmpty()) {
        QVERIFY(r.code != 0);
        QVERIFY2(r.err.contains(QStringLiteral("password")), qPrintable(r.err));
        QCOMPARE(target.count(QStringLiteral("ARTISTE")), 0);
        return;
    }
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(target.count(QStringLiteral("ARTISTE")), source.count(QStringLiteral("ARTISTE")) + 1); // and the one made
}

QTEST_GUILESS_MAIN(tst_Copy)
#include "tst_copy.moc"
