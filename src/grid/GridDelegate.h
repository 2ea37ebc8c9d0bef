#pragma once

#include <QStyledItemDelegate>

class QHeaderView;

// Paints the cells flat, with light grid lines: check boxes as a flat box and memo cells as wrapped
// text from the top, which makes their rows as tall as their text.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    GridDelegate(QHeaderView *header, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static constexpr int Padding = 3;

private:
    QHeaderView *m_header;
};
