#pragma once

#include "grid/SheetColumn.h"

#include <QString>

#include <vector>

class QIODevice;
struct ExportNotes;

// An Office Open XML workbook (.xlsx) of one table, through libxlsxwriter: a bold caption row that
// stays in view while the rows scroll, numbers as numbers, flags as booleans, wrapped texts in rows
// tall enough to show them, and the columns as wide as the grid's. A table longer than a sheet goes
// on in further sheets named as the XLS export names them. `notes`, when given, receives the texts
// cut to a cell's limit and the sheets, for the user.
class XlsxWriter
{
public:
    using Cell = SheetCell;
    using Column = SheetColumn;

    static constexpr int SheetRows = 1048576; // caption row included
    // UTF-16 units. Excel holds no more in a cell, and libxlsxwriter refuses a longer text.
    static constexpr int MaxCellText = 32767;

    // `sheetRows` is for tests, which cannot afford a million rows to see the second sheet.
    XlsxWriter(QString title, std::vector<Column> columns, int rowCount, Cell cell, int sheetRows = SheetRows);

    // libxlsxwriter writes only to a file of its own: the workbook is made in a temporary file beside
    // `out`'s and copied to `out`. Raises ExportError, with the system's reason, when a write fails.
    void write(QIODevice &out, ExportNotes *notes = nullptr) const;

private:
    void writeFile(const QString &path, const QString &tmpdir, ExportNotes *notes) const;

    QString m_title;
    std::vector<Column> m_columns;
    int m_rowCount;
    Cell m_cell;
    int m_sheetRows;
};
