#pragma once

#include <QTreeView>

// The grid's body: a tree whose group rows span the width. It reports keys and double clicks to
// the grid and leaves selecting all and copying to it.
class GridView : public QTreeView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    void selectAll() override;

signals:
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void copyRequested();
    void selectAllRequested();
    void rowDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
};
