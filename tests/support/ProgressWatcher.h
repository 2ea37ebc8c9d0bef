#pragma once

#include "grid/DxGrid.h"

#include <QApplication>
#include <QList>
#include <QProgressDialog>
#include <QTimer>

#include <functional>

// Watches, from the event loop a long step serves, for its window-modal progress dialog: records each
// count the dialog shows and, once it has counted three times, runs `act` on it (Cancel, or anything
// that changes the rows) and stops recording. A dialog that never comes leaves `seen` short, so the
// test fails instead of waiting. While it watches, the grid's long steps show their dialog at once
// and give the window a turn at each checkpoint, so the count is seen however fast the machine.
class ProgressWatcher
{
public:
    explicit ProgressWatcher(std::function<void(QProgressDialog &)> act = {})
        : m_act(std::move(act))
        , m_delay(DxGrid::exportProgressDelayMs())
    {
        DxGrid::setExportProgressDelayMs(0);
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }

    ~ProgressWatcher() { DxGrid::setExportProgressDelayMs(m_delay); }
    ProgressWatcher(const ProgressWatcher &) = delete;
    ProgressWatcher &operator=(const ProgressWatcher &) = delete;

    QList<int> seen;
    bool acted = false;

private:
    void look()
    {
        auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || acted)
            return;
        if (seen.isEmpty() || seen.last() != dialog->value())
            seen << dialog->value();
        if (seen.size() < 3 || !m_act)
            return;
        acted = true;
        m_act(*dialog);
    }

    std::function<void(QProgressDialog &)> m_act;
    int m_delay;
    QTimer m_timer;
};
