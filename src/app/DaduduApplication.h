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

    void setMessageService(MessageService *messages) { m_messages = messages; }
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the error in flight (call from a catch block).
    static void reportUnhandled(MessageService &messages);

private:
    MessageService *m_messages = nullptr;
};
