#include "editors/RecordEditor.h"

#include "base/MessageService.h"
#include "base/WaitCursor.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

RecordEditor::RecordEditor(MessageService &messages, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_messages(messages)
{ }

void RecordEditor::setSaveAndCancel(QPushButton *save, QPushButton *cancel)
{
    m_save = save;
    m_cancel = cancel;
}

void RecordEditor::setBusy(bool busy)
{
    m_busy = busy;
    m_save->setEnabled(!busy);
    m_cancel->setEnabled(!busy || m_cancelWork);
}

RecordEditor::BusyGuard::BusyGuard(RecordEditor &editor, std::function<void()> cancel)
    : m_editor(editor)
{
    m_editor.m_cancelWork = std::move(cancel);
    m_editor.m_closeWhenDone = false;
    m_editor.setBusy(true);
}

RecordEditor::BusyGuard::~BusyGuard()
{
    m_editor.m_cancelWork = nullptr;
    m_editor.setBusy(false);
    if (m_editor.m_closeWhenDone) {
        m_editor.m_closeWhenDone = false;
        m_editor.QDialog::reject();
    }
}

bool RecordEditor::cancelWork(bool thenClose)
{
    if (!m_cancelWork)
        return false;
    m_closeWhenDone = m_closeWhenDone || thenClose;
    // Called once: the work may take a moment to unwind.
    const std::function<void()> cancel = std::exchange(m_cancelWork, nullptr);
    m_cancel->setEnabled(false);
    cancel();
    return true;
}

bool RecordEditor::checkText(QLineEdit *box, const QString &warning)
{
    if (!box->text().isEmpty())
        return true;
    m_messages.warning(warning);
    box->setFocus();
    return false;
}

void RecordEditor::storeAndClose(const std::function<bool()> &store)
{
    {
        BusyGuard guard(*this);
        WaitCursor wait;
        if (!store())
            return;
    }
    accept();
}

void RecordEditor::reject()
{
    // Cancel during work that can stop stops the work; the editor stays, as the user left it.
    if (m_busy)
        cancelWork(false);
    else
        QDialog::reject();
}

void RecordEditor::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        cancelWork(true);
    } else {
        QDialog::closeEvent(event);
    }
}
