"""The explorer's page in headless Chromium, beyond its candidates: a
folder of pictures already made (folder=) shown, its hostile files refused
without stopping the rest, and one of its pictures chosen like a candidate.

Usage: /usr/bin/python3 breed_browser_test.py MARL"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from explorer_page import Browser, Server  # noqa: E402

MARL = None


def make_folder(marl):
    """Four pictures of marl's (three JPEG, one TIFF) and the files a
    stranger might leave beside them; the names of the hostile ones."""
    folder = tempfile.mkdtemp(prefix="marl-folder-")
    for second, image in ((1, "jpg"), (2, "jpg"), (3, "jpg"), (4, "tiff")):
        subprocess.run(["faketime", "-f", f"2026-01-01 00:00:0{second}", marl, "size=160",
                        "mode=fast", "it=600000", f"image={image}"], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env={**os.environ, "TZ": "UTC"})
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


class FolderPage(unittest.TestCase):
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
        self.assertTrue(b.wait("return window.marl.lastHits >= 256"), "no view of it")
        with open(os.path.join(self.pictures_folder, self.pictures[0]), "rb") as f:
            jpeg = f.read()
        at = jpeg.index(b"\ncoefficients=") + len(b"\ncoefficients=")
        coefficients = jpeg[at:jpeg.index(b"\n", at)].decode()
        self.assertEqual(b.js("return window.marlPage.state().coefficients"), coefficients)
        self.assertIn("coefficients=", b.driver.current_url)

if __name__ == "__main__":
    MARL = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
