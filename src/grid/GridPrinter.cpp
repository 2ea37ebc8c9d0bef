#include "grid/GridPrinter.h"

#include "base/Texts.h"
#include "grid/GridExport.h"
#include "grid/GridModel.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

QFont makeFont(const QString &family, double points, bool bold)
{
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    // Unhinted advances scale with the size, so the lines measured at the layout resolution break the
    // same way wherever they are drawn.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QString normalisedLines(const QString &text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

// A one-line cell holds every line of its text, each break shown by a mark: printing only the first
// line would leave the rest out unseen.
QString oneLine(const QString &text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return normalisedLines(text).replace(u'\n', QStringLiteral(" \u21B5 "));
}

} // namespace

GridPrinter::GridPrinter(const GridModel &model, QString title, const QPageLayout &page)
    : m_model(model)
    , m_title(std::move(title))
    , m_date(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat))
    , m_page(page)
    , m_metricsDevice(1, 1, QImage::Format_Mono)
{
    const int dpm = qRound(LayoutDpi / 0.0254);
    m_metricsDevice.setDotsPerMeterX(dpm);
    m_metricsDevice.setDotsPerMeterY(dpm);
    m_body = makeFont(bodyFamily(), 8, false);
    m_heading = makeFont(bodyFamily(), 8, true);
    m_titleFont = makeFont(bodyFamily(), 14, true);
    m_bandFont = makeFont(bandFamily(), 8, false);
    m_bodyMetrics = QFontMetricsF(m_body, &m_metricsDevice);
    m_headingMetrics = QFontMetricsF(m_heading, &m_metricsDevice);
    const QFontMetricsF titleMetrics(m_titleFont, &m_metricsDevice);

    const double mm = LayoutDpi / 25.4;
    m_area = m_page.paintRect(QPageLayout::Millimeter).size() * mm;
    m_band = BandMm * mm;
    m_pad = 0.8 * mm;
    m_line = m_bodyMetrics.height();
    m_titleHeight = titleMetrics.height() * 1.6;
    m_captionHeight = m_headingMetrics.height() + 2 * m_pad;
    m_indent = 4 * mm;
    layOutColumns();
    collectItems();
    restart();
}

QPageLayout GridPrinter::houseLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter);
}

void GridPrinter::setupPage(QPrinter &printer)
{
    printer.setFullPage(false);
    printer.setPageLayout(houseLayout());
}

void GridPrinter::layOutColumns()
{
    // A grouped column's value stands in its group captions, as on the screen.
    const std::vector<int> &grouped = m_model.groupColumns();
    for (int c : GridExport::exportedColumns(m_model))
        if (std::find(grouped.begin(), grouped.end(), c) == grouped.end())
            m_columns.push_back(c);
    if (m_columns.empty())
        m_columns = GridExport::exportedColumns(m_model);
    const auto weight = [&](int c) {
        const int w = m_model.columns()[size_t(c)].width;
        return w > 0 ? w : 100;
    };
    double total = 0;
    for (int c : m_columns)
        total += weight(c);
    m_x = {0};
    for (int c : m_columns)
        m_x.push_back(m_x.back() + m_area.width() * weight(c) / total);

    m_headerHeight = m_headingMetrics.height() + 2 * m_pad;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const QRectF bound
            = m_headingMetrics.boundingRect(QRectF(0, 0, m_x[i + 1] - m_x[i] - 2 * m_pad, 1e9), Qt::TextWordWrap,
                                            m_model.columns()[size_t(m_columns[i])].caption);
        m_headerHeight = qMax(m_headerHeight, bound.height() + 2 * m_pad);
    }
}

void GridPrinter::collectItems()
{
    // A group holds groups or, at the last level, a run of consecutive grid positions.
    const auto walk = [&](auto &self, const QModelIndex &parent, int level) -> void {
        const int n = m_model.rowCount(parent);
        if (n == 0)
            return;
        if (!m_model.isGroup(m_model.index(0, 0, parent))) {
            m_items.push_back({{}, level, m_model.positionOf(m_model.index(0, 0, parent)), n});
            return;
        }
        for (int r = 0; r < n; ++r) {
            const QModelIndex group = m_model.index(r, 0, parent);
            m_items.push_back({m_model.data(group).toString(), level, 0, 0});
            self(self, group, level + 1);
        }
    };
    walk(walk, QModelIndex(), 0);
}

int GridPrinter::rowTotal() const
{
    return m_model.rowTotal();
}

QSizeF GridPrinter::paperSize() const
{
    return m_page.fullRect(QPageLayout::Millimeter).size() * (LayoutDpi / 25.4);
}

QPointF GridPrinter::areaOrigin() const
{
    return m_page.paintRect(QPageLayout::Millimeter).topLeft() * (LayoutDpi / 25.4);
}

void GridPrinter::restart()
{
    m_pages = {Cursor{}};
    m_cursor = {};
    m_y = m_band + m_titleHeight + m_headerHeight;
    m_pageEmpty = true;
    m_currentLines = -1;
    m_rowsCounted = 0;
    m_counted = m_items.empty();
}

int GridPrinter::settledPages() const
{
    return m_counted ? int(m_pages.size()) : int(m_pages.size()) - 1;
}

void GridPrinter::wrapMemo(const QString &text, double width,
                           const std::function<void(const QString &paragraph, int start, int length)> &line) const
{
    if (text.isEmpty())
        return;
    for (const QString &paragraph : normalisedLines(text).split(u'\n')) {
        QTextLayout layout(paragraph, m_body, &m_metricsDevice);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        int lines = 0;
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(width);
            line(paragraph, l.textStart(), l.textLength());
            ++lines;
        }
        layout.endLayout();
        // An empty paragraph still takes its line.
        if (lines == 0)
            line(paragraph, 0, 0);
    }
}

QStringList GridPrinter::memoLines(const QString &text, double width) const
{
    QStringList out;
    wrapMemo(text, width,
             [&out](const QString &paragraph, int start, int length) { out << paragraph.mid(start, length); });
    return out;
}

int GridPrinter::memoLineCount(const QString &text, double width) const
{
    int lines = 0;
    wrapMemo(text, width, [&lines](const QString &, int, int) { ++lines; });
    return lines;
}

int GridPrinter::rowLines(int position) const
{
    const int row = m_model.sourceRow(position);
    int lines = 1;
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_model.columns()[size_t(m_columns[i])].kind == GridColumn::Memo)
            lines = qMax(lines, memoLineCount(m_model.text(row, m_columns[i]), m_x[i + 1] - m_x[i] - 2 * m_pad));
    return lines;
}

double GridPrinter::captionRunHeight(int item) const
{
    double h = 0;
    while (item < int(m_items.size()) && m_items[size_t(item)].isCaption()) {
        h += m_captionHeight;
        ++item;
    }
    return h;
}

void GridPrinter::nextRow(Cursor &c) const
{
    c.line = 0;
    if (++c.row >= m_items[size_t(c.item)].count) {
        ++c.item;
        c.row = 0;
    }
}

bool GridPrinter::count(QDeadlineTimer deadline, int settled)
{
    const double bodyBottom = m_area.height() - m_band;
    const double pageTop = m_band + m_headerHeight;
    const auto newPage = [&] {
        m_pages.push_back(m_cursor);
        m_y = pageTop;
        m_pageEmpty = true;
    };
    while (!m_counted) {
        if (deadline.hasExpired() || settledPages() >= settled)
            return false;
        if (m_cursor.item >= int(m_items.size())) {
            m_counted = true;
            break;
        }
        const Item &item = m_items[size_t(m_cursor.item)];
        if (item.isCaption()) {
            // Captions stay with the first line of what they head.
            const double need = captionRunHeight(m_cursor.item) + m_line + 2 * m_pad;
            if (m_y + need > bodyBottom && !m_pageEmpty) {
                newPage();
                continue;
            }
            m_y += m_captionHeight;
            m_pageEmpty = false;
            ++m_cursor.item;
            continue;
        }
        if (m_currentLines < 0)
            m_currentLines = rowLines(item.first + m_cursor.row);
        const int left = m_currentLines - m_cursor.line;
        if (m_y + left * m_line + 2 * m_pad <= bodyBottom) {
            m_y += left * m_line + 2 * m_pad;
            m_pageEmpty = false;
            m_currentLines = -1;
            ++m_rowsCounted;
            nextRow(m_cursor);
            continue;
        }
        // A row that fits on a page of its own starts one, unless it is tall enough for the move to
        // leave a large gap; a taller one, or a tall one with room for a few lines, fills this page
        // and goes on.
        const double rowHeight = m_currentLines * m_line + 2 * m_pad;
        const bool fitsAPage = pageTop + rowHeight <= bodyBottom;
        const bool tall = rowHeight > (bodyBottom - pageTop) / 4;
        int lines = int(std::floor((bodyBottom - m_y - 2 * m_pad) / m_line));
        if (m_cursor.line == 0 && fitsAPage && (!tall || lines < 3) && !m_pageEmpty) {
            newPage();
            continue;
        }
        if (lines < 1) {
            if (!m_pageEmpty) {
                newPage();
                continue;
            }
            lines = 1; // a page too small for one line still moves on
        }
        m_cursor.line += qMin(lines, left);
        newPage();
    }
    return true;
}

QFont GridPrinter::deviceFont(const QFont &font, const QPainter &painter) const
{
    // The painter maps layout units to the device; a point size means pixels at the device's own
    // resolution, so it is brought back to the layout's.
    QFont f = font;
    f.setPointSizeF(font.pointSizeF() * LayoutDpi / painter.device()->logicalDpiY());
    return f;
}

void GridPrinter::paintPage(QPainter &p, int page) const
{
    if (page < 0 || page >= settledPages())
        return;
    const double bodyBottom = m_area.height() - m_band;
    const QPen gridPen(Qt::black, 0);
    const double ascent = m_bodyMetrics.ascent();

    p.save();
    p.setPen(Qt::black);
    p.setFont(deviceFont(m_bandFont, p));
    const QRectF top(0, 0, m_area.width(), m_band);
    p.drawText(top, Qt::AlignLeft | Qt::AlignTop, m_title);
    p.drawText(top, Qt::AlignRight | Qt::AlignTop, m_date);
    p.drawText(QRectF(0, bodyBottom, m_area.width(), m_band), Qt::AlignHCenter | Qt::AlignBottom,
               Texts::PrintPageOf.arg(page + 1).arg(m_counted ? QString::number(m_pages.size()) : QStringLiteral("…")));

    double y = m_band;
    if (page == 0) {
        p.setFont(deviceFont(m_titleFont, p));
        p.drawText(QRectF(0, y, m_area.width(), m_titleHeight), Qt::AlignHCenter | Qt::AlignVCenter, m_title);
        y += m_titleHeight;
    }
    p.setFont(deviceFont(m_heading, p));
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const QRectF r(m_x[i], y, m_x[i + 1] - m_x[i], m_headerHeight);
        p.fillRect(r, QColor(0xe0, 0xe0, 0xe0));
        p.setPen(gridPen);
        p.drawRect(r);
        p.drawText(r.adjusted(m_pad, m_pad, -m_pad, -m_pad), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   m_model.columns()[size_t(m_columns[i])].caption);
    }
    y += m_headerHeight;

    const QFont body = deviceFont(m_body, p);
    const QFont heading = deviceFont(m_heading, p);
    Cursor c = m_pages[size_t(page)];
    const Cursor end = page + 1 < int(m_pages.size()) ? m_pages[size_t(page) + 1] : Cursor{int(m_items.size()), 0, 0};
    while (c < end) {
        const Item &item = m_items[size_t(c.item)];
        if (item.isCaption()) {
            const QRectF r(m_x.front(), y, m_x.back() - m_x.front(), m_captionHeight);
            p.fillRect(r, QColor(0xd0, 0xd0, 0xd0));
            p.setPen(gridPen);
            p.drawRect(r);
            p.setFont(heading);
            const double left = m_pad + item.level * m_indent;
            p.drawText(QPointF(r.left() + left, y + m_pad + m_headingMetrics.ascent()),
                       m_headingMetrics.elidedText(oneLine(item.caption), Qt::ElideRight, r.width() - left - m_pad));
            y += m_captionHeight;
            ++c.item;
            continue;
        }
        const int row = m_model.sourceRow(item.first + c.row);
        const bool lastPiece = !(c.item == end.item && c.row == end.row && end.line > 0);
        std::vector<QStringList> memo(m_columns.size());
        int lines = 1;
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_model.columns()[size_t(m_columns[i])].kind == GridColumn::Memo) {
                memo[i] = memoLines(m_model.text(row, m_columns[i]), m_x[i + 1] - m_x[i] - 2 * m_pad);
                lines = qMax(lines, int(memo[i].size()));
            }
        const int from = c.line;
        const int to = lastPiece ? lines : end.line;
        const double h = (to - from) * m_line + 2 * m_pad;
        p.setFont(body);
        for (size_t i = 0; i < m_columns.size(); ++i) {
            const QRectF r(m_x[i], y, m_x[i + 1] - m_x[i], h);
            const GridColumn &col = m_model.columns()[size_t(m_columns[i])];
            p.setPen(gridPen);
            p.drawRect(r);
            if (col.kind == GridColumn::Memo) {
                for (int l = from; l < to && l < int(memo[i].size()); ++l)
                    p.drawText(QPointF(r.left() + m_pad, y + m_pad + (l - from) * m_line + ascent), memo[i][l]);
                continue;
            }
            if (from > 0)
                continue; // the rest of a split row
            if (col.kind == GridColumn::CheckBox) {
                const double side = m_line * 0.7;
                QRectF box(0, 0, side, side);
                box.moveCenter(QPointF(r.center().x(), r.top() + m_pad + m_line / 2));
                p.drawRect(box);
                if (m_model.value(row, m_columns[i]).toBool()) {
                    const QPointF tick[3] = {{box.left() + side * 0.2, box.top() + side * 0.5},
                                             {box.left() + side * 0.42, box.top() + side * 0.75},
                                             {box.left() + side * 0.8, box.top() + side * 0.25}};
                    p.drawPolyline(tick, 3);
                }
                continue;
            }
            const QString text = oneLine(m_model.text(row, m_columns[i]));
            p.drawText(QPointF(r.left() + m_pad, y + m_pad + ascent),
                       m_bodyMetrics.elidedText(text, Qt::ElideRight, r.width() - 2 * m_pad));
        }
        y += h;
        if (!lastPiece)
            break;
        nextRow(c);
    }
    p.restore();
}

bool GridPrinter::print(QPagedPaintDevice *printer, const std::function<bool(int, int)> &progress)
{
    const QPageLayout wanted = printer->pageLayout();
    if (!wanted.fullRectPoints().size().isValid()
        || wanted.paintRect(QPageLayout::Millimeter) != m_page.paintRect(QPageLayout::Millimeter)
        || wanted.fullRect(QPageLayout::Millimeter) != m_page.fullRect(QPageLayout::Millimeter)) {
        m_page = wanted;
        m_area = m_page.paintRect(QPageLayout::Millimeter).size() * (LayoutDpi / 25.4);
        m_columns.clear();
        layOutColumns();
        restart();
    }
    count();
    QPainter p;
    if (!p.begin(printer))
        return false;
    const int pages = pageCount();
    const double scale = printer->logicalDpiY() / LayoutDpi;
    for (int page = 0; page < pages; ++page) {
        if (progress && !progress(page, pages)) {
            // A file that stops halfway would pass for the whole list.
            auto *job = dynamic_cast<QPrinter *>(printer);
            const bool aborted = job && job->abort();
            if (p.isActive())
                p.end();
            if (job && !aborted && !job->outputFileName().isEmpty())
                QFile::remove(job->outputFileName());
            return false;
        }
        if (page > 0)
            printer->newPage();
        // With the printer's own margins the painter starts at the top left of the printable area.
        p.save();
        p.scale(printer->logicalDpiX() / LayoutDpi, scale);
        paintPage(p, page);
        p.restore();
    }
    p.end();
    if (progress)
        progress(pages, pages);
    return true;
}
