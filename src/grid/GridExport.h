#pragma once

#include <QString>

#include <functional>
#include <vector>

class GridModel;

// Writes a grid's rows to a file: every row in the grid's order, also rows inside collapsed groups,
// and every column but the hidden ones, grouped columns included. The file is replaced only once it
// is whole; a file that cannot be made raises ExportError and leaves the old one (or none) in place.
//
// A long export tells `progress` how many rows it has written, every few hundred rows; an answer of
// false stops it, and the file is then left as it was (or not made). Both answer whether they wrote.
class GridExport
{
public:
    using Progress = std::function<bool(int rowsDone, int rowTotal)>;
    static constexpr int ProgressEveryRows = 256;

    static bool toHtml(const GridModel &model, const QString &path, const QString &title = {}, const Progress &progress = {});
    static bool toXls(const GridModel &model, const QString &path, const QString &title = {}, const Progress &progress = {});

    static std::vector<int> exportedColumns(const GridModel &model);
};
