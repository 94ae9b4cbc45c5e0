#!/usr/bin/env python3
"""Counts the non-blank lines of the tracked code and the share of them that are tests.

Code is every tracked .c .cpp .h .rc .py .sh .cmake file and CMakeLists.txt; a test is a file under
tests/ or one whose name starts with test_ or has _test before its extension. Prints the totals;
with --files also each file's count. Exits 1 when tests exceed the limit (default one third).
"""
import argparse
import os
import signal
import subprocess
import sys

CODE_EXTENSIONS = (".c", ".cpp", ".h", ".rc", ".py", ".sh", ".cmake")


def is_code(path):
    return path.endswith(CODE_EXTENSIONS) or os.path.basename(path) == "CMakeLists.txt"


def is_test(path):
    name = os.path.basename(path)
    stem = name.split(".", 1)[0]
    return path.startswith("tests/") or name.startswith("test_") or stem.endswith("_test")


def git(*args):
    return subprocess.check_output(["git", *args])


def counts_at(rev):
    """{path: non-blank lines} of the code files at a revision, or in the work tree."""
    if rev:
        paths = git("ls-tree", "-r", "-z", "--name-only", rev).decode().split("\0")
        read = lambda p: git("show", f"{rev}:{p}")  # noqa: E731
    else:
        paths = [p for p in git("ls-files", "-z").decode().split("\0") if os.path.isfile(p)]
        read = lambda p: open(p, "rb").read()  # noqa: E731
    return {p: sum(1 for line in read(p).splitlines() if line.strip())
            for p in paths if p and is_code(p)}


def main():
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rev", help="count a commit instead of the work tree's tracked files")
    parser.add_argument("--files", action="store_true", help="list every file's count")
    parser.add_argument("--limit", type=float, default=1 / 3, help="largest test share allowed")
    args = parser.parse_args()

    os.chdir(git("rev-parse", "--show-toplevel").decode().strip())
    counts = counts_at(args.rev)
    tests = sum(n for p, n in counts.items() if is_test(p))
    total = sum(counts.values())
    if args.files:
        for path in sorted(counts, key=lambda p: (not is_test(p), -counts[p])):
            print(f"{counts[path]:6d} {'test' if is_test(path) else 'code'} {path}")
    share = tests / total if total else 0.0
    print(f"tests {tests} of {total} non-blank lines: {share:.1%} (limit {args.limit:.1%})")
    return 0 if share <= args.limit else 1


if __name__ == "__main__":
    sys.exit(main())
