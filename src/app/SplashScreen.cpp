#include "app/SplashScreen.h"

#include "base/Texts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>

SplashScreen::SplashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(370, 66);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

QPixmap SplashScreen::banner()
{
    QPixmap pixmap(363, 58);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, pixmap.width(), 0);
    sky.setColorAt(0, QColor(16, 40, 120));
    sky.setColorAt(1, QColor(110, 160, 230));
    p.fillRect(pixmap.rect(), sky);

    // A disc on the left, the name beside it.
    p.setPen(QPen(QColor(230, 230, 240), 1.5));
    p.setBrush(QColor(200, 205, 220));
    p.drawEllipse(QPointF(30, 29), 22, 22);
    p.setBrush(sky);
    p.drawEllipse(QPointF(30, 29), 5, 5);

    QFont title(QStringLiteral("Times New Roman"), 24);
    title.setItalic(true);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(60, 0, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, Texts::SplashTitle);

    QFont small(QStringLiteral("Tahoma"), 7);
    p.setFont(small);
    p.setPen(QColor(230, 240, 255));
    p.drawText(QRect(60, 38, 296, 18), Qt::AlignRight | Qt::AlignVCenter, Texts::WebAddress);
    return pixmap;
}

void SplashScreen::showPainted()
{
    show();
    QCoreApplication::processEvents();
    // A window system maps a new window some time after the request, and a paint before that is
    // lost; one turn of the event loop is seldom enough. Wait for it a bounded time, serving only
    // the window system, so no click reaches a window whose catalogue is not open yet.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000) {
        QThread::msleep(5);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    repaint();
    // Hands the painted banner to the window system now rather than after the blocking work.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    // A lowered bevel two pixels inside the edge around the banner.
    const QRect bevel = rect().adjusted(2, 2, -3, -3);
    p.setPen(palette().dark().color());
    p.drawLine(bevel.topLeft(), bevel.topRight());
    p.drawLine(bevel.topLeft(), bevel.bottomLeft());
    p.setPen(palette().light().color());
    p.drawLine(bevel.bottomLeft(), bevel.bottomRight());
    p.drawLine(bevel.topRight(), bevel.bottomRight());
    p.drawPixmap(3, 4, banner());
}
