#include "editors/EditableList.h"

#include <QSignalBlocker>

EditableList::EditableList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::CustomContextMenu);
    // Every row is one picture and one line: measuring one row stands for all, where measuring each
    // on every layout made a long list cost the square of its rows.
    setUniformItemSizes(true);
}

void EditableList::append(const QIcon &icon, const QString &text)
{
    auto *item = new QListWidgetItem(icon, text);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    addItem(item);
}

void EditableList::appendAll(const QIcon &icon, const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    const int first = count();
    addItems(texts);
    // The new rows are not laid out nor painted yet, and the layout the insertion asked for reads
    // them as decorated here: one change signal a row would only cost time.
    const QSignalBlocker quiet(model());
    for (int k = first; k < count(); ++k) {
        QListWidgetItem *row = item(k);
        row->setIcon(icon);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
    }
}

void EditableList::setTexts(const QIcon &icon, const QStringList &texts)
{
    while (count() > texts.size())
        delete takeItem(count() - 1);
    const int kept = count();
    {
        const QSignalBlocker quiet(model());
        for (int k = 0; k < kept; ++k)
            item(k)->setText(texts[k]);
    }
    if (kept > 0)
        emit model()->dataChanged(model()->index(0, 0), model()->index(kept - 1, 0), {Qt::DisplayRole});
    appendAll(icon, texts.mid(kept));
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
    out.reserve(count());
    for (int k = 0; k < count(); ++k)
        out << item(k)->text();
    return out;
}
