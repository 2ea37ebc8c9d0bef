#!/usr/bin/python3
"""Reads an exported list back with a reader that shares no code with the program, and prints what
it found as JSON on standard output.

    readsheet.py xls|xlsx|csv PATH        every cell, with what the format says about its looks
    readsheet.py count-xlsx|count-xls|count-csv PATH   only the sheets' names and row counts, for big files

A file the reader refuses ends the script with the reader's complaint on standard error and exit 1.
"""
import csv
import json
import re
import sys


def xstring(value):
    """A text as Excel reads it from the file: _xHHHH_ stands for the character HHHH, which is how
    the format carries control characters (and an underscore that would otherwise start one)."""
    if not isinstance(value, str):
        return value
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), value)


def read_xls(path, cells=True):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=cells, on_demand=not cells)
    sheets = []
    for index in range(book.nsheets):
        sheet = book.sheet_by_index(index)
        out = {"name": sheet.name, "rows": sheet.nrows,
               "selected": bool(sheet.sheet_selected), "shown": bool(sheet.sheet_visible)}
        if cells:
            values, wrap, bold = [], [], []
            for r in range(sheet.nrows):
                row, row_wrap, row_bold = [], [], []
                for c in range(sheet.ncols):
                    cell = sheet.cell(r, c)
                    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                        row.append(None)
                    elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                        row.append(bool(cell.value))
                    else:
                        row.append(cell.value)
                    xf = book.xf_list[sheet.cell_xf_index(r, c)]
                    row_wrap.append(bool(xf.alignment.text_wrapped))
                    # BIFF8 says bold by weight; the old bold bit is left unused.
                    row_bold.append(book.font_list[xf.font_index].weight >= 700)
                values.append(row)
                wrap.append(row_wrap)
                bold.append(row_bold)
            out["cells"] = values
            out["wrap"] = wrap
            out["bold"] = bold
            # Twips; only rows that have a ROW record with a height of their own.
            out["heights"] = {str(r): info.height for r, info in sheet.rowinfo_map.items()
                              if not info.has_default_height}
            out["widths"] = [sheet.computed_column_width(c) for c in range(sheet.ncols)]
        else:
            book.unload_sheet(index)
        sheets.append(out)
    return {"sheets": sheets}


def read_xlsx(path, cells=True):
    import openpyxl
    from openpyxl.utils import get_column_letter
    book = openpyxl.load_workbook(path, read_only=not cells)
    sheets = []
    for sheet in book.worksheets:
        if not cells:
            sheets.append({"name": sheet.title, "rows": sum(1 for _ in sheet.iter_rows(values_only=True))})
            continue
        values, wrap, bold = [], [], []
        for row in sheet.iter_rows():
            values.append([xstring(cell.value) for cell in row])
            wrap.append([bool(cell.alignment.wrap_text) for cell in row])
            bold.append([bool(cell.font.bold) for cell in row])
        heights = {str(r - 1): d.height for r, d in sheet.row_dimensions.items() if d.height is not None}
        widths = [sheet.column_dimensions[get_column_letter(c + 1)].width for c in range(sheet.max_column)]
        sheets.append({
            "name": sheet.title,
            "rows": sheet.max_row,
            "cells": values,
            "wrap": wrap,
            "bold": bold,
            "heights": heights,
            "widths": widths,
            "frozen": sheet.freeze_panes,
            "selected": bool(sheet.sheet_view.tabSelected),
        })
    return {"sheets": sheets}


def read_csv(path, cells=True):
    # Strict: a quote inside an unquoted field or an unfinished quoted field is an error.
    # A byte-order mark before the first caption marks the file as UTF-8 for spreadsheets.
    with open(path, newline="", encoding="utf-8-sig", errors="strict") as f:
        rows = list(csv.reader(f, strict=True))
    out = {"name": "", "rows": len(rows)}
    if cells:
        out["cells"] = rows
    return {"sheets": [out]}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    kind, path = sys.argv[1], sys.argv[2]
    cells = not kind.startswith("count-")
    reader = {"xls": read_xls, "xlsx": read_xlsx, "csv": read_csv}[kind.replace("count-", "")]
    try:
        result = reader(path, cells)
    except Exception as e:  # the reader's complaint is the test's finding
        sys.stderr.write("%s: %s\n" % (type(e).__name__, e))
        sys.exit(1)
    json.dump(result, sys.stdout, ensure_ascii=True)


if __name__ == "__main__":
    main()
