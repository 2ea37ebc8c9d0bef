// The spreadsheet exports read back by readers that share no code with the program: xlrd for XLS,
// openpyxl for XLSX, Python's csv module for CSV. What strict readers refuse or show wrongly:
// characters outside the Basic Multilingual Plane cut in half, texts over a cell's limit, memo rows
// too short to show their lines, CR LF shown as two breaks, several sheets marked selected.
#include "GridFixture.h"

#include "grid/DxGrid.h"
#include "grid/ExportNotes.h"
#include "grid/GridExport.h"
#include "grid/GridModel.h"
#include "grid/XlsxWriter.h"
#include "support/SheetReader.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>

namespace {

const QString Emoji = QStringLiteral("\U0001F600"); // one character, two UTF-16 units

// CDs whose texts need quoting in CSV, escaping in XML, more than one byte in UTF-8, more than one
// UTF-16 unit, and memos of several lines, some with CR LF.
struct Cds : GridFixture {
    Cds()
    {
        const int a = addArtist(QStringLiteral("Sigur Rós — 日本語 ") + Emoji);
        const int b = addArtist(QStringLiteral("\"Weird\", Al & <Co>"));
        for (int i = 0; i < 40; ++i)
            addCd(QStringLiteral("Title %1, part \"%2\"").arg(i).arg(i % 7), i % 3 ? a : b,
                  QString::number(1990 + i % 30), i % 2,
                  i % 4 == 0 ? QStringLiteral("line 1\r\nline 2\r\nline 3 ") + Emoji : QString());
        addCd(QStringLiteral("  leading and trailing  "), a, {}, false, QStringLiteral("one\ntwo"));
        addCd(QStringLiteral("Long memo"), b, {}, true, QString(600, u'w'));
        addCd(QStringLiteral("No artist"), 0);
        // What the XLSX format writes as _xHHHH_, and such a sequence written by the user.
        addCd(QStringLiteral("bell\a, tab\t, _x0041_ and _X263A_"), a);
    }
};

struct Exported {
    Cds cds;
    DxGrid grid;
    ExportNotes notes;
    QString path;

    Exported(GridExport::Format format, const QString &name)
    {
        grid.setColumns(GridFixture::cdColumns(GridColumn::Ascending));
        grid.setRows(&cds.openCdList());
        path = cds.dir.filePath(name);
        grid.saveTo(path, format, QStringLiteral("Audio CDs"), &notes);
    }
    const GridModel &model() const { return *grid.model(); }
    std::vector<int> shown() const { return GridExport::exportedColumns(model()); }
    // The value in the list under the grid's position and shown column.
    QVariant value(int position, int shownColumn) const
    {
        return model().value(model().sourceRow(position), shown()[size_t(shownColumn)]);
    }
    QString text(int position, int shownColumn) const
    {
        return model().text(model().sourceRow(position), shown()[size_t(shownColumn)]);
    }
    GridColumn column(int shownColumn) const { return model().columns()[size_t(shown()[size_t(shownColumn)])]; }
};

QString oneBreak(QString s)
{
    return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

int lineCount(const QString &s)
{
    return int(oneBreak(s).count(u'\n')) + 1;
}

// Rows made on the spot, so a writer can be given any number of them.
QVariant numbered(int row, int column)
{
    return column == 0 ? QVariant(QStringLiteral("Movie %1").arg(row + 1)) : QVariant(double(row + 1));
}

} // namespace

class tst_Spreadsheets : public QObject
{
    Q_OBJECT

private slots:
    void xlsxHoldsEveryRowAsOpenpyxlReadsIt()
    {
        Exported e(GridExport::Xlsx, QStringLiteral("audiocds.xlsx"));
        QVERIFY(e.notes.isEmpty());
        const SheetFile file = readSheetFile(QStringLiteral("xlsx"), e.path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(file.sheets.size(), 1);
        const ReadSheet &s = file.sheets[0];
        QCOMPARE(s.name, QStringLiteral("Audio CDs"));
        QCOMPARE(s.frozen, QStringLiteral("A2"));
        QVERIFY(s.selected);
        const int columns = int(e.shown().size());
        QCOMPARE(s.cells.size(), e.model().rowTotal() + 1);
        for (int c = 0; c < columns; ++c) {
            QCOMPARE(s.cells[0][c].toString(), e.column(c).caption);
            QVERIFY(s.bold[0][c]);
            // Excel's own reckoning of a width in pixels, for a font whose digits are 7 pixels wide.
            const double w = s.widths[c].toDouble();
            QCOMPARE(int((256 * w + 128 / 7) / 256 * 7), e.column(c).width);
        }
        for (int p = 0; p < e.model().rowTotal(); ++p) {
            const QVariantList &row = s.cells[p + 1];
            int lines = 1;
            for (int c = 0; c < columns; ++c) {
                const QVariant want = e.value(p, c);
                const QString where = QStringLiteral("row %1 column %2").arg(p + 2).arg(c + 1);
                QVERIFY2(!s.bold[p + 1][c], qPrintable(where));
                if (!row[c].isNull())
                    QCOMPARE(s.wrap[p + 1][c], e.column(c).kind == GridColumn::Memo);
                if (e.column(c).kind == GridColumn::CheckBox) {
                    QCOMPARE(row[c].typeId(), QMetaType::Bool);
                    QCOMPARE(row[c].toBool(), want.toBool());
                } else if (want.isNull() || want.toString().isEmpty()) {
                    QVERIFY2(row[c].isNull(), qPrintable(where));
                } else {
                    QCOMPARE(row[c].toString(), oneBreak(want.toString()));
                }
                if (e.column(c).kind == GridColumn::Memo)
                    lines = lineCount(want.toString());
            }
            // Tall enough for every line of the memo at 15 points a line; a one-line row keeps its height.
            const QJsonValue height = s.heights.value(QString::number(p + 1));
            if (lines > 1)
                QVERIFY2(height.toDouble() >= 15 * lines,
                         qPrintable(QStringLiteral("row %1: %2").arg(p + 2).arg(height.toDouble())));
            else if (e.text(p, columns - 1).isEmpty())
                QVERIFY2(height.isUndefined(), qPrintable(QStringLiteral("row %1").arg(p + 2)));
        }
        // 600 characters in a column of 116 pixels wrap into dozens of lines: as tall as a row can be.
        const int longMemo = [&] {
            for (int p = 0; p < e.model().rowTotal(); ++p)
                if (e.text(p, 0) == QStringLiteral("Long memo"))
                    return p;
            return -1;
        }();
        QCOMPARE(s.heights.value(QString::number(longMemo + 1)).toDouble(), 409.0);
    }

    void xlsxGoesOnInFurtherSheetsAndSaysSo()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("movies.xlsx"));
        QSaveFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        ExportNotes notes;
        // Five rows a sheet under the caption; the real sheet's are the format's million.
        const XlsxWriter writer(QStringLiteral("Movies"), {{QStringLiteral("Title"), 120}, {QStringLiteral("No."), 40}},
                                12, numbered, 6);
        writer.write(out, &notes);
        QVERIFY(out.commit());
        QCOMPARE(notes.sheets,
                 (QStringList{QStringLiteral("Movies"), QStringLiteral("Movies (2)"), QStringLiteral("Movies (3)")}));
        QCOMPARE(notes.sheetRows, 5);
        QVERIFY(notes.text().contains(QStringLiteral("\"Movies (3)\"")));

        const SheetFile file = readSheetFile(QStringLiteral("xlsx"), path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(file.sheets.size(), 3);
        int next = 0;
        for (int sheet = 0; sheet < 3; ++sheet) {
            const ReadSheet &s = file.sheets[sheet];
            QCOMPARE(s.name, notes.sheets[sheet]);
            QCOMPARE(s.cells[0], (QVariantList{QStringLiteral("Title"), QStringLiteral("No.")}));
            QCOMPARE(s.frozen, QStringLiteral("A2"));
            for (int r = 1; r < s.cells.size(); ++r, ++next)
                QCOMPARE(s.cells[r], (QVariantList{numbered(next, 0), numbered(next, 1)}));
        }
        QCOMPARE(next, 12);
        QVERIFY(file.sheets[0].selected);
        QVERIFY(!file.sheets[1].selected);
        QCOMPARE(XlsxWriter::SheetRows, 1048576);
    }

    // Characters XML 1.0 does not allow go into the file as _xHHHH_, as control characters do: the
    // file stays well-formed XML, which openpyxl and a plain XML parser both read, and the text comes
    // back as it was.
    void xlsxEscapesWhatXmlCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("U+FFFE") << QStringLiteral("a\uFFFEb");
        QTest::newRow("U+FFFF") << QStringLiteral("\uFFFF");
        QTest::newRow("control character") << QStringLiteral("bell\a");
        QTest::newRow("lone high surrogate") << (QStringLiteral("x") + QChar(0xD83D) + QStringLiteral("y"));
        QTest::newRow("lone low surrogate at the end") << (QStringLiteral("x") + QChar(0xDE00));
        QTest::newRow("a pair kept whole") << Emoji;
        QTest::newRow("escape written by the user") << QStringLiteral("_xFFFF_ and _x0041_");
        QTest::newRow("byte-order mark first") << QStringLiteral("\uFEFFmark");
    }

    void xlsxEscapesWhatXmlCannotHold()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("odd.xlsx"));
        QSaveFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        const XlsxWriter writer(QStringLiteral("Odd"), {{QStringLiteral("Text"), 120}}, 1,
                                [&text](int, int) { return QVariant(text); });
        writer.write(out);
        QVERIFY(out.commit());

        QProcess xml;
        xml.start(QStringLiteral("python3"),
                  {QStringLiteral("-c"),
                   QStringLiteral("import sys, zipfile, xml.dom.minidom as m\n"
                                  "z = zipfile.ZipFile(sys.argv[1])\n"
                                  "[m.parseString(z.read(n)) for n in z.namelist() if n.endswith('.xml')]"),
                   path});
        QVERIFY(xml.waitForFinished(60000));
        QVERIFY2(xml.exitCode() == 0, xml.readAllStandardError().constData());

        const SheetFile file = readSheetFile(QStringLiteral("xlsx"), path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(file.sheets[0].cells.size(), 2);
        QCOMPARE(file.sheets[0].cells[1][0].toString(), text);
    }

    // Excel holds 32,767 UTF-16 units in a cell, and both spreadsheet formats cut there; a character
    // outside the Basic Multilingual Plane at the cut goes whole or not at all.
    void spreadsheetsCutOverlongTextsWholeAndSayWhere_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("kind");
        QTest::newRow("xls") << int(GridExport::Xls) << QStringLiteral("xls");
        QTest::newRow("xlsx") << int(GridExport::Xlsx) << QStringLiteral("xlsx");
    }

    void spreadsheetsCutOverlongTextsWholeAndSayWhere()
    {
        QFETCH(int, format);
        QFETCH(QString, kind);
        Cds cds;
        const QString cut = QString(32766, u'a');
        cds.addCd(QStringLiteral("Overlong"), 1, {}, false, cut + Emoji + QStringLiteral("the end"));
        cds.addCd(QStringLiteral("Just fits"), 1, {}, false, QString(32765, u'b') + Emoji);
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&cds.openCdList());
        const QString path = cds.dir.filePath(QStringLiteral("audiocds.") + kind);
        ExportNotes notes;
        grid.saveTo(path, GridExport::Format(format), QStringLiteral("Audio CDs"), &notes);

        QCOMPARE(int(notes.cutCells.size()), 1);
        const int overlongRow = grid.model()->positionOfSourceRow(int(cds.cds.size()) - 2) + 2;
        QCOMPARE(notes.cutCells[0].row, overlongRow);
        QCOMPARE(notes.cutCells[0].label, QStringLiteral("Overlong"));
        QCOMPARE(notes.cutCells[0].column, QStringLiteral("Comments"));
        QCOMPARE(notes.cutCells[0].sheet, QStringLiteral("Audio CDs"));
        QCOMPARE(notes.cellLimit, 32767);
        QVERIFY(notes.text().contains(QStringLiteral("row %1 (Overlong): Comments").arg(overlongRow)));

        const SheetFile file = readSheetFile(kind, path);
        QVERIFY2(file.ok, qPrintable(file.error));
        const QVariantList &overlong = file.sheets[0].cells[overlongRow - 1];
        QCOMPARE(overlong[0].toString(), QStringLiteral("Overlong"));
        QCOMPARE(overlong.last().toString(), cut);
        const QVariantList &fits = file.sheets[0].cells[overlongRow];
        QCOMPARE(fits.last().toString(), QString(32765, u'b') + Emoji);
    }

    // The shared strings of an XLS file run over records of 8,224 bytes; a reader decodes each
    // record's part of a string on its own, and half a character there is an error.
    void xlsKeepsCharactersWholeAcrossRecords()
    {
        Cds cds;
        QStringList memos;
        for (int shift = 0; shift < 4; ++shift)
            memos << QString(shift, u'é') + Emoji.repeated(3000) + QStringLiteral(" end");
        for (const QString &m : memos)
            cds.addCd(QStringLiteral("Emoji %1").arg(m.size()), 1, {}, false, m);
        DxGrid grid;
        grid.setColumns(GridFixture::cdColumns());
        grid.setRows(&cds.openCdList());
        const QString path = cds.dir.filePath(QStringLiteral("audiocds.xls"));
        grid.saveTo(path, GridExport::Xls, QStringLiteral("Audio CDs"));

        const SheetFile file = readSheetFile(QStringLiteral("xls"), path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QStringList read;
        for (const QVariantList &row : file.sheets[0].cells)
            if (row[0].toString().startsWith(QStringLiteral("Emoji")))
                read << row.last().toString();
        QCOMPARE(read, memos);
    }

    void xlsMemoRowsAreTallAndCrLfIsOneBreak()
    {
        Exported e(GridExport::Xls, QStringLiteral("audiocds.xls"));
        const SheetFile file = readSheetFile(QStringLiteral("xls"), e.path);
        QVERIFY2(file.ok, qPrintable(file.error));
        const ReadSheet &s = file.sheets[0];
        const int memo = int(e.shown().size()) - 1;
        int tall = 0;
        for (int p = 0; p < e.model().rowTotal(); ++p) {
            const QString want = e.text(p, memo);
            const QString where = QStringLiteral("row %1").arg(p + 2);
            QCOMPARE(s.cells[p + 1][memo].toString(), oneBreak(want));
            if (!want.isEmpty())
                QVERIFY(s.wrap[p + 1][memo]);
            const QJsonValue height = s.heights.value(QString::number(p + 1));
            if (lineCount(want) > 1) {
                // Arial 10 takes 12.75 points, 255 twips, a line.
                QVERIFY2(height.toInt() >= 255 * lineCount(want), qPrintable(where));
                ++tall;
            } else if (want.isEmpty()) {
                QVERIFY2(height.isUndefined(), qPrintable(where));
            }
        }
        QVERIFY(tall >= 10);
        QVERIFY(s.bold[0][0]);
        QVERIFY(!s.bold[1][0]);
    }

    void xlsMarksOnlyTheFirstSheetSelected()
    {
        QTemporaryDir dir;
        MemoryRows rows({QStringLiteral("MOV_ID"), QStringLiteral("MOV_TITLE")});
        QList<QVariantList> movies;
        for (int i = 1; i <= 65536 + 10; ++i)
            movies.append(QVariantList{qlonglong(i), QStringLiteral("Movie %1").arg(i)});
        rows.setRows(std::move(movies));
        DxGrid grid;
        grid.setColumns({{.field = QStringLiteral("MOV_ID"), .hidden = true},
                         {.field = QStringLiteral("MOV_TITLE"), .caption = QStringLiteral("Title")}});
        grid.setRows(&rows);
        const QString path = dir.filePath(QStringLiteral("movies.xls"));
        ExportNotes notes;
        grid.saveTo(path, GridExport::Xls, QStringLiteral("Movies"), &notes);
        QCOMPARE(notes.sheets, (QStringList{QStringLiteral("Movies"), QStringLiteral("Movies (2)")}));
        QVERIFY(!notes.hasCuts());

        const SheetFile file = readSheetFile(QStringLiteral("count-xls"), path);
        QVERIFY2(file.ok, qPrintable(file.error));
        QCOMPARE(file.sheets.size(), 2);
        QCOMPARE(file.sheets[0].rowCount, 65536);
        QCOMPARE(file.sheets[1].rowCount, 12);
        QVERIFY(file.sheets[0].selected);
        QVERIFY(file.sheets[0].shown);
        QVERIFY(!file.sheets[1].selected);
        QVERIFY(!file.sheets[1].shown);
    }

    void csvIsRfc4180InUtf8()
    {
        Exported e(GridExport::Csv, QStringLiteral("audiocds.csv"));
        QFile raw(e.path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(bytes.contains("\"\"Weird\"\", Al & <Co>\""));
        QVERIFY(bytes.contains(Emoji.toUtf8()));

        const SheetFile file = readSheetFile(QStringLiteral("csv"), e.path);
        QVERIFY2(file.ok, qPrintable(file.error));
        const ReadSheet &s = file.sheets[0];
        const int columns = int(e.shown().size());
        QCOMPARE(s.cells.size(), e.model().rowTotal() + 1);
        for (int c = 0; c < columns; ++c)
            QCOMPARE(s.cells[0][c].toString(), e.column(c).caption);
        // What each cell shows, whole: the memo's CR LF stays inside its quoted field.
        for (int p = 0; p < e.model().rowTotal(); ++p) {
            QCOMPARE(s.cells[p + 1].size(), columns);
            for (int c = 0; c < columns; ++c)
                QCOMPARE(s.cells[p + 1][c].toString(), e.text(p, c));
        }
    }
};

QTEST_MAIN(tst_Spreadsheets)
#include "tst_spreadsheets.moc"
