#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;

// Lets the user pick one of several CDDB matches. There is no cancel button; closing the dialog
// otherwise leaves Choice empty.
class ChooseCDDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ChooseCDDialog(QWidget *parent = nullptr);

    // Marked lines show a warning sign: their track count differs from the disc's.
    void setLines(const QStringList &lines, const QList<bool> &marked = {});
    QString choice() const { return m_choice; }
    int choiceIndex() const { return m_index; }

    QListWidget *choiceList = nullptr;
    QPushButton *okButton = nullptr;

private:
    void choose();

    QString m_choice;
    int m_index = -1;
};

// Shows the lines in a ChooseCDDialog over parent and returns the chosen one; empty text when there
// are no lines (the dialog is then not shown) or nothing was chosen.
QString chooseMatch(const QStringList &lines, QWidget *parent = nullptr);

// The same for lines that may repeat: the chosen line's index, or -1.
int chooseLine(const QStringList &lines, const QList<bool> &marked, QWidget *parent = nullptr);
