#pragma once

#include <QString>

#include <vector>

class GridModel;
struct ExportNotes;

// Writes a grid's rows to a file: every row in the grid's order, also rows inside collapsed groups,
// and every column but the hidden ones, grouped columns included. The file is replaced only once it
// is whole; a file that cannot be made raises ExportError and leaves the old one (or none) in place.
// The spreadsheets' `notes`, when given, receive what the file could not hold as the list has it.
class GridExport
{
public:
    enum Format { Html, Xls, Xlsx, Csv, Pdf };

    static void toHtml(const GridModel &model, const QString &path, const QString &title = {});
    static void toXls(const GridModel &model, const QString &path, const QString &title = {}, ExportNotes *notes = nullptr);
    static void toXlsx(const GridModel &model, const QString &path, const QString &title = {}, ExportNotes *notes = nullptr);
    // RFC 4180 in UTF-8: the caption row, then what each cell shows, CR LF between records.
    static void toCsv(const GridModel &model, const QString &path);
    // What printing the grid puts on paper, as a PDF file, on the printer's page.
    static void toPdf(const GridModel &model, const QString &path, const QString &title = {});
    static void save(const GridModel &model, const QString &path, Format format, const QString &title = {},
                     ExportNotes *notes = nullptr);

    // The format a file name asks for by its suffix, else `otherwise`.
    static Format formatOfFile(const QString &path, Format otherwise);

    static std::vector<int> exportedColumns(const GridModel &model);
};
