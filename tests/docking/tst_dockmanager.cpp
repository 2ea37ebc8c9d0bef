// Dock sites with caption strips: their size and side, binding errors, the gradient, the shortened
// hint, and a close area that closes nothing.

#include "docking/DockManager.h"

#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Site {
    explicit Site(SiteAlign align = SiteAlign::Left)
    {
        window.resize(300, 200);
        panel = new QWidget(&window);
        panel->setObjectName(QStringLiteral("Panel_left"));
        panel->setGeometry(0, 0, 300, 200);
        manager = new DockManager(&window);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(11);
        font.setBold(true);
        manager->setFont(font, Qt::white);
        manager->setCaptionStartColor(Qt::blue);
        manager->setCaptionEndColor(Qt::white);
        manager->setControl(panel, align);
        docked = new QLabel(QStringLiteral("docked"));
        docked->setToolTip(QStringLiteral("Catalog"));
        manager->tree()->insertControl(docked);
        window.show();
    }
    DockCaptionTree &tree() { return *manager->tree(); }
    QWidget *caption() { return panel->findChild<QWidget *>(QStringLiteral("DockCaption")); }

    QWidget window;
    QWidget *panel;
    DockManager *manager;
    QLabel *docked;
};

} // namespace

Q_DECLARE_METATYPE(SiteAlign)

class tst_DockManager : public QObject
{
    Q_OBJECT
private slots:
    void captionSizeHasAFloor();
    void captionSide_data();
    void captionSide();
    void bindingErrors();
    void gradient_data();
    void gradient();
    void truncateCaption_data();
    void truncateCaption();
    void closeAreaClosesNothing();
    void doubleClickFloatsWhenTheOwnerLetsGo_data();
    void doubleClickFloatsWhenTheOwnerLetsGo();
};

void tst_DockManager::captionSizeHasAFloor()
{
    Site site;
    QFont tiny(QStringLiteral("Arial"));
    tiny.setPixelSize(2);
    site.tree().setCaptionFont(tiny);
    QCOMPARE(site.tree().captionSize(), 11);
    QFont big(QStringLiteral("Arial"));
    big.setPixelSize(30);
    site.tree().setCaptionFont(big);
    QCOMPARE(site.tree().captionSize(), QFontMetrics(big).boundingRect(QStringLiteral("Wg")).height() + 7);
}

void tst_DockManager::captionSide_data()
{
    QTest::addColumn<SiteAlign>("align");
    QTest::addColumn<bool>("onTop");
    QTest::newRow("left") << SiteAlign::Left << true;
    QTest::newRow("right") << SiteAlign::Right << true;
    QTest::newRow("client") << SiteAlign::Client << true;
    QTest::newRow("none") << SiteAlign::None << true;
    QTest::newRow("top") << SiteAlign::Top << false;
    QTest::newRow("bottom") << SiteAlign::Bottom << false;
    QTest::newRow("custom") << SiteAlign::Custom << false;
}

void tst_DockManager::captionSide()
{
    QFETCH(SiteAlign, align);
    QFETCH(bool, onTop);
    Site site(align);
    const int g = site.tree().captionSize();
    const QRect control = site.docked->geometry();
    const QRect caption = site.caption()->geometry();
    if (onTop) {
        QCOMPARE(caption, QRect(control.left(), control.top() - g, control.width(), g));
        QCOMPARE(control.top(), g);
    } else {
        QCOMPARE(caption, QRect(control.left() - g, control.top(), g, control.height()));
        QCOMPARE(control.left(), g);
    }
}

void tst_DockManager::bindingErrors()
{
    Site site;
    // A second manager of the same window on the same panel.
    DockManager second(&site.window);
    try {
        second.setControl(site.panel);
        QFAIL("a second manager took the panel");
    } catch (const DockError &e) {
        QCOMPARE(e.text(), QStringLiteral("Panel_left already has a TDockManagerPro associated with it."));
    }
    QVERIFY(!second.control());
    QVERIFY(site.manager->tree());

    // The same panel again: the manager is left without it, and the panel without a tree.
    QVERIFY_THROWS_EXCEPTION(DockError, site.manager->setControl(site.panel));
    QVERIFY(!site.manager->control());
    QVERIFY(!site.manager->tree());
}

void tst_DockManager::gradient_data()
{
    QTest::addColumn<bool>("onTop");
    QTest::addColumn<int>("extent");
    QTest::newRow("on top, wide") << true << 300;
    QTest::newRow("on top, narrow") << true << 90;
    QTest::newRow("at the left, tall") << false << 300;
}

void tst_DockManager::gradient()
{
    QFETCH(bool, onTop);
    QFETCH(int, extent);
    const QSize size = onTop ? QSize(extent, 12) : QSize(12, extent);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        DockCaptionTree::fillGradient(p, image.rect(), Qt::blue, Qt::white, onTop);
    }
    // Blue where it starts (on a narrow strip later bands cover the first), almost white where it
    // ends, never pure white, and lighter all along the way.
    const QPoint start = onTop ? QPoint(0, 5) : QPoint(5, extent - 1);
    const QPoint end = onTop ? QPoint(extent - 1, 5) : QPoint(5, 0);
    if (extent >= 256) {
        QCOMPARE(QColor(image.pixel(start)), QColor(0, 0, 255));
        QCOMPARE(QColor(image.pixel(end)), QColor(254, 254, 255));
    } else {
        QVERIFY(qRed(image.pixel(end)) >= 250 && qRed(image.pixel(end)) < 255);
    }
    int previous = -1;
    for (int i = 0; i < extent; ++i) {
        const int red = qRed(onTop ? image.pixel(i, 5) : image.pixel(5, extent - 1 - i));
        QVERIFY(red >= previous);
        previous = red;
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QVERIFY(image.pixel(x, y) != qRgb(0, 0, 0));

    QImage flat(size, QImage::Format_RGB32);
    {
        QPainter p(&flat);
        DockCaptionTree::fillGradient(p, flat.rect(), Qt::gray, Qt::gray, onTop);
    }
    QCOMPARE(QColor(flat.pixel(start)), QColor(Qt::gray));
    QCOMPARE(QColor(flat.pixel(end)), QColor(Qt::gray));
}

void tst_DockManager::truncateCaption_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("width");
    QTest::newRow("fits") << "Catalog" << 200;
    QTest::newRow("too long") << "A very long caption for a narrow strip" << 120;
    QTest::newRow("no room at all") << "Catalog" << 20;
    QTest::newRow("empty hint") << "" << 200;
}

void tst_DockManager::truncateCaption()
{
    QFETCH(QString, hint);
    QFETCH(int, width);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    const QFontMetrics m(font);
    const int g = 18;
    const QRect x(0, 0, width, 2);
    const QString s = DockCaptionTree::truncateCaption(m, x, hint, g, true);
    const int room = width - g - 10;
    if (room <= 0) {
        QCOMPARE(s, QString());
    } else if (m.horizontalAdvance(hint) <= room) {
        QCOMPARE(s, hint);
    } else {
        QVERIFY(s.endsWith(QStringLiteral("...")));
        const QString kept = s.chopped(3);
        QVERIFY(hint.startsWith(kept));
        QVERIFY(m.horizontalAdvance(kept) <= room - m.horizontalAdvance(QStringLiteral("...")));
        // One character more would not have fitted.
        QVERIFY(m.horizontalAdvance(hint.left(kept.size() + 1)) > room - m.horizontalAdvance(QStringLiteral("...")));
    }
}

void tst_DockManager::closeAreaClosesNothing()
{
    Site site;
    QVERIFY(QTest::qWaitForWindowExposed(&site.window));
    QWidget *caption = site.caption();
    const QImage before = caption->grab().toImage();
    const QRect close = site.tree().closeRect(site.tree().zoneRect(site.docked)).translated(-caption->pos());
    QTest::mousePress(caption, Qt::LeftButton, {}, close.center());
    QVERIFY(site.tree().ClosePressed);
    QTest::mouseMove(caption, close.center() + QPoint(1, 0));
    QTest::mouseRelease(caption, Qt::LeftButton, {}, close.center());
    QVERIFY(site.docked->isVisible());
    QCOMPARE(site.docked->parentWidget(), site.panel);
    QCOMPARE(caption->grab().toImage(), before);
}

void tst_DockManager::doubleClickFloatsWhenTheOwnerLetsGo_data()
{
    QTest::addColumn<bool>("allow");
    QTest::newRow("owner refuses") << false;
    QTest::newRow("owner lets go") << true;
}

// A double click asks the site's owner whether the control may leave for no target; only a yes floats it.
void tst_DockManager::doubleClickFloatsWhenTheOwnerLetsGo()
{
    QFETCH(bool, allow);
    Site site;
    QList<QPair<QWidget *, QWidget *>> asked;
    site.tree().setUnDockCheck([&](QWidget *control, QWidget *target) {
        asked.append(qMakePair(control, target));
        return allow;
    });
    QSignalSpy floats(&site.tree(), &DockCaptionTree::floated);
    QTest::mouseDClick(site.caption(), Qt::LeftButton, {}, QPoint(40, 5));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().first, site.docked);
    QCOMPARE(asked.first().second, static_cast<QWidget *>(nullptr));
    QCOMPARE(floats.count(), allow ? 1 : 0);
    QCOMPARE(site.tree().controls().contains(site.docked), !allow);
    QCOMPARE(site.docked->isWindow(), allow);
}

QTEST_MAIN(tst_DockManager)
#include "tst_dockmanager.moc"
