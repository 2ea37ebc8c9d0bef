#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

// Places controls where the dialog was designed and, as the dialog is resized, moves those anchored
// to the right or bottom edge and stretches those anchored to both.
class AnchoredLayout
{
public:
    // A width or height of 0 takes the control's own size hint.
    void place(QWidget *w, int x, int y, int width, int height, bool right = false, bool bottom = false,
               bool stretchX = false, bool stretchY = false);
    // From the dialog's resizeEvent.
    void apply() const;

private:
    struct Anchor {
        QWidget *widget;
        QRect rect;
        QSize parentSize; // the parent's size when the rectangle was designed
        bool right;
        bool bottom;
        bool stretchX;
        bool stretchY;
    };
    QList<Anchor> m_anchors;
};
