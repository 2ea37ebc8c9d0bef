#include "disc/DiscCandidate.h"

#include "base/Texts.h"
#include "disc/HttpClient.h"

QString sourceName(LookupSource source)
{
    switch (source) {
    case LookupSource::MusicBrainz:
        return Texts::SourceMusicBrainz;
    case LookupSource::Gnudb:
        return Texts::SourceGnudb;
    case LookupSource::CdText:
        return Texts::SourceCdText;
    }
    return {};
}

QString DiscCandidate::describe() const
{
    using namespace Texts;
    QStringList parts{sourceName(source)};
    if (!year.isEmpty())
        parts << year;
    if (!country.isEmpty())
        parts << country;
    if (!barcode.isEmpty())
        parts << ChoiceBarcode.arg(barcode);
    if (media > 1)
        parts << ChoiceDisc.arg(medium).arg(media);
    parts << (tracksDiffer() ? ChoiceTracksDiffer.arg(tracks.size()).arg(discTracks) : ChoiceTracks.arg(tracks.size()));
    QString disc;
    if (hasTitle)
        disc = artist.isEmpty() ? title : artist + QStringLiteral(" / ") + title;
    else
        disc = tracks.value(0);
    return parts.join(QStringLiteral(" | ")) + QStringLiteral(" | ") + disc;
}

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'g', 3);
}

QString transportReason(const QString &source, const std::exception &error)
{
    if (const auto *late = dynamic_cast<const HttpTimedOut *>(&error))
        return Texts::WhyTimedOut.arg(source, seconds(late->ms()));
    return Texts::WhyRequestFailed.arg(source, QString::fromStdString(error.what()));
}
