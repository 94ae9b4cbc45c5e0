"""The Connections page of the real program under Wine, worked through its controls: validation
messages, the reset day rules, the keys a save writes, the connected account's live time and its
hand-over to the running timer, the digit fields, and an automatic reset while the page is open."""

import unittest
from datetime import datetime, timedelta

from settings_helpers import (ACCOUNT, COUNT_DOWN, DAYS, MONTHS, NEXT_DAY,
                              NEXT_HOUR, NEXT_MINUTE, NEXT_MONTH, NEXT_SECOND, NEXT_YEAR, ON_DAY,
                              PAGE_SAVE, PERIODICALLY, PROTECTED, REFRESH, RESET_COUNT,
                              RESET_OPTION, RESET_UNIT, SAVE_ALL, TIMER_HOURS, TIMER_MINUTES,
                              TIMER_SECONDS, UPDATE, VK_TAB, VK_UP, WARNING_MINUTES, WEEKDAY,
                              SettingsRig)
from timerwin_helpers import HOUR_CELLS, MINUTE_CELLS, SECOND_CELLS, read_ini, skip_unless_rig

WEEKDAYS = ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"]


def reset_count(when):
    """A local time as the settings file stores a next reset: 10 ms units since 1601."""
    return int((when - datetime(1601, 1, 1)).total_seconds()) * 100


@skip_unless_rig
class ConnectionsPage(SettingsRig, unittest.TestCase):

    def page_of(self, settings):
        return self.page(settings, "Connections")

    def enter_next_reset(self, page, when):
        """Types a next reset's time and date; the year list starts at the present year."""
        first_year = int(self.sb.combo(self.handle(page, NEXT_YEAR))["items"][0])
        for control, value in ((NEXT_HOUR, when.hour), (NEXT_MINUTE, when.minute),
                               (NEXT_SECOND, when.second), (NEXT_DAY, when.day)):
            self.enter(page, control, str(value))
        self.choose(page, NEXT_MONTH, when.month - 1)
        self.choose(page, NEXT_YEAR, when.year - first_year)

    def save_refused(self, page):
        """Presses the page's Save; returns the text of the error that follows."""
        self.press(page, PAGE_SAVE)
        box = self.question()
        self.assertEqual(box["caption"], "Dialtick - Error")
        self.assertTrue(box["icon"]["has_image"])
        self.answer("&Ok")
        return box["text"]

    def test_a_bad_field_shows_its_account_and_page_and_names_the_range(self):
        sections = {"Dialtick": {"Icon": 1}, "Work": {"Timer": 3725}}
        _, settings = self.open_settings(sections)
        page = self.page_of(settings)
        self.enter(page, TIMER_MINUTES, "60")
        self.choose(page, ACCOUNT, 1)
        self.click_tab(settings, 2)
        self.press(settings, SAVE_ALL)
        box = self.question()
        self.assertEqual(box["text"], "Please specify the Current Time minutes.\r\n\r\n"
                                      "Acceptable values range from 0 to 59.")
        self.shot(settings, "connections-refused.png")
        self.answer("&Ok")
        self.assertEqual(self.shown_tab(settings), 0)
        self.assertEqual(self.text(page, ACCOUNT), "Work")
        self.assertEqual(self.sb.focus(settings)["id"], TIMER_MINUTES)
        # Nothing was saved, and the change waits to be mended.
        self.assertEqual(self.tab_texts(settings)[0], "Connections*")
        self.assertTrue(self.enabled(settings, SAVE_ALL))
        self.assertEqual(read_ini(self.sb.ini_path)["Work"], {"Timer": "3725"})

    def test_monthly_resets_keep_to_day_28_and_a_particular_day_may_be_the_31st(self):
        _, settings = self.open_settings()
        page = self.page_of(settings)
        self.choose(page, RESET_OPTION, PERIODICALLY)
        self.choose(page, RESET_UNIT, MONTHS)
        when = datetime(datetime.now().year + 1, 3, 30, 8, 0, 0)
        self.enter_next_reset(page, when)
        self.assertEqual(self.save_refused(page), "Please specify the Next Reset day.\r\n\r\n"
                                                  "Acceptable values range from 1 to 28.")
        self.assertEqual(self.sb.focus(settings)["id"], NEXT_DAY)
        self.choose(page, RESET_OPTION, ON_DAY)
        when = when.replace(day=31)
        self.enter(page, NEXT_DAY, "31")
        self.settle()
        self.assertEqual(self.text(page, WEEKDAY), WEEKDAYS[when.weekday()])
        self.shot(settings, "connections-particular-day.png")
        self.press(page, PAGE_SAVE)
        self.assertEqual(read_ini(self.sb.ini_path)["Work"],
                         {"ResetOption": "3", "ResetTime": "0",
                          "ResetNext": str(reset_count(when))})
        self.assertFalse(self.enabled(page, PAGE_SAVE))

    def test_a_next_reset_a_minute_ago_is_refused(self):
        _, settings = self.open_settings()
        page = self.page_of(settings)
        self.choose(page, RESET_OPTION, ON_DAY)
        self.enter_next_reset(page, datetime.now() - timedelta(minutes=1))
        self.settle()
        self.assertEqual(self.text(page, WEEKDAY), "Incorrect Value")
        self.assertEqual(self.save_refused(page),
                         "Please specify the 'Next Reset' time and date.\r\n\r\n"
                         "A time and date in the future is required.")

    def test_a_save_writes_only_the_keys_that_changed(self):
        sections = {"Dialtick": {"Icon": 1}, "Work": {"Timer": 60}, "Home": {"Timer": 5}}
        _, settings = self.open_settings(sections)
        page = self.page_of(settings)
        self.press(page, COUNT_DOWN)
        self.press(page, PAGE_SAVE)
        saved = read_ini(self.sb.ini_path)
        self.assertEqual(saved["Work"], {"Timer": "60", "CountDirection": "1"})
        self.assertEqual(saved["Home"], {"Timer": "5"})
        # A periodic reset also writes its time, period and count.
        self.choose(page, ACCOUNT, 1)
        self.choose(page, RESET_OPTION, PERIODICALLY)
        self.choose(page, RESET_UNIT, DAYS)
        self.enter(page, RESET_COUNT, "2")
        when = (datetime.now() + timedelta(days=1)).replace(hour=10, minute=0, second=0,
                                                            microsecond=0)
        self.enter_next_reset(page, when)
        self.shot(settings, "connections-periodic.png")
        self.press(page, PAGE_SAVE)
        self.assertEqual(read_ini(self.sb.ini_path)["Home"],
                         {"Timer": "5", "ResetOption": "2", "ResetTime": "0", "ResetPeriod": "1",
                          "ResetCount": "2", "ResetNext": str(reset_count(when))})
        self.assertEqual(self.tab_texts(settings)[0], "Connections")

    def test_the_connected_time_runs_on_the_page_and_an_edit_reaches_the_timer_at_once(self):
        sections = {"Dialtick": {"Icon": 1}, "Work": {"Timer": 3725, "Warning": 7200}}
        timer, settings = self.open_settings(sections)
        page = self.page_of(settings)
        self.connect_or_skip(timer, "Work")
        self.sb.wait_until(lambda: self.checked(page, PROTECTED), timeout=5,
                           message="the connected account protected")
        self.assertFalse(self.enabled(page, TIMER_SECONDS))
        first = self.text(page, TIMER_SECONDS)
        self.sb.wait_until(lambda: self.text(page, TIMER_SECONDS) != first, timeout=5,
                           message="the live time moving on")
        self.shot(settings, "connections-connected.png")
        # A warning edit is saved; the protected time is not.
        self.enter(page, WARNING_MINUTES, "30")
        self.press(page, PAGE_SAVE)
        saved = read_ini(self.sb.ini_path)["Work"]
        self.assertEqual((saved["Timer"], saved["Warning"]), ("3725", "9000"))
        # Released, the time is the user's to set, and the timer window takes it at once.
        self.press(page, PROTECTED)
        self.assertTrue(self.enabled(page, TIMER_HOURS))
        self.assertTrue(self.enabled(page, REFRESH))
        self.assertEqual(self.tab_texts(settings)[0], "Connections*")
        for control, value in ((TIMER_HOURS, "2"), (TIMER_MINUTES, "00"),
                               (TIMER_SECONDS, "00")):
            self.enter(page, control, value)
        self.press(page, PAGE_SAVE)
        cells = HOUR_CELLS + MINUTE_CELLS + SECOND_CELLS[:1]
        shown = self.sb.wait_until(
            lambda: "".join(self.text(timer, c) for c in cells) == "002000", timeout=1.5,
            message="the timer window at 002:00:0x")
        self.assertTrue(shown)
        self.assertEqual(read_ini(self.sb.ini_path)["Work"]["Timer"], "7200")
        self.assertTrue(self.checked(page, PROTECTED))
        self.assertFalse(self.enabled(page, TIMER_HOURS))

    def test_an_empty_list_takes_up_a_connection_whose_end_leaves_nothing_to_save(self):
        timer, settings = self.open_settings(entries=())
        page = self.page_of(settings)
        self.assertFalse(self.enabled(page, ACCOUNT))
        self.assertFalse(self.enabled(page, TIMER_HOURS))
        # An entry the phonebook lacks is listed while it is connected.
        self.connect_or_skip(timer, "Dial X")
        self.sb.wait_until(lambda: self.sb.combo(self.handle(page, ACCOUNT))["items"] == ["Dial X"],
                           timeout=5, message="the connected entry listed")
        self.sb.wait_until(lambda: self.checked(page, PROTECTED), timeout=5,
                           message="its time protected")
        self.sb.disconnect("Dial X")
        self.sb.wait_until(lambda: self.enabled(page, TIMER_HOURS), timeout=5,
                           message="the time editable once the connection ended")
        self.assertFalse(self.enabled(page, PROTECTED))
        self.assertEqual(self.tab_texts(settings)[0], "Connections")
        self.assertFalse(self.enabled(settings, SAVE_ALL))

    def test_digit_fields_show_two_digits_and_let_only_short_numbers_be_pasted(self):
        _, settings = self.open_settings({"Dialtick": {"Icon": 1}, "Work": {"Timer": 4}})
        page = self.page_of(settings)
        self.enter(page, TIMER_MINUTES, "3")
        self.sb.key(settings, VK_TAB)
        self.settle()
        self.assertEqual(self.text(page, TIMER_MINUTES), "03")
        # The spin sets the number 5, which shows as 05.
        self.sb.focus_control(self.handle(page, TIMER_SECONDS))
        self.sb.key(settings, VK_UP)
        self.settle()
        self.assertEqual(self.text(page, TIMER_SECONDS), "05")
        minutes = self.handle(page, TIMER_MINUTES)
        for pasted, shown in (("12", "12"), ("123", "12"), ("1a", "12"), ("-5", "12")):
            self.sb.set_clipboard(pasted)
            self.enter(page, TIMER_MINUTES, "")
            self.sb.send(0xB1, hwnd=minutes, wparam=0, lparam=-1)
            self.sb.paste(minutes)
            self.settle(0.2)
            self.assertEqual(self.text(page, TIMER_MINUTES), shown, pasted)

    def test_an_automatic_reset_while_the_page_is_open_offers_its_new_settings(self):
        # Far enough ahead that the page and the connection are both up before it is due.
        due = datetime.now().replace(microsecond=0) + timedelta(seconds=12)
        sections = {"Dialtick": {"Icon": 1},
                    "Work": {"Timer": 100, "ResetOption": 3, "ResetTime": 0,
                             "ResetNext": reset_count(due)}}
        timer, settings = self.open_settings(sections)
        page = self.page_of(settings)
        self.connect_or_skip(timer, "Work")
        box = self.question(timeout=30)
        self.assertEqual(box["caption"], "Dialtick - Automatic Reset")
        self.assertIn("for the account 'Work'", box["text"])
        self.assertEqual([b["caption"] for b in box["buttons"]], ["&Yes", "&No"])
        self.answer("&No")
        self.assertIn("press the Update button", self.question()["text"])
        self.answer("&Ok")
        self.assertTrue(self.enabled(page, UPDATE))
        self.assertEqual(self.sb.combo(self.handle(page, RESET_OPTION))["selected"], ON_DAY)
        self.press(page, UPDATE)
        self.assertEqual(self.sb.combo(self.handle(page, RESET_OPTION))["selected"], 0)
        self.assertFalse(self.enabled(page, UPDATE))
        self.assertEqual(self.tab_texts(settings)[0], "Connections")


if __name__ == "__main__":
    unittest.main()
