#pragma once

#include <QString>

#include <vector>

class GridModel;

// Writes a grid's rows to a file: every row in the grid's order, also rows inside collapsed groups,
// and every column but the hidden ones, grouped columns included. The file is replaced only once it
// is whole; a file that cannot be made raises ExportError and leaves the old one (or none) in place.
class GridExport
{
public:
    static void toHtml(const GridModel &model, const QString &path, const QString &title = {});
    static void toXls(const GridModel &model, const QString &path, const QString &title = {});

    static std::vector<int> exportedColumns(const GridModel &model);
};
