#include "grid/GridView.h"

#include "grid/GridModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

GridView::GridView(QWidget *parent)
    : QTreeView(parent)
{ }

void GridView::selectAll()
{
    // QTreeView selects only the rows it has laid out, which leaves out collapsed groups.
    emit selectAllRequested();
}

void GridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // QTreeView finds each range's rectangle by a search through its laid-out rows: over the ranges
    // of a grouped list that is quadratic, while repainting the visible rows costs the same for any.
    // Where rows differ in height, that search measures every row between the top of the view and
    // the range: a row selected again after a sort, far down a list of memos, cost a second.
    if (!uniformRowHeights() || selected.size() + deselected.size() > 64) {
        viewport()->update();
        return;
    }
    QTreeView::selectionChanged(selected, deselected);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    emit keyDown(event->key(), event->modifiers());
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void GridView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.data(GridModel::GroupRole).toBool()) {
        // A group row spans the width: any of its cells opens or closes it.
        const QModelIndex group = index.siblingAtColumn(0);
        setExpanded(group, !isExpanded(group));
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    emit rowDoubleClicked();
}

void GridView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!index.data(GridModel::GroupRole).toBool()) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    int level = 0;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        ++level;
    const QRect row(0, option.rect.y(), viewport()->width(), option.rect.height());
    const int x0 = columnViewportPosition(header()->logicalIndex(0));
    const int indent = indentation() * (level + (rootIsDecorated() ? 1 : 0));
    const bool selected = selectionModel() && selectionModel()->isSelected(index);

    painter->save();
    painter->fillRect(row,
                      selected ? option.palette.color(QPalette::Highlight) : option.palette.color(QPalette::Button));
    drawBranches(painter, QRect(x0, row.y(), indent, row.height()), index);
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::ButtonText));
    painter->drawText(QRect(x0 + indent + 4, row.y(), row.right() - x0 - indent - 4, row.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(row.bottomLeft(), row.bottomRight());
    if (currentIndex().isValid() && currentIndex().row() == index.row() && currentIndex().parent() == index.parent()
        && hasFocus()) {
        QPen pen(option.palette.color(QPalette::Text), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(row.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}
