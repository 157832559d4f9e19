#!/usr/bin/env python3
"""Reads a communications-log CSV file with Python's csv module, the way a spreadsheet import
would, and prints what it found: "BOM" or "NOBOM", then one line per record with each field's
UTF-8 bytes in hex, fields separated by blanks (an empty field prints as "-")."""
import csv
import sys

with open(sys.argv[1], "rb") as f:
    raw = f.read()
print("BOM" if raw.startswith(b"\xef\xbb\xbf") else "NOBOM")
with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    for record in csv.reader(f, strict=True):
        print(" ".join(field.encode("utf-8").hex() or "-" for field in record))
