#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

// The hourglass for the whole application until the end of the scope, however it ends. A
// command-line caller has no cursor to change, and work on another thread leaves it to the windows.
class WaitCursor
{
public:
    WaitCursor()
        : m_set(qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr
                && QThread::currentThread() == QCoreApplication::instance()->thread())
    {
        if (m_set)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool m_set;
};
