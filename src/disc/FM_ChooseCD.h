#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;

// Lets the user pick one of several CDDB matches. There is no cancel button; closing the dialog
// otherwise leaves Choice empty.
class TF_ChooseCD : public QDialog
{
    Q_OBJECT

public:
    explicit TF_ChooseCD(QWidget *parent = nullptr);

    // Marked lines show a warning sign: their track count differs from the disc's.
    void setLines(const QStringList &lines, const QList<bool> &marked = {});
    QString Choice() const { return m_choice; }
    int choiceIndex() const { return m_index; }

    QListWidget *ListBox_choices = nullptr;
    QPushButton *Button1 = nullptr;

private:
    void choose();

    QString m_choice;
    int m_index = -1;
};

// Shows the lines in a TF_ChooseCD over parent and returns the chosen one; empty text when there
// are no lines (the dialog is then not shown) or nothing was chosen.
QString ChooseMatch(const QStringList &lines, QWidget *parent = nullptr);

// The same for lines that may repeat: the chosen line's index, or -1.
int ChooseLine(const QStringList &lines, const QList<bool> &marked, QWidget *parent = nullptr);
