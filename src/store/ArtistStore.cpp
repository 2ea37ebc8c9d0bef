#include "store/ArtistStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

ArtistStore::ArtistStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , artistsQuery(main.connection, {QStringLiteral("select * from ARTISTE"), QStringLiteral("order by ART_NAME")})
    , artistCDsQuery(main.connection, {QStringLiteral("select CD_ID, CD_LABEL from CDAUDIO where ART_ID = :ART_ID")})
    , artistByIdQuery(main.connection, {QStringLiteral("select ART_ID, ART_NAME from ARTISTE where ART_ID = :ART_ID")})
    , addArtistQuery(main.connection, {QStringLiteral("insert into ARTISTE (ART_NAME) values(:ART_NAME)")})
    , updateArtistQuery(
          main.connection,
          {QStringLiteral("update ARTISTE set ART_NAME = :ART_NAME"), QStringLiteral("where ART_ID = :ART_ID")})
    , deleteArtistQuery(main.connection, {QStringLiteral("delete from ARTISTE where ART_ID= :ART_ID")})
    , deleteArtistCDsQuery(main.connection, {QStringLiteral("delete from CDAUDIO where ART_ID = :ART_ID")})
    , deleteArtistTracksQuery(main.connection,
                              {QStringLiteral("delete from TRACK where CD_ID in (select CD_ID from CDAUDIO"),
                               QStringLiteral("where ART_ID = :ART_ID)")})
{ }

void ArtistStore::openList()
{
    artistsQuery.open();
}

void ArtistStore::closeList()
{
    artistsQuery.close();
}

void ArtistStore::openDetail()
{
    reopenDetail(artistCDsQuery, artistsQuery, QStringLiteral("ART_ID"));
}

void ArtistStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(artistsQuery, QStringLiteral("ART_ID"), runner);
    openDetail();
}

WriteResult ArtistStore::insertArtist(const QString &name)
{
    addArtistQuery.setParam(QStringLiteral("ART_NAME"), name);
    return write(Texts::ArtistNotAdded, [&] { addArtistQuery.exec(); });
}

WriteResult ArtistStore::addArtist(const QString &name)
{
    return insertArtist(name);
}

int ArtistStore::addArtistGetId(const QString &name)
{
    if (!insertArtist(name))
        return -1;
    return m_main.lastId();
}

WriteResult ArtistStore::updateArtist(int artistId, const QString &name)
{
    updateArtistQuery.setParam(QStringLiteral("ART_ID"), artistId);
    bindText(updateArtistQuery, QStringLiteral("ART_NAME"), name);
    return write(Texts::ArtistNotUpdated, [&] { updateArtistQuery.exec(); });
}

WriteResult ArtistStore::deleteArtist(int artistId)
{
    deleteArtistTracksQuery.setParam(QStringLiteral("ART_ID"), artistId);
    deleteArtistCDsQuery.setParam(QStringLiteral("ART_ID"), artistId);
    deleteArtistQuery.setParam(QStringLiteral("ART_ID"), artistId);
    // Tracks first: their statement finds them through the artist's CD rows.
    return write(Texts::ArtistsNotDeleted, [&] {
        deleteArtistTracksQuery.exec();
        deleteArtistCDsQuery.exec();
        deleteArtistQuery.exec();
    });
}

QList<TArtist> ArtistStore::artists() const
{
    QList<TArtist> out;
    const DbQuery &list = artistsQuery;
    const int idColumn = list.fieldIndex(QStringLiteral("ART_ID"));
    const int nameColumn = list.fieldIndex(QStringLiteral("ART_NAME"));
    if (idColumn < 0 || nameColumn < 0)
        return out;
    out.reserve(list.rowCount());
    for (int row = 0; row < list.rowCount(); ++row)
        out.append({list.value(row, idColumn).toInt(), list.value(row, nameColumn).toString()});
    return out;
}

std::optional<TArtist> ArtistStore::artist(int artistId)
{
    DbQuery &read = artistByIdQuery;
    read.close();
    read.setParam(QStringLiteral("ART_ID"), artistId);
    read.open();
    std::optional<TArtist> out;
    if (!read.eof())
        out = TArtist{read.fieldAsInteger(QStringLiteral("ART_ID")), textOrNull(read, QStringLiteral("ART_NAME"))};
    read.close();
    return out;
}
