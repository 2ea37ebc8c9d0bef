// Opens the data CD editor on a scratch catalogue with a temporary folder as the drive, and scans
// it once it is up; to look at, not a test.
#include "editors/FM_AddEditDataCD.h"
#include "store/DM_Data.h"
#include "store/DM_Main.h"
#include "support/RecordingMessages.h"
#include "support/TempCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir root(dir.path());
    for (const char *folder : {"Docs", "Setup", "Photos 2003", ".hidden"})
        root.mkpath(QString::fromLatin1(folder));
    for (const char *file : {"autorun.inf", "readme.txt", "Caf\xc3\xa9.mp3", ".DS_Store"}) {
        QFile f(root.filePath(QString::fromUtf8(file)));
        f.open(QIODevice::WriteOnly);
    }

    TempCatalogue file;
    RecordingMessages messages;
    TD_Main main(messages);
    main.OpenDatabase(file.path());
    TD_Data data(main, messages);
    data.OpenList();

    TF_AddEditDataCD dialog(data, messages);
    dialog.prepareNew();
    dialog.FillDrives(dir.path());
    dialog.Edit_title->setText(QStringLiteral("Backup 2003"));
    QTimer::singleShot(800, &dialog, [&] { dialog.ScanDrive(); });
    return dialog.exec();
}
