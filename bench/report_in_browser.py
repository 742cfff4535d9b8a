#!/usr/bin/env python3
"""How soon an evidence report is usable in headless Chromium.

Loads the page (a file written by codetwin-class --html, or by report_bench
--page=FILE) several times, each in a fresh profile, and prints the median
of each figure, in milliseconds:

  loaded     navigation start to the load event (the page parsed, its
             script run: sorting, filtering and the jumps are ready)
  painted    navigation start to the first contentful paint
  get        what the driver waited for get() (Chromium's own view of it)
  view       a pair view opened (#pair-N) until it is laid out and painted
  jump       a click on a stretch until the twin is scrolled into view and
             the next frame painted

    /usr/bin/python3 bench/report_in_browser.py PAGE [--runs 5] [--view N]

Needs chromium, chromium-driver and python3-selenium (Debian).
"""

import argparse
import os
import shutil
import statistics
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=1400,1000",
]

TIMES = """
const navigation = performance.getEntriesByType('navigation')[0];
const paint = performance.getEntriesByType('paint')
    .find((entry) => entry.name === 'first-contentful-paint');
return {loaded: navigation.loadEventEnd, painted: paint ? paint.startTime : null};
"""

# Runs `action` and waits for the frame after it to be painted.
NEXT_FRAME = """
const done = arguments[arguments.length - 1];
const start = performance.now();
(new Function(arguments[0]))();
requestAnimationFrame(() => setTimeout(() => done(performance.now() - start), 0));
"""

OPEN_VIEW = "location.hash = '#pair-%d'; document.body.offsetHeight;"
JUMP = ("document.querySelector('#pair-%d .side[data-side=\"a\"] mark[data-t=\"1\"]').click();"
        "document.body.offsetHeight;")


def one_run(url, view):
    profile = tempfile.mkdtemp(prefix="codetwin-timing-")
    options = webdriver.ChromeOptions()
    for flag in FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + profile)
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    driver = webdriver.Chrome(
        service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"), options=options)
    try:
        start = time.monotonic()
        driver.get(url)
        got = (time.monotonic() - start) * 1000
        times = driver.execute_script(TIMES)
        times["get"] = got
        times["view"] = driver.execute_async_script(NEXT_FRAME, OPEN_VIEW % view)
        times["jump"] = driver.execute_async_script(NEXT_FRAME, JUMP % view)
        return times
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("page")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--view", type=int, default=1, help="the pair view to open")
    args = parser.parse_args()
    url = "file://" + os.path.abspath(args.page)
    runs = [one_run(url, args.view) for _ in range(args.runs)]
    print("page: %s (%.2f MB)" % (args.page, os.path.getsize(args.page) / 1e6))
    for key in ("loaded", "painted", "get", "view", "jump"):
        values = [run[key] for run in runs if run[key] is not None]
        print("%-8s median %7.1f ms   (min %.1f, max %.1f)" % (
            key, statistics.median(values), min(values), max(values)))


if __name__ == "__main__":
    main()
