"""The explorer's server and its page in headless Chromium, for the browser
tests and the benchmark: run by Debian's /usr/bin/python3 with its
python3-selenium."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync"]


class Server:
    """`marl explore port=0` in a folder of its own."""

    def __init__(self, marl, words=()):
        self.folder = tempfile.mkdtemp(prefix="marl-explore-")
        self.process = subprocess.Popen([marl, "explore", "port=0", *words], cwd=self.folder,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
        self.url = self.process.stdout.readline().strip()
        if not re.match(r"http://127\.0\.0\.1:\d+/\?token=[0-9a-f]{48}$", self.url):
            raise RuntimeError("marl explore printed " + repr(self.url))
        self.port = int(self.url.split(":")[2].split("/")[0])

    def stop(self):
        """Ctrl-C; its status and standard error."""
        self.process.send_signal(signal.SIGINT)
        _, err = self.process.communicate(timeout=60)
        shutil.rmtree(self.folder, ignore_errors=True)
        return self.process.returncode, err


class Browser:
    """Headless Chromium with a fresh profile."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="marl-chromium-")
        options = Options()
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + self.profile)
        options.add_argument("--window-size=1400,1000")
        options.binary_location = "/usr/bin/chromium"
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"),
                                       options=options)

    def quit(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, script, limit=60.0, step=0.02):
        """Waits until `script` returns something true; that value, or None."""
        until = time.monotonic() + limit
        while time.monotonic() < until:
            value = self.js(script)
            if value:
                return value
            time.sleep(step)
        return None

    def keep_small_png(self):
        """Keeps the view as a small exact PNG; the first job once it ends."""
        self.js("""const f = document.querySelector('#keep-form');
                   f.size.value = '120'; f.it.value = '1500000'; f.image.value = 'png';
                   f.mode.value = 'exact';""")
        self.js("document.querySelector('#keep').click()")
        return self.wait("""const jobs = Object.values(window.marl.jobs);
                            return jobs.length && ['done', 'failed'].includes(jobs[0].state) && jobs[0];""")

    def view_pixels(self):
        """The large view as shown: its pixels, 64 x 64, as one flat list."""
        return self.js("""
            const img = document.querySelector('#view-image');
            const c = document.createElement('canvas');
            c.width = 64; c.height = 64;
            const g = c.getContext('2d');
            g.drawImage(img, 0, 0, 64, 64);
            return Array.from(g.getImageData(0, 0, 64, 64).data);""")


def difference(a, b):
    """Mean absolute difference of two pixel lists, 0 to 255."""
    return sum(abs(x - y) for x, y in zip(a, b)) / max(1, len(a))
