// The print preview of a grid over rows in memory, printed to PDF and read back with poppler's pdftotext.
#include "GridFixture.h"

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/PrintPreview.h"

#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

struct Word {
    QString text;
    QRectF box;
};
struct Page {
    QSizeF size;
    QList<Word> words;
};

QList<Page> readPdf(const QString &pdf, const QString &html)
{
    QProcess::execute(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, html});
    QFile file(html);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QList<Page> pages;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured(1).isEmpty()) {
            pages.append({QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()), {}});
        } else if (!pages.isEmpty()) {
            const QPointF a(m.captured(3).toDouble(), m.captured(4).toDouble());
            const QPointF b(m.captured(5).toDouble(), m.captured(6).toDouble());
            pages.last().words.append({m.captured(7), QRectF(a, b)});
        }
    }
    return pages;
}

} // namespace

class tst_GridPrint : public QObject
{
    Q_OBJECT

private slots:
    void previewHasTheHousePageSetup()
    {
        DxGrid grid;
        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        QCOMPARE(preview.windowTitle(), QStringLiteral("Dadudu Print Preview"));
        const QPageLayout layout = preview.printer()->pageLayout();
        QCOMPARE(layout.pageSize().id(), QPageSize::A4);
        QCOMPARE(layout.orientation(), QPageLayout::Portrait);
        const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
        for (double m : {margins.left(), margins.top(), margins.right(), margins.bottom()})
            QCOMPARE(m, 12.7);
    }

    void printsEveryRowInsideTheMargins()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        for (int i = 0; i < 120; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i, 3, 10, QChar(u'0')), artist, QString::number(2000 + i % 20), i % 2,
                    i == 5 ? QStringLiteral("first line\nsecond line\nthird line") : QString());
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        grid.sortBy(GridFixture::Title, Qt::DescendingOrder);

        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        const QString pdf = f.dir.filePath(QStringLiteral("list.pdf"));
        preview.printer()->setOutputFormat(QPrinter::PdfFormat);
        preview.printer()->setOutputFileName(pdf);
        auto *widget = preview.findChild<QPrintPreviewWidget *>();
        QVERIFY(widget);
        widget->print();

        const QList<Page> pages = readPdf(pdf, f.dir.filePath(QStringLiteral("list.html")));
        QVERIFY2(pages.size() >= 2, "120 rows take more than one page");
        const double margin = 12.7 / 25.4 * 72;
        QStringList rows;
        double titleHeight = 0, cellHeight = 0;
        for (int p = 0; p < pages.size(); ++p) {
            const Page &page = pages[p];
            QVERIFY(qAbs(page.size.width() - 595.28) < 1 && qAbs(page.size.height() - 841.89) < 1);
            QStringList words;
            for (const Word &w : page.words) {
                words << w.text;
                QVERIFY2(w.box.left() >= margin - 0.5 && w.box.right() <= page.size.width() - margin + 0.5
                             && w.box.top() >= margin - 0.5 && w.box.bottom() <= page.size.height() - margin + 0.5,
                         qPrintable(w.text));
                if (w.text.startsWith(QStringLiteral("Row")))
                    rows << w.text;
                if (w.text.startsWith(QStringLiteral("Row")) && cellHeight == 0)
                    cellHeight = w.box.height();
            }
            // Footer: page numbers, in the band above the bottom margin.
            const QString footer = QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size());
            QVERIFY2(words.join(u' ').contains(footer), qPrintable(words.join(u' ').right(60)));
            // Column headers on every page.
            QVERIFY(words.contains(QStringLiteral("Comments")));
        }
        // The report title stands large on the first page, under the header band.
        for (const Word &w : pages[0].words)
            if (w.text == QStringLiteral("CDs") && w.box.top() > margin + 6.35 / 25.4 * 72 - 1)
                titleHeight = qMax(titleHeight, w.box.height());
        QVERIFY2(titleHeight > 1.5 * cellHeight, qPrintable(QStringLiteral("%1 vs %2").arg(titleHeight).arg(cellHeight)));

        QStringList expected;
        for (int p = 0; p < grid.model()->rowTotal(); ++p)
            expected << grid.cellText(grid.model()->sourceRow(p), GridFixture::Title);
        QCOMPARE(rows, expected);
    }
};

QTEST_MAIN(tst_GridPrint)
#include "tst_gridprint.moc"
