#pragma once

#include "store/Store.h"

// Every track with its CD's title and artist; deletes single tracks.
class TrackStore : public Store
{
    Q_OBJECT
public:
    TrackStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return tracksQuery; }
    // The CD of the row the list stands on; 0, which names no CD, when there is none.
    int currentCdId() const { return currentKey(tracksQuery, QStringLiteral("CD_ID")); }
    WriteResult deleteTrack(int trackId);

    DbQuery tracksQuery;
    DbQuery deleteTrackQuery;
};
