#include "editors/DiscEditor.h"

#include "base/MessageService.h"
#include "base/U_Constantes.h"
#include "base/WaitCursor.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

DiscEditor::DiscEditor(MessageService &messages, QWidget *parent)
    : QDialog(parent)
    , m_messages(messages)
{
}

void DiscEditor::setSaveAndCancel(QPushButton *save, QPushButton *cancel)
{
    m_save = save;
    m_cancel = cancel;
}

void DiscEditor::setBusy(bool busy)
{
    m_busy = busy;
    m_save->setEnabled(!busy);
    m_cancel->setEnabled(!busy);
}

DiscEditor::BusyGuard::BusyGuard(DiscEditor &editor)
    : m_editor(editor)
{
    m_editor.setBusy(true);
}

DiscEditor::BusyGuard::~BusyGuard()
{
    m_editor.setBusy(false);
}

bool DiscEditor::checkTitle(QLineEdit *title)
{
    if (!title->text().isEmpty())
        return true;
    m_messages.warning(U_Constantes::NoTitleText);
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
    if (!m_busy)
        QDialog::reject();
}

void DiscEditor::closeEvent(QCloseEvent *event)
{
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void DiscEditor::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_layout.apply();
}
