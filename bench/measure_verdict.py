#!/usr/bin/env python3
"""Measures codetwin-class's verdict on real classes with disguised copies.

For each seed, disguise_class makes a class per exercise of the corpus
(the originals and their plain, padded, extended, partial and group
copies, with a manifest); codetwin-class runs on each class folder and
writes its CSV; this script then counts, per exercise and per disguise
kind, the copy pairs flagged, the honest pairs flagged, how well the
ranking key separates the two, and names the honest pairs flagged.

A copy pair is (copy, its original), (partial Y', X), and every two of a
group of three. Every other pair is honest: two originals, or a pair with
a copy in it that is not a copy relation.

When the CSV has the columns `flagged` and `evidence` they are the verdict
and the ranking key; otherwise `suspected` and `similarity` are (the
verdict before the class-aware one).

usage: measure_verdict.py --class-binary PATH --corpus DIR --seeds 1-5
                          [--disguise-class PATH] [-- codetwin-class options]
"""

import argparse
import csv
import itertools
import os
import subprocess
import sys
import tempfile

KINDS = ["plain", "padded", "extended", "partial", "group"]
# Every pair of these kinds must rank above every honest pair.
STRONG_KINDS = ["plain", "padded", "group"]
ORIGINALS = "originals"
WITH_COPY = "with a copy"


def parse_seeds(text):
    seeds = []
    for part in text.split(","):
        if "-" in part:
            first, last = part.split("-", 1)
            seeds.extend(range(int(first), int(last) + 1))
        else:
            seeds.append(int(part))
    if not seeds:
        raise argparse.ArgumentTypeError("no seeds in %r" % text)
    return seeds


def parse_args(argv):
    if "--" in argv:
        split = argv.index("--")
        argv, extra = argv[:split], argv[split + 1:]
    else:
        extra = []
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--class-binary", required=True, help="codetwin-class to measure")
    parser.add_argument("--corpus", required=True, help="folder of exercise folders")
    parser.add_argument("--seeds", type=parse_seeds, default=parse_seeds("1-5"),
                        help="e.g. 1-5 or 1,4,9")
    parser.add_argument("--disguise-class",
                        help="disguise_class (default: bench/disguise_class beside the binary)")
    args = parser.parse_args(argv)
    args.extra = extra
    if args.disguise_class is None:
        args.disguise_class = os.path.join(os.path.dirname(os.path.abspath(args.class_binary)),
                                           "bench", "disguise_class")
    return args


def run(command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0:
        sys.exit("measure_verdict: %s failed (%d): %s" % (
            " ".join(command), done.returncode, done.stderr.decode("utf-8", "replace").strip()))


def read_manifest(path):
    with open(path, encoding="utf-8") as f:
        return {row["name"]: row for row in csv.DictReader(f, delimiter="\t")}


def read_scores(class_binary, folder, extra, csv_path):
    """{(a, b): (key, flagged)} for every pair in the CSV, a < b, and the key's name."""
    run([class_binary, folder, "--csv", csv_path, "--top", "0"] + extra)
    with open(csv_path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.DictReader(f))
    new_verdict = rows and "flagged" in rows[0] and "evidence" in rows[0]
    key, flag = ("evidence", "flagged") if new_verdict else ("similarity", "suspected")
    scores = {}
    for row in rows:
        a, b = sorted((os.path.basename(row["a"]), os.path.basename(row["b"])))
        scores[(a, b)] = (float(row[key]), row[flag].strip() == "1")
    return scores, key


def copy_relations(manifest):
    """{(a, b): kind} for every copy pair of the class."""
    relations = {}
    groups = {}
    for name, row in manifest.items():
        kind = row["kind"]
        if kind == "group":
            groups.setdefault(row["copies"], [row["copies"]]).append(name)
        elif kind != "original":
            relations[tuple(sorted((name, row["copies"])))] = kind
    for members in groups.values():
        for a, b in itertools.combinations(sorted(members), 2):
            relations[(a, b)] = "group"
    return relations


class Pair:
    def __init__(self, seed, exercise, a, b, key, flagged, category, manifest):
        self.seed, self.exercise, self.a, self.b = seed, exercise, a, b
        self.key, self.flagged, self.category = key, flagged, category
        self.origin_a, self.origin_b = manifest[a]["origin"], manifest[b]["origin"]
        self.kind_a, self.kind_b = manifest[a]["kind"], manifest[b]["kind"]


def measure_class(seed, exercise, folder, manifest, args):
    with tempfile.TemporaryDirectory() as scratch:
        scores, key_name = read_scores(args.class_binary, folder, args.extra,
                                       os.path.join(scratch, "pairs.csv"))
    relations = copy_relations(manifest)
    pairs = []
    missing = 0
    for a, b in itertools.combinations(sorted(manifest), 2):
        if (a, b) not in scores:
            missing += 1  # below --min: neither flagged nor ranked
        key, flagged = scores.get((a, b), (float("-inf"), False))
        if (a, b) in relations:
            category = relations[(a, b)]
        elif manifest[a]["kind"] == "original" and manifest[b]["kind"] == "original":
            category = ORIGINALS
        else:
            category = WITH_COPY
        pairs.append(Pair(seed, exercise, a, b, key, flagged, category, manifest))
    return pairs, key_name, missing


def auc(positives, negatives):
    """The chance that a random copy pair's key is above a random honest pair's."""
    if not positives or not negatives:
        return float("nan")
    negatives = sorted(negatives)
    wins = 0.0
    for p in positives:
        below = _count_below(negatives, p)
        ties = _count_below(negatives, p, inclusive=True) - below
        wins += below + ties / 2
    return wins / (len(positives) * len(negatives))


def _count_below(values, x, inclusive=False):
    lo, hi = 0, len(values)
    while lo < hi:
        mid = (lo + hi) // 2
        if values[mid] < x or (inclusive and values[mid] == x):
            lo = mid + 1
        else:
            hi = mid
    return lo


def is_honest(pair):
    return pair.category in (ORIGINALS, WITH_COPY)


def fraction(flagged, total):
    return "%d / %d" % (flagged, total)


def percent(flagged, total):
    return "%.2f %%" % (100.0 * flagged / total) if total else "-"


def print_table(header, rows):
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" if i == 0 else "---:" for i in range(len(header))) + "|")
    for row in rows:
        print("| " + " | ".join(str(cell) for cell in row) + " |")
    print()


def copy_table(classes, exercises):
    print("### Copy pairs flagged (all seeds)\n")
    rows = []
    totals = {kind: [0, 0] for kind in KINDS}
    for exercise in exercises:
        row = [exercise]
        for kind in KINDS:
            pairs = [p for c in classes if c.exercise == exercise for p in c.pairs
                     if p.category == kind]
            flagged = sum(p.flagged for p in pairs)
            totals[kind][0] += flagged
            totals[kind][1] += len(pairs)
            row.append(fraction(flagged, len(pairs)))
        rows.append(row)
    rows.append(["**all**"] + ["**%s**" % fraction(*totals[kind]) for kind in KINDS])
    print_table(["exercise"] + KINDS, rows)


def honest_table(classes, exercises):
    print("### Honest pairs flagged (all seeds)\n")
    rows = []
    sums = {ORIGINALS: [0, 0], WITH_COPY: [0, 0]}
    for exercise in exercises:
        row = [exercise]
        for category in (ORIGINALS, WITH_COPY):
            pairs = [p for c in classes if c.exercise == exercise for p in c.pairs
                     if p.category == category]
            flagged = sum(p.flagged for p in pairs)
            sums[category][0] += flagged
            sums[category][1] += len(pairs)
            row += [fraction(flagged, len(pairs)), percent(flagged, len(pairs))]
        rows.append(row)
    rows.append(["**all**"] + [cell for category in (ORIGINALS, WITH_COPY)
                              for cell in ("**%s**" % fraction(*sums[category]),
                                           "**%s**" % percent(*sums[category]))])
    print_table(["exercise", "two originals", "rate", "with a copy, not a copy pair", "rate"],
                rows)


def ranking_table(classes, exercises, seeds):
    print("### Ranking by the key\n")
    print("AUC: copy pairs against honest pairs, within each class, mean and lowest over the "
          "seeds. Separation: in how many seeds every plain, padded and group copy pair ranks "
          "above every honest pair; worst seed: the highest honest key against the lowest "
          "such copy key.\n")
    rows = []
    for exercise in exercises:
        per_seed = [c for c in classes if c.exercise == exercise]
        aucs = [auc([p.key for p in c.pairs if not is_honest(p)],
                    [p.key for p in c.pairs if is_honest(p)]) for c in per_seed]
        holding = 0
        worst = None
        for c in per_seed:
            honest = max(c.pairs, key=lambda p: p.key if is_honest(p) else float("-inf"))
            strong = min(c.pairs, key=lambda p: p.key if p.category in STRONG_KINDS
                         else float("inf"))
            gap = strong.key - honest.key
            holding += gap > 0
            if worst is None or gap < worst[0]:
                worst = (gap, c.seed, honest, strong)
        gap, seed, honest, strong = worst
        rows.append([exercise, "%.4f" % (sum(aucs) / len(aucs)), "%.4f" % min(aucs),
                     "%d / %d" % (holding, len(seeds)),
                     "seed %d: honest %.4f (%s, %s) vs %s %.4f (%s, %s)" % (
                         seed, honest.key, describe(honest, "a"), describe(honest, "b"),
                         strong.category, strong.key, describe(strong, "a"),
                         describe(strong, "b"))])
    all_pairs = [p for c in classes for p in c.pairs]
    pooled = auc([p.key for p in all_pairs if not is_honest(p)],
                 [p.key for p in all_pairs if is_honest(p)])
    rows.append(["**all (pooled)**", "%.4f" % pooled, "", "", ""])
    print_table(["exercise", "AUC mean", "AUC lowest", "separation", "worst case"], rows)
    kind_rows = []
    for kind in KINDS:
        values = [auc([p.key for p in c.pairs if p.category == kind],
                      [p.key for p in c.pairs if is_honest(p)]) for c in classes]
        values = [v for v in values if v == v]
        kind_rows.append([kind, "%.4f" % (sum(values) / len(values)), "%.4f" % min(values)])
    print_table(["kind", "AUC mean", "AUC lowest"], kind_rows)


def seed_table(classes, seeds):
    print("### Per seed\n")
    rows = []
    for seed in seeds:
        pairs = [p for c in classes if c.seed == seed for p in c.pairs]
        row = [seed]
        for kind in KINDS:
            of_kind = [p for p in pairs if p.category == kind]
            row.append(fraction(sum(p.flagged for p in of_kind), len(of_kind)))
        for category in (ORIGINALS, WITH_COPY):
            of = [p for p in pairs if p.category == category]
            row.append(fraction(sum(p.flagged for p in of), len(of)))
        rows.append(row)
    print_table(["seed"] + KINDS + ["honest: two originals", "honest: with a copy"], rows)


def worst_seed(classes, seeds):
    def badness(seed):
        pairs = [p for c in classes if c.seed == seed for p in c.pairs]
        missed = sum(1 for p in pairs if not is_honest(p) and not p.flagged)
        false = sum(1 for p in pairs if is_honest(p) and p.flagged)
        return (missed + false, false)
    worst = max(seeds, key=badness)
    missed, false = badness(worst)[0] - badness(worst)[1], badness(worst)[1]
    print("Worst seed: %d (%d copy pairs missed, %d honest pairs flagged).\n" % (
        worst, missed, false))


def describe(pair, side):
    kind = pair.kind_a if side == "a" else pair.kind_b
    origin = pair.origin_a if side == "a" else pair.origin_b
    return origin if kind == "original" else "%s copy of %s" % (kind, origin)


def flagged_list(classes):
    print("### Honest pairs flagged, by name\n")
    originals = {}
    with_copy = []
    for c in classes:
        for p in c.pairs:
            if not p.flagged or not is_honest(p):
                continue
            if p.category == ORIGINALS:
                key = (p.exercise,) + tuple(sorted((p.origin_a, p.origin_b)))
                originals.setdefault(key, []).append(p)
            else:
                with_copy.append(p)
    if not originals and not with_copy:
        print("None.\n")
        return
    rows = []
    for (exercise, a, b), found in sorted(originals.items()):
        keys = sorted(p.key for p in found)
        rows.append([exercise, a, b, "%s" % ", ".join(str(p.seed) for p in found),
                     "%.4f-%.4f" % (keys[0], keys[-1])])
    if rows:
        print("Two originals (corpus file names):\n")
        print_table(["exercise", "file", "file", "seeds", "key"], rows)
    rows = [[p.exercise, p.seed, describe(p, "a"), describe(p, "b"), "%.4f" % p.key]
            for p in sorted(with_copy, key=lambda p: (p.exercise, p.seed, -p.key))]
    if rows:
        print("With a copy (corpus files they come from):\n")
        print_table(["exercise", "seed", "one", "other", "key"], rows)


def corpus_alone(args, exercises):
    """The honest pairs flagged in each exercise folder of the corpus itself."""
    flagged = total = 0
    with tempfile.TemporaryDirectory() as scratch:
        for exercise in exercises:
            scores, _ = read_scores(args.class_binary, os.path.join(args.corpus, exercise),
                                    args.extra, os.path.join(scratch, exercise + ".csv"))
            flagged += sum(f for _, f in scores.values())
            total += len(scores)
    print("The corpus alone (30 originals per exercise, no copies): %d of %d honest pairs "
          "flagged (%s).\n" % (flagged, total, percent(flagged, total)))


class Class:
    def __init__(self, seed, exercise, pairs):
        self.seed, self.exercise, self.pairs = seed, exercise, pairs


def main(argv):
    args = parse_args(argv)
    for path in (args.class_binary, args.disguise_class):
        if not os.access(path, os.X_OK):
            sys.exit("measure_verdict: %s is not an executable" % path)
    classes = []
    key_names = set()
    missing = 0
    for seed in args.seeds:
        with tempfile.TemporaryDirectory() as out:
            run([args.disguise_class, args.corpus, out, str(seed)])
            exercises = sorted(f[:-4] for f in os.listdir(out) if f.endswith(".tsv"))
            for exercise in exercises:
                manifest = read_manifest(os.path.join(out, exercise + ".tsv"))
                pairs, key_name, lost = measure_class(seed, exercise, os.path.join(out, exercise),
                                                      manifest, args)
                key_names.add(key_name)
                missing += lost
                classes.append(Class(seed, exercise, pairs))
    exercises = sorted({c.exercise for c in classes})
    print("## %s %s, seeds %s\n" % (os.path.basename(args.class_binary),
                                    " ".join(args.extra) or "(default options)",
                                    ", ".join(map(str, args.seeds))))
    verdict = "flagged / evidence" if "evidence" in key_names else "suspected / similarity"
    print("Verdict and ranking key: %s. Classes: %d exercises x %d seeds." % (
        verdict, len(exercises), len(args.seeds)))
    if missing:
        print("%d pairs were not in the CSV (below --min): counted as not flagged." % missing)
    print()
    copy_table(classes, exercises)
    honest_table(classes, exercises)
    corpus_alone(args, exercises)
    ranking_table(classes, exercises, args.seeds)
    seed_table(classes, args.seeds)
    worst_seed(classes, args.seeds)
    flagged_list(classes)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
