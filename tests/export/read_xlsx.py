"""Prints what a spreadsheet reader finds in an .xlsx file, as JSON: the first sheet's name, its frozen
cell, the column widths and every cell's value (typed), number format and boldness."""
import datetime
import json
import sys

import openpyxl


def value(cell):
    v = cell.value
    if v is None:
        return None
    if isinstance(v, datetime.datetime):
        return "date:" + v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, bool):
        return "bool:" + str(v)
    if isinstance(v, (int, float)):
        return "number:" + repr(float(v))
    return "text:" + str(v)


book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
print(json.dumps({
    "sheet": sheet.title,
    "freeze": sheet.freeze_panes,
    "widths": {k: d.width for k, d in sheet.column_dimensions.items() if d.width},
    "rows": [[{"v": value(c), "f": c.number_format, "b": bool(c.font and c.font.b)} for c in row]
             for row in sheet.iter_rows()],
}, ensure_ascii=False))
