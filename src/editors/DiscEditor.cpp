#include "editors/DiscEditor.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "base/WaitCursor.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

DiscEditor::DiscEditor(MessageService &messages, QWidget *parent)
    : QDialog(parent)
    , m_messages(messages)
{ }

void DiscEditor::setSaveAndCancel(QPushButton *save, QPushButton *cancel)
{
    m_save = save;
    m_cancel = cancel;
}

void DiscEditor::setBusy(bool busy)
{
    m_busy = busy;
    m_save->setEnabled(!busy);
    m_cancel->setEnabled(!busy || m_cancelWork);
}

DiscEditor::BusyGuard::BusyGuard(DiscEditor &editor, std::function<void()> cancel)
    : m_editor(editor)
{
    m_editor.m_cancelWork = std::move(cancel);
    m_editor.m_closeWhenDone = false;
    m_editor.setBusy(true);
}

DiscEditor::BusyGuard::~BusyGuard()
{
    m_editor.m_cancelWork = nullptr;
    m_editor.setBusy(false);
    if (m_editor.m_closeWhenDone) {
        m_editor.m_closeWhenDone = false;
        m_editor.QDialog::reject();
    }
}

bool DiscEditor::cancelWork(bool thenClose)
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

bool DiscEditor::checkTitle(QLineEdit *title)
{
    if (!title->text().isEmpty())
        return true;
    m_messages.warning(Texts::NoTitleText);
    title->setFocus();
    return false;
}

void DiscEditor::storeAndClose(const std::function<bool()> &store)
{
    {
        BusyGuard guard(*this);
        WaitCursor wait;
        if (!store())
            return;
    }
    accept();
}

void DiscEditor::reject()
{
    // Cancel during work that can stop stops the work; the editor stays, as the user left it.
    if (m_busy)
        cancelWork(false);
    else
        QDialog::reject();
}

void DiscEditor::closeEvent(QCloseEvent *event)
{
    if (m_busy) {
        event->ignore();
        cancelWork(true);
    } else {
        QDialog::closeEvent(event);
    }
}

void DiscEditor::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_layout.apply();
}
