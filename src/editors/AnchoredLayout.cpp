#include "editors/AnchoredLayout.h"

#include <QWidget>

void AnchoredLayout::place(QWidget *w, int x, int y, int width, int height, bool right, bool bottom, bool stretchX,
                           bool stretchY)
{
    if (width <= 0 || height <= 0) {
        const QSize hint = w->sizeHint();
        width = width > 0 ? width : hint.width();
        height = height > 0 ? height : hint.height();
    }
    const QRect rect(x, y, width, height);
    w->setGeometry(rect);
    m_anchors.append({w, rect, w->parentWidget()->size(), right, bottom, stretchX, stretchY});
}

void AnchoredLayout::apply() const
{
    // Parents come before their children in the list, so each child sees its parent's new size.
    for (const Anchor &a : m_anchors) {
        const QSize grow = a.widget->parentWidget()->size() - a.parentSize;
        QRect r = a.rect;
        if (a.stretchX)
            r.setWidth(r.width() + grow.width());
        else if (a.right)
            r.translate(grow.width(), 0);
        if (a.stretchY)
            r.setHeight(r.height() + grow.height());
        else if (a.bottom)
            r.translate(0, grow.height());
        a.widget->setGeometry(r);
    }
}
