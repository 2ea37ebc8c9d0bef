#pragma once

#include <QDeadlineTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QString>

#include <compare>
#include <functional>
#include <limits>
#include <vector>

class GridModel;
class QPainter;
class QPagedPaintDevice;
class QPrinter;

// Prints a grid's rows as a table: every row in grid order under the captions of its groups, the
// shown columns scaled to the page width, with grid lines and column headers on every page, the
// report title above the table on the first page, and a header and footer band on each page (title
// and date; page numbers). A row taller than a page goes on over as many pages as it needs.
//
// Pages are counted in steps, so a preview can show the first page long before the last is known:
//   GridPrinter printer(*grid->model(), title);
//   while (!printer.count(QDeadlineTimer(20))) { /* back to the event loop */ }
// Everything is laid out in units of 1/LayoutDpi inch against fonts measured at that resolution, so
// the page breaks are the same on the screen and on every printer.
class GridPrinter
{
public:
    GridPrinter(const GridModel &model, QString title, const QPageLayout &page = houseLayout());

    // A4 portrait, 12.7 mm margins all round.
    static QPageLayout houseLayout();
    static void setupPage(QPrinter &printer);

    // Counts pages until the deadline passes or, sooner, until `settled` pages are settled; true once
    // every page is counted.
    bool count(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever),
               int settled = std::numeric_limits<int>::max());
    bool isCounted() const { return m_counted; }
    // Pages whose content is settled: all of them once counted.
    int settledPages() const;
    // -1 until counted.
    int pageCount() const { return m_counted ? int(m_pages.size()) : -1; }
    int countedRows() const { return m_rowsCounted; }
    int rowTotal() const;

    const QPageLayout &pageLayout() const { return m_page; }
    // The whole sheet and the printable area inside it, in layout units.
    QSizeF paperSize() const;
    QPointF areaOrigin() const;

    // Paints a settled page with the painter's origin at the printable area's top left, one layout
    // unit per painter unit. Until the pages are counted its footer reads "of …".
    void paintPage(QPainter &painter, int page) const;

    // Counts what is left, then prints every page; progress(done, total) between pages may stop
    // the job by answering false. A printer whose page differs from this one's gets pages laid out
    // for it. False when stopped or when the printer cannot start. A printer, or a PDF writer.
    bool print(QPagedPaintDevice *printer, const std::function<bool(int, int)> &progress = {});

    static constexpr double LayoutDpi = 1200;
    static constexpr double MarginMm = 12.7;
    static constexpr double BandMm = 6.35;
    static QString bodyFamily() { return QStringLiteral("Times New Roman"); }
    static QString bandFamily() { return QStringLiteral("Tahoma"); }

private:
    // A group caption, or a run of rows at consecutive grid positions.
    struct Item {
        QString caption;
        int level = 0;
        int first = 0;
        int count = 0;
        bool isCaption() const { return count == 0; }
    };
    // Where a page starts: an item, a row inside a run, a line inside a row split over pages.
    struct Cursor {
        int item = 0;
        int row = 0;
        int line = 0;
        auto operator<=>(const Cursor &) const = default;
    };

    void layOutColumns();
    void collectItems();
    void restart();
    int rowLines(int position) const;
    // Each line a memo wraps into at that width; an empty paragraph is one empty line.
    void wrapMemo(const QString &text, double width,
                  const std::function<void(const QString &paragraph, int start, int length)> &line) const;
    QStringList memoLines(const QString &text, double width) const;
    int memoLineCount(const QString &text, double width) const;
    double captionRunHeight(int item) const;
    void nextRow(Cursor &c) const;
    QFont deviceFont(const QFont &font, const QPainter &painter) const;

    const GridModel &m_model;
    QString m_title;
    QString m_date;
    QPageLayout m_page;
    QImage m_metricsDevice; // a device at LayoutDpi, to measure text on
    QFont m_body, m_heading, m_titleFont, m_bandFont;
    QFontMetricsF m_bodyMetrics{QFont()};
    QFontMetricsF m_headingMetrics{QFont()};
    QSizeF m_area;
    double m_band = 0, m_pad = 0, m_line = 0, m_headerHeight = 0, m_titleHeight = 0, m_captionHeight = 0, m_indent = 0;
    std::vector<int> m_columns;
    std::vector<double> m_x;
    std::vector<Item> m_items;

    // The count so far.
    std::vector<Cursor> m_pages;
    Cursor m_cursor;
    double m_y = 0;
    bool m_pageEmpty = true;
    int m_currentLines = -1; // lines of the row at the cursor, kept while it is split
    int m_rowsCounted = 0;
    bool m_counted = false;
};
