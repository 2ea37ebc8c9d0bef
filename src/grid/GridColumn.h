#pragma once

#include <QString>

// One column of a grid, declared as data so a list window only lists its columns:
//   grid->setColumns({{.field = "CD_ID", .hidden = true},
//                     {.field = "ART_NAME", .caption = "Artist", .width = 94, .sort = GridColumn::Ascending}});
struct GridColumn {
    enum Kind { Text, CheckBox, Memo };
    enum Sort { Unsorted, Ascending, Descending };

    QString field; // the row source's field name
    QString caption;
    int width = 0; // pixels at design size; 0 takes an equal share. Columns stretch to the grid.
    Kind kind = Text;
    bool hidden = false;  // never shown, exported or printed, but readable by position
    Sort sort = Unsorted; // the grid starts sorted on the first column that sets this
};
