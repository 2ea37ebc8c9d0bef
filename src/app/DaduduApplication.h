#pragma once

#include <QApplication>

class MessageService;

// The application object. An error that no handler caught ends up here, is shown in a box captioned
// with the application's title, and the program goes on.
class DaduduApplication : public QApplication
{
    Q_OBJECT
public:
    DaduduApplication(int &argc, char **argv);

    // The names the desktop and the user's folders know the program by; the constructor sets them,
    // and a command line answered before any window (--help, --version) calls this alone.
    // No organisation: the data folder is then ~/.local/share/dadudu rather than a name twice.
    static void setIdentity();

    void setMessageService(MessageService *messages) { m_messages = messages; }
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the error in flight (call from a catch block).
    static void reportUnhandled(MessageService &messages);

private:
    MessageService *m_messages = nullptr;
};
