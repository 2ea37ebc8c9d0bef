#include "app/DaduduApplication.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "store/DbEngine.h"

#include <QFont>
#include <QIcon>

#include <exception>

DaduduApplication::DaduduApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setIdentity();
    // The theme's icon once installed; the program's own copy when run from where it was built.
    QIcon own;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        own.addFile(QStringLiteral(":/icons/dadudu-%1.png").arg(size), QSize(size, size));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("dadudu"), own));
    // The print and the dock captions name these faces; use the metric-compatible ones where they are missing.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
}

void DaduduApplication::setIdentity()
{
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("dadudu"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DADUDU_VERSION));
    // Ties the windows to the installed desktop entry (data/*.desktop): its icon and name in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral(DADUDU_APP_ID));
}

void DaduduApplication::reportUnhandled(MessageService &messages)
{
    try {
        throw;
    } catch (const DbError &e) {
        messages.show(MessageService::Kind::Unhandled, e.text());
    } catch (const std::exception &e) {
        messages.show(MessageService::Kind::Unhandled, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        messages.show(MessageService::Kind::Unhandled, Texts::UnknownError);
    }
}

void DaduduApplication::showUnhandled()
{
    auto *app = qobject_cast<DaduduApplication *>(QCoreApplication::instance());
    if (!app || !app->m_messages)
        throw;
    reportUnhandled(*app->m_messages);
}

bool DaduduApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (!m_messages)
            throw;
        reportUnhandled(*m_messages);
        return true;
    }
}
