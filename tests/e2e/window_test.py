"""The session window as a person meets it when the session has started on an applet whose
payload is damaged, so that the first check stops it: what it shows, that a close from outside
does not end it, and its look (the gradient, the see-through memo and buttons, the progress bar,
dragging) on screenshots."""
import os
import shutil
import unittest

import harness
from harness import MIN_APPLET_SIZE, Wine, windows_path
from screen import Picture, band_at, band_colour, band_edges


def start_session(cls, name):
    """Starts a session on a damaged applet and waits until it runs."""
    cls.wine = Wine()
    cls.folder = harness.work_folder(name)
    path = os.path.join(cls.folder, "applet.exe")
    shutil.copyfile(os.path.join(harness.BIN, "applet.exe"), path)
    with open(path, "r+b") as f:
        f.truncate(MIN_APPLET_SIZE)
    args, env = cls.wine.exec_args(f'"{windows_path(path)}"', 300000)
    cls.running = cls.wine.start(args, extra_env=env)
    shown = cls.wine.probe("wait-window", 30000, timeout=90)
    if shown.returncode != 0:
        cls.running.kill()
        raise AssertionError("the session window did not open")
    # The session starts on the first activation; the damaged payload stops it at the first check.
    started = cls.wine.probe("wait-memo", "Required files are missing!", 30000, timeout=90)
    if started.returncode != 0:
        cls.running.kill()
        raise AssertionError("the session did not start")


class SessionWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        start_session(cls, "window")

    @classmethod
    def tearDownClass(cls):
        cls.wine.probe("kill")
        cls.running.wait(60)

    def assert_still_open(self):
        # The window must outlive a generous time-out for going away.
        gone = self.wine.probe("wait-gone", 2000)
        self.assertEqual(gone.returncode, 2, "the window went away")
        self.assertIsNone(self.running.poll(), "the applet ended")

    def test_memo_opens_with_the_notice_and_disclaimer(self):
        memo = self.wine.probe("memo")
        self.assertEqual(memo.returncode, 0)
        lines = memo.stdout.split("\r\n")
        self.assertEqual(lines[0], "_" * 29)
        self.assertIn(harness.text("IDS_MEMO_DISCLAIMER_HEADING"), lines)
        disclaimer = lines[lines.index(harness.text("IDS_MEMO_DISCLAIMER_HEADING")) + 1]
        self.assertEqual(disclaimer, disclaimer.upper())
        # The prefill ends with a rule, six empty lines and a blank; the session's banner and the
        # required-files report follow.
        self.assertEqual(lines[-13:], ["_" * 29, "", "", "", "", "", "", " ",
                                       harness.text("IDS_PRODUCT_BANNER").rstrip("\r\n"), "", "",
                                       harness.text("IDS_CHECK_REQUIRED_FILES").strip("\r\n"),
                                       ""])

    def test_waiting_for_memo_text(self):
        heading = harness.text("IDS_MEMO_DISCLAIMER_HEADING")
        self.assertEqual(self.wine.probe("wait-memo", heading + "\\r\\n", 5000).returncode, 0)
        self.assertEqual(self.wine.probe("wait-memo", "not in the memo", 300).returncode, 2)

    def test_buttons_and_gauges_once_the_session_runs(self):
        # "Please Wait" gave way to "&Cancel" and then to the failed check's "&OK"; unpacking
        # advanced the preparation gauge by 15.
        state = self.wine.probe("state").stdout.splitlines()
        self.assertEqual(state, ["window: visible", 'left: "%s" enabled' % harness.text("IDS_BUTTON_HELP"),
                                 'right: "%s" enabled' % harness.text("IDS_BUTTON_OK"), "gauge-left: 15/100",
                                 "gauge: 0/100"])

    def test_close_requests_from_outside_are_refused(self):
        self.assertEqual(self.wine.probe("close").returncode, 0)
        self.assert_still_open()


BLACK = (0, 0, 0)
RED = (196, 0, 38)
# Layout of the client area (the window's layout resource).
MEMO = (16, 154, 321, 300)
BUTTON_LEFT = (16, 309, 106, 334)
BAR = (41, 128, 320, 145)  # the recording gauge, after the left gauge
BORDER_WIDTH = 2


class SessionWindowLookTest(unittest.TestCase):
    """Screenshots sampled pixel by pixel; the window is placed where the platform put it."""

    @classmethod
    def setUpClass(cls):
        start_session(cls, "window-look")
        # The pointer rests outside the window, so that no hint covers what is sampled.
        cls.wine.probe("pointer", "-50", "-50")

    @classmethod
    def tearDownClass(cls):
        cls.wine.probe("kill")
        cls.running.wait(60)

    def rect(self):
        result = self.wine.probe("rect")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = dict(line.split(" ", 1) for line in result.stdout.splitlines())
        window = tuple(int(v) for v in lines["window"].split())
        client = tuple(int(v) for v in lines["client"].split())
        return window, client, lines["caption"]

    def screenshot(self, name):
        """The window's screenshot and a function giving the pixel at a client point."""
        path = os.path.join(self.folder, name + ".bmp")
        self.assertEqual(self.wine.probe("screenshot", windows_path(path)).returncode, 0)
        picture = Picture(path)
        window, client, _ = self.rect()
        dx, dy = client[0] - window[0], client[1] - window[1]
        return lambda x, y: picture.pixel(x + dx, y + dy)

    def gradient_at(self, y, height):
        return band_colour(band_at(y, height), BLACK, RED)

    def test_no_caption_and_the_client_fills_the_frame(self):
        window, client, caption = self.rect()
        self.assertEqual(caption, "no")
        # Only the border width separates client and window edges: no caption bar above.
        self.assertEqual(client[1] - window[1], BORDER_WIDTH)
        self.assertEqual(client[0] - window[0], BORDER_WIDTH)
        self.assertEqual(window[3] - window[1] - 2 * BORDER_WIDTH, client[3])
        # The window kept its size when the caption went, so the client area grew by its height.
        self.assertGreater(client[3], 343)

    def test_gradient_bands_from_black_to_red(self):
        _, client, _ = self.rect()
        height = client[3]
        at = self.screenshot("gradient")
        x = 5  # the left margin, where no control lies
        cases = [(0, BLACK), (64, (98, 0, 19)),
                 # The last band (exactly the end colour) starts at the bottom edge; the one
                 # before it is the bottom row that shows.
                 (127, (194, 0, 38))]
        for index, colour in cases:
            top, bottom = band_edges(index, height)
            with self.subTest(band=index, rows=(top, bottom)):
                self.assertEqual(band_colour(index, BLACK, RED), colour)
                for y in range(top, bottom):
                    self.assertEqual(at(x, y), colour, f"row {y}")
        self.assertEqual(band_colour(128, BLACK, RED), RED)
        self.assertEqual(band_edges(128, height)[0], height)

    def assert_see_through(self, at, area, what, height):
        """Most pixels of `area` show the gradient row they lie on; the rest are the caption."""
        left, top, right, bottom = area
        gradient = white = 0
        for y in range(top, bottom):
            for x in range(left, right):
                pixel = at(x, y)
                gradient += pixel == self.gradient_at(y, height)
                white += pixel == (255, 255, 255)
        total = (right - left) * (bottom - top)
        self.assertGreater(gradient, total * 0.6, f"the gradient behind {what}")
        self.assertGreater(white, 20, f"white text on {what}")

    def test_gradient_shows_behind_the_memo_text(self):
        _, client, _ = self.rect()
        at = self.screenshot("memo")
        left, top, right, bottom = MEMO
        scroll_bar = 20
        self.assert_see_through(at, (left, top, right - scroll_bar, bottom), "the memo", client[3])

    def test_gradient_shows_around_the_button_captions(self):
        _, client, _ = self.rect()
        at = self.screenshot("buttons")
        left, top, right, bottom = BUTTON_LEFT
        edge = 5  # frame, raised edge and focus rectangle
        self.assert_see_through(at, (left + edge, top + edge, right - edge, bottom - edge),
                                "the left button", client[3])

    def test_a_progress_message_from_outside_paints_nothing(self):
        # Only the applet's own burn worker moves the bar: a stranger's "half way" leaves it empty.
        self.assertEqual(self.wine.probe("burn-progress", "50", "100").returncode, 0)
        state = self.wine.probe("state").stdout.splitlines()
        self.assertIn("gauge: 0/100", state)
        at = self.screenshot("gauge")
        left, top, right, bottom = BAR
        y = (top + bottom) // 2
        for x in (left, left + 139, left + 140, right - 1):
            self.assertEqual(at(x, y), BLACK, f"x = {x}")
        self.assertEqual(self.wine.probe("exists").stdout.strip(), "visible", "the window went away")

    def caption_greys(self, at):
        """Neutral grey pixels (the shadow colour) inside the left button's caption area."""
        left, top, right, bottom = BUTTON_LEFT
        greys = []
        for y in range(top + 5, bottom - 5):
            for x in range(left + 5, right - 5):
                r, g, b = at(x, y)
                if r == g == b and 64 <= r <= 224:
                    greys.append((x, y))
        return greys

    def test_a_disabled_button_caption_is_embossed(self):
        self.assertEqual(self.caption_greys(self.screenshot("enabled")), [],
                         "an enabled caption is plain white")
        self.assertEqual(self.wine.probe("enable", "left", "off").returncode, 0)
        try:
            at = self.screenshot("disabled")
            greys = self.caption_greys(at)
            self.assertGreater(len(greys), 10, "the caption in the shadow colour")
            # The highlight copy lies one pixel right and down of the shadow copy.
            highlighted = sum(at(x + 1, y + 1) == (255, 255, 255) for x, y in greys)
            self.assertGreater(highlighted, len(greys) // 4, "the highlight copy under it")
        finally:
            self.wine.probe("enable", "left", "on")

    def test_a_drag_moves_the_window_only_from_a_free_point(self):
        cases = [("free point beside the logo", (300, 60), True),
                 ("progress bar", (200, 136), True),
                 ("memo", (100, 220), False),
                 # The press starts on the button and ends beside it, so it clicks nothing.
                 ("left button", (60, 320), False)]
        for what, (x, y), moves in cases:
            with self.subTest(start=what):
                before, _, _ = self.rect()
                self.assertEqual(self.wine.probe("drag", x, y, 40, 30).returncode, 0)
                after, _, _ = self.rect()
                shift = (after[0] - before[0], after[1] - before[1])
                self.assertEqual(shift, (40, 30) if moves else (0, 0))
                self.assertEqual((after[2] - after[0], after[3] - after[1]),
                                 (before[2] - before[0], before[3] - before[1]))


class EightBitDisplayTest(unittest.TestCase):
    """On a display of 8 bits per pixel (an Xvfb of its own, with a prefix of its own) the
    window is plain red and the memo text black, since a gradient would only dither."""

    PLAIN_RED = (255, 0, 0)

    @classmethod
    def setUpClass(cls):
        cls.previous = harness.switch_prefix("prefix-8bit")
        try:
            harness.setup_prefix(depth=8)
            start_session(cls, "window-8bit")
        except Exception:
            harness.cleanup_prefix()
            harness.restore_prefix(cls.previous)
            raise
        cls.wine.probe("pointer", "-50", "-50")

    @classmethod
    def tearDownClass(cls):
        try:
            cls.wine.probe("kill")
            cls.running.wait(60)
        finally:
            harness.cleanup_prefix()
            harness.restore_prefix(cls.previous)

    def test_plain_red_window_and_black_memo_text(self):
        path = os.path.join(self.folder, "eight-bit.bmp")
        shot = self.wine.probe("screenshot", windows_path(path))
        if shot.returncode != 0 and self.running.poll() is not None:
            ended = self.running.wait(5)
            self.fail(f"the session ended: {ended.stdout!r} {ended.stderr[-2000:]!r}")
        self.assertEqual(shot.returncode, 0, shot.stdout + shot.stderr)
        picture = Picture(path)
        lines = dict(line.split(" ", 1) for line in self.wine.probe("rect").stdout.splitlines())
        window = [int(v) for v in lines["window"].split()]
        client = [int(v) for v in lines["client"].split()]
        dx, dy = client[0] - window[0], client[1] - window[1]
        height = client[3]
        for y in (0, height // 2, height - 1):
            self.assertEqual(picture.pixel(dx + 5, dy + y), self.PLAIN_RED, f"row {y}")
        left, top, right, bottom = MEMO
        pixels = [picture.pixel(dx + x, dy + y)
                  for y in range(top, bottom) for x in range(left, right - 20)]
        self.assertGreater(pixels.count(self.PLAIN_RED), len(pixels) * 0.6, "red behind the memo")
        self.assertGreater(pixels.count(BLACK), 20, "black memo text")
        self.assertEqual(pixels.count((255, 255, 255)), 0, "no white memo text")


if __name__ == "__main__":
    unittest.main()
