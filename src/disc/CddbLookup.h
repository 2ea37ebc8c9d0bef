#pragma once

#include "base/U_Constantes.h"

#include "disc/HttpClient.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class MessageService;
class TCDInfo;

// What a CDDB read found for a disc. The caller replaces its track list with tracks; it takes the
// artist and the title only when hasTitle is set, since a reply need not carry them.
struct CddbDisc {
    bool hasTitle = false;
    QString artist;
    QString title;
    QStringList tracks;
};

// Artist names compare with the letters a to z taken as capitals and every other character exact.
bool sameArtistName(const QString &a, const QString &b);

// One CDDB lookup of the disc in a drive: reads its table of contents, queries the server, lets
// the user choose among several matches and reads the chosen one. Failures end in a warning through
// the message service, never in an exception.
class CddbLookup
{
public:
    // Gets the match lines of a multiple-match reply; returns the chosen line, or empty text.
    using Chooser = std::function<QString(const QStringList &matches)>;

    CddbLookup(MessageService &messages, Chooser chooser);

    void setBaseUrl(const QString &url) { m_baseUrl = url; }
    QString baseUrl() const { return m_baseUrl; }
    HttpClient &http() { return m_http; }

    // device: a drive's device path or a CUE image. Nothing when the lookup failed (after its
    // warning) or the user chose no match.
    std::optional<CddbDisc> run(const QString &device);

    static QString greeting();
    static QString BuildQueryURL(const QString &baseUrl, const TCDInfo &reader);
    static QString BuildReadURL(const QString &baseUrl, const QString &matchLine);
    // Splits at CR LF, CR or LF; a break at the very end gives no empty last line.
    static QStringList splitLines(const QString &body);
    static CddbDisc parseRead(const QStringList &lines);

private:
    std::optional<CddbDisc> lookup(const QString &device);

    MessageService &m_messages;
    Chooser m_chooser;
    QString m_baseUrl = U_Constantes::CddbDefaultBaseUrl;
    HttpClient m_http;
};
