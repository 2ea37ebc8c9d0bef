#pragma once

#include "editors/RecordEditor.h"

class QLineEdit;

// The small record editors: a fixed frame with only a close box, no default or cancel button, and
// Enter saving only from the one box that holds the record's name or title.
class SmallEditor : public RecordEditor
{
    Q_OBJECT
public:
    SmallEditor(MessageService &messages, QWidget *parent);

protected:
    void saveOnEnterIn(QLineEdit *box);
    virtual void save() = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_saveBox = nullptr;
};
