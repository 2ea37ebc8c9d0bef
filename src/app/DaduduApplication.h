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

    // Runs a slot of the program's own so that an error it lets through is shown at once and goes
    // no further. Qt's widget and GUI libraries are built without exception support: an error
    // passed up through their frames to notify() skips the clean-up of what those frames held (an
    // event, a guard, a lock), which is lost for good. notify() remains the last resort.
    template<typename Body> static void runGuarded(const Body &body)
    {
        try {
            body();
        } catch (...) {
            showUnhandled();
        }
    }
    // A slot that runs `slot` so, for connect().
    template<typename Slot> static auto guarded(Slot slot)
    {
        return [slot = std::move(slot)] { runGuarded(slot); };
    }

private:
    // Shows the error in flight through the running application's messages; without them, passes
    // it on (call from a catch block).
    static void showUnhandled();

    MessageService *m_messages = nullptr;
};
