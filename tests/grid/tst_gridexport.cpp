// The grid's HTML and XLS exports of rows in memory, read back by independent readers: Qt's HTML
// parser, libfreexl, and LibreOffice where it is installed. One case exports a catalogue query.
#include "GridFixture.h"

#include "grid/DxGrid.h"
#include "grid/ExportError.h"
#include "grid/GridModel.h"
#include "grid/GridView.h"
#include "support/ProgressWatcher.h"
#include "support/SheetReader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QTimer>

#include <freexl.h>

#include <memory>

namespace {

struct Sheet {
    QString name;
    QList<QVariantList> rows;
};

std::vector<Sheet> readXls(const QString &path)
{
    std::vector<Sheet> out;
    const void *handle = nullptr;
    if (const int rc = freexl_open(QFile::encodeName(path).constData(), &handle); rc != FREEXL_OK) {
        qWarning("freexl_open: %d", rc);
        return out;
    }
    unsigned int sheets = 0;
    if (const int rc = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets); rc != FREEXL_OK)
        qWarning("freexl_get_info: %d", rc);
    for (unsigned short s = 0; s < sheets; ++s) {
        Sheet sheet;
        const char *name = nullptr;
        freexl_get_worksheet_name(handle, s, &name);
        sheet.name = QString::fromUtf8(name);
        freexl_select_active_worksheet(handle, s);
        unsigned int rows = 0;
        unsigned short columns = 0;
        freexl_worksheet_dimensions(handle, &rows, &columns);
        for (unsigned int r = 0; r < rows; ++r) {
            QVariantList row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                freexl_get_cell_value(handle, r, c, &v);
                switch (v.type) {
                case FREEXL_CELL_INT:
                    row << QVariant(qlonglong(v.value.int_value));
                    break;
                case FREEXL_CELL_DOUBLE:
                    row << QVariant(v.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    row << QVariant(QString::fromUtf8(v.value.text_value));
                    break;
                default:
                    row << QVariant();
                    break;
                }
            }
            sheet.rows << row;
        }
        out.push_back(sheet);
    }
    freexl_close(handle);
    return out;
}

// The table of an HTML file as Qt's own HTML reader sees it.
QList<QStringList> readHtmlTable(const QString &path, QString *title)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(file.readAll()));
    *title = doc.metaInformation(QTextDocument::DocumentTitle);
    QList<QStringList> out;
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        for (int r = 0; r < table->rows(); ++r) {
            QStringList row;
            for (int c = 0; c < table->columns(); ++c) {
                QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
                cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
                QString text = cursor.selectedText()
                                   .replace(QChar::LineSeparator, u'\n')
                                   .replace(QChar::ParagraphSeparator, u'\n');
                row << (text == QStringLiteral("\u00a0") ? QString() : text);
            }
            out << row;
        }
        break;
    }
    return out;
}

} // namespace

class tst_GridExport : public QObject
{
    Q_OBJECT

private:
    // CDs whose texts need escaping, Unicode, long memos and varied lengths, so the shared strings
    // cross several record boundaries; with the identifier shown as a number.
    struct Catalogue : GridFixture {
        Catalogue()
        {
            const int a = addArtist(QStringLiteral("<script>alert('x')</script> & Co"));
            const int b = addArtist(QStringLiteral("Sigur Rós — 日本語"));
            for (int i = 0; i < 300; ++i)
                addCd(QStringLiteral("Title %1 ").arg(i) + QString(i % 97, QChar(u'a' + i % 26)), i % 3 ? a : b,
                      QString::number(1990 + i % 30), i % 2);
            // libfreexl reads a string over one record boundary at most: these stay under a record's size.
            addCd(QStringLiteral("Long memo €"), a, {}, true, QString(3500, QChar(0x20AC)) + QStringLiteral("end"));
            addCd(QStringLiteral("Long Latin memo"), b, {}, false, QString(7000, u'x') + QStringLiteral("\nend"));
            addCd(QStringLiteral("\"Quoted\" <b>bold</b>"), 0);
        }
    };

    static std::vector<GridColumn> columns()
    {
        std::vector<GridColumn> c = GridFixture::cdColumns();
        c[0] = {.field = QStringLiteral("CD_ID"), .caption = QStringLiteral("No."), .width = 30};
        c[3].hidden = true; // Barcode
        return c;
    }

    // What an export must hold: the grid's order, the shown columns.
    static QList<QVariantList> expectedRows(const DxGrid &grid, const RowSource &rows)
    {
        QList<QVariantList> out;
        QVariantList captions;
        std::vector<int> shown;
        for (int c = 0; c < int(grid.columns().size()); ++c)
            if (!grid.columns()[size_t(c)].hidden) {
                shown.push_back(c);
                captions << grid.columns()[size_t(c)].caption;
            }
        out << captions;
        for (int p = 0; p < grid.model()->rowTotal(); ++p) {
            const int row = grid.model()->sourceRow(p);
            QVariantList cells;
            for (int c : shown) {
                const QVariant v = rows.value(row, rows.fieldIndex(grid.columns()[size_t(c)].field));
                if (grid.columns()[size_t(c)].kind == GridColumn::CheckBox)
                    cells << (v.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
                else if (v.isNull() || v.toString().isEmpty())
                    cells << QVariant();
                else
                    cells << v;
            }
            out << cells;
        }
        return out;
    }

    static void groupAndCollapse(DxGrid &grid)
    {
        grid.sortBy(GridFixture::Title, Qt::DescendingOrder);
        grid.groupBy(GridFixture::Artist);
        grid.setAllGroupsExpanded(false);
    }

private slots:
    // The catalogue query proves the adapter: what it exports is checked against the rows in memory,
    // so its integers must reach the sheet as numbers, and its texts and nulls as the memory gives them.
    void xlsHoldsEveryRowAsFreexlReadsIt_data()
    {
        QTest::addColumn<bool>("fromCatalogue");
        QTest::newRow("rows in memory") << false;
        QTest::newRow("catalogue query") << true;
    }

    void xlsHoldsEveryRowAsFreexlReadsIt()
    {
        QFETCH(bool, fromCatalogue);
        Catalogue c;
        std::unique_ptr<CatalogueList> catalogue;
        MemoryRows &memory = c.openCdList();
        RowSource *rows = &memory;
        if (fromCatalogue) {
            catalogue = std::make_unique<CatalogueList>(c);
            rows = &catalogue->open();
        }
        DxGrid grid;
        grid.setColumns(columns());
        grid.setRows(rows);
        groupAndCollapse(grid);
        const QString path = c.dir.filePath(QStringLiteral("audiocds.xls"));
        grid.saveToXls(path, QStringLiteral("Audio CDs"));

        const std::vector<Sheet> sheets = readXls(path);
        QCOMPARE(sheets.size(), size_t(1));
        QCOMPARE(sheets[0].name, QStringLiteral("Audio CDs"));
        const QList<QVariantList> expected = expectedRows(grid, memory);
        QCOMPARE(sheets[0].rows.size(), expected.size());
        for (int r = 0; r < expected.size(); ++r)
            for (int col = 0; col < expected[r].size(); ++col) {
                const QVariant &want = expected[r][col];
                const QVariant &got = sheets[0].rows[r][col];
                if (GridModel::isNumber(want)) {
                    QVERIFY2(GridModel::isNumber(got), qPrintable(QStringLiteral("row %1 col %2").arg(r).arg(col)));
                    QCOMPARE(got.toDouble(), want.toDouble());
                } else {
                    QCOMPARE(got.toString(), want.toString());
                }
            }
    }

    void xlsGoesOnInFurtherSheets()
    {
        QTemporaryDir dir;
        MemoryRows rows({QStringLiteral("MOV_ID"), QStringLiteral("MOV_TITLE"), QStringLiteral("MOV_TYPE")});
        QList<QVariantList> movies;
        for (int i = 1; i <= 70000; ++i)
            movies.append(QVariantList{qlonglong(i), QStringLiteral("Movie %1").arg(i), QStringLiteral("DVD")});
        rows.setRows(std::move(movies));
        DxGrid grid;
        grid.setColumns({{.field = QStringLiteral("MOV_ID"), .hidden = true},
                         {.field = QStringLiteral("MOV_TITLE"), .caption = QStringLiteral("Title")},
                         {.field = QStringLiteral("MOV_TYPE"), .caption = QStringLiteral("Type")}});
        grid.setRows(&rows);
        const QString path = dir.filePath(QStringLiteral("movies.xls"));
        grid.saveToXls(path, QStringLiteral("Movies"));

        const std::vector<Sheet> sheets = readXls(path);
        QCOMPARE(sheets.size(), size_t(2));
        QCOMPARE(sheets[0].name, QStringLiteral("Movies"));
        QCOMPARE(sheets[1].name, QStringLiteral("Movies (2)"));
        const int perSheet = 65535;
        QCOMPARE(sheets[0].rows.size(), perSheet + 1);
        QCOMPARE(sheets[1].rows.size(), 70000 - perSheet + 1);
        for (const Sheet &s : sheets)
            QCOMPARE(s.rows[0], (QVariantList{QStringLiteral("Title"), QStringLiteral("Type")}));
        QCOMPARE(sheets[0].rows.last()[0].toString(), rows.value(perSheet - 1, 1).toString());
        QCOMPARE(sheets[1].rows[1][0].toString(), rows.value(perSheet, 1).toString());
        QCOMPARE(sheets[1].rows.last()[0].toString(), rows.value(69999, 1).toString());
    }

    void xlsOpensInLibreOffice()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        Catalogue c;
        // Over several records of the shared string table.
        c.addCd(QStringLiteral("Longest memo"), 0, {}, false, QString(20000, QChar(0x20AC)) + QStringLiteral("end"));
        MemoryRows &rows = c.openCdList();
        DxGrid grid;
        grid.setColumns(columns());
        grid.setRows(&rows);
        groupAndCollapse(grid);
        const QString path = c.dir.filePath(QStringLiteral("audiocds.xls"));
        grid.saveToXls(path, QStringLiteral("Audio CDs"));

        QProcess office;
        office.setWorkingDirectory(c.dir.path());
        office.start(soffice,
                     {QStringLiteral("-env:UserInstallation=file://") + c.dir.filePath(QStringLiteral("profile")),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                      QStringLiteral("csv:Text - txt - csv (StarCalc):9,34,76"), QStringLiteral("--outdir"),
                      c.dir.path(), path});
        QVERIFY(office.waitForFinished(120000));
        QFile csv(c.dir.filePath(QStringLiteral("audiocds.csv")));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(QString::fromUtf8(office.readAllStandardError())));
        const QString text = QString::fromUtf8(csv.readAll());
        const QList<QVariantList> expected = expectedRows(grid, rows);
        for (const QVariantList &row : expected) {
            const QString first = row[0].toString();
            QVERIFY2(text.contains(first), qPrintable(first));
        }
        QVERIFY(text.contains(QString(20000, QChar(0x20AC)) + QStringLiteral("end")));
        QVERIFY(text.contains(QStringLiteral("Sigur Rós — 日本語")));
    }

    void htmlHoldsEveryRowAsText()
    {
        Catalogue c;
        MemoryRows &rows = c.openCdList();
        DxGrid grid;
        grid.setColumns(columns());
        grid.setRows(&rows);
        groupAndCollapse(grid);
        const QString path = c.dir.filePath(QStringLiteral("audiocds.html"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray("OLD-CONTENT-MARKER"));
        }
        grid.saveToHtml(path, QStringLiteral("<Audio CDs>"));

        QString title;
        const QList<QStringList> table = readHtmlTable(path, &title);
        QCOMPARE(title, QStringLiteral("<Audio CDs>"));
        const QList<QVariantList> expected = expectedRows(grid, rows);
        QCOMPARE(table.size(), expected.size());
        for (int r = 0; r < expected.size(); ++r) {
            QStringList want;
            for (const QVariant &v : expected[r])
                want << v.toString();
            QCOMPARE(table[r], want);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray raw = file.readAll();
        QVERIFY(!raw.contains("<script>"));
        QVERIFY(!raw.contains("OLD-CONTENT-MARKER"));
    }

    // A long export counts in its dialog; stopped, by Cancel or by the rows being read again under
    // it, it leaves the file that was there before and no unfinished one beside it.
    void stoppedExportLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("stop");
        for (const char *kind : {"html", "xls", "xlsx", "csv"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1 cancelled").arg(QLatin1String(kind))))
                << QString::fromLatin1(kind) << QStringLiteral("cancel");
            QTest::newRow(qPrintable(QStringLiteral("%1 rows read again").arg(QLatin1String(kind))))
                << QString::fromLatin1(kind) << QStringLiteral("reread");
            QTest::newRow(qPrintable(QStringLiteral("%1 to the end").arg(QLatin1String(kind))))
                << QString::fromLatin1(kind) << QString();
        }
    }

    void stoppedExportLeavesTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, stop);
        const bool xls = kind == u"xls";
        Catalogue c;
        for (int i = 0; i < 3000; ++i)
            c.addCd(QStringLiteral("Extra %1").arg(i), 1 + i % 2);
        MemoryRows &rows = c.openCdList();
        DxGrid grid;
        grid.setColumns(columns());
        grid.setRows(&rows);
        const QDir dir(c.dir.path());
        const QString path = dir.filePath(QStringLiteral("cds.") + kind);
        const QByteArray old = "OLD-CONTENT-MARKER";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

        ProgressWatcher watch(stop.isEmpty() ? std::function<void(QProgressDialog &)>() : [&](QProgressDialog &dialog) {
            if (stop == QLatin1String("cancel"))
                dialog.cancel();
            else
                rows.reset();
        });
        const bool written = kind == u"html" ? grid.saveToHtml(path)
            : xls                            ? grid.saveToXls(path, QStringLiteral("Audio CDs"))
                  : grid.saveTo(path, GridExport::formatOfFile(path, GridExport::Html), QStringLiteral("Audio CDs"));

        QVERIFY2(watch.seen.size() >= 3, "the progress dialog did not come, or did not count");
        QVERIFY2(std::is_sorted(watch.seen.begin(), watch.seen.end()) && watch.seen.first() < watch.seen.last(),
                 qPrintable(QString::number(watch.seen.size())));
        QVERIFY(watch.seen.last() <= grid.model()->rowTotal());
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        if (!stop.isEmpty()) {
            QVERIFY(watch.acted);
            QVERIFY(!written);
            QCOMPARE(now, old);
            return;
        }
        QVERIFY(written);
        if (xls) {
            const std::vector<Sheet> sheets = readXls(path);
            QCOMPARE(sheets.size(), size_t(1));
            QCOMPARE(sheets[0].rows.size(), grid.model()->rowTotal() + 1);
        } else if (kind != u"html") {
            const SheetFile file = readSheetFile(QStringLiteral("count-") + kind, path);
            QVERIFY2(file.ok, qPrintable(file.error));
            QCOMPARE(file.sheets.size(), 1);
            QCOMPARE(file.sheets[0].rowCount, grid.model()->rowTotal() + 1);
        } else {
            QString title;
            QCOMPARE(readHtmlTable(path, &title).size(), grid.model()->rowTotal() + 1);
        }
    }

    void unwritableTargetRaisesAndLeavesNothing_data()
    {
        QTest::addColumn<bool>("xls");
        QTest::addColumn<QString>("target");
        QTest::newRow("html over a folder") << false << QStringLiteral("folder");
        QTest::newRow("xls over a folder") << true << QStringLiteral("folder");
        QTest::newRow("html under a file") << false << QStringLiteral("plain/out.html");
        QTest::newRow("xls under a file") << true << QStringLiteral("plain/out.xls");
    }

    void unwritableTargetRaisesAndLeavesNothing()
    {
        QFETCH(bool, xls);
        QFETCH(QString, target);
        Catalogue c;
        MemoryRows &rows = c.openCdList();
        DxGrid grid;
        grid.setColumns(columns());
        grid.setRows(&rows);
        QDir dir(c.dir.path());
        QVERIFY(dir.mkdir(QStringLiteral("folder")));
        {
            QFile plain(dir.filePath(QStringLiteral("plain")));
            QVERIFY(plain.open(QIODevice::WriteOnly));
        }
        const QStringList before = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        const QString path = dir.filePath(target);
        try {
            xls ? grid.saveToXls(path) : grid.saveToHtml(path);
            QFAIL("no error raised");
        } catch (const ExportError &e) {
            QVERIFY2(e.text().contains(path), qPrintable(e.text()));
        }
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        QVERIFY(QDir(dir.filePath(QStringLiteral("folder"))).isEmpty());
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("plain"))).size(), 0);
    }
};

QTEST_MAIN(tst_GridExport)
#include "tst_gridexport.moc"
