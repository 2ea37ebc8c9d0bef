#include "app/NavigatorIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void disc(QPainter &p, QPointF c, qreal r)
{
    QRadialGradient shine(c, r);
    shine.setColorAt(0, QColor(250, 250, 255));
    shine.setColorAt(0.6, QColor(190, 200, 225));
    shine.setColorAt(1, QColor(140, 150, 190));
    p.setPen(QPen(QColor(80, 80, 110), 1));
    p.setBrush(shine);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::white);
    p.drawEllipse(c, r / 4, r / 4);
}

void audioCd(QPainter &p)
{
    disc(p, {14, 16}, 12);
    p.setPen(QPen(QColor(20, 20, 120), 2));
    p.drawLine(QPointF(27, 6), QPointF(27, 24));
    p.drawLine(QPointF(27, 6), QPointF(31, 9));
    p.setBrush(QColor(20, 20, 120));
    p.drawEllipse(QPointF(24.5, 24.5), 3, 2.4);
}

void guitar(QPainter &p)
{
    p.setPen(QPen(QColor(90, 50, 10), 1));
    p.setBrush(QColor(200, 120, 40));
    p.drawEllipse(QPointF(11, 23), 8, 7);
    p.drawEllipse(QPointF(16, 16), 6, 5);
    p.setBrush(QColor(60, 30, 10));
    p.drawEllipse(QPointF(12.5, 20.5), 2.5, 2.5);
    p.setPen(QPen(QColor(70, 40, 10), 3));
    p.drawLine(QPointF(17, 15), QPointF(28, 4));
    p.setPen(QPen(QColor(40, 20, 0), 1));
    p.setBrush(QColor(40, 20, 0));
    p.drawRect(QRectF(26, 1.5, 4, 4));
}

void loudspeaker(QPainter &p)
{
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(QRectF(6, 2, 20, 28), 3, 3);
    p.setBrush(QColor(170, 170, 180));
    p.drawEllipse(QPointF(16, 20), 7, 7);
    p.drawEllipse(QPointF(16, 8), 3.5, 3.5);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(16, 20), 2.5, 2.5);
}

void filmReel(QPainter &p)
{
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(120, 120, 130));
    p.drawEllipse(QPointF(16, 16), 14, 14);
    p.setBrush(QColor(240, 240, 240));
    for (int i = 0; i < 6; ++i) {
        const qreal a = i * 3.14159265 / 3;
        p.drawEllipse(QPointF(16 + 8 * std::cos(a), 16 + 8 * std::sin(a)), 3.2, 3.2);
    }
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(16, 16), 2, 2);
}

void discAboveDrive(QPainter &p)
{
    disc(p, {16, 10}, 9);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(190, 190, 195));
    p.drawRect(QRectF(2, 21, 28, 9));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(6, 24, 14, 2));
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(26, 25.5), 1.5, 1.5);
}

void folder(QPainter &p)
{
    p.setPen(QPen(QColor(150, 110, 10), 1));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath back;
    back.moveTo(2, 8);
    back.lineTo(12, 8);
    back.lineTo(15, 11);
    back.lineTo(30, 11);
    back.lineTo(30, 27);
    back.lineTo(2, 27);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 220, 110));
    p.drawRect(QRectF(2, 14, 28, 13));
}

} // namespace

QIcon navigatorIcon(int index)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:
        audioCd(p);
        break;
    case 1:
        guitar(p);
        break;
    case 2:
        loudspeaker(p);
        break;
    case 3:
        filmReel(p);
        break;
    case 4:
        discAboveDrive(p);
        break;
    default:
        folder(p);
        break;
    }
    return QIcon(pixmap);
}
