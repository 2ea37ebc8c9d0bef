#include "disc/DiscCandidate.h"

#include "base/U_Constantes.h"

QString sourceName(LookupSource source)
{
    switch (source) {
    case LookupSource::MusicBrainz:
        return U_Constantes::SourceMusicBrainz;
    case LookupSource::Gnudb:
        return U_Constantes::SourceGnudb;
    case LookupSource::CdText:
        return U_Constantes::SourceCdText;
    }
    return {};
}

QString DiscCandidate::describe() const
{
    using namespace U_Constantes;
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
