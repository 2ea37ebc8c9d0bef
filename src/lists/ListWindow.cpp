#include "lists/ListWindow.h"

#include "base/MessageService.h"
#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "grid/ExportNotes.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QVBoxLayout>

ListWindow::ListWindow(const Frame &frame, MessageService &messages, QWidget *parent)
    : QWidget(parent)
    , m_messages(messages)
    , m_frame(frame)
    , m_main(new DxGrid)
    , m_splitter(new QSplitter(Qt::Vertical))
{
    setWindowTitle(frame.caption);
    resize(frame.normalSize);
    m_splitter->setHandleWidth(4);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_main);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(m_main, &DxGrid::keyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Delete)
            deleteSelected();
    });
    connect(m_main, &DxGrid::doubleClicked, this, &ListWindow::editCurrent);
}

DxGrid *ListWindow::addDetail(const QString &caption)
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("gridPanel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto *bar = new QLabel(caption);
    bar->setObjectName(QStringLiteral("detailBar"));
    bar->setFixedHeight(24);
    bar->setFrameShape(QFrame::Panel);
    bar->setFrameShadow(QFrame::Raised);
    bar->setIndent(4);
    m_detail = new DxGrid;
    m_detail->setHeaderVisible(false);
    m_detail->setGroupPanelVisible(false);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_detail);
    m_splitter->addWidget(panel);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setSizes({qMax(1, m_frame.normalSize.height() - 123), 123});
    return m_detail;
}

QString ListWindow::confirmDeleteText() const
{
    return Texts::ConfirmDelete;
}

int ListWindow::selectedId(int selected) const
{
    return m_main->selectedText(selected, 0).toInt();
}

void ListWindow::deleteSelected()
{
    if (m_readOnly || !m_messages.confirm(confirmDeleteText()))
        return;
    // The ids are read before the first delete: each delete may be followed by events that touch the grid.
    const int count = m_main->selectedCount();
    std::vector<int> ids;
    ids.reserve(count);
    for (int i = 0; i < count; ++i)
        ids.push_back(selectedId(i));
    for (int id : ids)
        deleteRecord(id);
    reload();
}

void ListWindow::editCurrent()
{
    if (m_readOnly || m_main->selectedCount() == 0)
        return;
    editFirstSelected();
    reload();
}

void ListWindow::saveToHtmlFile(const QString &fileName)
{
    saveToFile(fileName, GridExport::Html);
}

void ListWindow::saveToXlsFile(const QString &fileName)
{
    const GridExport::Format asked = GridExport::formatOfFile(fileName, GridExport::Xls);
    saveToFile(fileName, asked == GridExport::Xlsx || asked == GridExport::Csv ? asked : GridExport::Xls);
}

void ListWindow::saveToFile(const QString &fileName, GridExport::Format format)
{
    ExportNotes notes;
    if (!m_main->saveTo(fileName, format, m_frame.caption, &notes))
        return; // stopped by the user: the old file stands, and nothing was cut
    if (notes.hasCuts())
        m_messages.warning(notes.text());
    else if (!notes.isEmpty())
        m_messages.information(notes.text());
}

void ListWindow::closeEvent(QCloseEvent *event)
{
    // List windows live as long as the program: closing only minimises, or does nothing.
    event->ignore();
    if (!m_frame.canMinimise)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->showMinimized();
}
