#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the stores hand out: plain values read from the catalogue, which callers keep and change
// without touching the stores' queries.

struct TArtist {
    int id = -1;
    QString name;
};

struct AudioCD {
    int id = -1;
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
