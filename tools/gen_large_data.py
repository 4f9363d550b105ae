#!/usr/bin/env python3
"""Writes a large, deterministic data set for benchmarks.

classifytree.dat: a tree of --lines lines over all six levels (some levels
skipped, some planned genera with id "(n/a)").
genus.dat: --genera genus records (ids taken from the tree's genera) with
--species species lines in all.

Standard library only. Files are written with CR LF line ends.
"""

import argparse
import os
import random

SYLLABLES = [
    "al", "bar", "cor", "dra", "el", "fen", "gal", "hy", "ith", "jor", "kor", "lum",
    "mar", "nex", "or", "pra", "quor", "ryn", "sal", "tor", "ul", "vel", "wyr", "xan",
    "yl", "zer", "ash", "bel", "cyn", "dom", "eth", "fal", "gor", "hal", "ix", "ker",
    "lor", "myr", "nal", "os", "pel", "rho", "sty", "tha", "um", "var", "ven", "zo",
    "ae", "bra", "cle", "dei", "eu", "gna", "ly", "mne", "pty", "scy", "tro", "ony",
]
GENUS_ENDINGS = ["saurus", "don", "ella", "ops", "ia", "us", "ax", "onyx", "ura", "ites"]
WORDS = [
    "slender", "armoured", "nocturnal", "crested", "burrowing", "marsh", "highland", "spotted",
    "long-tailed", "horned", "pale", "river", "forest", "desert", "lesser", "greater", "striped",
    "korvel", "scales", "jaw", "plates", "ridge", "claws", "wings", "shell", "crest", "eyes",
]
AUTHORS = ["Tovren", "Asheld", "Morrow", "Quillan", "Vess", "Daruna", "Pellor", "Ysmark"]
KINDS = ["land", "water", "air", "cave", "swamp"]


def stem(index, salt):
    """A pronounceable stem of three syllables, unique for indices below 60**3."""
    n = len(SYLLABLES)
    i = ((index + salt * 7777 + 1) * 2654435761) % (n ** 3)
    return (SYLLABLES[i % n] + SYLLABLES[(i // n) % n] + SYLLABLES[i // (n * n)]).capitalize()


def genus_name(index):
    return stem(index // len(GENUS_ENDINGS), 5) + GENUS_ENDINGS[index % len(GENUS_ENDINGS)]


def sentence(rng, words):
    text = " ".join(rng.choice(WORDS) for _ in range(words))
    return text[0].upper() + text[1:] + "."


def info_text(rng):
    if rng.random() < 0.5:
        return "%s, %d" % (rng.choice(AUTHORS), rng.randint(1780, 2024))
    return "%s %s" % (rng.choice(WORDS).capitalize(), rng.choice(WORDS))


def build_counts(rng, total, parts):
    """Splits total into `parts` counts that vary around their mean."""
    base, extra = divmod(total, parts)
    counts = [base + (1 if i < extra else 0) for i in range(parts)]
    for _ in range(parts):
        a, b = rng.randrange(parts), rng.randrange(parts)
        move = rng.randint(0, counts[a] // 2)
        counts[a] -= move
        counts[b] += move
    return counts


def write_tree(path, rng, total_lines, skip_rate, planned_rate):
    # Level sizes: a few classes, each level a fixed fan-out of the one
    # above, the rest genera. Small sets (for trying the tool) fan out less.
    if total_lines >= 200_000:
        classes, fans = max(1, round(total_lines / 125_000)), (5, 10, 10, 12)
    else:
        classes, fans = 2, (2, 3, 3, 4)
    subclasses = classes * fans[0]
    orders = subclasses * fans[1]
    suborders = orders * fans[2]
    families = suborders * fans[3]
    genera = total_lines - (classes + subclasses + orders + suborders + families)
    if genera <= 0:
        raise SystemExit("--lines too small for the tree shape")
    genus_counts = build_counts(rng, genera, families)
    lines = []
    genus_ids = []
    counters = [0] * 6
    family_index = 0

    def add(level, name):
        counters[level] += 1
        ident = "%s%d" % ("csofmg"[level], counters[level])
        lines.append("%s#%s#%s#%s" % ("\t" * level, ident, name, info_text(rng)))

    for c in range(classes):
        add(0, stem(c, 0) + "a")
        for s in range(fans[0]):
            add(1, stem(counters[1], 1) + "ia")
            for o in range(fans[1]):
                add(2, stem(counters[2], 2) + "iformes")
                # Some orders hold their families directly (suborder skipped).
                direct = rng.random() < skip_rate
                for u in range(fans[2]):
                    if not direct:
                        add(3, stem(counters[3], 3) + "oidei")
                    for f in range(fans[3]):
                        add(4, stem(counters[4], 4) + "idae")
                        for g in range(genus_counts[family_index]):
                            index = counters[5]
                            if rng.random() < planned_rate:
                                counters[5] += 1
                                lines.append("\t\t\t\t\t#(n/a)#%s#%s" % (genus_name(index), "planned"))
                            else:
                                add(5, genus_name(index))
                                genus_ids.append((lines[-1].split("#")[1], genus_name(index)))
                        family_index += 1
    # Skipped suborders leave fewer lines; top up with genera in the last family.
    while len(lines) < total_lines:
        index = counters[5]
        add(5, genus_name(index))
        genus_ids.append((lines[-1].split("#")[1], genus_name(index)))
    del lines[total_lines:]
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("\r\n".join(lines))
        out.write("\r\n")
    return genus_ids


def write_genus(path, rng, genus_ids, genera, species):
    chosen = rng.sample(genus_ids, min(genera, len(genus_ids)))
    counts = build_counts(rng, species, len(chosen))
    with open(path, "w", encoding="utf-8", newline="") as out:
        for (ident, name), count in zip(chosen, counts):
            description = "|".join(sentence(rng, rng.randint(6, 14)) for _ in range(rng.randint(1, 4)))
            image = "%s.jpg" % ident if rng.random() < 0.6 else "-"
            fields = [
                ident, name, "The %s one" % rng.choice(WORDS), description,
                rng.choice(KINDS), "%s korvel" % rng.choice(WORDS).capitalize(), image,
                rng.choice(AUTHORS), "http://example.org/%s" % rng.choice(AUTHORS).lower(),
                rng.choice(AUTHORS), "http://example.org/owner", " ".join(rng.sample(WORDS, 3)),
            ]
            out.write("#".join(fields) + "\r\n")
            for s in range(count):
                out.write("\t#%s %s#%s#%s\r\n" % (
                    name, stem(s + len(ident), 9).lower(), "The %s" % rng.choice(WORDS),
                    sentence(rng, rng.randint(4, 10))))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("folder", nargs="?", default=os.path.join(os.path.dirname(here), "large-data"))
    parser.add_argument("--lines", type=int, default=1_000_000)
    parser.add_argument("--genera", type=int, default=200_000)
    parser.add_argument("--species", type=int, default=600_000)
    parser.add_argument("--seed", type=int, default=20240607)
    args = parser.parse_args()

    os.makedirs(args.folder, exist_ok=True)
    rng = random.Random(args.seed)
    genus_ids = write_tree(os.path.join(args.folder, "classifytree.dat"), rng, args.lines, 0.1, 0.03)
    write_genus(os.path.join(args.folder, "genus.dat"), rng, genus_ids, args.genera, args.species)
    print("wrote %s: %d tree lines, %d genera, %d species lines"
          % (args.folder, args.lines, min(args.genera, len(genus_ids)), args.species))


if __name__ == "__main__":
    main()
