#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <exception>

// Where CD information comes from. The user orders them and switches each on or off.
enum class LookupSource { MusicBrainz, Gnudb, CdText };

QString sourceName(LookupSource source);

// One answer about a disc, complete: an editor is filled from a candidate as a whole or not at all.
struct DiscCandidate {
    LookupSource source = LookupSource::Gnudb;
    bool hasTitle = false; // artist and title are only taken when set
    QString artist;
    QString title;
    QStringList tracks;
    QString year;
    QString country;
    QString barcode;
    QString releaseId; // MusicBrainz, to find the cover by
    int medium = 0;    // the medium's position in a release of several, 0 otherwise
    int media = 0;
    int discTracks = 0; // what the disc has, as the source counts tracks

    bool tracksDiffer() const { return discTracks > 0 && tracks.size() != discTracks; }
    // One line of the choice: source, year, country, barcode where known, track count, then the disc.
    QString describe() const;
};

// What one source made of a disc: candidates, or why there are none.
struct SourceResult {
    QList<DiscCandidate> found;
    QString failure; // the message's headline
    QString reason;  // one line that names the source and says what it gave instead
};

// A time in seconds as the lookup's lines give it: "1.5", "60".
QString seconds(qint64 ms);

// The line of a request that failed below HTTP: the time it ran out of, or what went wrong.
QString transportReason(const QString &source, const std::exception &error);
