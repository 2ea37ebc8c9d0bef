#pragma once

#include <QString>
#include <QVariant>

#include <functional>

// A column of a table written as a spreadsheet, as both spreadsheet formats take it.
struct SheetColumn {
    QString caption;
    int widthPx = 0;
    bool wrap = false; // multi-line text
    bool flag = false; // a boolean cell, whatever the value's type, where the format has booleans
};

// The value of a cell of the table, by row (from 0, the caption row not counted) and column.
using SheetCell = std::function<QVariant(int row, int column)>;
