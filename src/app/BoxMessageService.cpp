#include "app/BoxMessageService.h"

#include "base/Texts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

QWidget *owner()
{
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

// A window kept above all others, such as the splash at start-up, would hide the box and its only
// button; the box then stays on top too, and being shown later it comes above.
void keepAboveStayOnTopWindows(QMessageBox &box)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool onTopWindowUp = std::any_of(windows.cbegin(), windows.cend(), [&box](const QWidget *w) {
        return w != &box && w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    if (onTopWindowUp)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

void BoxMessageService::show(Kind kind, const QString &text)
{
    showDetailed(kind, text, {});
}

void BoxMessageService::showDetailed(Kind kind, const QString &text, const QString &details)
{
    QMessageBox box(owner());
    switch (kind) {
    case Kind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(Texts::CaptionWarning);
        break;
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(Texts::CaptionError);
        break;
    case Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(Texts::CaptionInformation);
        break;
    case Kind::Unhandled:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(Texts::ApplicationTitle);
        break;
    }
    box.setText(text);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.addButton(Texts::ButtonOk, QMessageBox::AcceptRole);
    keepAboveStayOnTopWindows(box);
    // A box that tells of a failure must not wait behind the hourglass of the work that failed.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
}

bool BoxMessageService::confirm(const QString &text)
{
    QMessageBox box(owner());
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(Texts::CaptionConfirmation);
    box.setText(text);
    QPushButton *yes = box.addButton(Texts::ButtonYes, QMessageBox::YesRole);
    QPushButton *no = box.addButton(Texts::ButtonNo, QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    keepAboveStayOnTopWindows(box);
    box.exec();
    return box.clickedButton() == yes;
}
