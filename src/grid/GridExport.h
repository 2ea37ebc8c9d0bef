#pragma once

#include <QString>

#include <functional>
#include <vector>

class GridModel;
struct ExportNotes;

// Writes a grid's rows to a file: every row in the grid's order, also rows inside collapsed groups,
// and every column but the hidden ones, grouped columns included. The file is replaced only once it
// is whole; a file that cannot be made raises ExportError and leaves the old one (or none) in place.
// The spreadsheets' `notes`, when given, receive what the file could not hold as the list has it.
//
// A long export tells `progress` how many rows it has read, every few hundred rows, and once more
// with a count equal to the total when it has read its last row; an answer of false stops it, and
// the file is then left as it was (or not made). The writers answer whether they wrote.
class GridExport
{
public:
    // CsvRaw: CSV for other programs, each text as stored; Csv is for spreadsheets.
    enum Format { Html, Xls, Xlsx, Csv, Pdf, CsvRaw };
    using Progress = std::function<bool(int rowsDone, int rowTotal)>;
    static constexpr int ProgressEveryRows = 256;

    static bool toHtml(const GridModel &model, const QString &path, const QString &title = {},
                       const Progress &progress = {});
    static bool toXls(const GridModel &model, const QString &path, const QString &title = {},
                      ExportNotes *notes = nullptr, const Progress &progress = {});
    static bool toXlsx(const GridModel &model, const QString &path, const QString &title = {},
                       ExportNotes *notes = nullptr, const Progress &progress = {});
    // RFC 4180 in UTF-8: the caption row, then what each cell shows, CR LF between records. For a
    // spreadsheet, after a byte-order mark and with each text that would start a formula kept a text
    // by an apostrophe before it; `raw`, without either.
    static bool toCsv(const GridModel &model, const QString &path, const Progress &progress = {}, bool raw = false);
    // What printing the grid puts on paper, as a PDF file, on the printer's page; on the window's
    // thread, as printing is.
    static void toPdf(const GridModel &model, const QString &path, const QString &title = {});
    static bool save(const GridModel &model, const QString &path, Format format, const QString &title = {},
                     ExportNotes *notes = nullptr, const Progress &progress = {});

    // The format a file name asks for by its suffix, else `otherwise`.
    static Format formatOfFile(const QString &path, Format otherwise);

    static std::vector<int> exportedColumns(const GridModel &model);
};
