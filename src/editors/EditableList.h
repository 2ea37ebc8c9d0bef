#pragma once

#include <QListWidget>

// The editors' list of titles (tracks, data items): several rows selectable, captions edited in
// place, rows kept in the order they were added.
class EditableList : public QListWidget
{
    Q_OBJECT
public:
    explicit EditableList(QWidget *parent);

    void append(const QIcon &icon, const QString &text);
    // Many rows at the end at once, all alike: one insertion for the lot, so a list of a hundred
    // thousand rows costs what its rows cost and no more.
    void appendAll(const QIcon &icon, const QStringList &texts);
    // The rows' captions become `texts`, in order, rows added or removed at the end to fit; the rows
    // that stay keep their picture and their place in the view.
    void setTexts(const QIcon &icon, const QStringList &texts);
    // Starts editing the first selected row's caption; nothing without a selection.
    void editFirstSelected();
    void deleteSelected();
    QStringList texts() const;
};
