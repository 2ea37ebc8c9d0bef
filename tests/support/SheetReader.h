#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariantList>

// An exported list read back by Python readers that share no code with the program: xlrd for XLS,
// openpyxl for XLSX, the csv module for CSV (tests/support/readsheet.py).
struct ReadSheet {
    QString name;
    int rowCount = 0;
    QList<QVariantList> cells; // null for an empty cell; bool, double or text otherwise
    QList<QList<bool>> wrap, bold;
    QJsonObject heights; // row from 0 -> height (twips for XLS, points for XLSX)
    QVariantList widths;
    QString frozen; // XLSX: the top-left cell of what scrolls, "A2" for a frozen first row
    bool selected = false;
    bool shown = false; // XLS: the sheet is the one displayed
};

struct SheetFile {
    bool ok = false;
    QString error; // the reader's complaint when it refused the file
    QList<ReadSheet> sheets;
};

// kind: "xls", "xlsx", "csv", or "count-" before one of them for names and row counts only.
SheetFile readSheetFile(const QString &kind, const QString &path);
