#include "grid/GridDelegate.h"

#include "grid/GridColumn.h"
#include "grid/GridModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>

GridDelegate::GridDelegate(QHeaderView *header, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_header(header)
{ }

void GridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int kind = index.data(GridModel::KindRole).toInt();
    if (kind == GridColumn::Text) {
        QStyledItemDelegate::paint(painter, option, index);
    } else {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        opt.text.clear();
        opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        const bool selected = option.state & QStyle::State_Selected;
        const QColor ink = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->save();
        if (kind == GridColumn::CheckBox) {
            const int side = qMin(11, option.rect.height() - 2);
            QRect box(0, 0, side, side);
            box.moveCenter(option.rect.center());
            painter->setPen(ink);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(box.adjusted(0, 0, -1, -1));
            if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked) {
                painter->setRenderHint(QPainter::Antialiasing);
                QPen pen(ink, 1.6);
                painter->setPen(pen);
                const QPointF tick[3] = {{box.left() + side * 0.2, box.top() + side * 0.5},
                                         {box.left() + side * 0.42, box.top() + side * 0.75},
                                         {box.left() + side * 0.8, box.top() + side * 0.25}};
                painter->drawPolyline(tick, 3);
            }
        } else {
            painter->setPen(ink);
            painter->setFont(option.font);
            painter->drawText(option.rect.adjusted(Padding, 1, -Padding, -1),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, index.data(Qt::DisplayRole).toString());
        }
        painter->restore();
    }
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight).darker(110));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.data(GridModel::KindRole).toInt() == GridColumn::Memo) {
        const int width = qMax(20, m_header->sectionSize(index.column()) - 2 * Padding);
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect bound
            = option.fontMetrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::AlignLeft | Qt::TextWordWrap, text);
        size.setHeight(qMax(option.fontMetrics.height(), bound.height()) + 3);
    }
    return size;
}
