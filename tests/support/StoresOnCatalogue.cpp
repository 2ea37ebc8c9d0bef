#include "support/StoresOnCatalogue.h"

ProgramStores::ProgramStores(MessageService &messages)
    : main(messages)
    , cds(main, messages)
    , artists(main, messages)
    , tracks(main, messages)
    , movies(main, messages)
    , data(main, messages)
    , items(main, messages)
{ }

std::array<Store *, 6> ProgramStores::all()
{
    return {&cds, &artists, &tracks, &movies, &data, &items};
}

void ProgramStores::openLists()
{
    cds.openList();
    artists.openList();
    tracks.openList();
    movies.openList();
    data.openList();
    items.openList();
}

StoresOnCatalogue::StoresOnCatalogue(const QString &seed)
    : ProgramStores(messages)
{
    if (!seed.isEmpty())
        cat.exec(seed);
}

QStringList StoresOnCatalogue::artistRows()
{
    return cat.rows(QStringLiteral("select ART_ID, ART_NAME from ARTISTE order by ART_ID"));
}

QStringList StoresOnCatalogue::movieRows()
{
    return cat.rows(QStringLiteral("select MOV_ID, MOV_TITLE, MOV_TYPE from MOVIE order by MOV_ID"));
}

QStringList StoresOnCatalogue::dataCDRows()
{
    return cat.rows(QStringLiteral(
        "select CD_TITLE, coalesce((select group_concat(DATA_LABEL, ',') from (select DATA_LABEL from DATA d"
        " where d.CD_ID = c.CD_ID order by DATA_ID)), '') from DATACD c order by CD_ID"));
}

EditorCatalogue::EditorCatalogue(const QString &seed)
    : StoresOnCatalogue(seed)
{
    main.openDatabase(cat.path());
    cds.openList();
    artists.openList();
    movies.openList();
    data.openList();
    data.openDetail();
}
