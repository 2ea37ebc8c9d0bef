#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

class QIODevice;
struct ExportNotes;

// An Excel 97-2003 workbook (BIFF8 in a compound file) of one table: a bold caption row, then the
// rows, numbers as numbers and everything else as text in the shared string table. A table longer
// than a sheet goes on in further sheets named "<title> (2)", "<title> (3)", ... Rows whose wrapped
// texts need more lines are made taller. `notes`, when given, receives the texts cut to a cell's
// limit and the sheets, for the user.
class XlsWriter
{
public:
    using Cell = std::function<QVariant(int row, int column)>;

    struct Column {
        QString caption;
        int widthPx = 0;
        bool wrap = false; // multi-line text
    };

    static constexpr int SheetRows = 65536; // caption row included
    static constexpr int MaxRecordData = 8224;
    static constexpr int MaxCellText = 32767; // UTF-16 units; longer texts are cut: Excel holds no more in a cell

    XlsWriter(QString title, std::vector<Column> columns, int rowCount, Cell cell);

    // The Workbook stream alone, and the whole file.
    QByteArray workbookStream(ExportNotes *notes = nullptr) const;
    void write(QIODevice &out, ExportNotes *notes = nullptr) const;

    static QString sheetName(const QString &title, int sheet);

private:
    QString m_title;
    std::vector<Column> m_columns;
    int m_rowCount;
    Cell m_cell;
};
