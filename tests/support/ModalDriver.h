#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <source_location>

// Drives a modal dialog that the code under test opens with exec(), which would otherwise block the
// test until someone closes it. Once the event loop runs, it watches for the dialog, runs the test's
// act on it, and closes it if act left it open, so the call under test always returns.
//
// When the dialog does not come within the bound, the test fails with a message naming the dialog
// expected, and whatever modal window is up instead is closed: the test ends there rather than at
// the ctest time-out. A call that returns without opening anything runs no event loop for the
// watch to fail in, so the test checks came() afterwards.
class ModalDriver : public QObject
{
public:
    // Generous: a loaded machine may take seconds to build and show a dialog, and a dialog that
    // comes ends the wait at once.
    static constexpr int DefaultBoundMs = 10000;

    ModalDriver(const QString &expected, std::function<bool(QWidget *)> isExpected, std::function<void(QWidget *)> act,
                int boundMs, std::source_location where);

    bool came() const { return m_came; }
    // The bound ran out before the dialog came; failure() is what the test was failed with.
    bool timedOut() const { return !m_failure.isEmpty(); }
    QString failure() const { return m_failure; }
    bool done() const { return m_came || timedOut(); }

private:
    void poll();
    void giveUp();

    QString m_expected;
    std::function<bool(QWidget *)> m_isExpected;
    std::function<void(QWidget *)> m_act;
    int m_boundMs;
    std::source_location m_where;
    QElapsedTimer m_clock;
    QTimer m_poll;
    bool m_came = false;
    QString m_failure;
};

// Drives the next modal dialog of type T: `act` runs on it once it is the active modal window.
template<class T>
std::unique_ptr<ModalDriver> driveModal(std::function<void(T *)> act, int boundMs = ModalDriver::DefaultBoundMs,
                                        std::source_location where = std::source_location::current())
{
    return std::make_unique<ModalDriver>(
        QString::fromLatin1(T::staticMetaObject.className()),
        [](QWidget *w) { return qobject_cast<T *>(w) != nullptr; },
        [act = std::move(act)](QWidget *w) { act(static_cast<T *>(w)); }, boundMs, where);
}
