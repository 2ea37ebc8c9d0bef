#pragma once

#include <QString>

class GridModel;
class QPrinter;

// Prints a grid's rows as a table: every row in grid order, the shown columns scaled to the page
// width, with grid lines and column headers on every page, the report title above the table on the
// first page, and a header and footer band on each page (title and date; page numbers).
class GridPrinter
{
public:
    GridPrinter(const GridModel &model, QString title);

    // A4 portrait, 12.7 mm margins all round.
    static void setupPage(QPrinter &printer);
    void print(QPrinter *printer) const;

    static constexpr double MarginMm = 12.7;
    static constexpr double BandMm = 6.35;
    static QString bodyFamily() { return QStringLiteral("Times New Roman"); }
    static QString bandFamily() { return QStringLiteral("Tahoma"); }

private:
    const GridModel &m_model;
    QString m_title;
};
