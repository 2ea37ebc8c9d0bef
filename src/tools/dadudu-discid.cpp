// dadudu-discid DEVICE-OR-CUE-FILE: prints what a CDDB query for that disc carries, one line:
// the disc identifier, the track count, the start frame of each track and the length in seconds.

#include "disc/CDInfo.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dadudu-discid DEVICE-OR-CUE-FILE\n");
        return 2;
    }
    try {
        TCDInfo reader;
        reader.OpenDrive(QString::fromLocal8Bit(argv[1]));
        QString line = reader.DiscIdText() + QLatin1Char(' ') + QString::number(reader.TrackCount());
        for (int k = 1; k <= reader.TrackCount(); ++k)
            line += QLatin1Char(' ') + QString::number(TimeToFrames(reader.TrackPosition(k)));
        line += QLatin1Char(' ') + QString::number(reader.DiscLength());
        std::printf("%s\n", line.toLocal8Bit().constData());
        return 0;
    } catch (const CDError &e) {
        std::fprintf(stderr, "dadudu-discid: %s\n", e.what());
        return 1;
    }
}
