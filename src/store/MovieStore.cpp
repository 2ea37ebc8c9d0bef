#include "store/MovieStore.h"

#include "base/Texts.h"
#include "store/CatalogueConnection.h"

MovieStore::MovieStore(CatalogueConnection &main, MessageService &messages, QObject *parent)
    : Store(main, messages, parent)
    , movieQuery(main.connection, {QStringLiteral("select * from MOVIE order by MOV_TITLE")})
    , movieByIdQuery(main.connection,
                     {QStringLiteral("select MOV_ID, MOV_TITLE, MOV_TYPE from MOVIE where MOV_ID = :MOV_ID")})
    , addMovieQuery(main.connection,
                    {QStringLiteral("insert into MOVIE (MOV_TITLE, MOV_TYPE) values (:MOV_TITLE, :MOV_TYPE)")})
    , deleteMovieQuery(main.connection, {QStringLiteral("delete from MOVIE where MOV_ID = :MOV_ID")})
    , updateMovieQuery(main.connection,
                       {QStringLiteral("update MOVIE set MOV_TITLE = :MOV_TITLE, MOV_TYPE = :MOV_TYPE"),
                        QStringLiteral("where MOV_ID = :MOV_ID")})
{ }

void MovieStore::openList()
{
    movieQuery.open();
}

void MovieStore::closeList()
{
    movieQuery.close();
}

void MovieStore::refreshList(const StepRunner &runner)
{
    reopenKeepingRow(movieQuery, QStringLiteral("MOV_ID"), runner);
}

std::optional<Movie> MovieStore::movie(int movieId)
{
    DbQuery &read = movieByIdQuery;
    read.close();
    read.setParam(QStringLiteral("MOV_ID"), movieId);
    read.open();
    std::optional<Movie> out;
    if (!read.eof())
        out = Movie{read.fieldAsInteger(QStringLiteral("MOV_ID")), textOrNull(read, QStringLiteral("MOV_TITLE")),
                    textOrNull(read, QStringLiteral("MOV_TYPE"))};
    read.close();
    return out;
}

WriteResult MovieStore::addMovie(const QString &title, const QString &type)
{
    addMovieQuery.setParam(QStringLiteral("MOV_TITLE"), title);
    addMovieQuery.setParam(QStringLiteral("MOV_TYPE"), type);
    return write(Texts::MovieNotAdded, [&] { addMovieQuery.exec(); });
}

WriteResult MovieStore::updateMovie(int movieId, const QString &title, const QString &type)
{
    updateMovieQuery.setParam(QStringLiteral("MOV_ID"), movieId);
    bindText(updateMovieQuery, QStringLiteral("MOV_TITLE"), title);
    bindText(updateMovieQuery, QStringLiteral("MOV_TYPE"), type);
    return write(Texts::MovieNotUpdated, [&] { updateMovieQuery.exec(); });
}

WriteResult MovieStore::deleteMovie(int movieId)
{
    deleteMovieQuery.setParam(QStringLiteral("MOV_ID"), movieId);
    return write(Texts::MoviesNotDeleted, [&] { deleteMovieQuery.exec(); });
}
