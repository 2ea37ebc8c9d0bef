// The lookup by MusicBrainz disc identifier and the Cover Art Archive, on web servers of the test's
// own on 127.0.0.1, and the sources asked in the user's order with the disc's CD-Text among them.

#include "CueImage.h"
#include "ScriptedServer.h"
#include "disc/DiscLookup.h"
#include "support/RecordingMessages.h"

#include <discid/discid.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(LookupSource)

namespace {

// The worked example's disc: two tracks at 150 and 18780, the lead-out at 33825.
const QList<int> Starts{150, 18780};
constexpr int LeadOut = 33825;

// Its MusicBrainz identifier, from libdiscid.
QString musicBrainzId()
{
    int offsets[100] = {LeadOut, Starts[0], Starts[1]};
    DiscId *d = discid_new();
    const QString id = discid_put(d, 1, 2, offsets) ? QString::fromLatin1(discid_get_id(d)) : QString();
    discid_free(d);
    return id;
}

QJsonObject medium(int position, const QStringList &discIds, const QStringList &titles)
{
    QJsonArray discs, tracks;
    for (const QString &id : discIds)
        discs.append(QJsonObject{{"id", id}, {"sectors", LeadOut}});
    for (int k = 0; k < titles.size(); ++k)
        tracks.append(
            QJsonObject{{"position", k + 1},
                        {"number", QString::number(k + 1)},
                        {"title", titles[k]},
                        {"recording", QJsonObject{{"id", QStringLiteral("rec-%1").arg(k)}, {"title", titles[k]}}}});
    return QJsonObject{{"position", position},
                       {"format", "CD"},
                       {"track-count", int(titles.size())},
                       {"discs", discs},
                       {"tracks", tracks}};
}

QJsonObject release(const QString &id, const QString &title, const QJsonArray &credit, const QString &date,
                    const QString &country, const QString &barcode, const QJsonArray &media)
{
    QJsonObject r{{"id", id},
                  {"title", title},
                  {"artist-credit", credit},
                  {"media", media},
                  {"status", "Official"},
                  {"label-info",
                   QJsonArray{QJsonObject{{"catalog-number", "CAT 1"}, {"label", QJsonObject{{"name", "Label"}}}}}}};
    if (!date.isEmpty())
        r.insert("date", date);
    if (!country.isEmpty())
        r.insert("country", country);
    r.insert("barcode", barcode.isEmpty() ? QJsonValue() : QJsonValue(barcode));
    return r;
}

QJsonArray credit(const QList<QPair<QString, QString>> &parts)
{
    QJsonArray out;
    for (const auto &[name, join] : parts)
        out.append(QJsonObject{{"name", name}, {"joinphrase", join}, {"artist", QJsonObject{{"name", name}}}});
    return out;
}

// A reply whose body is raw bytes; ScriptedServer writes its steps one byte a character. Each says
// its length, as the web service does: Qt's client sends a request again when a connection closes
// under a reply that has none, which would muddle the count of requests.
QString raw(const QByteArray &statusLine, const QByteArray &headers, const QByteArray &body)
{
    return QString::fromLatin1(statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
                               + "\r\n\r\n" + body);
}

// JSON goes out in UTF-8.
QString json(int status, const QJsonObject &body)
{
    return raw("HTTP/1.0 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status"),
               "Content-Type: application/json\r\n", QJsonDocument(body).toJson(QJsonDocument::Compact));
}

const QString NotFound = raw("HTTP/1.0 404 Not Found", {}, {});

QByteArray picture(const char *format, QColor color)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

const QStringList Titles{QStringLiteral("Intro"), QStringLiteral("Caf\u00e9 \u6771\u4eac")};

DiscPreferences only(QList<LookupSource> on, quint16 port)
{
    DiscPreferences p;
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    p.musicBrainzUrl = base;
    p.coverArtUrl = base + QStringLiteral("/caa");
    p.gnudbUrl = base + QStringLiteral("/~cddb");
    QList<DiscPreferences::Source> sources;
    for (const LookupSource s : on)
        sources.append({s, true});
    for (const DiscPreferences::Source &s : p.sources)
        if (!on.contains(s.source))
            sources.append({s.source, false});
    p.sources = sources;
    return p;
}

// Without the user's address: the packager's, given at build time, or the project's page, never an
// address of our own making.
QString builtContact()
{
    return Texts::ContactAddress.isEmpty() ? Texts::WebAddress : Texts::ContactAddress;
}

constexpr int BoundMs = 10000;
constexpr int IntervalMs = 300;

// Only the request line, the User-Agent and the Accept header: the rest is Qt's.
QStringList requestLines(const QByteArray &request)
{
    QStringList out;
    const QList<QByteArray> lines = request.split('\n');
    out << QString::fromLatin1(lines.value(0)).trimmed();
    for (const QByteArray &line : lines)
        if (line.toLower().startsWith("user-agent:"))
            out << QString::fromLatin1(line).trimmed();
    return out;
}

// An HTTPS server on 127.0.0.1 that answers the requests with the replies in turn, the last one
// again once they run out.
class TlsServer : public QTcpServer
{
public:
    TlsServer(const QSslConfiguration &tls, const QStringList &replies)
        : m_tls(tls)
        , m_replies(replies)
    {
        listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return serverPort(); }
    QList<QByteArray> requests;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *s = new QSslSocket(this);
        if (!s->setSocketDescriptor(descriptor)) {
            delete s;
            return;
        }
        s->setSslConfiguration(m_tls);
        connect(s, &QSslSocket::readyRead, this, [this, s] {
            m_buffer += s->readAll();
            if (!m_buffer.contains("\r\n\r\n"))
                return;
            requests << m_buffer;
            m_buffer.clear();
            s->write(m_replies.value(requests.size() - 1, m_replies.last()).toLatin1());
            s->disconnectFromHost();
        });
        s->startServerEncryption();
    }

private:
    QSslConfiguration m_tls;
    QStringList m_replies;
    QByteArray m_buffer;
};

} // namespace

class tst_DiscLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void musicBrainz_data();
    void musicBrainz();
    void cover_data();
    void cover();
    void serviceBusyThenAnswers();
    void userAgent_data();
    void userAgent();
    void oneRequestASecond_data();
    void oneRequestASecond();
    void sourcesInOrder_data();
    void sourcesInOrder();
    void replyThatNeverEnds();
    void nothingFound_data();
    void nothingFound();
    void overTls_data();
    void overTls();

private:
    QTemporaryDir m_dir;
    QString m_disc;
    QString m_plainDisc; // the same disc without CD-Text
    QString m_id;
    QString m_path;
};

void tst_DiscLookup::initTestCase()
{
    m_disc = writeCueImage(m_dir.path(), QStringLiteral("example"), Starts, LeadOut, {}, {},
                           {QStringLiteral("CATALOG 4006381333931"), QStringLiteral("PERFORMER \"Disc Artist\""),
                            QStringLiteral("TITLE \"Disc Title\"")},
                           {QStringLiteral("TITLE \"One\""), QStringLiteral("TITLE \"Two\"")});
    QVERIFY(!m_disc.isEmpty());
    m_plainDisc = writeCueImage(m_dir.path(), QStringLiteral("plain"), Starts, LeadOut);
    QVERIFY(!m_plainDisc.isEmpty());
    m_id = musicBrainzId();
    QVERIFY(!m_id.isEmpty());
    m_path = QStringLiteral("/ws/2/discid/%1?toc=1+2+33825+150+18780&inc=artist-credits+recordings+labels&cdstubs=no"
                            "&fmt=json")
                 .arg(m_id);
}

void tst_DiscLookup::musicBrainz_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QStringList>("offered"); // the choice's lines; empty when it must not show
    QTest::addColumn<QList<bool>>("marked");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("filled"); // artist, title, year, country, barcode; empty when nothing
    QTest::addColumn<QStringList>("tracks");

    using namespace Texts;
    const QString id = musicBrainzId();
    const QJsonArray oneCredit = credit({{QStringLiteral("Some Artist"), QString()}});
    const QJsonArray twoCredit = credit(
        {{QStringLiteral("Some Artist"), QStringLiteral(" feat. ")}, {QStringLiteral("Dj \u00c9t\u00e9"), QString()}});
    const QJsonObject exact{{"id", id},
                            {"sectors", LeadOut},
                            {"offset-count", 2},
                            {"releases",
                             QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("Some Title"), twoCredit,
                                                QStringLiteral("1999-05-01"), QStringLiteral("GB"),
                                                QStringLiteral("5099749594321"), {medium(1, {id}, Titles)})}}};
    const QStringList exactFill{QStringLiteral("Some Artist feat. Dj \u00c9t\u00e9"), QStringLiteral("Some Title"),
                                QStringLiteral("1999"), QStringLiteral("GB"), QStringLiteral("5099749594321")};
    QTest::newRow("exact identifier") << QStringList{json(200, exact), NotFound} << 2 << QStringList() << QList<bool>()
                                      << -1 << QString() << exactFill << Titles;

    // An unknown identifier: the service matches the table of contents and names no disc.
    const QJsonObject fuzzy{
        {"release-count", 1},
        {"release-offset", 0},
        {"releases",
         QJsonArray{release(QStringLiteral("r-2"), QStringLiteral("Near Title"), oneCredit, QStringLiteral("2003"),
                            QString(), QString(),
                            {medium(1, {}, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}),
                             medium(2, {}, {QStringLiteral("D"), QStringLiteral("E")})})}}};
    QTest::newRow("fuzzy match by table of contents")
        << QStringList{json(200, fuzzy), NotFound} << 2 << QStringList() << QList<bool>() << -1 << QString()
        << QStringList{QStringLiteral("Some Artist"), QStringLiteral("Near Title"), QStringLiteral("2003"), QString(),
                       QString()}
        << QStringList{QStringLiteral("D"), QStringLiteral("E")};

    // A fuzzy match of a release none of whose media has the disc's two tracks is not this disc.
    const QJsonObject otherCount{
        {"release-count", 1},
        {"releases",
         QJsonArray{release(QStringLiteral("r-6"), QStringLiteral("Longer"), oneCredit, QString(), QString(), QString(),
                            {medium(1, {}, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}),
                             medium(2, {}, {QStringLiteral("D")})})}}};
    QTest::newRow("fuzzy match, no medium of the disc's track count")
        << QStringList{json(200, otherCount)} << 1 << QStringList() << QList<bool>() << -1
        << NoAudioInformation + LineBreak + WhyNoTrackCount.arg(SourceMusicBrainz, ChoiceTracks.arg(2)) << QStringList()
        << QStringList();
    // A single medium of another track count may still be the disc: the user decides.
    const QJsonObject oneMedium{
        {"release-count", 1},
        {"releases",
         QJsonArray{release(QStringLiteral("r-9"), QStringLiteral("Longer"), oneCredit, QString(), QString(), QString(),
                            {medium(1, {}, {QStringLiteral("A"), QStringLiteral("B\u0007"), QStringLiteral("C")})})}}};
    QTest::newRow("fuzzy match, one medium of another track count, offered with its mark")
        << QStringList{json(200, oneMedium), NotFound} << 2
        << QStringList{QStringLiteral("MusicBrainz | 3 tracks, the disc has 2 | Some Artist / Longer")}
        << QList<bool>{true} << 0 << QString()
        << QStringList{QStringLiteral("Some Artist"), QStringLiteral("Longer"), QString(), QString(), QString()}
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};

    const QJsonObject several{
        {"id", id},
        {"releases",
         QJsonArray{
             release(QStringLiteral("r-3"), QStringLiteral("First Press"), oneCredit, QStringLiteral("1999-01"),
                     QStringLiteral("DE"), QStringLiteral("4006381333931"), {medium(1, {id}, Titles)}),
             release(QStringLiteral("r-4"), QStringLiteral("Reissue"), oneCredit, QString(), QStringLiteral("XE"),
                     QString(), {medium(1, {id}, Titles + QStringList{QStringLiteral("Bonus")})}),
             // A medium that cannot be read leaves the others standing.
             QJsonObject{{"id", "r-bad"}, {"title", "Broken"}, {"media", QJsonArray{QJsonObject{{"discs", 3}}}}}}}};
    QTest::newRow("several releases, second picked")
        << QStringList{json(200, several)} << 2
        << QStringList{QStringLiteral(
                           "MusicBrainz | 1999 | DE | barcode 4006381333931 | 2 tracks | Some Artist / First Press"),
                       QStringLiteral("MusicBrainz | XE | 3 tracks, the disc has 2 | Some Artist / Reissue")}
        << QList<bool>{false, true} << 1 << QString()
        << QStringList{QStringLiteral("Some Artist"), QStringLiteral("Reissue"), QString(), QStringLiteral("XE"),
                       QString()}
        << (Titles + QStringList{QStringLiteral("Bonus")});
    QTest::newRow("several releases, none picked")
        << QStringList{json(200, several)} << 1
        << QStringList{QStringLiteral(
                           "MusicBrainz | 1999 | DE | barcode 4006381333931 | 2 tracks | Some Artist / First Press"),
                       QStringLiteral("MusicBrainz | XE | 3 tracks, the disc has 2 | Some Artist / Reissue")}
        << QList<bool>{false, true} << -1 << QString() << QStringList() << QStringList();

    const QJsonObject multi{
        {"id", id},
        {"releases",
         QJsonArray{release(QStringLiteral("r-5"), QStringLiteral("Box"), oneCredit, QStringLiteral("2010-10-10"),
                            QStringLiteral("US"), QStringLiteral("075678"),
                            {medium(1, {QStringLiteral("other-disc-id")}, {QStringLiteral("X"), QStringLiteral("Y")}),
                             medium(2, {id}, {QStringLiteral("Disc two, one"), QStringLiteral("Disc two, two")}),
                             medium(3, {}, {QStringLiteral("Z")})})}}};
    QTest::newRow("multi-disc release, the medium that holds the disc")
        << QStringList{json(200, multi), NotFound} << 2 << QStringList() << QList<bool>() << -1 << QString()
        << QStringList{QStringLiteral("Some Artist"), QStringLiteral("Box"), QStringLiteral("2010"),
                       QStringLiteral("US"), QStringLiteral("075678")}
        << QStringList{QStringLiteral("Disc two, one"), QStringLiteral("Disc two, two")};

    const QJsonObject oneOther{{"id", id},
                               {"releases",
                                QJsonArray{release(QStringLiteral("r-7"), QStringLiteral("Reissue"), oneCredit,
                                                   QString(), QStringLiteral("XE"), QString(),
                                                   {medium(1, {id}, Titles + QStringList{QStringLiteral("Bonus")})})}}};
    QTest::newRow("one release of another track count, offered with its mark")
        << QStringList{json(200, oneOther), NotFound} << 2
        << QStringList{QStringLiteral("MusicBrainz | XE | 3 tracks, the disc has 2 | Some Artist / Reissue")}
        << QList<bool>{true} << 0 << QString()
        << QStringList{QStringLiteral("Some Artist"), QStringLiteral("Reissue"), QString(), QStringLiteral("XE"),
                       QString()}
        << (Titles + QStringList{QStringLiteral("Bonus")});
    const QJsonObject controls{
        {"id", id},
        {"releases",
         QJsonArray{release(QStringLiteral("r-8"), QStringLiteral("Some\tTitle\u0007"),
                            credit({{QStringLiteral("Some\u001b[2JArtist"), QString()}}), QString(), QString(),
                            QString(),
                            {medium(1, {id}, {QStringLiteral("One\r\nTwo"), QStringLiteral("\u0085Two")})})}}};
    QTest::newRow("control characters in a reply")
        << QStringList{json(200, controls), NotFound} << 2 << QStringList() << QList<bool>() << -1 << QString()
        << QStringList{QStringLiteral("Some [2JArtist"), QStringLiteral("Some Title"), QString(), QString(), QString()}
        << QStringList{QStringLiteral("One  Two"), QStringLiteral("Two")};
    const QString noRelease = NoAudioInformation + LineBreak + WhyNoRelease.arg(SourceMusicBrainz);
    QTest::newRow("404 unknown disc") << QStringList{json(404, QJsonObject{{"error", "Not Found"}})} << 1
                                      << QStringList() << QList<bool>() << -1 << noRelease << QStringList()
                                      << QStringList();
    QTest::newRow("no release at all") << QStringList{json(
        200, QJsonObject{{"release-count", 0}, {"releases", QJsonArray()}})}
                                       << 1 << QStringList() << QList<bool>() << -1 << noRelease << QStringList()
                                       << QStringList();
    const QString unreadable = NoAudioInformation + LineBreak + ReplyUnreadable.arg(SourceMusicBrainz);
    QTest::newRow("malformed JSON") << QStringList{raw("HTTP/1.0 200 OK", "Content-Type: application/json\r\n",
                                                       "{\"releases\": [{\"id\": ")}
                                    << 1 << QStringList() << QList<bool>() << -1 << unreadable << QStringList()
                                    << QStringList();
    QTest::newRow("JSON of another shape")
        << QStringList{json(200, QJsonObject{{"releases", "none"}})} << 1 << QStringList() << QList<bool>() << -1
        << unreadable << QStringList() << QStringList();
    QTest::newRow("releases without tracks") << QStringList{json(
        200, QJsonObject{{"releases", QJsonArray{QJsonObject{{"id", "r"}, {"title", "T"}, {"media", QJsonArray{}}}}}})}
                                             << 1 << QStringList() << QList<bool>() << -1 << unreadable << QStringList()
                                             << QStringList();
    QTest::newRow("10 MB body") << QStringList{ScriptedServer::Huge} << 1 << QStringList() << QList<bool>() << -1
                                << CouldNotFind + LineBreak
            + WhyRequestFailed.arg(SourceMusicBrainz, QStringLiteral("The server's reply is too long."))
                                << QStringList() << QStringList();
    QTest::newRow("refused with 400") << QStringList{json(400, QJsonObject{{"error", "Invalid discid."}})} << 1
                                      << QStringList() << QList<bool>() << -1
                                      << CouldNotFind + LineBreak
            + ServerSaid.arg(SourceMusicBrainz, QStringLiteral("Invalid discid."))
                                      << QStringList() << QStringList();
    QTest::newRow("busy twice")
        << QStringList{json(503, QJsonObject{{"error", "Your requests are exceeding the allowable rate limit."}}),
                       json(503, QJsonObject{{"error", "Still busy."}})}
        << 2 << QStringList() << QList<bool>() << -1
        << CouldNotFind + LineBreak + ServerSaid.arg(SourceMusicBrainz, QStringLiteral("Still busy.")) << QStringList()
        << QStringList();
    QTest::newRow("server closes without a reply")
        << QStringList{ScriptedServer::CloseAtOnce, ScriptedServer::CloseAtOnce} << -1 << QStringList() << QList<bool>()
        << -1 << QStringLiteral("<transport>") << QStringList() << QStringList();
}

void tst_DiscLookup::musicBrainz()
{
    QFETCH(QStringList, script);
    QFETCH(int, requests);
    QFETCH(QStringList, offered);
    QFETCH(QList<bool>, marked);
    QFETCH(int, pick);
    QFETCH(QString, message);
    QFETCH(QStringList, filled);
    QFETCH(QStringList, tracks);

    ScriptedServer server(script);
    QVERIFY(server.port() != 0);
    RecordingMessages messages;
    QList<QStringList> shown;
    QList<QList<bool>> shownMarks;
    DiscLookup lookup(messages, [&](const QStringList &lines, const QList<bool> &marks) {
        shown << lines;
        shownMarks << marks;
        return pick;
    });
    lookup.setPreferences(only({LookupSource::MusicBrainz}, server.port()));
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(IntervalMs);

    QElapsedTimer clock;
    clock.start();
    const std::optional<DiscLookup::Result> result = lookup.run(m_disc);
    QVERIFY2(clock.elapsed() < BoundMs, qPrintable(QString::number(clock.elapsed())));

    // Qt's client asks once more when a connection closes without a word.
    if (requests < 0)
        QVERIFY(server.requests.size() >= 1 && server.requests.size() <= 2);
    else
        QCOMPARE(server.requests.size(), requests);
    QCOMPARE(requestLines(server.requests.value(0)),
             (QStringList{QStringLiteral("GET %1 HTTP/1.1").arg(m_path),
                          QStringLiteral("User-Agent: Dadudu/2.0 ( %1 )").arg(builtContact())}));
    QCOMPARE(shown, offered.isEmpty() ? QList<QStringList>() : QList<QStringList>{offered});
    QCOMPARE(shownMarks, offered.isEmpty() ? QList<QList<bool>>() : QList<QList<bool>>{marked});
    if (message == QLatin1String("<transport>")) {
        QCOMPARE(messages.boxes.size(), 1);
        QVERIFY(messages.boxes[0].text.startsWith(Texts::CouldNotFind + Texts::LineBreak));
    } else {
        QCOMPARE(messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }
    QCOMPARE(result.has_value(), !filled.isEmpty());
    if (result) {
        const DiscCandidate &c = result->chosen;
        QCOMPARE(c.source, LookupSource::MusicBrainz);
        QCOMPARE((QStringList{c.artist, c.title, c.year, c.country, c.barcode}), filled);
        QCOMPARE(c.tracks, tracks);
        QCOMPARE(result->mcn, QStringLiteral("4006381333931"));
        QVERIFY(result->cover.isEmpty());
    }
}

void tst_DiscLookup::cover_data()
{
    QTest::addColumn<QStringList>("replies"); // after the release
    QTest::addColumn<QString>("expected");    // "same": the JPEG as served; "converted"; "none"
    QTest::addColumn<QStringList>("paths");

    const QByteArray jpeg = picture("JPG", Qt::red);
    const QByteArray png = picture("PNG", Qt::blue);
    const auto redirect = [](const QByteArray &ext) {
        return raw("HTTP/1.0 307 Temporary Redirect", "Location: http://127.0.0.1:{port}/img/front-500." + ext + "\r\n",
                   {});
    };
    QTest::newRow("redirect to a JPEG") << QStringList{redirect("jpg"),
                                                       raw("HTTP/1.0 200 OK", "Content-Type: image/jpeg\r\n", jpeg)}
                                        << QStringLiteral("same")
                                        << QStringList{QStringLiteral("/caa/release/r-1/front-500"),
                                                       QStringLiteral("/img/front-500.jpg")};
    QTest::newRow("a PNG, converted") << QStringList{redirect("png"),
                                                     raw("HTTP/1.0 200 OK", "Content-Type: image/png\r\n", png)}
                                      << QStringLiteral("converted")
                                      << QStringList{QStringLiteral("/caa/release/r-1/front-500"),
                                                     QStringLiteral("/img/front-500.png")};
    QTest::newRow("no cover: 404") << QStringList{raw("HTTP/1.0 404 Not Found", {}, "No cover art found.")}
                                   << QStringLiteral("none")
                                   << QStringList{QStringLiteral("/caa/release/r-1/front-500")};
    QTest::newRow("not a picture") << QStringList{raw("HTTP/1.0 200 OK", "Content-Type: image/jpeg\r\n", "<html>")}
                                   << QStringLiteral("none")
                                   << QStringList{QStringLiteral("/caa/release/r-1/front-500")};
}

void tst_DiscLookup::cover()
{
    QFETCH(QStringList, replies);
    QFETCH(QString, expected);
    QFETCH(QStringList, paths);

    const QJsonObject found{
        {"id", m_id},
        {"releases",
         QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("Some Title"),
                            credit({{QStringLiteral("Some Artist"), QString()}}), QStringLiteral("1999"), QString(),
                            QString(), {medium(1, {m_id}, Titles)})}}};
    ScriptedServer server(QStringList{json(200, found)} + replies);
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    lookup.setPreferences(only({LookupSource::MusicBrainz}, server.port()));
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(IntervalMs);

    const std::optional<DiscLookup::Result> result = lookup.run(m_disc);
    QVERIFY(result.has_value());
    QVERIFY(messages.boxes.isEmpty());
    QCOMPARE(server.requests.size(), paths.size() + 1);
    for (int k = 0; k < paths.size(); ++k)
        QCOMPARE(requestLines(server.requests[k + 1]).value(0), QStringLiteral("GET %1 HTTP/1.1").arg(paths[k]));
    if (expected == QLatin1String("none")) {
        QVERIFY(result->cover.isEmpty());
        return;
    }
    if (expected == QLatin1String("same"))
        QCOMPARE(result->cover, picture("JPG", Qt::red));
    QBuffer buffer(const_cast<QByteArray *>(&result->cover));
    QImageReader reader(&buffer);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(40, 30));
    if (expected == QLatin1String("converted"))
        QVERIFY(qAbs(image.pixelColor(20, 15).blue() - 255) < 16 && image.pixelColor(20, 15).red() < 16);
}

void tst_DiscLookup::serviceBusyThenAnswers()
{
    const QJsonObject found{{"id", m_id},
                            {"releases",
                             QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("Some Title"),
                                                credit({{QStringLiteral("Some Artist"), QString()}}), QString(),
                                                QString(), QString(), {medium(1, {m_id}, Titles)})}}};
    // The first lookup is paced like any other: the second one must wait out the interval too.
    for (int round = 0; round < 2; ++round) {
        ScriptedServer server({json(503, QJsonObject{{"error", "busy"}}), json(200, found), NotFound});
        RecordingMessages messages;
        DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
        lookup.setPreferences(only({LookupSource::MusicBrainz}, server.port()));
        lookup.setTimeout(BoundMs);
        lookup.musicBrainz().setInterval(IntervalMs);
        QElapsedTimer clock;
        clock.start();
        const std::optional<DiscLookup::Result> result = lookup.run(m_disc);
        const qint64 took = clock.elapsed();
        QVERIFY(result.has_value());
        QCOMPARE(result->chosen.title, QStringLiteral("Some Title"));
        QVERIFY(messages.boxes.isEmpty());
        QCOMPARE(requestLines(server.requests.value(1)).value(0), QStringLiteral("GET %1 HTTP/1.1").arg(m_path));
        // Asked again no sooner than the interval allows.
        QVERIFY2(took >= IntervalMs * 9 / 10, qPrintable(QString::number(took)));
    }
}

void tst_DiscLookup::userAgent_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("contact");
    QTest::newRow("the user's address") << QStringLiteral(" someone@example.org ")
                                        << QStringLiteral("someone@example.org");
    QTest::newRow("no address") << QString() << builtContact();
    QTest::newRow("an address that would end the header") << QStringLiteral("a@b.org\r\nX-Evil: 1") << builtContact();
}

void tst_DiscLookup::userAgent()
{
    QFETCH(QString, email);
    QFETCH(QString, contact);
    QVERIFY(!contact.contains(QLatin1String("proton.me")));

    ScriptedServer server({NotFound});
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    DiscPreferences p = only({LookupSource::MusicBrainz}, server.port());
    p.email = email;
    lookup.setPreferences(p);
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(0);
    QVERIFY(!lookup.run(m_disc).has_value());
    QCOMPARE(server.requests.size(), 1);
    QCOMPARE(requestLines(server.requests[0]).value(1), QStringLiteral("User-Agent: Dadudu/2.0 ( %1 )").arg(contact));
}

void tst_DiscLookup::oneRequestASecond_data()
{
    QTest::addColumn<QStringList>("script"); // the web service's replies, in turn; the covers' are 404s
    QTest::addColumn<int>("lookups");
    QTest::addColumn<int>("gapMs"); // the least time between a reply and the next request to the service

    const QString busy = raw("HTTP/1.0 503 Service Unavailable",
                             "Content-Type: application/json\r\nRetry-After: %1\r\n", "{\"error\":\"busy\"}");
    QTest::newRow("two lookups, the first reply slow")
        << QStringList{ScriptedServer::after(400) + QStringLiteral("<found>"), QStringLiteral("<found>")} << 2 << 1000;
    QTest::newRow("Retry-After: 3") << QStringList{busy.arg(3), QStringLiteral("<found>")} << 1 << 3000;
    QTest::newRow("Retry-After: 0, still a second") << QStringList{busy.arg(0), QStringLiteral("<found>")} << 1 << 1000;
}

void tst_DiscLookup::oneRequestASecond()
{
    QFETCH(QStringList, script);
    QFETCH(int, lookups);
    QFETCH(int, gapMs);

    const QJsonObject found{{"id", m_id},
                            {"releases",
                             QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("Some Title"),
                                                credit({{QStringLiteral("Some Artist"), QString()}}), QString(),
                                                QString(), QString(), {medium(1, {m_id}, Titles)})}}};
    QStringList steps;
    for (QString step : script) {
        steps << step.replace(QStringLiteral("<found>"), json(200, found));
        if (step.contains(QLatin1String("\"releases\"")))
            steps << NotFound; // its cover
    }
    ScriptedServer server(steps);
    for (int k = 0; k < lookups; ++k) {
        RecordingMessages messages;
        DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
        lookup.setPreferences(only({LookupSource::MusicBrainz}, server.port()));
        lookup.setTimeout(BoundMs);
        lookup.musicBrainz().setInterval(MusicBrainzLookup::DefaultIntervalMs);
        QVERIFY(lookup.run(m_disc).has_value());
        QVERIFY(messages.boxes.isEmpty());
    }
    QCOMPARE(server.requests.size(), steps.size());
    // Only the web service counts requests; the covers come from another server.
    qint64 lastReply = -1;
    int asked = 0;
    for (int k = 0; k < server.requests.size(); ++k) {
        if (!server.requests[k].startsWith("GET /ws/2/"))
            continue;
        ++asked;
        if (lastReply >= 0)
            QVERIFY2(server.arrived[k] - lastReply >= gapMs,
                     qPrintable(QString::number(server.arrived[k] - lastReply)));
        lastReply = server.replied[k];
    }
    QCOMPARE(asked, 2);
}

void tst_DiscLookup::sourcesInOrder_data()
{
    QTest::addColumn<QList<LookupSource>>("order");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("title");

    const QString mb = QStringLiteral("MusicBrainz | 1999 | 2 tracks | Some Artist / MB Title");
    const QString gnudb = QStringLiteral("gnudb | 2001 | 2 tracks | Cddb Artist / Cddb Title");
    const QString cdText = QStringLiteral("CD-Text | barcode 4006381333931 | 2 tracks | Disc Artist / Disc Title");
    QTest::newRow("all three, CD-Text picked")
        << QList<LookupSource>{LookupSource::MusicBrainz, LookupSource::Gnudb, LookupSource::CdText}
        << QStringList{mb, gnudb, cdText} << 2 << QStringLiteral("Disc Title");
    QTest::newRow("gnudb first") << QList<LookupSource>{LookupSource::Gnudb, LookupSource::MusicBrainz}
                                 << QStringList{gnudb, mb} << 0 << QStringLiteral("Cddb Title");
    QTest::newRow("CD-Text alone, no choice")
        << QList<LookupSource>{LookupSource::CdText} << QStringList() << -1 << QStringLiteral("Disc Title");
}

void tst_DiscLookup::sourcesInOrder()
{
    QFETCH(QList<LookupSource>, order);
    QFETCH(QStringList, offered);
    QFETCH(int, pick);
    QFETCH(QString, title);

    const QJsonObject found{
        {"id", m_id},
        {"releases",
         QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("MB Title"),
                            credit({{QStringLiteral("Some Artist"), QString()}}), QStringLiteral("1999"), QString(),
                            QString(), {medium(1, {m_id}, Titles)})}}};
    const QString ok = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n");
    const QString query = ok + QStringLiteral("200 rock 0901c102 Cddb Artist / Cddb Title\r\n");
    const QString read = ok
        + QStringLiteral("210 rock 0901c102 CD database entry follows\r\nDTITLE=Cddb Artist / Cddb Title\r\n"
                         "DYEAR=2001\r\nTTITLE0=Eins\r\nTTITLE1=Zwei\r\n.\r\n");
    const QString notFound = NotFound;
    QStringList script;
    for (const LookupSource s : order) {
        if (s == LookupSource::MusicBrainz)
            script << json(200, found);
        else if (s == LookupSource::Gnudb)
            script << query << read;
    }
    // The cover of a chosen release.
    script << notFound;
    ScriptedServer server(script);
    RecordingMessages messages;
    QList<QStringList> shown;
    DiscLookup lookup(messages, [&](const QStringList &lines, const QList<bool> &) {
        shown << lines;
        return pick;
    });
    lookup.setPreferences(only(order, server.port()));
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(0);

    const std::optional<DiscLookup::Result> result = lookup.run(m_disc);
    QVERIFY(messages.boxes.isEmpty());
    QCOMPARE(shown, offered.isEmpty() ? QList<QStringList>() : QList<QStringList>{offered});
    QVERIFY(result.has_value());
    QCOMPARE(result->chosen.title, title);
    if (result->chosen.source == LookupSource::CdText) {
        QCOMPARE(result->chosen.artist, QStringLiteral("Disc Artist"));
        QCOMPARE(result->chosen.tracks, (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
        QCOMPARE(result->chosen.barcode, QStringLiteral("4006381333931"));
    }
    // Only the enabled sources were asked, in the order given.
    QCOMPARE(server.requests.size(), script.size() - 1 + (result->chosen.source == LookupSource::MusicBrainz ? 1 : 0));
    if (!order.isEmpty() && order.first() == LookupSource::Gnudb)
        QVERIFY(server.requests.value(0).contains("cmd=cddb+query"));
}

void tst_DiscLookup::replyThatNeverEnds()
{
    // Headers and the start of a body, then nothing: the lookup gives up at its bound, not later.
    constexpr int StallBoundMs = 1500;
    ScriptedServer server({ScriptedServer::Stall, ScriptedServer::Stall});
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    lookup.setPreferences(only({LookupSource::MusicBrainz}, server.port()));
    lookup.setTimeout(StallBoundMs);
    lookup.musicBrainz().setInterval(0);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!lookup.run(m_disc).has_value());
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= StallBoundMs * 9 / 10 && took < StallBoundMs * 3, qPrintable(QString::number(took)));
    QCOMPARE(messages.texts(),
             QStringList{Texts::CouldNotFind + Texts::LineBreak
                         + Texts::WhyTimedOut.arg(Texts::SourceMusicBrainz, QStringLiteral("1.5"))});
}

void tst_DiscLookup::nothingFound_data()
{
    QTest::addColumn<QList<LookupSource>>("order");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("message");

    using namespace Texts;
    const QString cddb = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n");
    QTest::newRow("every source, none knows the disc")
        << QList<LookupSource>{LookupSource::MusicBrainz, LookupSource::Gnudb, LookupSource::CdText}
        << QStringList{json(404, QJsonObject{{"error", "Not Found"}}),
                       cddb + QStringLiteral("202 No match for disc ID 0901c102.\r\n")}
        << NoAudioInformation + LineBreak + WhyNoRelease.arg(SourceMusicBrainz) + LineBreak
            + WhyNoEntry.arg(SourceGnudb) + LineBreak + WhyNoCdText.arg(SourceCdText);
    // One source unknown the disc, the other refused: the lines tell them apart.
    QTest::newRow("gnudb first and refused") << QList<LookupSource>{LookupSource::Gnudb, LookupSource::MusicBrainz}
                                             << QStringList{raw("HTTP/1.0 500 Internal Server Error", {}, {}),
                                                            json(404, QJsonObject{{"error", "Not Found"}})}
                                             << NoAudioInformation + LineBreak
            + ServerSaid.arg(SourceGnudb, QStringLiteral("HTTP 500")) + LineBreak + WhyNoRelease.arg(SourceMusicBrainz);
    QTest::newRow("CD-Text alone") << QList<LookupSource>{LookupSource::CdText} << QStringList()
                                   << NoCdText + LineBreak + WhyNoCdText.arg(SourceCdText);
}

void tst_DiscLookup::nothingFound()
{
    QFETCH(QList<LookupSource>, order);
    QFETCH(QStringList, script);
    QFETCH(QString, message);

    ScriptedServer server(script);
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    lookup.setPreferences(only(order, server.port()));
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(0);
    QVERIFY(!lookup.run(m_plainDisc).has_value());
    QCOMPARE(server.requests.size(), script.size());
    QCOMPARE(messages.texts(), QStringList{message});
}

void tst_DiscLookup::overTls_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<LookupSource>("source");
    QTest::newRow("certificate trusted") << true << LookupSource::MusicBrainz;
    QTest::newRow("certificate unknown") << false << LookupSource::MusicBrainz;
    // A gnudb server may be asked over HTTPS as well as in plain text.
    QTest::newRow("gnudb, certificate trusted") << true << LookupSource::Gnudb;
}

void tst_DiscLookup::overTls()
{
    QFETCH(bool, trusted);
    QFETCH(LookupSource, source);
    QVERIFY2(QSslSocket::supportsSsl(), "Qt has no TLS backend");

    // A self-signed certificate for 127.0.0.1, made for this run.
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem")), cert = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                   QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1")});
    QVERIFY(openssl.waitForFinished(30000));
    QCOMPARE(openssl.exitCode(), 0);
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(cert);
    QCOMPARE(certificates.size(), 1);
    QFile keyFile(key);
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates[0]);
    tls.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);

    const QJsonObject found{{"id", m_id},
                            {"releases",
                             QJsonArray{release(QStringLiteral("r-1"), QStringLiteral("Over TLS"),
                                                credit({{QStringLiteral("Some Artist"), QString()}}), QString(),
                                                QString(), QString(), {medium(1, {m_id}, Titles)})}}};
    const QString cddb = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n");
    const QStringList replies = source == LookupSource::MusicBrainz
        ? QStringList{json(200, found)}
        : QStringList{cddb + QStringLiteral("200 rock 0901c102 Some Artist / Over TLS\r\n"),
                      cddb
                          + QStringLiteral("210 rock 0901c102 entry follows\r\nDTITLE=Some "
                                           "Artist / Over TLS\r\nTTITLE0=Intro\r\nTTITLE1=Two\r\n.\r\n")};
    TlsServer server(tls, replies);
    QVERIFY(server.port() != 0);
    RecordingMessages messages;
    DiscLookup lookup(messages, [](const QStringList &, const QList<bool> &) { return -1; });
    DiscPreferences p = only({source}, server.port());
    p.musicBrainzUrl = QStringLiteral("https://127.0.0.1:%1").arg(server.port());
    p.coverArtUrl = p.musicBrainzUrl;
    p.gnudbUrl = p.musicBrainzUrl + QStringLiteral("/~cddb");
    lookup.setPreferences(p);
    lookup.setTimeout(BoundMs);
    lookup.musicBrainz().setInterval(0);
    if (trusted)
        lookup.web().addCaCertificates(certificates);

    const std::optional<DiscLookup::Result> result = lookup.run(m_disc);
    QCOMPARE(result.has_value(), trusted);
    if (trusted) {
        QCOMPARE(result->chosen.title, QStringLiteral("Over TLS"));
        QVERIFY2(messages.boxes.isEmpty(), qPrintable(messages.texts().join(QLatin1Char('\n'))));
        if (source == LookupSource::MusicBrainz)
            QCOMPARE(requestLines(server.requests.value(0)).value(0), QStringLiteral("GET %1 HTTP/1.1").arg(m_path));
        else
            QVERIFY(requestLines(server.requests.value(1))
                        .value(0)
                        .startsWith(QLatin1String("GET /~cddb/cddb.cgi?cmd=cddb+read+rock+0901c102&")));
    } else {
        // Nothing reaches a server the client cannot trust.
        QVERIFY(server.requests.isEmpty());
        QCOMPARE(messages.boxes.size(), 1);
        QVERIFY(messages.boxes[0].text.startsWith(Texts::CouldNotFind + Texts::LineBreak));
    }
}

QTEST_MAIN(tst_DiscLookup)
#include "tst_disc_lookup.moc"
