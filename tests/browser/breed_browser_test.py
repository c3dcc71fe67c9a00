"""The explorer's page in headless Chromium, beyond its candidates: a
folder of pictures already made (folder=) shown, its hostile files refused
without stopping the rest, and one of its pictures chosen like a candidate;
children of the view (mutations, crossings) shown, one adopted as the view,
and its kept file equal to what its command makes; a loop of the view
playing within 10 s.

Usage: /usr/bin/python3 breed_browser_test.py MARL"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from explorer_page import Browser, Server, difference  # noqa: E402

MARL = None


def make_folder(marl):
    """Four pictures of marl's (three JPEG, one TIFF) and the files a
    stranger might leave beside them; the names of the hostile ones."""
    folder = tempfile.mkdtemp(prefix="marl-folder-")
    # Seeds, not a frozen clock: the faketime wrapper's shared state clashes
    # with another test's at once.
    for seed, image in ((1, "jpg"), (2, "jpg"), (3, "jpg"), (4, "tiff")):
        subprocess.run([marl, f"seed={seed}", "size=160", "mode=fast", "it=600000",
                        f"image={image}"], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pictures = sorted(os.listdir(folder))
    with open(os.path.join(folder, pictures[0]), "rb") as f:
        jpeg = f.read()
    # Cut short before its recipe ends; and its recipe changed under its check.
    with open(os.path.join(folder, "cut.jpg"), "wb") as f:
        f.write(jpeg[:200])
    at = jpeg.index(b"\nit=") + 4
    with open(os.path.join(folder, "forged.jpg"), "wb") as f:
        f.write(jpeg[:at] + (b"7" if jpeg[at:at + 1] != b"7" else b"8") + jpeg[at + 1:])
    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("size=99999\n")
    os.mkfifo(os.path.join(folder, "pipe.jpg"))
    os.mkdir(os.path.join(folder, "sub"))
    return folder, pictures


class BreedPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pictures_folder, cls.pictures = make_folder(MARL)
        cls.server = Server(MARL, ["folder=" + cls.pictures_folder])
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        status, err = cls.server.stop()
        shutil.rmtree(cls.pictures_folder, ignore_errors=True)
        assert status == 0, err
        # Each refusal told once, naming its file, the others still shown.
        assert err.count("marl: warning: not showing a file of folder=") == 2, err
        assert "cut.jpg" in err and "forged.jpg" in err, err

    def test_the_folder_shown_and_a_picture_of_it_chosen(self):
        b = self.browser
        b.driver.get(self.server.url)
        folder = b.wait("return window.marl.folder.done && window.marl.folder")
        self.assertIsNotNone(folder, "the folder was never shown")
        self.assertEqual(folder["shown"], 4)
        self.assertEqual(folder["refused"], 2)
        names = b.js("return [...document.querySelectorAll('#folder-grid .card span')]"
                     ".map(s => s.textContent)")
        self.assertEqual(names, self.pictures)
        refusals = b.js("return [...document.querySelectorAll('#folder-refusals li')]"
                        ".map(l => l.textContent)")
        self.assertEqual(len(refusals), 2)
        self.assertIn("cut.jpg", refusals[0])
        self.assertIn("forged.jpg", refusals[1])
        # Every picture, the TIFF too (through a preview of its map), shown.
        self.assertTrue(b.wait("""return [...document.querySelectorAll('#folder-grid img')]
                                  .every(i => i.complete && i.naturalWidth > 0)"""))

        # A picture of the folder is chosen as a candidate is: its own map.
        b.js("document.querySelector('#folder-grid .card').click()")
        self.assertTrue(b.wait("return window.marl.lastHits >= 200"), "no view of it")
        with open(os.path.join(self.pictures_folder, self.pictures[0]), "rb") as f:
            jpeg = f.read()
        at = jpeg.index(b"\ncoefficients=") + len(b"\ncoefficients=")
        coefficients = jpeg[at:jpeg.index(b"\n", at)].decode()
        self.assertEqual(b.js("return window.marlPage.state().coefficients"), coefficients)
        self.assertIn("coefficients=", b.driver.current_url)
    def test_a_loop_plays_within_ten_seconds(self):
        b = self.browser
        b.driver.get(self.server.url)
        self.assertTrue(b.wait("return window.marl.candidates >= 1"), "no candidates")
        b.js("document.querySelector('#grid .card').click()")
        b.js("document.querySelector('#loop-preview').click()")
        # Playing: frames shown, and its time moving between two looks.
        started = b.wait("""const v = document.querySelector('#loop-video');
            return v.src && v.readyState >= 2 && v.currentTime > 0 &&
                   v.getVideoPlaybackQuality().totalVideoFrames > 0 &&
                   {at: performance.now() - window.marl.loop.asked, time: v.currentTime,
                    side: v.videoWidth};""", limit=10)
        self.assertIsNotNone(started, "no loop playing within 10 s: "
                             + str(b.js("return window.marl.loop")))
        self.assertEqual(started["side"], 256)
        self.assertLess(started["at"], 10000)
        later = b.wait(f"""const v = document.querySelector('#loop-video');
            return v.currentTime != {started['time']} && v.currentTime;""", limit=5)
        self.assertTrue(later, "the loop's time did not move")
        print(f"\nloop playing {started['at'] / 1000:.2f} s after it was asked", file=sys.stderr)

        # Kept at the Keep form's size, with its video and every frame.
        b.js("""const f = document.querySelector('#keep-form');
                f.size.value = '96'; f.it.value = '400000'; f.mode.value = 'fast';
                document.querySelector('#loop-frames').value = '6';""")
        b.js("document.querySelector('#loop-keep').click()")
        job = b.wait("""const jobs = Object.values(window.marl.jobs);
                        return jobs.length && ['done', 'failed'].includes(jobs[0].state) && jobs[0];""")
        self.assertIsNotNone(job, "the kept loop did not end")
        self.assertEqual(job["state"], "done")
        self.assertIn("frames=6", job["command"])
        self.assertIn("video=mp4", job["command"])
        self.assertEqual(len([f for f in job["files"] if f.endswith(".mp4")]), 1, job["files"])
        self.assertEqual(len([f for f in job["files"] if "_f000" in f]), 6, job["files"])

    def test_children_shown_adopted_and_kept(self):
        b = self.browser
        b.driver.get(self.server.url)
        self.assertTrue(b.wait("return window.marl.candidates >= 2"), "no candidates")
        b.js("document.querySelector('#grid .card').click()")
        self.assertTrue(b.wait("return window.marl.lastHits >= 200"), "the view was not refined")
        parent = b.js("return {...window.marlPage.state()}")
        before = b.view_pixels()

        # Mutations: each judged and shown as it is done, one adopted.
        b.js("document.querySelector('#mutate').click()")
        self.assertTrue(b.wait("return window.marl.children.length >= 8"), "no 8 mutations")
        children = b.js("return window.marl.children")
        self.assertEqual({c["kind"] for c in children}, {"step"})
        kept = [c for c in children if not c.get("rejected")]
        self.assertTrue(kept, "every mutation was refused by the fill check")
        child = kept[0]
        for key in ("linear", "offset", "detail", "startx", "starty"):
            self.assertEqual(child["recipe"][key], parent[key])
        self.assertNotEqual(child["recipe"]["coefficients"], parent["coefficients"])
        views = b.js("return window.marl.views")
        b.js(f"document.querySelector('#children-grid [data-id=\"{child['id']}\"]').click()")
        self.assertTrue(b.wait(f"return window.marl.views > {views} && window.marl.lastHits >= 200"))
        self.assertEqual(b.js("return window.marlPage.state().coefficients"),
                         child["recipe"]["coefficients"])
        self.assertGreater(difference(before, b.view_pixels()), 1.0)

        # Kept, it is a recipe like any other: its command makes its bytes.
        job = b.keep_small_png()
        self.assertIsNotNone(job, "the keep job did not end")
        self.assertEqual(job["state"], "done")
        self.assertIn("coefficients=" + child["recipe"]["coefficients"], job["command"])
        words = shlex.split(job["command"])[1:]
        with tempfile.TemporaryDirectory() as elsewhere:
            subprocess.run([MARL] + words, cwd=elsewhere, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(os.path.join(elsewhere, job["files"][0]), "rb") as again, \
                 open(os.path.join(self.server.folder, job["files"][0]), "rb") as made:
                self.assertEqual(again.read(), made.read())

        # Crossing with a second candidate: blends and block-wise mixes.
        b.js("document.querySelector('#cross').click()")
        b.js("document.querySelectorAll('#grid .card')[1].click()")
        self.assertTrue(b.wait("return window.marl.children.length >= 6"), "no crossings")
        kinds = [c["kind"] for c in b.js("return window.marl.children")]
        self.assertEqual(sorted(kinds), sorted(["blend 25%", "blend 50%", "blend 75%",
                                                "rows", "columns", "checkerboard"]))
        # Picking the second parent did not change the view.
        self.assertEqual(b.js("return window.marlPage.state().coefficients"),
                         child["recipe"]["coefficients"])


if __name__ == "__main__":
    MARL = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
