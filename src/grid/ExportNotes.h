#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What a spreadsheet export could not write as the list holds it, so the user hears of it once the
// file is written: texts cut to a cell's limit, and rows that went on in further sheets.
struct ExportNotes {
    struct CutCell {
        QString sheet;
        int row = 0;   // as the sheet numbers it: the caption row is 1
        QString label; // the row's first cell, so the user finds it in the list
        QString column;
    };
    std::vector<CutCell> cutCells;
    int cellLimit = 0;  // characters a cell holds in the file's format
    QStringList sheets; // every sheet, once the rows took more than one
    int sheetRows = 0;  // rows a sheet holds under its caption row

    bool isEmpty() const { return cutCells.empty() && sheets.size() < 2; }
    bool hasCuts() const { return !cutCells.empty(); }
    // What to tell the user; empty when there is nothing to tell.
    QString text() const;
};

// Texts as a spreadsheet cell takes them.
namespace SheetText {

// A CR LF (or a lone CR) is one line break in a cell. `limit` cuts the text to that many UTF-16
// units, never between the two halves of a character outside the Basic Multilingual Plane; `cut`
// says whether anything was left out.
QString cellText(const QString &text, int limit, bool *cut = nullptr);

// How many lines a wrapped cell of that width shows: each line break starts a line, and a long line
// wraps. Generous rather than short, so a row made that tall shows all of its text.
int wrappedLines(const QString &text, int widthPx);

// At most `limit` UTF-16 units, never splitting a surrogate pair.
qsizetype safeCut(QStringView text, qsizetype limit);

} // namespace SheetText
