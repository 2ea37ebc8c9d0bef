#include "disc/CddbLookup.h"

#include "disc/CDInfo.h"
#include "base/MessageService.h"

#include <QRegularExpression>

namespace {

// The server's reply did not say what the lookup needs; reported like an unreadable disc.
class CddbReplyError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Answered with an HTTP failure status: reported like a transport failure.
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

CddbLookup::CddbLookup(MessageService &messages, Chooser chooser)
    : m_messages(messages), m_chooser(std::move(chooser))
{
}

QString CddbLookup::greeting()
{
    using namespace U_Constantes;
    return CddbUserName + QLatin1Char('+') + CddbHostName + QLatin1Char('+') + CddbClientName + QLatin1Char('+')
           + CddbClientVersion;
}

QString CddbLookup::BuildQueryURL(const QString &baseUrl, const TCDInfo &reader)
{
    QString url = baseUrl + QStringLiteral("/cddb.cgi?cmd=cddb+query+") + reader.DiscIdText() + QLatin1Char('+')
                  + QString::number(reader.TrackCount());
    for (int k = 1; k <= reader.TrackCount(); ++k)
        url += QLatin1Char('+') + QString::number(TimeToFrames(reader.TrackPosition(k)));
    url += QLatin1Char('+') + QString::number(reader.DiscLength());
    url += QStringLiteral("&hello=") + greeting() + QStringLiteral("&proto=4");
    return trimmedControls(url);
}

QString CddbLookup::BuildReadURL(const QString &baseUrl, const QString &matchLine)
{
    const QStringList fields = matchLine.split(QLatin1Char(' '));
    return baseUrl + QStringLiteral("/cddb.cgi?cmd=cddb+read+") + fields.value(0) + QLatin1Char('+') + fields.value(1)
           + QStringLiteral("&hello=") + greeting() + QStringLiteral("&proto=4");
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
        }
    }
    return disc;
}

std::optional<CddbDisc> CddbLookup::run(const QString &device)
{
    try {
        return lookup(device);
    } catch (const HttpTransportError &) {
        m_messages.warning(U_Constantes::CouldNotFind);
    } catch (const CddbStatusError &) {
        m_messages.warning(U_Constantes::CouldNotFind);
    } catch (const std::exception &) {
        m_messages.warning(U_Constantes::NoAudioCD);
    }
    return std::nullopt;
}

std::optional<CddbDisc> CddbLookup::lookup(const QString &device)
{
    TCDInfo reader;
    reader.OpenDrive(device);

    // Replies at protocol level 4 are ISO-8859-1.
    auto get = [this](const QString &url) {
        const HttpReply reply = m_http.Get(url);
        if (reply.status >= 299)
            throw CddbStatusError("HTTP status " + std::to_string(reply.status));
        return splitLines(QString::fromLatin1(reply.body));
    };

    QStringList lines = get(BuildQueryURL(m_baseUrl, reader));
    if (lines.isEmpty())
        throw CddbReplyError("empty query reply");
    const QString head = lines.first().left(3);
    bool ok = head.size() == 3;
    for (const QChar c : head)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok)
        throw CddbReplyError("query reply without a status");

    QString match;
    switch (head.toInt()) {
    case 200:
        match = lines.first().mid(4);
        break;
    case 210:
    case 211: {
        if (lines.size() < 2)
            throw CddbReplyError("match list without its end");
        lines.removeFirst();
        lines.removeLast();
        if (lines.isEmpty()) {
            m_messages.warning(U_Constantes::NoAudioInformation);
            return std::nullopt;
        }
        match = m_chooser(lines);
        if (match.isEmpty())
            return std::nullopt; // the user closed the choice without picking
        break;
    }
    default:
        m_messages.warning(U_Constantes::NoAudioInformation);
        return std::nullopt;
    }

    CddbDisc disc = parseRead(get(BuildReadURL(m_baseUrl, match)));
    // An answer that names neither the disc nor a track (a server error, say) must not wipe the
    // editor's track list.
    if (!disc.hasTitle && disc.tracks.isEmpty()) {
        m_messages.warning(U_Constantes::NoAudioInformation);
        return std::nullopt;
    }
    return disc;
}
