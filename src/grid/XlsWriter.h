#pragma once

#include "grid/SheetColumn.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;
struct ExportNotes;

// An Excel 97-2003 workbook (BIFF8 in a compound file) of one table: a bold caption row, then the
// rows, numbers as numbers and everything else as text in the shared string table. A table longer
// than a sheet goes on in further sheets named "<title> (2)", "<title> (3)", ... Rows whose wrapped
// texts need more lines are made taller. The format has no boolean cell: a column's flag is not
// looked at, and its cells are written as their values are. `notes`, when given, receives the texts
// cut to a cell's limit and the sheets, for the user.
class XlsWriter
{
public:
    using Cell = SheetCell;
    using Column = SheetColumn;

    static constexpr int SheetRows = 65536; // caption row included
    static constexpr int MaxRecordData = 8224;
    static constexpr int MaxCellText = 32767; // UTF-16 units; longer texts are cut: Excel holds no more in a cell

    XlsWriter(QString title, std::vector<Column> columns, int rowCount, Cell cell);

    // The Workbook stream alone, and the whole file.
    QByteArray workbookStream(ExportNotes *notes = nullptr) const;
    void write(QIODevice &out, ExportNotes *notes = nullptr) const;

    static QString sheetName(const QString &title, int sheet);

private:
    struct SharedStrings;
    // The records of one sheet: its columns, its caption row and its share of the rows, its texts
    // put in `strings`.
    QByteArray sheetRecords(int sheet, SharedStrings &strings, ExportNotes *notes) const;
    // The workbook's globals: formats, fonts and styles, each sheet's name and where it starts (the
    // sheets follow the globals in the order given), and the shared strings.
    QByteArray globalRecords(const std::vector<QByteArray> &sheets, const SharedStrings &strings) const;

    QString m_title;
    std::vector<Column> m_columns;
    int m_rowCount;
    Cell m_cell;
};
