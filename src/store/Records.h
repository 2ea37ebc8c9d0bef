#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the stores hand out: plain values read from the catalogue, which callers keep and change
// without touching the stores' queries. A text the catalogue holds as NULL comes as a null QString
// and goes back as NULL, an empty one as empty: a record saved as it was read stays as it was.

struct TArtist {
    int id = -1;
    QString name;
};

struct Movie {
    int id = -1;
    QString title;
    QString type;
};

struct AudioCD {
    int id = -1;
    // Two artists may share a name: the number, never the name, says whose CD it is. -1: none, as a
    // CD of an older catalogue may name; a CD may also name an artist that is gone (its name is empty).
    int artistId = -1;
    QString artistName;
    QString title;
    QString barcode;
    QString year;
    bool limited = false;
    QString comments;
    QStringList tracks; // in their stored order
};

struct DataCD {
    int id = -1;
    QString title;
    QStringList items; // in their stored order
};
