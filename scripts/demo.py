#!/usr/bin/env python3
"""Runs Dialtick under Wine with the dial-up simulator and a demo phonebook.

Type commands to drive the simulated line while it runs:
  up [NAME]   bring a connection up (default: the first phonebook entry)
  down        end the connection as the remote side would (the line drops)
  shot [FILE] save a screenshot of the screen (default: demo.png here)
  quit        end the program (as a Windows log-off does) and leave
With --screenshot FILE it brings the line up, photographs the timer window and ends.
"""
import argparse
import os
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
os.environ.setdefault("DT_DIST", str(ROOT / "dist"))
os.environ.setdefault("DT_BUILD", str(ROOT / "build" / "native"))
import rig  # noqa: E402

PHONEBOOK = ["Office ISP", "Home Broadband", "Backup Modem"]
SETTINGS = (
    "[Dialtick]\r\nXPos=40\r\nYPos=40\r\nIcon=1\r\n"
    "[Office ISP]\r\nTimer=3540\r\nWarning=3600\r\nEnableWarning=1\r\n"
    "[Home Broadband]\r\nTimer=36000\r\nCountDirection=1\r\n"
)


def bring_up(sb, name):
    sb.connect(name)
    # The program shows its window itself once it notices the connection.
    try:
        return sb.wait_until(lambda: (w := sb.timer_window()) and w["visible"] and w, timeout=5,
                             message="the timer window")
    except AssertionError:
        w = sb.timer_window()
        if w and not w["visible"]:
            sb.send("MsgToggleTimer", hwnd=w["hwnd"])
        return sb.timer_window()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--screenshot", metavar="FILE", help="photograph the timer window and end")
    args = parser.parse_args()

    with rig.Sandbox("demo") as sb:
        sb.set_entries(PHONEBOOK)
        sb.ini_path.write_bytes(SETTINGS.encode("cp1252"))
        sb.start()
        sb.wait_until(sb.timer_window, timeout=20, message="the timer window")
        if args.screenshot:
            w = bring_up(sb, PHONEBOOK[0])
            time.sleep(2.5)
            rect = sb.window(w["hwnd"])["rect"]
            pad = 12
            shot = sb.screenshot(rect=[rect[0] - pad, rect[1] - pad, rect[2] + pad, rect[3] + pad])
            Path(args.screenshot).write_bytes(shot.read_bytes())
            print(f"screenshot: {args.screenshot}")
            return 0

        print(f"Dialtick runs on display {rig.DISPLAY} (settings: {sb.ini_path}).")
        print("Phonebook: " + ", ".join(PHONEBOOK))
        print("Commands: up [NAME] | down | shot [FILE] | quit")
        for line in sys.stdin:
            words = line.strip().split(maxsplit=1)
            if not words:
                continue
            command, rest = words[0].lower(), (words[1] if len(words) > 1 else "")
            if command == "up":
                bring_up(sb, rest or PHONEBOOK[0])
                print("line up")
            elif command == "down":
                for conn in sb.connections():
                    sb.disconnect(conn["handle"])
                print("line down")
            elif command == "shot":
                target = Path(rest or "demo.png")
                target.write_bytes(sb.screenshot().read_bytes())
                print(f"saved {target}")
            elif command == "quit":
                break
            else:
                print("Commands: up [NAME] | down | shot [FILE] | quit")
            if not sb.running():
                print("Dialtick has ended.")
                break
    return 0


if __name__ == "__main__":
    sys.exit(main())
