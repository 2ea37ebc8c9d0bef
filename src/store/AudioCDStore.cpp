#include "store/AudioCDStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

AudioCDStore::AudioCDStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , cdQuery(main.connection,
              {QStringLiteral("select CD_ID, CD_LABEL, ART_NAME, CDAUDIO.ART_ID,"),
               QStringLiteral("BARCODE, YEAR, LIMITED, COMMENTS"),
               // A CD whose artist is gone, or that names none, is listed all the same, with no artist's name.
               QStringLiteral("from CDAUDIO left join ARTISTE on ARTISTE.ART_ID = CDAUDIO.ART_ID"),
               QStringLiteral("order by CD_LABEL")})
    , tracksQuery(main.connection,
                  {QStringLiteral("select TR_ID, TR_LABEL from TRACK"), QStringLiteral("where TRACK.CD_ID = :CD_ID"),
                   QStringLiteral("order by TR_ID")})
    , deleteCDQuery(main.connection, {QStringLiteral("delete from CDAUDIO where CD_ID = :CD_ID")})
    , deleteCDTracksQuery(main.connection, {QStringLiteral("delete from TRACK where CD_ID = :CD_ID")})
    // Every value is bound: no text of the user's ever becomes part of a statement.
    , insertAudioCDQuery(main.connection,
                         {QStringLiteral("insert into CDAUDIO (CD_LABEL, ART_ID, BARCODE, YEAR, LIMITED, COMMENTS)"),
                          QStringLiteral("values (:CD_LABEL, :ART_ID, :BARCODE, :YEAR, :LIMITED, :COMMENTS)")})
    , insertAudioCDTracksQuery(main.connection,
                               {QStringLiteral("insert into TRACK (TR_LABEL, CD_ID) values (:TR_LABEL, :CD_ID)")})
    , updateAudioCDQuery(main.connection,
                         {QStringLiteral("update CDAUDIO set CD_LABEL = :CD_LABEL,"),
                          QStringLiteral("BARCODE = :BARCODE, YEAR = :YEAR, LIMITED = :LIMITED, COMMENTS = :COMMENTS"),
                          QStringLiteral("where CD_ID = :CD_ID")})
    // Only a changed artist is written: the key checks the artist of every row that sets it, and a CD
    // of an older catalogue whose artist is gone would otherwise never save again.
    , updateAudioCDArtistQuery(main.connection,
                               {QStringLiteral("update CDAUDIO set ART_ID = :ART_ID"),
                                QStringLiteral("where CD_ID = :CD_ID and (ART_ID is null or ART_ID <> :ART_ID)")})
    , insertArtistQuery(main.connection, {QStringLiteral("insert into ARTISTE (ART_NAME) values (:ART_NAME)")})
    , storedTracksQuery(main.connection,
                        {QStringLiteral("select TR_LABEL from TRACK where CD_ID = :CD_ID order by TR_ID")})
{
    // A CD's tracks go in the same transaction as the CD itself: only its artist can be gone.
    m_parentGone = Texts::ReasonArtistDeleted;
}

void AudioCDStore::openList()
{
    cdQuery.open();
}

void AudioCDStore::closeList()
{
    cdQuery.close();
}

void AudioCDStore::openDetail()
{
    reopenDetail(tracksQuery, cdQuery, QStringLiteral("CD_ID"));
}

void AudioCDStore::closeDetail()
{
    tracksQuery.close();
}

bool AudioCDStore::locate(int cdId)
{
    if (!locateRefreshing(cdQuery, QStringLiteral("CD_ID"), cdId, [this] { refreshList(); }))
        return false;
    openDetail();
    return true;
}

AudioCD AudioCDStore::current() const
{
    const DbQuery &cd = cdQuery;
    AudioCD out;
    if (!cd.active() || cd.eof())
        return out;
    out.id = cd.fieldAsInteger(QStringLiteral("CD_ID"));
    out.artistId = cd.field(QStringLiteral("ART_ID")).isNull() ? -1 : cd.fieldAsInteger(QStringLiteral("ART_ID"));
    out.artistName = cd.fieldAsString(QStringLiteral("ART_NAME"));
    out.title = textOrNull(cd, QStringLiteral("CD_LABEL"));
    out.barcode = textOrNull(cd, QStringLiteral("BARCODE"));
    out.year = textOrNull(cd, QStringLiteral("YEAR"));
    out.limited = !cd.field(QStringLiteral("LIMITED")).isNull() && cd.fieldAsBoolean(QStringLiteral("LIMITED"));
    out.comments = textOrNull(cd, QStringLiteral("COMMENTS"));
    out.tracks = column(tracksQuery, QStringLiteral("TR_LABEL"));
    return out;
}

void AudioCDStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(cdQuery, QStringLiteral("CD_ID"), runner);
    openDetail();
}

void AudioCDStore::insertTrack(int cdId, const QString &track)
{
    insertAudioCDTracksQuery.setParam(QStringLiteral("CD_ID"), cdId);
    insertAudioCDTracksQuery.setParam(QStringLiteral("TR_LABEL"), track);
    insertAudioCDTracksQuery.exec();
}

void AudioCDStore::bindRow(DbQuery &query, const AudioCD &cd)
{
    bindText(query, QStringLiteral("CD_LABEL"), cd.title);
    bindText(query, QStringLiteral("BARCODE"), cd.barcode);
    bindText(query, QStringLiteral("YEAR"), cd.year);
    query.setParam(QStringLiteral("LIMITED"), cd.limited ? 1 : 0);
    bindText(query, QStringLiteral("COMMENTS"), cd.comments);
}

int AudioCDStore::artistFor(const AudioCD &cd, const QString &newArtist, QString *failureMessage)
{
    if (newArtist.isEmpty())
        return cd.artistId;
    // The warning names what failed: the artist, or else the CD.
    const QString cdMessage = *failureMessage;
    *failureMessage = Texts::ArtistNotAdded;
    insertArtistQuery.setParam(QStringLiteral("ART_NAME"), newArtist);
    insertArtistQuery.exec();
    const int id = m_main.lastId();
    *failureMessage = cdMessage;
    return id;
}

int AudioCDStore::addAudioCD(const AudioCD &cd, const QString &newArtist)
{
    int cdId = -1;
    QString failure = Texts::CDNotAdded;
    const bool stored = write(failure, [&] {
        bindRow(insertAudioCDQuery, cd);
        insertAudioCDQuery.setParam(QStringLiteral("ART_ID"), artistFor(cd, newArtist, &failure));
        insertAudioCDQuery.exec();
        cdId = m_main.lastId();
        for (const QString &track : cd.tracks) {
            insertTrack(cdId, track);
            betweenItems();
        }
    });
    return stored ? cdId : -1;
}

WriteResult AudioCDStore::updateAudioCD(const AudioCD &cd, const QString &newArtist)
{
    // One transaction for the row, the old tracks and the new ones: a failure half-way must not
    // leave the CD with its old tracks gone and only some new ones stored.
    QString failure = Texts::CDNotUpdated;
    return write(failure, [&] {
        const int artistId = artistFor(cd, newArtist, &failure);
        bindRow(updateAudioCDQuery, cd);
        updateAudioCDQuery.setParam(QStringLiteral("CD_ID"), cd.id);
        updateAudioCDQuery.exec();
        requireRowChanged(updateAudioCDQuery, QStringLiteral("CD"));
        // None: the CD names no artist, and keeps naming none.
        if (artistId >= 0) {
            updateAudioCDArtistQuery.setParam(QStringLiteral("ART_ID"), artistId);
            updateAudioCDArtistQuery.setParam(QStringLiteral("CD_ID"), cd.id);
            updateAudioCDArtistQuery.exec();
        }
        // Tracks saved as they are stored keep their rows and numbers.
        storedTracksQuery.close();
        storedTracksQuery.setParam(QStringLiteral("CD_ID"), cd.id);
        storedTracksQuery.open();
        const QStringList stored = column(storedTracksQuery, QStringLiteral("TR_LABEL"));
        storedTracksQuery.close();
        if (stored == cd.tracks)
            return;
        deleteCDTracksQuery.setParam(QStringLiteral("CD_ID"), cd.id);
        deleteCDTracksQuery.exec();
        for (const QString &track : cd.tracks) {
            insertTrack(cd.id, track);
            betweenItems();
        }
    });
}

WriteResult AudioCDStore::deleteAudioCD(int cdId)
{
    deleteCDTracksQuery.setParam(QStringLiteral("CD_ID"), cdId);
    deleteCDQuery.setParam(QStringLiteral("CD_ID"), cdId);
    return write(Texts::CDsNotDeleted, [&] {
        deleteCDTracksQuery.exec();
        deleteCDQuery.exec();
    });
}
