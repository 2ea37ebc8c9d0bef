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
    void RefreshList();
    void DeleteTrack(int trackId);

    DbQuery ADOQuery_Tracks;
    DbQuery ADOQuery_DeleteTrack;
};
