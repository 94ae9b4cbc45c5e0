#!/usr/bin/env python3
"""Checks that both Windows builds exist, are GUI programs of the right machine, and import only
functions that the oldest Windows each build is for exports (scripts/allowed_imports.txt)."""
import os
import re
import subprocess
import sys

ALLOWED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_imports.txt")
EXPECTED = {"win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
            "win32": ("i686-w64-mingw32-objdump", "pei-i386")}
BUILDS = {"both": ("win32", "win64"), "win32": ("win32",), "win64": ("win64",)}
# A table read as empty would pass everything: these must always be there.
ALWAYS_IMPORTED = ("kernel32.dll", "user32.dll", "msvcrt.dll")


def load_allowed(path):
    """{variant: {dll: set of functions}} and the problems found in the list itself."""
    allowed = {v: {} for v in EXPECTED}
    problems, seen = [], set()
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 4 or fields[2] not in BUILDS:
                problems.append(f"{path}:{number}: expected 'dll function builds source'")
                continue
            dll, function, builds, _source = fields
            dll = dll.lower()
            if (dll, function) in seen:
                problems.append(f"{path}:{number}: {dll} {function} listed twice")
            seen.add((dll, function))
            for variant in BUILDS[builds]:
                allowed[variant].setdefault(dll, set()).add(function)
    return allowed, problems


def read_imports(text):
    """{dll: [function, or '#ordinal' for an import by ordinal]} from `objdump -p` output."""
    imports, dll = {}, None
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            imports.setdefault(dll, [])
        elif dll and not line.strip():
            dll = None  # a DLL's entries end at the first blank line
        elif dll:
            m = re.match(r"\s*[0-9a-fA-F]+\s+(\d+)\s+(\S+)", line)
            if m:
                imports[dll].append("#" + m.group(1) if m.group(2) == "<none>" else m.group(2))
    return imports


def check(dist, variant, allowed):
    objdump, fmt = EXPECTED[variant]
    exe = f"{dist}/{variant}/dialtick.exe"
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True)
    if out.returncode != 0:
        return [f"{exe}: cannot be read: {out.stderr.strip()}"]
    problems = []
    if f"file format {fmt}" not in out.stdout:
        problems.append(f"{exe}: not {fmt}")
    if not re.search(r"Subsystem\s+00000002", out.stdout):
        problems.append(f"{exe}: not a GUI program")
    imports = read_imports(out.stdout)
    for dll in ALWAYS_IMPORTED:
        if not imports.get(dll):
            problems.append(f"{exe}: no imports read from {dll}; the import table was not parsed")
    for dll in sorted(imports):
        for function in imports[dll]:
            if function not in allowed[variant].get(dll, ()):
                problems.append(f"{exe}: imports {dll} {function}, which is not allowed for "
                                f"{variant} in {os.path.basename(ALLOWED)}")
        print(f"{exe}: {dll} ({len(imports[dll])}): {' '.join(sorted(imports[dll]))}")
    return problems


def main():
    dist = sys.argv[1]
    allowed, problems = load_allowed(ALLOWED)
    for variant in ("win64", "win32"):
        problems += check(dist, variant, allowed)
    for p in problems:
        print(p)
    print(f"{len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
