// The program's own windows as a window manager sees them: the buttons of their title bars.

#include "app/FM_About.h"
#include "disc/FM_ChooseCD.h"
#include "editors/FM_AddEditArtist.h"
#include "editors/FM_AddEditMovie.h"
#include "support/EditorCatalogue.h"

#include <QWindow>
#include <QtTest>

namespace {

// Every hint that puts something on a title bar or changes its stacking.
constexpr Qt::WindowFlags TitleBarHints = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
    | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint
    | Qt::WindowContextHelpButtonHint | Qt::WindowShadeButtonHint | Qt::WindowStaysOnTopHint;

} // namespace

class tst_Windows : public QObject
{
    Q_OBJECT

private slots:
    void titleBarButtons_data();
    void titleBarButtons();
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
        dialog = std::make_unique<TF_About>([](const QUrl &) {}, &owner);
    else if (window == QLatin1String("choose"))
        dialog = std::make_unique<TF_ChooseCD>(&owner);
    else if (window == QLatin1String("artist"))
        dialog = std::make_unique<TF_AddEditArtist>(cat.artists, cat.messages, &owner);
    else
        dialog = std::make_unique<TF_AddEditMovie>(cat.movies, cat.messages, &owner);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    // What the window system is asked to draw.
    QVERIFY(dialog->windowHandle());
    QCOMPARE(int(dialog->windowHandle()->flags() & TitleBarHints), hints);
    QCOMPARE(dialog->windowHandle()->flags() & Qt::WindowType_Mask, Qt::Dialog);
}

QTEST_MAIN(tst_Windows)
#include "tst_windows.moc"
