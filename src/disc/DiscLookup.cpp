#include "disc/DiscLookup.h"

#include "base/MessageService.h"
#include "base/Texts.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

namespace {

// Control characters a reply may hold become blanks: none reaches an editor.
QString withoutControls(QString text)
{
    bool changed = false;
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029) {
            c = QLatin1Char(' ');
            changed = true;
        }
    }
    return changed ? text.trimmed() : text;
}

void clean(DiscCandidate &c)
{
    for (QString *field : {&c.artist, &c.title, &c.year, &c.country, &c.barcode})
        *field = withoutControls(*field);
    for (QString &track : c.tracks)
        track = withoutControls(track);
}

} // namespace

DiscLookup::DiscLookup(MessageService &messages, Chooser chooser)
    : m_messages(messages)
    , m_chooser(std::move(chooser))
    , m_musicBrainz(m_web)
{
    m_gnudb.setSecureClient(&m_web);
    m_web.setClock(&m_clock);
    m_gnudb.http().setClock(&m_clock);
    setPreferences(DiscPreferences::current());
}

void DiscLookup::setPreferences(const DiscPreferences &preferences)
{
    m_preferences = preferences;
    m_gnudb.setBaseUrl(preferences.gnudbUrl);
    m_gnudb.setEmail(preferences.email);
    m_musicBrainz.setServer(preferences.musicBrainzUrl);
    m_musicBrainz.setCoverServer(preferences.coverArtUrl);
    m_musicBrainz.setContact(preferences.email);
}

DiscToc DiscLookup::readAside(const QString &device)
{
    // A pool of its own: a drive spinning up holds up none of the program's other background work,
    // nor waits behind it.
    QThreadPool pool;
    QFutureWatcher<DiscToc> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(&pool, [device](QPromise<DiscToc> &promise) {
        // The reader's own exception, not the future's wrapping of it, reaches the caller.
        try {
            promise.addResult(readDisc(device));
        } catch (...) {
            promise.setException(std::current_exception());
        }
    }));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.result();
}

SourceResult DiscLookup::fromCdText(const DiscToc &toc)
{
    SourceResult result;
    const DiscText &text = toc.text;
    if (!text.hasTitles()) {
        result.failure = Texts::NoCdText;
        result.reason = Texts::WhyNoCdText.arg(Texts::SourceCdText);
        return result;
    }
    DiscCandidate c;
    c.source = LookupSource::CdText;
    c.hasTitle = !text.title.isEmpty() || !text.performer.isEmpty();
    c.artist = text.performer;
    c.title = text.title;
    c.barcode = text.mcn;
    c.discTracks = toc.trackCount;
    bool anyTrack = false;
    for (const QString &t : text.trackTitles)
        anyTrack = anyTrack || !t.isEmpty();
    if (anyTrack)
        c.tracks = text.trackTitles;
    result.found << c;
    return result;
}

std::optional<DiscLookup::Result> DiscLookup::run(const QString &device)
{
    using namespace Texts;
    DiscToc toc;
    try {
        toc = readAside(device);
    } catch (const std::exception &) {
        m_messages.warning(NoAudioCD);
        return std::nullopt;
    }

    if (m_preferences.enabledSources().isEmpty()) {
        m_messages.warning(NoSourceOn);
        return std::nullopt;
    }
    m_clock.start(m_timeoutMs);
    try {
        return ask(toc);
    } catch (const LookupCancelled &) {
        // The user asked for it: nothing to tell.
        return std::nullopt;
    }
}

std::optional<DiscLookup::Result> DiscLookup::ask(const DiscToc &toc)
{
    using namespace Texts;
    const QList<LookupSource> sources = m_preferences.enabledSources();
    QList<DiscCandidate> candidates;
    QStringList headlines, reasons;
    for (const LookupSource source : sources) {
        SourceResult r;
        if (m_progress)
            m_progress(sourceName(source));
        if (m_clock.cancelled())
            throw LookupCancelled();
        // The disc's own text needs no server and is read whatever time is left.
        if (source != LookupSource::CdText && m_clock.remaining() == 0) {
            r = {{}, CouldNotFind, WhyNotAsked.arg(sourceName(source), seconds(m_clock.budget()))};
        } else {
            switch (source) {
            case LookupSource::MusicBrainz:
                r = m_musicBrainz.find(toc);
                break;
            case LookupSource::Gnudb:
                r = m_gnudb.find(toc);
                break;
            case LookupSource::CdText:
                r = fromCdText(toc);
                break;
            }
        }
        candidates += r.found;
        if (r.found.isEmpty()) {
            headlines << r.failure;
            reasons << r.reason;
        }
    }
    if (candidates.isEmpty()) {
        // The usual message heads the sources' own lines; where they disagree, the lines say which
        // could not be reached.
        headlines.removeDuplicates();
        reasons.removeAll(QString());
        const QString headline = headlines.size() == 1 ? headlines.first() : NoAudioInformation;
        m_messages.warning(reasons.isEmpty() ? headline : headline + LineBreak + reasons.join(LineBreak));
        return std::nullopt;
    }

    for (DiscCandidate &c : candidates)
        clean(c);
    int chosen = 0;
    // A single candidate of another track count is offered with its mark, not applied unseen.
    if (candidates.size() > 1 || (candidates.first().tracksDiffer() && !candidates.first().tracks.isEmpty())) {
        QStringList lines;
        QList<bool> marked;
        for (const DiscCandidate &c : candidates) {
            lines << c.describe();
            marked << c.tracksDiffer();
        }
        m_clock.pause();
        chosen = m_chooser(lines, marked);
        m_clock.resume();
        if (chosen < 0 || chosen >= candidates.size())
            return std::nullopt;
    }
    Result result{candidates[chosen], {}, toc.text.mcn};
    if (result.chosen.source == LookupSource::MusicBrainz && !result.chosen.releaseId.isEmpty()) {
        if (m_progress)
            m_progress(SourceCoverArt);
        result.cover = m_musicBrainz.frontCover(result.chosen.releaseId);
    }
    return result;
}
