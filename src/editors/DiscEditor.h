#pragma once

#include "editors/AnchoredLayout.h"
#include "editors/RecordEditor.h"

class QLineEdit;

// The frame of the audio and data CD editors: a sizeable dialog whose controls follow its size.
class DiscEditor : public RecordEditor
{
    Q_OBJECT
protected:
    DiscEditor(MessageService &messages, QWidget *parent);

    // Controls placed here follow the dialog's size.
    AnchoredLayout &anchoredLayout() { return m_layout; }

    // An empty title is refused with a warning and the focus on its box; blanks make a title.
    bool checkTitle(QLineEdit *title);

    void resizeEvent(QResizeEvent *event) override;

private:
    AnchoredLayout m_layout;
};
