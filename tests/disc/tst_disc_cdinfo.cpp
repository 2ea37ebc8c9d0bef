#include "CueImage.h"
#include "disc/CDInfo.h"

#include <discid/discid.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

Q_DECLARE_METATYPE(TrackTime)
Q_DECLARE_METATYPE(CueEncoding)

namespace {

// A tool built with AddressSanitizer cannot run under valgrind: both want to own the process's memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool withAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool withAddressSanitizer = true;
#else
constexpr bool withAddressSanitizer = false;
#endif
#else
constexpr bool withAddressSanitizer = false;
#endif

// The standard CDDB identifier of a table of contents, as libdiscid computes it.
QString freedbId(const QList<int> &starts, int leadOut)
{
    int offsets[100] = {};
    offsets[0] = leadOut;
    for (int k = 0; k < starts.size(); ++k)
        offsets[k + 1] = starts[k];
    DiscId *d = discid_new();
    const bool ok = discid_put(d, 1, int(starts.size()), offsets);
    const QString id = ok ? QString::fromLatin1(discid_get_freedb_id(d)).toUpper() : QString();
    discid_free(d);
    return id;
}

// The MusicBrainz identifier and table of contents of the disc's audio session, as libdiscid computes
// them. An Enhanced CD's closing data track is not part of it: the audio session then ends 11400
// frames before the data track starts.
QPair<QString, QString> musicBrainzId(const QList<int> &starts, int leadOut, const QList<int> &dataTracks)
{
    int last = int(starts.size());
    if (last > 1 && dataTracks.contains(last)) {
        leadOut = starts[last - 1] - 11400;
        --last;
    }
    int offsets[100] = {};
    offsets[0] = leadOut;
    for (int k = 0; k < last; ++k)
        offsets[k + 1] = starts[k];
    DiscId *d = discid_new();
    QPair<QString, QString> out;
    if (discid_put(d, 1, last, offsets))
        out = {QString::fromLatin1(discid_get_id(d)), QString::fromLatin1(discid_get_toc_string(d)).replace(' ', '+')};
    discid_free(d);
    return out;
}

// Reading a table of contents takes milliseconds; only a machine stalled for seconds reaches this.
constexpr int OpenBoundMs = 5000;

// After boundMs, opens every FIFO in the folder for writing, again and again until destroyed, so
// that a reader waiting in its open for a writer gets through.
class FifoRelease
{
public:
    FifoRelease(const QString &folder, int boundMs)
        : m_thread([this, folder, boundMs] {
            const QDeadlineTimer bound(boundMs);
            while (!m_done && !bound.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const QStringList fifos = QDir(folder).entryList({QStringLiteral("fifo*")}, QDir::System);
            while (!m_done) {
                for (const QString &name : fifos) {
                    const int fd
                        = ::open(QFile::encodeName(QDir(folder).filePath(name)).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0)
                        ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        })
    { }
    ~FifoRelease()
    {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

QList<int> evenlySpaced(int count, int step)
{
    QList<int> starts;
    for (int k = 0; k < count; ++k)
        starts << 150 + k * step;
    return starts;
}

} // namespace

class tst_DiscCDInfo : public QObject
{
    Q_OBJECT

private slots:
    void discIdMatchesLibdiscid_data();
    void discIdMatchesLibdiscid();
    void trackLengths_data();
    void trackLengths();
    void noAudioDisc_data();
    void noAudioDisc();
    void discidTool();
    void discText_data();
    void discText();
    void hostileSheet_data();
    void hostileSheet();

private:
    QTemporaryDir m_dir;
};

void tst_DiscCDInfo::discIdMatchesLibdiscid_data()
{
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<int>("leadOut");
    QTest::addColumn<QList<int>>("dataTracks");
    QTest::addColumn<QString>("knownId"); // from a worked example, where there is one
    QTest::addColumn<QString>("binFile"); // as the sheet's FILE line names it; empty: after the sheet

    QTest::newRow("two tracks, worked example")
        << QList<int>{150, 18780} << 33825 << QList<int>{} << QStringLiteral("0901C102") << QString();
    QTest::newRow("last track ends on frame 74")
        << QList<int>{150, 7575} << 15150 << QList<int>{} << QString() << QString();
    QTest::newRow("one track") << QList<int>{150} << 150 + 75 * 60 * 42 + 17 << QList<int>{} << QString() << QString();
    QTest::newRow("hidden first gap") << QList<int>{182, 9150, 21011} << 30150 << QList<int>{} << QString()
                                      << QString();
    QTest::newRow("ninety-nine tracks") << evenlySpaced(99, 1000) << 150 + 99 * 1000 + 321 << QList<int>{} << QString()
                                        << QString();
    QTest::newRow("79 minutes") << QList<int>{150, 100000, 200000, 300000} << 355650 << QList<int>{} << QString()
                                << QString();
    QTest::newRow("BIN named otherwise, in a sub-folder")
        << QList<int>{150, 18780} << 33825 << QList<int>{} << QStringLiteral("0901C102")
        << QStringLiteral("rips/Some Artist - Some Title (1999).bin");
    QTest::newRow("enhanced CD, data track last")
        << QList<int>{150, 9150, 29150} << 40000 << QList<int>{3} << QString() << QString();
    QTest::newRow("mixed mode, data track first")
        << QList<int>{150, 20150, 31000} << 45000 << QList<int>{1} << QString() << QString();
}

void tst_DiscCDInfo::discIdMatchesLibdiscid()
{
    QFETCH(QList<int>, starts);
    QFETCH(int, leadOut);
    QFETCH(QList<int>, dataTracks);
    QFETCH(QString, knownId);
    QFETCH(QString, binFile);

    const QString cue = writeCueImage(m_dir.path(), QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'),
                                      starts, leadOut, dataTracks, binFile);
    QVERIFY(!cue.isEmpty());
    const QString expected = freedbId(starts, leadOut);
    QVERIFY(!expected.isEmpty());
    if (!knownId.isEmpty())
        QCOMPARE(expected, knownId);

    CDInfo reader;
    reader.openDrive(cue);
    QCOMPARE(reader.trackCount(), starts.size());
    for (int k = 0; k < starts.size(); ++k)
        QCOMPARE(timeToFrames(reader.trackPosition(k + 1)), starts[k]);
    QCOMPARE(reader.discIdText(), expected);
    QCOMPARE(reader.discId(), expected.toUInt(nullptr, 16));
    // The length in seconds is the middle of the identifier.
    QCOMPARE(reader.discLength(), int((expected.toUInt(nullptr, 16) >> 8) & 0xFFFF));

    const auto [mbId, mbToc] = musicBrainzId(starts, leadOut, dataTracks);
    QVERIFY(!mbId.isEmpty());
    QCOMPARE(reader.musicBrainzId(), mbId);
    QCOMPARE(reader.musicBrainzToc(), mbToc);
    const DiscToc toc = readDisc(cue);
    QCOMPARE(toc.musicBrainzId, mbId);
    QCOMPARE(toc.cddbId, expected);
    QCOMPARE(toc.starts, starts);
    QCOMPARE(toc.leadOut, leadOut);
}

void tst_DiscCDInfo::trackLengths_data()
{
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<int>("leadOut");
    QTest::addColumn<QList<TrackTime>>("lengths");
    QTest::addColumn<int>("discLength");

    QTest::newRow("worked example") << QList<int>{150, 18780} << 33825 << QList<TrackTime>{{4, 8, 29}, {3, 20, 44}}
                                    << 449;
    // The frame added back carries into the next second: 202 s at the end, less the 2 s before track 1.
    QTest::newRow("last track ends on frame 74") << QList<int>{150} << 15150 << QList<TrackTime>{{3, 19, 74}} << 200;
}

void tst_DiscCDInfo::trackLengths()
{
    QFETCH(QList<int>, starts);
    QFETCH(int, leadOut);
    QFETCH(QList<TrackTime>, lengths);
    QFETCH(int, discLength);

    const QString cue = writeCueImage(m_dir.path(), QStringLiteral("lengths"), starts, leadOut);
    QVERIFY(!cue.isEmpty());
    CDInfo reader;
    reader.openDrive(cue);
    for (int k = 0; k < lengths.size(); ++k) {
        const TrackTime t = reader.trackLength(k + 1);
        QVERIFY2(t == lengths[k],
                 qPrintable(QStringLiteral("track %1: %2:%3:%4").arg(k + 1).arg(t.Minute).arg(t.Second).arg(t.Frame)));
    }
    QCOMPARE(reader.discLength(), discLength);
    QVERIFY_THROWS_EXCEPTION(CDError, reader.trackLength(int(starts.size()) + 1));
}

void tst_DiscCDInfo::noAudioDisc_data()
{
    QTest::addColumn<QString>("device");

    const QString dataOnly = writeCueImage(m_dir.path(), QStringLiteral("dataonly"), {150}, 3150, {1});
    QVERIFY(!dataOnly.isEmpty());
    QTest::newRow("data-only image") << dataOnly;
    QTest::newRow("missing image") << m_dir.filePath(QStringLiteral("absent.cue"));
    QTest::newRow("no drive selected") << QString();
    QTest::newRow("not a CD drive") << QStringLiteral("/dev/null");
    QFile junk(m_dir.filePath(QStringLiteral("junk.cue")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a cue sheet\n");
    QTest::newRow("unreadable cue sheet") << junk.fileName();

    // What stands in the BIN's place: a FIFO would keep the reader waiting for a writer.
    auto replaceBin = [this](const QString &name, const std::function<bool(const QByteArray &)> &make) {
        const QString cue = writeCueImage(m_dir.path(), name, {150}, 3150);
        const QString bin = m_dir.filePath(name + QStringLiteral(".bin"));
        return !cue.isEmpty() && QFile::remove(bin) && make(QFile::encodeName(bin)) ? cue : QString();
    };
    const QString fifoBin
        = replaceBin(QStringLiteral("fifobin"), [](const QByteArray &p) { return ::mkfifo(p.constData(), 0600) == 0; });
    QVERIFY(!fifoBin.isEmpty());
    QTest::newRow("BIN is a FIFO") << fifoBin;
    // One sector's worth of folder entry would pass for a disc of one short track.
    const QString folderBin = replaceBin(QStringLiteral("folderbin"),
                                         [](const QByteArray &p) { return QDir().mkdir(QFile::decodeName(p)); });
    QVERIFY(!folderBin.isEmpty());
    QTest::newRow("BIN is a folder") << folderBin;
    const QString deviceBin = replaceBin(QStringLiteral("devicebin"), [](const QByteArray &p) {
        return QFile::link(QStringLiteral("/dev/zero"), QFile::decodeName(p));
    });
    QVERIFY(!deviceBin.isEmpty());
    QTest::newRow("BIN is a device node") << deviceBin;
    const QString fifoCue = m_dir.filePath(QStringLiteral("fifo.cue"));
    QVERIFY(::mkfifo(QFile::encodeName(fifoCue).constData(), 0600) == 0);
    QTest::newRow("sheet is a FIFO") << fifoCue;
    // The lead-out one frame past the last address a table of contents holds.
    const QString tooLong = writeCueImage(m_dir.path(), QStringLiteral("toolong"), {150, 300000}, 100 * 60 * 75);
    QVERIFY(!tooLong.isEmpty());
    QTest::newRow("longer than 99:59:74") << tooLong;
}

void tst_DiscCDInfo::noAudioDisc()
{
    QFETCH(QString, device);

    // A reader stuck opening a FIFO of this table is let go after the bound by a writer opening
    // it, so the row fails on the clock instead of hanging.
    FifoRelease release(m_dir.path(), OpenBoundMs);
    QElapsedTimer clock;
    clock.start();

    // The reader goes out of scope after its failed open: that must end quietly.
    CDInfo reader;
    try {
        reader.openDrive(device);
        QFAIL("the open succeeded");
    } catch (const CDError &e) {
        QVERIFY(qstrlen(e.what()) > 0);
    }
    QVERIFY2(clock.elapsed() < OpenBoundMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY_THROWS_EXCEPTION(CDError, reader.trackCount());
    QVERIFY_THROWS_EXCEPTION(CDError, reader.discId());
}

void tst_DiscCDInfo::discidTool()
{
    const QString cue = writeCueImage(m_dir.path(), QStringLiteral("tool"), {150, 18780}, 33825);
    QVERIFY(!cue.isEmpty());
    QProcess tool;
    tool.start(QStringLiteral(DADUDU_DISCID_TOOL), {cue});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput(), QByteArray("0901C102 2 150 18780 449\n"));

    tool.start(QStringLiteral(DADUDU_DISCID_TOOL), {m_dir.filePath(QStringLiteral("absent.cue"))});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(tool.readAllStandardOutput().isEmpty());
    QVERIFY(!tool.readAllStandardError().isEmpty());

    tool.start(QStringLiteral(DADUDU_DISCID_TOOL), {QStringLiteral("--musicbrainz"), cue});
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(QString::fromLatin1(tool.readAllStandardOutput()),
             musicBrainzId({150, 18780}, 33825, {}).first + QLatin1Char('\n'));
}

void tst_DiscCDInfo::discText_data()
{
    QTest::addColumn<QStringList>("head");
    QTest::addColumn<QStringList>("trackLines");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("performer");
    QTest::addColumn<QStringList>("trackTitles");
    QTest::addColumn<QString>("mcn");
    QTest::addColumn<CueEncoding>("encoding");

    QTest::newRow("catalogue number and CD-Text, accented")
        << QStringList{QStringLiteral("CATALOG 4006381333931"), QStringLiteral("PERFORMER \"Bj\u00f6rk & Caf\u00e9\""),
                       QStringLiteral("TITLE \"D\u00e9but\"")}
        << QStringList{QStringLiteral("TITLE \"Human Behaviour\"\r\n    ISRC GBAAA9300001"),
                       QStringLiteral("TITLE \"Cr\u00e8me \u00e0 l'or\"")}
        << QStringLiteral("D\u00e9but") << QStringLiteral("Bj\u00f6rk & Caf\u00e9")
        << QStringList{QStringLiteral("Human Behaviour"), QStringLiteral("Cr\u00e8me \u00e0 l'or")}
        << QStringLiteral("4006381333931") << CueEncoding::Latin1;
    QTest::newRow("catalogue number only")
        << QStringList{QStringLiteral("CATALOG 0724384960650")} << QStringList() << QString() << QString()
        << QStringList{QString(), QString()} << QStringLiteral("0724384960650") << CueEncoding::Latin1;
    QTest::newRow("titles of some tracks only")
        << QStringList() << QStringList{QString(), QStringLiteral("TITLE \"Second\"")} << QString() << QString()
        << QStringList{QString(), QStringLiteral("Second")} << QString() << CueEncoding::Latin1;
    QTest::newRow("nothing") << QStringList() << QStringList() << QString() << QString()
                             << QStringList{QString(), QString()} << QString() << CueEncoding::Latin1;
    // Rippers write UTF-8 today, some with a byte-order mark; a sheet of other bytes is Latin-1.
    for (const CueEncoding encoding : {CueEncoding::Utf8, CueEncoding::Utf8WithMark})
        QTest::newRow(encoding == CueEncoding::Utf8 ? "UTF-8" : "UTF-8 after a byte-order mark")
            << QStringList{QStringLiteral("CATALOG 4006381333931"), QStringLiteral("PERFORMER \"\u00c9dith Piaf\""),
                           QStringLiteral("TITLE \"\u00c0 l'Olympia \u6771\u4eac\"")}
            << QStringList{QStringLiteral("TITLE \"La Vie en rose\""), QStringLiteral("TITLE \"Hymne \u00e0 l'amour\"")}
            << QStringLiteral("\u00c0 l'Olympia \u6771\u4eac") << QStringLiteral("\u00c9dith Piaf")
            << QStringList{QStringLiteral("La Vie en rose"), QStringLiteral("Hymne \u00e0 l'amour")}
            << QStringLiteral("4006381333931") << encoding;
}

void tst_DiscCDInfo::discText()
{
    QFETCH(QStringList, head);
    QFETCH(QStringList, trackLines);
    QFETCH(QString, title);
    QFETCH(QString, performer);
    QFETCH(QStringList, trackTitles);
    QFETCH(QString, mcn);
    QFETCH(CueEncoding, encoding);

    const QString cue
        = writeCueImage(m_dir.path(), QStringLiteral("text"), {150, 18780}, 33825, {}, {}, head, trackLines, encoding);
    QVERIFY(!cue.isEmpty());
    const DiscText text = readDisc(cue).text;
    QCOMPARE(text.title, title);
    QCOMPARE(text.performer, performer);
    QCOMPARE(text.trackTitles, trackTitles);
    QCOMPARE(text.mcn, mcn);
    QCOMPARE(text.hasTitles(), !title.isEmpty() || !performer.isEmpty() || !trackTitles.join(QString()).isEmpty());
}

void tst_DiscCDInfo::hostileSheet_data()
{
    QTest::addColumn<QByteArray>("sheet"); // after its FILE line
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("underValgrind"); // the tool on it, besides the reader here

    auto tracks = [](const QList<int> &numbers, int step = 1000) {
        QByteArray out;
        for (int k = 0; k < numbers.size(); ++k) {
            const int frames = k * step;
            out += QString::asprintf("  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", numbers[k], frames / 4500,
                                     (frames / 75) % 60, frames % 75)
                       .toLatin1();
        }
        return out;
    };
    QList<int> upTo99;
    for (int k = 1; k <= 99; ++k)
        upTo99 << k;

    QTest::newRow("ninety-nine tracks, the most a disc holds") << tracks(upTo99) << true << true;
    // libcdio's table holds 100 entries and counts TRACK lines without a bound.
    QTest::newRow("102 TRACK lines numbered 99 or less")
        << tracks(upTo99 + QList<int>{97, 98, 99}, 400) << false << true;
    QTest::newRow("102 TRACK lines of one number") << tracks(QList<int>(102, 5), 400) << false << true;
    QTest::newRow("track 100") << tracks(upTo99 + QList<int>{100}, 400) << false << true;
    QTest::newRow("track 0") << tracks({0, 1}) << false << false;
    QTest::newRow("numbers falling") << tracks({2, 1}) << false << false;
    QTest::newRow("a number left out") << tracks({1, 3}) << false << false;
    QTest::newRow("seconds past 59") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 00:60:00\n") << false << false;
    QTest::newRow("frames past 74") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 00:00:75\n") << false << false;
    QTest::newRow("minutes past 99") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 100:00:00\n") << false << false;
    QTest::newRow("negative time") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 -1:00:00\n") << false << false;
    QTest::newRow("times going back") << QByteArray(
        "  TRACK 01 AUDIO\n    INDEX 01 00:10:00\n  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n")
                                      << false << false;
    QTest::newRow("index before any track") << QByteArray("    INDEX 01 00:00:00\n") << false << false;
    QTest::newRow("track without INDEX 01")
        << QByteArray("  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n") << false
        << false;
    QTest::newRow("index number 100") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    INDEX 100 00:01:00\n")
                                      << false << false;
    QTest::newRow("unknown track mode") << QByteArray("  TRACK 01 BOGUS/9999\n    INDEX 01 00:00:00\n") << false
                                        << false;
    // libcdio reads 4096 bytes a line and takes the rest for a line of its own.
    QTest::newRow("line longer than a reader's buffer")
        << "REM " + QByteArray(4092 - 4, 'x') + "TRACK 02 AUDIO\n" + tracks({1}) << false << false;
    QTest::newRow("sheet over 256 KiB") << tracks({1}) + ("REM " + QByteArray(140, 'x') + '\n').repeated(2000) << false
                                        << false;
    QTest::newRow("NUL byte") << QByteArray("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    TITLE \"a") + '\0' + "b\"\n"
                              << false << false;
}

void tst_DiscCDInfo::hostileSheet()
{
    QFETCH(QByteArray, sheet);
    QFETCH(bool, accepted);
    QFETCH(bool, underValgrind);

    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
    const QString cue = m_dir.filePath(name + QStringLiteral(".cue"));
    QFile file(cue);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("FILE \"" + QFile::encodeName(name) + ".bin\" BINARY\n" + sheet) > 0);
    file.close();
    QFile bin(m_dir.filePath(name + QStringLiteral(".bin")));
    QVERIFY(bin.open(QIODevice::WriteOnly) && bin.resize(qint64(79) * 60 * 75 * 2352));
    bin.close();

    // The tool under valgrind first: a write out of bounds need not crash this process, valgrind
    // sees it happen. It takes seconds a run, so the rows that reach libcdio's table have it.
    if (underValgrind && !withAddressSanitizer) {
        const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
        QVERIFY2(!valgrind.isEmpty(), "valgrind is needed (deps/apt-packages.txt)");
        QProcess tool;
        tool.start(
            valgrind,
            {QStringLiteral("-q"), QStringLiteral("--error-exitcode=99"), QStringLiteral(DADUDU_DISCID_TOOL), cue});
        QVERIFY(tool.waitForFinished(120000));
        const QByteArray errors = tool.readAllStandardError();
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QVERIFY2(tool.exitCode() == (accepted ? 0 : 1), errors.constData());
        // valgrind itself may end with the tool's code when the heap it watches is broken; what it
        // found stands on standard error beside the tool's one line.
        for (const QByteArray &line : errors.split('\n'))
            QVERIFY2(line.isEmpty() || line.startsWith("dadudu-discid: "), errors.constData());
    }

    CDInfo reader;
    if (accepted) {
        reader.openDrive(cue);
        QCOMPARE(reader.trackCount(), 99);
    } else {
        QVERIFY_THROWS_EXCEPTION(CDError, reader.openDrive(cue));
    }
    // The sanitizer does not see libcdio's own writes into its table, which is what valgrind is here
    // for; the build without it (test.sh) keeps that check.
    if (underValgrind && withAddressSanitizer)
        QSKIP("valgrind cannot run a tool built with AddressSanitizer; the unsanitized build runs this row "
              "under valgrind");
}

QTEST_GUILESS_MAIN(tst_DiscCDInfo)
#include "tst_disc_cdinfo.moc"
