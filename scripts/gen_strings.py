#!/usr/bin/env python3
"""Turns the string table of the resource script into a C++ table for the native build."""
import re
import sys

ids_path, rc_path, out_path = sys.argv[1:4]
ids = {}
for line in open(ids_path, encoding="cp1252"):
    m = re.match(r"#define\s+(IDS_\w+)\s+(\d+)", line)
    if m:
        ids[m.group(1)] = int(m.group(2))
rows = []
for line in open(rc_path, encoding="cp1252"):
    m = re.match(r'\s+(IDS_\w+)\s+"(.*)"\s*$', line)
    if m:
        text = m.group(2).replace('""', '\\"')
        rows.append('    {%d, "%s"},' % (ids[m.group(1)], text))
with open(out_path, "w", encoding="cp1252") as out:
    out.write("// Generated from the string table; do not edit.\n")
    out.write('#include "app/string_table.h"\n\nnamespace dt {\n')
    out.write("const StringTableRow kStringTable[] = {\n%s\n};\n" % "\n".join(rows))
    out.write("const int kStringTableSize = %d;\n}  // namespace dt\n" % len(rows))
