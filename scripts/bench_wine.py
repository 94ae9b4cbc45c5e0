#!/usr/bin/env python3
"""Runs the Windows-side benchmarks under Wine and prints their results as JSON lines.

    bench_wine.py --bench-dir DIR [--seconds 60] [--startup-runs 9] [--profile-rounds 15]
                  [--settings-rounds 25] [--only profile,startup,running,repaints,dlls,settings]
                  [--smoke]

DIR holds profile_bench.exe, floor.exe, startwatch.exe and bench_settings_window.exe (and
paintwatch.dll when built). The
program is dist/win64/dialtick.exe. Everything runs in one sandbox of the end-to-end test rig
(tests/e2e/rig.py): its Wine prefix, its X display, the dial-up simulator beside the program.

- profile: profile_bench.exe, the store against the profile functions in one process.
- startup: launch to timer window, the program and the floor in turns, medians.
- running: the program and the floor side by side for the same seconds, idle and then with a
  simulated connection: CPU time (schedstat of every thread of the Wine process) and peak
  memory (VmHWM) of each Windows process.
- repaints: with paintwatch.dll in the program, the paints of the bottom-row cells per minute
  against the changes of their texts.
- dlls: the floor's peak memory with each system DLL the program imports loaded.
- settings: opening the Settings window (its four pages made and painted) against a bare tabbed
  dialog of the same templates, in turns in one process (bench_settings_window.exe).
"""

import argparse
import json
import os
import shutil
import statistics
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
os.environ.setdefault("DT_DIST", str(ROOT / "dist"))
os.environ.setdefault("DT_BUILD", str(ROOT / "build" / "perf-wine"))
import rig  # noqa: E402
from timerwin_helpers import BOTTOM_ROW, NAME_CELL  # noqa: E402

ACCOUNT = "Home Broadband"


def emit(record):
    print(json.dumps(record), flush=True)


def settings_text():
    """A settings file as after some use: display and sound settings, a few accounts."""
    sections = {
        "Dialtick": {"Icon": 1, "Constrain": 1, "XPos": 900, "YPos": 40, "Last": ACCOUNT},
        "Colours": {"OKText": 65280, "OKBack": 0, "WarnText": 255, "WarnBack": 0,
                    "OffText": 65535, "OffBack": 0},
        "Font": {"Face": "Tahoma", "Size": 10, "Bold": 1, "Italic": 0},
        "Sound": {"Play": 0}, "WarnSound": {"Play": 0},
        ACCOUNT: {"Timer": 4000, "Warning": 360000, "EnableWarning": 0, "CountDirection": 0,
                  "ResetOption": 0},
    }
    for n in range(1, 6):
        sections[f"Provider {n} Dial-Up"] = {"Timer": 1000 * n, "Warning": 3300,
                                             "EnableWarning": 1}
    lines = []
    for name, keys in sections.items():
        lines.append(f"[{name}]")
        lines += [f"{k}={v}" for k, v in keys.items()]
    return "\r\n".join(lines)


# ----- Linux side of a Windows process -----------------------------------------------------

def linux_pid(cmdline, prefix):
    """The Linux pid of the Wine process started with this Windows command line in this
    prefix (Wine shows the Windows command line as the process's arguments)."""
    want = cmdline.replace('"', "").split()
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            args = (entry / "cmdline").read_bytes().decode(errors="replace").split("\0")
            if [a for a in " ".join(args).split() if a] != want:
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            found.append(int(entry.name))
    if len(found) != 1:
        raise rig.RigError(f"expected one Linux process for {cmdline}, found {found}")
    return found[0]


def cpu_ns(pid):
    """On-CPU time of all live threads of a process, in nanoseconds."""
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            total += int((task / "schedstat").read_text().split()[0])
        except (OSError, ValueError, IndexError):
            pass
    return total


def cpu_ticks_ms(pid):
    """utime + stime of the process, in ms (10 ms resolution; a cross-check)."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")


def memory_kib(pid):
    values = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        key, _, rest = line.partition(":")
        if key in ("VmHWM", "VmRSS"):
            values[key] = int(rest.split()[0])
    return values


# ----- the sandbox -------------------------------------------------------------------------

class PerfSandbox:
    def __init__(self, bench_dir):
        self.sb = rig.Sandbox("perf")
        for name in ("profile_bench.exe", "floor.exe", "startwatch.exe", "paintwatch.exe",
                     "paintwatch.dll", "bench_settings_window.exe"):
            if (bench_dir / name).is_file():
                shutil.copy2(bench_dir / name, self.sb.app / name)
        self.sb.set_entries([ACCOUNT, "Provider 1 Dial-Up"])
        self.prefix = str(rig.PREFIX)
        # Left over in this prefix by an interrupted run.
        for exe in ("floor.exe", "dialtick.exe"):
            for p in self.sb.probe("procs", "--name", exe)["processes"]:
                self.kill(p["pid"], exe)

    def close(self):
        self.sb.close()

    def write_settings(self):
        self.sb.ini_path.write_bytes(settings_text().encode(rig.ANSI))

    def program_cmdline(self):
        return f'dialtick.exe /ini:"{rig.win_path(self.sb.ini_path)}"'

    def kill(self, pid, exe):
        self.sb.probe("kill", pid, check=False)
        self.sb.wait_until(
            lambda: not any(p["pid"] == pid for p in
                            self.sb.probe("procs", "--name", exe)["processes"]),
            timeout=20, message=f"{exe} ended")

    def watch_start(self, cmdline, cls):
        out = self.sb.tool("startwatch.exe", "--class", cls, "--cwd", rig.win_path(self.sb.app),
                           "--hex", cmdline.encode(rig.ANSI).hex(), timeout=90).stdout
        answer = json.loads(out.decode(rig.ANSI).strip().splitlines()[-1])
        if answer["ms"] is None:
            raise rig.RigError(f"no {cls} window from {cmdline}")
        return answer["ms"], answer["pid"]


# ----- the benchmarks ----------------------------------------------------------------------

def run_profile(ps, rounds, smoke):
    folder = ps.sb.root / "profile"
    folder.mkdir()
    args = ["--dir", rig.win_path(folder)] + (["--smoke"] if smoke else ["--rounds", rounds])
    out = ps.sb.tool("profile_bench.exe", *args, timeout=3600).stdout.decode(rig.ANSI)
    for line in out.splitlines():
        if line.startswith("{"):
            emit(json.loads(line))


# The floor and, to tell the program's own cost from what it cannot avoid, the floor with the
# program's system DLLs loaded and with the same dial-up poll.
FLOORS = {
    "floor": "floor.exe /hidden",
    "floor+imports": "floor.exe /hidden /imports",
    "floor+imports+ras": "floor.exe /hidden /imports /ras",
}


def run_startup(ps, runs):
    """The program and the floors in turns, first a warm-up of each that is not counted."""
    subjects = {"program": (ps.program_cmdline(), "#32770", "dialtick.exe")}
    for name in ("floor", "floor+imports"):
        subjects[name] = (FLOORS[name], "DialtickFloor", "floor.exe")
    times = {name: [] for name in subjects}
    for run in range(runs + 1):
        order = list(subjects)
        if run % 2:
            order.reverse()
        for name in order:
            cmdline, cls, exe = subjects[name]
            ps.write_settings()
            ms, pid = ps.watch_start(cmdline, cls)
            ps.kill(pid, exe)
            if run > 0:
                times[name].append(ms)
    for name, values in times.items():
        emit({"bench": "startup", "subject": name, "median_ms": statistics.median(values),
              "min_ms": min(values), "max_ms": max(values), "runs": len(values)})


def run_running(ps, seconds, connected):
    """The program and the floors side by side for the same seconds."""
    sb = ps.sb
    ps.write_settings()
    pid = sb.start()
    hwnd = sb.wait_window(pid=pid, cls="#32770")["hwnd"]
    counting = False
    if connected:
        sb.connect(ACCOUNT)
        try:
            sb.wait_until(lambda: sb.control(hwnd, NAME_CELL)["text"].strip() == ACCOUNT,
                          timeout=5, message="the program counting")
            counting = True
        except (AssertionError, rig.RigError):
            counting = False
    # Shown like the timer window while it counts, hidden like it while idle.
    floors = {name: cmd if not connected else cmd.replace(" /hidden", "")
              for name, cmd in FLOORS.items()}
    floor_pids = {}
    for name, cmd in floors.items():
        floor_pids[name] = sb.launch(cmd, wait=False)
        sb.wait_window(pid=floor_pids[name], cls="DialtickFloor")
    linux = {"program": linux_pid(ps.program_cmdline(), ps.prefix)}
    for name, cmd in floors.items():
        linux[name] = linux_pid(cmd, ps.prefix)
    time.sleep(2)  # past the start-up work of all
    before = {name: (cpu_ns(p), cpu_ticks_ms(p)) for name, p in linux.items()}
    start = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - start
    after = {name: (cpu_ns(p), cpu_ticks_ms(p)) for name, p in linux.items()}
    memory = {name: memory_kib(p) for name, p in linux.items()}
    phase = "connected" if connected else "idle"
    for name in linux:
        emit({"bench": "running", "phase": phase, "subject": name, "seconds": round(elapsed, 2),
              "cpu_ms": (after[name][0] - before[name][0]) / 1e6,
              "cpu_ticks_ms": after[name][1] - before[name][1],
              "peak_kib": memory[name].get("VmHWM"), "rss_kib": memory[name].get("VmRSS"),
              "counting": counting if name == "program" else None})
    for floor_pid in floor_pids.values():
        ps.kill(floor_pid, "floor.exe")
    if connected:
        sb.disconnect(ACCOUNT)
    sb.stop()


def run_settings_window(ps, rounds):
    """Opening the Settings window against the bare dialog; every account of the settings file
    is in the phonebook, so that the Connections page lists and loads them all."""
    sb = ps.sb
    if not (sb.app / "bench_settings_window.exe").is_file():
        emit({"bench": "settings_window", "available": False, "reason": "not built"})
        return
    ps.write_settings()
    sb.set_entries([ACCOUNT] + [f"Provider {n} Dial-Up" for n in range(1, 6)])
    out = sb.tool("bench_settings_window.exe", "--ini", rig.win_path(sb.ini_path), "--rounds",
                  rounds, timeout=1800).stdout.decode(rig.ANSI)
    for line in out.splitlines():
        if line.startswith("{"):
            emit(json.loads(line))
    sb.set_entries([ACCOUNT, "Provider 1 Dial-Up"])


def program_imports():
    """The DLLs the program imports that the floor does not import itself."""
    out = rig._run(["x86_64-w64-mingw32-objdump", "-p", str(rig.PROGRAM)], timeout=60).stdout
    names = [line.split(":", 1)[1].strip().lower() for line in out.decode().splitlines()
             if "DLL Name:" in line]
    return [n for n in names if n not in ("kernel32.dll", "user32.dll", "msvcrt.dll")]


def run_dll_memory(ps):
    """What each DLL the program imports adds to the floor's peak memory, all side by side."""
    sb = ps.sb
    subjects = {"(none)": "floor.exe /hidden"}
    for dll in program_imports():
        subjects[dll] = f"floor.exe /hidden /dll:{dll}"
    subjects["(all)"] = "floor.exe /hidden /imports"
    pids = {}
    for name, cmd in subjects.items():
        pids[name] = sb.launch(cmd, wait=False)
        sb.wait_window(pid=pids[name], cls="DialtickFloor")
    time.sleep(2)
    for name, cmd in subjects.items():
        emit({"bench": "dll_memory", "dll": name,
              "peak_kib": memory_kib(linux_pid(cmd, ps.prefix)).get("VmHWM")})
    for pid in pids.values():
        ps.kill(pid, "floor.exe")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench-dir", type=Path, required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--startup-runs", type=int, default=9)
    parser.add_argument("--profile-rounds", type=int, default=15)
    parser.add_argument("--settings-rounds", type=int, default=25)
    parser.add_argument("--only", default="profile,startup,running,repaints,dlls,settings")
    parser.add_argument("--smoke", action="store_true")
    args = parser.parse_args()
    only = set(args.only.split(","))
    if args.smoke:
        args.seconds, args.startup_runs, args.settings_rounds = 2, 1, 1
    if not rig.have_program():
        raise SystemExit(f"{rig.PROGRAM} is not built")
    ps = PerfSandbox(args.bench_dir)
    try:
        if "profile" in only:
            run_profile(ps, args.profile_rounds, args.smoke)
        if "startup" in only:
            run_startup(ps, args.startup_runs)
        if "running" in only:
            run_running(ps, args.seconds, connected=False)
            run_running(ps, args.seconds, connected=True)
        if "repaints" in only:
            run_repaints(ps, args.seconds)
        if "dlls" in only and not args.smoke:
            run_dll_memory(ps)
        if "settings" in only:
            run_settings_window(ps, args.settings_rounds)
    finally:
        ps.close()


def run_repaints(ps, seconds):
    """Paints of the bottom-row cells while counting, against the changes of their texts,
    counted inside the program by paintwatch.dll's message hooks."""
    sb = ps.sb
    if not (sb.app / "paintwatch.exe").is_file():
        emit({"bench": "repaints", "available": False, "reason": "paintwatch not built"})
        return
    ps.write_settings()
    pid = sb.start()
    hwnd = sb.wait_window(pid=pid, cls="#32770")["hwnd"]
    sb.connect(ACCOUNT)
    try:
        sb.wait_until(lambda: sb.control(hwnd, NAME_CELL)["text"].strip() == ACCOUNT,
                      timeout=5, message="the program counting")
    except (AssertionError, rig.RigError):
        emit({"bench": "repaints", "available": False,
              "reason": "the program does not take up the simulated connection"})
        sb.stop()
        return
    time.sleep(1)
    out = sb.tool("paintwatch.exe", "--hwnd", hwnd, "--seconds", seconds,
                  "--cells", ",".join(str(c) for c in BOTTOM_ROW),
                  timeout=seconds + 60, check=False)
    text = out.stdout.decode(rig.ANSI).strip()
    if out.returncode != 0 or not text.startswith("{"):
        emit({"bench": "repaints", "available": False,
              "reason": f"paintwatch failed: {out.stderr.decode(errors='replace').strip()}"})
    else:
        counts = json.loads(text)
        # A static control asks its parent for its colours once per paint; under Wine its
        # WM_PAINT does not pass the message hooks, so that is the paint count.
        emit({"bench": "repaints", "available": True, "seconds": counts["seconds"],
              "paints": sum(counts["colours"]), "changes": sum(counts["text_changes"]),
              "text_sets": sum(counts["text_sets"]), "wm_paints": sum(counts["paints"]),
              "erases": counts["window_erases"], "window_paints": counts["window_paints"],
              "redraw_offs": counts["redraw_offs"],
              "cells": {str(c): {"paints": p, "changes": ch, "sets": st}
                        for c, p, ch, st in zip(counts["cells"], counts["colours"],
                                                counts["text_changes"], counts["text_sets"])}})
    sb.disconnect(ACCOUNT)
    sb.stop()


if __name__ == "__main__":
    main()
