#include "disc/CddbLookup.h"

#include "disc/CDInfo.h"
#include "disc/WebClient.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

namespace {

// The server's reply is not what the protocol says; reported as a reply that could not be read.
class CddbReplyError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Answered with an HTTP failure status: reported like a transport failure, with the server's line.
class CddbStatusError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

QChar asciiUpper(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 'a' + 'A') : c;
}

QString trimmedControls(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

// The HTTP status of a failed request, with the server's own first line where it sent one.
[[noreturn]] void statusFailure(const HttpReply &reply)
{
    QString line = QString::fromUtf8(reply.body).section(QLatin1Char('\n'), 0, 0).trimmed();
    bool text = !line.isEmpty() && !line.startsWith(QLatin1Char('<'));
    for (const QChar c : line)
        text = text && (c.isPrint() || c == QLatin1Char('\t'));
    const QString shown = text ? line.left(300) : QStringLiteral("HTTP %1").arg(reply.status);
    throw CddbStatusError(shown.toStdString());
}

// Protocol level 6 answers in UTF-8; an entry stored in another character set is read as Latin-1
// rather than lost.
QString decode(const QByteArray &body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(body);
    return utf8.hasError() ? QString::fromLatin1(body) : text;
}

QStringList get(HttpClient &http, WebClient *web, const QString &url)
{
    HttpReply reply;
    if (url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        if (!web)
            throw HttpTransportError("No client for HTTPS.");
        const WebReply secure = web->get(QUrl(url));
        reply = {secure.status, secure.body};
    } else {
        reply = http.get(url);
    }
    if (reply.status >= 299)
        statusFailure(reply);
    return CddbLookup::splitLines(decode(reply.body));
}

// The three-digit code at the head of a reply; raises when there is none.
int statusCode(const QStringList &lines, bool required = true)
{
    const QString head = lines.value(0).left(3);
    bool ok = head.size() == 3;
    for (const QChar c : head)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok) {
        if (required)
            throw CddbReplyError("reply without a status");
        return 0;
    }
    return head.toInt();
}

// No match is no match; an error code (4xx, 5xx) is the server refusing, which it words itself.
SourceResult refusal(const QString &line, int code)
{
    using namespace Texts;
    if (code >= 400 && code <= 599)
        return {{}, NoAudioInformation, ServerSaid.arg(SourceGnudb, line.left(300))};
    return {{}, NoAudioInformation, WhyNoEntry.arg(SourceGnudb)};
}

// A match names its category and disc identifier as the protocol allows them, or the reply is not
// taken: both go into the next request's address.
bool protocolMatch(const QString &line)
{
    const QStringList fields = line.split(QLatin1Char(' '));
    const QString category = fields.value(0), id = fields.value(1);
    bool ok = fields.size() >= 2 && !category.isEmpty() && category.size() <= 32 && id.size() == 8;
    for (const QChar c : category)
        ok = ok && c >= QLatin1Char('a') && c <= QLatin1Char('z');
    for (const QChar c : id)
        ok = ok
            && ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                || (c >= QLatin1Char('A') && c <= QLatin1Char('F')));
    return ok;
}

} // namespace

bool sameArtistName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype k = 0; k < a.size(); ++k)
        if (asciiUpper(a[k]) != asciiUpper(b[k]))
            return false;
    return true;
}

QString CddbLookup::greeting(const QString &email)
{
    using namespace Texts;
    const QString address = email.trimmed();
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at > 0 && at < address.size() - 1) {
        // Each field stays one field of the command whatever the address holds.
        auto field = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
        return field(address.left(at)) + QLatin1Char('+') + field(address.mid(at + 1)) + QLatin1Char('+') + ClientName
            + QLatin1Char('+') + ClientVersion;
    }
    return CddbUserName + QLatin1Char('+') + CddbHostName + QLatin1Char('+') + CddbClientName + QLatin1Char('+')
        + CddbClientVersion;
}

QString CddbLookup::buildQueryUrl(const QString &baseUrl, const DiscToc &toc, const QString &greeting)
{
    QString url = baseUrl + QStringLiteral("/cddb.cgi?cmd=cddb+query+") + toc.cddbId + QLatin1Char('+')
        + QString::number(toc.trackCount);
    for (const int start : toc.starts)
        url += QLatin1Char('+') + QString::number(start);
    url += QLatin1Char('+') + QString::number(toc.discLength);
    url += QStringLiteral("&hello=") + greeting + QStringLiteral("&proto=6");
    return trimmedControls(url);
}

QString CddbLookup::buildReadUrl(const QString &baseUrl, const QString &matchLine, const QString &greeting)
{
    const QStringList fields = matchLine.split(QLatin1Char(' '));
    auto field = [](const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    return baseUrl + QStringLiteral("/cddb.cgi?cmd=cddb+read+") + field(fields.value(0)) + QLatin1Char('+')
        + field(fields.value(1)) + QStringLiteral("&hello=") + greeting + QStringLiteral("&proto=6");
}

QStringList CddbLookup::splitLines(const QString &body)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = body.split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

CddbDisc CddbLookup::parseRead(const QStringList &lines)
{
    static const QString separator = QStringLiteral(" / ");
    CddbDisc disc;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("DTITLE="))) {
            const QString value = line.mid(7);
            const qsizetype at = value.indexOf(separator);
            // Without the separator the CDDB convention is that artist and title are the same.
            disc.artist = at < 0 ? value : value.left(at);
            disc.title = at < 0 ? value : value.mid(at + separator.size());
            disc.hasTitle = true;
        } else if (line.startsWith(QLatin1String("TTITLE"))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            disc.tracks << (eq < 0 ? QString() : line.mid(eq + 1));
        } else if (line.startsWith(QLatin1String("DYEAR="))) {
            disc.year = line.mid(6).trimmed();
        }
    }
    return disc;
}

SourceResult CddbLookup::find(const DiscToc &toc)
{
    using namespace Texts;
    SourceResult result;
    const QString hello = greeting(m_email);
    try {
        QStringList lines = get(m_http, m_web, buildQueryUrl(m_baseUrl, toc, hello));
        const int code = statusCode(lines);
        QStringList matches;
        switch (code) {
        case 200:
            matches << lines.first().mid(4);
            break;
        case 210:
        case 211:
            if (lines.size() < 2)
                throw CddbReplyError("match list without its end");
            lines.removeFirst();
            lines.removeLast();
            matches = lines.mid(0, MaxMatches);
            break;
        default:
            return refusal(lines.first(), code);
        }
        if (matches.isEmpty())
            return refusal({}, 0);
        for (const QString &match : matches)
            if (!protocolMatch(match))
                throw CddbReplyError("a match outside the protocol");
        for (const QString &match : matches) {
            const QStringList read = get(m_http, m_web, buildReadUrl(m_baseUrl, match, hello));
            const CddbDisc disc = parseRead(read);
            // An answer that names neither the disc nor a track (a refusal, say) is no candidate.
            if (!disc.hasTitle && disc.tracks.isEmpty()) {
                if (result.failure.isEmpty()) {
                    const SourceResult refused = refusal(read.value(0), statusCode(read, false));
                    result.failure = refused.failure;
                    result.reason = refused.reason;
                }
                continue;
            }
            DiscCandidate c;
            c.source = LookupSource::Gnudb;
            c.hasTitle = disc.hasTitle;
            c.artist = disc.artist;
            c.title = disc.title;
            c.tracks = disc.tracks;
            c.year = disc.year;
            c.discTracks = toc.trackCount;
            result.found << c;
        }
        if (!result.found.isEmpty())
            result.failure.clear();
    } catch (const HttpTransportError &e) {
        result = {{}, CouldNotFind, transportReason(SourceGnudb, e)};
    } catch (const CddbStatusError &e) {
        result = {{}, CouldNotFind, ServerSaid.arg(SourceGnudb, QString::fromStdString(e.what()))};
    } catch (const CddbReplyError &) {
        result = {{}, NoAudioInformation, ReplyUnreadable.arg(SourceGnudb)};
    }
    return result;
}
