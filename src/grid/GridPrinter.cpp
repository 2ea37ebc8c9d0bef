#include "grid/GridPrinter.h"

#include "grid/GridExport.h"
#include "grid/GridModel.h"
#include "base/U_Constantes.h"

#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include <vector>

GridPrinter::GridPrinter(const GridModel &model, QString title)
    : m_model(model)
    , m_title(std::move(title))
{
}

void GridPrinter::setupPage(QPrinter &printer)
{
    printer.setFullPage(false);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter));
}

void GridPrinter::print(QPrinter *printer) const
{
    QPainter p;
    if (!p.begin(printer))
        return;
    // With the printer's own margins the painter starts at the top left of the printable area.
    const QRectF area(QPointF(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());
    const double mm = printer->resolution() / 25.4;
    const double band = BandMm * mm;
    const double pad = 0.8 * mm;

    QFont body(bodyFamily());
    body.setPointSizeF(8);
    QFont heading = body;
    heading.setBold(true);
    QFont titleFont(bodyFamily());
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont bandFont(bandFamily());
    bandFont.setPointSizeF(8);
    const QFontMetricsF bodyMetrics(body, printer);
    const QFontMetricsF headingMetrics(heading, printer);
    const QFontMetricsF titleMetrics(titleFont, printer);

    const std::vector<int> columns = GridExport::exportedColumns(m_model);
    std::vector<double> x{area.left()};
    {
        double total = 0;
        for (int c : columns)
            total += m_model.columns()[size_t(c)].width > 0 ? m_model.columns()[size_t(c)].width : 100;
        for (int c : columns) {
            const int w = m_model.columns()[size_t(c)].width > 0 ? m_model.columns()[size_t(c)].width : 100;
            x.push_back(x.back() + area.width() * w / total);
        }
    }
    const auto cellRect = [&](size_t i, double top, double height) { return QRectF(x[i], top, x[i + 1] - x[i], height); };

    const auto rowHeight = [&](int row) {
        double h = bodyMetrics.height();
        for (size_t i = 0; i < columns.size(); ++i) {
            const GridColumn &col = m_model.columns()[size_t(columns[i])];
            if (col.kind != GridColumn::Memo)
                continue;
            const QRectF bound = bodyMetrics.boundingRect(cellRect(i, 0, 1e6).adjusted(pad, 0, -pad, 0),
                                                          Qt::AlignLeft | Qt::TextWordWrap, m_model.text(row, columns[i]));
            h = qMax(h, bound.height());
        }
        return h + 2 * pad;
    };
    double headerHeight = headingMetrics.height() + 2 * pad;
    for (size_t i = 0; i < columns.size(); ++i) {
        const QRectF bound = headingMetrics.boundingRect(cellRect(i, 0, 1e6).adjusted(pad, 0, -pad, 0), Qt::TextWordWrap,
                                                         m_model.columns()[size_t(columns[i])].caption);
        headerHeight = qMax(headerHeight, bound.height() + 2 * pad);
    }
    const double bodyTop = area.top() + band;
    const double bodyBottom = area.bottom() - band;
    const double titleHeight = titleMetrics.height() * 1.6;

    // Page breaks first, for the "of N" in the footers.
    std::vector<int> pageStart{0};
    std::vector<double> heights(size_t(m_model.rowTotal()));
    {
        double y = bodyTop + titleHeight + headerHeight;
        for (int pos = 0; pos < m_model.rowTotal(); ++pos) {
            const double h = rowHeight(m_model.sourceRow(pos));
            heights[size_t(pos)] = h;
            if (y + h > bodyBottom && pos > pageStart.back()) {
                pageStart.push_back(pos);
                y = bodyTop + headerHeight;
            }
            y += h;
        }
    }
    const int pages = int(pageStart.size());
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    const QPen gridPen(Qt::black, 0);

    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            printer->newPage();
        p.setFont(bandFont);
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), area.top(), area.width(), band), Qt::AlignLeft | Qt::AlignTop, m_title);
        p.drawText(QRectF(area.left(), area.top(), area.width(), band), Qt::AlignRight | Qt::AlignTop, date);
        p.drawText(QRectF(area.left(), bodyBottom, area.width(), band), Qt::AlignHCenter | Qt::AlignBottom,
                   U_Constantes::PrintPageOf.arg(page + 1).arg(pages));

        double y = bodyTop;
        if (page == 0) {
            p.setFont(titleFont);
            p.drawText(QRectF(area.left(), y, area.width(), titleHeight), Qt::AlignHCenter | Qt::AlignVCenter, m_title);
            y += titleHeight;
        }
        p.setFont(heading);
        for (size_t i = 0; i < columns.size(); ++i) {
            const QRectF r = cellRect(i, y, headerHeight);
            p.fillRect(r, QColor(0xe0, 0xe0, 0xe0));
            p.setPen(gridPen);
            p.drawRect(r);
            p.drawText(r.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                       m_model.columns()[size_t(columns[i])].caption);
        }
        y += headerHeight;

        p.setFont(body);
        const int end = page + 1 < pages ? pageStart[size_t(page + 1)] : m_model.rowTotal();
        for (int pos = pageStart[size_t(page)]; pos < end; ++pos) {
            const int row = m_model.sourceRow(pos);
            const double h = heights[size_t(pos)];
            for (size_t i = 0; i < columns.size(); ++i) {
                const QRectF r = cellRect(i, y, h);
                const GridColumn &col = m_model.columns()[size_t(columns[i])];
                p.setPen(gridPen);
                p.drawRect(r);
                if (col.kind == GridColumn::CheckBox) {
                    const double side = bodyMetrics.height() * 0.7;
                    QRectF box(0, 0, side, side);
                    box.moveCenter(QPointF(r.center().x(), r.top() + pad + bodyMetrics.height() / 2));
                    p.drawRect(box);
                    if (m_model.value(row, columns[i]).toBool()) {
                        const QPointF tick[3] = {{box.left() + side * 0.2, box.top() + side * 0.5},
                                                 {box.left() + side * 0.42, box.top() + side * 0.75},
                                                 {box.left() + side * 0.8, box.top() + side * 0.25}};
                        p.drawPolyline(tick, 3);
                    }
                    continue;
                }
                const QRectF inner = r.adjusted(pad, pad, -pad, -pad);
                const QString text = m_model.text(row, columns[i]);
                if (col.kind == GridColumn::Memo)
                    p.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
                else
                    p.drawText(inner, Qt::AlignLeft | Qt::AlignTop,
                               bodyMetrics.elidedText(text.section(u'\n', 0, 0), Qt::ElideRight, inner.width()));
            }
            y += h;
        }
    }
    p.end();
}
