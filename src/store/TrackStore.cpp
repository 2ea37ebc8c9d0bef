#include "store/TrackStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

TrackStore::TrackStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , tracksQuery(main.connection,
                  {QStringLiteral("select TR_ID, TR_LABEL, CD_LABEL, TRACK.CD_ID, ART_NAME"),
                   // A track whose CD or artist is gone, or names none, is listed all the same, the
                   // missing one's name empty.
                   QStringLiteral("from TRACK left join CDAUDIO on CDAUDIO.CD_ID = TRACK.CD_ID"),
                   QStringLiteral("left join ARTISTE on ARTISTE.ART_ID = CDAUDIO.ART_ID"),
                   QStringLiteral("order by TR_LABEL")})
    , deleteTrackQuery(main.connection, {QStringLiteral("delete from TRACK where TR_ID = :TR_ID")})
{ }

void TrackStore::openList()
{
    tracksQuery.open();
}

void TrackStore::closeList()
{
    tracksQuery.close();
}

void TrackStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(tracksQuery, QStringLiteral("TR_ID"), runner);
}

WriteResult TrackStore::deleteTrack(int trackId)
{
    deleteTrackQuery.setParam(QStringLiteral("TR_ID"), trackId);
    return write(Texts::TracksNotDeleted, [&] { deleteTrackQuery.exec(); });
}
