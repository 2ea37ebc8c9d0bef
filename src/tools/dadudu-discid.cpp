// dadudu-discid [--musicbrainz] DEVICE-OR-CUE-FILE: prints what a CDDB query for that disc carries,
// one line: the disc identifier, the track count, the start frame of each track and the length in
// seconds. With --musicbrainz it prints the disc's MusicBrainz identifier instead.

#include "disc/CDInfo.h"

#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    const bool musicBrainz = argc == 3 && std::strcmp(argv[1], "--musicbrainz") == 0;
    if (argc != 2 && !musicBrainz) {
        std::fprintf(stderr, "usage: dadudu-discid [--musicbrainz] DEVICE-OR-CUE-FILE\n");
        return 2;
    }
    try {
        TCDInfo reader;
        reader.OpenDrive(QString::fromLocal8Bit(argv[argc - 1]));
        QString line;
        if (musicBrainz) {
            line = reader.MusicBrainzId();
        } else {
            line = reader.DiscIdText() + QLatin1Char(' ') + QString::number(reader.TrackCount());
            for (int k = 1; k <= reader.TrackCount(); ++k)
                line += QLatin1Char(' ') + QString::number(TimeToFrames(reader.TrackPosition(k)));
            line += QLatin1Char(' ') + QString::number(reader.DiscLength());
        }
        std::printf("%s\n", line.toLocal8Bit().constData());
        return 0;
    } catch (const CDError &e) {
        std::fprintf(stderr, "dadudu-discid: %s\n", e.what());
        return 1;
    }
}
