#include "disc/DiscPreferences.h"

#include "base/Settings.h"
#include "base/Texts.h"

#include <QSettings>

namespace {

const QString KeyEmail = QStringLiteral("lookup/email");
const QString KeyGnudb = QStringLiteral("lookup/gnudbServer");
const QString KeyMusicBrainz = QStringLiteral("lookup/musicBrainzServer");
const QString KeyCoverArt = QStringLiteral("lookup/coverArtServer");
const QString KeyOrder = QStringLiteral("lookup/sources");
const QString KeyOff = QStringLiteral("lookup/switchedOff");
const QString KeyDiscImage = QStringLiteral("drives/discImage");

constexpr LookupSource AllSources[] = {LookupSource::MusicBrainz, LookupSource::Gnudb, LookupSource::CdText};

QString key(LookupSource s)
{
    switch (s) {
    case LookupSource::MusicBrainz:
        return QStringLiteral("musicbrainz");
    case LookupSource::Gnudb:
        return QStringLiteral("gnudb");
    case LookupSource::CdText:
        return QStringLiteral("cdtext");
    }
    return {};
}

} // namespace

DiscPreferences::DiscPreferences()
    : gnudbUrl(Texts::CddbDefaultBaseUrl)
    , musicBrainzUrl(Texts::MusicBrainzDefaultUrl)
    , coverArtUrl(Texts::CoverArtDefaultUrl)
{
    for (const LookupSource s : AllSources)
        sources.append({s, true});
}

QList<LookupSource> DiscPreferences::enabledSources() const
{
    QList<LookupSource> out;
    for (const Source &s : sources)
        if (s.enabled)
            out << s.source;
    return out;
}

DiscPreferences DiscPreferences::load(QSettings &settings)
{
    DiscPreferences p;
    auto text = [&settings](const QString &k, const QString &fallback) {
        const QString v = settings.value(k).toString().trimmed();
        return v.isEmpty() ? fallback : v;
    };
    p.email = settings.value(KeyEmail).toString().trimmed();
    p.gnudbUrl = text(KeyGnudb, p.gnudbUrl);
    // Only over HTTPS: the requests would go out in plain text otherwise.
    auto secure = [&text](const QString &k, const QString &fallback) {
        const QString v = text(k, fallback);
        return v.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ? v : fallback;
    };
    p.musicBrainzUrl = secure(KeyMusicBrainz, p.musicBrainzUrl);
    p.coverArtUrl = secure(KeyCoverArt, p.coverArtUrl);
    p.discImage = settings.value(KeyDiscImage).toString();

    const QStringList order = settings.value(KeyOrder).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList off = settings.value(KeyOff).toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    QList<Source> sources;
    auto add = [&](LookupSource s) {
        for (const Source &known : sources)
            if (known.source == s)
                return;
        sources.append({s, !off.contains(key(s))});
    };
    for (const QString &name : order)
        for (const LookupSource s : AllSources)
            if (key(s) == name.trimmed())
                add(s);
    for (const LookupSource s : AllSources)
        add(s);
    p.sources = sources;
    return p;
}

void DiscPreferences::save(QSettings &settings) const
{
    settings.setValue(KeyEmail, email.trimmed());
    settings.setValue(KeyGnudb, gnudbUrl.trimmed());
    settings.setValue(KeyMusicBrainz, musicBrainzUrl.trimmed());
    settings.setValue(KeyCoverArt, coverArtUrl.trimmed());
    QStringList order, off;
    for (const Source &s : sources) {
        order << key(s.source);
        if (!s.enabled)
            off << key(s.source);
    }
    settings.setValue(KeyOrder, order.join(QLatin1Char(',')));
    settings.setValue(KeyOff, off.join(QLatin1Char(',')));
    settings.setValue(KeyDiscImage, discImage);
}

DiscPreferences DiscPreferences::current()
{
    return load(*openSettings());
}
