#pragma once

#include "editors/AnchoredLayout.h"

#include <QDialog>

#include <functional>

class MessageService;
class QLineEdit;
class QPushButton;

// The frame of the audio and data CD editors. A save or a lookup serves events while it works; the
// editor is busy then, with Save disabled. A save keeps Cancel disabled too and the editor closes by
// no means until it is done; work that can be cancelled leaves Cancel to stop it, and closing the
// editor stops it before the editor closes.
class DiscEditor : public QDialog
{
    Q_OBJECT
public:
    bool busy() const { return m_busy; }

public slots:
    void reject() override;

protected:
    DiscEditor(MessageService &messages, QWidget *parent);

    MessageService &messages() const { return m_messages; }
    // Controls placed here follow the dialog's size.
    AnchoredLayout &anchoredLayout() { return m_layout; }
    void setSaveAndCancel(QPushButton *save, QPushButton *cancel);

    // Busy from its construction to its end, however the work ends. With cancel, Cancel, Escape
    // and closing call it; the work must then end soon.
    class BusyGuard
    {
    public:
        explicit BusyGuard(DiscEditor &editor, std::function<void()> cancel = {});
        ~BusyGuard();
        BusyGuard(const BusyGuard &) = delete;
        BusyGuard &operator=(const BusyGuard &) = delete;

    private:
        DiscEditor &m_editor;
    };

    // An empty title is refused with a warning and the focus on its box; blanks make a title.
    bool checkTitle(QLineEdit *title);
    // Runs `store` busy and under the hourglass, then closes the editor. When `store` answers false
    // nothing was stored and the editor stays open; after an error it stays open too, usable again,
    // and the error goes on to the caller.
    void storeAndClose(const std::function<bool()> &store);

    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setBusy(bool busy);
    // True when the work was cancelled by a close, which is carried out once the work has ended.
    bool cancelWork(bool thenClose);

    MessageService &m_messages;
    AnchoredLayout m_layout;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_busy = false;
    std::function<void()> m_cancelWork;
    bool m_closeWhenDone = false;
};
