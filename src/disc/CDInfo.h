#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>

// libcdio's own name for its handle, declared here so that users of this header need not see libcdio.
struct _CdIo; // NOLINT(bugprone-reserved-identifier)

// A disc time: 75 frames to the second.
struct TrackTime {
    std::int32_t Minute = 0;
    std::int32_t Second = 0;
    std::int32_t Frame = 0;

    bool operator==(const TrackTime &) const = default;
};

int timeToFrames(const TrackTime &t);
TrackTime framesToTime(std::uint32_t frames);

// Raised when a drive or an image holds no readable audio disc; the text says why.
class CDError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The titles a disc carries itself (CD-Text) and its catalogue number (MCN, the barcode).
struct DiscText {
    QString title;
    QString performer;
    QStringList trackTitles; // one per track, empty where the disc names none
    QString mcn;

    bool hasTitles() const;
};

// The MusicBrainz identifier of a table of contents: SHA-1 over the first and last track numbers
// and the lead-out followed by 99 track offsets (absolute frames, zero past the last), in
// hexadecimal, as base64 with "._-" for "+/=".
QString musicBrainzDiscId(int firstTrack, int lastTrack, int leadOut, const QList<int> &offsets);

// Everything a lookup asks of one disc, read in one go so that it can be read away from the windows.
struct DiscToc {
    int trackCount = 0;
    QList<int> starts; // absolute frames, one per track
    int leadOut = 0;
    int discLength = 0;
    QString cddbId;
    QString musicBrainzId;
    QString musicBrainzToc; // "first+last+lead-out+offsets...", as the web service takes it
    DiscText text;
};

// Reads the disc in a drive or an image; raises CDError when there is no audio disc. Touches no
// window, so it may run on any thread.
DiscToc readDisc(const QString &device);

// Reads the table of contents of one audio disc, in a drive or in a CUE/BIN image, and derives the
// CDDB disc identifier from it. Serves one lookup: open once, query, destroy.
class CDInfo
{
public:
    CDInfo();
    ~CDInfo();
    CDInfo(const CDInfo &) = delete;
    CDInfo &operator=(const CDInfo &) = delete;

    // A device path ("/dev/cdrom") or a ".cue" file. Raises CDError when there is no audio disc.
    void openDrive(const QString &device);

    int trackCount() const;
    // Tracks count from 1. Positions are absolute disc addresses (a standard disc starts at 0:02:00).
    TrackTime trackPosition(int track) const;
    // As a drive reports it: one frame short of the distance to the next track or the lead-out.
    TrackTime trackLength(int track) const;
    // Whole seconds from the first track's start to the disc's end, frames dropped on both sides.
    int discLength() const;
    std::uint32_t discId() const;
    // Eight upper-case hexadecimal digits.
    QString discIdText() const;
    // An Enhanced CD's closing data session is left out, as MusicBrainz counts discs.
    QString musicBrainzId() const;
    QString musicBrainzToc() const;
    DiscText text() const;

private:
    int startFrames(int track) const;
    int leadOutFrames() const;
    struct AudioSession {
        int first, last, leadOut;
        QList<int> offsets;
    };
    AudioSession audioSession() const;

    _CdIo *m_cdio = nullptr;
    // An image's CD-Text, as its sheet gives it.
    std::optional<DiscText> m_sheetText;
    int m_firstTrack = 0;
    int m_trackCount = 0;
};
