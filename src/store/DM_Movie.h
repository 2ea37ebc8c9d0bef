#pragma once

#include "store/Store.h"

// Movies, sorted by title.
class TD_Movie : public Store
{
    Q_OBJECT
public:
    TD_Movie(TD_Main &main, MessageService &messages, QObject *parent = nullptr);

    void OpenList();
    void CloseList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void RefreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return ADOQuery_Movie; }

    WriteResult AddMovie(const QString &title, const QString &type);
    WriteResult UpdateMovie(int movieId, const QString &title, const QString &type);
    WriteResult DeleteMovie(int movieId);

    DbQuery ADOQuery_Movie;
    DbQuery ADOQuery_AddMovie;
    DbQuery ADOQuery_DeleteMovie;
    DbQuery ADOQuery_UpdateMovie;
};
