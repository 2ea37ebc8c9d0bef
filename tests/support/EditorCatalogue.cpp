#include "support/EditorCatalogue.h"

EditorCatalogue::EditorCatalogue(const QString &seed)
{
    if (!seed.isEmpty())
        file.exec(seed);
    main.openDatabase(file.path());
    cds.openList();
    artists.openList();
    movies.openList();
    data.openList();
    data.openDetail();
}

QStringList EditorCatalogue::artistRows()
{
    return file.rows(QStringLiteral("select ART_ID, ART_NAME from ARTISTE order by ART_ID"));
}

QStringList EditorCatalogue::movieRows()
{
    return file.rows(QStringLiteral("select MOV_ID, MOV_TITLE, MOV_TYPE from MOVIE order by MOV_ID"));
}

QStringList EditorCatalogue::dataCDRows()
{
    return file.rows(QStringLiteral(
        "select CD_TITLE, coalesce((select group_concat(DATA_LABEL, ',') from (select DATA_LABEL from DATA d"
        " where d.CD_ID = c.CD_ID order by DATA_ID)), '') from DATACD c order by CD_ID"));
}
