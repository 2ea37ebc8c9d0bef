#pragma once

#include "store/Store.h"

#include <optional>

// Movies, sorted by title.
class MovieStore : public Store
{
    Q_OBJECT
public:
    MovieStore(CatalogueConnection &main, MessageService &messages, QObject *parent = nullptr);

    void openList();
    void closeList();
    // The rows are read through `runner` (see runStep); a stopped read leaves the list as it was.
    void refreshList(const StepRunner &runner = {});

    RowSource &listRows() override { return movieQuery; }

    // The movie as the catalogue holds it now; none when it is no longer there.
    std::optional<Movie> movie(int movieId);

    WriteResult addMovie(const QString &title, const QString &type);
    WriteResult updateMovie(int movieId, const QString &title, const QString &type);
    WriteResult deleteMovie(int movieId);

    DbQuery movieQuery;
    DbQuery movieByIdQuery;
    DbQuery addMovieQuery;
    DbQuery deleteMovieQuery;
    DbQuery updateMovieQuery;
};
