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
    // Starts editing the first selected row's caption; nothing without a selection.
    void editFirstSelected();
    void deleteSelected();
    QStringList texts() const;
};
