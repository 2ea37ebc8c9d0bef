#include "disc/MusicBrainzLookup.h"

#include "base/Texts.h"
#include "disc/CDInfo.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// One pacer for every lookup of the program's life: the limit holds across lookups.
RequestPacer &pacer()
{
    static RequestPacer p(MusicBrainzLookup::DefaultIntervalMs);
    return p;
}

QString audioTracks(const DiscToc &toc)
{
    return toc.musicBrainzToc.section(QLatin1Char('+'), 1, 1);
}

// The disc's audio tracks as the service counts them: a data track after the audio is not one.
int discTrackCount(const DiscToc &toc)
{
    return audioTracks(toc).toInt() - toc.musicBrainzToc.section(QLatin1Char('+'), 0, 0).toInt() + 1;
}

bool isString(const QJsonValue &v)
{
    return v.isString() && !v.toString().isEmpty();
}

QString artistCredit(const QJsonValue &credit, bool *ok)
{
    if (credit.isUndefined() || credit.isNull())
        return {};
    if (!credit.isArray()) {
        *ok = false;
        return {};
    }
    QString out;
    for (const QJsonValue part : credit.toArray()) {
        const QJsonObject o = part.toObject();
        if (!o.value(QLatin1String("name")).isString()) {
            *ok = false;
            return {};
        }
        out += o.value(QLatin1String("name")).toString() + o.value(QLatin1String("joinphrase")).toString();
    }
    return out;
}

// The medium with this disc among its disc identifiers; for a fuzzy match, which names none, the
// first one of the disc's track count.
int mediumOf(const QJsonArray &media, const QString &discId, int trackCount)
{
    for (int k = 0; k < media.size(); ++k)
        for (const QJsonValue disc : media[k].toObject().value(QLatin1String("discs")).toArray())
            if (disc.toObject().value(QLatin1String("id")).toString() == discId)
                return k;
    for (int k = 0; k < media.size(); ++k)
        if (media[k].toObject().value(QLatin1String("tracks")).toArray().size() == trackCount)
            return k;
    return media.size() == 1 ? 0 : -1;
}

} // namespace

MusicBrainzLookup::MusicBrainzLookup(WebClient &web)
    : m_web(web)
    , m_server(Texts::MusicBrainzDefaultUrl)
    , m_coverServer(Texts::CoverArtDefaultUrl)
{ }

void MusicBrainzLookup::setInterval(int ms)
{
    pacer().setInterval(ms);
}

QByteArray MusicBrainzLookup::userAgent(const QString &email)
{
    using namespace Texts;
    // One header line whatever the preferences hold.
    QString contact = email.trimmed();
    const bool breaksTheLine = std::any_of(contact.cbegin(), contact.cend(), [](QChar c) {
        return c.unicode() < 0x21 || c.unicode() == 0x7F || c == QLatin1Char('(') || c == QLatin1Char(')');
    });
    if (breaksTheLine)
        contact.clear();
    if (contact.isEmpty())
        contact = ContactAddress.isEmpty() ? WebAddress : ContactAddress;
    return (ClientName + QLatin1Char('/') + ClientVersion + QStringLiteral(" ( ") + contact + QStringLiteral(" )"))
        .toUtf8();
}

QString MusicBrainzLookup::requestPath(const DiscToc &toc)
{
    return QStringLiteral("/ws/2/discid/%1?toc=%2&inc=artist-credits+recordings+labels&cdstubs=no&fmt=json")
        .arg(toc.musicBrainzId, toc.musicBrainzToc);
}

QList<DiscCandidate> MusicBrainzLookup::parse(const QByteArray &json, const DiscToc &toc, bool *ok, int *otherCounts)
{
    *ok = false;
    if (otherCounts)
        *otherCounts = 0;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return {};
    const QJsonValue releases = doc.object().value(QLatin1String("releases"));
    if (!releases.isArray())
        return {};
    const int discTracks = discTrackCount(toc);
    QList<DiscCandidate> out;
    bool allRead = true;
    for (const QJsonValue value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        const QJsonArray media = release.value(QLatin1String("media")).toArray();
        const int m = mediumOf(media, toc.musicBrainzId, discTracks);
        // A fuzzy match may name releases none of whose media has the disc's track count: they
        // are not this disc, and the reply is no worse for them.
        if (m < 0 && !media.isEmpty() && isString(release.value(QLatin1String("id")))) {
            if (otherCounts)
                ++*otherCounts;
            continue;
        }
        bool read = isString(release.value(QLatin1String("id"))) && release.value(QLatin1String("title")).isString()
            && m >= 0;
        DiscCandidate c;
        c.source = LookupSource::MusicBrainz;
        c.discTracks = discTracks;
        c.artist = artistCredit(release.value(QLatin1String("artist-credit")), &read);
        if (read) {
            const QJsonArray tracks = media[m].toObject().value(QLatin1String("tracks")).toArray();
            for (const QJsonValue t : tracks) {
                const QJsonObject track = t.toObject();
                QJsonValue title = track.value(QLatin1String("title"));
                if (!title.isString())
                    title = track.value(QLatin1String("recording")).toObject().value(QLatin1String("title"));
                read = read && title.isString();
                c.tracks << title.toString();
            }
            read = read && !c.tracks.isEmpty();
        }
        if (!read) {
            allRead = false;
            continue;
        }
        c.hasTitle = true;
        c.title = release.value(QLatin1String("title")).toString();
        c.releaseId = release.value(QLatin1String("id")).toString();
        const QString date = release.value(QLatin1String("date")).toString();
        bool digits = date.size() >= 4;
        for (int k = 0; digits && k < 4; ++k)
            digits = date[k].isDigit();
        if (digits)
            c.year = date.left(4);
        c.country = release.value(QLatin1String("country")).toString();
        c.barcode = release.value(QLatin1String("barcode")).toString();
        if (media.size() > 1) {
            c.medium = media[m].toObject().value(QLatin1String("position")).toInt(m + 1);
            c.media = int(media.size());
        }
        out << c;
    }
    // Releases the reply holds but that cannot be read make the whole reply suspect only when
    // nothing else can be offered.
    *ok = allRead || !out.isEmpty();
    return out;
}

SourceResult MusicBrainzLookup::find(const DiscToc &toc)
{
    using namespace Texts;
    SourceResult result;
    m_web.setUserAgent(userAgent(m_contact));
    const QUrl url(m_server + requestPath(toc));
    WebReply reply;
    try {
        for (int attempt = 0;; ++attempt) {
            pacer().pace(m_web.clock());
            try {
                reply = m_web.get(url, "application/json");
            } catch (const HttpTransportError &) {
                pacer().done();
                throw;
            }
            pacer().done();
            // Asked to wait longer than a lookup may: the refusal stands rather than asking early.
            if (reply.status != 503 || attempt == 1 || qint64(reply.retryAfterSeconds) * 1000 > MaxRetryWaitMs)
                break;
            pacer().hold(reply.retryAfterSeconds * 1000);
        }
    } catch (const HttpTransportError &e) {
        result.failure = CouldNotFind;
        result.reason = transportReason(SourceMusicBrainz, e);
        return result;
    }
    if (reply.status == 404) {
        result.failure = NoAudioInformation;
        result.reason = WhyNoRelease.arg(SourceMusicBrainz);
        return result;
    }
    if (reply.status != 200) {
        // The service words its refusals as {"error": "..."}.
        QString line = QJsonDocument::fromJson(reply.body).object().value(QLatin1String("error")).toString();
        if (line.isEmpty())
            line = QStringLiteral("HTTP %1").arg(reply.status);
        result.failure = CouldNotFind;
        result.reason = ServerSaid.arg(SourceMusicBrainz, line.left(300));
        return result;
    }
    bool ok = false;
    int otherCounts = 0;
    result.found = parse(reply.body, toc, &ok, &otherCounts);
    if (!ok) {
        result.failure = NoAudioInformation;
        result.reason = ReplyUnreadable.arg(SourceMusicBrainz);
    } else if (result.found.isEmpty()) {
        result.failure = NoAudioInformation;
        result.reason = otherCounts > 0 ? WhyNoTrackCount.arg(SourceMusicBrainz, ChoiceTracks.arg(discTrackCount(toc)))
                                        : WhyNoRelease.arg(SourceMusicBrainz);
    }
    return result;
}

QByteArray MusicBrainzLookup::frontCover(const QString &releaseId)
{
    m_web.setUserAgent(userAgent(m_contact));
    WebReply reply;
    try {
        reply = m_web.get(QUrl(m_coverServer + QStringLiteral("/release/") + releaseId + QStringLiteral("/front-500")),
                          "image/*");
    } catch (const HttpTransportError &) {
        return {};
    }
    if (reply.status != 200)
        return {};
    QBuffer buffer(&reply.body);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    if (format == "jpeg")
        return reply.body;
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    image.save(&out, "JPG", 90);
    return jpeg;
}
