#pragma once

#include "store/Store.h"

// Artists with the CDs of the current one; deleting an artist takes its CDs and their tracks along.
class TD_Artist : public Store
{
    Q_OBJECT
public:
    TD_Artist(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    void OpenDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_Artists; }
    RowSource &cdRows() { return ADOQuery_ArtistCDs; }
    // Every artist of the list, in its order; the list's current row stays where it is.
    QList<TArtist> artists() const;

    WriteResult AddArtist(const QString &name);
    // The new ART_ID, or -1 when the insert failed (the warning has been shown).
    int AddArtistGetID(const QString &name);
    WriteResult UpdateArtist(int artistId, const QString &name);
    WriteResult DeleteArtist(int artistId);

    DbQuery ADOQuery_Artists;
    DbQuery ADOQuery_ArtistCDs;
    DbQuery ADOQuery_AddArtist;
    DbQuery ADOQuery_UpdateArtist;
    DbQuery ADOQuery_DeleteArtist;
    DbQuery ADOQuery_DeleteArtistCDs;
    DbQuery ADOQuery_DeleteArtistTracks;

private:
    WriteResult insertArtist(const QString &name);
};
