#pragma once

#include <QFlags>
#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Places controls where the dialog was designed and, as the dialog is resized, moves those anchored
// to the right or bottom edge and stretches those anchored to both opposite edges.
class AnchoredLayout
{
public:
    enum class Anchor {
        Left = 0x1,
        Top = 0x2,
        Right = 0x4,
        Bottom = 0x8,
        AllSides = Left | Top | Right | Bottom,
    };
    Q_DECLARE_FLAGS(Anchors, Anchor)

    // A width or height of 0 takes the control's own size hint. Right without Left follows the
    // right edge, both keep the distance to each edge; the same for Bottom and Top.
    void place(QWidget *w, int x, int y, int width, int height, Anchors anchors = {Anchor::Left, Anchor::Top});
    // From the dialog's resizeEvent.
    void apply() const;

private:
    struct Placed {
        QWidget *widget;
        QRect rect;
        QSize parentSize; // the parent's size when the rectangle was designed
        Anchors anchors;
    };
    QList<Placed> m_placed;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AnchoredLayout::Anchors)
