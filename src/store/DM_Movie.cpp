#include "store/DM_Movie.h"

#include "store/DM_Main.h"
#include "base/U_Constantes.h"

TD_Movie::TD_Movie(TD_Main &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , ADOQuery_Movie(main.ADOConnection, {QStringLiteral("select * from MOVIE order by MOV_TITLE")})
    , ADOQuery_AddMovie(main.ADOConnection,
                        {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, :MOV_TYPE)")})
    , ADOQuery_DeleteMovie(main.ADOConnection, {QStringLiteral("delete from MOVIE where MOV_ID = :MOV_ID")})
    , ADOQuery_UpdateMovie(main.ADOConnection,
                           {QStringLiteral("update MOVIE set MOV_TITLE = :MOV_TITLE, MOV_TYPE = :MOV_TYPE"),
                            QStringLiteral("where MOV_ID = :MOV_ID")})
{
}

void TD_Movie::OpenList()
{
    ADOQuery_Movie.Open();
}

void TD_Movie::CloseList()
{
    ADOQuery_Movie.Close();
}

void TD_Movie::RefreshList(const StepRunner &runner)
{
    reopenKeepingRow(ADOQuery_Movie, QStringLiteral("MOV_ID"), runner);
}

WriteResult TD_Movie::AddMovie(const QString &title, const QString &type)
{
    ADOQuery_AddMovie.setParam(QStringLiteral("MOV_TITLE"), title);
    ADOQuery_AddMovie.setParam(QStringLiteral("MOV_TYPE"), type);
    return write(U_Constantes::MovieNotAdded, [&] { ADOQuery_AddMovie.ExecSQL(); });
}

WriteResult TD_Movie::UpdateMovie(int movieId, const QString &title, const QString &type)
{
    ADOQuery_UpdateMovie.setParam(QStringLiteral("MOV_ID"), movieId);
    ADOQuery_UpdateMovie.setParam(QStringLiteral("MOV_TITLE"), title);
    ADOQuery_UpdateMovie.setParam(QStringLiteral("MOV_TYPE"), type);
    return write(U_Constantes::MovieNotUpdated, [&] { ADOQuery_UpdateMovie.ExecSQL(); });
}

WriteResult TD_Movie::DeleteMovie(int movieId)
{
    ADOQuery_DeleteMovie.setParam(QStringLiteral("MOV_ID"), movieId);
    return write(U_Constantes::MoviesNotDeleted, [&] { ADOQuery_DeleteMovie.ExecSQL(); });
}
