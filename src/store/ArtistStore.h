#pragma once

#include "store/Store.h"

#include <optional>

// Artists with the CDs of the current one; deleting an artist takes its CDs and their tracks along.
class ArtistStore : public Store
{
    Q_OBJECT
public:
    ArtistStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    void openDetail();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return artistsQuery; }
    RowSource &cdRows() { return artistCDsQuery; }
    // Every artist of the list, in its order; the list's current row stays where it is.
    QList<TArtist> artists() const;
    // The artist as the catalogue holds it now; none when it is no longer there.
    std::optional<TArtist> artist(int artistId);

    WriteResult addArtist(const QString &name);
    // The new ART_ID, or -1 when the insert failed (the warning has been shown).
    int addArtistGetId(const QString &name);
    WriteResult updateArtist(int artistId, const QString &name);
    WriteResult deleteArtist(int artistId);

    DbQuery artistsQuery;
    DbQuery artistCDsQuery;
    DbQuery artistByIdQuery;
    DbQuery addArtistQuery;
    DbQuery updateArtistQuery;
    DbQuery deleteArtistQuery;
    DbQuery deleteArtistCDsQuery;
    DbQuery deleteArtistTracksQuery;

private:
    WriteResult insertArtist(const QString &name);
};
