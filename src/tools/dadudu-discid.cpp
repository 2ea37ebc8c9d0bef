// dadudu-discid [--musicbrainz] DEVICE-OR-CUE-FILE: prints what a CDDB query for that disc carries,
// one line: the disc identifier, the track count, the start frame of each track and the length in
// seconds. With --musicbrainz it prints the disc's MusicBrainz identifier instead.

#include "disc/CDInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the CDDB query of an audio CD in a drive, or of a CUE sheet with its BIN image, on one line:\n"
        "the disc identifier, the track count, the start frame of each track and the disc's length in seconds."));
    const QCommandLineOption musicBrainz(QStringLiteral("musicbrainz"),
                                         QStringLiteral("Prints the disc's MusicBrainz identifier instead."));
    parser.addOption(musicBrainz);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("disc"), QStringLiteral("A CD drive's device or a CUE sheet."),
                                 QStringLiteral("DEVICE-OR-CUE-FILE"));
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "dadudu-discid: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr,
                     "dadudu-discid: usage: dadudu-discid [--musicbrainz] DEVICE-OR-CUE-FILE   (--help tells more)\n");
        return 2;
    }
    try {
        CDInfo reader;
        reader.openDrive(parser.positionalArguments().constFirst());
        QString line;
        if (parser.isSet(musicBrainz)) {
            line = reader.musicBrainzId();
        } else {
            line = reader.discIdText() + QLatin1Char(' ') + QString::number(reader.trackCount());
            for (int k = 1; k <= reader.trackCount(); ++k)
                line += QLatin1Char(' ') + QString::number(timeToFrames(reader.trackPosition(k)));
            line += QLatin1Char(' ') + QString::number(reader.discLength());
        }
        std::printf("%s\n", line.toLocal8Bit().constData());
        return 0;
    } catch (const CDError &e) {
        // One line that names the disc, whatever the library's words.
        const QString disc = parser.positionalArguments().constFirst();
        const QString text = QString::fromLocal8Bit(e.what()).simplified();
        std::fprintf(stderr, "dadudu-discid: %s%s\n",
                     text.contains(disc) ? "" : qPrintable(disc + QStringLiteral(": ")), qPrintable(text));
        return 1;
    }
}
