#include "editors/AnchoredLayout.h"

#include <QWidget>

void AnchoredLayout::place(QWidget *w, int x, int y, int width, int height, Anchors anchors)
{
    if (width <= 0 || height <= 0) {
        const QSize hint = w->sizeHint();
        width = width > 0 ? width : hint.width();
        height = height > 0 ? height : hint.height();
    }
    const QRect rect(x, y, width, height);
    w->setGeometry(rect);
    m_placed.append({w, rect, w->parentWidget()->size(), anchors});
}

void AnchoredLayout::apply() const
{
    // Parents come before their children in the list, so each child sees its parent's new size.
    for (const Placed &p : m_placed) {
        const QSize grow = p.widget->parentWidget()->size() - p.parentSize;
        QRect r = p.rect;
        if (p.anchors.testFlags({Anchor::Left, Anchor::Right}))
            r.setWidth(r.width() + grow.width());
        else if (p.anchors.testFlag(Anchor::Right))
            r.translate(grow.width(), 0);
        if (p.anchors.testFlags({Anchor::Top, Anchor::Bottom}))
            r.setHeight(r.height() + grow.height());
        else if (p.anchors.testFlag(Anchor::Bottom))
            r.translate(0, grow.height());
        p.widget->setGeometry(r);
    }
}
