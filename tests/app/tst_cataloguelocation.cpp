// Where the program finds its catalogue and its covers, what it offers when there is none, and the
// real program's command line. The home folder is a temporary one and QStandardPaths is in test
// mode, so no run touches the real user's data.

#include "app/AppModules.h"
#include "app/CatalogueLocation.h"
#include "app/DaduduApplication.h"
#include "app/MainWindow.h"
#include "base/Texts.h"
#include "editors/AudioCDEditor.h"
#include "store/CatalogueConnection.h"
#include "store/CatalogueFile.h"
#include "support/ModalDriver.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <sqlite3.h>

#include <memory>

namespace {

bool makeCatalogue(const QString &path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    try {
        createEmptyCatalogue(path);
    } catch (const DbError &) {
        return false;
    }
    return true;
}

// The tables an independent connection finds in the file.
QStringList tablesOf(const QString &path)
{
    QStringList out;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "select name from sqlite_master where type = 'table' order by name", -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class tst_CatalogueLocation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void identity();
    void findsCatalogue_data();
    void findsCatalogue();
    void noCatalogueAnywhere_data();
    void noCatalogueAnywhere();
    void coversFollowCatalogue_data();
    void coversFollowCatalogue();
    void newCoverGoesBesideCatalogue();
    void commandLine_data();
    void commandLine();
    void realProgramOpens_data();
    void realProgramOpens();

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

void tst_CatalogueLocation::initTestCase()
{
    DaduduApplication::setIdentity();
    QStandardPaths::setTestModeEnabled(true);
}

void tst_CatalogueLocation::init()
{
    // A fresh home for each case: what one case makes, the next does not find.
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("HOME", QFile::encodeName(m_home->path()));
}

void tst_CatalogueLocation::identity()
{
    // The desktop finds the windows' entry by this name, and the window manager by the class.
    QCOMPARE(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
             QFileInfo(QStringLiteral(DADUDU_DESKTOP_ENTRY)).fileName());
    QSettings entry(QStringLiteral(DADUDU_DESKTOP_ENTRY), QSettings::IniFormat);
    QCOMPARE(entry.value(QStringLiteral("Desktop Entry/StartupWMClass")).toString(),
             QCoreApplication::applicationName());
    // The data folder is the program's name once, under the home.
    const QString folder = catalogueDataFolder();
    QVERIFY2(folder.startsWith(m_home->path() + u'/'), qPrintable(folder));
    QCOMPARE(QFileInfo(folder).fileName(), QStringLiteral("dadudu"));
    QVERIFY2(!folder.contains(QStringLiteral("dadudu/dadudu"), Qt::CaseInsensitive), qPrintable(folder));
}

void tst_CatalogueLocation::findsCatalogue_data()
{
    QTest::addColumn<bool>("beside");       // a catalogue beside the executable
    QTest::addColumn<bool>("inData");       // one in the data folder
    QTest::addColumn<QString>("named");     // --catalogue: "", "other" (exists), "missing", or an address
    QTest::addColumn<QString>("preferred"); // the preferences' choice
    QTest::addColumn<QString>("expected");
    QTest::newRow("none anywhere: the data folder's") << false << false << ""
                                                      << ""
                                                      << "data";
    QTest::newRow("only in the data folder") << false << true << ""
                                             << ""
                                             << "data";
    QTest::newRow("beside the executable wins over the data folder") << true << true << ""
                                                                     << ""
                                                                     << "beside";
    QTest::newRow("beside the executable only") << true << false << ""
                                                << ""
                                                << "beside";
    QTest::newRow("named wins over both") << true << true << "other"
                                          << ""
                                          << "named";
    QTest::newRow("named and missing: still the named one") << true << true << "missing"
                                                            << ""
                                                            << "named";
    const QString club = QStringLiteral("postgresql://club@127.0.0.1:5432/discs");
    QTest::newRow("the preferences' server over the data folder") << false << true << "" << club << "preferred";
    QTest::newRow("beside the executable wins over the preferences") << true << true << "" << club << "beside";
    QTest::newRow("named wins over the preferences") << false << true << "other" << club << "named";
    QTest::newRow("an address, as written") << true << true << "postgresql://shelf@127.0.0.1/discs"
                                            << ""
                                            << "named";
}

void tst_CatalogueLocation::findsCatalogue()
{
    QFETCH(bool, beside);
    QFETCH(bool, inData);
    QFETCH(QString, named);
    QFETCH(QString, preferred);
    QFETCH(QString, expected);
    QTemporaryDir exeFolder, elsewhere;
    const QString besidePath = exeFolder.filePath(Texts::DatabaseFileName);
    const QString dataPath = QDir(catalogueDataFolder()).filePath(Texts::DatabaseFileName);
    if (beside)
        QVERIFY(makeCatalogue(besidePath));
    if (inData)
        QVERIFY(makeCatalogue(dataPath));
    QString option = named;
    if (named == u"other") {
        option = elsewhere.filePath(QStringLiteral("films.mdb"));
        QVERIFY(makeCatalogue(option));
    } else if (named == u"missing") {
        option = elsewhere.filePath(QStringLiteral("new.mdb"));
    }
    const QString want = expected == u"data" ? dataPath
        : expected == u"beside"              ? besidePath
        : expected == u"preferred"           ? preferred
                                             : option;
    QCOMPARE(findCatalogue(option, exeFolder.path(), preferred), want);
    // Looking makes nothing.
    QCOMPARE(QFileInfo::exists(dataPath), inData);
    QCOMPARE(entriesOf(elsewhere.path()).size(), named == u"other" ? 1 : 0);
}

void tst_CatalogueLocation::noCatalogueAnywhere_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("blocked"); // a file stands where the data folder's parent must be made
    QTest::newRow("Yes: an empty catalogue is made there and opened") << true << false;
    QTest::newRow("No: the two messages, nothing made") << false << false;
    QTest::newRow("Yes, but its folder cannot be made") << true << true;
}

void tst_CatalogueLocation::noCatalogueAnywhere()
{
    QFETCH(bool, yes);
    QFETCH(bool, blocked);
    QTemporaryDir exeFolder;
    const QString dataFolder = catalogueDataFolder();
    const QString parent = QFileInfo(dataFolder).absolutePath();
    if (blocked) {
        QVERIFY(QDir().mkpath(QFileInfo(parent).absolutePath()));
        QFile stone(parent);
        QVERIFY(stone.open(QIODevice::WriteOnly));
    }
    const QStringList homeBefore = entriesOf(m_home->path());

    RecordingMessages messages;
    messages.answer = yes;
    RecordingDialogs dialogs;
    const QString catalogue = findCatalogue(QString(), exeFolder.path());
    QCOMPARE(catalogue, QDir(dataFolder).filePath(Texts::DatabaseFileName));
    const bool there = offerNewCatalogue(catalogue, messages);
    QCOMPARE(there, yes && !blocked);
    AppModules app(messages, dialogs, catalogue);
    app.mainWindow->setSplashWaitMs(0);
    app.mainWindow->show();

    QCOMPARE(messages.questions, QStringList{Texts::CreateCatalogueQuestion.arg(QDir::toNativeSeparators(catalogue))});
    if (yes && !blocked) {
        QVERIFY2(messages.boxes.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        QVERIFY(app.catalogueConnection->connection.connected());
        QCOMPARE(app.mainWindow->statusLabel->text(), QStringLiteral("0 audio CDs"));
        QVERIFY(app.mainWindow->toolBar->isEnabled());
        QVERIFY(QFile::exists(catalogue));
        const QStringList tables = tablesOf(catalogue);
        for (const char *table : {"ARTISTE", "CDAUDIO", "TRACK", "MOVIE", "DATACD", "DATA"})
            QVERIFY2(tables.contains(QLatin1String(table)), qPrintable(tables.join(u' ')));
        QVERIFY(entriesOf(exeFolder.path()).isEmpty());
        return;
    }
    QStringList expected;
    if (blocked)
        expected << Texts::CatalogueNotCreated;
    expected << Texts::ProblemConnecting << Texts::CantOpenDataFile.arg(QDir::toNativeSeparators(catalogue));
    QCOMPARE(messages.boxes.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(messages.boxes[i].kind, MessageService::Kind::Error);
        QVERIFY2(messages.boxes[i].text.startsWith(expected[i]), qPrintable(messages.boxes[i].text));
    }
    QVERIFY(!app.catalogueConnection->connection.connected());
    QVERIFY(!app.mainWindow->toolBar->isEnabled());
    QVERIFY(!QFileInfo::exists(catalogue));
    QCOMPARE(entriesOf(m_home->path()), homeBefore);
    if (!blocked)
        QVERIFY(!QFileInfo::exists(dataFolder));
    QVERIFY(entriesOf(exeFolder.path()).isEmpty());
}

void tst_CatalogueLocation::coversFollowCatalogue_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("covers"); // "" for the data folder's
    QTest::newRow("a file") << "/srv/discs/films.mdb"
                            << "/srv/discs/cdcovers";
    QTest::newRow("a file named relative to the working folder")
        << "films.mdb" << QDir::current().filePath(QStringLiteral("cdcovers"));
    QTest::newRow("an address: the data folder's") << "postgresql://shelf@127.0.0.1/discs"
                                                   << "";
}

void tst_CatalogueLocation::coversFollowCatalogue()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, covers);
    if (covers.isEmpty())
        covers = QDir(catalogueDataFolder()).filePath(QStringLiteral("cdcovers"));
    QCOMPARE(coversFolderOf(catalogue), covers);
}

void tst_CatalogueLocation::newCoverGoesBesideCatalogue()
{
    // Through the program's own command: the new audio CD's cover lands in cdcovers beside the
    // catalogue, not beside the executable.
    TempCatalogue cat;
    QTemporaryDir pictures;
    const QString front = pictures.filePath(QStringLiteral("front.jpg"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(front, "JPEG"));
    QFile frontFile(front);
    QVERIFY(frontFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = frontFile.readAll();

    RecordingMessages messages;
    RecordingDialogs dialogs;
    AppModules app(messages, dialogs, cat.path());
    app.mainWindow->setSplashWaitMs(0);
    app.mainWindow->show();
    app.mainWindow->bringToFront(MainWindow::AudioCDs);
    auto driver = driveModal<AudioCDEditor>([&](AudioCDEditor *dialog) {
        QVERIFY(dialog->loadCover(front));
        dialog->titleEdit->setText(QStringLiteral("Arrival"));
        dialog->newArtistEdit->setText(QStringLiteral("Abba"));
        dialog->saveButton->click();
    });
    app.mainWindow->routeAdd();
    QVERIFY(driver->came());
    QVERIFY2(messages.boxes.isEmpty(), qPrintable(messages.texts().join(u'\n')));
    const int id = cat.scalar(QStringLiteral("select CD_ID from CDAUDIO where CD_LABEL = 'Arrival'")).toInt();
    QVERIFY(id > 0);
    QFile saved(QDir(cat.folder()).filePath(QStringLiteral("cdcovers/%1.jpg").arg(id)));
    QVERIFY2(saved.open(QIODevice::ReadOnly), qPrintable(saved.fileName()));
    QCOMPARE(saved.readAll(), bytes);
    QVERIFY(!QFileInfo::exists(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("cdcovers"))));
}

void tst_CatalogueLocation::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "--catalogue <path>"
                            << "";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "--version"
                        << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << QStringLiteral("dadudu " DADUDU_VERSION) << "";
    QTest::newRow("an unknown option") << QStringList{"--catalog=x.mdb"} << 2 << ""
                                       << "catalog";
}

void tst_CatalogueLocation::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    // No display at all: the answers must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), m_home->path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(DADUDU_EXE), arguments);
    QVERIFY(program.waitForFinished(20000));
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    QVERIFY(entriesOf(m_home->path()).isEmpty());
}

void tst_CatalogueLocation::realProgramOpens_data()
{
    QTest::addColumn<bool>("beside");
    QTest::addColumn<bool>("named");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the data folder's, under the home") << false << false << "data";
    QTest::newRow("--catalogue over the others") << true << true << "named";
}

void tst_CatalogueLocation::realProgramOpens()
{
    // The installed way: the program alone in its folder, the catalogue in ~/.local/share/dadudu.
    QFETCH(bool, beside);
    QFETCH(bool, named);
    QFETCH(QString, expected);
    QTemporaryDir exeFolder, elsewhere;
    const QString exe = exeFolder.filePath(QStringLiteral("dadudu"));
    QVERIFY(QFile::copy(QStringLiteral(DADUDU_EXE), exe));
    QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    const QString dataPath = m_home->filePath(QStringLiteral(".local/share/dadudu/dadudu.mdb"));
    QVERIFY(makeCatalogue(dataPath));
    const QString besidePath = exeFolder.filePath(Texts::DatabaseFileName);
    if (beside)
        QVERIFY(makeCatalogue(besidePath));
    const QString namedPath = elsewhere.filePath(QStringLiteral("films.mdb"));
    QStringList arguments;
    if (named) {
        QVERIFY(makeCatalogue(namedPath));
        arguments << QStringLiteral("--catalogue") << namedPath;
    }
    const QString want = expected == u"data" ? dataPath : namedPath;

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), m_home->path());
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(elsewhere.path());
    program.start(exe, arguments);
    QVERIFY(program.waitForStarted());
    auto opened = [&](const QString &path) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(program.processId()));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == QFileInfo(path).canonicalFilePath())
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(opened(want), 10000);
    for (const QString &other : {dataPath, besidePath, namedPath})
        if (other != want)
            QVERIFY2(!opened(other), qPrintable(other));
    program.kill();
    program.waitForFinished();
}

QTEST_MAIN(tst_CatalogueLocation)
#include "tst_cataloguelocation.moc"
