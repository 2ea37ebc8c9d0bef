// The command-line tools: each answers --help with its usage and makes nothing, refuses a wrong
// command line in one line on standard error with the status 2, and never replaces an existing
// catalogue unless told to. They run as on a text console: no display.

#include "store/CatalogueFile.h"
#include "support/TempCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run run(const QString &tool, const QStringList &arguments, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment console = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        console.remove(QLatin1String(display));
    p.setProcessEnvironment(console);
    p.start(tool, arguments);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Runs `command` as root would on a catalogue it cannot write: made immutable, or in a mount
// namespace of its own where the folder is bound read-only. An empty `why` when that can be had.
QStringList readOnlyCommand(const QString &how, const QString &file, const QStringList &command, QString *why)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (how == QLatin1String("immutable")) {
        QProcess chattr;
        chattr.start(QStringLiteral("chattr"), {QStringLiteral("+i"), file});
        if (!chattr.waitForFinished() || chattr.exitStatus() != QProcess::NormalExit || chattr.exitCode() != 0)
            *why = QStringLiteral("no immutable file here (chattr +i: %1)")
                       .arg(QString::fromLocal8Bit(chattr.readAllStandardError()).trimmed());
        return command;
    }
    if (how != QLatin1String("read-only mount"))
        return command;
    const QString bind = QStringLiteral("mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\"");
    QProcess probe;
    probe.start(QStringLiteral("unshare"),
                {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                 bind + QStringLiteral(" && ! touch \"$0/probe\" 2>/dev/null"), folder});
    if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        *why = QStringLiteral("no read-only bind mount here (unshare -m, mount -o remount,bind,ro: %1)")
                   .arg(QString::fromLocal8Bit(probe.readAllStandardError()).trimmed());
    return QStringList{QStringLiteral("unshare"),
                       QStringLiteral("-m"),
                       QStringLiteral("sh"),
                       QStringLiteral("-c"),
                       bind + QStringLiteral(" && shift && exec \"$@\""),
                       folder,
                       QStringLiteral("--")}
    + command;
}

} // namespace

class tst_Tools : public QObject
{
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void existingCatalogue_data();
    void existingCatalogue();
    void forceReplacesCatalogue();
    void existingServerCatalogue();
    void readersLeaveTheCatalogueAsItIs_data();
    void readersLeaveTheCatalogueAsItIs();
    void forcedCopyReplacesTheCovers_data();
    void forcedCopyReplacesTheCovers();
};

void tst_Tools::commandLine_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString discid = QStringLiteral(DISCID_TOOL), mk = QStringLiteral(MKCATALOGUE_TOOL),
                  bench = QStringLiteral(BENCH_CATALOGUE_TOOL);
    for (const auto &[name, tool] : {std::pair{"dadudu-discid", discid}, std::pair{"dadudu-mkcatalogue", mk},
                                     std::pair{"dadudu-bench-catalogue", bench}}) {
        QTest::addRow("%s --help", name) << tool << QStringList{"--help"} << 0 << "Usage:"
                                         << "";
        QTest::addRow("%s -h", name) << tool << QStringList{"-h"} << 0 << "Usage:"
                                     << "";
        QTest::addRow("%s without argument", name) << tool << QStringList{} << 2 << ""
                                                   << "usage:";
        QTest::addRow("%s, an unknown option", name) << tool << QStringList{"--helpp", "x"} << 2 << ""
                                                     << "helpp";
        QTest::addRow("%s, two arguments", name) << tool << QStringList{"a.mdb", "b.mdb"} << 2 << ""
                                                 << "usage:";
    }
    QTest::newRow("dadudu-mkcatalogue --help names --force") << mk << QStringList{"--help"} << 0 << "--force"
                                                             << "";
    // What every program installed answers alike.
    const QString exe = QStringLiteral(DADUDU_EXE), copy = QStringLiteral(COPY_TOOL),
                  exporter = QStringLiteral(EXPORT_TOOL);
    for (const auto &[name, tool] :
         {std::pair{"dadudu", exe}, std::pair{"dadudu-discid", discid}, std::pair{"dadudu-mkcatalogue", mk},
          std::pair{"dadudu-copy", copy}, std::pair{"dadudu-export", exporter}}) {
        QTest::addRow("%s --version", name) << tool << QStringList{"--version"} << 0 << DADUDU_VERSION << "";
        QTest::addRow("%s --help", name) << tool << QStringList{"--help"} << 0 << "Usage:"
                                         << "";
        QTest::addRow("%s --bogus", name) << tool << QStringList{"--bogus"} << 2 << ""
                                          << "bogus";
        QTest::addRow("%s, an option without its value", name) << tool << QStringList{"--catalogue"} << 2 << ""
                                                               << "catalogue";
    }
    for (const auto &[name, tool] : {std::pair{"dadudu-copy", copy}, std::pair{"dadudu-export", exporter}}) {
        QTest::addRow("%s without argument", name) << tool << QStringList{} << 2 << ""
                                                   << "";
        QTest::addRow("%s, an unexpected argument", name) << tool << QStringList{"a", "b", "c"} << 2 << ""
                                                          << "";
    }
    // A failure names the file it is about.
    QTest::newRow("dadudu-copy, no catalogue to copy") << copy << QStringList{"missing.mdb", "copy.mdb"} << 1 << ""
                                                       << "missing.mdb";
    QTest::newRow("dadudu-mkcatalogue, a missing folder") << mk << QStringList{"none/new.mdb"} << 1 << ""
                                                          << "none/new.mdb";
    QTest::newRow("dadudu-discid, no such sheet") << discid << QStringList{"missing.cue"} << 1 << ""
                                                  << "missing.cue";
    QTest::newRow("dadudu-export --csv-raw with another format")
        << exporter
        << QStringList{"--catalogue", "c.mdb", "--list", "artists", "--format", "xls", "--output", "o.xls", "--csv-raw"}
        << 2 << ""
        << "--csv-raw";
}

void tst_Tools::commandLine()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir folder;
    const Run r = run(tool, arguments, folder.path());
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err, Qt::CaseInsensitive), qPrintable(r.err));
    // A refusal is one line, which says whose it is; the benchmark's own tool is not installed.
    const QString name = QFileInfo(tool).fileName();
    if (status != 0 && name != QStringLiteral("dadudu-bench-catalogue")) {
        QVERIFY2(r.err.startsWith(name + QStringLiteral(": ")), qPrintable(r.err));
        QVERIFY2(r.err.count(u'\n') == 1 && r.err.endsWith(u'\n'), qPrintable(r.err));
    }
    // Nothing made, under any name.
    QCOMPARE(entriesOf(folder.path()), QStringList());
}

void tst_Tools::existingCatalogue_data()
{
    QTest::addColumn<QString>("tool");
    QTest::newRow("dadudu-mkcatalogue") << QStringLiteral(MKCATALOGUE_TOOL);
    QTest::newRow("dadudu-bench-catalogue") << QStringLiteral(BENCH_CATALOGUE_TOOL);
}

void tst_Tools::existingCatalogue()
{
    QFETCH(QString, tool);
    TempCatalogue cat;
    cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD')"));
    cat.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const QByteArray before = bytesOf(cat.path());
    const QStringList entries = entriesOf(cat.folder());
    const Run r = run(tool, {cat.path()}, cat.folder());
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("exists")), qPrintable(r.err));
    QCOMPARE(bytesOf(cat.path()), before);
    QCOMPARE(entriesOf(cat.folder()), entries);
    QCOMPARE(cat.count(QStringLiteral("MOVIE")), 1);
}

void tst_Tools::forceReplacesCatalogue()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("dadudu.mdb"));
    createEmptyCatalogue(path);
    auto movies = [&path] {
        sqlite3 *db = nullptr;
        int n = -1;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK
            && sqlite3_prepare_v2(db, "select count(*) from MOVIE", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return n;
    };
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(db, "insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD')", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    QCOMPARE(movies(), 1);

    const Run r = run(QStringLiteral(MKCATALOGUE_TOOL), {QStringLiteral("--force"), path}, folder.path());
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QCOMPARE(movies(), 0);
    QCOMPARE(entriesOf(folder.path()), QStringList{QStringLiteral("dadudu.mdb")});
}

// A server database that holds a catalogue is refused as an existing file is, in one line, and left
// as it was; --force replaces files only.
void tst_Tools::existingServerCatalogue()
{
    if (TempCatalogue::serverAddress().isEmpty())
        QSKIP("needs the PostgreSQL test server (run through ctest)");
    TempCatalogue cat(db::Engine::PostgreSQL);
    cat.exec(QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD')"));
    QTemporaryDir folder;
    for (const QStringList &arguments : {QStringList{cat.path()}, QStringList{QStringLiteral("--force"), cat.path()}}) {
        const Run r = run(QStringLiteral(MKCATALOGUE_TOOL), arguments, folder.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("dadudu-mkcatalogue: The database at ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("holds a catalogue already")), qPrintable(r.err));
        QVERIFY2(r.err.count(u'\n') == 1, qPrintable(r.err));
        QCOMPARE(cat.rows(QStringLiteral("select MOV_TITLE, MOV_TYPE from MOVIE")),
                 QStringList{QStringLiteral("Alien|DVD")});
    }
}

// The tools only read a catalogue they export or copy from: one the user may not write, or on a
// medium that cannot be written, is read all the same, and every catalogue is left as it was: the
// same bytes, the same journal mode, no log files beside it.
void tst_Tools::readersLeaveTheCatalogueAsItIs_data()
{
    QTest::addColumn<QString>("journal"); // the catalogue's journal mode
    QTest::addColumn<QString>("how");     // what keeps it from being written
    QTest::newRow("WAL") << "wal"
                         << "";
    QTest::newRow("rollback journal") << "delete"
                                      << "";
    QTest::newRow("WAL, immutable file") << "wal"
                                         << "immutable";
    QTest::newRow("rollback journal, immutable file") << "delete"
                                                      << "immutable";
    QTest::newRow("WAL, read-only mount") << "wal"
                                          << "read-only mount";
}

void tst_Tools::readersLeaveTheCatalogueAsItIs()
{
    QFETCH(QString, journal);
    QFETCH(QString, how);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("catalogue")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const QString path = dir.filePath(QStringLiteral("catalogue/dadudu.mdb"));
    createEmptyCatalogue(path);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const QByteArray seed = "insert into MOVIE (MOV_TITLE, MOV_TYPE) values ('Alien', 'DVD'), ('Brazil', 'DivX');"
                            "PRAGMA journal_mode="
        + journal.toLatin1() + ";";
    QCOMPARE(sqlite3_exec(db, seed.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const QByteArray before = bytesOf(path);
    QCOMPARE(before.at(18), journal == QLatin1String("wal") ? 2 : 1);

    const QString exported = dir.filePath(QStringLiteral("out/movies.html"));
    const QString copied = dir.filePath(QStringLiteral("out/copy.mdb"));
    QString why;
    const QStringList exportCommand
        = readOnlyCommand(how, path,
                          {QStringLiteral(EXPORT_TOOL), QStringLiteral("--catalogue"), path, QStringLiteral("--list"),
                           QStringLiteral("movies"), QStringLiteral("--format"), QStringLiteral("html"),
                           QStringLiteral("--output"), exported},
                          &why);
    const auto mutableAgain = qScopeGuard([&] {
        if (how == QLatin1String("immutable"))
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
    });
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QStringList copyCommand = readOnlyCommand(QString(how).replace(QStringLiteral("immutable"), QString()), path,
                                                    {QStringLiteral(COPY_TOOL), path, copied}, &why);

    for (const QStringList &command : {exportCommand, copyCommand}) {
        const Run r = run(command.first(), command.mid(1), dir.path());
        QVERIFY2(r.status == 0, qPrintable(command.join(u' ') + u'\n' + r.out + r.err));
        QCOMPARE(entriesOf(dir.filePath(QStringLiteral("catalogue"))), QStringList{QStringLiteral("dadudu.mdb")});
        QVERIFY(bytesOf(path) == before);
    }
    QVERIFY2(bytesOf(exported).contains("Brazil"), bytesOf(exported).constData());
    sqlite3 *copy = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(copied).constData(), &copy, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(copy, "select group_concat(MOV_TITLE) from MOVIE", -1, &st, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(st), SQLITE_ROW);
    const QString titles = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(copy);
    QCOMPARE(titles, QStringLiteral("Alien,Brazil"));
}

// A catalogue file's covers are files named by CD number in the folder beside it. Copied over with
// --force, the folder then holds the source's covers and none of the catalogue it replaced (a CD
// gone, a CD without a cover in the source, a picture of no CD); anything else in it stays. A copy
// that fails leaves the catalogue and its covers as they were.
void tst_Tools::forcedCopyReplacesTheCovers_data()
{
    QTest::addColumn<QString>("source"); // "file", "file in the same folder" (which shares the covers), "server"
    QTest::addColumn<bool>("fails");
    QTest::newRow("from a file") << "file" << false;
    QTest::newRow("from a file beside it") << "file in the same folder" << false;
    QTest::newRow("from a server") << "server" << false;
    QTest::newRow("from a file, the copy failing") << "file" << true;
}

void tst_Tools::forcedCopyReplacesTheCovers()
{
    QFETCH(QString, source);
    QFETCH(bool, fails);
    if (source == QLatin1String("server") && TempCatalogue::serverAddress().isEmpty())
        QSKIP("needs the PostgreSQL test server (run through ctest)");
    const auto writeFile = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    const auto coversIn = [](const QString &folder) {
        QStringList out;
        for (const QString &name : entriesOf(folder))
            out << name + u'=' + QString::fromLatin1(bytesOf(QDir(folder).filePath(name)));
        return out;
    };

    TempCatalogue target(db::Engine::SQLite);
    target.exec(QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba');"
                               "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (1, 'Gold', 1), (2, 'Arrival', 1),"
                               " (3, 'Waterloo', 1)"));
    const QString targetCovers = QDir(target.folder()).filePath(QStringLiteral("cdcovers"));
    QVERIFY(QDir().mkpath(targetCovers));
    // The source's CDs 1, 2 and 4; its covers: CD 1, CD 4, and a picture of no CD.
    const QString rows = QStringLiteral("insert into ARTISTE (ART_ID, ART_NAME) values (1, 'Abba');"
                                        "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (1, 'Gold', 1),"
                                        " (2, 'Voulez-Vous', 1), (4, 'Super Trouper', 1)");
    const QMap<int, QByteArray> sourcePictures{{1, "new 1"}, {4, "new 4"}, {7, "no CD 7"}};
    std::unique_ptr<TempCatalogue> server;
    QTemporaryDir sourceFolder;
    QString from;
    QString sourceCovers;
    if (source == QLatin1String("server")) {
        server = std::make_unique<TempCatalogue>(db::Engine::PostgreSQL);
        server->exec(rows);
        for (auto it = sourcePictures.cbegin(); it != sourcePictures.cend(); ++it)
            if (it.key() != 7) // the server's covers belong to its CDs
                server->exec(QStringLiteral("insert into COVER (CD_ID, JPEG) values (%1, '%2'::bytea)")
                                 .arg(it.key())
                                 .arg(QString::fromLatin1(it.value())));
        from = server->path();
    } else {
        const bool beside = source == QLatin1String("file in the same folder");
        from = beside ? QDir(target.folder()).filePath(QStringLiteral("source.mdb"))
                      : sourceFolder.filePath(QStringLiteral("dadudu.mdb"));
        createEmptyCatalogue(from);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(from).constData(), &db), SQLITE_OK);
        // A title longer than the schema takes, as an older program could store: the copy fails on it.
        const QString sql = rows
            + (fails ? QStringLiteral(
                   ";PRAGMA ignore_check_constraints = ON;"
                   "insert into CDAUDIO (CD_ID, CD_LABEL, ART_ID) values (5, printf('%.300c', 'x'), 1)")
                     : QString());
        QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        sourceCovers = QDir(QFileInfo(from).absolutePath()).filePath(QStringLiteral("cdcovers"));
        QVERIFY(QDir().mkpath(sourceCovers));
        for (auto it = sourcePictures.cbegin(); it != sourcePictures.cend(); ++it)
            QVERIFY(
                writeFile(QDir(sourceCovers).filePath(QString::number(it.key()) + QStringLiteral(".jpg")), it.value()));
    }
    // The replaced catalogue's covers, unless it shares the source's; and a file that is no cover.
    if (sourceCovers != targetCovers)
        for (const auto &[cd, bytes] :
             {std::pair{1, "old 1"}, std::pair{2, "old 2"}, std::pair{3, "old 3"}, std::pair{9, "old, of no CD"}})
            QVERIFY(writeFile(QDir(targetCovers).filePath(QString::number(cd) + QStringLiteral(".jpg")), bytes));
    QVERIFY(writeFile(QDir(targetCovers).filePath(QStringLiteral("notes.txt")), "mine"));
    const QStringList rowsBefore = target.rows(QStringLiteral("select CD_ID, CD_LABEL from CDAUDIO order by 1"));
    const QStringList coversBefore = coversIn(targetCovers);

    const Run r = run(QStringLiteral(COPY_TOOL), {QStringLiteral("--force"), from, target.path()}, target.folder());
    if (fails) {
        QVERIFY2(r.status == 1, qPrintable(r.out + r.err));
        QCOMPARE(target.rows(QStringLiteral("select CD_ID, CD_LABEL from CDAUDIO order by 1")), rowsBefore);
        QCOMPARE(coversIn(targetCovers), coversBefore);
        return;
    }
    QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
    QCOMPARE(target.rows(QStringLiteral("select CD_ID from CDAUDIO order by 1")), QStringList({"1", "2", "4"}));
    QStringList expected{QStringLiteral("1.jpg=new 1"), QStringLiteral("4.jpg=new 4"),
                         QStringLiteral("notes.txt=mine")};
    // Beside the source, the folder is the source's own: its picture of no CD stays.
    if (sourceCovers == targetCovers)
        expected.insert(2, QStringLiteral("7.jpg=no CD 7"));
    QCOMPARE(coversIn(targetCovers), expected);
}

QTEST_MAIN(tst_Tools)
#include "tst_tools.moc"
