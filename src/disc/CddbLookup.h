#pragma once

#include "base/Texts.h"

#include "disc/DiscCandidate.h"
#include "disc/WebClient.h"

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
    // A disc's entry is a few kilobytes; a reply far beyond that is no entry.
    static constexpr qint64 MaxReplySize = 1 << 20;

    CddbLookup();

    void setBaseUrl(const QString &url) { m_baseUrl = url; }
    QString baseUrl() const { return m_baseUrl; }
    // The user's address introduces the program to the server; without one it goes anonymously.
    void setEmail(const QString &email) { m_email = email; }
    // Its own client: the web service's User-Agent and larger replies are not gnudb's.
    WebClient &web() { return m_web; }

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
    WebClient m_web;
};
