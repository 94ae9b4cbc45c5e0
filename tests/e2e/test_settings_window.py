"""The Settings window of the real program under Wine: its tabs and pages, the changed state and
its asterisks, Save All, Undo All, closing with unsaved changes, the keyboard order, and the
second-copy rules."""

import unittest

import rig
from settings_helpers import (ACCOUNT, CLOSE, COUNT_DOWN, COUNT_UP, HELP, LABELS, PAGE_SAVE,
                              PAGE_UNDO, SAVE_ALL, SETTINGS_TITLE, TABS, TIMER_SIGN, UNDO_ALL,
                              VK_TAB, SettingsRig)
from timerwin_helpers import read_ini, skip_unless_rig

WM_COMMAND = 0x111
CMD_CLOSE_PROGRAM = 40001


@skip_unless_rig
class SettingsFrame(SettingsRig, unittest.TestCase):

    def test_tabs_read_in_order_and_the_stored_page_opens(self):
        for stored, shown in (("0", 0), ("4", 0), ("-1", 0), ("x", 0), ("2", 2)):
            with self.subTest(Set=stored):
                _, settings = self.open_settings({"Dialtick": {"Icon": 1, "Set": stored}})
                self.assertEqual(self.tab_texts(settings), LABELS)
                self.assertEqual(self.shown_tab(settings), shown)
                pages = self.pages(settings)
                self.assertEqual(set(pages), set(LABELS))
                visible = [label for label, hwnd in pages.items() if self.sb.window(hwnd)["visible"]]
                self.assertEqual(visible, [LABELS[shown]])
                self.assertEqual(self.text(pages["Display"], PAGE_UNDO), "U&ndo Display")
                # Nothing has changed yet.
                self.assertFalse(self.enabled(settings, SAVE_ALL))
                self.assertFalse(self.enabled(settings, UNDO_ALL))
                if shown:
                    self.shot(settings, "settings-display-page.png")
                self.sb.stop()

    def test_clicking_a_tab_shows_its_page(self):
        _, settings = self.open_settings()
        self.click_tab(settings, 3)
        pages = self.pages(settings)
        self.assertEqual(self.shown_tab(settings), 3)
        self.assertTrue(self.sb.window(pages["Sounds"])["visible"])
        self.assertFalse(self.sb.window(pages["Connections"])["visible"])

    def test_a_change_puts_an_asterisk_on_its_tab_until_it_is_undone(self):
        _, settings = self.open_settings()
        page = self.page(settings)
        self.press(page, COUNT_DOWN)
        self.assertEqual(self.tab_texts(settings)[0], "Connections*")
        for window, control in ((settings, SAVE_ALL), (settings, UNDO_ALL), (page, PAGE_SAVE),
                                (page, PAGE_UNDO)):
            self.assertTrue(self.enabled(window, control), control)
        self.shot(settings, "settings-changed.png")
        # Undone on the page itself.
        self.press(page, PAGE_UNDO)
        self.assertEqual(self.tab_texts(settings), LABELS)
        self.assertTrue(self.checked(page, COUNT_UP))
        for window, control in ((settings, SAVE_ALL), (settings, UNDO_ALL), (page, PAGE_SAVE),
                                (page, PAGE_UNDO)):
            self.assertFalse(self.enabled(window, control), control)
        # And with Undo All.
        self.press(page, COUNT_DOWN)
        self.press(settings, UNDO_ALL)
        self.assertEqual(self.tab_texts(settings), LABELS)
        self.assertTrue(self.checked(page, COUNT_UP))
        self.assertFalse(self.enabled(page, PAGE_UNDO))

    def test_closing_with_changes_asks_and_no_keeps_the_window(self):
        timer, settings = self.open_settings()
        page = self.page(settings)
        self.choose(page, ACCOUNT, 1)
        self.press(page, COUNT_DOWN)
        self.click_tab(settings, 2)
        self.press(settings, CLOSE)
        box = self.question()
        self.assertEqual((box["caption"], box["text"]), (SETTINGS_TITLE, "Discard unsaved changes?"))
        self.assertEqual([b["caption"] for b in box["buttons"]], ["&Yes", "&No"])
        self.shot(box["hwnd"], "settings-discard-question.png")
        self.answer("&No")
        self.assertTrue(self.sb.window(settings)["visible"])
        self.assertTrue(self.checked(page, COUNT_DOWN))
        self.assertEqual(self.tab_texts(settings)[0], "Connections*")
        # Yes closes without saving; the next opening shows the page and account of this time.
        self.press(settings, CLOSE)
        self.question()
        self.answer("&Yes")
        self.wait_gone(settings)
        saved = read_ini(self.sb.ini_path)
        self.assertNotIn("CountDirection", saved.get("Home", {}))
        self.assertEqual(saved["Dialtick"]["Set"], "2")
        self.assertEqual(saved["Dialtick"]["Edit"], "Home")
        settings = self.open_from(timer)
        self.assertEqual(self.shown_tab(settings), 2)
        self.assertEqual(self.text(self.page(settings), ACCOUNT), "Home")
        self.assertTrue(self.checked(self.page(settings), COUNT_UP))

    def test_ending_the_program_offers_the_changes_for_discarding(self):
        timer, settings = self.open_settings()
        self.press(self.page(settings), COUNT_DOWN)
        for keep in (True, False):
            self.sb.send("WM_COMMAND", hwnd=timer, wparam=CMD_CLOSE_PROGRAM, post=True)
            self.assertEqual(self.question()["text"], "Close Dialtick?")
            self.answer("&Yes")
            self.assertEqual(self.question()["text"], "Discard unsaved changes?")
            self.answer("&No" if keep else "&Yes")
            if keep:
                self.assertTrue(self.sb.running())
                self.assertTrue(self.sb.window(settings)["visible"])
        self.assertEqual(self.sb.wait_exit(), 0)

    def test_a_move_past_the_work_area_is_pulled_back(self):
        _, settings = self.open_settings()
        before = self.sb.window(settings)["rect"]
        work = self.sb.work_area()["work"]
        # Dragged by its caption until most of it hangs past the right edge.
        self.sb.drag(settings, 100, -10, 100 + work[2] - before[0] - 100, -10, real=True)
        after = self.sb.wait_until(
            lambda: [r for r in [self.sb.window(settings)["rect"]] if r[2] == work[2]],
            timeout=5, message="the right edge on the work area's")[0]
        self.assertEqual(after[2] - after[0], before[2] - before[0])
        self.assertEqual(after[1], before[1])

    def test_the_keyboard_goes_from_the_tabs_through_the_page_to_the_buttons(self):
        _, settings = self.open_settings({"Dialtick": {"Icon": 1}, "Work": {"Warning": 60}})
        page = self.page(settings)
        self.assertEqual(self.sb.focus(settings)["id"], TABS)
        order = []
        for _ in range(14):
            self.sb.key(settings, VK_TAB)
            self.settle(0.15)
            order.append(self.sb.focus(settings)["id"])
        # The warning is on; the reset parts are off, and so are Undo All and Save All.
        self.assertEqual(order, [ACCOUNT, TIMER_SIGN, 236, 237, 238, 315, 239, 240, 241, 355,
                                 COUNT_UP, 330, HELP, CLOSE])
        self.assertEqual(self.sb.focus(settings)["parent"], settings)
        self.sb.key(settings, VK_TAB)
        self.settle(0.15)
        self.assertEqual(self.sb.focus(settings)["id"], TABS)
        # Backwards from the tab control into the frame's last button, then into the page.
        back = []
        for _ in range(3):
            self.sb.key(settings, VK_TAB, real=True, shift=True)
            self.settle(0.2)
            back.append(self.sb.focus(settings)["id"])
        self.assertEqual(back, [CLOSE, HELP, 330])
        self.assertEqual(self.sb.focus(settings)["parent"], page)


@skip_unless_rig
class SettingsAlone(SettingsRig, unittest.TestCase):
    """The program started with /set: only the Settings window runs."""

    def start_alone(self):
        self.sb.set_entries(["Work"])
        self.sb.ini_path.write_bytes(b"[Dialtick]\r\nIcon=1\r\n")
        self.sb.start(args=f'/set /ini:"{rig.win_path(self.sb.ini_path)}"')
        return self.settings_window()

    def test_a_second_start_shows_the_notice_once_however_often(self):
        settings = self.start_alone()
        self.assertEqual([w for w in self.sb.program_windows(visible=True)
                          if w["hwnd"] != settings], [])
        self.assertEqual(self.sb.start_second(args=None), 0)
        box = self.question()
        self.assertEqual(box["text"], "Please close the Dialtick Settings window before "
                                      "attempting to start Dialtick.")
        self.assertEqual(box["caption"], "Dialtick")
        for _ in range(2):
            self.assertEqual(self.sb.start_second(args=None), 0)
        self.settle(1.0)
        boxes = [w for w in self.sb.program_windows(visible=True) if w["hwnd"] != settings]
        self.assertEqual(len(boxes), 1, boxes)
        self.answer("&Ok")
        # A second copy asking for the Settings window only brings it forward.
        self.assertEqual(self.sb.start_second(args="/set"), 0)
        self.settle(1.0)
        self.assertEqual([w["hwnd"] for w in self.sb.program_windows(visible=True)], [settings])
        self.press(settings, CLOSE)
        self.assertEqual(self.sb.wait_exit(), 0)


@skip_unless_rig
class SecondCopy(SettingsRig, unittest.TestCase):

    def test_a_second_copy_with_set_opens_the_settings_window(self):
        self.start({"Dialtick": {"Icon": 1}}, entries=["Work"])
        self.assertEqual(self.sb.windows(title=SETTINGS_TITLE, pid=self.sb.pid, visible=True), [])
        self.assertEqual(self.sb.start_second(args="/set"), 0)
        settings = self.settings_window()
        self.assertEqual(self.tab_texts(settings), LABELS)


if __name__ == "__main__":
    unittest.main()
