#include "CueImage.h"
#include "ScriptedServer.h"
#include "disc/DiscLookup.h"
#include "support/RecordingMessages.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Protocol level 6 answers in UTF-8. ScriptedServer writes its steps as ISO-8859-1, one byte a
// character, so the UTF-8 bytes go in as such characters.
QString ok(const QString &body)
{
    return QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n")
        + QString::fromLatin1(body.toUtf8());
}

QString okLatin1(const QString &body)
{
    return QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n\r\n") + body;
}

// A path of the form "http://host/path" is a request that names that host.
QByteArray request(QString path, quint16 port)
{
    QString host = QStringLiteral("127.0.0.1");
    if (path.startsWith(QLatin1String("http://"))) {
        const qsizetype slash = path.indexOf(QLatin1Char('/'), 7);
        host = path.mid(7, slash - 7).replace(QStringLiteral("{port}"), QString::number(port));
        path = path.mid(slash);
    }
    return "GET " + path.toLatin1()
        + " HTTP/1.0\r\n"
          "Host: "
        + host.toLatin1()
        + "\r\n"
          "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
          "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
          "Content-type: application/x-www-form-urlencoded\r\n"
          "\r\n";
}

// The worked example's disc and the requests it leads to.
const QString QueryPath
    = QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+query+0901C102+2+150+18780+449&hello=rovir+rovir+rovir+1.0&proto=6");
const QString ReadPath
    = QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+read+rock+0901c102&hello=rovir+rovir+rovir+1.0&proto=6");

QString readPath(const QString &category, const QString &id)
{
    return QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+read+%1+%2&hello=rovir+rovir+rovir+1.0&proto=6").arg(category, id);
}

DiscPreferences gnudbOnly(quint16 port, const QString &email = {})
{
    DiscPreferences p;
    p.gnudbUrl = QStringLiteral("http://127.0.0.1:%1/~cddb").arg(port);
    p.musicBrainzUrl = p.coverArtUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
    p.email = email;
    for (DiscPreferences::Source &s : p.sources)
        s.enabled = s.source == LookupSource::Gnudb;
    return p;
}

const QString Match200 = QStringLiteral("200 rock 0901c102 Some Artist / Some Title\r\n");
const QString Matches211 = QStringLiteral("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                          "rock 0901c102 Some Artist / Some Title\r\n"
                                          "jazz 0901c1ff Other Artist / Other Title\r\n"
                                          "misc 0a01c102 Third Artist / Third Title\r\n"
                                          ".\r\n");
// What the choice shows of the three matches, once each is read.
const QStringList MatchLines{QStringLiteral("gnudb | 1999 | 2 tracks | Some Artist / Some Title"),
                             QStringLiteral("gnudb | 1999 | 2 tracks | Other Artist / Other Title"),
                             QStringLiteral("gnudb | 1999 | 1 tracks, the disc has 2 | Third Artist / Third Title")};

QString entry(const QString &lines)
{
    return QStringLiteral("210 rock 0901c102 CD database entry follows (until terminating `.')\r\n"
                          "# xmcd\r\n#\r\n# Track frame offsets:\r\n#\t150\r\n#\t18780\r\n#\r\n"
                          "# Disc length: 451 seconds\r\n#\r\nDISCID=0901c102\r\n")
        + lines + QStringLiteral("DYEAR=1999\r\nDGENRE=Rock\r\nEXTD=\r\nEXTT0=\r\nEXTT1=\r\nPLAYORDER=\r\n.\r\n");
}

// Titles beyond ISO-8859-1: Japanese, Greek, Polish.
const QString Entry
    = entry(QStringLiteral("DTITLE=Some Artist / Some Title\r\nTTITLE0=Intro \u6771\u4eac\r\n"
                           "TTITLE1=Caf\u00e9 = \u03a3\u03bf\u03c6\u03af\u03b1 \u0141\u00f3d\u017a\r\n"));
const QStringList EntryTracks{QStringLiteral("Intro \u6771\u4eac"),
                              QStringLiteral("Caf\u00e9 = \u03a3\u03bf\u03c6\u03af\u03b1 \u0141\u00f3d\u017a")};
const QString Other = entry(QStringLiteral("DTITLE=Other Artist / Other Title\r\nTTITLE0=O1\r\nTTITLE1=O2\r\n"));
const QString Third = entry(QStringLiteral("DTITLE=Third Artist / Third Title\r\nTTITLE0=T1\r\n"));

// Each exchange of a row that the server answers ends as soon as the reply does, so its bound can
// be generous: only a machine stalled for seconds reaches it. The reply that never ends waits for
// its whole bound, which the server's first bytes arrive well within.
constexpr int AnsweredBoundMs = 10000;
constexpr int StallBoundMs = 1500;
// Three slow redirects: the third request arrives well within the bound, its reply well after it.
constexpr int SlowStepMs = 2000;
constexpr int SlowBoundMs = 5000;

// A message whose "*" stands for any text: what went wrong below HTTP is worded by the client.
bool matches(const QString &text, const QString &pattern)
{
    const qsizetype star = pattern.indexOf(QLatin1Char('*'));
    if (star < 0)
        return text == pattern;
    const QString head = pattern.left(star), tail = pattern.mid(star + 1);
    return text.size() >= head.size() + tail.size() && text.startsWith(head) && text.endsWith(tail);
}

const QString Unreached
    = Texts::CouldNotFind + Texts::LineBreak + Texts::WhyRequestFailed.arg(Texts::SourceGnudb, QStringLiteral("*"));

QString timedOut(const QString &seconds)
{
    return Texts::CouldNotFind + Texts::LineBreak + Texts::WhyTimedOut.arg(Texts::SourceGnudb, seconds);
}

} // namespace

class tst_DiscCddb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookup_data();
    void lookup();
    void oneDeadlineForTheLookup();
    void failsWithoutServer_data();
    void failsWithoutServer();
    void greeting_data();
    void greeting();
    void artistNames_data();
    void artistNames();

private:
    QTemporaryDir m_dir;
    QString m_disc;
};

void tst_DiscCddb::initTestCase()
{
    m_disc = writeCueImage(m_dir.path(), QStringLiteral("example"), {150, 18780}, 33825);
    QVERIFY(!m_disc.isEmpty());
}

void tst_DiscCddb::lookup_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("pick"); // the match the user picks, -1 for none
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("offered"); // what the choice shows; empty when it must not show
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("tracks");
    QTest::addColumn<int>("bound"); // the client's time-out for each request, redirects included

    const QString artist = QStringLiteral("Some Artist"), title = QStringLiteral("Some Title");
    const QString none;
    const QStringList both{QueryPath, ReadPath}, queryOnly{QueryPath};
    using namespace Texts;

    QTest::newRow("200 one match") << QStringList{ok(Match200), ok(Entry)} << -1 << both << QStringList() << none
                                   << true << artist << title << EntryTracks << AnsweredBoundMs;
    // Every match is read before the choice, so each line can say what it holds.
    const QStringList threeReads{QueryPath, readPath(QStringLiteral("rock"), QStringLiteral("0901c102")),
                                 readPath(QStringLiteral("jazz"), QStringLiteral("0901c1ff")),
                                 readPath(QStringLiteral("misc"), QStringLiteral("0a01c102"))};
    QTest::newRow("211 three matches, second picked")
        << QStringList{ok(Matches211), ok(Entry), ok(Other), ok(Third)} << 1 << threeReads << MatchLines << none << true
        << QStringLiteral("Other Artist") << QStringLiteral("Other Title")
        << QStringList{QStringLiteral("O1"), QStringLiteral("O2")} << AnsweredBoundMs;
    QTest::newRow("211, nothing picked") << QStringList{ok(Matches211), ok(Entry), ok(Other), ok(Third)} << -1
                                         << threeReads << MatchLines << none << false << none << none << QStringList()
                                         << AnsweredBoundMs;
    QTest::newRow("211, one read refused, the others offered")
        << QStringList{ok(Matches211), ok(Entry), ok(QStringLiteral("401 jazz 0901c1ff No such CD entry.\r\n")),
                       ok(Third)}
        << 0 << threeReads << QStringList{MatchLines[0], MatchLines[2]} << none << true << artist << title
        << EntryTracks << AnsweredBoundMs;
    const QString noEntry = NoAudioInformation + LineBreak + WhyNoEntry.arg(SourceGnudb);
    QTest::newRow("210 without matches") << QStringList{ok(QStringLiteral("210 Found exact matches\r\n.\r\n"))} << -1
                                         << queryOnly << QStringList() << noEntry << false << none << none
                                         << QStringList() << AnsweredBoundMs;
    QTest::newRow("202 no match") << QStringList{ok(QStringLiteral("202 No match for disc ID 0901c102.\r\n"))} << -1
                                  << queryOnly << QStringList() << noEntry << false << none << none << QStringList()
                                  << AnsweredBoundMs;
    // A refusal shows the server's own line under the message.
    const auto said = [](const QString &line) { return ServerSaid.arg(SourceGnudb, line); };
    QTest::newRow("404 on the query") << QStringList{QStringLiteral("HTTP/1.0 404 Not Found\r\n\r\nNo such page\r\n")}
                                      << -1 << queryOnly << QStringList()
                                      << CouldNotFind + LineBreak + said(QStringLiteral("No such page")) << false
                                      << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("500 on the read") << QStringList{ok(Match200),
                                                    QStringLiteral("HTTP/1.0 500 Internal Server Error\r\n\r\n")}
                                     << -1 << both << QStringList()
                                     << CouldNotFind + LineBreak + said(QStringLiteral("HTTP 500")) << false << none
                                     << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("unknown client refused in the reply")
        << QStringList{ok(QStringLiteral("500 Unknown developer email for rovir 1.0\r\n"))} << -1 << queryOnly
        << QStringList()
        << NoAudioInformation + LineBreak + said(QStringLiteral("500 Unknown developer email for rovir 1.0")) << false
        << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("unknown client refused with HTTP 500")
        << QStringList{QStringLiteral("HTTP/1.0 500 Internal Server Error\r\n\r\n500 Unknown developer email\r\n")}
        << -1 << queryOnly << QStringList()
        << CouldNotFind + LineBreak + said(QStringLiteral("500 Unknown developer email")) << false << none << none
        << QStringList() << AnsweredBoundMs;
    QTest::newRow("entry stored in ISO-8859-1")
        << QStringList{ok(Match200),
                       okLatin1(entry(QStringLiteral("DTITLE=Caf\u00e9 Tacvba / R\u00e9\r\nTTITLE0=\u00c9t\u00e9\r\n"
                                                     "TTITLE1=\u00c0 l'or\r\n")))}
        << -1 << both << QStringList() << none << true << QStringLiteral("Caf\u00e9 Tacvba")
        << QStringLiteral("R\u00e9") << QStringList{QStringLiteral("\u00c9t\u00e9"), QStringLiteral("\u00c0 l'or")}
        << AnsweredBoundMs;
    QTest::newRow("redirected query")
        << QStringList{QStringLiteral(
                           "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:{port}/moved/cddb.cgi?"
                           "cmd=cddb+query+0901C102+2+150+18780+449&hello=rovir+rovir+rovir+1.0&proto=6\r\n\r\n"),
                       ok(Match200), ok(Entry)}
        << -1
        << QStringList{QueryPath,
                       QStringLiteral(
                           "/moved/cddb.cgi?cmd=cddb+query+0901C102+2+150+18780+449&hello=rovir+rovir+rovir+1.0"
                           "&proto=6"),
                       ReadPath}
        << QStringList() << none << true << artist << title << EntryTracks << AnsweredBoundMs;
    const QString loop = QStringLiteral("HTTP/1.0 301 Moved\r\nLocation: /~cddb/again\r\n\r\n");
    QStringList loops(6, loop);
    QStringList loopPaths{QueryPath};
    for (int k = 0; k < 5; ++k)
        loopPaths << QStringLiteral("/~cddb/again");
    QTest::newRow("six redirects") << loops << -1 << loopPaths << QStringList() << Unreached << false << none << none
                                   << QStringList() << AnsweredBoundMs;
    QString unterminated = Entry;
    unterminated.chop(2);
    QTest::newRow("no final line break")
        << QStringList{ok(QStringLiteral("200 rock 0901c102 Some Artist / Some Title")), ok(unterminated)} << -1 << both
        << QStringList() << none << true << artist << title << EntryTracks << AnsweredBoundMs;
    QTest::newRow("bare LF line breaks")
        << QStringList{ok(Match200), ok(QString(Entry).replace(QStringLiteral("\r\n"), QStringLiteral("\n")))} << -1
        << both << QStringList() << none << true << artist << title << EntryTracks << AnsweredBoundMs;
    // Each answered in less than the bound, together in more: the bound covers the whole request.
    const QString slow
        = ScriptedServer::after(SlowStepMs) + QStringLiteral("HTTP/1.0 302 Found\r\nLocation: /~cddb/slow\r\n\r\n");
    QTest::newRow("slow redirects share one deadline")
        << QStringList{slow, slow, slow, ok(Match200), ok(Entry)} << -1
        << QStringList{QueryPath, QStringLiteral("/~cddb/slow"), QStringLiteral("/~cddb/slow")} << QStringList()
        << timedOut(QStringLiteral("5")) << false << none << none << QStringList() << SlowBoundMs;
    QTest::newRow("redirected to an IPv6 literal")
        << QStringList{QStringLiteral("HTTP/1.0 302 Found\r\nLocation: http://[::1]:{port}/moved\r\n\r\n"),
                       ok(Match200), ok(Entry)}
        << -1 << QStringList{QueryPath, QStringLiteral("http://[::1]:{port}/moved"), ReadPath} << QStringList() << none
        << true << artist << title << EntryTracks << AnsweredBoundMs;
    QTest::newRow("control character in a redirect's host")
        << QStringList{QStringLiteral(
                           "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1\u000bX-Evil: 1:{port}/x\r\n\r\n"),
                       ok(Match200), ok(Entry)}
        << -1 << queryOnly << QStringList() << Unreached << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("status line not HTTP")
        << QStringList{QStringLiteral("ICY 200 OK\r\n\r\n") + Match200, ok(Entry)} << -1 << queryOnly << QStringList()
        << Unreached << false << none << none << QStringList() << AnsweredBoundMs;
    // Cut after the first track title: without a length only an orderly close ends the body.
    QTest::newRow("read reset inside a body without length")
        << QStringList{ok(Match200), ScriptedServer::Reset + ok(Entry.left(Entry.indexOf(QLatin1String("TTITLE1"))))}
        << -1 << both << QStringList() << Unreached << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("closed without a reply")
        << QStringList{ScriptedServer::CloseAtOnce} << -1 << queryOnly << QStringList() << Unreached << false << none
        << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("read closed without a reply")
        << QStringList{ok(Match200), ScriptedServer::CloseAtOnce} << -1 << both << QStringList() << Unreached << false
        << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("reply never ends") << QStringList{ScriptedServer::Stall} << -1 << queryOnly << QStringList()
                                      << timedOut(QStringLiteral("1.5")) << false << none << none << QStringList()
                                      << StallBoundMs;
    QTest::newRow("body over 1 MiB") << QStringList{ScriptedServer::Flood} << -1 << queryOnly << QStringList()
                                     << Unreached << false << none << none << QStringList() << AnsweredBoundMs;
    const QString unreadable = NoAudioInformation + LineBreak + ReplyUnreadable.arg(SourceGnudb);
    QTest::newRow("empty query reply") << QStringList{ok(QString())} << -1 << queryOnly << QStringList() << unreadable
                                       << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("query reply without a code")
        << QStringList{ok(QStringLiteral("<html>gateway</html>\r\n"))} << -1 << queryOnly << QStringList() << unreadable
        << false << none << none << QStringList() << AnsweredBoundMs;
    // Both go into the next request's address.
    QTest::newRow("category outside the protocol")
        << QStringList{ok(QStringLiteral("200 rock&cmd=cddb+write 0901c102 Some Artist / Some Title\r\n")), ok(Entry)}
        << -1 << queryOnly << QStringList() << unreadable << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("disc identifier not 8 hexadecimal digits")
        << QStringList{ok(QStringLiteral("200 rock 0901c102#x Some Artist / Some Title\r\n")), ok(Entry)} << -1
        << queryOnly << QStringList() << unreadable << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("211 with one match outside the protocol")
        << QStringList{ok(QString(Matches211)
                              .replace(QStringLiteral("jazz 0901c1ff"), QStringLiteral("Jazz/../x 0901c1ff"))),
                       ok(Entry), ok(Other), ok(Third)}
        << -1 << queryOnly << QStringList() << unreadable << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("211 of one line") << QStringList{ok(QStringLiteral("211 Found inexact matches\r\n"))} << -1
                                     << queryOnly << QStringList() << unreadable << false << none << none
                                     << QStringList() << AnsweredBoundMs;
    QTest::newRow("read names nothing") << QStringList{ok(Match200),
                                                       ok(QStringLiteral("401 rock 0901c102 No such CD entry.\r\n"))}
                                        << -1 << both << QStringList()
                                        << NoAudioInformation + LineBreak
            + said(QStringLiteral("401 rock 0901c102 No such CD entry."))
                                        << false << none << none << QStringList() << AnsweredBoundMs;
    QTest::newRow("two DTITLE lines, the second decides")
        << QStringList{ok(Match200), ok(entry(QStringLiteral("DTITLE=First / One\r\nDTITLE=Second / Two / Part\r\n")))}
        << -1 << both << QStringList() << none << true << QStringLiteral("Second") << QStringLiteral("Two / Part")
        << QStringList() << AnsweredBoundMs;
    QTest::newRow("DTITLE without separator")
        << QStringList{ok(Match200), ok(entry(QStringLiteral("DTITLE=Various\r\nTTITLE0=A\r\nTTITLE1=B\r\n")))} << -1
        << both << QStringList() << none << true << QStringLiteral("Various") << QStringLiteral("Various")
        << QStringList{QStringLiteral("A"), QStringLiteral("B")} << AnsweredBoundMs;
    // Three tracks for a disc of two: offered with the mark, not applied unseen.
    QTest::newRow("continued track title stays a separate track")
        << QStringList{ok(Match200),
                       ok(entry(QStringLiteral("TTITLE0=Intro\r\nTTITLE1=A very long \r\nTTITLE1=title\r\n")))}
        << 0 << both << QStringList{QStringLiteral("gnudb | 1999 | 3 tracks, the disc has 2 | Intro")} << none << true
        << none << none << QStringList{QStringLiteral("Intro"), QStringLiteral("A very long "), QStringLiteral("title")}
        << AnsweredBoundMs;
}

void tst_DiscCddb::lookup()
{
    QFETCH(QStringList, script);
    QFETCH(int, pick);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, offered);
    QFETCH(QString, message);
    QFETCH(bool, filled);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(QStringList, tracks);
    QFETCH(int, bound);

    ScriptedServer server(script);
    QVERIFY(server.port() != 0);
    if (script.join(QString()).contains(QLatin1String("[::1]")) && !server.hasIpv6())
        QSKIP("This machine has no IPv6 loopback.");
    // A failure raised inside a socket's handler would cross Qt's event loop, which Qt only warns of.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("exception thrown from an event handler")));
    RecordingMessages messages;
    QList<QStringList> shown;
    DiscLookup lookup(messages, [&](const QStringList &lines, const QList<bool> &) {
        shown << lines;
        return pick;
    });
    lookup.setPreferences(gnudbOnly(server.port()));
    lookup.setTimeout(bound);

    QElapsedTimer clock;
    clock.start();
    const std::optional<DiscLookup::Result> found = lookup.run(m_disc);
    const qint64 took = clock.elapsed();

    QCOMPARE(server.requests.size(), paths.size());
    for (int k = 0; k < paths.size(); ++k)
        QCOMPARE(server.requests[k], request(paths[k], server.port()));
    QCOMPARE(shown, offered.isEmpty() ? QList<QStringList>() : QList<QStringList>{offered});
    QCOMPARE(messages.texts().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(matches(messages.texts().first(), message), qPrintable(messages.texts().first()));
    for (const auto &box : messages.boxes)
        QCOMPARE(box.kind, MessageService::Kind::Warning);
    QCOMPARE(found.has_value(), filled);
    if (found) {
        const DiscCandidate *disc = &found->chosen;
        QCOMPARE(disc->source, LookupSource::Gnudb);
        QCOMPARE(disc->hasTitle, !title.isEmpty());
        QCOMPARE(disc->artist, artist);
        QCOMPARE(disc->title, title);
        QCOMPARE(disc->tracks, tracks);
    }
    // A reply that never ends is given up at the bound, not on some shorter wait of its own (the
    // client's timer may fire a little early).
    if (script.contains(ScriptedServer::Stall))
        QVERIFY2(took >= bound * 9 / 10, qPrintable(QString::number(took)));
}

void tst_DiscCddb::oneDeadlineForTheLookup()
{
    // Ten matches, each read answered well within the deadline, all together well after it.
    constexpr int DeadlineMs = 1500, ReadMs = 400;
    QString matches = QStringLiteral("211 Found inexact matches, list follows (until terminating `.')\r\n");
    for (int k = 0; k < 10; ++k)
        matches += QStringLiteral("rock 0901c1%1 Artist %2 / Title %2\r\n").arg(k, 2, 10, QLatin1Char('0')).arg(k);
    matches += QStringLiteral(".\r\n");
    QStringList script{ok(matches)};
    for (int k = 0; k < 10; ++k)
        script << ScriptedServer::after(ReadMs) + ok(Entry);
    ScriptedServer server(script);
    RecordingMessages messages;
    bool chooserCalled = false;
    DiscLookup lookup(messages, [&](const QStringList &, const QList<bool> &) {
        chooserCalled = true;
        return -1;
    });
    lookup.setPreferences(gnudbOnly(server.port()));
    lookup.setTimeout(DeadlineMs);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!lookup.run(m_disc).has_value());
    const qint64 took = clock.elapsed();
    QVERIFY2(took < DeadlineMs + ReadMs, qPrintable(QString::number(took)));
    QVERIFY(!chooserCalled);
    QVERIFY(server.requests.size() < 10);
    QCOMPARE(messages.texts(), QStringList{timedOut(QStringLiteral("1.5"))});
}

void tst_DiscCddb::failsWithoutServer_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("serverListens");
    QTest::addColumn<QString>("message");

    QTest::newRow("connection refused") << QString() << false << Unreached;
    QTest::newRow("no drive selected") << QStringLiteral("<none>") << true << Texts::NoAudioCD;
    QTest::newRow("no audio disc") << QStringLiteral("<data>") << true << Texts::NoAudioCD;
}

void tst_DiscCddb::failsWithoutServer()
{
    QFETCH(QString, device);
    QFETCH(bool, serverListens);
    QFETCH(QString, message);

    if (device.isEmpty())
        device = m_disc;
    else if (device == QLatin1String("<none>"))
        device.clear();
    else
        device = writeCueImage(m_dir.path(), QStringLiteral("data"), {150}, 3150, {1});

    quint16 port = 0;
    auto server = std::make_unique<ScriptedServer>(QStringList{ok(Match200), ok(Entry)});
    port = server->port();
    if (!serverListens)
        server.reset(); // the port is free again: nothing answers there

    RecordingMessages messages;
    bool chooserCalled = false;
    DiscLookup lookup(messages, [&](const QStringList &, const QList<bool> &) {
        chooserCalled = true;
        return -1;
    });
    lookup.setPreferences(gnudbOnly(port));
    lookup.setTimeout(AnsweredBoundMs);

    QVERIFY(!lookup.run(device).has_value());
    QCOMPARE(messages.texts().size(), 1);
    QVERIFY2(matches(messages.texts().first(), message), qPrintable(messages.texts().first()));
    QVERIFY(!chooserCalled);
    if (server)
        QVERIFY(server->requests.isEmpty());
}

void tst_DiscCddb::greeting_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("greeting");

    const QString anonymous = QStringLiteral("rovir+rovir+rovir+1.0");
    QTest::newRow("address split at @") << QStringLiteral("jane@example.org")
                                        << QStringLiteral("jane+example.org+Dadudu+2.0");
    QTest::newRow("blanks around") << QStringLiteral("  jane@example.org ")
                                   << QStringLiteral("jane+example.org+Dadudu+2.0");
    QTest::newRow("plus and blank stay in their field")
        << QStringLiteral("jane+cd d@example.org") << QStringLiteral("jane%2Bcd%20d+example.org+Dadudu+2.0");
    QTest::newRow("none") << QString() << anonymous;
    QTest::newRow("no @") << QStringLiteral("jane.example.org") << anonymous;
    QTest::newRow("nothing before @") << QStringLiteral("@example.org") << anonymous;
    QTest::newRow("nothing after @") << QStringLiteral("jane@") << anonymous;
}

void tst_DiscCddb::greeting()
{
    QFETCH(QString, email);
    QFETCH(QString, greeting);
    QCOMPARE(CddbLookup::greeting(email), greeting);

    // The greeting goes in both requests.
    ScriptedServer server({ok(Match200), ok(Entry)});
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    lookup.setPreferences(gnudbOnly(server.port(), email));
    lookup.setTimeout(AnsweredBoundMs);
    QVERIFY(lookup.run(m_disc).has_value());
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(server.requests[0],
             request(QString(QueryPath).replace(QStringLiteral("rovir+rovir+rovir+1.0"), greeting), server.port()));
    QCOMPARE(server.requests[1],
             request(QString(ReadPath).replace(QStringLiteral("rovir+rovir+rovir+1.0"), greeting), server.port()));
}

void tst_DiscCddb::artistNames_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("letters a to z ignore case")
        << QStringLiteral("SOME ARTIST") << QStringLiteral("Some Artist") << true;
    QTest::newRow("accented letters must match")
        << QStringLiteral("\u00c9DITH") << QStringLiteral("\u00e9dith") << false;
    QTest::newRow("accent is not a plain letter") << QStringLiteral("Bjork") << QStringLiteral("Bj\u00f6rk") << false;
    QTest::newRow("a prefix is not the name") << QStringLiteral("Some") << QStringLiteral("Some Artist") << false;
}

void tst_DiscCddb::artistNames()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(sameArtistName(a, b), same);
    QCOMPARE(sameArtistName(b, a), same);
}

QTEST_GUILESS_MAIN(tst_DiscCddb)
#include "tst_disc_cddb.moc"
