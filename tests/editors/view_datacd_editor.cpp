// Opens the data CD editor on a scratch catalogue with a temporary folder as the drive, and scans
// it once it is up; to look at, not a test.
#include "editors/DataCDEditor.h"
#include "store/CatalogueConnection.h"
#include "store/DataCDStore.h"
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
    CatalogueConnection main(messages);
    main.openDatabase(file.path());
    DataCDStore data(main, messages);
    data.openList();

    DataCDEditor dialog(data, messages);
    dialog.prepareNew();
    dialog.fillDrives(dir.path());
    dialog.titleEdit->setText(QStringLiteral("Backup 2003"));
    QTimer::singleShot(800, &dialog, [&] { dialog.scanDrive(); });
    return dialog.exec();
}
