#pragma once

#include "disc/DiscCandidate.h"

#include <QList>
#include <QString>

class QSettings;

// What the user chooses about the lookup of CD information and the drives.
struct DiscPreferences {
    struct Source {
        LookupSource source;
        bool enabled = true;
        bool operator==(const Source &) const = default;
    };

    QString email; // for gnudb's greeting; empty to go anonymously
    QString gnudbUrl;
    QString musicBrainzUrl;
    QString coverArtUrl;
    QList<Source> sources; // every source once, in the order they are asked
    QString discImage;     // a CUE sheet offered beside the drives; empty for none

    DiscPreferences();
    bool operator==(const DiscPreferences &) const = default;

    QList<LookupSource> enabledSources() const;

    // Missing or unreadable values fall back on the defaults; an order that leaves a source out
    // gets it back at the end.
    static DiscPreferences load(QSettings &settings);
    void save(QSettings &settings) const;
    // From the program's settings.
    static DiscPreferences current();
};
