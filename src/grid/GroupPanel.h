#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QMimeData;

// The strip above the header: a column header dropped on it groups the grid by that column, at the
// level where it falls; a group box dragged back to the header ungroups it.
class GroupPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *MimeType = "application/x-dadudu-grid-column";

    // owner tells one grid's drags from another's.
    GroupPanel(const QObject *owner, QWidget *parent = nullptr);

    void setGroups(const std::vector<int> &columns, const QStringList &captions);
    // Which columns a drop may group; any, unless told.
    void setAccepts(std::function<bool(int column)> accepts) { m_accepts = std::move(accepts); }
    const std::vector<int> &groups() const { return m_columns; }
    QRect boxRect(int level) const;
    int levelAt(const QPoint &pos) const;

    static QMimeData *columnMimeData(const QObject *owner, int column, bool fromPanel);
    // The column a drag carries, when it is one of owner's; -1 otherwise.
    static int columnOf(const QMimeData *data, const QObject *owner, bool *fromPanel = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static QString emptyText();

signals:
    void groupRequested(int column, int level);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool takes(const QMimeData *data) const;

    const QObject *m_owner;
    std::function<bool(int)> m_accepts;
    std::vector<int> m_columns;
    QStringList m_captions;
    QPoint m_pressPos;
    int m_pressLevel = -1;
};
