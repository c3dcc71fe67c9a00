"""The folder's timings in headless Chromium, for bench/folder_speed.sh.

Usage: /usr/bin/python3 folder_speed.py MARL FOLDER ROUNDS"""

import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "tests", "browser"))
from explorer_page import Browser, Server  # noqa: E402

ALL_SHOWN = """const f = window.marl.folder;
  const images = [...document.querySelectorAll('#folder-grid img')];
  return f.done && images.every(i => i.complete && i.naturalWidth > 0) &&
    {cards: f.seconds, shown: (performance.now() - f.asked) / 1000, count: f.shown};"""


def main():
    marl, folder, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    server = Server(marl, ["folder=" + folder])
    browser = Browser()
    try:
        cards, shown = [], []
        for r in range(rounds):
            # A page of its own each round: an image another page of this
            # browser decoded already is not shown sooner.
            browser.driver.get("about:blank")
            browser.driver.get(server.url)
            # Polled every 20 ms: the figures are late by that at most.
            got = browser.wait(ALL_SHOWN, limit=60)
            if not got:
                raise SystemExit("the folder was not shown within 60 s")
            print(f"round {r + 1}: {got['count']} pictures; every card in "
                  f"{got['cards']:.3f} s, every picture shown in {got['shown']:.3f} s")
            cards.append(got["cards"])
            shown.append(got["shown"])
        print(f"median: every card in {statistics.median(cards):.3f} s, "
              f"every picture shown in {statistics.median(shown):.3f} s (goal: 2 s)")
    finally:
        browser.quit()
        server.stop()


if __name__ == "__main__":
    main()
