#pragma once

#include "store/Records.h"

// A CD as the editor hands it to the store; texts left out are stored empty.
inline AudioCD audioCD(int id, int artistId, const QString &title, const QString &barcode, const QString &year,
                       bool limited, const QString &comments, const QStringList &tracks)
{
    const auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("") : s; };
    AudioCD cd;
    cd.id = id;
    cd.artistId = artistId;
    cd.title = text(title);
    cd.barcode = text(barcode);
    cd.year = text(year);
    cd.limited = limited;
    cd.comments = text(comments);
    cd.tracks = tracks;
    return cd;
}
