#pragma once

#include "store/Store.h"

#include <QStringList>

// Audio CDs with their artist's name, the tracks of the current CD, and the writes of a CD with its tracks.
class AudioCDStore : public Store
{
    Q_OBJECT
public:
    AudioCDStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    void openDetail();
    void closeDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return cdQuery; }
    RowSource &trackRows() { return tracksQuery; }
    // Stands the list on the CD (reading it again once when the CD is newer than the list), and
    // its tracks with it; false when the CD is not in the catalogue.
    bool locate(int cdId);
    // The CD the list stands on, with its tracks; an id of -1 when there is none.
    AudioCD current() const;

    // Each one transaction with the CD's tracks and, when `newArtist` is not empty, the new artist
    // the CD is stored under (cd.artistId is then not used); on any failure nothing of it is stored.
    // The new CD_ID, or -1 when nothing was stored.
    int addAudioCD(const AudioCD &cd, const QString &newArtist = {});
    // The CD's row and tracks as `cd` holds them; tracks that are already stored as they are keep
    // their rows. False when nothing was stored.
    WriteResult updateAudioCD(const AudioCD &cd, const QString &newArtist = {});
    WriteResult deleteAudioCD(int cdId);

    DbQuery cdQuery;
    DbQuery tracksQuery;
    DbQuery deleteCDQuery;
    DbQuery deleteCDTracksQuery;
    DbQuery insertAudioCDQuery;
    DbQuery insertAudioCDTracksQuery;
    DbQuery updateAudioCDQuery;
    DbQuery updateAudioCDArtistQuery;
    DbQuery insertArtistQuery;
    DbQuery storedTracksQuery;

private:
    void insertTrack(int cdId, const QString &track);
    // Every field but the artist's number.
    void bindRow(DbQuery &query, const AudioCD &cd);
    // The CD's artist, stored first when new; `failureMessage` names the artist while that runs.
    int artistFor(const AudioCD &cd, const QString &newArtist, QString *failureMessage);
};
