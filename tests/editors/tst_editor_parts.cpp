// The parts the audio and data CD editors are built from: the anchored layout that follows the
// dialog's size.

#include "editors/AnchoredLayout.h"

#include <QFrame>
#include <QtTest>

using Anchor = AnchoredLayout::Anchor;

class TestEditorParts : public QObject
{
    Q_OBJECT

private slots:
    void anchors_data();
    void anchors();
};

void TestEditorParts::anchors_data()
{
    QTest::addColumn<int>("anchors"); // -1: none given
    QTest::addColumn<QRect>("expected");

    // Placed at 10, 20, 50 x 60; the dialog then grows by 40 x 30.
    QTest::newRow("none given stays") << -1 << QRect(10, 20, 50, 60);
    QTest::newRow("left top stays") << int(Anchor::Left | Anchor::Top) << QRect(10, 20, 50, 60);
    QTest::newRow("top right moves across") << int(Anchor::Top | Anchor::Right) << QRect(50, 20, 50, 60);
    QTest::newRow("right bottom moves both ways") << int(Anchor::Right | Anchor::Bottom) << QRect(50, 50, 50, 60);
    QTest::newRow("left bottom moves down") << int(Anchor::Left | Anchor::Bottom) << QRect(10, 50, 50, 60);
    QTest::newRow("left top right widens") << int(Anchor::Left | Anchor::Top | Anchor::Right) << QRect(10, 20, 90, 60);
    QTest::newRow("left top bottom grows down") << int(Anchor::Left | Anchor::Top | Anchor::Bottom) << QRect(10, 20, 50, 90);
    QTest::newRow("all sides grows both ways") << int(Anchor::AllSides) << QRect(10, 20, 90, 90);
}

void TestEditorParts::anchors()
{
    QFETCH(int, anchors);
    QFETCH(QRect, expected);

    // The control sits in a panel that grows with the dialog, as in the editors.
    QWidget dialog;
    dialog.resize(300, 200);
    auto *panel = new QFrame(&dialog);
    auto *control = new QWidget(panel);
    AnchoredLayout layout;
    layout.place(panel, 8, 8, 284, 184, Anchor::AllSides);
    if (anchors < 0)
        layout.place(control, 10, 20, 50, 60);
    else
        layout.place(control, 10, 20, 50, 60, AnchoredLayout::Anchors::fromInt(anchors));
    QCOMPARE(control->geometry(), QRect(10, 20, 50, 60));

    dialog.resize(340, 230);
    layout.apply();
    QCOMPARE(panel->geometry(), QRect(8, 8, 324, 214));
    QCOMPARE(control->geometry(), expected);

    // Back to the designed size, everything is where it was placed.
    dialog.resize(300, 200);
    layout.apply();
    QCOMPARE(control->geometry(), QRect(10, 20, 50, 60));
}

QTEST_MAIN(TestEditorParts)
#include "tst_editor_parts.moc"
