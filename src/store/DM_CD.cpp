#include "store/DM_CD.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_CD::TD_CD(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_CD(main.ADOConnection, {QStringLiteral("select CD_ID, CD_LABEL, ART_NAME, CDAUDIO.ART_ID,"),
                                       QStringLiteral("BARCODE, YEAR, LIMITED, COMMENTS"),
                                       QStringLiteral("from CDAUDIO, ARTISTE"),
                                       QStringLiteral("where CDAUDIO.ART_ID = ARTISTE.ART_ID"),
                                       QStringLiteral("order by CD_LABEL")})
    , ADOQuery_tracks(main.ADOConnection, {QStringLiteral("select TR_ID, TR_LABEL from TRACK"),
                                           QStringLiteral("where TRACK.CD_ID = :CD_ID"),
                                           QStringLiteral("order by TR_ID")})
    , ADOQuery_DeleteCD(main.ADOConnection, {QStringLiteral("delete from CDAUDIO where CD_ID = :CD_ID")})
    , ADOQuery_DeleteCDTracks(main.ADOConnection, {QStringLiteral("delete from TRACK where CD_ID = :CD_ID")})
    // Every value is bound: no text of the user's ever becomes part of a statement.
    , ADOQuery_InsertAudioCD(main.ADOConnection,
                             {QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS)"),
                              QStringLiteral("values (:CD_LABEL, :ART_ID, :BARCODE, :YEAR, :LIMITED, :COMMENTS)")})
    , ADOQuery_InsertAudioCDTracks(main.ADOConnection,
                                   {QStringLiteral("insert into TRACK (TR_LABEL, CD_ID) values (:TR_LABEL, :CD_ID)")})
    , ADOQuery_UpdateAudioCD(main.ADOConnection,
                             {QStringLiteral("update CDAUDIO set CD_LABEL = :CD_LABEL, ART_ID = :ART_ID,"),
                              QStringLiteral("BARCODE = :BARCODE, YEAR = :YEAR, LIMITED = :LIMITED, COMMENTS = :COMMENTS"),
                              QStringLiteral("where CD_ID = :CD_ID")})
    , ADOQuery_InsertArtist(main.ADOConnection, {QStringLiteral("insert into ARTISTE (ART_NAME) values (:ART_NAME)")})
    , ADOQuery_StoredTracks(main.ADOConnection,
                            {QStringLiteral("select TR_LABEL from TRACK where CD_ID = :CD_ID order by TR_ID")})
{
    // A CD's tracks go in the same transaction as the CD itself: only its artist can be gone.
    m_parentGone = U_Constantes::ReasonArtistDeleted;
}

void TD_CD::OpenList()
{
    ADOQuery_CD.Open();
}

void TD_CD::CloseList()
{
    ADOQuery_CD.Close();
}

void TD_CD::OpenDetail()
{
    reopenDetail(ADOQuery_tracks, ADOQuery_CD, QStringLiteral("CD_ID"));
}

void TD_CD::CloseDetail()
{
    ADOQuery_tracks.Close();
}

bool TD_CD::locate(int cdId)
{
    if (!locateRefreshing(ADOQuery_CD, QStringLiteral("CD_ID"), cdId, [this] { RefreshList(); }))
        return false;
    OpenDetail();
    return true;
}

AudioCD TD_CD::current() const
{
    const DbQuery &cd = ADOQuery_CD;
    AudioCD out;
    if (!cd.Active() || cd.Eof())
        return out;
    out.id = cd.FieldAsInteger(QStringLiteral("CD_ID"));
    out.artistId = cd.FieldAsInteger(QStringLiteral("ART_ID"));
    out.artistName = cd.FieldAsString(QStringLiteral("ART_NAME"));
    out.title = textOrNull(cd, QStringLiteral("CD_LABEL"));
    out.barcode = textOrNull(cd, QStringLiteral("BARCODE"));
    out.year = textOrNull(cd, QStringLiteral("YEAR"));
    out.limited = !cd.Field(QStringLiteral("LIMITED")).isNull() && cd.FieldAsBoolean(QStringLiteral("LIMITED"));
    out.comments = textOrNull(cd, QStringLiteral("COMMENTS"));
    out.tracks = column(ADOQuery_tracks, QStringLiteral("TR_LABEL"));
    return out;
}

void TD_CD::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_CD, QStringLiteral("CD_ID"), runner);
    OpenDetail();
}

namespace {

// A null text binds NULL, any other its characters, an empty one included.
void bindText(DbQuery &query, const QString &name, const QString &value)
{
    if (value.isNull())
        query.setParam(name, QVariant());
    else
        query.setParam(name, value);
}

} // namespace

QString TD_CD::textOrNull(const DbQuery &query, const QString &field)
{
    const QVariant value = query.Field(field);
    if (value.isNull())
        return {};
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

void TD_CD::insertTrack(int cdId, const QString &track)
{
    ADOQuery_InsertAudioCDTracks.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_InsertAudioCDTracks.setParam(QStringLiteral("TR_LABEL"), track);
    ADOQuery_InsertAudioCDTracks.ExecSQL();
}

void TD_CD::bindRow(DbQuery &query, const AudioCD &cd, int artistId)
{
    bindText(query, QStringLiteral("CD_LABEL"), cd.title);
    query.setParam(QStringLiteral("ART_ID"), artistId);
    bindText(query, QStringLiteral("BARCODE"), cd.barcode);
    bindText(query, QStringLiteral("YEAR"), cd.year);
    query.setParam(QStringLiteral("LIMITED"), cd.limited ? 1 : 0);
    bindText(query, QStringLiteral("COMMENTS"), cd.comments);
}

int TD_CD::artistFor(const AudioCD &cd, const QString &newArtist, QString *failureMessage)
{
    if (newArtist.isEmpty())
        return cd.artistId;
    // The warning names what failed: the artist, or else the CD.
    const QString cdMessage = *failureMessage;
    *failureMessage = U_Constantes::ArtistNotAdded;
    ADOQuery_InsertArtist.setParam(QStringLiteral("ART_NAME"), newArtist);
    ADOQuery_InsertArtist.ExecSQL();
    const int id = m_main.LastID();
    *failureMessage = cdMessage;
    return id;
}

int TD_CD::AddAudioCD(const AudioCD &cd, const QString &newArtist)
{
    int cdId = -1;
    QString failure = U_Constantes::CDNotAdded;
    const bool stored = write(failure, [&] {
        bindRow(ADOQuery_InsertAudioCD, cd, artistFor(cd, newArtist, &failure));
        ADOQuery_InsertAudioCD.ExecSQL();
        cdId = m_main.LastID();
        for (const QString &track : cd.tracks) {
            insertTrack(cdId, track);
            betweenItems();
        }
    });
    return stored ? cdId : -1;
}

WriteResult TD_CD::UpdateAudioCD(const AudioCD &cd, const QString &newArtist)
{
    // One transaction for the row, the old tracks and the new ones: a failure half-way must not
    // leave the CD with its old tracks gone and only some new ones stored.
    QString failure = U_Constantes::CDNotUpdated;
    return write(failure, [&] {
        bindRow(ADOQuery_UpdateAudioCD, cd, artistFor(cd, newArtist, &failure));
        ADOQuery_UpdateAudioCD.setParam(QStringLiteral("CD_ID"), cd.id);
        ADOQuery_UpdateAudioCD.ExecSQL();
        requireRowChanged(ADOQuery_UpdateAudioCD, QStringLiteral("CD"));
        // Tracks saved as they are stored keep their rows and numbers.
        ADOQuery_StoredTracks.Close();
        ADOQuery_StoredTracks.setParam(QStringLiteral("CD_ID"), cd.id);
        ADOQuery_StoredTracks.Open();
        const QStringList stored = column(ADOQuery_StoredTracks, QStringLiteral("TR_LABEL"));
        ADOQuery_StoredTracks.Close();
        if (stored == cd.tracks)
            return;
        ADOQuery_DeleteCDTracks.setParam(QStringLiteral("CD_ID"), cd.id);
        ADOQuery_DeleteCDTracks.ExecSQL();
        for (const QString &track : cd.tracks) {
            insertTrack(cd.id, track);
            betweenItems();
        }
    });
}

WriteResult TD_CD::DeleteAudioCD(int cdId)
{
    ADOQuery_DeleteCDTracks.setParam(QStringLiteral("CD_ID"), cdId);
    ADOQuery_DeleteCD.setParam(QStringLiteral("CD_ID"), cdId);
    return write(U_Constantes::CDsNotDeleted, [&] {
        ADOQuery_DeleteCDTracks.ExecSQL();
        ADOQuery_DeleteCD.ExecSQL();
    });
}
