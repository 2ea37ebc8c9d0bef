#include "grid/DxGrid.h"

#include "base/RowSource.h"
#include "base/Texts.h"
#include "grid/GridDelegate.h"
#include "grid/GridExport.h"
#include "grid/GridHeader.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "grid/GroupPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QFuture>
#include <QMutex>
#include <QProgressDialog>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace {

int progressDelayMs = 500;

QString tsvField(const QString &text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

DxGrid::DxGrid(QWidget *parent)
    : QWidget(parent)
    , m_model(new GridModel(this))
    , m_panel(new GroupPanel(this, this))
    , m_view(new GridView(this))
    , m_header(new GridHeader(this, m_view))
    , m_delegate(new GridDelegate(m_header, m_view))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_panel);
    layout->addWidget(m_view);

    m_view->setHeader(m_header);
    m_view->setModel(m_model);
    m_view->setItemDelegate(m_delegate);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAllColumnsShowFocus(true);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setWordWrap(true);
    m_header->setSectionsClickable(true);
    m_header->setSectionsMovable(false);
    m_header->setSortIndicatorShown(true);
    m_header->setStretchLastSection(false);
    m_header->setHighlightSections(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setSortIndicator(-1, Qt::AscendingOrder);

    connect(m_header, &QHeaderView::sectionClicked, this, &DxGrid::headerClicked);
    connect(m_header, &QHeaderView::sectionResized, this, &DxGrid::sectionResized);
    connect(m_header, &GridHeader::ungroupDropped, this, &DxGrid::ungroup);
    connect(m_panel, &GroupPanel::groupRequested, this, [this](int column, int level) { groupBy(column, level); });
    m_panel->setAccepts([this](int column) {
        std::vector<int> groups = m_model->groupColumns();
        const bool before = keepsAColumnShown(groups);
        groups.push_back(column);
        return keepsAColumnShown(groups) || !before;
    });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &DxGrid::beforeReset);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DxGrid::afterReset);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this, &DxGrid::viewCurrentChanged);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_selectedValid = false; });
    connect(m_view, &GridView::keyDown, this, &DxGrid::keyDown);
    connect(m_view, &GridView::copyRequested, this, &DxGrid::copySelection);
    connect(m_view, &GridView::selectAllRequested, this, &DxGrid::selectAll);
    connect(m_view, &GridView::rowDoubleClicked, this, &DxGrid::doubleClicked);
    m_model->setRunner([this](const std::function<bool(const GridModel::Progress &)> &ranking) {
        const auto label = [](int done, int total, bool reading) {
            return (reading ? Texts::GridReadingRows : Texts::GridOrderingValues).arg(done).arg(total);
        };
        return runWithProgress({}, ranking, label, StaleRows::StopAlways);
    });
    m_view->viewport()->installEventFilter(this);
    setFocusProxy(m_view);
    setFlat(true);
}

DxGrid::~DxGrid() = default;

void DxGrid::setColumns(std::vector<GridColumn> columns)
{
    m_weights.clear();
    bool memo = false;
    for (const GridColumn &c : columns) {
        m_weights.push_back(c.width > 0 ? c.width : 100);
        memo = memo || c.kind == GridColumn::Memo;
    }
    m_view->setUniformRowHeights(!memo);
    m_collapsed.clear();
    m_model->setColumns(std::move(columns));
    m_header->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    updateSections();
}

const std::vector<GridColumn> &DxGrid::columns() const
{
    return m_model->columns();
}

void DxGrid::setRows(RowSource *rows)
{
    if (RowSource *old = m_model->rows())
        disconnect(old, nullptr, this, nullptr);
    if (rows)
        connect(rows, &RowSource::currentRowChanged, this, &DxGrid::sourceCurrentChanged);
    m_model->setRows(rows);
}

RowSource *DxGrid::rows() const
{
    return m_model->rows();
}

void DxGrid::setGroupPanelVisible(bool visible)
{
    m_panel->setVisible(visible);
}

void DxGrid::setHeaderVisible(bool visible)
{
    m_view->setHeaderHidden(!visible);
}

void DxGrid::setFlat(bool flat)
{
    m_view->setFrameShape(flat ? QFrame::NoFrame : QFrame::StyledPanel);
    m_header->setStyleSheet(
        flat ? QStringLiteral("QHeaderView::section { background: palette(button); border: none;"
                              " border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid);"
                              " padding: 2px 4px; }")
             : QString());
}

void DxGrid::setDefaultOrder(const QStringList &fields)
{
    m_model->setDefaultOrder(fields);
}

void DxGrid::setDeferred(bool deferred)
{
    m_model->setDeferred(deferred);
}

void DxGrid::sortBy(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= int(columns().size()))
        return;
    if (column != m_model->sortColumn() || order != m_model->sortOrder()) {
        m_keepSelection = true;
        m_model->sort(column, order);
        m_keepSelection = false;
    }
    // A sort cancelled on its progress dialog leaves the old one.
    m_header->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
}

int DxGrid::sortColumn() const
{
    return m_model->sortColumn();
}

Qt::SortOrder DxGrid::sortOrder() const
{
    return m_model->sortOrder();
}

void DxGrid::headerClicked(int section)
{
    const Qt::SortOrder order = section == m_model->sortColumn() && m_model->sortOrder() == Qt::AscendingOrder
        ? Qt::DescendingOrder
        : Qt::AscendingOrder;
    sortBy(section, order);
}

void DxGrid::groupBy(int column, int level)
{
    std::vector<int> groups = m_model->groupColumns();
    std::erase(groups, column);
    if (level < 0 || level > int(groups.size()))
        level = int(groups.size());
    groups.insert(groups.begin() + level, column);
    setGroupColumns(std::move(groups));
}

void DxGrid::ungroup(int column)
{
    std::vector<int> groups = m_model->groupColumns();
    std::erase(groups, column);
    setGroupColumns(std::move(groups));
}

bool DxGrid::keepsAColumnShown(const std::vector<int> &groups) const
{
    const std::vector<GridColumn> &cols = columns();
    for (int c = 0; c < int(cols.size()); ++c)
        if (!cols[size_t(c)].hidden && std::find(groups.begin(), groups.end(), c) == groups.end())
            return true;
    return false;
}

void DxGrid::setGroupColumns(std::vector<int> columns)
{
    if (columns == m_model->groupColumns()
        || (!keepsAColumnShown(columns) && keepsAColumnShown(m_model->groupColumns())))
        return;
    m_collapsed.clear();
    m_keepSelection = true;
    m_model->setGroupColumns(std::move(columns));
    m_keepSelection = false;
    m_collapsed.clear();
    updateSections();
}

std::vector<int> DxGrid::groupColumns() const
{
    return m_model->groupColumns();
}

void DxGrid::setAllGroupsExpanded(bool expanded)
{
    if (expanded)
        m_view->expandAll();
    else
        m_view->collapseAll();
}

void DxGrid::beforeReset()
{
    m_lastFocused = -1;
    m_selectedValid = false;
    QSet<QString> collapsed;
    for (int g = 0; g < m_model->groupCount(); ++g)
        if (!m_view->isExpanded(m_model->groupIndex(g)))
            collapsed.insert(m_model->groupPath(g));
    if (m_model->groupCount() > 0)
        m_collapsed = collapsed;
    m_savedSelection.clear();
    if (m_keepSelection) {
        const std::vector<int> rows = selectedRows();
        if (!rows.empty()) {
            m_savedSelection.assign(size_t(m_model->rowTotal()), false);
            for (int r : rows)
                m_savedSelection[size_t(r)] = true;
        }
    }
}

void DxGrid::afterReset()
{
    m_selectedValid = false;
    // A list read again whose ordering was stopped shows the catalogue's order, unsorted.
    m_header->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    m_view->setRootIsDecorated(!m_model->groupColumns().empty());
    // Expanding now, while the view's layout is still pending, only records the wish.
    for (int g = 0; g < m_model->groupCount(); ++g)
        if (m_collapsed.isEmpty() || !m_collapsed.contains(m_model->groupPath(g)))
            m_view->expand(m_model->groupIndex(g));
    const bool restore = !m_savedSelection.empty();
    if (restore)
        applySelection(m_savedSelection);
    m_savedSelection.clear();
    if (RowSource *rows = m_model->rows())
        followSource(rows->currentRow(), !restore);
    if (m_view->uniformRowHeights() == false)
        m_view->doItemsLayout();
}

void DxGrid::followSource(int row, bool select)
{
    const QModelIndex index = m_model->indexOfSourceRow(row);
    if (!index.isValid())
        return;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        m_view->expand(p);
    m_syncing = true;
    m_view->selectionModel()->setCurrentIndex(index,
                                              select ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                                     : QItemSelectionModel::NoUpdate);
    m_syncing = false;
    if (m_view->isVisible())
        m_view->scrollTo(index);
}

void DxGrid::viewCurrentChanged(const QModelIndex &current)
{
    const int row = m_model->sourceRowOf(current);
    if (row < 0)
        return;
    RowSource *rows = m_model->rows();
    if (!m_syncing && rows && rows->currentRow() != row) {
        m_syncing = true;
        rows->setCurrentRow(row);
        m_syncing = false;
    }
    if (row != m_lastFocused) {
        m_lastFocused = row;
        emit focusedRowChanged(row);
    }
}

void DxGrid::sourceCurrentChanged(int row)
{
    if (!m_syncing)
        followSource(row, true);
}

int DxGrid::focusedRow() const
{
    return m_model->sourceRowOf(m_view->currentIndex());
}

std::vector<int> DxGrid::selectedRows() const
{
    if (m_selectedValid)
        return m_selected;
    std::vector<int> positions;
    for (const QItemSelectionRange &range : m_view->selectionModel()->selection()) {
        const int base = m_model->positionOf(range.topLeft());
        if (base < 0)
            continue;
        for (int i = 0; i <= range.bottom() - range.top(); ++i)
            positions.push_back(base + i);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    m_selected.clear();
    m_selected.reserve(positions.size());
    for (int p : positions)
        m_selected.push_back(m_model->sourceRow(p));
    m_selectedValid = true;
    return m_selected;
}

int DxGrid::selectedCount() const
{
    selectedRows();
    return int(m_selected.size());
}

QString DxGrid::selectedText(int selected, int column) const
{
    selectedRows();
    if (selected < 0 || selected >= int(m_selected.size()))
        return QString();
    return m_model->text(m_selected[size_t(selected)], column);
}

QString DxGrid::cellText(int row, int column) const
{
    return m_model->text(row, column);
}

void DxGrid::selectAll()
{
    QItemSelection selection;
    const int last = m_model->columnCount() - 1;
    for (const GridModel::Span &s : m_model->spans())
        selection.append(
            QItemSelectionRange(m_model->index(0, 0, s.parent), m_model->index(s.count - 1, last, s.parent)));
    replaceSelection(selection);
}

void DxGrid::replaceSelection(const QItemSelection &selection)
{
    // Told to replace one selection by another, the selection model compares every old range with
    // every new one; emptied first, it compares nothing.
    QItemSelectionModel *model = m_view->selectionModel();
    if (model->hasSelection())
        model->clearSelection();
    model->select(selection, QItemSelectionModel::Select);
}

void DxGrid::selectRows(const std::vector<int> &rows)
{
    std::vector<bool> wanted(size_t(m_model->rowTotal()), false);
    for (int r : rows)
        if (r >= 0 && r < int(wanted.size()))
            wanted[size_t(r)] = true;
    applySelection(wanted);
}

// One selection range per run of wanted rows inside one parent.
void DxGrid::applySelection(const std::vector<bool> &bySourceRow)
{
    QItemSelection selection;
    const int last = m_model->columnCount() - 1;
    for (const GridModel::Span &s : m_model->spans()) {
        int run = -1;
        for (int i = 0; i <= s.count; ++i) {
            const bool on = i < s.count && bySourceRow[size_t(m_model->sourceRow(s.first + i))];
            if (on && run < 0)
                run = i;
            if (!on && run >= 0) {
                selection.append(
                    QItemSelectionRange(m_model->index(run, 0, s.parent), m_model->index(i - 1, last, s.parent)));
                run = -1;
            }
        }
    }
    replaceSelection(selection);
}

QString DxGrid::selectionText() const
{
    const std::vector<int> columns = GridExport::exportedColumns(*m_model);
    QString out;
    for (int row : selectedRows()) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (i > 0)
                out += u'\t';
            out += tsvField(m_model->text(row, columns[i]));
        }
        out += u'\n';
    }
    return out;
}

void DxGrid::copySelection() const
{
    QApplication::clipboard()->setText(selectionText());
}

void DxGrid::setExportProgressDelayMs(int ms)
{
    progressDelayMs = qMax(0, ms);
}

int DxGrid::exportProgressDelayMs()
{
    return progressDelayMs;
}

StepRunner DxGrid::rowReader() const
{
    return [this](const std::function<bool(const StepProgress &)> &read) {
        const auto label = [](int done, int total, bool) { return Texts::GridReadingRows.arg(done).arg(total); };
        return runWithProgress({}, read, label, StaleRows::StopWhileReading);
    };
}

bool DxGrid::saveToHtml(const QString &path, const QString &title) const
{
    return exportWithProgress(path, GridExport::Html, title, nullptr);
}

bool DxGrid::saveToXls(const QString &path, const QString &title) const
{
    return exportWithProgress(path, GridExport::Xls, title, nullptr);
}

bool DxGrid::saveTo(const QString &path, GridExport::Format format, const QString &title, ExportNotes *notes) const
{
    // Printing stays on the window's thread.
    if (format == GridExport::Pdf) {
        GridExport::toPdf(*m_model, path, title);
        return true;
    }
    return exportWithProgress(path, format, title, notes);
}

bool DxGrid::exportWithProgress(const QString &path, GridExport::Format format, const QString &title,
                                ExportNotes *notes) const
{
    const auto write = [&](const GridModel::Progress &checkpoint) {
        // The writers say they have read their last row with a count equal to the total.
        return GridExport::save(*m_model, path, format, title, notes,
                                [&checkpoint](int done, int total) { return checkpoint(done, total, done < total); });
    };
    const auto label = [](int done, int total, bool) { return Texts::GridWritingRows.arg(done).arg(total); };
    return runWithProgress(title.isEmpty() ? QFileInfo(path).fileName() : title, write, label,
                           StaleRows::StopWhileReading);
}

// The work runs on a thread of its own, so the window repaints and the dialog counts and hears its
// Cancel while it works. The work reads the rows holding `rowsGuard`, and lets go of it at a
// checkpoint when this thread asks for a turn by suspending the future; this thread serves its events
// only holding it. Once the rows are read, the two run side by side. Until the dialog is up the
// window takes no input, and then the dialog is window-modal, so nothing the user does changes the
// rows meanwhile. No event loop runs between two turns, so the future is read directly rather than
// through a watcher's queued signals.
bool DxGrid::runWithProgress(const QString &title, const std::function<bool(const GridModel::Progress &)> &work,
                             const std::function<QString(int, int, bool)> &label, StaleRows staleRule) const
{
    QMutex rowsGuard; // held by whoever reads the rows or serves the window's events
    std::atomic<bool> reading = true;
    const bool everyCheckpoint = progressDelayMs == 0; // a turn at each: no dialog delay, as tests ask
    bool result = false;
    std::exception_ptr failure;
    // A pool of its own: a step waiting for its turn never holds up one started within that turn,
    // however few threads the machine has.
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    QFuture<void> future = QtConcurrent::run(&pool, [&](QPromise<void> &promise) {
        std::unique_lock<QMutex> rows(rowsGuard);
        int lastDone = -1;
        int lastTotal = -1;
        const auto checkpoint = [&](int done, int total, bool isReading) {
            reading = isReading;
            // A future's count only rises, and the count starts again with each pass over the rows:
            // a new range sets it back. A count told twice is no new pass: setting it back would
            // show the dialog a count going down.
            if (done < lastDone || total != lastTotal)
                promise.setProgressRange(-1, total);
            promise.setProgressValueAndText(done, label(done, total, isReading));
            lastDone = done;
            lastTotal = total;
            if (!isReading) {
                if (rows.owns_lock())
                    rows.unlock();
                if (everyCheckpoint) {
                    promise.future().suspend();
                    promise.suspendIfRequested();
                }
                return !promise.isCanceled();
            }
            if (everyCheckpoint)
                promise.future().suspend();
            if (promise.future().isSuspending()) {
                if (rows.owns_lock())
                    rows.unlock();
                promise.suspendIfRequested();
            }
            if (promise.isCanceled())
                return false;
            if (!rows.owns_lock())
                rows.lock();
            return !promise.isCanceled();
        };
        try {
            result = work(checkpoint);
        } catch (...) {
            failure = std::current_exception();
        }
    });

    std::unique_ptr<QProgressDialog> progress;
    bool stale = false;
    const QMetaObject::Connection reset
        = connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [&stale] { stale = true; });
    // A fifth of the wait before the dialog, and never more than a twentieth of a second, between two turns.
    const int slice = qMin(50, progressDelayMs / 5);
    while (!pool.waitForDone(slice)) {
        future.suspend();
        {
            const QMutexLocker turn(&rowsGuard);
            if (!progress) {
                progress = std::make_unique<QProgressDialog>(const_cast<DxGrid *>(this)->window());
                progress->setWindowTitle(title);
                progress->setWindowModality(Qt::WindowModal);
                progress->setMinimumDuration(progressDelayMs);
                progress->setAutoReset(false);
                progress->setAutoClose(false);
                progress->setValue(0);
            }
            // Nothing told yet while the work has not reached its first checkpoint.
            const QString text = future.progressText();
            const int done = qMax(0, future.progressValue());
            progress->setMaximum(qMax(1, future.progressMaximum()));
            progress->setLabelText(text.isEmpty() ? label(0, 0, true) : text);
            progress->setValue(done); // shows the dialog once the work proves long
            // setValue serves the events only when the count moved, and the count may stand still
            // while the work goes on.
            QCoreApplication::processEvents(progress->isVisible() ? QEventLoop::AllEvents
                                                                  : QEventLoop::ExcludeUserInputEvents);
            if (progress->wasCanceled() || (stale && (reading || staleRule == StaleRows::StopAlways)))
                future.cancel();
        }
        future.resume();
    }
    const bool stopped = future.isCanceled();
    disconnect(reset);
    if (failure)
        std::rethrow_exception(failure);
    // A ranking finished all the same is of rows that are no longer there, or no longer wanted.
    return result && !(staleRule == StaleRows::StopAlways && (stopped || stale));
}

void DxGrid::updateSections()
{
    const std::vector<GridColumn> &cols = columns();
    const std::vector<int> &groups = m_model->groupColumns();
    std::vector<int> shown, hidden;
    m_fitting = true;
    for (int c = 0; c < int(cols.size()); ++c) {
        const bool hide = cols[size_t(c)].hidden || std::find(groups.begin(), groups.end(), c) != groups.end();
        m_view->setColumnHidden(c, hide);
        (hide ? hidden : shown).push_back(c);
    }
    // Shown columns first: the tree's branch marks and group rows start at the first visual column.
    int visual = 0;
    for (const auto *list : {&shown, &hidden})
        for (int c : *list)
            m_header->moveSection(m_header->visualIndex(c), visual++);
    m_fitting = false;
    QStringList captions;
    for (int c : groups)
        captions << cols[size_t(c)].caption;
    m_panel->setGroups(groups, captions);
    fitColumns();
}

void DxGrid::fitColumns()
{
    const int available = m_view->viewport()->width();
    if (m_fitting || available <= 0)
        return;
    std::vector<int> shown;
    long total = 0;
    for (int c = 0; c < int(m_weights.size()); ++c)
        if (!m_header->isSectionHidden(c)) {
            shown.push_back(c);
            total += m_weights[size_t(c)];
        }
    if (shown.empty() || total <= 0)
        return;
    m_fitting = true;
    bool changed = false;
    int used = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int c = shown[i];
        const int size = i + 1 == shown.size() ? available - used : int(long(m_weights[size_t(c)]) * available / total);
        used += size;
        if (m_header->sectionSize(c) != size) {
            m_header->resizeSection(c, qMax(size, 8));
            changed = true;
        }
    }
    m_fitting = false;
    // Memo rows take their height from their column's width.
    if (changed && !m_view->uniformRowHeights() && !m_relayoutPending) {
        m_relayoutPending = true;
        QTimer::singleShot(0, this, [this] {
            m_relayoutPending = false;
            m_view->doItemsLayout();
        });
    }
}

void DxGrid::sectionResized(int section, int, int)
{
    if (m_fitting || QGuiApplication::mouseButtons() == Qt::NoButton)
        return;
    // The user's new width becomes the column's share; the others give way proportionally.
    for (int c = 0; c < int(m_weights.size()); ++c)
        if (!m_header->isSectionHidden(c))
            m_weights[size_t(c)] = qMax(8, m_header->sectionSize(c));
    Q_UNUSED(section);
    QTimer::singleShot(0, this, &DxGrid::fitColumns);
}

bool DxGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}
