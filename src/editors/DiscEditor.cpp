#include "editors/DiscEditor.h"

#include "base/Texts.h"

DiscEditor::DiscEditor(MessageService &messages, QWidget *parent)
    : RecordEditor(messages, parent)
{ }

bool DiscEditor::checkTitle(QLineEdit *title)
{
    return checkText(title, Texts::NoTitleText);
}

void DiscEditor::resizeEvent(QResizeEvent *event)
{
    RecordEditor::resizeEvent(event);
    m_layout.apply();
}
