#!/usr/bin/env python3
"""Turns the raw results of scripts/bench.sh into one table of ratios.

    bench_report.py RESULTS_DIR [--write docs/performance.md]
    bench_report.py --callgrind CALLGRIND_OUT      (per-call instruction counts as JSON lines)

RESULTS_DIR holds what bench.sh left there: store_vs_inih.json (Google Benchmark, with
repetitions), optionally store_before_N.json and store_after_N.json (the store benchmark built
with an older store and with today's, run in turns),
wine.jsonl (bench_wine.py), callgrind.jsonl and meta.json. Every ratio is peer / Dialtick (or
Dialtick / floor for the running costs), from medians measured side by side in the same run.
"""

import argparse
import json
import re
import sys
from pathlib import Path

SIZES = ("10KiB", "100KiB", "1MiB")


# ----- reading -----------------------------------------------------------------------------

def gbench_medians(path):
    """{name: median real time in microseconds} of a Google Benchmark JSON file."""
    if not path.is_file():
        return {}
    data = json.loads(path.read_text())
    medians, plain = {}, {}
    for b in data.get("benchmarks", []):
        if b.get("error_occurred"):
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b.get("time_unit", "ns")]
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b["real_time"] * scale
        elif b.get("run_type") == "iteration":
            plain.setdefault(b["run_name"], []).append(b["real_time"] * scale)
    for name, values in plain.items():
        if name not in medians:
            values.sort()
            medians[name] = values[len(values) // 2]
    return medians


def gbench_turns(results, which):
    """{name: median real time in microseconds} over the files store_<which>_<n>.json."""
    values = {}
    for path in sorted(results.glob(f"store_{which}_*.json")):
        for name, value in gbench_medians(path).items():
            values.setdefault(name, []).append(value)
    return {name: sorted(v)[len(v) // 2] if len(v) % 2 else sum(sorted(v)[len(v) // 2 - 1:
            len(v) // 2 + 1]) / 2 for name, v in values.items()}


def jsonl(path):
    if not path.is_file():
        return []
    return [json.loads(line) for line in path.read_text().splitlines() if line.startswith("{")]


def callgrind_counts(path):
    """Inclusive instructions per call of every function called dt::bench::...Measured*, from
    the call arcs of a callgrind output file."""
    names, totals = {}, {}
    callee, pending = None, None
    for line in Path(path).read_text(errors="replace").splitlines():
        m = re.match(r"^(c?fn)=\((\d+)\)(?: (.*))?$", line)
        if m:
            if m.group(3):
                names[m.group(2)] = m.group(3)
            if m.group(1) == "cfn":
                callee = names.get(m.group(2), "")
            continue
        if line.startswith("calls="):
            pending = int(line[6:].split()[0])
            continue
        if pending is not None:
            parts = line.split()
            if callee and "Measured" in callee and len(parts) > 1:
                short = re.sub(r"^.*::", "", callee).rstrip("()")
                t = totals.setdefault(short, [0, 0])
                t[0] += pending
                t[1] += int(parts[1])
            pending = None
    return [{"bench": "callgrind", "function": f, "calls": c, "ir_per_call": round(ir / c)}
            for f, (c, ir) in sorted(totals.items()) if c]


# ----- formatting --------------------------------------------------------------------------

def num(value, unit=""):
    if value is None:
        return "n/a"
    if value >= 100:
        text = f"{value:,.0f}"
    elif value >= 10:
        text = f"{value:.1f}"
    else:
        text = f"{value:.2f}"
    return text + unit


def ratio(peer, ours):
    if peer is None or ours is None or ours == 0:
        return None
    return peer / ours


def rtext(value):
    return "n/a" if value is None else f"{value:.2f}x"


def table(header, rows):
    out = ["| " + " | ".join(header) + " |", "|" + "|".join("---" for _ in header) + "|"]
    out += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    return "\n".join(out)


class Report:
    def __init__(self, results):
        self.dir = results
        self.native = gbench_medians(results / "store_vs_inih.json")
        self.before = gbench_turns(results, "before")
        self.after = gbench_turns(results, "after")
        self.wine = jsonl(results / "wine.jsonl")
        self.callgrind = jsonl(results / "callgrind.jsonl")
        meta = results / "meta.json"
        self.meta = json.loads(meta.read_text()) if meta.is_file() else {}
        self.targets = []  # (what, met or None, detail)

    def target(self, what, met, detail):
        self.targets.append((what, met, detail))

    # 1. the store against inih
    def store_vs_inih(self):
        ops = [("load", [("inih_parse", "inih ini_parse"), ("INIReader", "inih INIReader")]),
               ("startup_reads", [("INIReader", "INIReader")]),
               ("load_and_startup_reads", [("INIReader", "INIReader")]),
               ("last_section_read", [("INIReader", "INIReader")]),
               ("set_save", [("inih", "inih + rewrite")]),
               ("delete_save", [("inih", "inih + rewrite")])]
        rows = []
        worst_load = None
        for op, peers in ops:
            for size in SIZES:
                ours = self.native.get(f"{op}/store/{size}")
                for key, label in peers:
                    peer = self.native.get(f"{op}/{key}/{size}")
                    r = ratio(peer, ours)
                    rows.append([op, size, num(ours), label, num(peer), rtext(r)])
                    if op == "load" and r is not None:
                        worst_load = r if worst_load is None else min(worst_load, r)
        if worst_load is not None:
            self.target("store load at least 3x faster than inih on every size",
                        worst_load >= 3, f"slowest ratio {worst_load:.2f}x")
        return table(["operation", "file", "store µs", "peer", "peer µs", "peer / store"], rows)

    def store_before_after(self):
        if not self.before:
            return None
        rows = []
        for op in ("load", "startup_reads", "load_and_startup_reads", "last_section_read",
                   "set_save", "delete_save"):
            for size in SIZES:
                name = f"{op}/store/{size}"
                old, new = self.before.get(name), self.after.get(name)
                rows.append([op, size, num(old), num(new), rtext(ratio(old, new))])
        return table(["operation", "file", "before µs", "after µs", "before / after"], rows)

    # 1. the store against the profile functions
    def store_vs_profile(self):
        got = {(r["op"], r["reader"], r["size"]): r["median_us"]
               for r in self.wine if r.get("bench") == "profile"}
        if not got:
            return None
        rows = []
        startup = []
        for op in ("load", "load_and_startup_reads", "startup_reads", "last_section_read",
                   "set_save", "delete_save"):
            for size in SIZES:
                ours = got.get((op, "store", size))
                peer = got.get((op, "profile", size))
                r = ratio(peer, ours)
                extra = ""
                if op == "set_save" and (op, "store_without_flush", size) in got:
                    extra = f"store without its flush: {num(got[(op, 'store_without_flush', size)])} µs"
                rows.append([op, size, num(ours), num(peer), rtext(r), extra])
                if op in ("load_and_startup_reads", "startup_reads") and r is not None:
                    startup.append((op, size, r))
        if startup:
            worst = min(startup, key=lambda t: t[2])
            self.target("start-up reads at least 10x faster than the profile functions",
                        worst[2] >= 10, f"slowest: {worst[0]} {worst[1]} {worst[2]:.1f}x")
        return table(["operation", "file", "store µs", "profile µs", "profile / store", "note"],
                     rows)

    # 2. the running program against the floor
    def running(self):
        runs = [r for r in self.wine if r.get("bench") == "running"]
        if not runs:
            return None
        rows = []
        for phase in ("idle", "connected"):
            got = {r["subject"]: r for r in runs if r["phase"] == phase}
            program, floor = got.get("program"), got.get("floor")
            if not program or not floor:
                continue
            imports, ras = got.get("floor+imports"), got.get("floor+imports+ras")
            label = phase if phase == "idle" else (
                "connected, counting" if program.get("counting") else "connected (NOT counting)")
            for metric, key, unit in (("CPU ms", "cpu_ms", ""), ("peak memory MiB", "peak_kib", "")):
                scale = 1 / 1024 if key == "peak_kib" else 1
                p, f = program[key] * scale, floor[key] * scale
                i = imports[key] * scale if imports else None
                q = ras[key] * scale if ras else None
                rows.append([label, f"{metric} in {program['seconds']:.0f} s", num(p), num(f),
                             rtext(ratio(p, f)), num(i), num(q),
                             rtext(ratio(p, q if key == "cpu_ms" else i))])
                self.target(f"{phase}: {metric.split()[0] if key == 'cpu_ms' else 'memory'} "
                            "within 1.2x of the floor", ratio(p, f) <= 1.2,
                            f"{ratio(p, f):.2f}x")
        return table(["state", "measure", "program", "floor", "program / floor",
                      "floor + imports", "floor + imports + RAS poll",
                      "program / (floor + what it cannot avoid)"], rows)

    # 3. start-up
    def startup(self):
        got = {r["subject"]: r for r in self.wine if r.get("bench") == "startup"}
        if "program" not in got or "floor" not in got:
            return None
        p, f = got["program"]["median_ms"], got["floor"]["median_ms"]
        i = got.get("floor+imports", {}).get("median_ms")
        self.target("start-up within 1.3x of the floor", ratio(p, f) <= 1.3, f"{ratio(p, f):.2f}x")
        return table(["runs", "program ms", "floor ms", "program / floor", "floor + imports ms",
                      "program / (floor + imports)"],
                     [[got["program"]["runs"], num(p), num(f), rtext(ratio(p, f)), num(i),
                       rtext(ratio(p, i))]])

    # 3. opening the Settings window
    def settings_window(self):
        got = {r["subject"]: r for r in self.wine if r.get("bench") == "settings_window"}
        if "program" not in got or "bare" not in got:
            return None
        p, b = got["program"]["median_ms"], got["bare"]["median_ms"]
        self.target("Settings window opening within 1.3x of a bare tabbed dialog",
                    ratio(p, b) <= 1.3, f"{ratio(p, b):.2f}x")
        return table(["runs", "program ms", "bare dialog ms", "program / bare",
                      "program fastest / slowest ms"],
                     [[got["program"]["runs"], num(p), num(b), rtext(ratio(p, b)),
                       f"{num(got['program']['min_ms'])} / {num(got['program']['max_ms'])}"]])

    # 4. the poll path
    def poll(self):
        if not self.callgrind:
            return None
        return table(["function (bench/bench_monitor_poll.cpp)", "calls", "instructions per call"],
                     [[r["function"], r["calls"], f"{r['ir_per_call']:,}"] for r in self.callgrind])

    # 5. repaints
    def repaints(self):
        rows = [r for r in self.wine if r.get("bench") == "repaints"]
        if not rows:
            return None
        r = rows[-1]
        if not r.get("available"):
            return f"Not measured: {r.get('reason')}"
        per_minute = 60 / r["seconds"]
        over = [f"{cell}: {c['paints']} paints for {c['changes']} changes"
                for cell, c in r["cells"].items() if c["paints"] > c["changes"]]
        self.target("repaints: no more cell paints than digit changes",
                    not over and r["paints"] <= r["changes"],
                    f"{r['paints']} paints, {r['changes']} changes"
                    + (f" (cells {'; '.join(over)})" if over else ""))
        self.target("no flicker: no erase or paint of the whole timer window while counting",
                    r["erases"] == 0 and r["window_paints"] == 0,
                    f"{r['erases']} erases, {r['window_paints']} paints")
        return table(["measured s", "cell text changes / min", "cell paints / min",
                      "paints / changes", "texts set / min", "whole-window erases",
                      "whole-window paints"],
                     [[r["seconds"], num(r["changes"] * per_minute),
                       num(r["paints"] * per_minute), rtext(ratio(r["paints"], r["changes"])),
                       num(r["text_sets"] * per_minute), r["erases"], r["window_paints"]]]) + \
            "\n\nPer cell (control id: paints / changes / texts set): " + ", ".join(
                f"{cell}: {c['paints']}/{c['changes']}/{c['sets']}" for cell, c in r["cells"].items()
                if c["paints"] or c["changes"] or c["sets"]) + "\n"

    def dll_memory(self):
        rows = [r for r in self.wine if r.get("bench") == "dll_memory"]
        base = next((r["peak_kib"] for r in rows if r["dll"] == "(none)"), None)
        if not rows or not base:
            return None
        return table(["DLL loaded by the floor", "peak MiB", "added MiB"],
                     [[r["dll"], num(r["peak_kib"] / 1024), num((r["peak_kib"] - base) / 1024)]
                      for r in rows])

    def render(self):
        parts = []
        sections = [
            ("Settings store against inih (native, µs per operation)", self.store_vs_inih()),
            ("Settings store before and after this change (native, the two builds in turns)",
             self.store_before_after()),
            ("Settings store against the profile functions (Wine, one process, µs per operation)",
             self.store_vs_profile()),
            ("Running program against the floor (Wine, side by side)", self.running()),
            ("What the program's system DLLs cost (Wine, the floor with one DLL loaded)",
             self.dll_memory()),
            ("Start-up to the timer window (Wine, medians)", self.startup()),
            ("Opening the Settings window (Wine, in turns, medians)", self.settings_window()),
            ("Poll path (callgrind, native)", self.poll()),
            ("Repaints while counting (Wine)", self.repaints()),
        ]
        for title, body in sections:
            if body:
                parts.append(f"### {title}\n\n{body}\n")
        if self.targets:
            rows = [[what, "met" if met else "NOT met", detail] for what, met, detail in self.targets]
            parts.append("### Targets\n\n" + table(["target", "result", "measured"], rows) + "\n")
        return "\n".join(parts)


DOC_HEAD = """# Performance

How Dialtick compares with what a Windows programmer would use instead, and with the least any
program of its kind must cost. Every number below was measured by one run of

    sudo bash scripts/bench.sh

which installs what is missing, builds the Release benchmarks, runs them all and rewrites this
file. `--before REV` also times the settings store of an older revision against today's, the two
builds in turns. `bash scripts/bench.sh --smoke` runs everything very briefly (a check that the
benchmarks still work; its numbers mean nothing and this file is left alone). The raw results of
every run stay in `build/perf-results/`.

## What is measured

- **Settings store against inih** (`bench/bench_store_vs_inih.cpp`, Google Benchmark, native):
  the same generated files (`bench/settings_corpus.h`: the program's own section, a run list, as
  many dial-up accounts as it takes, display and sound settings last) of 10 KiB, 100 KiB and
  1 MiB. *load*: the store's load with its normalisation; inih's bare parse (a handler that keeps
  nothing) and its C++ `INIReader` (keeps every value in a map). *startup_reads*: the 30 reads of
  a start-up on a reader already loaded and used; *load_and_startup_reads*: the load and the 30
  reads together, what start-up really pays (the store builds its table of sections on the first
  read after a load or after a section was added or removed). *last_section_read*: one key in the file's last section. *set_save* and
  *delete_save*: one change written to disk. inih cannot write, so its rows change the parsed
  copy and write the whole file as durably as the store does (new file, fsync, rename, fsync of
  the folder). Repetitions run interleaved at random; the table shows medians of wall time.
- **Settings store against the profile functions** (`bench/profile_bench/`, a 64-bit Windows
  program under Wine): `GetPrivateProfileStringA`/`GetPrivateProfileIntA`/
  `WritePrivateProfileStringA` and the program's own store compiled for Windows, back to back in
  every round, in alternating order; medians over the rounds. Wine keeps the last ten profile
  files parsed and reparses one only when its write time changed: *load* cycles through eleven
  copies so that every call finds its file uncached, as every call does on Windows; the read
  rows of the profile functions use a cached file, their best case.
- **Running program against the floor** (`bench/floor/`): the floor is a minimal Win32 program
  with one small window, one 500 ms `SetTimer` and an empty message loop. The program
  (`dist/win64/dialtick.exe`) and the floor run side by side in one Wine prefix for the same
  seconds, first idle (no line up; the floor's window hidden like the timer window), then with a
  simulated connection up and the program counting (the floor's window shown). CPU time is the
  sum of `/proc/<pid>/task/*/schedstat` over the Wine process that runs each program; peak
  memory is its `VmHWM`. Two more floors show what the program cannot avoid: the floor with the
  system DLLs the program imports loaded, and that with the same dial-up poll
  (`RasEnumConnectionsA` every tick, answered by the bench's dial-up simulator).
- **Start-up**: `startwatch.exe` (in `bench/floor/`) starts a program with `CreateProcess` and
  polls every millisecond for a top-level window of the new process with the given class: the
  timer window (`#32770`) for the program, the floor's window for the floor. Program and floor
  in turns, a warm-up of each first, medians.
- **Opening the Settings window** (`bench/settings_window/`, a 64-bit Windows program built from
  the program's own sources): the Settings window opened as the menu opens it, its four pages
  made, the accounts of the settings file listed, everything painted (`RedrawWindow` with
  `RDW_UPDATENOW`), against a bare dialog of the same frame and page templates that only makes
  the pages, inserts the tabs and shows the first page. The two in turns in one process, a
  warm-up of each first, medians; closing is not timed.
- **Poll path**: `bench/bench_monitor_poll.cpp` under callgrind; instructions per call of its
  measured functions, from callgrind's call arcs.
"""


def machine_text(meta):
    if not meta:
        return ""
    lines = ["## Machine and run", ""]
    for key, label in (("date", "Date"), ("cpu", "CPU"), ("cores", "Cores"), ("memory", "Memory"),
                       ("kernel", "Kernel"), ("wine", "Wine"), ("compiler", "Native compiler"),
                       ("mingw", "Windows compiler"), ("load_before", "Load average before"),
                       ("load_after", "Load average after"), ("options", "bench.sh options")):
        if meta.get(key):
            lines.append(f"- {label}: {meta[key]}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", nargs="?", type=Path)
    parser.add_argument("--write", type=Path, help="also write the performance document here")
    parser.add_argument("--notes", type=Path, help="text appended to the document")
    parser.add_argument("--callgrind", type=Path, help="print per-call counts of a callgrind file")
    args = parser.parse_args()
    if args.callgrind:
        for record in callgrind_counts(args.callgrind):
            print(json.dumps(record))
        return
    if not args.results:
        parser.error("RESULTS_DIR is needed")
    report = Report(args.results)
    body = report.render()
    print(body)
    if args.write:
        notes = args.notes.read_text() if args.notes and args.notes.is_file() else ""
        doc = "\n".join([DOC_HEAD, machine_text(report.meta), "## Results\n", body, notes])
        args.write.write_text(doc.rstrip() + "\n")
        print(f"written: {args.write}", file=sys.stderr)


if __name__ == "__main__":
    main()
