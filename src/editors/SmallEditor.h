#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

// The small record editors: a fixed frame with only a close box, no default or cancel button, and
// Enter saving only from the one box that holds the record's name or title.
class SmallEditor : public QDialog
{
    Q_OBJECT
public:
    explicit SmallEditor(QWidget *parent);

protected:
    void saveOnEnterIn(QLineEdit *box);
    virtual void save() = 0;
    // Runs the store's save under the hourglass, since it may wait seconds for another program's
    // write, then closes: also after a failed save, whose warning the store has shown.
    void storeAndClose(const std::function<void()> &store);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_saveBox = nullptr;
};
