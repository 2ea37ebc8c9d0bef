#include "editors/LockWaitDialog.h"

#include "base/Texts.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace {

// A lock let go within this never shows the dialog.
constexpr int ShowAfterMs = 300;
constexpr int TryEveryMs = 100;

} // namespace

LockWaiter windowLockWaiter()
{
    return [](const std::function<bool()> &attempt) {
        QWidget *parent = QApplication::activeModalWidget();
        if (!parent)
            parent = QApplication::activeWindow();
        QProgressDialog dialog(Texts::CatalogueBusyText, Texts::BtnCancel, 0, 0, parent);
        dialog.setWindowTitle(Texts::CatalogueBusyCaption);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        dialog.setMinimumDuration(ShowAfterMs);
        // The hourglass of the save would say the window cannot be used, yet Cancel can.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        bool done = false;
        QEventLoop loop;
        QTimer retry;
        retry.setSingleShot(true);
        retry.setInterval(TryEveryMs);
        // One try at a time: the next is armed only once this one has ended, and a try may serve
        // events between the rows it stores.
        QObject::connect(&retry, &QTimer::timeout, &loop, [&] {
            if (attempt()) {
                done = true;
                loop.quit();
            } else if (!dialog.wasCanceled()) {
                retry.start();
            }
        });
        QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
            retry.stop();
            loop.quit();
        });
        QTimer show;
        show.setSingleShot(true);
        QObject::connect(&show, &QTimer::timeout, &dialog, [&dialog] { dialog.show(); });
        show.start(ShowAfterMs);
        retry.start();
        loop.exec();
        QApplication::restoreOverrideCursor();
        return done;
    };
}
