"""Shared steps of the Settings window tests: opening it from the timer window, finding its pages
and controls, and working them as a user does."""

import time

import rig
from timerwin_helpers import WM_LBUTTONDBLCLK, TimerRig, keep_shot

SETTINGS_TITLE = "Dialtick - Settings"
R = rig.res
TABS, UNDO_ALL, SAVE_ALL = R.IDC_SETTINGS_TABS, R.IDC_UNDO_ALL, R.IDC_SAVE_ALL
HELP, CLOSE = R.IDC_SETTINGS_HELP, 2  # IDCANCEL
PAGE_SAVE, PAGE_UNDO = R.IDC_PAGE_SAVE, R.IDC_PAGE_UNDO
LABELS = ["Connections", "Run", "Display", "Sounds"]
EM_SETSEL = 0xB1
VK_TAB, VK_UP, VK_F4, VK_ESCAPE = 0x09, 0x26, 0x73, 0x1B

# Connections page controls.
ACCOUNT = R.IDC_ACCOUNT_LIST
TIMER_SIGN, TIMER_HOURS = R.IDC_TIMER_SIGN, R.IDC_TIMER_HOURS
TIMER_MINUTES, TIMER_SECONDS = R.IDC_TIMER_MINUTES, R.IDC_TIMER_SECONDS
PROTECTED, REFRESH, ENABLE_WARNING = R.IDC_PROTECTED, R.IDC_REFRESH, R.IDC_ENABLE_WARNING
WARNING_HOURS, WARNING_MINUTES = R.IDC_WARNING_HOURS, R.IDC_WARNING_MINUTES
WARNING_SECONDS = R.IDC_WARNING_SECONDS
COUNT_UP, COUNT_DOWN = R.IDC_COUNT_UP, R.IDC_COUNT_DOWN
RESET_OPTION, UPDATE = R.IDC_RESET_OPTION, R.IDC_UPDATE_RESET
RESET_HOURS, RESET_MINUTES = R.IDC_RESET_HOURS, R.IDC_RESET_MINUTES
RESET_SECONDS = R.IDC_RESET_SECONDS
RESET_COUNT, RESET_UNIT, MAX_DATE = R.IDC_RESET_COUNT, R.IDC_RESET_UNIT, R.IDC_MAX_RESET_DATE
NEXT_HOUR, NEXT_MINUTE, NEXT_SECOND = R.IDC_NEXT_HOUR, R.IDC_NEXT_MINUTE, R.IDC_NEXT_SECOND
NEXT_DAY, NEXT_MONTH, NEXT_YEAR = R.IDC_NEXT_DAY, R.IDC_NEXT_MONTH, R.IDC_NEXT_YEAR
WEEKDAY = R.IDC_NEXT_WEEKDAY
NEVER, EVERY_CONNECTION, PERIODICALLY, ON_DAY = 0, 1, 2, 3
DAYS, WEEKS, MONTHS = 0, 1, 2


class SettingsRig(TimerRig):
    """A TimerRig that also opens and works the Settings window."""

    def open_settings(self, sections=None, entries=("Work", "Home")):
        """Starts the program and opens the Settings window with a double click on the
        notification icon; returns (timer window, Settings window)."""
        timer = self.start(sections or {"Dialtick": {"Icon": 1}}, entries=entries)
        return timer, self.open_from(timer)

    def open_from(self, timer):
        self.sb.send("MsgTrayCallback", hwnd=timer, lparam=WM_LBUTTONDBLCLK, post=True)
        return self.settings_window()

    def settings_window(self, timeout=10):
        return self.sb.wait_window(title=SETTINGS_TITLE, pid=self.sb.pid, visible=True,
                                   timeout=timeout)["hwnd"]

    def pages(self, settings):
        """{label: page window}, told apart by their Save buttons' texts."""
        found = {}
        for c in self.sb.controls(settings):
            if c["class"] != "#32770":
                continue
            save = self.sb.control(c["hwnd"], PAGE_SAVE)["text"]
            found[save.replace("Sa&ve ", "")] = c["hwnd"]
        return found

    def page(self, settings, label="Connections"):
        return self.pages(settings)[label]

    def item(self, window, control_id):
        return self.sb.control(window, control_id)

    def handle(self, window, control_id):
        return self.item(window, control_id)["hwnd"]

    def text(self, window, control_id):
        return self.item(window, control_id)["text"]

    def enabled(self, window, control_id):
        return self.item(window, control_id)["enabled"]

    def checked(self, window, control_id):
        return self.item(window, control_id)["checked"] == 1

    def tab_texts(self, settings):
        return [t["text"] for t in self.sb.tabs(self.handle(settings, TABS))["tabs"]]

    def shown_tab(self, settings):
        return self.sb.tabs(self.handle(settings, TABS))["selected"]

    def enter(self, window, control_id, text):
        """Replaces an edit field's text as a user does: focus, select all, type."""
        edit = self.handle(window, control_id)
        self.sb.focus_control(edit)
        self.sb.send(EM_SETSEL, hwnd=edit, wparam=0, lparam=-1)
        self.sb.type_text(edit, text)

    def choose(self, window, control_id, index):
        self.sb.select(self.handle(window, control_id), index)
        self.settle()

    def press(self, window, control_id):
        self.sb.press_control(self.handle(window, control_id))
        self.settle()

    def click_tab(self, settings, index):
        tabs = self.handle(settings, TABS)
        left, top, right, bottom = self.sb.tabs(tabs)["tabs"][index]["rect"]
        self.sb.click(tabs, (left + right) // 2, (top + bottom) // 2)
        self.settle()

    def settle(self, seconds=0.3):
        """Lets the program take in what was sent or posted."""
        time.sleep(seconds)

    def question(self, timeout=10):
        """The program's own message box now showing."""
        return self.sb.msgbox(timeout=timeout, kind="app")

    def answer(self, caption):
        self.sb.press(caption)
        self.settle()

    def shot(self, hwnd, name):
        keep_shot(self.sb.screenshot(hwnd=hwnd), name)

    def wait_gone(self, hwnd, timeout=10):
        def gone():
            try:
                return not self.sb.window(hwnd)["visible"]
            except rig.RigError:
                return True
        self.sb.wait_until(gone, timeout=timeout, message="the window closed")
