#pragma once

#include <QHeaderView>

// The column header: a click sorts, a drag carries the column to the group panel, and a group box
// dropped back on it ungroups that column.
class GridHeader : public QHeaderView
{
    Q_OBJECT
public:
    GridHeader(const QObject *owner, QWidget *parent = nullptr);

signals:
    void ungroupDropped(int column);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    const QObject *m_owner;
    QPoint m_pressPos;
    int m_pressSection = -1;
    // A left press whose release has not come: the header takes no other press until it does.
    bool m_pressOpen = false;
    void endPressOutsideSections();
};
