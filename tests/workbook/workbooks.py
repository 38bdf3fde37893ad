#!/usr/bin/env python3
"""Writes and reads back workbooks for the workbook tests, with openpyxl and xlwt.

Runs as a server: one JSON request per line on stdin, one JSON reply per line on stdout.
  {"op": "make", "kind": "list" | "list_xls" | "styled_xls" | "rows" | "huge", "path": ...,
   "rows": n}
  {"op": "insert_row", "path": ..., "row": r}  inserts an empty row before 0-based row r
  {"op": "set", "path": ..., "cells": {"CV3": 2, ...}}  writes cells of the first sheet
  {"op": "cells", "path": ..., "sheet": 0}   -> {"cells": {"A1": value, ...}}
  {"op": "compare", "before": ..., "after": ..., "changed": ["CV3", ...]}
      -> {"differences": [...]}: every cell, style, sheet, row height, merged range and
         defined name of both books, except the cells listed for the first sheet
  {"op": "members", "path": ...} -> {"members": {name: [method, crc, sha256 of raw bytes]}}
  {"op": "describe", "path": ...} -> {"items": {...}}: what "compare" looks at, with each
      value's type
Failures reply {"error": text}.
"""
import datetime
import hashlib
import json
import struct
import sys
import zipfile

import openpyxl
from openpyxl.styles import Alignment, Font, PatternFill
from openpyxl.workbook.defined_name import DefinedName


def make_list(path):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "名单"
    rows = [
        ["姓名", "电话", "备注列", "日期"],
        ["张三", 13800138000, "普通", datetime.datetime(2016, 3, 5, 9, 7)],
        ["李四", "010-12345678", None, None],
        ["王五", None, "没有号码", None],
        ["欧阳某某某某某某", 13900139000, None, None],
        ["黑名单的人", "15000000000", None, None],
        [12345, 18612345678, None, None],
    ]
    for row in rows:
        sheet.append(row)
    sheet["E2"] = "=LEN(A2)"
    sheet["C1"].font = Font(bold=True, color="FF0000")
    sheet["C2"].fill = PatternFill("solid", fgColor="FFFF00")
    sheet["D2"].number_format = "yyyy-mm-dd hh:mm"
    sheet["B3"].alignment = Alignment(horizontal="center")
    sheet.merge_cells("F1:G1")
    sheet["F1"] = "合并"
    sheet.row_dimensions[3].height = 30
    sheet.column_dimensions["A"].width = 20
    # Outcomes written earlier: status 2 and a remark on row 5, status 4 on row 6.
    sheet["CV5"] = 2
    sheet["CW5"] = "回头再打"
    sheet["CV6"] = 4
    sheet["CW6"] = "这是一条超过十二个字符的很长的备注"
    sheet["CV7"] = -3
    other = book.create_sheet("其他")
    other["A1"] = "别的表"
    other["B2"] = 42
    book.defined_names.append(DefinedName("ListRange", attr_text="'名单'!$A$1:$B$7"))
    book.save(path)


def make_list_xls(path):
    import xlwt

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("名单")
    rows = [
        ["姓名", "电话"],
        ["张三", 13800138000.0],
        ["李四", "010-12345678"],
        ["王五", None],
        ["赵六", 13900139000.0],
    ]
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is not None:
                sheet.write(r, c, value)
    book.add_sheet("其他").write(0, 0, "别的表")
    book.save(path)


def make_styled_xls(path):
    """A call list as offices keep them: a merged and bold title over a filled header, numbers
    stored every way, dates with their formats, and a second sheet."""
    import xlwt

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("客户")
    title = xlwt.easyxf("font: bold on; align: horiz center")
    header = xlwt.easyxf("font: bold on; pattern: pattern solid, fore_colour yellow")
    day = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    moment = xlwt.easyxf(num_format_str="YYYY-MM-DD HH:MM:SS")
    sheet.write_merge(0, 0, 0, 3, "二月客户回访", title)
    for c, text in enumerate(["姓名", "电话", "签约日期", "上次联系"]):
        sheet.write(1, c, text, header)
    rows = [
        ["张三", "13600000021.0", datetime.date(2016, 3, 5), datetime.datetime(2016, 3, 5, 9, 7)],
        ["李四", "136-0000-0028", datetime.date(2017, 12, 31), None],
        ["王五", 13800138000.0, None, None],
    ]
    for r, row in enumerate(rows, start=2):
        for c, value in enumerate(row):
            if value is None:
                continue
            style = day if c == 2 else moment if c == 3 else xlwt.Style.default_style
            sheet.write(r, c, value, style)
    other = book.add_sheet("统计")
    other.write_merge(0, 1, 0, 1, "合计")
    other.write(2, 0, 42)
    book.save(path)


def make_rows(path, count):
    book = openpyxl.Workbook(write_only=True)
    sheet = book.create_sheet("名单")
    sheet.append(["姓名", "电话", "地址"])
    for i in range(1, count):
        sheet.append(["联系人%d" % i, 13800000000 + i, "某市某区某路%d号" % i])
    book.save(path)


def make_huge(path, rows):
    """A sheet of `rows` rows with one number each, written directly (openpyxl is too slow)."""
    parts = {
        "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>',
        "_rels/.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>',
    }
    body = "".join('<row r="%d"><c r="B%d"><v>%d</v></c></row>' % (r, r, 13800000000 + r)
                   for r in range(1, rows + 1))
    parts["xl/worksheets/sheet1.xml"] = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
                                         + body + "</sheetData></worksheet>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, text in parts.items():
            package.writestr(name, text)


def plain(value):
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        return value.isoformat()
    return value


def cells(path, index):
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[index]
    return {cell.coordinate: plain(cell.value)
            for row in sheet.iter_rows() for cell in row if cell.value is not None}


def describe(book):
    """Everything the comparison looks at, keyed by a readable name."""
    items = {"sheets": [sheet.title for sheet in book.worksheets],
             "names": sorted((n.name, n.attr_text) for n in book.defined_names.definedName)}
    for i, sheet in enumerate(book.worksheets):
        items["merged %d" % i] = sorted(str(r) for r in sheet.merged_cells.ranges)
        items["heights %d" % i] = {k: v.height for k, v in sheet.row_dimensions.items()
                                   if v.height is not None}
        items["widths %d" % i] = {k: v.width for k, v in sheet.column_dimensions.items()
                                  if v.width is not None}
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None and not cell.has_style:
                    continue
                items["%d!%s" % (i, cell.coordinate)] = [
                    plain(cell.value), cell.number_format, cell.font.b,
                    cell.font.color.rgb if cell.font.color is not None else None,
                    cell.fill.fgColor.rgb, cell.alignment.horizontal]
    return items


def compare(before, after, changed):
    old = describe(openpyxl.load_workbook(before))
    new = describe(openpyxl.load_workbook(after))
    skip = {"0!" + ref for ref in changed}
    differences = []
    for key in sorted(set(old) | set(new)):
        if key in skip:
            continue
        if old.get(key) != new.get(key):
            differences.append("%s: %r -> %r" % (key, old.get(key), new.get(key)))
    return differences


def members(path):
    result = {}
    with zipfile.ZipFile(path) as package, open(path, "rb") as raw:
        for info in package.infolist():
            raw.seek(info.header_offset)
            header = raw.read(30)
            name_length, extra_length = struct.unpack("<HH", header[26:30])
            raw.seek(info.header_offset + 30 + name_length + extra_length)
            data = raw.read(info.compress_size)
            result[info.filename] = [info.compress_type, info.CRC,
                                     hashlib.sha256(data).hexdigest()]
    return result


def handle(request):
    op = request["op"]
    if op == "make":
        kind = request["kind"]
        if kind == "list":
            make_list(request["path"])
        elif kind == "list_xls":
            make_list_xls(request["path"])
        elif kind == "styled_xls":
            make_styled_xls(request["path"])
        elif kind == "rows":
            make_rows(request["path"], request["rows"])
        elif kind == "huge":
            make_huge(request["path"], request["rows"])
        else:
            raise ValueError("unknown kind " + kind)
        return {"ok": True}
    if op == "insert_row":
        book = openpyxl.load_workbook(request["path"])
        book.worksheets[0].insert_rows(request["row"] + 1)
        book.save(request["path"])
        return {"ok": True}
    if op == "set":
        book = openpyxl.load_workbook(request["path"])
        for name, value in request["cells"].items():
            book.worksheets[0][name] = value
        book.save(request["path"])
        return {"ok": True}
    if op == "cells":
        return {"cells": cells(request["path"], request.get("sheet", 0))}
    if op == "compare":
        return {"differences": compare(request["before"], request["after"], request["changed"])}
    if op == "members":
        return {"members": members(request["path"])}
    if op == "describe":
        book = openpyxl.load_workbook(request["path"])
        items = describe(book)
        for i, sheet in enumerate(book.worksheets):
            for row in sheet.iter_rows():
                for cell in row:
                    if cell.value is not None:
                        items["type %d!%s" % (i, cell.coordinate)] = type(cell.value).__name__
        return {"items": items}
    raise ValueError("unknown op " + op)


def main():
    for line in sys.stdin:
        try:
            reply = handle(json.loads(line))
        except Exception as error:  # every failure goes back to the test as text
            reply = {"error": "%s: %s" % (type(error).__name__, error)}
        sys.stdout.write(json.dumps(reply, ensure_ascii=False) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
