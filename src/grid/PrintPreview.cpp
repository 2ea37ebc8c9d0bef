#include "grid/PrintPreview.h"

#include "base/Texts.h"
#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridPrinter.h"

#include <QAbstractScrollArea>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Each slice of counting leaves the event loop this long at most, so the toolbar answers at once.
constexpr int SliceMs = 15;

} // namespace

// The settled pages one under the other on a grey desk, drawn straight from the layout as they
// come into view; the desk grows as pages are counted.
class PreviewPages : public QAbstractScrollArea
{
public:
    explicit PreviewPages(QWidget *parent)
        : QAbstractScrollArea(parent)
    {
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
        verticalScrollBar()->setSingleStep(20);
    }

    void setSource(const GridPrinter *layout)
    {
        m_layout = layout;
        m_pages = 0;
        setPages(layout ? layout->settledPages() : 0);
        viewport()->update();
    }

    void setPages(int pages)
    {
        m_pages = pages;
        updateRange();
    }

    enum Fit { Width, WholePage, Free };
    void setFit(Fit fit)
    {
        m_fit = fit;
        updateRange();
        viewport()->update();
    }
    void zoomBy(double factor)
    {
        m_zoom = qBound(0.02, zoom() * factor, 1.0);
        m_fit = Free;
        updateRange();
        viewport()->update();
    }

    int currentPage() const
    {
        if (m_pages == 0)
            return 0;
        const double center = verticalScrollBar()->value() + viewport()->height() / 2.0;
        return qBound(0, int((center - Gap / 2.0) / pitch()), m_pages - 1);
    }
    void showPage(int page) { verticalScrollBar()->setValue(int(page * pitch())); }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        updateRange();
    }

    void paintEvent(QPaintEvent *event) override
    {
        if (!m_layout)
            return;
        QPainter p(viewport());
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const double z = zoom();
        const QSizeF paper = m_layout->paperSize() * z;
        const double left
            = qMax(double(Gap), (viewport()->width() - paper.width()) / 2) - horizontalScrollBar()->value();
        const int offset = verticalScrollBar()->value();
        const int first = qMax(0, int((offset + event->rect().top()) / pitch()));
        for (int page = first; page < m_pages; ++page) {
            const double top = Gap + page * pitch() - offset;
            if (top > event->rect().bottom())
                break;
            const QRectF sheet(left, top, paper.width(), paper.height());
            p.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 70));
            p.fillRect(sheet, Qt::white);
            p.save();
            p.setClipRect(sheet);
            p.translate(sheet.topLeft() + m_layout->areaOrigin() * z);
            p.scale(z, z);
            m_layout->paintPage(p, page);
            p.restore();
        }
    }

private:
    static constexpr int Gap = 12;

    double zoom() const
    {
        if (!m_layout)
            return 1;
        const QSizeF paper = m_layout->paperSize();
        const double width = qMax(50, viewport()->width() - 2 * Gap);
        switch (m_fit) {
        case Width:
            return width / paper.width();
        case WholePage:
            return qMin(width / paper.width(), qMax(50, viewport()->height() - 2 * Gap) / paper.height());
        case Free:
            break;
        }
        return m_zoom;
    }
    double pitch() const { return m_layout ? m_layout->paperSize().height() * zoom() + Gap : 1; }

    void updateRange()
    {
        const int height = int(Gap + m_pages * pitch());
        verticalScrollBar()->setPageStep(viewport()->height());
        verticalScrollBar()->setRange(0, qMax(0, height - viewport()->height()));
        const int width = m_layout ? int(m_layout->paperSize().width() * zoom()) + 2 * Gap : 0;
        horizontalScrollBar()->setPageStep(viewport()->width());
        horizontalScrollBar()->setRange(0, qMax(0, width - viewport()->width()));
    }

    const GridPrinter *m_layout = nullptr;
    int m_pages = 0;
    Fit m_fit = Width;
    double m_zoom = 0.1;
};

PrintPreview::PrintPreview(const DxGrid *grid, const QString &title, QWidget *parent)
    : QDialog(parent)
    , m_grid(grid)
    , m_title(title)
{
    setWindowTitle(caption());
    setSizeGripEnabled(true);
    resize(820, 900);
    GridPrinter::setupPage(m_printer);

    auto *bar = new QToolBar(this);
    m_print = bar->addAction(Texts::PreviewPrint, this, &PrintPreview::print);
    bar->addSeparator();
    bar->addAction(Texts::PreviewFitWidth, this, [this] { m_pages->setFit(PreviewPages::Width); });
    bar->addAction(Texts::PreviewFitPage, this, [this] { m_pages->setFit(PreviewPages::WholePage); });
    bar->addAction(Texts::PreviewZoomIn, this, [this] { m_pages->zoomBy(1.25); });
    bar->addAction(Texts::PreviewZoomOut, this, [this] { m_pages->zoomBy(0.8); });
    bar->addSeparator();
    bar->addAction(Texts::PreviewFirst, this, [this] { setCurrentPage(0); });
    bar->addAction(Texts::PreviewPrevious, this, [this] { setCurrentPage(currentPage() - 1); });
    bar->addAction(Texts::PreviewNext, this, [this] { setCurrentPage(currentPage() + 1); });
    bar->addAction(Texts::PreviewLast, this, [this] { setCurrentPage(settledPages() - 1); });
    bar->addSeparator();
    bar->addAction(Texts::PreviewClose, this, &QDialog::reject);
    m_pages = new PreviewPages(this);
    m_status = new QLabel(this);
    m_status->setContentsMargins(6, 2, 6, 2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_status);

    m_slice.setInterval(0);
    connect(&m_slice, &QTimer::timeout, this, &PrintPreview::countSlice);
    connect(m_pages->verticalScrollBar(), &QScrollBar::valueChanged, this, &PrintPreview::updateStatus);
    if (GridModel *model = grid ? grid->model() : nullptr) {
        // The rows may be read again while the window is open; the count then starts over.
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
            m_slice.stop();
            m_pages->setSource(nullptr);
            m_layout.reset();
        });
        connect(model, &QAbstractItemModel::modelReset, this, &PrintPreview::restart);
    }
    restart();
}

PrintPreview::~PrintPreview() = default;

void PrintPreview::restart()
{
    m_slice.stop();
    m_pages->setSource(nullptr);
    m_layout.reset();
    if (!m_grid)
        return;
    m_layout = std::make_shared<GridPrinter>(*m_grid->model(), m_title, m_printer.pageLayout());
    // The first page is laid out before the window shows; it takes as long as its own rows.
    m_layout->count(QDeadlineTimer(QDeadlineTimer::Forever), 1);
    m_pages->setSource(m_layout.get());
    if (!m_layout->isCounted())
        m_slice.start();
    updateStatus();
}

void PrintPreview::countSlice()
{
    if (!m_layout) {
        m_slice.stop();
        return;
    }
    const int before = m_layout->settledPages();
    const bool done = m_layout->count(QDeadlineTimer(SliceMs));
    const int now = m_layout->settledPages();
    if (now != before)
        m_pages->setPages(now);
    if (done) {
        m_slice.stop();
        // The footers now say how many pages there are.
        m_pages->viewport()->update();
    }
    updateStatus();
    if (now != before)
        emit pagesSettled(now);
    if (done)
        emit counted(now);
}

void PrintPreview::updateStatus()
{
    if (!m_layout) {
        m_status->clear();
        return;
    }
    const int pages = m_layout->settledPages();
    const QString page = Texts::PrintPageOf.arg(currentPage() + 1)
                             .arg(m_layout->isCounted() ? QString::number(pages) : QStringLiteral("…"));
    m_status->setText(
        page + QStringLiteral("    ")
        + (m_layout->isCounted() ? Texts::PreviewPagesCounted.arg(pages) : Texts::PreviewCountingPages.arg(pages)));
}

int PrintPreview::settledPages() const
{
    return m_layout ? m_layout->settledPages() : 0;
}

int PrintPreview::pageCount() const
{
    return m_layout ? m_layout->pageCount() : -1;
}

int PrintPreview::currentPage() const
{
    return m_pages->currentPage();
}

void PrintPreview::setCurrentPage(int page)
{
    m_pages->showPage(qBound(0, page, qMax(0, settledPages() - 1)));
}

void PrintPreview::done(int result)
{
    m_slice.stop();
    QDialog::done(result);
}

void PrintPreview::print()
{
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printDocument();
}

bool PrintPreview::printDocument()
{
    if (!m_layout)
        return false;
    const QPageLayout wanted = m_printer.pageLayout();
    if (wanted.fullRect(QPageLayout::Millimeter) != m_layout->pageLayout().fullRect(QPageLayout::Millimeter)
        || wanted.paintRect(QPageLayout::Millimeter) != m_layout->pageLayout().paintRect(QPageLayout::Millimeter))
        restart();
    const bool wasCounting = m_slice.isActive();
    m_slice.stop();
    // The job keeps its layout; rows read again under it end the job rather than print a mix.
    const std::shared_ptr<GridPrinter> layout = m_layout;
    bool stale = false;
    QMetaObject::Connection reset;
    if (m_grid)
        reset = connect(m_grid->model(), &QAbstractItemModel::modelAboutToBeReset, this, [&stale] { stale = true; });
    QProgressDialog progress(this);
    progress.setWindowTitle(caption());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelayMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMaximum(layout->rowTotal());
    // setValue lets the event loop run, so the dialog paints and its Cancel is heard.
    bool going = true;
    while (going && !layout->count(QDeadlineTimer(50))) {
        progress.setLabelText(Texts::PreviewCountingRows.arg(layout->countedRows()).arg(layout->rowTotal()));
        progress.setValue(layout->countedRows());
        going = !progress.wasCanceled() && !stale;
        if (going)
            m_pages->setPages(layout->settledPages());
    }
    bool printed = false;
    if (going) {
        progress.setValue(0);
        printed = layout->print(&m_printer, [&](int page, int pages) {
            progress.setMaximum(pages);
            progress.setLabelText(Texts::PreviewPrintingPage.arg(page + 1).arg(pages));
            progress.setValue(page);
            return !progress.wasCanceled() && !stale;
        });
    }
    disconnect(reset);
    if (!stale && m_layout && wasCounting) {
        if (layout->isCounted())
            countSlice();
        else
            m_slice.start();
    }
    return printed;
}
