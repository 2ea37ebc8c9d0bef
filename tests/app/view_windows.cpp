// Shows one of the windows touched by the keyboard and window work, to look at, not a test:
//   view_windows picture   the picture dialog with a picture made current
//   view_windows drag      the main window with the navigator's drop outline over the right panel
//   view_windows drives    the audio CD editor with long device paths as drives
#include "app/MainWindow.h"
#include "app/PictureFileDialog.h"
#include "editors/AudioCDEditor.h"
#include "support/StoresOnCatalogue.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("picture");
    QTemporaryDir dir;
    if (mode == QLatin1String("picture")) {
        QImage cover(300, 300, QImage::Format_RGB32);
        QPainter p(&cover);
        QLinearGradient g(0, 0, 300, 300);
        g.setColorAt(0, Qt::darkBlue);
        g.setColorAt(1, Qt::yellow);
        p.fillRect(cover.rect(), g);
        p.end();
        const QString path = dir.filePath(QStringLiteral("gold.jpg"));
        cover.save(path, "JPG");
        cover.scaled(400, 200).save(dir.filePath(QStringLiteral("help.jpg")), "JPG");
        PictureFileDialog dialog(nullptr, QStringLiteral("Image JPEG (*.jpg)"));
        dialog.setDirectory(dir.path());
        QTimer::singleShot(500, &dialog, [&] { emit dialog.currentChanged(path); });
        return dialog.exec();
    }
    if (mode == QLatin1String("drag")) {
        EditorCatalogue cat;
        MainWindow window(cat.messages, cat.dialogs, dir.path());
        window.setSplashWaitMs(0);
        window.resize(700, 500);
        window.show();
        QTimer::singleShot(500, &window,
                           [&] { window.dragOver(window.dropGeometry(window.rightDock).center(), window.navigator); });
        return app.exec();
    }
    EditorCatalogue cat;
    AudioCDEditor dialog(cat.cds, cat.artists, cat.messages, cat.dialogs);
    dialog.prepareNew();
    dialog.fillDrives(QStringLiteral("/dev/disk/by-id/usb-Optiarc_DVD_RW_AD-7580S_0123456789AB-0:0\r\n"
                                     "/dev/disk/by-id/usb-Optiarc_DVD_RW_AD-7580S_0123456789AB-0:1"));
    return dialog.exec();
}
