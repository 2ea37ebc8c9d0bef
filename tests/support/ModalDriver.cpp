#include "support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>

namespace {

constexpr int PollMs = 10;

// Closes a modal window so the exec() showing it returns, even when the window refuses to be
// rejected (editors do while they work).
void closeModal(QWidget *modal)
{
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    // Hiding a dialog ends its exec() whatever its reject() did.
    if (modal->isVisible())
        modal->hide();
}

} // namespace

ModalDriver::ModalDriver(const QString &expected, std::function<bool(QWidget *)> isExpected,
                         std::function<void(QWidget *)> act, int boundMs, std::source_location where)
    : m_expected(expected)
    , m_isExpected(std::move(isExpected))
    , m_act(std::move(act))
    , m_boundMs(boundMs)
    , m_where(where)
{
    m_clock.start();
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &ModalDriver::poll);
    m_poll.start();
}

void ModalDriver::poll()
{
    QWidget *active = QApplication::activeModalWidget();
    if (active && m_isExpected(active)) {
        // Stopped first: act may serve events, and must not be re-entered.
        m_poll.stop();
        m_came = true;
        QPointer<QWidget> dialog(active);
        m_act(active);
        if (dialog && dialog->isVisible())
            closeModal(dialog);
        return;
    }
    if (m_clock.elapsed() >= m_boundMs)
        giveUp();
}

void ModalDriver::giveUp()
{
    m_poll.stop();
    m_failure = QStringLiteral("No %1 came within %2 ms").arg(m_expected).arg(m_boundMs);
    if (QWidget *other = QApplication::activeModalWidget())
        m_failure += QStringLiteral("; a %1 (\"%2\") was up instead")
                         .arg(QString::fromLatin1(other->metaObject()->className()), other->windowTitle());
    QTest::qFail(qPrintable(m_failure), m_where.file_name(), int(m_where.line()));
    // Modal windows stack; the bound keeps a window that reopens itself from holding the test.
    for (int k = 0; k < 8; ++k) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        closeModal(modal);
    }
}
