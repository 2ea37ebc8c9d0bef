#pragma once

#include "store/Store.h"

// Every track with its CD's title and artist; deletes single tracks.
class TD_Track : public Store
{
    Q_OBJECT
public:
    TD_Track(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_Tracks; }
    // The CD of the row the list stands on; 0, which names no CD, when there is none.
    int currentCdId() const { return currentKey(ADOQuery_Tracks, QStringLiteral("CD_ID")); }
    WriteResult DeleteTrack(int trackId);

    DbQuery ADOQuery_Tracks;
    DbQuery ADOQuery_DeleteTrack;
};
