// The program's own windows as a window manager sees them: the buttons of their title bars, the
// message boxes over the splash and what they tell of a failure, and the picture dialog's preview.

#include "app/AboutDialog.h"
#include "app/BoxMessageService.h"
#include "app/PictureFileDialog.h"
#include "app/SplashScreen.h"
#include "app/StandardDialogService.h"
#include "base/Texts.h"
#include "disc/ChooseCDDialog.h"
#include "editors/ArtistEditor.h"
#include "editors/MovieEditor.h"
#include "store/CatalogueConnection.h"
#include "store/MovieStore.h"
#include "support/ModalDriver.h"
#include "support/StoresOnCatalogue.h"
#include "support/TempCatalogue.h"

#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace {

// Every hint that puts something on a title bar or changes its stacking.
constexpr Qt::WindowFlags TitleBarHints = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
    | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint
    | Qt::WindowContextHelpButtonHint | Qt::WindowShadeButtonHint | Qt::WindowStaysOnTopHint;

QString writePicture(const QString &path, const QSize &size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, "JPG") ? path : QString();
}

} // namespace

class tst_Windows : public QObject
{
    Q_OBJECT

private slots:
    void titleBarButtons_data();
    void titleBarButtons();
    void boxesComeAboveTheSplash_data();
    void boxesComeAboveTheSplash();
    void failureBoxKeepsTheEngineInDetails();
    void picturePreview_data();
    void picturePreview();
};

void tst_Windows::titleBarButtons_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("hints");

    const Qt::WindowFlags titleOnly = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    const Qt::WindowFlags closeBoxOnly = titleOnly | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    QTest::newRow("about box: no button") << QStringLiteral("about") << int(titleOnly);
    QTest::newRow("choice of matches: no close box") << QStringLiteral("choose") << int(titleOnly);
    QTest::newRow("artist editor: close box only") << QStringLiteral("artist") << int(closeBoxOnly);
    QTest::newRow("movie editor: close box only") << QStringLiteral("movie") << int(closeBoxOnly);
}

void tst_Windows::titleBarButtons()
{
    QFETCH(QString, window);
    QFETCH(int, hints);

    // Owned by the main window, as the program opens them.
    QWidget owner;
    owner.show();
    EditorCatalogue cat;
    std::unique_ptr<QDialog> dialog;
    if (window == QLatin1String("about"))
        dialog = std::make_unique<AboutDialog>([](const QUrl &) {}, &owner);
    else if (window == QLatin1String("choose"))
        dialog = std::make_unique<ChooseCDDialog>(&owner);
    else if (window == QLatin1String("artist"))
        dialog = std::make_unique<ArtistEditor>(cat.artists, cat.messages, &owner);
    else
        dialog = std::make_unique<MovieEditor>(cat.movies, cat.messages, &owner);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    // What the window system is asked to draw.
    QVERIFY(dialog->windowHandle());
    QCOMPARE(int(dialog->windowHandle()->flags() & TitleBarHints), hints);
    QCOMPARE(dialog->windowHandle()->flags() & Qt::WindowType_Mask, Qt::Dialog);
}

void tst_Windows::boxesComeAboveTheSplash_data()
{
    QTest::addColumn<bool>("splash");
    QTest::addColumn<bool>("question");

    QTest::newRow("error box, splash up") << true << false;
    QTest::newRow("question, splash up") << true << true;
    QTest::newRow("error box, no splash") << false << false;
    QTest::newRow("question, no splash") << false << true;
}

void tst_Windows::boxesComeAboveTheSplash()
{
    QFETCH(bool, splash);
    QFETCH(bool, question);

    std::unique_ptr<SplashScreen> banner;
    if (splash) {
        banner = std::make_unique<SplashScreen>();
        banner->show();
        QVERIFY(QTest::qWaitForWindowExposed(banner.get()));
        QVERIFY(banner->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
    bool onTop = !splash;
    auto driver = driveModal<QMessageBox>([&](QMessageBox *box) {
        onTop = box->windowHandle() && box->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    });
    BoxMessageService messages;
    if (question)
        messages.confirm(Texts::CantOpenDataFile);
    else
        messages.error(Texts::CantOpenDataFile);
    QVERIFY(driver->came());
    // Kept above only while something else is: a box must not cover other programs for good.
    QCOMPARE(onTop, splash);
}

// A write refused because another connection holds the catalogue's lock: the box says so in the
// user's words under the operation's message, and the engine's words wait behind its details.
void tst_Windows::failureBoxKeepsTheEngineInDetails()
{
    const QString why = TempCatalogue::unavailable();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    TempCatalogue cat;
    BoxMessageService messages;
    CatalogueConnection main(messages);
    main.connection.setBusyTimeoutMs(0);
    main.openDatabase(cat.path());
    QVERIFY(main.connection.connected());
    MovieStore movies(main, messages);

    QString text;
    QString details;
    auto driver = driveModal<QMessageBox>([&](QMessageBox *box) {
        text = box->text();
        details = box->detailedText();
    });
    cat.holdWriteLock();
    movies.addMovie(QStringLiteral("Casablanca"), QStringLiteral("DVD"));
    cat.releaseWriteLock();
    QVERIFY(driver->came());
    QCOMPARE(text, Texts::MovieNotAdded + Texts::LineBreak + Texts::ReasonCatalogueBusy);
    QVERIFY2(details.contains(cat.isServer() ? QStringLiteral("lock timeout") : QStringLiteral("database is locked")),
             qPrintable(details));
    QCOMPARE(cat.count(QStringLiteral("MOVIE")), 0);
}

void tst_Windows::picturePreview_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("pictureSize"); // empty: the file holds no picture

    QTest::newRow("wide picture") << QStringLiteral("wide.jpg") << QSize(200, 100);
    QTest::newRow("small picture") << QStringLiteral("small.jpg") << QSize(40, 30);
    QTest::newRow("text named as a picture") << QStringLiteral("notes.jpg") << QSize();
    QTest::newRow("folder") << QStringLiteral("covers") << QSize();
}

void tst_Windows::picturePreview()
{
    QFETCH(QString, file);
    QFETCH(QSize, pictureSize);

    QTemporaryDir dir;
    const QColor color(200, 30, 40);
    QVERIFY(!writePicture(dir.filePath(QStringLiteral("other.jpg")), QSize(60, 60), Qt::blue).isEmpty());
    const QString path = dir.filePath(file);
    if (pictureSize.isValid()) {
        QVERIFY(!writePicture(path, pictureSize, color).isEmpty());
    } else if (file.endsWith(QLatin1String(".jpg"))) {
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture\n");
    } else {
        QVERIFY(QDir(dir.path()).mkdir(file));
    }

    PictureFileDialog dialog(nullptr, StandardDialogService::qtFilter(Texts::FilterPicture));
    dialog.setDirectory(dir.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLabel *preview = dialog.preview();
    QVERIFY(preview && preview->isVisible());
    QVERIFY(dialog.rect().contains(preview->geometry()));

    // Another picture first: what the preview shows must follow the file made current.
    emit dialog.currentChanged(dir.filePath(QStringLiteral("other.jpg")));
    QVERIFY(!preview->pixmap().isNull());
    emit dialog.currentChanged(path);

    const QPixmap shown = preview->pixmap();
    if (!pictureSize.isValid()) {
        QVERIFY(shown.isNull());
        return;
    }
    QVERIFY(!shown.isNull());
    // Whole and undistorted, within the preview.
    const QSize fitted = pictureSize.scaled(preview->contentsRect().size(), Qt::KeepAspectRatio);
    QVERIFY2(qAbs(shown.width() - fitted.width()) <= 1 && qAbs(shown.height() - fitted.height()) <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
    const QColor middle = shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2);
    QVERIFY2(qAbs(middle.red() - color.red()) < 16 && qAbs(middle.green() - color.green()) < 16
                 && qAbs(middle.blue() - color.blue()) < 16,
             qPrintable(middle.name()));
}

QTEST_MAIN(tst_Windows)
#include "tst_windows.moc"
