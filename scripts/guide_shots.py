#!/usr/bin/env python3
"""Makes the pictures of the user guide (docs/guide/*.png) from the real program under the Wine
test rig, so that they show what the program shows today.

    python3 scripts/guide_shots.py [--out DIR] [NAME.png ...]

Without names it makes every picture it knows. It needs the 64-bit build (scripts/build.sh) and
runs on the display named by DT_DISPLAY, like the tests. To add a picture, write a function
decorated with @shot("name.png") that brings the program into the state to show and returns the
screen rectangle to keep; then show the picture in docs/guide.md.
"""
import argparse
import datetime
import os
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
os.environ.setdefault("DT_DIST", str(ROOT / "dist"))
os.environ.setdefault("DT_BUILD", str(ROOT / "build" / "native"))
import rig  # noqa: E402
from timerwin_helpers import NAME_CELL, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, ini_text  # noqa: E402

PAD = 10  # desktop kept around each window
SHOTS = {}

# The pictures that the guide's Settings sections want, made once the Settings window exists:
# each wants a @shot function (open the window with sb.send("MsgOpenSettings", broadcast=True)
# or by starting "dialtick.exe /set"), and its place in docs/guide.md is marked with a comment
# "picture wanted: guide/<name>".
WANTED = {
    "settings-run.png": "Run page with two items, one switched off",
    "settings-run-item.png": "Run item dialog adding a program started on connection",
    "settings-display.png": "Display page",
    "settings-sounds.png": "Sounds page: a file on lost connection, beeps at the warning",
}


def shot(name):
    def register(function):
        SHOTS[name] = function
        return function
    return register


# ----- bringing the program into a state ---------------------------------------------------------

def start(sb, sections, entries=()):
    """Starts the program with this settings file; returns its timer window."""
    sb.set_entries(list(entries))
    sb.ini_path.write_bytes(ini_text(sections).encode(rig.ANSI))
    sb.start()
    return sb.wait_until(sb.timer_window, timeout=20, message="the timer window")["hwnd"]


def connect(sb, hwnd, name):
    """Brings the simulated line up and waits until the timer window shows the connection."""
    sb.connect(name)
    sb.wait_until(lambda: sb.control(hwnd, NAME_CELL)["text"] == f" {name} "
                  and sb.window(hwnd)["visible"], timeout=10, message="the connection shown")
    time.sleep(1.2)  # a tick or two, so that the digits have settled


def around(*rects, pad=PAD):
    return [min(r[0] for r in rects) - pad, min(r[1] for r in rects) - pad,
            max(r[2] for r in rects) + pad, max(r[3] for r in rects) + pad]


def window_rect(sb, hwnd):
    return sb.window(hwnd)["rect"]


PLACE = {"XPos": 240, "YPos": 180}


# ----- the timer window ------------------------------------------------------------------------------

def connected_timer(sb, account, keys):
    """The timer window while this account (with these settings) is connected."""
    hwnd = start(sb, {"Dialtick": PLACE, account: keys}, [account])
    connect(sb, hwnd, account)
    return around(window_rect(sb, hwnd))


@shot("timer-connected.png")
def timer_connected(sb):
    return connected_timer(sb, "Office ISP", {"Timer": 4980, "Warning": 7200})


@shot("timer-warning.png")
def timer_warning(sb):
    return connected_timer(sb, "Office ISP", {"Timer": 3725, "Warning": 3600,
                                              "EnableWarning": 1})


@shot("timer-below-zero.png")
def timer_below_zero(sb):
    return connected_timer(sb, "Prepaid Hours", {"Timer": -95, "CountDirection": 1})


@shot("timer-offline.png")
def timer_offline(sb):
    hwnd = start(sb, {"Dialtick": PLACE})
    sb.send("MsgToggleTimer", hwnd=hwnd)
    sb.wait_until(lambda: sb.window(hwnd)["visible"], timeout=5, message="the timer shown")
    time.sleep(0.5)
    return around(window_rect(sb, hwnd))


@shot("menu.png")
def menu(sb):
    hwnd = start(sb, {"Dialtick": PLACE, "Office ISP": {"Timer": 4980}}, ["Office ISP"])
    connect(sb, hwnd, "Office ISP")
    # The menu opens at the mouse; put it just right of the timer window's lower corner.
    rect = window_rect(sb, hwnd)
    client = sb.window(hwnd)["client"]
    x, y = rect[2] + 170, rect[3] + 10
    sb.click(hwnd, x - client[0], y - client[1])
    sb.send("MsgTrayCallback", hwnd=hwnd, lparam=WM_RBUTTONDOWN, post=True)
    shown = sb.wait_until(lambda: next((w for w in sb.windows(cls="#32768") if w["visible"]),
                                       None), timeout=5, message="the popup menu")
    time.sleep(0.3)
    return around(rect, shown["rect"])


# ----- the Settings window ---------------------------------------------------------------------------
# (the pages still to photograph are listed in WANTED above)

def open_settings(sb, sections, entries):
    """Opens the Settings window as a double click on the icon does; returns it."""
    timer = start(sb, sections, entries)
    sb.send("MsgTrayCallback", hwnd=timer, lparam=WM_LBUTTONDBLCLK, post=True)
    return sb.wait_window(title="Dialtick - Settings", pid=sb.pid, visible=True, timeout=15)


def ten_ms_units(when):
    """A local time as the settings file holds it: 10 ms units since 1 January 1601."""
    return int((when - datetime.datetime(1601, 1, 1)).total_seconds()) * 100


@shot("settings-connections.png")
def settings_connections(sb):
    today = datetime.date.today()
    first = datetime.datetime(today.year + today.month // 12, today.month % 12 + 1, 1)
    allowance = 40 * 3600
    window = open_settings(sb, {
        "Dialtick": {"Icon": 1, "Edit": "Office ISP"},
        "Office ISP": {"Timer": 31 * 3600 + 17 * 60 + 5, "CountDirection": 1,
                       "Warning": 3600, "EnableWarning": 1, "ResetOption": 2,
                       "ResetTime": allowance, "ResetPeriod": 3, "ResetCount": 1,
                       "ResetNext": ten_ms_units(first)},
    }, ["Office ISP", "Home Broadband"])
    time.sleep(0.5)
    return around(window["rect"], pad=0)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", type=Path, default=ROOT / "docs" / "guide")
    parser.add_argument("names", nargs="*", help="pictures to make (default: all)")
    args = parser.parse_args()
    unknown = [n for n in args.names if n not in SHOTS]
    if unknown:
        parser.error(f"no way to make {', '.join(unknown)} yet; known: {', '.join(SHOTS)}")
    args.out.mkdir(parents=True, exist_ok=True)
    with rig.Sandbox("guide") as sb:
        for name in args.names or list(SHOTS):
            try:
                rect = SHOTS[name](sb)
                (args.out / name).write_bytes(sb.screenshot(rect=rect).read_bytes())
                print(f"{args.out / name}")
            finally:
                sb.stop()
                for conn in list(sb.connections()):
                    sb.disconnect(conn["handle"])
    missing = [n for n in WANTED if not (args.out / n).exists()]
    if missing:
        print("still wanted, once the Settings window exists: " + ", ".join(missing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
