#pragma once

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

// Watches a save that waits for another program's lock, on a timer that runs only while the event
// loop does (a frozen window counts no turns). When the waiting dialog comes it notes whether the
// editor was busy; five turns later it ends the wait, by the dialog's own button when the user is to
// stop waiting, else by letting the other program go.
class LockWaitWatch
{
public:
    LockWaitWatch(bool stopWaiting, std::function<bool()> editorIsBusy, std::function<void()> letGo)
        : m_editorIsBusy(std::move(editorIsBusy))
        , m_letGo(std::move(letGo))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, stopWaiting] {
            ++ticks;
            auto *wait = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (!wait || !wait->isVisible())
                return;
            if (!shown) {
                shown = true;
                editorBusy = m_editorIsBusy();
            }
            if (++ticksWhileShown != 5)
                return;
            if (stopWaiting) {
                auto *stop = wait->findChild<QPushButton *>();
                QVERIFY(stop);
                stop->click();
            } else {
                m_letGo();
            }
        });
        m_timer.start();
    }

    void stop() { m_timer.stop(); }

    int ticks = 0;
    int ticksWhileShown = 0;
    bool shown = false;
    bool editorBusy = false;

private:
    std::function<bool()> m_editorIsBusy;
    std::function<void()> m_letGo;
    QTimer m_timer;
};
