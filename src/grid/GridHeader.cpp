#include "grid/GridHeader.h"

#include "grid/GroupPanel.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>

GridHeader::GridHeader(const QObject *owner, QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_owner(owner)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void GridHeader::mousePressEvent(QMouseEvent *event)
{
    // A press of a button that was up: any earlier press is over, though its release never came here
    // (an ordering's progress dialog, window-modal, came up in between and took it). Left open, it
    // would make the header ignore every press from now on.
    if (m_pressOpen && event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton)
        endPressOutsideSections();
    m_pressSection = -1;
    const int x = event->position().toPoint().x();
    const int section = logicalIndexAt(x);
    if (event->button() == Qt::LeftButton && section >= 0) {
        // Not near an edge, where a press resizes.
        const int left = sectionViewportPosition(section);
        const int right = left + sectionSize(section);
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this) + 2;
        if (x > left + grip && x < right - grip)
            m_pressSection = section;
    }
    m_pressPos = event->position().toPoint();
    QHeaderView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_pressOpen = true;
    // The press may reach here only after a list's ordering that its focus started (a list comes to the
    // front on a click), and that ordering's progress dialog then took the release: the button is up
    // already. Ended here, the press is the click it was; left pressed, the header would take no press
    // until a release came.
    if (event->button() == Qt::LeftButton && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        m_pressSection = -1;
        QMouseEvent release(QEvent::MouseButtonRelease, event->position(), event->globalPosition(), Qt::LeftButton,
                            Qt::NoButton, event->modifiers());
        mouseReleaseEvent(&release);
    }
}

void GridHeader::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressOpen = false;
    QHeaderView::mouseReleaseEvent(event);
}

// Ends the press where no section is, so that it sorts nothing.
void GridHeader::endPressOutsideSections()
{
    m_pressSection = -1;
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    mouseReleaseEvent(&release);
}

void GridHeader::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressSection < 0 || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance()) {
        QHeaderView::mouseMoveEvent(event);
        return;
    }
    const int section = m_pressSection;
    m_pressSection = -1;
    auto *drag = new QDrag(this);
    drag->setMimeData(GroupPanel::columnMimeData(m_owner, section, false));
    drag->setPixmap(grab(QRect(sectionViewportPosition(section), 0, sectionSize(section), height())));
    drag->exec(Qt::MoveAction);
    // The release went to the drag.
    endPressOutsideSections();
}

void GridHeader::dragEnterEvent(QDragEnterEvent *event)
{
    bool fromPanel = false;
    if (GroupPanel::columnOf(event->mimeData(), m_owner, &fromPanel) >= 0 && fromPanel)
        event->acceptProposedAction();
}

void GridHeader::dragMoveEvent(QDragMoveEvent *event)
{
    bool fromPanel = false;
    if (GroupPanel::columnOf(event->mimeData(), m_owner, &fromPanel) >= 0 && fromPanel)
        event->acceptProposedAction();
}

void GridHeader::dropEvent(QDropEvent *event)
{
    bool fromPanel = false;
    const int column = GroupPanel::columnOf(event->mimeData(), m_owner, &fromPanel);
    if (column < 0 || !fromPanel)
        return;
    event->acceptProposedAction();
    emit ungroupDropped(column);
}
