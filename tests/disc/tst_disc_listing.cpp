// The folder and file listings of a drive's root and the way a drive leads to its root, on real
// folders and a mount table of the test's own.

#include "base/Texts.h"
#include "disc/DriveFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool touch(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
}

QStringList lines(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(Texts::LineBreak);
}

} // namespace

class tst_DiscListing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listing_data();
    void listing();
    void driveRoot_data();
    void driveRoot();

private:
    QTemporaryDir m_dir;
    QString m_root;
    QString m_empty;
};

void tst_DiscListing::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir dir(m_dir.path());
    // A disc's root: folders, files, dot-entries, a name without a dot, and a sub-folder's content
    // that must stay out.
    QVERIFY(dir.mkpath(QStringLiteral("root/Beta")));
    QVERIFY(dir.mkpath(QStringLiteral("root/alpha")));
    QVERIFY(dir.mkpath(QStringLiteral("root/.hidden dir")));
    QVERIFY(dir.mkpath(QStringLiteral("empty")));
    m_root = dir.filePath(QStringLiteral("root"));
    m_empty = dir.filePath(QStringLiteral("empty"));
    for (const char *name : {"readme.txt", "Zeta.bin", "noext", ".hidden file", "b.TXT", "Caf\xc3\xa9 Tacvba.mp3",
                             "\xc3\x89"
                             "dith.txt",
                             "alpha/inner.txt"})
        QVERIFY(touch(QDir(m_root).filePath(QString::fromUtf8(name))));
}

void tst_DiscListing::listing_data()
{
    QTest::addColumn<QString>("folder"); // "root" or "empty" or "missing", with what follows it
    QTest::addColumn<QString>("mask");   // empty: ListFolders
    QTest::addColumn<int>("attributes");
    QTest::addColumn<QStringList>("names");

    const QStringList folders{QStringLiteral("alpha"), QStringLiteral("Beta")};
    const QStringList allFiles{
        QStringLiteral(".hidden file"),   QStringLiteral("b.TXT"), QStringLiteral("Caf\u00e9 Tacvba.mp3"),
        QStringLiteral("\u00c9dith.txt"), QStringLiteral("noext"), QStringLiteral("readme.txt"),
        QStringLiteral("Zeta.bin")};
    const int scan = faHidden | faSysFile | faDirectory;

    QTest::newRow("folders, dot-folders left out") << QStringLiteral("root") << QString() << 0 << folders;
    QTest::newRow("folders, trailing separator") << QStringLiteral("root/") << QString() << 0 << folders;
    QTest::newRow("files of the scan, dot-files in")
        << QStringLiteral("root") << QStringLiteral("*.*") << scan << allFiles;
    QTest::newRow("files, trailing separator") << QStringLiteral("root/") << QStringLiteral("*.*") << scan << allFiles;
    QTest::newRow("hidden alone lets dot-files in")
        << QStringLiteral("root") << QStringLiteral("*.*") << int(faHidden) << allFiles;
    QTest::newRow("files without special ones")
        << QStringLiteral("root") << QStringLiteral("*.*") << 0 << allFiles.mid(1);
    QTest::newRow("mask, any case") << QStringLiteral("root") << QStringLiteral("*.txt") << scan
                                    << QStringList{QStringLiteral("b.TXT"), QStringLiteral("\u00c9dith.txt"),
                                                   QStringLiteral("readme.txt")};
    QTest::newRow("empty folder, folders") << QStringLiteral("empty") << QString() << 0 << QStringList();
    QTest::newRow("empty folder, files") << QStringLiteral("empty") << QStringLiteral("*.*") << scan << QStringList();
    QTest::newRow("missing folder, folders") << QStringLiteral("missing") << QString() << 0 << QStringList();
    QTest::newRow("missing folder, files")
        << QStringLiteral("missing") << QStringLiteral("*.*") << scan << QStringList();
}

void tst_DiscListing::listing()
{
    QFETCH(QString, folder);
    QFETCH(QString, mask);
    QFETCH(int, attributes);
    QFETCH(QStringList, names);

    const QString path = m_dir.path() + u'/' + folder;
    int served = 0;
    const auto pending = [&served] { ++served; };
    const QString text = mask.isEmpty() ? listFolders(path, pending) : listFiles(path, mask, attributes, pending);

    QCOMPARE(lines(text), names);
    QVERIFY(!text.endsWith(Texts::LineBreak));
    // Events are served while the names come, so a slow drive never freezes the windows.
    QVERIFY(served >= names.size());
}

void tst_DiscListing::driveRoot_data()
{
    QTest::addColumn<QString>("drive");  // relative to the test folder
    QTest::addColumn<QString>("mounts"); // the mount table, %1 the test folder
    QTest::addColumn<QString>("root");   // relative to the test folder; empty: no root

    const QString table = QStringLiteral("proc /proc proc rw 0 0\n"
                                         "%1/sr0 %1/mnt\\040point iso9660 ro,nosuid 0 0\n"
                                         "/dev/sda1 / ext4 rw 0 0\n");
    QTest::newRow("a folder is its own root") << QStringLiteral("root") << QString() << QStringLiteral("root");
    QTest::newRow("mounted device") << QStringLiteral("sr0") << table << QStringLiteral("mnt point");
    QTest::newRow("link to a mounted device") << QStringLiteral("cdrom") << table << QStringLiteral("mnt point");
    QTest::newRow("device not mounted") << QStringLiteral("sr1") << table << QString();
    QTest::newRow("no such drive") << QStringLiteral("sr9") << table << QString();
    QTest::newRow("unreadable mount table") << QStringLiteral("sr0") << QString() << QString();
}

void tst_DiscListing::driveRoot()
{
    QFETCH(QString, drive);
    QFETCH(QString, mounts);
    QFETCH(QString, root);

    QTemporaryDir dir;
    QVERIFY(touch(dir.filePath(QStringLiteral("sr0"))));
    QVERIFY(touch(dir.filePath(QStringLiteral("sr1"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("sr0")), dir.filePath(QStringLiteral("cdrom"))));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("root")));
    QString table = dir.filePath(QStringLiteral("no table"));
    if (!mounts.isEmpty()) {
        table = dir.filePath(QStringLiteral("mounts"));
        QFile f(table);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(mounts.arg(dir.path()).toUtf8());
    }

    const QString found = ::driveRoot(dir.filePath(drive), table);
    QCOMPARE(found, root.isEmpty() ? QString() : dir.filePath(root));
}

QTEST_GUILESS_MAIN(tst_DiscListing)
#include "tst_disc_listing.moc"
