#!/usr/bin/python3
# Writes tests/platform/data/lineup.xls, the binary workbook the spreadsheet
# reader's tests read. Run once by hand (needs Debian's python3-xlwt); the
# file is kept in the repository, so builds and tests do not need this.
import datetime
import os
import xlwt

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "..", "tests", "platform", "data", "lineup.xls")

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Sostav")
rows = [
    ["+", "Nr.", "Surname", "Position", "Photo"],
    [1, 7, "Иванов", "Goalkeeper", "ivanov.jpg"],
    [0, 1.5, "Smith", "Defender", ""],
    [1, "", "after the stop", "", ""],
]
for r, row in enumerate(rows):
    for c, v in enumerate(row):
        sheet.write(r, c, v)
sheet.write(1, 5, datetime.date(1990, 5, 17), xlwt.easyxf(num_format_str="DD.MM.YYYY"))
sheet.write(2, 5, True)
book.add_sheet("Other").write(0, 0, "not the first sheet")
book.save(out)
