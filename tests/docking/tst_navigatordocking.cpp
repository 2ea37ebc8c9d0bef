// The navigator's four dock panels: one open at a time at its size, the splitter on its inner side,
// only the navigator accepted, and never floating; the window's first size, and its place and the
// navigator's kept from one run to the next.

#include "app/MainWindow.h"
#include "base/Settings.h"
#include "docking/DockManager.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingMessages.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QScopeGuard>
#include <QScreen>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

struct Fixture {
    Fixture()
    {
        QTemporaryDir empty; // no catalogue: the window itself is what is looked at
        window = std::make_unique<MainWindow>(messages, dialogs, empty.path());
        window->setSplashWaitMs(0);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    MainWindow &w() { return *window; }
    QWidget *panel(int i)
    {
        QWidget *panels[] = {w().leftDock, w().topDock, w().rightDock, w().bottomDock};
        return panels[i];
    }
    void settle() { QCoreApplication::processEvents(); }

    RecordingMessages messages;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

} // namespace

class tst_NavigatorDocking : public QObject
{
    Q_OBJECT
private slots:
    void startsInTheLeftPanel();
    void dropOpensOnlyThatPanel_data();
    void dropOpensOnlyThatPanel();
    void droppingBackResetsTheSize();
    void onlyTheNavigatorDocks();
    void neverFloats();
    void dropsFindClosedPanelsNearTheirEdge();
    void closedPanelsTakeDropsWhereTheyWouldOpen_data();
    void closedPanelsTakeDropsWhereTheyWouldOpen();
    void outlineShowsWhereTheDragLands_data();
    void outlineShowsWhereTheDragLands();
    void firstStartSuitsTheScreen();
    void placeAndNavigatorComeBack_data();
    void placeAndNavigatorComeBack();
};

void tst_NavigatorDocking::startsInTheLeftPanel()
{
    Fixture f;
    QCOMPARE(f.w().dockedPanel(), f.w().leftDock);
    QCOMPARE(f.w().navigator->parentWidget(), f.w().leftDock);
    QCOMPARE(f.w().panelSize(f.w().leftDock), 90);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(f.w().panelSize(f.panel(i)), 0);
    // Its caption says what the navigator's hint says.
    QCOMPARE(f.w().navigator->toolTip(), QStringLiteral("Catalog"));
    QVERIFY(f.w().leftDock->findChild<QWidget *>(QStringLiteral("DockCaption"))->isVisible());
}

void tst_NavigatorDocking::dropOpensOnlyThatPanel_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("size");
    QTest::newRow("top") << 1 << 60;
    QTest::newRow("right") << 2 << 90;
    QTest::newRow("bottom") << 3 << 60;
    QTest::newRow("left") << 0 << 90;
}

void tst_NavigatorDocking::dropOpensOnlyThatPanel()
{
    QFETCH(int, target);
    QFETCH(int, size);
    Fixture f;
    f.w().dockNavigator(f.panel(target == 0 ? 3 : 0)); // start elsewhere
    f.w().dockNavigator(f.panel(target));
    f.settle();
    QCOMPARE(f.w().dockedPanel(), f.panel(target));
    QCOMPARE(f.w().panelSize(f.panel(target)), size);
    for (int i = 0; i < 4; ++i)
        if (i != target)
            QCOMPARE(f.w().panelSize(f.panel(i)), 0);
    // The splitter sits on the panel's inner side and is the only one shown.
    auto *splitter = qobject_cast<QSplitter *>(f.panel(target)->parentWidget());
    QVERIFY(splitter);
    const int index = splitter->indexOf(f.panel(target));
    QVERIFY(splitter->handle(index == 0 ? 1 : index)->isVisible());
    QVERIFY(!splitter->handle(index == 0 ? 2 : 1)->isVisible());
    // Captions run along the top of a side panel and up the left of a top or bottom one.
    const QWidget *caption = f.panel(target)->findChild<QWidget *>(QStringLiteral("DockCaption"));
    QVERIFY(caption);
    const bool side = target == 0 || target == 2;
    QVERIFY(side ? caption->width() > caption->height() : caption->height() > caption->width());
}

void tst_NavigatorDocking::droppingBackResetsTheSize()
{
    Fixture f;
    auto *splitter = qobject_cast<QSplitter *>(f.w().leftDock->parentWidget());
    QList<int> sizes = splitter->sizes();
    sizes[1] -= 150;
    sizes[0] += 150;
    splitter->setSizes(sizes);
    f.settle();
    QCOMPARE(f.w().panelSize(f.w().leftDock), 240);
    f.w().dockNavigator(f.w().leftDock);
    f.settle();
    QCOMPARE(f.w().panelSize(f.w().leftDock), 90);
    // The splitter cannot shrink it below its size.
    QCOMPARE(f.w().leftDock->minimumWidth(), 90);
}

void tst_NavigatorDocking::onlyTheNavigatorDocks()
{
    Fixture f;
    QVERIFY(f.w().panelDockOver(f.w().navigator));
    QVERIFY(!f.w().panelDockOver(f.w().toolBar));
    QVERIFY(!f.w().panelDockOver(nullptr));
}

void tst_NavigatorDocking::neverFloats()
{
    Fixture f;
    f.w().dockNavigator(f.w().rightDock);
    DockCaptionTree *tree = nullptr;
    for (DockManager *m : f.w().dockManagers())
        if (m->control() == f.w().rightDock)
            tree = m->tree();
    QVERIFY(tree);
    QWidget *caption = f.w().rightDock->findChild<QWidget *>(QStringLiteral("DockCaption"));
    QTest::mouseDClick(caption, Qt::LeftButton, {}, QPoint(20, caption->height() / 2));
    // A drag that ended nowhere.
    emit tree->dragEnded(f.w().navigator, nullptr);
    f.settle();
    QCOMPARE(f.w().dockedPanel(), f.w().rightDock);
    QVERIFY(f.w().navigator->isVisible());
    QCOMPARE(f.w().navigator->window(), f.window.get());
}

void tst_NavigatorDocking::dropsFindClosedPanelsNearTheirEdge()
{
    Fixture f;
    const QRect central = f.w().centralWidget()->geometry();
    QCOMPARE(f.w().panelAt(QPoint(central.center().x(), central.bottom() - 2)), f.w().bottomDock);
    QCOMPARE(f.w().panelAt(QPoint(central.right() - 2, central.center().y())), f.w().rightDock);
    QCOMPARE(f.w().panelAt(QPoint(central.center().x(), central.top() + 2)), f.w().topDock);
    QCOMPARE(f.w().panelAt(QPoint(central.left() + 40, central.center().y())), f.w().leftDock);
    // The middle of the client area is no panel: a drop there changes nothing.
    QCOMPARE(f.w().panelAt(central.center()), nullptr);
}

namespace {

QRect inWindow(const QWidget *w)
{
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

} // namespace

void tst_NavigatorDocking::closedPanelsTakeDropsWhereTheyWouldOpen_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("top") << 1;
    QTest::newRow("right") << 2;
    QTest::newRow("bottom") << 3;
}

void tst_NavigatorDocking::closedPanelsTakeDropsWhereTheyWouldOpen()
{
    QFETCH(int, target);
    Fixture f;
    QWidget *panel = f.panel(target);
    QCOMPARE(f.w().panelSize(panel), 0);
    const QRect future = f.w().dropGeometry(panel);
    const QRect central = f.w().centralWidget()->geometry();
    QVERIFY(central.contains(future));
    // Just inside the inner side of the place it would take, and at its middle.
    const QPoint inner = target == 1 ? QPoint(future.center().x(), future.bottom() - 2)
        : target == 2                ? QPoint(future.left() + 2, future.center().y())
                                     : QPoint(future.center().x(), future.top() + 2);
    QCOMPARE(f.w().panelAt(inner), panel);
    QCOMPARE(f.w().panelAt(future.center()), panel);

    // And the place is the one the panel takes.
    f.w().dockNavigator(panel);
    f.settle();
    QCOMPARE(inWindow(panel), future);
}

void tst_NavigatorDocking::outlineShowsWhereTheDragLands_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("the closed top panel") << 1;
    QTest::newRow("the closed right panel") << 2;
    QTest::newRow("the closed bottom panel") << 3;
    QTest::newRow("the open left panel") << 0;
}

void tst_NavigatorDocking::outlineShowsWhereTheDragLands()
{
    QFETCH(int, target);
    Fixture f;
    // The open panel widened by hand: a drop there still puts it back to its size.
    auto *splitter = qobject_cast<QSplitter *>(f.w().leftDock->parentWidget());
    QList<int> sizes = splitter->sizes();
    sizes[1] -= 60;
    sizes[0] += 60;
    splitter->setSizes(sizes);
    f.settle();
    QCOMPARE(f.w().panelSize(f.w().leftDock), 150);
    QWidget *panel = f.panel(target);
    QWidget *outline = f.w().dropOutline();
    QVERIFY(outline && !outline->isVisible());
    const QRect future = f.w().dropGeometry(panel);
    const QPoint away = f.w().centralWidget()->geometry().center();
    QCOMPARE(f.w().panelAt(away), nullptr);

    // Over the panel: the outline stands where the panel will, above everything else.
    QCOMPARE(f.w().dragOver(future.center(), f.w().navigator), panel);
    QVERIFY(outline->isVisible());
    QCOMPARE(inWindow(outline), future);
    // The drag's events go through it to what lies under it.
    QVERIFY(f.w().childAt(future.center()) != outline);
    // Off every panel, or dragging something that does not dock: none.
    QCOMPARE(f.w().dragOver(away, f.w().navigator), nullptr);
    QVERIFY(!outline->isVisible());
    f.w().dragOver(future.center(), f.w().navigator);
    QCOMPARE(f.w().dragOver(future.center(), f.w().toolBar), nullptr);
    QVERIFY(!outline->isVisible());

    // The drop takes it away.
    f.w().dragOver(future.center(), f.w().navigator);
    QVERIFY(outline->isVisible());
    // Where the outline stood is where the panel now stands.
    f.w().dockNavigator(panel);
    f.settle();
    QVERIFY(!outline->isVisible());
    QCOMPARE(inWindow(panel), future);
}

void tst_NavigatorDocking::firstStartSuitsTheScreen()
{
    QTemporaryDir dir;
    setSettingsFile(dir.filePath(QStringLiteral("dadudu.ini")));
    const auto restore = qScopeGuard([] { setSettingsFile({}); });
    Fixture f;
    // The screen main() asked for is far larger than the window's drawn size.
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(free.size(), QSize(1600, 1000));
    QVERIFY2(f.w().width() >= free.width() / 2 && f.w().height() >= free.height() / 2,
             qPrintable(QStringLiteral("%1x%2").arg(f.w().width()).arg(f.w().height())));
    QVERIFY(free.contains(f.w().frameGeometry()));
}

void tst_NavigatorDocking::placeAndNavigatorComeBack_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("widenedBy");
    QTest::addColumn<QRect>("place");
    QTest::newRow("left, widened") << 0 << 70 << QRect(40, 30, 900, 700);
    QTest::newRow("top, as docked") << 1 << 0 << QRect(300, 200, 700, 600);
    QTest::newRow("right, widened") << 2 << 110 << QRect(10, 20, 1200, 800);
    QTest::newRow("bottom, widened") << 3 << 40 << QRect(100, 50, 800, 650);
}

void tst_NavigatorDocking::placeAndNavigatorComeBack()
{
    QFETCH(int, target);
    QFETCH(int, widenedBy);
    QFETCH(QRect, place);
    QTemporaryDir dir;
    setSettingsFile(dir.filePath(QStringLiteral("dadudu.ini")));
    const auto restore = qScopeGuard([] { setSettingsFile({}); });
    int size = 0;
    {
        Fixture f;
        f.w().setGeometry(place);
        f.settle();
        f.w().dockNavigator(f.panel(target));
        f.settle();
        if (widenedBy) {
            QWidget *panel = f.panel(target);
            auto *splitter = qobject_cast<QSplitter *>(panel->parentWidget());
            QList<int> sizes = splitter->sizes();
            const int at = splitter->indexOf(panel);
            sizes[at] += widenedBy;
            sizes[1] -= widenedBy;
            splitter->setSizes(sizes);
            f.settle();
        }
        size = f.w().panelSize(f.panel(target));
        QVERIFY(size > 0);
        QCOMPARE(f.w().geometry(), place);
        QVERIFY(f.w().close());
    }
    Fixture again;
    again.settle();
    QCOMPARE(again.w().geometry(), place);
    QCOMPARE(again.w().dockedPanel(), again.panel(target));
    QCOMPARE(again.w().panelSize(again.panel(target)), size);
    // Widened before, it may still be narrowed back to the size it docks at.
    const bool sideways = target == 0 || target == 2;
    QCOMPARE(sideways ? again.panel(target)->minimumWidth() : again.panel(target)->minimumHeight(), sideways ? 90 : 60);
    for (int i = 0; i < 4; ++i)
        if (i != target)
            QCOMPARE(again.w().panelSize(again.panel(i)), 0);
}

// One large screen, so that a size fitted to it tells from the window's drawn size.
int main(int argc, char **argv)
{
    QTemporaryDir config;
    const QString file = config.filePath(QStringLiteral("screens.json"));
    QFile json(file);
    if (!json.open(QIODevice::WriteOnly)
        || json.write(R"({"screens": [{"name": "Large", "x": 0, "y": 0, "width": 1600, "height": 1000,
                          "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
            < 0)
        return 1;
    json.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file).toLocal8Bit());
    QApplication app(argc, argv);
    tst_NavigatorDocking test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_navigatordocking.moc"
