#include "editors/SmallEditor.h"

#include <QKeyEvent>
#include <QLineEdit>

SmallEditor::SmallEditor(MessageService &messages, QWidget *parent)
    : RecordEditor(messages, parent,
                   Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                       | Qt::WindowCloseButtonHint)
{ }

void SmallEditor::saveOnEnterIn(QLineEdit *box)
{
    m_saveBox = box;
    box->installEventFilter(this);
}

bool SmallEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_saveBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            save();
            return true;
        }
    }
    return RecordEditor::eventFilter(watched, event);
}

void SmallEditor::keyPressEvent(QKeyEvent *event)
{
    // No default or cancel button: Enter and Escape elsewhere do nothing.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        RecordEditor::keyPressEvent(event);
    }
}
