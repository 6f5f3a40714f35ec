"""Dumps a workbook as the real readers see it, one tab-separated line per fact:
sheet NAME ROWS COLS / cell SHEET ROW COL TYPE VALUE / width SHEET COL WIDTH.
Usage: read_workbook.py PATH xlrd|openpyxl [widths]"""
import datetime
import sys

sys.stdout.reconfigure(encoding="utf-8")
path, reader = sys.argv[1], sys.argv[2]
want_widths = len(sys.argv) > 3 and sys.argv[3] == "widths"


def esc(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def num(v):
    v = float(v)
    return str(int(v)) if v.is_integer() and abs(v) < 1e15 else repr(v)


def emit(si, r, c, kind, value):
    print("cell", si, r, c, kind, value, sep="\t")


if reader == "xlrd":
    import xlrd

    is_xls = path.lower().endswith(".xls")
    book = xlrd.open_workbook(path, formatting_info=is_xls and want_widths, on_demand=True)
    for si in range(book.nsheets):
        sh = book.sheet_by_index(si)
        print("sheet", sh.name, sh.nrows, sh.ncols, sep="\t")
        for r in range(sh.nrows):
            for c, cell in enumerate(sh.row(r)):
                t = cell.ctype
                if t == xlrd.XL_CELL_TEXT:
                    emit(si, r, c, "text", esc(cell.value))
                elif t == xlrd.XL_CELL_NUMBER:
                    emit(si, r, c, "number", num(cell.value))
                elif t == xlrd.XL_CELL_DATE:
                    d = xlrd.xldate_as_datetime(cell.value, book.datemode)
                    emit(si, r, c, "date", d.strftime("%H:%M:%S") if cell.value < 1
                         else d.isoformat(" "))
                elif t == xlrd.XL_CELL_BOOLEAN:
                    emit(si, r, c, "bool", "TRUE" if cell.value else "FALSE")
                elif t not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    emit(si, r, c, "other", repr(cell.value))
        if want_widths and is_xls:
            for c, info in sorted(sh.colinfo_map.items()):
                print("width", si, c, info.width, sep="\t")
        book.unload_sheet(si)
else:
    import openpyxl
    from openpyxl.utils import column_index_from_string

    book = openpyxl.load_workbook(path, read_only=not want_widths)
    for si, ws in enumerate(book.worksheets):
        rows = list(ws.iter_rows())
        ncols = max((len(r) for r in rows), default=0)
        print("sheet", ws.title, len(rows), ncols, sep="\t")
        for r, row in enumerate(rows):
            for c, cell in enumerate(row):
                v = cell.value
                if v is None:
                    continue
                if isinstance(v, bool):
                    emit(si, r, c, "bool", "TRUE" if v else "FALSE")
                elif isinstance(v, (int, float)):
                    emit(si, r, c, "number", num(v))
                elif isinstance(v, datetime.datetime):
                    emit(si, r, c, "date", v.isoformat(" "))
                elif isinstance(v, datetime.time):
                    emit(si, r, c, "date", v.strftime("%H:%M:%S"))
                elif isinstance(v, str):
                    emit(si, r, c, "text", esc(v))
                else:
                    emit(si, r, c, "other", repr(v))
        if want_widths:
            for letter, dim in sorted(ws.column_dimensions.items()):
                if dim.width:
                    print("width", si, column_index_from_string(letter) - 1, dim.width, sep="\t")
