#include "grid/GroupPanel.h"

#include "base/Texts.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

namespace {
constexpr int Margin = 6;
constexpr int Gap = 14;
constexpr int Step = 6; // each level sits a little lower, as a staircase
} // namespace

GroupPanel::GroupPanel(const QObject *owner, QWidget *parent)
    : QWidget(parent)
    , m_owner(owner)
{
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString GroupPanel::emptyText()
{
    return Texts::GroupPanelHint;
}

void GroupPanel::setGroups(const std::vector<int> &columns, const QStringList &captions)
{
    m_columns = columns;
    m_captions = captions;
    updateGeometry();
    update();
}

QSize GroupPanel::sizeHint() const
{
    const int boxHeight = fontMetrics().height() + 8;
    const int levels = qMax(1, int(m_columns.size()));
    return {200, 2 * Margin + boxHeight + (levels - 1) * Step};
}

QRect GroupPanel::boxRect(int level) const
{
    const QFontMetrics fm = fontMetrics();
    int x = Margin;
    for (int l = 0; l < level; ++l)
        x += fm.horizontalAdvance(m_captions.value(l)) + 16 + Gap;
    return {x, Margin + level * Step, fm.horizontalAdvance(m_captions.value(level)) + 16, fm.height() + 8};
}

int GroupPanel::levelAt(const QPoint &pos) const
{
    int level = 0;
    while (level < int(m_columns.size()) && boxRect(level).center().x() < pos.x())
        ++level;
    return level;
}

QMimeData *GroupPanel::columnMimeData(const QObject *owner, int column, bool fromPanel)
{
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(MimeType),
                  QStringLiteral("%1 %2 %3").arg(quintptr(owner)).arg(column).arg(fromPanel ? 1 : 0).toLatin1());
    return data;
}

int GroupPanel::columnOf(const QMimeData *data, const QObject *owner, bool *fromPanel)
{
    if (!data || !data->hasFormat(QString::fromLatin1(MimeType)))
        return -1;
    const QList<QByteArray> parts = data->data(QString::fromLatin1(MimeType)).split(' ');
    if (parts.size() != 3 || parts[0].toULongLong() != quintptr(owner))
        return -1;
    if (fromPanel)
        *fromPanel = parts[2] == "1";
    return parts[1].toInt();
}

void GroupPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // The hint in white on a dark ground, as group panels always looked, and readable.
    p.fillRect(rect(), palette().color(QPalette::Dark).darker(125));
    if (m_columns.empty()) {
        p.setPen(palette().color(QPalette::BrightText));
        p.drawText(rect().adjusted(Margin, 0, -Margin, 0), Qt::AlignLeft | Qt::AlignVCenter, emptyText());
        return;
    }
    for (int l = 0; l < int(m_columns.size()); ++l) {
        const QRect r = boxRect(l);
        if (l > 0) {
            const QRect prev = boxRect(l - 1);
            p.setPen(palette().color(QPalette::Shadow));
            p.drawLine(prev.left() + 8, prev.bottom(), prev.left() + 8, r.center().y());
            p.drawLine(prev.left() + 8, r.center().y(), r.left(), r.center().y());
        }
        p.fillRect(r, palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter, m_captions.value(l));
    }
}

void GroupPanel::mousePressEvent(QMouseEvent *event)
{
    m_pressLevel = -1;
    for (int l = 0; l < int(m_columns.size()); ++l)
        if (boxRect(l).contains(event->position().toPoint()))
            m_pressLevel = l;
    m_pressPos = event->position().toPoint();
}

void GroupPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressLevel < 0 || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    const int level = m_pressLevel;
    m_pressLevel = -1;
    auto *drag = new QDrag(this);
    drag->setMimeData(columnMimeData(m_owner, m_columns[size_t(level)], true));
    drag->setPixmap(grab(boxRect(level)));
    drag->exec(Qt::MoveAction);
}

bool GroupPanel::takes(const QMimeData *data) const
{
    const int column = columnOf(data, m_owner);
    return column >= 0 && (!m_accepts || m_accepts(column));
}

void GroupPanel::dragEnterEvent(QDragEnterEvent *event)
{
    if (takes(event->mimeData()))
        event->acceptProposedAction();
}

void GroupPanel::dragMoveEvent(QDragMoveEvent *event)
{
    if (takes(event->mimeData()))
        event->acceptProposedAction();
}

void GroupPanel::dropEvent(QDropEvent *event)
{
    if (!takes(event->mimeData()))
        return;
    const int column = columnOf(event->mimeData(), m_owner);
    event->acceptProposedAction();
    int level = levelAt(event->position().toPoint());
    // Moving a box to the right: its own old place no longer counts.
    const auto it = std::find(m_columns.begin(), m_columns.end(), column);
    if (it != m_columns.end() && int(it - m_columns.begin()) < level)
        --level;
    emit groupRequested(column, level);
}
