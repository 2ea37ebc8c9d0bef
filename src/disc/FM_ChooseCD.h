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

    void setLines(const QStringList &lines);
    QString Choice() const { return m_choice; }

    QListWidget *ListBox_choices = nullptr;
    QPushButton *Button1 = nullptr;

private:
    void choose();

    QString m_choice;
};

// Shows the lines in a TF_ChooseCD over parent and returns the chosen one; empty text when there
// are no lines (the dialog is then not shown) or nothing was chosen.
QString ChooseMatch(const QStringList &lines, QWidget *parent = nullptr);
