#pragma once

#include "disc/DiscCandidate.h"
#include "disc/WebClient.h"

#include <QByteArray>
#include <QString>

struct DiscToc;

// Looks a disc up in the MusicBrainz web service by its disc identifier, with the table of contents
// for the service's fuzzy match when it does not know the identifier, and fetches a release's front
// cover from the Cover Art Archive.
class MusicBrainzLookup
{
public:
    static constexpr int DefaultIntervalMs = 1000;
    // A 503 is answered by waiting (at least the interval, and at least Retry-After when the server
    // gives one, up to this) and asking once more.
    static constexpr int MaxRetryWaitMs = 10000;

    explicit MusicBrainzLookup(WebClient &web);

    void setServer(const QString &url) { m_server = url; }
    void setCoverServer(const QString &url) { m_coverServer = url; }
    // The user's address for the User-Agent; empty for the packager's, if any.
    void setContact(const QString &email) { m_contact = email.trimmed(); }
    // The web service takes at most one request a second from a client.
    void setInterval(int ms);

    SourceResult find(const DiscToc &toc);
    // The front cover as JPEG data, converted when the archive holds another format; empty when the
    // release has none or it cannot be had.
    QByteArray frontCover(const QString &releaseId);

    // "/ws/2/discid/<id>?toc=...&inc=artist-credits+recordings+labels&cdstubs=no&fmt=json"
    static QString requestPath(const DiscToc &toc);
    // The releases of a reply, each reduced to the medium that holds the disc; ok is false when
    // the reply is not what the service sends. otherCounts: the releases left out because no medium
    // of theirs has the disc's track count.
    static QList<DiscCandidate> parse(const QByteArray &json, const DiscToc &toc, bool *ok, int *otherCounts = nullptr);
    // "Dadudu/2.0 ( <address> )": the user's address, else the packager's, else the project's page.
    static QByteArray userAgent(const QString &email = {});

private:
    WebClient &m_web;
    QString m_server;
    QString m_coverServer;
    QString m_contact;
};
