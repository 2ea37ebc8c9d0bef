#include "store/DM_Artist.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_Artist::TD_Artist(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_Artists(main.ADOConnection, {QStringLiteral("select * from ARTISTE"), QStringLiteral("order by ART_NAME")})
    , ADOQuery_ArtistCDs(main.ADOConnection,
                         {QStringLiteral("select CD_ID, CD_LABEL from CDAUDIO where ART_ID = :ART_ID")})
    , ADOQuery_AddArtist(main.ADOConnection, {QStringLiteral("insert into ARTISTE (ART_NAME) values(:ART_NAME)")})
    , ADOQuery_UpdateArtist(main.ADOConnection, {QStringLiteral("update ARTISTE set ART_NAME = :ART_NAME"),
                                                 QStringLiteral("where ART_ID = :ART_ID")})
    , ADOQuery_DeleteArtist(main.ADOConnection, {QStringLiteral("delete from ARTISTE where ART_ID= :ART_ID")})
    , ADOQuery_DeleteArtistCDs(main.ADOConnection, {QStringLiteral("delete from CDAUDIO where ART_ID = :ART_ID")})
    , ADOQuery_DeleteArtistTracks(main.ADOConnection,
                                  {QStringLiteral("delete from TRACK where CD_ID in (select CD_ID from CDAUDIO"),
                                   QStringLiteral("where ART_ID = :ART_ID)")})
{
}

void TD_Artist::OpenList()
{
    ADOQuery_Artists.Open();
}

void TD_Artist::CloseList()
{
    ADOQuery_Artists.Close();
}

void TD_Artist::OpenDetail()
{
    reopenDetail(ADOQuery_ArtistCDs, ADOQuery_Artists, QStringLiteral("ART_ID"));
}

void TD_Artist::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_Artists, QStringLiteral("ART_ID"), runner);
    OpenDetail();
}

WriteResult TD_Artist::insertArtist(const QString &name)
{
    ADOQuery_AddArtist.setParam(QStringLiteral("ART_NAME"), name);
    return write(U_Constantes::ArtistNotAdded, [&] { ADOQuery_AddArtist.ExecSQL(); });
}

WriteResult TD_Artist::AddArtist(const QString &name)
{
    return insertArtist(name);
}

int TD_Artist::AddArtistGetID(const QString &name)
{
    if (!insertArtist(name))
        return -1;
    return m_main.LastID();
}

WriteResult TD_Artist::UpdateArtist(int artistId, const QString &name)
{
    ADOQuery_UpdateArtist.setParam(QStringLiteral("ART_ID"), artistId);
    ADOQuery_UpdateArtist.setParam(QStringLiteral("ART_NAME"), name);
    return write(U_Constantes::ArtistNotUpdated, [&] { ADOQuery_UpdateArtist.ExecSQL(); });
}

WriteResult TD_Artist::DeleteArtist(int artistId)
{
    ADOQuery_DeleteArtistTracks.setParam(QStringLiteral("ART_ID"), artistId);
    ADOQuery_DeleteArtistCDs.setParam(QStringLiteral("ART_ID"), artistId);
    ADOQuery_DeleteArtist.setParam(QStringLiteral("ART_ID"), artistId);
    // Tracks first: their statement finds them through the artist's CD rows.
    return write(U_Constantes::ArtistsNotDeleted, [&] {
        ADOQuery_DeleteArtistTracks.ExecSQL();
        ADOQuery_DeleteArtistCDs.ExecSQL();
        ADOQuery_DeleteArtist.ExecSQL();
    });
}

QList<TArtist> TD_Artist::artists() const
{
    QList<TArtist> out;
    const DbQuery &list = ADOQuery_Artists;
    const int idColumn = list.FieldIndex(QStringLiteral("ART_ID"));
    const int nameColumn = list.FieldIndex(QStringLiteral("ART_NAME"));
    if (idColumn < 0 || nameColumn < 0)
        return out;
    out.reserve(list.RecordCount());
    for (int row = 0; row < list.RecordCount(); ++row)
        out.append({list.Value(row, idColumn).toInt(), list.Value(row, nameColumn).toString()});
    return out;
}
