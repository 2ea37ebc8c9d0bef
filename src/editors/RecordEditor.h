#pragma once

#include <QDialog>

#include <functional>

class MessageService;
class QLineEdit;
class QPushButton;

// What every record editor does the same way: the check of the text a record cannot do without, and
// the save. A save or a lookup serves events while it works (a save that waits for another program's
// lock among them); the editor is busy then, with Save disabled. A save keeps Cancel disabled too
// and the editor closes by no means until it is done; work that can be cancelled leaves Cancel to
// stop it, and closing the editor stops it before the editor closes.
class RecordEditor : public QDialog
{
    Q_OBJECT
public:
    bool busy() const { return m_busy; }

public slots:
    void reject() override;

protected:
    RecordEditor(MessageService &messages, QWidget *parent, Qt::WindowFlags flags = {});

    MessageService &messages() const { return m_messages; }
    void setSaveAndCancel(QPushButton *save, QPushButton *cancel);

    // Busy from its construction to its end, however the work ends. With cancel, Cancel, Escape
    // and closing call it; the work must then end soon.
    class BusyGuard
    {
    public:
        explicit BusyGuard(RecordEditor &editor, std::function<void()> cancel = {});
        ~BusyGuard();
        BusyGuard(const BusyGuard &) = delete;
        BusyGuard &operator=(const BusyGuard &) = delete;

    private:
        RecordEditor &m_editor;
    };

    // An empty box is refused with `warning` and the focus on the box; blanks make a text.
    bool checkText(QLineEdit *box, const QString &warning);
    // Runs `store` busy and under the hourglass, then closes the editor. When `store` answers false
    // nothing was stored and the editor stays open with what was typed; after an error it stays open
    // too, usable again, and the error goes on to the caller.
    void storeAndClose(const std::function<bool()> &store);

    void closeEvent(QCloseEvent *event) override;

private:
    void setBusy(bool busy);
    // True when the work was cancelled by a close, which is carried out once the work has ended.
    bool cancelWork(bool thenClose);

    MessageService &m_messages;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_busy = false;
    std::function<void()> m_cancelWork;
    bool m_closeWhenDone = false;
};
