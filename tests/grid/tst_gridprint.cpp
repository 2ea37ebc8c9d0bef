// The print preview of a grid over rows in memory, printed to PDF and read back with poppler's pdftotext.
#include "GridFixture.h"

#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/PrintPreview.h"

#include <QAbstractScrollArea>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <vector>

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

// A page's words gathered into lines, top to bottom, each line's words left to right.
QStringList lines(const Page &page, double from = 0, double to = 1e9, double left = 0)
{
    QList<Word> words;
    for (const Word &w : page.words)
        if (w.box.top() >= from && w.box.bottom() <= to && w.box.left() >= left)
            words << w;
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) {
        return a.box.top() != b.box.top() ? a.box.top() < b.box.top() : a.box.left() < b.box.left();
    });
    QStringList out;
    double lineTop = -1e9;
    for (const Word &w : words) {
        if (w.box.top() - lineTop > 1.0) {
            out << w.text;
            lineTop = w.box.top();
        } else {
            out.last() += u' ' + w.text;
        }
    }
    return out;
}

// Words of no digit, so no page number can be taken for one of them.
QString prose(quint32 &seed, int words, int paragraphEvery = 0)
{
    static const QStringList syllables{QStringLiteral("la"),  QStringLiteral("mi"),  QStringLiteral("do"),
                                       QStringLiteral("re"),  QStringLiteral("sol"), QStringLiteral("fa"),
                                       QStringLiteral("tra"), QStringLiteral("ven"), QStringLiteral("qui"),
                                       QStringLiteral("zor"), QStringLiteral("bel"), QStringLiteral("usk")};
    QString out;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            out += paragraphEvery > 0 && i % paragraphEvery == 0 ? u'\n' : u' ';
        const int parts = 1 + int((seed = seed * 1664525u + 1013904223u) >> 30);
        for (int s = 0; s < parts; ++s)
            out += syllables[int((seed = seed * 1664525u + 1013904223u) >> 16) % syllables.size()];
    }
    return out;
}

constexpr double PointsPerMm = 72 / 25.4;

// What every page of a print must hold: everything inside the margins, nothing but "Page N of M" in
// the footer band, and body text nowhere below the top of that band.
void checkBands(const QList<Page> &pages)
{
    const double margin = 12.7 * PointsPerMm;
    const double band = 6.35 * PointsPerMm;
    for (int p = 0; p < pages.size(); ++p) {
        const Page &page = pages[p];
        const double footerTop = page.size.height() - margin - band;
        for (const Word &w : page.words)
            QVERIFY2(w.box.left() >= margin - 0.5 && w.box.right() <= page.size.width() - margin + 0.5
                         && w.box.top() >= margin - 0.5 && w.box.bottom() <= page.size.height() - margin + 0.5,
                     qPrintable(QStringLiteral("page %1: %2").arg(p + 1).arg(w.text)));
        const QStringList footer = lines(page, footerTop - 1.5);
        QCOMPARE(footer, QStringList{QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())});
        for (const Word &w : page.words)
            if (w.box.top() < footerTop - 1.5)
                QVERIFY2(w.box.bottom() <= footerTop + 1,
                         qPrintable(QStringLiteral("page %1: %2").arg(p + 1).arg(w.text)));
    }
}

// The words of the Comments column, page after page, line after line.
QStringList commentColumn(const QList<Page> &pages)
{
    const double margin = 12.7 * PointsPerMm;
    const double band = 6.35 * PointsPerMm;
    QStringList words;
    for (const Page &page : pages) {
        double left = 1e9;
        for (const Word &w : page.words)
            if (w.text == QStringLiteral("Comments"))
                left = w.box.left() - 1;
        QStringList body = lines(page, margin + band, page.size.height() - margin - band, left);
        body.removeAll(QStringLiteral("Comments"));
        words += body;
    }
    return words;
}

QList<Page> printed(const DxGrid &grid, const GridFixture &f, const QString &name)
{
    PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
    const QString pdf = f.dir.filePath(name + QStringLiteral(".pdf"));
    preview.printer()->setOutputFormat(QPrinter::PdfFormat);
    preview.printer()->setOutputFileName(pdf);
    if (!preview.printDocument())
        return {};
    return readPdf(pdf, f.dir.filePath(name + QStringLiteral(".html")));
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
        QVERIFY(preview.printDocument());

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
        QVERIFY2(titleHeight > 1.5 * cellHeight,
                 qPrintable(QStringLiteral("%1 vs %2").arg(titleHeight).arg(cellHeight)));

        QStringList expected;
        for (int p = 0; p < grid.model()->rowTotal(); ++p)
            expected << grid.cellText(grid.model()->sourceRow(p), GridFixture::Title);
        QCOMPARE(rows, expected);
    }

    // A one-line column shows that its text goes on past a line break: each break prints as a mark.
    void oneLineCellsMarkTheirLineBreaks_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("printed");
        QTest::newRow("line feed") << QStringLiteral("Multi\nline") << QStringLiteral("Multi \u21B5 line");
        QTest::newRow("CR LF and a lone CR")
            << QStringLiteral("Un\r\ndeux\rtrois") << QStringLiteral("Un \u21B5 deux \u21B5 trois");
        QTest::newRow("a break at the end") << QStringLiteral("Fin\n") << QStringLiteral("Fin \u21B5");
    }

    void oneLineCellsMarkTheirLineBreaks()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QFETCH(QString, title);
        QFETCH(QString, printed);
        GridFixture f;
        f.addCd(title, f.addArtist(QStringLiteral("Printer")));
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        const QList<Page> pages = ::printed(grid, f, QStringLiteral("breaks"));
        QCOMPARE(pages.size(), 1);
        // The row's words left to right: the mark may come from another face, whose box sits higher.
        const auto artist = std::find_if(pages[0].words.begin(), pages[0].words.end(),
                                         [](const Word &w) { return w.text == QStringLiteral("Printer"); });
        QVERIFY(artist != pages[0].words.end());
        QList<Word> row;
        for (const Word &w : pages[0].words)
            if (w.box.center().y() > artist->box.top() && w.box.center().y() < artist->box.bottom())
                row << w;
        std::sort(row.begin(), row.end(), [](const Word &a, const Word &b) { return a.box.left() < b.box.left(); });
        QStringList words;
        for (const Word &w : row)
            words << w.text;
        QCOMPARE(words.join(u' '), printed + QStringLiteral(" Printer"));
    }

    // A comment taller than a page goes on over the next pages, every word of it in order.
    void splitsARowTallerThanAPage()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        quint32 seed = 7;
        const QString comment = prose(seed, 900, 97);
        QVERIFY(comment.size() > 3000);
        for (int i = 0; i < 30; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i, 3, 10, QChar(u'0')), artist, QString::number(2000 + i), false,
                    i == 12 ? comment : QString());
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());

        const QList<Page> pages = printed(grid, f, QStringLiteral("tall"));
        QVERIFY2(pages.size() >= 3, "the comment alone takes more than a page");
        checkBands(pages);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(commentColumn(pages).join(u' '), comment.simplified());
    }

    // Rows of more than half a page each: moved whole, every page would end half empty.
    void fillsPagesWithTallRows()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        quint32 seed = 3;
        QStringList comments;
        for (int i = 0; i < 12; ++i) {
            comments << prose(seed, 45, 1);
            f.addCd(QStringLiteral("Row%1").arg(i, 3, 10, QChar(u'0')), artist, {}, false, comments.last());
        }
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());

        const QList<Page> pages = printed(grid, f, QStringLiteral("tallrows"));
        QVERIFY(pages.size() >= 4);
        checkBands(pages);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(commentColumn(pages).join(u' '), comments.join(u' ').simplified());
        const double margin = 12.7 * PointsPerMm;
        const double band = 6.35 * PointsPerMm;
        for (int p = 0; p + 1 < pages.size(); ++p) {
            const Page &page = pages[p];
            const double bodyBottom = page.size.height() - margin - band;
            double lowest = 0;
            for (const Word &w : page.words)
                if (w.box.bottom() < bodyBottom + 1)
                    lowest = qMax(lowest, w.box.bottom());
            QVERIFY2(bodyBottom - lowest < (bodyBottom - margin - band) / 4, qPrintable(QString::number(p + 1)));
        }
    }

    // Many rows of every height: no page prints its rows over the footer, and every row is there once.
    void neverPrintsOverTheFooter()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        quint32 seed = 12345;
        for (int i = 0; i < 400; ++i) {
            const int length
                = int((seed = seed * 1664525u + 1013904223u) >> 22) % 5 == 0 ? int(seed >> 20) % 300 : int(seed >> 28);
            f.addCd(QStringLiteral("Row%1").arg(i, 3, 10, QChar(u'0')), artist, QString::number(1950 + i % 70),
                    i % 3 == 0, prose(seed, length, 1 + int(seed >> 29) * 9));
        }
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        grid.sortBy(GridFixture::Title);

        const QList<Page> pages = printed(grid, f, QStringLiteral("varied"));
        QVERIFY(pages.size() > 10);
        checkBands(pages);
        if (QTest::currentTestFailed())
            return;
        QStringList rows;
        for (const Page &page : pages)
            for (const Word &w : page.words)
                if (w.text.startsWith(QStringLiteral("Row")))
                    rows << w.text;
        QStringList expected;
        for (int p = 0; p < grid.model()->rowTotal(); ++p)
            expected << grid.cellText(grid.model()->sourceRow(p), GridFixture::Title);
        QCOMPARE(rows, expected);
    }

    // The first page shows before the others are counted; the count goes on with the event loop and
    // ends where the printed document does.
    void previewShowsTheFirstPageWhileCounting()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        quint32 seed = 99;
        for (int i = 0; i < 1500; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i, 4, 10, QChar(u'0')), artist, QString::number(1950 + i % 70), false,
                    prose(seed, i % 11 == 0 ? 60 : 3));
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());

        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        // Before anything lets the event loop run: a fast machine may count every page while page 1 is looked at.
        QSignalSpy counted(&preview, &PrintPreview::counted);
        QCOMPARE(preview.pageCount(), -1);
        QVERIFY(preview.isCounting());
        QVERIFY(preview.settledPages() >= 1);
        preview.resize(600, 800);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        auto *pages = preview.findChild<QAbstractScrollArea *>();
        QVERIFY(pages);
        // A white sheet with ink on it.
        const QImage shot = pages->viewport()->grab().toImage();
        int white = 0, ink = 0;
        for (int y = 0; y < shot.height(); y += 2)
            for (int x = 0; x < shot.width(); x += 2) {
                const int gray = qGray(shot.pixel(x, y));
                white += gray > 250;
                ink += gray < 100;
            }
        QVERIFY2(white > shot.width() * shot.height() / 16 && ink > 100,
                 qPrintable(QStringLiteral("%1 %2").arg(white).arg(ink)));

        QTRY_VERIFY_WITH_TIMEOUT(!counted.isEmpty(), 120000);
        QCOMPARE(preview.settledPages(), preview.pageCount());
        QVERIFY(!preview.isCounting());

        const QString pdf = f.dir.filePath(QStringLiteral("counted.pdf"));
        preview.printer()->setOutputFormat(QPrinter::PdfFormat);
        preview.printer()->setOutputFileName(pdf);
        QVERIFY(preview.printDocument());
        const QList<Page> printed = readPdf(pdf, f.dir.filePath(QStringLiteral("counted.html")));
        QCOMPARE(printed.size(), preview.pageCount());
        checkBands(printed);
        if (QTest::currentTestFailed())
            return;
    }

    // Closing the window stops the count where it is.
    void closingStopsTheCount()
    {
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        for (int i = 0; i < 3000; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i), artist);
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        preview.show();
        QVERIFY(preview.isCounting());
        preview.reject();
        QVERIFY(!preview.isCounting());
        const int settled = preview.settledPages();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(preview.settledPages(), settled);
        QCOMPARE(preview.pageCount(), -1);
    }

    void cancelStopsPrinting_data()
    {
        QTest::addColumn<bool>("countFirst");
        QTest::newRow("straight after opening") << false;
        QTest::newRow("once counted") << true;
    }

    // Cancel in the progress dialog ends the job and leaves no file that would pass for the list.
    void cancelStopsPrinting()
    {
        QFETCH(bool, countFirst);
        GridFixture f;
        const int artist = f.addArtist(QStringLiteral("Printer"));
        for (int i = 0; i < 3000; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i), artist);
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        // However fast this machine prints, the dialog is up from the first page, so Cancel can be pressed.
        preview.setProgressDelayMs(0);
        if (countFirst) {
            QSignalSpy counted(&preview, &PrintPreview::counted);
            QVERIFY(counted.wait(120000));
        }
        const QString pdf = f.dir.filePath(QStringLiteral("cancelled.pdf"));
        preview.printer()->setOutputFormat(QPrinter::PdfFormat);
        preview.printer()->setOutputFileName(pdf);
        bool cancelled = false;
        QTimer::singleShot(0, &preview, [&] {
            if (auto *progress = preview.findChild<QProgressDialog *>()) {
                progress->cancel();
                cancelled = true;
            }
        });
        QVERIFY(!preview.printDocument());
        QVERIFY(cancelled);
        QVERIFY(!QFile::exists(pdf));
    }

    void printsGroupsUnderTheirCaptions_data()
    {
        QTest::addColumn<std::vector<int>>("groups");
        QTest::newRow("artist") << std::vector<int>{GridFixture::Artist};
        QTest::newRow("artist, then year") << std::vector<int>{GridFixture::Artist, GridFixture::Year};
    }

    // Each row once, under the captions the grid shows for its groups, and the pages full.
    void printsGroupsUnderTheirCaptions()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QFETCH(std::vector<int>, groups);
        GridFixture f;
        std::vector<int> artists;
        for (const char *name : {"Basalte", "Calcaire", "Argile", "Dolomie", "Gneiss"})
            artists.push_back(f.addArtist(QString::fromLatin1(name)));
        for (int i = 0; i < 240; ++i)
            f.addCd(QStringLiteral("Row%1").arg(i, 3, 10, QChar(u'0')), artists[size_t(i * 7 % 5)],
                    QString::number(1990 + i % 4));
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&f.openCdList());
        grid.sortBy(GridFixture::Title);
        grid.setGroupColumns(groups);
        grid.setAllGroupsExpanded(false);

        // The captions as the grid shows them, outermost first, with the rows under each.
        const GridModel &model = *grid.model();
        QStringList expected;
        const auto walk = [&](auto &self, const QModelIndex &parent) -> void {
            for (int r = 0; r < model.rowCount(parent); ++r) {
                const QModelIndex index = model.index(r, 0, parent);
                if (model.isGroup(index)) {
                    expected << model.data(index).toString();
                    self(self, index);
                } else {
                    expected << grid.cellText(model.sourceRowOf(index), GridFixture::Title);
                }
            }
        };
        walk(walk, {});
        QCOMPARE(expected.size(), 240 + model.groupCount());

        const QList<Page> pages = printed(grid, f, QStringLiteral("groups"));
        QVERIFY(pages.size() >= 3);
        checkBands(pages);
        if (QTest::currentTestFailed())
            return;
        const double margin = 12.7 * PointsPerMm;
        const double band = 6.35 * PointsPerMm;
        QStringList seen;
        for (int p = 0; p < pages.size(); ++p) {
            const Page &page = pages[p];
            double lowest = 0;
            for (const QString &line : lines(page, margin + band, page.size.height() - margin - band)) {
                if (line.contains(QStringLiteral(" : ")))
                    seen << line;
                else if (line.startsWith(QStringLiteral("Row")))
                    seen << line.section(u' ', 0, 0);
            }
            for (const Word &w : page.words)
                if (w.box.bottom() < page.size.height() - margin - band)
                    lowest = qMax(lowest, w.box.bottom());
            // Full pages: less than two rows of room are left at the foot of any page but the last.
            if (p + 1 < pages.size())
                QVERIFY2(lowest > page.size.height() - margin - band - 30, qPrintable(QString::number(p + 1)));
        }
        QCOMPARE(seen, expected);
    }
};

QTEST_MAIN(tst_GridPrint)
#include "tst_gridprint.moc"
