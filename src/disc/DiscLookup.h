#pragma once

#include "disc/CDInfo.h"
#include "disc/CddbLookup.h"
#include "disc/DiscCandidate.h"
#include "disc/DiscPreferences.h"
#include "disc/MusicBrainzLookup.h"
#include "disc/WebClient.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class MessageService;

// The lookup behind the editor's CDDB button: reads the disc away from the windows, asks the
// sources in the user's order, offers the candidates when there are several, and hands back the
// chosen one whole, with the front cover of a MusicBrainz release. Failures end in one warning
// through the message service, never in an exception.
class DiscLookup
{
public:
    // Gets one line per candidate, marked where the track count differs from the disc's; returns
    // the chosen line's index, or -1.
    using Chooser = std::function<int(const QStringList &lines, const QList<bool> &marked)>;

    struct Result {
        DiscCandidate chosen;
        QByteArray cover; // JPEG data; empty when there is none
        QString mcn;      // the disc's own catalogue number, when it carries one
    };

    DiscLookup(MessageService &messages, Chooser chooser);

    // Addresses, e-mail and sources; the program's settings unless a caller sets them.
    void setPreferences(const DiscPreferences &preferences);
    const DiscPreferences &preferences() const { return m_preferences; }
    CddbLookup &gnudb() { return m_gnudb; }
    MusicBrainzLookup &musicBrainz() { return m_musicBrainz; }
    WebClient &web() { return m_web; }
    // Bounds the whole lookup: every source, redirect and retry, and the cover.
    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }
    // Told the source being asked (its name, or the cover's) as the lookup goes on.
    void setProgress(std::function<void(const QString &asking)> progress) { m_progress = std::move(progress); }
    const LookupClock &clock() const { return m_clock; }
    // Ends the lookup under way at once, without a message; run() then returns nothing.
    void cancel() { m_clock.cancel(); }

    static constexpr int DefaultTimeoutMs = 60000;

    // device: a drive's device path or a CUE image. Nothing when the lookup failed (after its
    // warning) or the user chose no candidate.
    std::optional<Result> run(const QString &device);

    // The disc's CD-Text as a candidate; none when the disc carries no titles.
    static SourceResult fromCdText(const DiscToc &toc);
    // Reads the disc on a thread of its own, serving the events meanwhile.
    static DiscToc readAside(const QString &device);

private:
    std::optional<Result> ask(const DiscToc &toc);

    MessageService &m_messages;
    Chooser m_chooser;
    std::function<void(const QString &)> m_progress;
    LookupClock m_clock;
    int m_timeoutMs = DefaultTimeoutMs;
    DiscPreferences m_preferences;
    WebClient m_web;
    CddbLookup m_gnudb;
    MusicBrainzLookup m_musicBrainz;
};
