#pragma once

#include "base/Texts.h"

#include "disc/DiscCandidate.h"
#include "disc/HttpClient.h"

class WebClient;

#include <QString>
#include <QStringList>

struct DiscToc;

// What a CDDB read found for a disc. The caller replaces its track list with tracks; it takes the
// artist and the title only when hasTitle is set, since a reply need not carry them.
struct CddbDisc {
    bool hasTitle = false;
    QString artist;
    QString title;
    QString year;
    QStringList tracks;
};

// Artist names compare with the letters a to z taken as capitals and every other character exact.
bool sameArtistName(const QString &a, const QString &b);

// Looks a disc up on a CDDB server over HTTP or HTTPS (gnudb): the query by the disc's identifier, then a
// read of every match it names, in UTF-8 (protocol level 6).
class CddbLookup
{
public:
    // Reads of a long list of inexact matches stop here; the list is a guess past its first few.
    static constexpr int MaxMatches = 10;

    void setBaseUrl(const QString &url) { m_baseUrl = url; }
    QString baseUrl() const { return m_baseUrl; }
    // The user's address introduces the program to the server; without one it goes anonymously.
    void setEmail(const QString &email) { m_email = email; }
    HttpClient &http() { return m_http; }
    // An https:// server is asked through this client (TLS); http:// goes through http().
    void setSecureClient(WebClient *web) { m_web = web; }

    SourceResult find(const DiscToc &toc);

    // "user+host+Dadudu+<version>" from a user's address user@host; the anonymous greeting when
    // the address is empty or not of that form.
    static QString greeting(const QString &email = {});
    static QString buildQueryUrl(const QString &baseUrl, const DiscToc &toc, const QString &greeting);
    static QString buildReadUrl(const QString &baseUrl, const QString &matchLine, const QString &greeting);
    // Splits at CR LF, CR or LF; a break at the very end gives no empty last line.
    static QStringList splitLines(const QString &body);
    static CddbDisc parseRead(const QStringList &lines);

private:
    QString m_baseUrl = Texts::CddbDefaultBaseUrl;
    QString m_email;
    HttpClient m_http;
    WebClient *m_web = nullptr;
};
