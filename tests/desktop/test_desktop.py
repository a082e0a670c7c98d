"""Pelorin.exe on a real X desktop, used from outside as a user uses it: keys
and mouse from xdotool, files dragged from a real XDND drag source, the
picture read from the screen. The probe reports what Windows sees of it.

Run by CTest (test "desktop") inside scripts/test's private Xvfb.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from desktop import (Player, Probe, TIMEOUT, capture, click, client_rect, client_size, data, difference, drag,
                     key, log, type_text, wait_for, windows_path, wine_without_window_manager)

HERE = os.path.dirname(os.path.abspath(__file__))

CLIP = "sample.avi"  # 640 x 480, 4 s: long enough to pause and resume
CIF = "cif.avi"  # 352 x 288


def is_playing(rect, within=1.0):
    """True when the picture changes within the given time."""
    before = capture(rect)
    end = time.monotonic() + within
    while time.monotonic() < end:
        time.sleep(0.1)
        if difference(before, capture(rect)) > 0.01:
            return True
    return False


def stands_still(rect, over=1.0):
    before = capture(rect)
    time.sleep(over)
    return difference(before, capture(rect)) <= 0.01


class DesktopTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine_without_window_manager(True)
        cls.probe = Probe()

    @classmethod
    def tearDownClass(cls):
        cls.probe.close()
        wine_without_window_manager(False)

    def setUp(self):
        started = time.monotonic()
        self.addCleanup(lambda: log("(%.1f s)" % (time.monotonic() - started)))
        self.player = Player(self.probe)
        self.addCleanup(self.player.close)
        self.player.wait_main_window(lambda w: w["caption"] == "Pelorin")

    # --- steps a user takes -----------------------------------------------

    def open_with_ctrl_o(self, name, size):
        """Ctrl+O, the path typed into the open dialog, Enter; waits until the
        window names the file and has the video's size."""
        self.player.focus()
        key("ctrl+o")
        dialog = wait_for("the open dialog", self.player.dialog)
        self.assertEqual(dialog["class"], "#32770")
        self.assertFalse(self.player.main_window()["enabled"], "the open dialog is modal")
        type_text(windows_path(data(name)))
        key("Return")
        # The caption comes first, the size once the file is open.
        self.player.wait_main_window(lambda w: w["caption"] == "Pelorin -" + name + "-",
                                     "the caption to name " + name)
        return self.player.wait_main_window(lambda w: client_size(w) == size,
                                            "the client area to take the size %d x %d" % size)

    def start_drag_source(self, *names):
        source = subprocess.Popen([sys.executable, os.path.join(HERE, "dragsource.py"), "20", "20",
                                   *[data(n) for n in names]], stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: (source.kill(), source.wait(), source.stdout.close()))
        line = source.stdout.readline().split()
        self.assertEqual(line[:1], ["ready"], "the drag source did not start")
        x, y, w, h = map(int, line[1:])
        return source, (x + w // 2, y + h // 2)

    def drop(self, names, target):
        """Drags the files from a drag source and drops them at target."""
        source, start = self.start_drag_source(*names)
        drag(start, target, steps=20)
        self.assertEqual(source.stdout.readline().strip(), "dropped", "the drop was refused")

    # --- the tests ----------------------------------------------------------

    def test_ctrl_o_opens_the_dialog_and_the_typed_file_plays_at_its_size(self):
        main = self.open_with_ctrl_o(CLIP, (640, 480))
        self.assertEqual(main["caption"], "Pelorin -" + CLIP + "-")
        self.assertIsNone(self.player.dialog())
        self.assertTrue(is_playing(client_rect(main)), "the picture does not move")

    def test_ctrl_o_reaches_the_program_from_the_picture(self):
        main = self.open_with_ctrl_o(CIF, (352, 288))
        # The picture is the video renderer's own window; the keys go there.
        left, top, right, bottom = client_rect(main)
        click((left + right) // 2, (top + bottom) // 2)
        key("ctrl+o")
        wait_for("the open dialog from the picture", self.player.dialog)
        key("Escape")
        wait_for("the dialog to close", lambda: self.player.dialog() is None)
        self.assertEqual(self.player.main_window()["caption"], "Pelorin -" + CIF + "-")

    def test_menus_open_and_the_about_item_shows_the_about_box(self):
        main = self.player.focus()
        client_left, client_top = main["client"][:2]
        # The menu bar lies just above the client area; "ファイル(&F)" is its first item.
        menu_y = client_top - 9
        click(client_left + 20, menu_y)
        file_menu = wait_for("the File menu", lambda: self.player.popup_menus())[0]
        # Right arrow: the next menu, "ヘルプ(&H)", with its one item.
        key("Right")
        help_menu = wait_for("the Help menu", lambda: [m for m in self.player.popup_menus()
                                                       if m["hwnd"] != file_menu["hwnd"] or
                                                       m["window"] != file_menu["window"]])[0]
        file_height = file_menu["window"][3] - file_menu["window"][1]
        help_height = help_menu["window"][3] - help_menu["window"][1]
        self.assertGreater(help_menu["window"][0], file_menu["window"][0], "Help stands right of File")
        # File: two items and a separator; Help: one item.
        self.assertGreater(file_height, 2 * help_height - 10)
        hl, ht, hr, hb = help_menu["window"]
        click((hl + hr) // 2, ht + (hb - ht) // 2)
        about = wait_for("the About box", self.player.dialog)
        self.assertEqual(about["caption"], "バージョン情報")
        self.assertFalse(self.player.main_window()["enabled"], "the About box is modal")
        # Its OK button, as laid out: left 112, top 144, 75 x 25.
        ox, oy = about["client"][:2]
        click(ox + 112 + 37, oy + 144 + 12)
        wait_for("the About box to close", lambda: self.player.dialog() is None)
        self.assertTrue(self.player.main_window()["enabled"])

    def test_menu_access_keys_open_the_dialog_and_close_the_window(self):
        self.player.focus()
        key("alt+f")
        wait_for("the File menu", self.player.popup_menus)
        key("o")
        wait_for("the open dialog", self.player.dialog)
        key("Escape")
        wait_for("the dialog to close", lambda: self.player.dialog() is None)
        self.assertEqual(self.player.main_window()["caption"], "Pelorin", "a cancelled dialog changes nothing")
        self.player.focus()
        key("alt+f")
        wait_for("the File menu", self.player.popup_menus)
        key("x")
        self.assertEqual(self.player.process.wait(timeout=TIMEOUT), 0)

    def test_a_dragged_file_plays_and_two_do_nothing(self):
        before = self.player.main_window()
        left, top, right, bottom = client_rect(before)
        target = ((left + right) // 2, (top + bottom) // 2)
        self.drop([CLIP, CIF], target)
        # Nothing to wait for: give a wrong opening the time to show itself.
        time.sleep(2)
        main = self.player.main_window()
        self.assertEqual(main["caption"], "Pelorin")
        self.assertEqual(client_size(main), client_size(before))
        self.assertIsNone(self.player.dialog())
        self.drop([CIF], target)
        main = self.player.wait_main_window(lambda w: w["caption"] == "Pelorin -" + CIF + "-",
                                            "the dropped file's caption")
        wait_for("the video's size", lambda: client_size(self.player.main_window()) == (352, 288))
        self.assertTrue(is_playing(client_rect(self.player.main_window())), "the dropped file does not play")

    def test_a_dragged_file_named_in_any_script_plays_and_the_caption_names_it(self):
        # Accents, Hangul, a character outside the basic plane and an emoji:
        # none of them all in the ANSI code page, so only a wide drop and wide
        # captions carry them. The caption is read back as UTF-16.
        name = "Amélie 한글 𠮷😀.avi"
        folder = tempfile.mkdtemp(prefix="pelorin-desktop-")
        self.addCleanup(shutil.rmtree, folder, True)
        path = os.path.join(folder, name)
        shutil.copyfile(data(CIF), path)
        left, top, right, bottom = client_rect(self.player.main_window())
        self.drop([path], ((left + right) // 2, (top + bottom) // 2))

        def wide_caption():
            w = self.player.main_window()
            return bytes.fromhex(w["wcaption"]).decode("utf-16-le") if w else None
        wait_for("the caption to name " + name, lambda: wide_caption() == "Pelorin -" + name + "-")
        wait_for("the video's size", lambda: client_size(self.player.main_window()) == (352, 288))
        self.assertTrue(is_playing(client_rect(self.player.main_window())), "the dropped file does not play")
        self.assertIsNone(self.player.dialog())

    def test_clicks_on_the_picture_pause_and_resume(self):
        main = self.open_with_ctrl_o(CLIP, (640, 480))
        rect = client_rect(main)
        centre = ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)
        self.assertTrue(is_playing(rect), "the picture does not move")
        click(*centre)
        time.sleep(0.3)
        self.assertTrue(stands_still(rect), "the first click did not pause")
        click(*centre)
        self.assertTrue(is_playing(rect), "the second click did not resume")
        # At its end the movie stops and the window stays; a click plays it again.
        wait_for("the end of the clip", lambda: stands_still(rect, 0.5))
        self.assertTrue(self.player.running())
        click(*centre)
        self.assertTrue(is_playing(rect), "a click after the end did not play the clip again")

    def test_dragging_the_bottom_edge_snaps_back_to_the_ratio(self):
        main = self.player.main_window()
        width, height = client_size(main)
        # No file yet: no lock, the edge moves freely.
        self.drag_bottom_edge(main, 40)
        free = wait_for("the window to grow", lambda: (lambda w: w if client_size(w)[1] > height else None)(
            self.player.main_window()))
        self.assertEqual(client_size(free), (width, height + 40))

        main = self.open_with_ctrl_o(CLIP, (640, 480))
        self.drag_bottom_edge(main, 60)
        time.sleep(1.0)
        self.assertEqual(client_size(self.player.main_window()), (640, 480))
        # The right edge widens the window and the height follows.
        l, t, r, b = self.player.main_window()["window"]
        drag((r - 2, (t + b) // 2), (r + 78, (t + b) // 2))
        main = wait_for("the window to widen", lambda: (lambda w: w if client_size(w)[0] != 640 else None)(
            self.player.main_window()))
        w, h = client_size(main)
        self.assertEqual(w, 720)
        self.assertEqual(h, 540)

    def drag_bottom_edge(self, main, by):
        l, t, r, b = main["window"]
        drag(((l + r) // 2, b - 2), ((l + r) // 2, b - 2 + by))


if __name__ == "__main__":
    unittest.main()
