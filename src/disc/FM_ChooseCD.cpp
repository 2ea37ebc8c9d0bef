#include "disc/FM_ChooseCD.h"

#include "base/WindowFont.h"
#include "base/U_Constantes.h"

#include <QApplication>
#include <QFont>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

TF_ChooseCD::TF_ChooseCD(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("F_ChooseCD"));
    setWindowTitle(U_Constantes::ChooseCDCaption);
    setFont(windowFont());
    setFixedSize(418, 143);

    // Created in tab order: the Ok button first, so it has the focus when the dialog opens.
    Button1 = new QPushButton(U_Constantes::ChooseCDOk, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(176, 112, 67, 25);
    Button1->setDefault(true);

    ListBox_choices = new QListWidget(this);
    ListBox_choices->setObjectName(QStringLiteral("ListBox_choices"));
    ListBox_choices->setGeometry(8, 8, 401, 97);
    ListBox_choices->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_choices->setIconSize(QSize(11, 11));
    ListBox_choices->setTextElideMode(Qt::ElideNone);
    ListBox_choices->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabOrder(Button1, ListBox_choices);

    connect(Button1, &QPushButton::clicked, this, &TF_ChooseCD::choose);
    connect(ListBox_choices, &QListWidget::itemDoubleClicked, this, &TF_ChooseCD::choose);
}

void TF_ChooseCD::setLines(const QStringList &lines, const QList<bool> &marked)
{
    ListBox_choices->clear();
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    // Unmarked lines keep the sign's room, so that every line's text starts at the same place.
    QPixmap blank(ListBox_choices->iconSize());
    blank.fill(Qt::transparent);
    const bool anyMarked = marked.contains(true);
    for (int k = 0; k < lines.size(); ++k) {
        auto *item = new QListWidgetItem(lines[k], ListBox_choices);
        // Lines are longer than the box is wide: they scroll, and the hint shows them whole.
        item->setToolTip(lines[k]);
        if (marked.value(k))
            item->setIcon(warning);
        else if (anyMarked)
            item->setIcon(QIcon(blank));
    }
    if (ListBox_choices->count() > 0)
        ListBox_choices->setCurrentRow(0);
    Button1->setFocus();
}

void TF_ChooseCD::choose()
{
    const QList<QListWidgetItem *> selected = ListBox_choices->selectedItems();
    if (selected.isEmpty())
        return;
    m_choice = selected.first()->text();
    m_index = ListBox_choices->row(selected.first());
    accept();
}

QString ChooseMatch(const QStringList &lines, QWidget *parent)
{
    if (lines.isEmpty())
        return {};
    TF_ChooseCD dialog(parent ? parent : QApplication::activeWindow());
    dialog.setLines(lines);
    dialog.exec();
    return dialog.Choice();
}

int ChooseLine(const QStringList &lines, const QList<bool> &marked, QWidget *parent)
{
    if (lines.isEmpty())
        return -1;
    TF_ChooseCD dialog(parent ? parent : QApplication::activeWindow());
    dialog.setLines(lines, marked);
    dialog.exec();
    return dialog.choiceIndex();
}
