#!/usr/bin/env python3
"""Deterministic benchmark corpus: a tree of files like a user's documents folder.

    bench/make_corpus.py DIR [--profile docs|small] [--scale N] [--seed S]

DIR must be missing or empty. Everything (names, sizes, contents, modes, mtimes)
follows from the seed, so two machines given the same arguments get the same tree;
the last line printed ends with a digest over paths, sizes, mtimes and contents
to check that. --scale multiplies the file and folder counts (0.05 is fine).
"""
import argparse
import hashlib
import os
import random
import sys
import zlib

PROFILES = {
    # files, folders, deepest level, size of one file (rng -> bytes)
    "docs": dict(files=20_000, folders=1_500, depth=8, empty_folders=0.022),
    "small": dict(files=100_000, folders=5_000, depth=5, empty_folders=0.0),
}

WORDS = (
    "rapport faktura møte referat budsjett søknad kontrakt årsrapport styremøte prosjekt "
    "tilbud ferie bilder skatt lønn regnskap oversikt plan notat brev kvittering forsikring "
    "bolig hytte bil skole barnehage trening oppskrift handleliste dugnad sameie vedlegg "
    "utkast ferdig gammel ny kopi endelig Ålesund Tromsø Bodø Lørenskog Bærum Sandnes "
    "Kristiansand ærfugl øvelse bjørn blåbær smørbrød kjøkken værmelding gjødsel "
    "julebord bursdag konfirmasjon bryllup sommer vinter høst vår strøm vann avtale "
    "timeliste reise billett pass kart fjell sjø båt hage garasje loft kjeller"
).split()
PROSE = WORDS + (
    "og i på til med som av for er det en et den ikke har vi de skal kan vil må "
    "om fra ble blir også etter når at men så eller her der nå"
).split()
EXTENSIONS = (
    ["docx"] * 8 + ["xlsx"] * 5 + ["pdf"] * 8 + ["txt"] * 6 + ["jpg"] * 8 + ["png"] * 3
    + ["odt", "ods", "pptx", "csv", "xml", "html", "md", "json", "mp3", "zip", "py", "eml"]
)
FOLDER_WORDS = WORDS + "Dokumenter Bilder Arkiv Diverse Økonomi Jobb Privat Skanning".split()


def file_name(rng):
    """One file name; kinds a backup program must survive turn up at fixed rates."""
    w = lambda: rng.choice(WORDS)
    ext = rng.choice(EXTENSIONS)
    k = rng.random()
    if k < 0.02:
        return "." + rng.choice(["bashrc", "profile", "notater.txt", "env", w(), w() + ".conf"])
    if k < 0.04:
        return rng.choice(["README", "Makefile", "notater", "TODO", w(), w().capitalize() + " " + w()])
    if k < 0.06:
        return "Skjermbilde %d-%02d-%02d kl. %02d.%02d.%02d.png" % (
            rng.randint(2015, 2024), rng.randint(1, 12), rng.randint(1, 28),
            rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59))
    if k < 0.075:
        return rng.choice(["arkiv.tar.gz", "%s.%d.%02d.zip" % (w(), rng.randint(2015, 2024), rng.randint(1, 12)),
                           "%s.v%d.%d.%s" % (w(), rng.randint(1, 9), rng.randint(0, 20), ext)])
    if k < 0.105:
        return rng.choice(["Faktura #%d.pdf" % rng.randint(1, 999), "Ola & Kari %s.docx" % w(),
                           "%d%% %s.txt" % (rng.randint(1, 99), w()), "Kari's %s.%s" % (w(), ext),
                           "%s [utkast].%s" % (w(), ext), "%s (%d) #%d & co.%s" % (w(), rng.randint(1, 9), rng.randint(1, 99), ext)])
    if k < 0.135:  # leftovers of editors and file managers
        return rng.choice(["%s.tmp" % w(), "%s.%s.bak" % (w(), ext), "%s.log" % w(), ".%s.txt.swp" % w(),
                           "~$%s.docx" % w(), "Thumbs.db", "%s.txt~" % w()])
    if k < 0.145:
        return "%s_%s.sh" % (w(), w())
    parts = [w() for _ in range(rng.randint(1, 3))]
    if rng.random() < 0.3:
        parts.append(str(rng.randint(2015, 2024)))
    sep = rng.choice([" ", " ", "_", "-"])
    name = sep.join(parts)
    return (name.capitalize() if rng.random() < 0.5 else name) + "." + ext


def folder_name(rng):
    k = rng.random()
    if k < 0.02:
        return "." + rng.choice(["cache", "config", "git", "skjult", rng.choice(WORDS)])
    if k < 0.05:
        return "%s v%d.%d" % (rng.choice(FOLDER_WORDS), rng.randint(1, 5), rng.randint(0, 9))
    if k < 0.08:
        return rng.choice(["%s & %s", "%s #%s", "%s [%s]", "%s's %s"]) % (rng.choice(FOLDER_WORDS), rng.choice(WORDS))
    name = " ".join(rng.choice(FOLDER_WORDS) for _ in range(rng.randint(1, 2)))
    return name.capitalize() if rng.random() < 0.6 else name


def unique(name, taken):
    """Makes name unique in its folder without regard to letter case."""
    stem, dot, ext = name.rpartition(".") if "." in name.lstrip(".") else (name, "", "")
    n = 1
    while name.lower() in taken:
        n += 1
        name = "%s (%d)%s%s" % (stem, n, dot, ext)
    taken.add(name.lower())
    return name


def text_pool(rng, size=1 << 18):
    """Prose-like text that deflate squeezes to about a third."""
    out, n = [], 0
    while n < size:
        line = " ".join(rng.choice(PROSE) for _ in range(rng.randint(4, 14)))
        if rng.random() < 0.2:
            line += " %d,%02d kr" % (rng.randint(0, 99999), rng.randint(0, 99))
        line = line.capitalize() + ".\n"
        out.append(line)
        n += len(line.encode())
    return "".join(out).encode()


CHUNK = 16384
TEXT_SHARE = 0.76  # of chunks; the rest random bytes: zip -5 then gives about half


def content(rng, size, pool):
    parts, left = [], size
    while left > 0:
        n = min(CHUNK, left)
        if rng.random() < TEXT_SHARE:
            at = rng.randrange(len(pool) - n)
            parts.append(pool[at:at + n])
        else:
            parts.append(rng.randbytes(n))
        left -= n
    return b"".join(parts)


def docs_size(rng):
    if rng.random() < 0.011:
        return 0
    return min(int(rng.lognormvariate(8.985, 1.72)), 8 << 20)  # median e^8.985 = 7.8 KiB


def small_size(rng):
    return rng.randint(0, 4096)


MTIME_FROM, MTIME_TO = 1420070400 * 10**9, 1735689599 * 10**9  # 2015-01-01 .. 2024-12-31


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("dir")
    ap.add_argument("--profile", choices=sorted(PROFILES), default="docs")
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    p = PROFILES[a.profile]
    if os.path.exists(a.dir) and os.listdir(a.dir):
        sys.exit("%s is not empty" % a.dir)
    os.makedirs(a.dir, exist_ok=True)
    rng = random.Random("%s/%d" % (a.profile, a.seed))
    pool = text_pool(rng)
    size_of = docs_size if a.profile == "docs" else small_size

    # Folders: each new one under a random earlier one that is not at the deepest level.
    nfolders = max(1, round(p["folders"] * a.scale))
    folders = [("", 0)]  # (relative path, level); the root is level 0
    taken = {"": set()}
    children = {"": 0}
    open_parents = [""]
    level = {"": 0}
    while len(folders) <= nfolders:
        parent = rng.choice(open_parents)
        rel = os.path.join(parent, unique(folder_name(rng), taken[parent]))
        folders.append((rel, level[parent] + 1))
        level[rel] = level[parent] + 1
        taken[rel] = set()
        children[rel] = 0
        children[parent] += 1
        if level[rel] < p["depth"]:
            open_parents.append(rel)
    leaves = [f for f, _ in folders[1:] if children[f] == 0]
    empty = set(rng.sample(leaves, min(len(leaves) - 1, round(p["empty_folders"] * nfolders))) if leaves else [])
    homes = [f for f, _ in folders if f not in empty]
    # Every remaining leaf gets a file first, so no folder is empty by chance.
    must = [f for f in leaves if f not in empty]

    nfiles = max(1, round(p["files"] * a.scale))
    digest = hashlib.sha256()
    total = empties = big = readonly = 0
    for rel, _ in folders:
        os.makedirs(os.path.join(a.dir, rel), exist_ok=True)
    for i in range(nfiles):
        home = must[i] if i < len(must) else rng.choice(homes)
        name = unique(file_name(rng), taken[home])
        frng = random.Random(rng.getrandbits(64))
        size = size_of(frng)
        data = content(frng, size, pool)
        path = os.path.join(a.dir, home, name)
        with open(path, "wb") as f:
            f.write(data)
        mode = 0o755 if name.endswith(".sh") else 0o644
        if frng.random() < 0.01:
            mode &= 0o555
            readonly += 1
        os.chmod(path, mode)
        mtime = frng.randint(MTIME_FROM, MTIME_TO)
        os.utime(path, ns=(mtime, mtime))
        rel = os.path.join(home, name)
        digest.update(b"%s\0%d\0%d\0%o\0%08x\n" % (rel.encode(), size, mtime, mode, zlib.crc32(data)))
        total += size
        empties += size == 0
        big += size >= 1 << 20
    # Folder times last, deepest first, since filling a folder changes its mtime.
    for rel, _ in sorted(folders, key=lambda f: -f[1]):
        mtime = rng.randint(MTIME_FROM, MTIME_TO)
        os.utime(os.path.join(a.dir, rel), ns=(mtime, mtime))
        digest.update(b"%s/\0%d\n" % (rel.encode(), mtime))
    print("%s seed %d scale %g: %d files (%d empty, %d >= 1 MiB, %d read-only), %d folders (%d empty), "
          "%d bytes, digest %s" % (a.profile, a.seed, a.scale, nfiles, empties, big, readonly, nfolders,
                                   len(empty), total, digest.hexdigest()[:16]))


if __name__ == "__main__":
    main()
