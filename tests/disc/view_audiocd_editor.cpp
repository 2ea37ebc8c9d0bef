// Opens the audio CD editor on a scratch catalogue, with a CUE image as the drive and web servers
// of its own on 127.0.0.1, and runs the lookup once it is up; to look at, not a test.
//   view_audiocd_editor          gnudb only, one match: the editor is filled
//   view_audiocd_editor choose   MusicBrainz, gnudb and the disc's CD-Text: the choice shows over the editor
#include "CueImage.h"
#include "ScriptedServer.h"
#include "disc/CDInfo.h"
#include "editors/AudioCDEditor.h"
#include "store/ArtistStore.h"
#include "store/AudioCDStore.h"
#include "store/CatalogueConnection.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool choose = argc > 1 && QByteArray(argv[1]) == "choose";
    QTemporaryDir dir;
    const QString disc
        = writeCueImage(dir.path(), QStringLiteral("disc"), {150, 18780}, 33825, {}, {},
                        {QStringLiteral("CATALOG 4006381333931"), QStringLiteral("PERFORMER \"Caf\u00e9 Tacvba\""),
                         QStringLiteral("TITLE \"Re\"")},
                        {QStringLiteral("TITLE \"El Aparato\""), QStringLiteral("TITLE \"Las Flores\"")});

    TempCatalogue file;
    file.exec(QStringLiteral("insert into ARTISTE (ART_NAME) values ('Abba'), ('Beatles'), ('SOME ARTIST');"));
    RecordingMessages messages;
    RecordingDialogs dialogs;
    CatalogueConnection main(messages);
    main.openDatabase(file.path());
    AudioCDStore cds(main, messages);
    ArtistStore artists(main, messages);
    cds.openList();
    artists.openList();

    // The servers speak UTF-8; ScriptedServer writes its steps one byte a character.
    auto reply = [](const QString &head, const QString &body) {
        const QByteArray bytes = body.toUtf8();
        return head + QStringLiteral("Content-Length: %1\r\n\r\n").arg(bytes.size()) + QString::fromLatin1(bytes);
    };
    const QString text = QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n");
    const QString id = readDisc(disc).musicBrainzId;
    const QString mb
        = QStringLiteral(
              "{\"id\":\"%1\",\"releases\":["
              "{\"id\":\"r-1\",\"title\":\"Some "
              "Title\",\"date\":\"1999-05-01\",\"country\":\"GB\",\"barcode\":\"5099749594321\","
              "\"artist-credit\":[{\"name\":\"Some Artist\",\"joinphrase\":\" & "
              "\"},{\"name\":\"Friends\",\"joinphrase\":\"\"}],"
              "\"media\":[{\"position\":1,\"discs\":[{\"id\":\"%1\"}],\"tracks\":[{\"title\":\"Intro\"},{\"title\":"
              "\"Song\"}]}]},"
              "{\"id\":\"r-2\",\"title\":\"Some Title (Deluxe)\",\"date\":\"2009\",\"country\":\"XE\",\"barcode\":\"\","
              "\"artist-credit\":[{\"name\":\"Some Artist\",\"joinphrase\":\"\"}],"
              "\"media\":[{\"position\":1,\"discs\":[{\"id\":\"%1\"}],\"tracks\":[{\"title\":\"Intro\"},{\"title\":"
              "\"Song\"},"
              "{\"title\":\"Bonus\"}]}]}]}")
              .arg(id);
    const QString query = QStringLiteral("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                         "rock 0901c102 Some Artist / Some Title\r\n"
                                         "jazz 0901c1ff Other Artist / Other Title\r\n.\r\n");
    const QString read
        = QStringLiteral("210 rock 0901c102 CD database entry follows\r\nDTITLE=Some Artist / Some Title\r\n"
                         "DYEAR=1999\r\nTTITLE0=Intro\r\nTTITLE1=Caf\u00e9 = Song\r\n.\r\n");
    const QString other
        = QStringLiteral("210 jazz 0901c1ff CD database entry follows\r\nDTITLE=Other Artist / Other Title\r\n"
                         "DYEAR=2004\r\nTTITLE0=One\r\nTTITLE1=Two\r\nTTITLE2=Three\r\n.\r\n");
    ScriptedServer server(
        choose ? QStringList{reply(QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n"), mb),
                             reply(text, query), reply(text, read), reply(text, other)}
               : QStringList{reply(text, QStringLiteral("200 rock 0901c102 Some Artist / Some Title\r\n")),
                             reply(text, read)});

    AudioCDEditor dialog(cds, artists, messages, dialogs);
    DiscPreferences preferences;
    preferences.gnudbUrl = QStringLiteral("http://127.0.0.1:%1/~cddb").arg(server.port());
    preferences.musicBrainzUrl = preferences.coverArtUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    for (DiscPreferences::Source &s : preferences.sources)
        s.enabled = choose || s.source == LookupSource::Gnudb;
    dialog.setPreferences(preferences);
    dialog.prepareNew();
    dialog.fillDrives(disc);
    QTimer::singleShot(800, &dialog, [&] { dialog.startCddbLookup(); });
    return dialog.exec();
}
