// The print preview of the audio CD list of a big catalogue: time from the Print command to the
// first page painted, time to count every page, and the longest the event loop went without
// running (a 2 ms heartbeat's largest gap) while the preview counts; then the same pages laid out
// and painted in one go (what a preview that records every page before it shows does), and the
// whole list printed to PDF through the preview.
//
//   build-bench/bin/dadudu-bench-catalogue /tmp/i10print/dadudu.mdb
//   QT_QPA_PLATFORM=offscreen build-bench/bin/bench_print /tmp/i10print/dadudu.mdb [grouped] [keep.pdf]
//   build-bench/bin/bench_print /tmp/i10print/dadudu.mdb [grouped] show     (only opens the preview)
#include "grid/DxGrid.h"
#include "grid/GridModel.h"
#include "grid/GridPrinter.h"
#include "grid/PrintPreview.h"
#include "store/DbEngine.h"

#include "support/Heartbeat.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

QTextStream out(stdout);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2 || !QFileInfo::exists(QString::fromLocal8Bit(argv[1]))) {
        out << "usage: bench_print <catalogue.mdb> [grouped] [keep.pdf]\n";
        return 2;
    }
    QStringList args = QApplication::arguments().mid(2);
    const bool grouped = args.removeAll(QStringLiteral("grouped")) > 0;
    const bool showOnly = args.removeAll(QStringLiteral("show")) > 0;
    const QString keep = args.value(0);
    DbConnection connection;
    connection.setLocation(QString::fromLocal8Bit(argv[1]));
    connection.open();
    // The audio CD list as its window reads and shows it.
    DbQuery list(
        connection,
        {QStringLiteral("select CD_ID, CD_LABEL, ART_NAME, BARCODE, YEAR, LIMITED, COMMENTS"),
         QStringLiteral("from CDAUDIO left join ARTISTE on ARTISTE.ART_ID = CDAUDIO.ART_ID order by CD_LABEL")});
    list.open();
    DxGrid grid;
    grid.setColumns({
        {.field = QStringLiteral("CD_ID"), .hidden = true},
        {.field = QStringLiteral("CD_LABEL"), .caption = QStringLiteral("Title"), .width = 99},
        {.field = QStringLiteral("ART_NAME"),
         .caption = QStringLiteral("Artist"),
         .width = 94,
         .sort = GridColumn::Ascending},
        {.field = QStringLiteral("BARCODE"), .caption = QStringLiteral("Barcode"), .width = 74},
        {.field = QStringLiteral("YEAR"), .caption = QStringLiteral("Year"), .width = 45},
        {.field = QStringLiteral("LIMITED"),
         .caption = QStringLiteral("Limited"),
         .width = 54,
         .kind = GridColumn::CheckBox},
        {.field = QStringLiteral("COMMENTS"),
         .caption = QStringLiteral("Comments"),
         .width = 116,
         .kind = GridColumn::Memo},
    });
    grid.setRows(&list);
    if (grouped)
        grid.setGroupColumns({2});
    grid.resize(900, 700);
    grid.show();
    QApplication::processEvents();
    out << "rows: " << grid.model()->rowTotal() << (grouped ? ", grouped by artist" : "") << "\n";
    out.flush();

    if (showOnly) {
        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        return preview.exec();
    }

    Heartbeat heartbeat(2);
    QElapsedTimer clock;

    // The preview: Print command to page 1 painted, then counting with the event loop running.
    {
        heartbeat.start();
        clock.start();
        PrintPreview preview(&grid, QStringLiteral("Audio CDs"));
        preview.show();
        auto *pages = preview.findChild<QAbstractScrollArea *>();
        pages->viewport()->repaint();
        const double firstPage = clock.nsecsElapsed() / 1e6;
        QEventLoop loop;
        QObject::connect(&preview, &PrintPreview::counted, &loop, &QEventLoop::quit);
        if (preview.isCounting())
            loop.exec();
        const double counted = clock.nsecsElapsed() / 1e6;
        const double stall = heartbeat.stopMs();
        out << "preview: page 1 painted after " << firstPage << " ms; " << preview.pageCount()
            << " pages counted after " << counted << " ms; longest event-loop stall " << stall << " ms\n";
        out.flush();

        // Printing the whole list to PDF, under the progress dialog.
        QTemporaryDir dir;
        preview.printer()->setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = keep.isEmpty() ? dir.filePath(QStringLiteral("list.pdf")) : keep;
        preview.printer()->setOutputFileName(pdf);
        heartbeat.start();
        clock.restart();
        preview.printDocument();
        const double printed = clock.nsecsElapsed() / 1e6;
        const double printStall = heartbeat.stopMs();
        out << "print to PDF: " << printed << " ms, " << QFileInfo(pdf).size() / 1024
            << " KiB; longest event-loop stall " << printStall << " ms\n";
        out.flush();
    }

    // Baseline: every page laid out and recorded before anything shows, the same painter calls.
    {
        heartbeat.start();
        clock.restart();
        GridPrinter layout(*grid.model(), QStringLiteral("Audio CDs"));
        layout.count();
        const double counted = clock.nsecsElapsed() / 1e6;
        QPrinter printer;
        GridPrinter::setupPage(printer);
        std::vector<QPicture> recorded(size_t(layout.pageCount()));
        for (int page = 0; page < layout.pageCount(); ++page) {
            QPainter p(&recorded[size_t(page)]);
            p.scale(printer.logicalDpiX() / GridPrinter::LayoutDpi, printer.logicalDpiY() / GridPrinter::LayoutDpi);
            layout.paintPage(p, page);
        }
        const double total = clock.nsecsElapsed() / 1e6;
        QApplication::processEvents();
        const double stall = heartbeat.stopMs();
        out << "baseline, all in one go: " << layout.pageCount() << " pages counted in " << counted
            << " ms, recorded by " << total << " ms (page 1 shows then); longest event-loop stall " << stall << " ms\n";
    }
    return 0;
}
