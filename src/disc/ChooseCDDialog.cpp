#include "disc/ChooseCDDialog.h"

#include "base/Texts.h"
#include "base/WindowFont.h"

#include <QApplication>
#include <QFont>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

ChooseCDDialog::ChooseCDDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("F_ChooseCD"));
    setWindowTitle(Texts::ChooseCDCaption);
    setFont(windowFont());
    setFixedSize(418, 143);

    // Created in tab order: the Ok button first, so it has the focus when the dialog opens.
    okButton = new QPushButton(Texts::ChooseCDOk, this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(176, 112, 67, 25);
    okButton->setDefault(true);

    choiceList = new QListWidget(this);
    choiceList->setObjectName(QStringLiteral("choiceList"));
    choiceList->setGeometry(8, 8, 401, 97);
    choiceList->setSelectionMode(QAbstractItemView::SingleSelection);
    choiceList->setIconSize(QSize(11, 11));
    choiceList->setTextElideMode(Qt::ElideNone);
    choiceList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabOrder(okButton, choiceList);

    connect(okButton, &QPushButton::clicked, this, &ChooseCDDialog::choose);
    connect(choiceList, &QListWidget::itemDoubleClicked, this, &ChooseCDDialog::choose);
}

void ChooseCDDialog::setLines(const QStringList &lines, const QList<bool> &marked)
{
    choiceList->clear();
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    // Unmarked lines keep the sign's room, so that every line's text starts at the same place.
    QPixmap blank(choiceList->iconSize());
    blank.fill(Qt::transparent);
    const bool anyMarked = marked.contains(true);
    for (int k = 0; k < lines.size(); ++k) {
        auto *item = new QListWidgetItem(lines[k], choiceList);
        // Lines are longer than the box is wide: they scroll, and the hint shows them whole.
        item->setToolTip(lines[k]);
        if (marked.value(k))
            item->setIcon(warning);
        else if (anyMarked)
            item->setIcon(QIcon(blank));
    }
    if (choiceList->count() > 0)
        choiceList->setCurrentRow(0);
    okButton->setFocus();
}

void ChooseCDDialog::choose()
{
    const QList<QListWidgetItem *> selected = choiceList->selectedItems();
    if (selected.isEmpty())
        return;
    m_choice = selected.first()->text();
    m_index = choiceList->row(selected.first());
    accept();
}

QString chooseMatch(const QStringList &lines, QWidget *parent)
{
    if (lines.isEmpty())
        return {};
    ChooseCDDialog dialog(parent ? parent : QApplication::activeWindow());
    dialog.setLines(lines);
    dialog.exec();
    return dialog.choice();
}

int chooseLine(const QStringList &lines, const QList<bool> &marked, QWidget *parent)
{
    if (lines.isEmpty())
        return -1;
    ChooseCDDialog dialog(parent ? parent : QApplication::activeWindow());
    dialog.setLines(lines, marked);
    dialog.exec();
    return dialog.choiceIndex();
}
