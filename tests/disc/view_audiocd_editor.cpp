// Opens the audio CD editor on a scratch catalogue, with a CUE image as the drive and a CDDB server
// of its own on 127.0.0.1, and runs the lookup once it is up; to look at, not a test.
//   view_audiocd_editor          one match: the editor is filled
//   view_audiocd_editor choose   three matches: the choice dialog shows over the editor
#include "CueImage.h"
#include "ScriptedServer.h"
#include "editors/FM_AddEditAudioCD.h"
#include "store/DM_Artist.h"
#include "store/DM_CD.h"
#include "store/DM_Main.h"
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
    const QString disc = writeCueImage(dir.path(), QStringLiteral("disc"), {150, 18780}, 33825);

    TempCatalogue file;
    file.exec(QStringLiteral("insert into ARTISTE (ART_NAME) values ('Abba'), ('Beatles'), ('SOME ARTIST');"));
    RecordingMessages messages;
    RecordingDialogs dialogs;
    TD_Main main(messages);
    main.OpenDatabase(file.path());
    TD_CD cds(main, messages);
    TD_Artist artists(main, messages);
    cds.OpenList();
    artists.OpenList();

    const QString head = QStringLiteral("HTTP/1.0 200 OK\r\n\r\n");
    const QString query = choose ? QStringLiteral("211 Found inexact matches, list follows (until terminating `.')\r\n"
                                                  "rock 0901c102 Some Artist / Some Title\r\n"
                                                  "jazz 0901c1ff Other Artist / Other Title\r\n"
                                                  "misc 0a01c102 Caf\u00e9 Tacvba / Re\r\n.\r\n")
                                 : QStringLiteral("200 rock 0901c102 Some Artist / Some Title\r\n");
    const QString read = QStringLiteral(
        "210 rock 0901c102 CD database entry follows\r\nDTITLE=Some Artist / Some Title\r\nDYEAR=1999\r\n"
        "TTITLE0=Intro\r\nTTITLE1=Caf\u00e9 = Song\r\nTTITLE2=Outro\r\n.\r\n");
    const QString other = QStringLiteral("210 jazz 0901c1ff CD database entry follows\r\nDTITLE=Other Artist / Other Title\r\n"
                                         "DYEAR=2004\r\nTTITLE0=One\r\nTTITLE1=Two\r\nTTITLE2=Three\r\n.\r\n");
    const QString third = QStringLiteral("210 misc 0a01c102 CD database entry follows\r\nDTITLE=Caf\u00e9 Tacvba / Re\r\n"
                                         "DYEAR=1994\r\nTTITLE0=El Aparato\r\nTTITLE1=Las Flores\r\n.\r\n");
    // The server speaks UTF-8; its steps go out one byte a character.
    auto utf8 = [](const QString &text) { return QString::fromLatin1(text.toUtf8()); };
    ScriptedServer server(choose ? QStringList{head + query, head + utf8(read), head + utf8(other), head + utf8(third)}
                                 : QStringList{head + query, head + utf8(read)});

    TF_AddEditAudioCD dialog(cds, artists, messages, dialogs);
    DiscPreferences preferences;
    preferences.gnudbUrl = QStringLiteral("http://127.0.0.1:%1/~cddb").arg(server.port());
    preferences.musicBrainzUrl = preferences.coverArtUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    for (DiscPreferences::Source &s : preferences.sources)
        s.enabled = s.source == LookupSource::Gnudb;
    dialog.setPreferences(preferences);
    dialog.prepareNew();
    dialog.FillDrives(disc);
    dialog.Edit_barcode->setText(QStringLiteral("4006381333931"));
    QTimer::singleShot(800, &dialog, [&] { dialog.StartCDDBLookup(); });
    return dialog.exec();
}
