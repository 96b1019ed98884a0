#!/usr/bin/env python3
"""The same work in Python's csv module: parse, numeric sort, filter, write."""
import csv
import io

with open("bench-table.csv", encoding="cp932", newline="") as f:
    rows = list(csv.reader(f))
header, body = rows[0], rows[1:]
body.sort(key=lambda r: float(r[3]))
kept = [header] + [r for r in body if r[2] == "A" and float(r[3]) >= 50000]
out = io.StringIO()
csv.writer(out, lineterminator="\r\n").writerows(kept)
with open("bench-out-py.csv", "w", encoding="cp932", newline="") as f:
    f.write(out.getvalue())
print(out.getvalue().count("\r\n"))
