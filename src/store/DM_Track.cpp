#include "store/DM_Track.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_Track::TD_Track(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_Tracks(main.ADOConnection, {QStringLiteral("select TR_ID, TR_LABEL, CD_LABEL, TRACK.CD_ID, ART_NAME"),
                                           QStringLiteral("from TRACK, CDAUDIO, ARTISTE"),
                                           QStringLiteral("where TRACK.CD_ID = CDAUDIO.CD_ID"),
                                           QStringLiteral("and CDAUDIO.ART_ID = ARTISTE.ART_ID"),
                                           QStringLiteral("order by TR_LABEL")})
    , ADOQuery_DeleteTrack(main.ADOConnection, {QStringLiteral("delete from TRACK where TR_ID = :TR_ID")})
{
}

void TD_Track::OpenList()
{
    ADOQuery_Tracks.Open();
}

void TD_Track::CloseList()
{
    ADOQuery_Tracks.Close();
}

void TD_Track::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_Tracks, QStringLiteral("TR_ID"), runner);
}

WriteResult TD_Track::DeleteTrack(int trackId)
{
    ADOQuery_DeleteTrack.setParam(QStringLiteral("TR_ID"), trackId);
    return write(U_Constantes::TracksNotDeleted, [&] { ADOQuery_DeleteTrack.ExecSQL(); });
}
