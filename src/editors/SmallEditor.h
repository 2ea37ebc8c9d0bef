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
    // Runs the store's save under the hourglass, then closes when it stored; after a failed or
    // given-up save, whose reason the store has shown, the editor stays open with what was typed.
    void storeAndClose(const std::function<bool()> &store);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_saveBox = nullptr;
};
