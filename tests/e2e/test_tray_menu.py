"""The notification icon and the popup menu of the real program under Wine: the tooltip in
Wine's tray, the menu's items and their states (read from the menu's pixels), and the commands
with their questions."""

import time
import unittest

from timerwin_helpers import (NAME_CELL, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, MenuPicture,
                              TimerRig, keep_shot, read_ini, skip_unless_rig)

ITEMS = ["&Settings", "Show &Timer", "Sto&p Sound", "&Disconnect", "&Help Contents",
         "&About...", None, "&Close Dialtick"]


@skip_unless_rig
class TrayIcon(TimerRig, unittest.TestCase):

    def our_icons(self):
        return [i for i in self.sb.tray() if i["tip"].startswith("Dialtick")]

    def test_the_tooltip_says_not_connected_in_two_lines(self):
        self.start({"Dialtick": {"Icon": 1}})
        icons = self.sb.wait_until(self.our_icons, timeout=10, message="the icon")
        self.assertEqual(len(icons), 1)
        # Wine's shell32 is version 6: the two-line form.
        self.assertEqual(icons[0]["tip"], "Dialtick\r\nNot Connected")

    def test_no_icon_when_the_option_is_off(self):
        hwnd = self.start({"Dialtick": {"Icon": 0}})
        self.show(hwnd)
        time.sleep(1.0)
        self.assertEqual(self.our_icons(), [])

    def test_the_icon_goes_when_the_program_ends(self):
        self.start({"Dialtick": {"Icon": 1}})
        self.sb.wait_until(self.our_icons, timeout=10, message="the icon")
        self.sb.logoff()
        self.sb.wait_exit()
        self.sb.wait_until(lambda: self.our_icons() == [], timeout=10, message="icon removed")

    def test_the_tooltip_names_the_connection(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}}, entries=["Work"])
        self.connect_or_skip(hwnd, "Work")
        self.sb.wait_until(lambda: [i for i in self.our_icons()
                                    if i["tip"] == "Dialtick\r\nConnected to Work"],
                           timeout=5, message="the connected tooltip")
        self.sb.disconnect("Work")
        self.sb.wait_until(lambda: [i for i in self.our_icons()
                                    if i["tip"] == "Dialtick\r\nNot Connected"],
                           timeout=5, message="back to not connected")


@skip_unless_rig
class PopupMenu(TimerRig, unittest.TestCase):

    def picture(self, hwnd, via_timer=False, shot=None):
        menu = self.open_menu(hwnd, via_timer=via_timer)
        path = self.sb.screenshot(rect=menu["rect"])
        if shot:
            keep_shot(path, shot)
        from rig import Image
        return MenuPicture(Image(path)), menu

    def assert_layout(self, items):
        self.assertEqual([i["separator"] for i in items],
                         [text is None for text in ITEMS], f"bands: {items}")

    def test_items_states_and_default_when_idle(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        picture, menu = self.picture(hwnd, shot="menu-idle.png")
        self.assertEqual(menu["owner"], hwnd)
        items = picture.items()
        self.assert_layout(items)
        enabled = [i["enabled"] for i in items if not i["separator"]]
        # Nothing plays and nothing is connected: "Sto&p Sound" and "&Disconnect" are grey.
        self.assertEqual(enabled, [True, True, False, False, True, True, True])
        # "&Settings" is the default item, drawn bold: its strokes are twice as wide.
        others = [i["bold_ratio"] for i in items if not i["separator"] and i is not items[0]]
        self.assertGreater(items[0]["bold_ratio"], max(others) + 0.15,
                           [i.get("bold_ratio") for i in items])
        self.close_menu(hwnd)

    def test_the_timer_item_says_hide_while_the_timer_shows(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        hidden, menu = self.picture(hwnd)
        self.close_menu(hwnd)
        # The menu opens at the cursor; the timer goes beside it so that neither covers the
        # other in the picture.
        self.sb.stop()
        hwnd = self.start({"Dialtick": {"Icon": 1, "Constrain": 0,
                                        "XPos": menu["rect"][2] + 20, "YPos": menu["rect"][1]}})
        self.show(hwnd)
        shown, _ = self.picture(hwnd, shot="menu-timer-shown.png")
        self.close_menu(hwnd)
        before, after = hidden.items(), shown.items()
        self.assert_layout(after)
        # Only the second item changed: "Show &Timer" became "Hide &Timer", a narrower text.
        changed = [k for k in range(len(ITEMS)) if ITEMS[k] is not None
                   and hidden.crop(before[k]) != shown.crop(after[k])]
        self.assertEqual(changed, [1])
        self.assertLess(after[1]["width"], before[1]["width"])

    def test_a_right_click_on_the_timer_opens_the_same_menu(self):
        # The menu opens to the left of the click, clear of the timer window.
        hwnd = self.start({"Dialtick": {"Icon": 1, "XPos": 600, "YPos": 400}})
        self.show(hwnd)
        picture, menu = self.picture(hwnd, via_timer=True, shot="menu-from-timer.png")
        self.assert_layout(picture.items())
        self.close_menu(hwnd)

    def test_the_timer_item_shows_and_hides_the_timer(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        self.open_menu(hwnd)
        self.menu_key(hwnd, "t")
        self.sb.wait_until(lambda: self.visible_window(hwnd), timeout=5, message="shown")
        self.open_menu(hwnd)
        self.menu_key(hwnd, "t")
        self.sb.wait_until(lambda: not self.sb.window(hwnd)["visible"], timeout=5,
                           message="hidden")

    def test_disconnect_is_greyed_and_does_nothing_while_idle(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        self.open_menu(hwnd)
        self.menu_key(hwnd, "d")
        time.sleep(1.0)
        self.assertTrue(self.sb.no_msgbox())
        if self.menu_window():
            self.close_menu(hwnd)
        self.assertTrue(self.sb.running())

    def ask_to_close(self, hwnd):
        self.open_menu(hwnd)
        self.menu_key(hwnd, "c")
        box = self.sb.msgbox(timeout=5)
        self.assertEqual(box["kind"], "app")
        self.assertEqual(box["caption"], "Dialtick")
        self.assertEqual(box["text"], "Close Dialtick?")
        self.assertEqual([b["caption"] for b in box["buttons"]], ["&Yes", "&No"])
        self.assertTrue(box["icon"]["has_image"])
        return box

    def test_close_answered_no_keeps_the_program_running(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        self.ask_to_close(hwnd)
        self.sb.press("&No")
        time.sleep(1.0)
        self.assertTrue(self.sb.running())
        self.assertEqual(self.text(hwnd, NAME_CELL), " Dialtick ")

    def test_close_answered_yes_ends_the_program_and_saves_the_position(self):
        hwnd = self.start({"Dialtick": {"Icon": 1, "XPos": 40, "YPos": 50}})
        self.ask_to_close(hwnd)
        self.sb.press("&Yes")
        self.assertEqual(self.sb.wait_exit(), 0)
        saved = read_ini(self.sb.ini_path)["Dialtick"]
        self.assertEqual((saved["XPos"], saved["YPos"]), ("40", "50"))

    def test_while_a_question_is_open_clicks_open_nothing(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}})
        box = self.ask_to_close(hwnd)
        for mouse in (WM_RBUTTONDOWN, WM_LBUTTONDBLCLK):
            answer = self.sb.send("MsgTrayCallback", hwnd=hwnd, lparam=mouse)
            self.assertEqual(answer["result"], 1)
        time.sleep(0.5)
        self.assertIsNone(self.menu_window())
        # The question is still the one open, and still answers.
        self.assertEqual(self.sb.msgbox(timeout=2)["hwnd"], box["hwnd"])
        self.sb.press("&No")
        self.assertTrue(self.sb.running())

    def test_disconnect_answered_yes_hangs_up_the_line(self):
        hwnd = self.start({"Dialtick": {"Icon": 1}}, entries=["Work"])
        self.connect_or_skip(hwnd, "Work")
        picture, _ = self.picture(hwnd, shot="menu-connected.png")
        enabled = [i["enabled"] for i in picture.items() if not i["separator"]]
        self.assertEqual(enabled, [True, True, False, True, True, True, True])
        self.menu_key(hwnd, "d")
        box = self.sb.msgbox(timeout=5)
        self.assertEqual(box["text"], "Close connection to Work?")
        self.assertEqual(box["caption"], "Dialtick")
        self.sb.press("&Yes")
        self.sb.wait_until(self.sb.hangups, timeout=5, message="the hang-up")
        self.assertEqual(self.sb.hangups()[0]["name"], "Work")
        self.sb.wait_until(lambda: self.text(hwnd, NAME_CELL) == " Dialtick ", timeout=5,
                           message="idle again")


if __name__ == "__main__":
    unittest.main()
