#!/usr/bin/env python3
"""Checks that both Windows builds exist, are GUI programs of the right machine, and import only
Windows system DLLs (the runtime is linked statically)."""
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "ole32.dll", "oleaut32.dll", "advapi32.dll", "version.dll", "winmm.dll", "rasapi32.dll",
    "msvcrt.dll", "shlwapi.dll", "uxtheme.dll",
}
EXPECTED = {"win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
            "win32": ("i686-w64-mingw32-objdump", "pei-i386")}


def check(dist, variant):
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
    dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", out.stdout)}
    for dll in sorted(dlls - SYSTEM_DLLS):
        problems.append(f"{exe}: imports {dll}, which Windows does not ship")
    print(f"{exe}: {fmt}, imports {', '.join(sorted(dlls))}")
    return problems


def main():
    dist = sys.argv[1]
    problems = check(dist, "win64") + check(dist, "win32")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
