#include "docking/DockManager.h"

#include "base/Texts.h"

#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QHash>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <qdrawutil.h>

#include <cmath>

namespace {

QRect ltrb(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

// Halves go to the even neighbour, as the gradient's bands were always rounded.
int rnd(double x)
{
    return int(std::nearbyint(x));
}

// Which tree a control is docked in, so that docking it elsewhere takes it out of the old site.
QHash<const QWidget *, DockCaptionTree *> &dockedIn()
{
    static QHash<const QWidget *, DockCaptionTree *> map;
    return map;
}

} // namespace

DockError::DockError(const QString &text)
    : std::runtime_error(text.toStdString())
    , m_text(text)
{ }

// ---------------------------------------------------------------------------------------------------
// Caption strip

DockCaption::DockCaption(DockCaptionTree &tree, QWidget *control)
    : QWidget(tree.DockSite())
    , m_tree(tree)
    , m_control(control)
{
    setObjectName(QStringLiteral("DockCaption"));
    setMouseTracking(true);
}

void DockCaption::paintEvent(QPaintEvent *)
{
    if (!m_control)
        return;
    QPainter painter(this);
    // The tree paints in site coordinates.
    painter.translate(-pos());
    m_tree.paintDockFrame(painter, m_control, m_tree.captionRect(m_control));
}

void DockCaption::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_control)
        return;
    const QPoint site = event->position().toPoint() + pos();
    int code = 0;
    if (QWidget *hit = m_tree.hitTest(site, &code))
        m_tree.HoverControl = hit;
    m_tree.ClosePressed = m_tree.isOverClose(m_tree.HoverControl, site);
    // A press in the close area is swallowed: it starts no drag.
    m_pressed = !m_tree.ClosePressed && code == DockCaptionTree::HitCaption;
    m_pressAt = event->position().toPoint();
}

void DockCaption::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint site = event->position().toPoint() + pos();
    if (m_tree.HoverControl && (m_tree.TransparentButton || m_tree.ClosePressed)) {
        m_tree.CloseHot = m_tree.isOverClose(m_tree.HoverControl, site);
        if (!m_tree.CloseHot)
            m_tree.ClosePressed = false;
    }
    if (m_pressed && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressed = false;
        if (m_control && m_control->isEnabled())
            m_tree.startDrag(m_control);
    }
}

void DockCaption::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    const QPoint site = event->position().toPoint() + pos();
    int code = 0;
    m_tree.hitTest(site, &code);
    // The close area closes nothing: a release there only lays the site out again.
    if (code == DockCaptionTree::HitClose && m_tree.ClosePressed)
        m_tree.repaintSite();
}

void DockCaption::mouseDoubleClickEvent(QMouseEvent *event)
{
    int code = 0;
    QWidget *hit = m_tree.hitTest(event->position().toPoint() + pos(), &code);
    if (event->button() == Qt::LeftButton && code == DockCaptionTree::HitCaption && hit)
        m_tree.floatControl(hit);
}

void DockCaption::leaveEvent(QEvent *)
{
    m_tree.ClosePressed = false;
}

// ---------------------------------------------------------------------------------------------------
// Tree

DockCaptionTree::DockCaptionTree(QWidget *site, SiteAlign align)
    : m_site(site)
    , m_align(align)
    , m_font(QStringLiteral("Arial"), 8)
{
    CaptionStartColor = site->palette().color(QPalette::Button);
    CaptionEndColor = CaptionStartColor;
    site->installEventFilter(this);
    site->setAcceptDrops(true);
    updateCaptionSize();
}

DockCaptionTree::~DockCaptionTree()
{
    // By value: a control may already be gone, and a new one may come to live at its address.
    dockedIn().removeIf([this](const auto &entry) { return entry.value() == this; });
    for (const QPointer<DockCaption> &c : m_captions)
        delete c.data();
    if (m_site)
        m_site->removeEventFilter(this);
}

bool DockCaptionTree::captionsOnTop() const
{
    return m_align != SiteAlign::Top && m_align != SiteAlign::Bottom && m_align != SiteAlign::Custom;
}

QList<QWidget *> DockCaptionTree::controls() const
{
    QList<QWidget *> out;
    for (const QPointer<QWidget> &c : m_controls)
        if (c)
            out << c;
    return out;
}

void DockCaptionTree::insertControl(QWidget *control)
{
    if (DockCaptionTree *old = dockedIn().value(control); old && old != this)
        old->removeControl(control);
    if (!m_controls.contains(control)) {
        control->setParent(m_site);
        m_controls << control;
        auto *caption = new DockCaption(*this, control);
        m_captions << caption;
        dockedIn().insert(control, this);
        connect(control, &QObject::destroyed, this, [control] { dockedIn().remove(control); });
    }
    control->show();
    layoutControls();
    for (const QPointer<DockCaption> &c : m_captions)
        if (c)
            c->show();
}

bool DockCaptionTree::floatControl(QWidget *control)
{
    if (!control || !m_controls.contains(control) || (m_unDockCheck && !m_unDockCheck(control, nullptr)))
        return false;
    const QRect at(control->mapToGlobal(QPoint(0, 0)), control->size());
    removeControl(control);
    control->setParent(m_site ? m_site->window() : nullptr, Qt::Tool);
    control->setGeometry(at);
    control->show();
    emit floated(control);
    return true;
}

void DockCaptionTree::removeControl(QWidget *control)
{
    const int at = m_controls.indexOf(control);
    if (at < 0)
        return;
    m_controls.removeAt(at);
    // Later: the caption may be the widget whose drag is moving the control right now.
    if (QPointer<DockCaption> caption = m_captions.takeAt(at)) {
        caption->hide();
        caption->deleteLater();
    }
    dockedIn().remove(control);
    if (HoverControl == control)
        HoverControl = nullptr;
    layoutControls();
}

void DockCaptionTree::setCaptionFont(const QFont &font)
{
    m_font = font;
    updateCaptionSize();
}

void DockCaptionTree::setCaptionColor(const QColor &color)
{
    m_textColor = color;
    repaintSite();
}

void DockCaptionTree::updateCaptionSize()
{
    m_captionSize = qMax(11, QFontMetrics(m_font).boundingRect(QStringLiteral("Wg")).height() + 7);
    repaintSite();
}

void DockCaptionTree::repaintSite()
{
    layoutControls();
    for (const QPointer<DockCaption> &c : m_captions)
        if (c)
            c->update();
}

void DockCaptionTree::layoutControls()
{
    if (!m_site)
        return;
    const QList<QWidget *> docked = controls();
    const QRect area = m_site->contentsRect();
    const int n = int(docked.size());
    const int g = m_captionSize;
    for (int i = 0; i < n; ++i) {
        // Zones share the site; each control leaves room for its strip.
        QRect zone;
        if (captionsOnTop()) {
            const int top = area.top() + area.height() * i / n;
            const int bottom = area.top() + area.height() * (i + 1) / n;
            zone = ltrb(area.left(), top, area.right() + 1, bottom);
            docked[i]->setGeometry(ltrb(zone.left(), zone.top() + g, zone.right() + 1, zone.bottom() + 1));
        } else {
            const int left = area.left() + area.width() * i / n;
            const int right = area.left() + area.width() * (i + 1) / n;
            zone = ltrb(left, area.top(), right, area.bottom() + 1);
            docked[i]->setGeometry(ltrb(zone.left() + g, zone.top(), zone.right() + 1, zone.bottom() + 1));
        }
        if (DockCaption *caption = m_captions.value(i)) {
            caption->setGeometry(captionRect(docked[i]));
            caption->raise();
        }
    }
}

QRect DockCaptionTree::zoneRect(const QWidget *control) const
{
    const QRect b = control->geometry();
    const int g = m_captionSize;
    return captionsOnTop() ? ltrb(b.left(), b.top() - g, b.right() + 1, b.bottom() + 1)
                           : ltrb(b.left() - g, b.top(), b.right() + 1, b.bottom() + 1);
}

QRect DockCaptionTree::captionRect(const QWidget *control) const
{
    const QRect b = control->geometry();
    const int g = m_captionSize;
    return captionsOnTop() ? ltrb(b.left(), b.top() - g, b.right() + 1, b.top())
                           : ltrb(b.left() - g, b.top(), b.left(), b.bottom() + 1);
}

QRect DockCaptionTree::closeRect(const QRect &zone) const
{
    const int zl = zone.left(), zt = zone.top(), zr = zone.left() + zone.width(), zb = zone.top() + zone.height();
    const int g = m_captionSize;
    if (captionsOnTop()) {
        int l = zr - g - 2;
        if (l < zl)
            l = zl + 3;
        return ltrb(l, zt + 3, zr - 3, zt + g - 3);
    }
    int b = zt + g - 4;
    if (b > zb)
        b = zb - 3;
    return ltrb(zl + 4, zt + 3, zl + g - 3, b);
}

bool DockCaptionTree::isOverClose(const QWidget *control, QPoint p) const
{
    if (!control || !control->isVisible())
        return false;
    const QRect c = closeRect(zoneRect(control));
    // Edges included.
    return p.x() >= c.left() && p.x() <= c.left() + c.width() && p.y() >= c.top() && p.y() <= c.top() + c.height();
}

QWidget *DockCaptionTree::hitTest(QPoint p, int *code) const
{
    *code = HitNone;
    for (QWidget *control : controls()) {
        if (isOverClose(control, p)) {
            *code = HitClose;
            return control;
        }
        const QRect z = zoneRect(control);
        // Edges excluded.
        const bool inside = control->isVisible() && p.x() > z.left() && p.x() < z.left() + z.width() && p.y() > z.top()
            && p.y() < z.top() + z.height();
        if (inside && captionRect(control).adjusted(0, 0, 1, 1).contains(p)) {
            *code = HitCaption;
            return control;
        }
    }
    return nullptr;
}

bool DockCaptionTree::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_site && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        layoutControls();
    return false;
}

void DockCaptionTree::startDrag(QWidget *control)
{
    auto *drag = new QDrag(control);
    auto *mime = new QMimeData;
    mime->setData(mimeType(), control->objectName().toUtf8());
    drag->setMimeData(mime);
    drag->exec(Qt::MoveAction);
    QWidget *target = qobject_cast<QWidget *>(drag->target());
    drag->deleteLater();
    emit dragEnded(control, target);
}

// ---------------------------------------------------------------------------------------------------
// Painting

void DockCaptionTree::fillGradient(QPainter &painter, const QRect &r, const QColor &start, const QColor &end,
                                   bool captionsOnTop)
{
    if (start == end) {
        painter.fillRect(r, start);
        return;
    }
    const QColor a = start.toRgb();
    const QColor b = end.toRgb();
    const double dr = (b.red() - a.red()) / 256.0;
    const double dg = (b.green() - a.green()) / 256.0;
    const double db = (b.blue() - a.blue()) / 256.0;
    const int left = r.left(), right = r.left() + r.width(), top = r.top(), bottom = r.top() + r.height();
    const double step = (captionsOnTop ? r.width() : r.height()) / 256.0;
    for (int i = 0; i < 256; ++i) {
        const QColor band(a.red() + rnd(i * dr), a.green() + rnd(i * dg), a.blue() + rnd(i * db));
        if (captionsOnTop) {
            const int x0 = left + rnd(i * step);
            const int x1 = qMin(right, left + rnd((i + 1) * step));
            if (x1 > x0)
                painter.fillRect(ltrb(x0, top, x1, bottom), band);
        } else {
            const int y0 = bottom - rnd((i + 1) * step);
            const int y1 = qMin(bottom, bottom - rnd(i * step));
            if (y1 > y0)
                painter.fillRect(ltrb(left, y0, right, y1), band);
        }
    }
}

QString DockCaptionTree::truncateCaption(const QFontMetrics &metrics, const QRect &x, const QString &text,
                                         int captionSize, bool captionsOnTop)
{
    const int ellipsis = metrics.horizontalAdvance(QStringLiteral("..."));
    bool shortened = false;
    QString result = text;
    const int extent = captionsOnTop ? x.width() - captionSize - 10 : x.height() - captionSize;
    for (;;) {
        const int available = extent - (shortened ? ellipsis : 0);
        if (available <= 0) {
            result.clear();
            break;
        }
        if (available >= metrics.horizontalAdvance(result))
            break;
        result.chop(1);
        shortened = true;
    }
    return shortened ? result + QStringLiteral("...") : result;
}

void DockCaptionTree::paintDockFrame(QPainter &painter, const QWidget *control, const QRect &c) const
{
    fillGradient(painter, c.adjusted(1, 1, -1, -1), CaptionStartColor, CaptionEndColor, captionsOnTop());
    const QString hint = control->toolTip();
    painter.setPen(m_textColor);
    if (captionsOnTop()) {
        painter.setFont(m_font);
        const QRect x = ltrb(c.left() + 2, c.top() + 2, c.left() + c.width() + 1, c.top() + 4);
        const QString s = truncateCaption(QFontMetrics(m_font), x, hint, m_captionSize, true);
        painter.drawText(QRect(x.left() + 3, x.top() + 2, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, s);
    } else {
        QFont turned = m_font;
        if (turned.family() == QLatin1String("MS Sans Serif"))
            turned.setFamily(QStringLiteral("Arial"));
        const QRect x = ltrb(c.left() + 2, c.top() + 2, c.left() + 4, c.top() + c.height() + 1);
        const QString s = truncateCaption(QFontMetrics(m_font), x, hint, m_captionSize, false);
        painter.save();
        painter.setFont(turned);
        painter.translate(c.left() + 3, c.top() + c.height() - 5);
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, s);
        painter.restore();
    }
    qDrawShadeRect(&painter, c, control->palette(), true, 1);
}

// ---------------------------------------------------------------------------------------------------
// Manager

DockManager::DockManager(QObject *owner)
    : QObject(owner)
    , m_font(QStringLiteral("Arial"))
{
    const QColor face = QApplication::palette().color(QPalette::Button);
    m_start = face;
    m_end = face;
}

DockManager::~DockManager() = default;

void DockManager::setFont(const QFont &font, const QColor &color)
{
    m_font = font;
    m_fontColor = color;
    if (m_tree) {
        m_tree->setCaptionFont(m_font);
        m_tree->setCaptionColor(color);
    }
}

void DockManager::setCaptionStartColor(const QColor &color)
{
    m_start = color;
    if (m_tree) {
        m_tree->CaptionStartColor = color;
        m_tree->repaintSite();
    }
}

void DockManager::setCaptionEndColor(const QColor &color)
{
    m_end = color;
    if (m_tree) {
        m_tree->CaptionEndColor = color;
        m_tree->repaintSite();
    }
}

void DockManager::setTransparentButton(bool transparent)
{
    m_transparentButton = transparent;
    if (m_tree)
        m_tree->TransparentButton = transparent;
}

void DockManager::setControl(QWidget *site, SiteAlign align)
{
    m_tree.reset();
    if (site && parent()) {
        for (DockManager *other : parent()->findChildren<DockManager *>(Qt::FindDirectChildrenOnly)) {
            if (other->m_site == site) {
                m_site = nullptr;
                throw DockError(Texts::DockSiteTaken.arg(site->objectName()));
            }
        }
    }
    m_site = site;
    if (!site)
        return;
    try {
        createTree(align);
    } catch (const std::exception &) {
        m_site = nullptr;
        throw DockError(Texts::DockSiteRefused.arg(site->objectName()));
    }
}

void DockManager::createTree(SiteAlign align)
{
    m_tree.reset();
    m_tree = std::make_unique<DockCaptionTree>(m_site, align);
    m_tree->setCaptionFont(m_font);
    m_tree->setCaptionColor(m_fontColor);
    m_tree->TransparentButton = m_transparentButton;
    m_tree->CaptionStartColor = m_start;
    m_tree->CaptionEndColor = m_end;
}
