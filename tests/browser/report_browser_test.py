#!/usr/bin/env python3
"""The evidence report of codetwin-class, checked in headless Chromium.

Runs the built codetwin-class on small classes in scratch folders, loads the
pages it writes in Chromium (through chromedriver, driven by Selenium) and
checks the live page: the stretches of each pair view against its tiles and
their lines, the jump from a stretch to its twin, sorting and filtering the
ranking, the histogram, hostile names and sources (nothing runs, nothing is
loaded, the DOM stays the template's), Chinese sources in GBK and in UTF-8,
and the print layout. Screenshots and printed PDFs are left in the
artefacts folder for a person to look at.

    report_browser_test.py --program BUILD/codetwin-class \\
        --write-class BUILD/tests/browser/write_class --examples examples \\
        --artefacts BUILD/tests/browser/artefacts [TestClass ...]

Exit status 77 (a skip for CTest) when Chromium, chromedriver or Selenium
is missing.
"""

import argparse
import base64
import csv
import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SKIPPED = 77
CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
CHROMEDRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"
# The machine may have no network: nothing of Chromium's own may try to reach one.
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=1400,1000", "--lang=zh-CN",
]
TITLE = "codetwin-class 查重报告"

try:
    from selenium import webdriver
    from selenium.common.exceptions import NoAlertPresentException, UnexpectedAlertPresentException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:  # checked in main()
    webdriver = None

ARGS = None  # the command line, set by main()


def run_program(folder, *arguments):
    """Runs codetwin-class in `folder`; returns its exit status."""
    done = subprocess.run([ARGS.program, *arguments], cwd=folder, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False,
                          env={**os.environ, "LC_ALL": "C.UTF-8"})
    return done.returncode


def page_url(path, fragment=""):
    return "file://" + os.path.abspath(path) + fragment


class Browser:
    """One headless Chromium with its own profile, logging the network."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="codetwin-chromium-")
        options = webdriver.ChromeOptions()
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + self.profile)
        options.binary_location = CHROMIUM
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def load(self, path, fragment=""):
        self.driver.get(page_url(path, fragment))
        self.driver.execute_script("return document.readyState")

    def show(self, fragment):
        """Goes to a view of the loaded page, as a click on its link does."""
        self.driver.execute_script("location.hash = arguments[0]", fragment)

    def js(self, script, *arguments):
        return self.driver.execute_script(script, *arguments)

    def requests(self):
        """The URLs the page asked for since the last call."""
        urls = []
        for entry in self.driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            # The browser's own pages (its new tab page) are not the report's.
            if (message["method"] == "Network.requestWillBeSent" and
                    not message["params"].get("documentURL", "").startswith("chrome:")):
                urls.append(message["params"]["request"]["url"])
        return urls

    def console(self):
        return [entry["message"] for entry in self.driver.get_log("browser")]

    def print_pdf(self):
        result = self.driver.execute_cdp_cmd(
            "Page.printToPDF", {"printBackground": True, "preferCSSPageSize": True})
        return base64.b64decode(result["data"])


# What a pair view holds, read in the page: per side, each stretch's tile,
# file and line; the tile list's rows.
READ_VIEW = r"""
const section = document.getElementById(arguments[0]);
function side(name) {
  const marks = [];
  section.querySelectorAll('.side[data-side="' + name + '"] .src').forEach((src, file) => {
    Array.from(src.children).forEach((line, index) => {
      line.querySelectorAll('mark').forEach((mark) => {
        marks.push({tile: mark.dataset.t, colour: mark.className.replace(' on', ''),
                    file: file, line: index + 1, text: mark.textContent});
      });
    });
  });
  return marks;
}
const rows = Array.from(section.querySelectorAll('table.tiles tbody tr'), (row) =>
  Array.from(row.cells, (cell) => cell.textContent));
return {a: side('a'), b: side('b'), rows: rows};
"""



# The Chinese characters of the shown view that render as no glyph. Each
# element's own font draws each of its characters on a canvas; a character
# is missing when it draws nothing, the same pixels as a private-use
# character (which no font has: the missing-glyph box), or the same pixels
# as another character (boxes all look alike; real glyphs never do).
MISSING_GLYPHS = r"""
const cjk = /[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]/gu;
const canvas = document.createElement('canvas');
canvas.width = canvas.height = 64;
const context = canvas.getContext('2d', {willReadFrequently: true});
function pixels(font, text) {
  context.clearRect(0, 0, 64, 64);
  context.font = font;
  context.textBaseline = 'top';
  context.fillText(text, 4, 4);
  const data = context.getImageData(0, 0, 64, 64).data;
  let ink = false, key = '';
  for (let k = 3; k < data.length; k += 4) {
    if (data[k]) ink = true;
    key += String.fromCharCode(data[k]);
  }
  return ink ? key : '';
}
const fonts = new Map();  // font -> character -> pixels
const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
while (walker.nextNode()) {
  const element = walker.currentNode.parentElement;
  if (!element || !element.getClientRects().length) continue;
  const found = walker.currentNode.textContent.match(cjk);
  if (!found) continue;
  const style = getComputedStyle(element);
  const font = [style.fontStyle, style.fontWeight, '24px', style.fontFamily].join(' ');
  if (!fonts.has(font)) fonts.set(font, new Map());
  for (const ch of found) fonts.get(font).set(ch, null);
}
const missing = new Set();
let checked = 0;
for (const [font, characters] of fonts) {
  const box = pixels(font, '\ue000');
  const seen = new Map();  // pixels -> a character that drew them
  for (const ch of characters.keys()) {
    const drawn = pixels(font, ch);
    checked += 1;
    if (drawn === '' || drawn === box) missing.add(ch);
    if (seen.has(drawn)) { missing.add(ch); missing.add(seen.get(drawn)); }
    seen.set(drawn, ch);
  }
}
return {checked: checked, missing: Array.from(missing).sort().join('')};
"""

def lines_text(marks, several_files, file_names):
    """The tile list's text for one tile's stretches: "5–7", "a.c 1–2；b.c 1"."""
    by_file = {}
    for mark in marks:
        lines = by_file.setdefault(mark["file"], [])
        lines.append(mark["line"])
    parts = []
    for file in sorted(by_file):
        first, last = min(by_file[file]), max(by_file[file])
        text = str(first) if first == last else "%d–%d" % (first, last)
        parts.append((file_names[file] + " " if several_files else "") + text)
    return "；".join(parts)


class ReportTest(unittest.TestCase):
    """Starts one browser for the test class's cases."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="codetwin-report-")
        cls.browser = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        return path

    def view(self, number):
        return self.browser.js(READ_VIEW, "pair-%d" % number)

    def check_view(self, number):
        """Every tile is a stretch on both sides, in one colour, on the lines
        the tile list gives."""
        view = self.view(number)
        tiles = [str(n) for n in range(1, len(view["rows"]) + 1)]
        for side in ("a", "b"):
            self.assertEqual(sorted({m["tile"] for m in view[side]}, key=int), tiles,
                             "pair %d side %s" % (number, side))
        colours_a = {m["tile"]: m["colour"] for m in view["a"]}
        colours_b = {m["tile"]: m["colour"] for m in view["b"]}
        self.assertEqual(colours_a, colours_b, "pair %d" % number)
        return view


class ExamplePairTest(ReportTest):
    """The example pair: codetwin-class examples/file1.c examples/file2.c."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for name, copy in (("file1.c", "a.c"), ("file2.c", "b.c")):
            shutil.copy(os.path.join(ARGS.examples, name), os.path.join(cls.folder, copy))
        cls.status = run_program(cls.folder, "a.c", "b.c", "--html", "pair.html")
        cls.page = os.path.join(cls.folder, "pair.html")
        cls.browser.load(cls.page, "#pair-1")

    def test_program_wrote_the_page(self):
        self.assertEqual(self.status, 0)
        self.assertEqual(self.browser.driver.title, TITLE)

    def test_tiles_on_the_right_lines(self):
        view = self.check_view(1)
        # Length, lines in a.c, lines in b.c: the tiles of the example pair.
        self.assertEqual([row[1:] for row in view["rows"]], [
            ["23", "5–7", "8–10"],
            ["19", "1–2", "1–2"],
            ["9", "4", "5"],
            ["6", "3", "4"],
            ["5", "3", "3"],
            ["4", "3", "6"],
        ])
        for tile, row in enumerate(view["rows"], start=1):
            for side, column in (("a", 2), ("b", 3)):
                marks = [m for m in view[side] if m["tile"] == str(tile)]
                self.assertEqual(lines_text(marks, False, []), row[column], "tile %d" % tile)

    def test_stretches_hold_the_matching_code(self):
        view = self.view(1)
        text = {side: {} for side in "ab"}
        for side in "ab":
            for mark in view[side]:
                text[side][mark["tile"]] = text[side].get(mark["tile"], "") + mark["text"]
        self.assertEqual(text["a"]["3"], "sum = sum + i;")
        self.assertEqual(text["b"]["3"], "total = total + k;")
        self.assertEqual(text["a"]["1"], 'printf("%d", sum);return 0;}')
        self.assertEqual(text["b"]["1"], 'printf("%d", total);return 0;}')


class ClassTest(ReportTest):
    """A generated class, a submission of two files, and a copy with
    Chinese comments in GBK beside its original in UTF-8."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.class_folder = os.path.join(cls.folder, "class")
        subprocess.run([ARGS.write_class, cls.class_folder, "14", "3000", "7"], check=True)
        with open(os.path.join(cls.class_folder, "s0003.c"), "rb") as source:
            text = source.read()
        # s0003 again, cut in two files in the middle of a line.
        middle = text.index(b"\n", len(text) // 2) - 3
        for name, part in (("a.c", text[:middle]), ("b.c", text[middle:])):
            path = os.path.join(cls.class_folder, "split", name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(part)
        program = ("/* 求和：从 1 加到 n */\nint main() {\n  int n = 10, s = 0;\n"
                   "  // 逐个相加\n  for (int i = 1; i <= n; i++) s = s + i;\n"
                   "  printf(\"和是 %d\\n\", s);\n  return 0;\n}\n")
        with open(os.path.join(cls.class_folder, "utf8.c"), "wb") as out:
            out.write(program.encode("utf-8"))
        with open(os.path.join(cls.class_folder, "gbk.c"), "wb") as out:
            out.write(program.replace("s = s + i", "t = t + i").replace("s = 0", "t = 0")
                      .replace("s);", "t);").encode("gbk"))
        cls.program_text = program
        cls.status = run_program(cls.folder, "class", "--html", "class.html", "--csv", "all.csv")
        cls.page = os.path.join(cls.folder, "class.html")
        with open(os.path.join(cls.folder, "all.csv"), encoding="utf-8-sig", newline="") as table:
            cls.rows = list(csv.DictReader(table))
        cls.browser.load(cls.page)

    def setUp(self):
        self.browser.load(self.page)

    def pair_number(self, a, b):
        """The number of the view of pair (a, b)."""
        found = self.browser.js(
            "const items = Array.from(document.querySelectorAll('ol.evidence li'));"
            "return items.findIndex((li) => Array.from(li.querySelectorAll('.name'),"
            " (n) => n.textContent).join('|') === arguments[0]) + 1;", a + "|" + b)
        self.assertGreater(found, 0, a + " " + b)
        return found

    def test_program_wrote_the_page(self):
        self.assertEqual(self.status, 0)

    def test_every_view_has_its_tiles_on_both_sides(self):
        views = self.browser.js("return document.querySelectorAll('section.pair').length")
        # Every suspected pair, and the best 50 (--html-pairs) in any case.
        suspected = sum(1 for row in self.rows if row["suspected"] == "true")
        self.assertEqual(views, max(suspected, min(50, len(self.rows))))
        for number in range(1, views + 1):
            self.check_view(number)

    def test_a_tile_across_two_files(self):
        number = self.pair_number("s0003.c", "split")
        self.browser.show("#pair-%d" % number)
        view = self.check_view(number)
        files = {}
        for mark in view["b"]:
            files.setdefault(mark["tile"], set()).add(mark["file"])
        across = [tile for tile, seen in files.items() if seen == {0, 1}]
        self.assertEqual(len(across), 1)
        row = view["rows"][int(across[0]) - 1]
        self.assertRegex(row[3], r"^split/a\.c \d+(–\d+)?；split/b\.c 1(–\d+)?$")
        for tile, row in enumerate(view["rows"], start=1):
            marks = [m for m in view["b"] if m["tile"] == str(tile)]
            self.assertEqual(lines_text(marks, True, ["split/a.c", "split/b.c"]), row[3])

    def bars(self, index):
        return self.browser.js(
            "return Array.from(document.querySelectorAll('figure.histogram')[arguments[0]]"
            ".querySelectorAll('rect.bar'),"
            " (bar) => [Math.round((bar.x.baseVal.value - 52) / 6), Number(bar.dataset.n)])",
            index)

    def test_histogram_has_a_bar_per_hundredth_that_holds_pairs(self):
        bins = {}
        for row in self.rows:
            m, a, b = int(row["match_len"]), int(row["len_a"]), int(row["len_b"])
            if a + b == 0:
                continue
            score = struct.unpack("f", struct.pack("f", 2.0 * m / (a + b)))[0]
            k = min(int(score * 100.0), 99)
            bins[k] = bins.get(k, 0) + 1
        bars = self.bars(1)
        self.assertEqual(len(bars), len(bins))
        self.assertEqual({k: n for k, n in bars}, bins)

    def test_evidence_histogram_has_a_bar_per_fiftieth_that_holds_pairs(self):
        # Every pair is in the CSV, but its evidence is printed to two
        # decimals, too few to place it in a bin of 0.02 for sure: the bars
        # hold every pair, and those from the line (1, bin 50) the flagged.
        bars = dict(self.bars(0))
        self.assertEqual(sum(bars.values()), len(self.rows))
        flagged = sum(1 for row in self.rows if row["flagged"] == "1")
        self.assertEqual(sum(n for k, n in bars.items() if k >= 50), flagged)

    def column(self, index):
        return self.browser.js(
            "return Array.from(document.querySelectorAll('table.ranking tbody tr'))"
            ".filter((row) => !row.hidden).map((row) => row.cells[arguments[0]].textContent)",
            index)

    def click_heading(self, text):
        for button in self.browser.driver.find_elements(By.CSS_SELECTOR,
                                                        "table.ranking th button"):
            if button.text == text:
                button.click()
                return
        self.fail("no heading " + text)

    def test_sorting_by_each_kind_of_column(self):
        ranks = self.column(0)
        self.assertEqual(ranks, [str(n) for n in range(1, len(ranks) + 1)])
        evidence = [float(v) for v in self.column(1)]
        self.assertEqual(evidence, sorted(evidence, reverse=True))
        self.click_heading("差距")
        margins = [float(v) for v in self.column(3)]
        self.assertEqual(margins, sorted(margins, reverse=True))
        self.click_heading("差距")
        margins = [float(v) for v in self.column(3)]
        self.assertEqual(margins, sorted(margins))
        self.click_heading("提交 B")
        names = self.column(5)
        self.assertEqual(names, sorted(names))
        self.click_heading("长度 A")
        lengths = [int(v) for v in self.column(7)]
        self.assertEqual(lengths, sorted(lengths, reverse=True))
        self.click_heading("名次")
        self.assertEqual(self.column(0), ranks)

    def test_filter_by_name(self):
        field = self.browser.driver.find_element(By.CSS_SELECTOR, ".tools input")
        self.assertTrue(field.is_displayed())
        everyone = len(self.column(0))
        field.send_keys("S0004")
        shown_a, shown_b = self.column(4), self.column(5)
        self.assertGreater(len(shown_a), 0)
        self.assertLess(len(shown_a), everyone)
        for a, b in zip(shown_a, shown_b):
            self.assertTrue("s0004" in a or "s0004" in b, a + " " + b)
        count = self.browser.driver.find_element(By.CSS_SELECTOR, ".tools output").text
        self.assertEqual(count, "显示 %d / %d 对" % (len(shown_a), everyone))

    def test_click_brings_the_twin_into_view(self):
        # A copy and its original, long enough to scroll.
        view = "pair-%d" % self.pair_number("s0008.c", "s0009.c")
        self.browser.show("#" + view)
        # The tile whose two stretches lie furthest apart.
        tile = self.browser.js(r"""
            const section = document.getElementById(arguments[0]);
            // A stretch's offset from the top of its side's source.
            const top = (side, t) => {
              const box = section.querySelector('.side[data-side="' + side + '"] .code');
              const mark = box.querySelector('mark[data-t="' + t + '"]');
              return mark.getBoundingClientRect().top - box.getBoundingClientRect().top +
                     box.scrollTop;
            };
            let best = null, distance = -1;
            section.querySelectorAll('table.tiles tbody tr').forEach((row) => {
              const t = row.dataset.t;
              const d = top('b', t) - top('a', t);
              if (d > distance) { distance = d; best = t; }
            });
            return best;""", view)
        visible = r"""
            const mark = document.querySelector(
                '#' + arguments[2] + ' .side[data-side="' + arguments[0] + '"] mark[data-t="' + arguments[1] + '"]');
            const box = mark.closest('.code').getBoundingClientRect();
            const r = mark.getBoundingClientRect();
            return r.top >= box.top && r.bottom <= box.bottom && r.top >= 0 &&
                   r.bottom <= window.innerHeight;"""
        # Side B scrolled away from the twin, to the far end of its source.
        self.browser.js(r"""
            const box = document.querySelector('#' + arguments[1] + ' .side[data-side="b"] .code');
            const mark = box.querySelector('mark[data-t="' + arguments[0] + '"]');
            const at = mark.getBoundingClientRect().top - box.getBoundingClientRect().top;
            box.scrollTop = at > box.scrollHeight / 2 ? 0 : box.scrollHeight;""", tile, view)
        self.assertFalse(self.browser.js(visible, "b", tile, view), "twin already in view")
        mark = self.browser.driver.find_element(
            By.CSS_SELECTOR, '#%s .side[data-side="a"] mark[data-t="%s"]' % (view, tile))
        self.browser.js("arguments[0].scrollIntoView({block: 'center'})", mark)
        mark.click()
        self.assertTrue(self.browser.js(visible, "b", tile, view))
        marked = self.browser.js(
            "return Array.from(document.querySelectorAll('#' + arguments[0] + ' mark.on'),"
            " (m) => m.dataset.t)", view)
        self.assertTrue(marked)
        self.assertEqual(set(marked), {tile})

    def test_pair_view_screenshot(self):
        view = self.pair_number("s0008.c", "s0009.c")
        self.browser.show("#pair-%d" % view)
        # A tile chosen in the list: both sides scroll to it and mark it.
        self.browser.driver.find_element(
            By.CSS_SELECTOR, '#pair-%d table.tiles tr[data-t="3"]' % view).click()
        self.browser.js("window.scrollTo(0, 0)")
        self.browser.driver.save_screenshot(os.path.join(ARGS.artefacts, "pair.png"))
        self.assertEqual(len(self.browser.js(
            "return document.querySelectorAll('#pair-' + arguments[0] + ' tr.on')", view)), 1)

    def test_chinese_in_gbk_and_utf8_both_readable(self):
        number = self.pair_number("gbk.c", "utf8.c")
        self.browser.show("#pair-%d" % number)
        texts = self.browser.js(
            "return Array.from(document.querySelectorAll('#pair-' + arguments[0] + ' .src'),"
            " (src) => src.innerText)", number)
        self.assertEqual(len(texts), 2)
        for text in texts:
            self.assertIn("/* 求和：从 1 加到 n */", text)
            self.assertIn("// 逐个相加", text)
            self.assertIn("和是 %d", text)
            self.assertNotIn("\ufffd", text)
        self.assertEqual(texts[1].rstrip("\n"), self.program_text.rstrip("\n"))

    def test_chinese_has_its_glyphs(self):
        # On a machine without a CJK font every Chinese character is the
        # same box: the page would not read.
        number = self.pair_number("gbk.c", "utf8.c")
        for fragment in ("", "#pair-%d" % number):
            self.browser.load(self.page, fragment)
            found = self.browser.js(MISSING_GLYPHS)
            self.assertGreater(found["checked"], 20, fragment)
            self.assertEqual(found["missing"], "", "no glyph in the page's fonts (%s)" % fragment)

    def test_overview_screenshot(self):
        self.assertEqual(self.browser.driver.title, TITLE)
        self.browser.driver.save_screenshot(os.path.join(ARGS.artefacts, "overview.png"))


class GreyedTest(ReportTest):
    """Template code (--base) and comments (--ignore-comments) show greyed."""

    TEMPLATE = "#include <stdio.h>\nint read_number(void) {\n  int x;\n  scanf(\"%d\", &x);\n  return x;\n}\n"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        body = ("int main() {\n  int n = read_number(); /* the count */\n  int s = 0;\n"
                "  for (int i = 0; i < n; i++) { s = s + i * i; } // squares\n"
                "  printf(\"%d\\n\", s);\n  return 0;\n}\n")
        for name, text in (("ann.c", body), ("bob.c", body.replace("s", "t"))):
            with open(os.path.join(cls.folder, name), "w") as out:
                out.write(cls.TEMPLATE + text)
        with open(os.path.join(cls.folder, "template.c"), "w") as out:
            out.write(cls.TEMPLATE)
        cls.status = run_program(cls.folder, "ann.c", "bob.c", "--base", "template.c",
                                 "--ignore-comments", "--html", "greyed.html")
        cls.browser.load(os.path.join(cls.folder, "greyed.html"), "#pair-1")

    def greyed(self, kind):
        return self.browser.js(
            "return Array.from(document.querySelectorAll('#pair-1 .side[data-side=\"a\"] .' +"
            " arguments[0]), (e) => e.textContent)", kind)

    def test_program_wrote_the_page(self):
        self.assertEqual(self.status, 0)

    def test_comments_greyed(self):
        self.assertEqual(self.greyed("gc"), ["/* the count */", "// squares"])

    def test_template_code_greyed(self):
        template = "".join(self.greyed("gt"))
        self.assertIn("int read_number(void) {", template)
        self.assertIn("return x;", template)
        self.assertNotIn("main", template)

    def test_tiles_still_on_both_sides(self):
        self.check_view(1)


class LayoutTest(ReportTest):
    """Tabs, CR LF, NUL, a lone CR and a line of 20,000 characters keep the
    two sides side by side, each within its half."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        long_line = "x=" + "+y" * 10000 + ";"
        source = ("int main() {\r\n\tint y = 1;\x00 int x;\r\n\t\t" + long_line +
                  "\r\n\treturn x;\r // lone CR\r\n}\r\n")
        for name in ("a.c", "b.c"):
            with open(os.path.join(cls.folder, name), "w", newline="") as out:
                out.write(source)
        cls.status = run_program(cls.folder, "a.c", "b.c", "--html", "layout.html")
        cls.browser.load(os.path.join(cls.folder, "layout.html"), "#pair-1")

    def test_sides_keep_their_halves(self):
        self.assertEqual(self.status, 0)
        boxes = self.browser.js(r"""
            return Array.from(document.querySelectorAll('#pair-1 .code'), (box) => {
              const r = box.getBoundingClientRect();
              return {left: r.left, width: r.width, scroll: box.scrollWidth - box.clientWidth,
                      lines: box.querySelectorAll('.l').length};
            });""")
        self.assertEqual(len(boxes), 2)
        viewport = self.browser.js("return document.documentElement.clientWidth")
        page_scroll = self.browser.js(
            "return document.documentElement.scrollWidth - document.documentElement.clientWidth")
        self.assertEqual(page_scroll, 0)
        for box in boxes:
            self.assertEqual(box["scroll"], 0)  # the long line wraps
            self.assertEqual(box["lines"], 5)
            self.assertLess(box["width"], viewport / 2)
        self.assertAlmostEqual(boxes[0]["width"], boxes[1]["width"], delta=1)
        self.assertLess(boxes[0]["left"] + boxes[0]["width"], boxes[1]["left"])

    def test_controls_show_as_symbols(self):
        pictures = self.browser.js(
            "return Array.from(document.querySelectorAll('#pair-1 .side[data-side=\"a\"] .cc'),"
            " (c) => c.textContent)")
        self.assertEqual(pictures, ["\u2400", "\u240d"])


# Each hostile piece both in a name and in a source; every request or
# dialog any of them could make is a failure.
HOSTILE_NAMES = [
    '"><svg onload=alert(1)>.c',
    "<img src=x onerror=alert(2)>.c",
    "<!--.c",
    "a' onmouseover='alert(3).c",
]
HOSTILE_SOURCE = """/* </script><script>alert(4);document.title='pwned'</script> */
/* <img src=x onerror="alert(5);document.title='pwned'"> <!-- */
/* <img src="http://127.0.0.1:9/x.png"> <link rel="stylesheet" href="http://127.0.0.1:9/a.css"> */
/* <iframe src="http://127.0.0.1:9/"></iframe> <script src="http://127.0.0.1:9/a.js"></script> */
/* <style>@import url(http://127.0.0.1:9/b.css); body { display: none }</style> --> ]]> */
int main() { char *s = "<svg/onload=alert(6)>"; printf("%s</textarea></title>", s); return 0; }
"""

# The DOM as the template makes it: its tags, no event handler attribute.
READ_DOM = r"""
const tags = {};
let handlers = 0;
document.querySelectorAll('*').forEach((e) => {
  tags[e.localName] = (tags[e.localName] || 0) + 1;
  for (const a of e.attributes) if (a.name.startsWith('on')) handlers += 1;
});
return {tags: tags, handlers: handlers, title: document.title,
        sources: Array.from(document.querySelectorAll('.src'),
                            (s) => Array.from(s.children, (l) => l.textContent).join('\n')),
        names: Array.from(document.querySelectorAll('.name'), (n) => n.textContent)};
"""
TEMPLATE_TAGS = {
    "html", "head", "meta", "title", "style", "body", "main", "section", "h1", "h2", "h3",
    "h4", "p", "b", "dl", "dt", "dd", "div", "table", "thead", "tbody", "tr", "th", "td", "a",
    "span", "mark", "svg", "line", "text", "rect", "figure", "figcaption", "ol", "li", "nav",
    "label", "input", "output", "script", "button",
}


class InjectionTest(ReportTest):
    """Hostile names and sources show as text, run nothing, load nothing."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        class_folder = os.path.join(cls.folder, "hostile")
        os.makedirs(class_folder)
        for name in HOSTILE_NAMES:
            with open(os.path.join(class_folder, name), "w") as out:
                out.write(HOSTILE_SOURCE)
        cls.status = run_program(cls.folder, "hostile", "--html", "hostile.html")
        cls.page = os.path.join(cls.folder, "hostile.html")
        with open(cls.page, encoding="utf-8") as page:
            text = page.read()
        # The same page without its Content-Security-Policy: the escaping alone.
        cls.unguarded = os.path.join(cls.folder, "unguarded.html")
        unguarded, count = re.subn(r'<meta http-equiv="Content-Security-Policy"[^>]*>\n', "", text)
        assert count == 1
        with open(cls.unguarded, "w", encoding="utf-8") as page:
            page.write(unguarded)

    def check_page(self, path):
        self.browser.requests()  # forget earlier ones
        self.browser.console()
        views = 0
        for fragment in [""] + ["#pair-%d" % n for n in range(1, 7)]:
            if fragment:
                self.browser.show(fragment)
            else:
                self.browser.load(path)
            try:
                dom = self.browser.js(READ_DOM)
                views += self.browser.js(
                    "return document.querySelector(arguments[0] || '#overview') ? 1 : 0",
                    fragment)
            except UnexpectedAlertPresentException:
                self.fail("a dialog opened at " + path + fragment)
            with self.assertRaises(NoAlertPresentException):
                self.browser.driver.switch_to.alert.text
            self.assertEqual(dom["title"], TITLE, fragment)
            self.assertEqual(dom["handlers"], 0, fragment)
            self.assertLessEqual(set(dom["tags"]), TEMPLATE_TAGS, fragment)
            self.assertEqual(dom["tags"]["script"], 1)
            self.assertEqual(dom["tags"]["style"], 1)
            self.assertEqual(dom["tags"]["svg"], 2)
            for source in dom["sources"]:
                self.assertEqual(source.rstrip("\n"), HOSTILE_SOURCE.rstrip("\n"))
            for name in HOSTILE_NAMES:
                self.assertIn(name, dom["names"])
        self.assertEqual(views, 7)  # 4 hostile submissions: 6 pairs, all suspected
        requested = [url for url in self.browser.requests() if url.split("#")[0] != page_url(path)]
        self.assertEqual(requested, [])
        refused = [line for line in self.browser.console() if "Refused" in line]
        self.assertEqual(refused, [])

    def test_program_wrote_the_page(self):
        self.assertEqual(self.status, 0)

    def test_with_its_policy(self):
        self.check_page(self.page)

    def test_escaping_alone(self):
        self.check_page(self.unguarded)

    def test_policy_allows_exactly_the_page_script(self):
        self.browser.load(self.page)
        script = self.browser.js("return document.querySelector('script').textContent")
        digest = base64.b64encode(hashlib.sha256(script.encode("utf-8")).digest()).decode()
        policy = self.browser.js(
            "return document.querySelector('meta[http-equiv=\"Content-Security-Policy\"]')"
            ".content")
        self.assertIn("script-src 'sha256-%s';" % digest, policy)
        # The script ran: it made the ranking's headings buttons.
        self.assertGreater(self.browser.js(
            "return document.querySelectorAll('table.ranking th button').length"), 0)


class PrintTest(ReportTest):
    """A pair view prints on A4 (landscape) with its highlights and line
    numbers; the overview prints on A4 without the interactive parts."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        class_folder = os.path.join(cls.folder, "class")
        subprocess.run([ARGS.write_class, class_folder, "4", "6000", "3"], check=True)
        run_program(cls.folder, "class", "--html", "print.html")
        cls.page = os.path.join(cls.folder, "print.html")

    def media_boxes(self, pdf):
        return [(round(float(w)), round(float(h))) for w, h in
                re.findall(rb"/MediaBox \[0 0 ([\d.]+) ([\d.]+)\]", pdf)]

    def test_pair_view_on_a4_landscape(self):
        self.browser.load(self.page, "#pair-1")
        pdf = self.browser.print_pdf()
        with open(os.path.join(ARGS.artefacts, "pair.pdf"), "wb") as out:
            out.write(pdf)
        boxes = self.media_boxes(pdf)
        self.assertGreater(len(boxes), 1)  # the whole of both sources, over pages
        self.assertEqual(set(boxes), {(842, 595)})

    def test_overview_on_a4_portrait(self):
        self.browser.load(self.page)
        pdf = self.browser.print_pdf()
        with open(os.path.join(ARGS.artefacts, "overview.pdf"), "wb") as out:
            out.write(pdf)
        self.assertEqual(set(self.media_boxes(pdf)), {(595, 842)})

    def test_print_layout(self):
        self.browser.load(self.page, "#pair-1")
        self.browser.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
        try:
            style = self.browser.js(r"""
                const css = (selector, property, pseudo) => getComputedStyle(
                    document.querySelector(selector), pseudo || null)[property];
                return {tools: css('.tools', 'display'), nav: css('#pair-1 .pnav', 'display'),
                        overview: css('#overview', 'display'), code: css('#pair-1 .code', 'overflow-y'),
                        height: css('#pair-1 .code', 'height') === 'auto' ||
                                document.querySelector('#pair-1 .code').scrollHeight <=
                                document.querySelector('#pair-1 .code').clientHeight,
                        number: css('#pair-1 .l', 'content', '::before'),
                        mark: css('#pair-1 mark', 'print-color-adjust')};""")
        finally:
            self.browser.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
        self.assertEqual(style["tools"], "none")
        self.assertEqual(style["nav"], "none")
        self.assertEqual(style["overview"], "none")
        self.assertEqual(style["code"], "visible")
        self.assertTrue(style["height"])
        self.assertEqual(style["number"], "counter(ln)")
        self.assertEqual(style["mark"], "exact")


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--write-class", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--artefacts", required=True)
    ARGS, rest = parser.parse_known_args()
    # Made here, once: the cases that write to it run in any order.
    os.makedirs(ARGS.artefacts, exist_ok=True)
    missing = [what for what, present in (
        ("python3-selenium", webdriver is not None),
        ("chromium", os.access(CHROMIUM, os.X_OK)),
        ("chromium-driver", os.access(CHROMEDRIVER, os.X_OK))) if not present]
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIPPED
    result = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
