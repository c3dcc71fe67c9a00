"""The explorer's page in headless Chromium: it loads, candidates appear,
choosing one and changing its palette changes the picture, "keep" writes a
file whose bytes equal what the shown command makes, and a link with the
state reopens the same view.

Usage: /usr/bin/python3 explore_browser_test.py MARL [SCREENSHOT.png]"""

import os
import shlex
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from explorer_page import Browser, Server, difference  # noqa: E402

MARL = None
SCREENSHOT = None


class ExplorePage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server(MARL)
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        status, err = cls.server.stop()
        assert status == 0, err
        assert "marl: note: the explorer has stopped" in err, err

    def test_the_whole_evening(self):
        b = self.browser
        b.driver.get(self.server.url)
        self.assertEqual(b.driver.title, "marl explore")
        self.assertTrue(b.wait("return window.marl.candidates >= 12"), "no 12 candidates")
        labels = b.js("return [...document.querySelectorAll('.card span')].map(s => s.textContent)")
        self.assertRegex(labels[0], r"^#\d{6} · fill \d+\.\d%$")

        # Choose one: the view is refined to its last round.
        b.js("document.querySelector('.card').click()")
        self.assertTrue(b.wait("return window.marl.lastHits >= 200"), "the view was not refined")
        self.assertIn("200 hits a pixel", b.js("return document.querySelector('#view-hits').textContent"))
        self.assertTrue(b.wait("return document.querySelectorAll('#palette-previews img').length > 5"))
        before = b.view_pixels()

        # Another palette recolours the kept counts.
        views = b.js("return window.marl.views")
        b.js("""const s = document.querySelector('#colour-form [name=palette]');
                s.value = 'inferno'; s.dispatchEvent(new Event('input', {bubbles: true}));""")
        self.assertTrue(b.wait(f"return window.marl.timings.length >= 1 && window.marl.views > {views}"))
        after = b.view_pixels()
        self.assertGreater(difference(before, after), 10)
        self.assertIn("palette=inferno", b.driver.current_url)

        # A link with the state opens the same view in a fresh page.
        link = b.driver.current_url
        b.driver.get("about:blank")
        b.driver.get(link)
        self.assertTrue(b.wait("return window.marl.lastHits >= 200"), "the link made no view")
        self.assertLess(difference(after, b.view_pixels()), 1.0)
        if SCREENSHOT:
            b.wait("return window.marl.candidates >= 12")
            b.wait("return document.querySelectorAll('#palette-previews img').length > 5")
            b.driver.set_window_size(1400, 1250)
            b.driver.save_screenshot(SCREENSHOT)

        # Keep it small: the file equals what the shown command makes.
        job = b.keep_small_png()
        self.assertIsNotNone(job, "the keep job did not end")
        self.assertEqual(job["state"], "done")
        self.assertEqual(len(job["files"]), 1)
        self.assertTrue(job["command"].startswith("marl "))
        self.assertIn("palette=inferno", job["command"])
        words = shlex.split(job["command"])[1:]
        with tempfile.TemporaryDirectory() as elsewhere:
            subprocess.run([MARL] + words, cwd=elsewhere, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(os.path.join(elsewhere, job["files"][0]), "rb") as again, \
                 open(os.path.join(self.server.folder, job["files"][0]), "rb") as kept:
                self.assertEqual(again.read(), kept.read())

    def test_a_value_out_of_range_is_shown_refused(self):
        b = self.browser
        b.driver.get(self.server.url)
        self.assertTrue(b.wait("return window.marl.candidates >= 1"))
        b.js("document.querySelector('.card').click()")
        b.js("""const f = document.querySelector('#keep-form');
                f.size.value = '99999';""")
        b.js("document.querySelector('#keep').click()")
        shown = b.wait("""const r = document.querySelector('#refusal');
                          return !r.hidden && r.textContent;""")
        self.assertIsNotNone(shown)
        self.assertIn("size=99999", shown)


if __name__ == "__main__":
    MARL = os.path.abspath(sys.argv[1])
    if len(sys.argv) > 2:
        SCREENSHOT = os.path.abspath(sys.argv[2])
    unittest.main(argv=sys.argv[:1], verbosity=2)
