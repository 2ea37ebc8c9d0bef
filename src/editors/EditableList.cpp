#include "editors/EditableList.h"

EditableList::EditableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void EditableList::append(const QIcon &icon, const QString &text)
{
    auto *item = new QListWidgetItem(icon, text, this);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
}

void EditableList::editFirstSelected()
{
    for (int k = 0; k < count(); ++k) {
        if (item(k)->isSelected()) {
            setCurrentRow(k, QItemSelectionModel::NoUpdate);
            editItem(item(k));
            return;
        }
    }
}

void EditableList::deleteSelected()
{
    qDeleteAll(selectedItems());
}

QStringList EditableList::texts() const
{
    QStringList out;
    for (int k = 0; k < count(); ++k)
        out << item(k)->text();
    return out;
}
