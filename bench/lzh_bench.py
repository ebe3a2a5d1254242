#!/usr/bin/env python3
"""Measures the "LZH" method (-lh1-) on the benchmark corpus; called by lzh_bench.sh.

Ratio: every corpus file packed on its own, by our encoder (qxcodec) and by jLHA's -lh1- encoder
(LhaRaw.java). A member whose stream would be larger than the file is stored, as an archiver
does, for both; jLHA's raw figure is shown too.

Decoding: for each class, and for the whole corpus, the files are joined into one member and
packed by jLHA (an independent encoder), so both decoders read the very same bits: ours is
`qxcodec decode lzh`, lhasa's is `lhasa t` on the stream wrapped into an .lzh archive (lhasa
checks the CRC as it goes).

Archives: each class (and the whole corpus) as an archive of ours (`qxarc c -m lzh`, tested by
`qxarc t`) and an .lzh archive of the same member streams (tested by `lhasa t`).

Whole-process wall and CPU times, the two tools alternating, median of the runs;
MB/s = uncompressed bytes / 10^6 per second.
"""

import argparse
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import time

CLASSES = ["pe", "text", "gz"]
JLHA_JAR = "/usr/share/java/jlha.jar"


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def files_of(corpus, cls):
    with open(os.path.join(corpus, "filelist-%s.txt" % cls)) as f:
        return [l.strip() for l in f if l.strip()]


def jlha_encode_list(args, base, names, outdir):
    listing = outdir + ".list"
    with open(listing, "w") as f:
        f.write("\n".join(names) + "\n")
    shutil.rmtree(outdir, ignore_errors=True)
    out = run(["java", "-cp", JLHA_JAR, os.path.join(args.tools, "LhaRaw.java"), "encode-list",
               "-lh1-", base, listing, outdir], stdout=subprocess.PIPE, text=True).stdout
    sizes = {}
    for line in out.splitlines():
        rel, orig, packed = line.split("\t")
        sizes[rel] = (int(orig), int(packed))
    return sizes


def our_encode(args, src, dst):
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    r = subprocess.run([os.path.join(args.bin, "qxcodec"), "encode", "lzh", src, dst],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if r.returncode == 3:  # larger than the input: stored
        return None
    if r.returncode != 0:
        sys.exit("qxcodec encode failed on " + src)
    return os.path.getsize(dst)


def ratios(args, names_by_class):
    all_names = [n for c in CLASSES for n in names_by_class[c]]
    t0 = time.perf_counter()
    jl = jlha_encode_list(args, args.corpus, all_names, os.path.join(args.work, "jlha"))
    jlha_seconds = time.perf_counter() - t0
    ours = {}
    t0 = time.perf_counter()
    for n in all_names:
        ours[n] = our_encode(args, os.path.join(args.corpus, n),
                             os.path.join(args.work, "ours", n + ".lh1"))
    our_seconds = time.perf_counter() - t0
    rows = {}
    for cls in CLASSES + ["all"]:
        names = all_names if cls == "all" else names_by_class[cls]
        orig = sum(jl[n][0] for n in names)
        ours_packed = sum(min(ours[n], jl[n][0]) if ours[n] is not None else jl[n][0]
                          for n in names)
        jl_stored = sum(min(jl[n][1], jl[n][0]) for n in names)
        jl_raw = sum(jl[n][1] for n in names)
        stored = sum(1 for n in names if ours[n] is None)
        rows[cls] = dict(orig=orig, ours=ours_packed, jlha=jl_stored, jlha_raw=jl_raw,
                         stored=stored, files=len(names))
    total = rows["all"]["orig"]
    return rows, total / 1e6 / our_seconds, total / 1e6 / jlha_seconds, ours


def joined_members(args, names_by_class):
    """One member per class (and one of everything): file, jLHA stream, wrapped archive."""
    cat = os.path.join(args.work, "joined")
    os.makedirs(cat, exist_ok=True)
    groups = {c: names_by_class[c] for c in CLASSES}
    groups["all"] = [n for c in CLASSES for n in names_by_class[c]]
    for g, names in groups.items():
        with open(os.path.join(cat, g), "wb") as out:
            for n in names:
                with open(os.path.join(args.corpus, n), "rb") as f:
                    out.write(f.read())
    streams = os.path.join(args.work, "joined-jlha")
    jlha_encode_list(args, cat, list(groups), streams)
    members = {}
    for g in groups:
        plain = os.path.join(cat, g)
        stream = os.path.join(streams, g + ".raw")
        archive = os.path.join(args.work, g + ".lzh")
        if os.path.exists(archive):
            os.remove(archive)
        run(["python3", os.path.join(args.tools, "lzh_wrap.py"), "-o", archive, "--method", "lh1",
             "--original", plain, "--name", g, stream])
        size = os.path.getsize(plain)
        # Both decoders must get the bytes right before their speed means anything.
        check = os.path.join(args.work, g + ".check")
        run([os.path.join(args.bin, "qxcodec"), "decode", "lzh", str(size), stream, check],
            stdout=subprocess.DEVNULL)
        if not filecmp(plain, check):
            sys.exit("our decoder got %s wrong" % g)
        os.remove(check)
        t = run(["lhasa", "t", archive], stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout
        if b"Tested" not in t:
            sys.exit("lhasa did not test %s" % g)
        members[g] = (size, [os.path.join(args.bin, "qxcodec"), "decode", "lzh", str(size), stream,
                             "/dev/null"], ["lhasa", "t", archive])
    return members


def filecmp(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        while True:
            x, y = fa.read(1 << 20), fb.read(1 << 20)
            if x != y:
                return False
            if not x:
                return True


def timed(cmd):
    """Wall time and CPU time (user + system) of one whole process."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - t0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def archives(args, names_by_class, ours):
    """Per class (and all): our archive made by qxarc, and an LHA archive of the same streams."""
    groups = {c: names_by_class[c] for c in CLASSES}
    groups["all"] = [n for c in CLASSES for n in names_by_class[c]]
    made = {}
    for g, names in groups.items():
        ours_archive = os.path.join(args.work, g + ".qx")
        if os.path.exists(ours_archive):
            os.remove(ours_archive)
        run([os.path.join(args.bin, "qxarc"), "c", "-m", "lzh", "-C", args.corpus, ours_archive,
             *names], stdout=subprocess.DEVNULL)
        lha_archive = os.path.join(args.work, g + "-members.lzh")
        if os.path.exists(lha_archive):
            os.remove(lha_archive)
        for n in names:
            # The same bit stream as in our archive; stored where our encoder gave up.
            original = os.path.join(args.corpus, n)
            stored = ours[n] is None
            stream = original if stored else os.path.join(args.work, "ours", n + ".lh1")
            run(["python3", os.path.join(args.tools, "lzh_wrap.py"), "-o", lha_archive, "--append",
                 "--method", "lh0" if stored else "lh1", "--original", original, "--name", n,
                 stream])
        t = run(["lhasa", "t", lha_archive], stdout=subprocess.PIPE,
                stderr=subprocess.STDOUT).stdout
        if t.count(b"Tested") != len(names):
            sys.exit("lhasa tested %d of %d members of %s" % (t.count(b"Tested"), len(names), g))
        size = sum(os.path.getsize(os.path.join(args.corpus, n)) for n in names)
        made[g] = (size, [os.path.join(args.bin, "qxarc"), "t", ours_archive],
                   ["lhasa", "t", lha_archive])
    return made


def speeds(args, members):
    """members: group -> (size, our command, lhasa command)."""
    rows = {}
    for g, (size, ours_cmd, lhasa_cmd) in members.items():
        timed(ours_cmd), timed(lhasa_cmd)  # warm the page cache
        ours_t, lhasa_t = [], []
        for i in range(args.runs):
            pair = [(ours_cmd, ours_t), (lhasa_cmd, lhasa_t)]
            if i % 2:
                pair.reverse()
            for cmd, sink in pair:
                sink.append(timed(cmd))
        mb = size / 1e6
        rows[g] = dict(
            size=size,
            ours=mb / statistics.median(t[0] for t in ours_t),
            lhasa=mb / statistics.median(t[0] for t in lhasa_t),
            ours_cpu=mb / statistics.median(t[1] for t in ours_t),
            lhasa_cpu=mb / statistics.median(t[1] for t in lhasa_t))
    return rows


def machine():
    model = "unknown CPU"
    cpus = os.cpu_count()
    try:
        out = subprocess.run(["lscpu"], stdout=subprocess.PIPE, text=True).stdout
        for line in out.splitlines():
            if line.startswith("Model name:"):
                model = line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "%s, %s CPUs, %s %s" % (model, cpus, platform.system(), platform.release())


def speed_table(rows):
    cols = CLASSES + ["all"]

    def line(label, fn):
        return "| %s | %s |\n" % (label, " | ".join(fn(c) for c in cols))

    s = "| | pe | text | gz | all |\n|---|---|---|---|---|\n"
    s += line("ours", lambda c: "%.1f" % rows[c]["ours"])
    s += line("lhasa -lh1-", lambda c: "%.1f" % rows[c]["lhasa"])
    s += line("ours / lhasa", lambda c: "%.2f×" % (rows[c]["ours"] / rows[c]["lhasa"]))
    s += line("ours, CPU time", lambda c: "%.1f" % rows[c]["ours_cpu"])
    s += line("lhasa -lh1-, CPU time", lambda c: "%.1f" % rows[c]["lhasa_cpu"])
    s += line("ours / lhasa, CPU time", lambda c: "%.2f×" % (rows[c]["ours_cpu"] / rows[c]["lhasa_cpu"]))
    return s


def write(args, ratio_rows, enc_ours, enc_jlha, speed_rows, archive_rows):
    cols = CLASSES + ["all"]
    head = "| | pe | text | gz | all |\n|---|---|---|---|---|\n"
    sizes = "| size (MB) | " + " | ".join("%.2f" % (ratio_rows[c]["orig"] / 1e6) for c in cols) + " |\n"

    def line(label, fn):
        return "| %s | %s |\n" % (label, " | ".join(fn(c) for c in cols))

    s = "# LZH (-lh1-) benchmark\n\n"
    s += "Machine: %s. Made by `bench/lzh_bench.sh %d` on %s.\n\n" % (
        machine(), args.runs, time.strftime("%Y-%m-%d"))
    s += "## Decoding (MB/s of uncompressed data)\n\n"
    s += ("Each class joined into one member and packed by jLHA's -lh1- encoder; both tools decode "
          "the same bits. Ours: `qxcodec decode lzh`; lhasa: `lhasa t` on the member wrapped into "
          "an .lzh archive. Whole processes, median of %d paired runs: wall time, and CPU time (user + "
          "system), which other work on the machine disturbs less. Load average when the timing "
          "started: %s.\n\n" % (args.runs, args.load))
    s += speed_table(speed_rows)
    s += "\n## Testing archives, member by member (MB/s of uncompressed data)\n\n"
    s += ("Each class (and the whole corpus) as one archive with a member per file: ours made by "
          "`qxarc c -m lzh`, tested by `qxarc t`; lhasa's an .lzh archive holding the very same "
          "streams (-lh1-, or -lh0- for the files our encoder stores), tested by `lhasa t`. Both "
          "check every member's checksum. Nearly every gz file is stored, so that column measures "
          "copying, not decoding. Median of %d paired runs.\n\n" % args.runs)
    s += speed_table(archive_rows)
    s += "\n## Ratio (packed / original)\n\n"
    s += ("Every file packed on its own. A member that would grow is stored (counted at its "
          "original size), as an archiver does, on both sides. Our encoder makes the reference "
          "-lh1- parse bit for bit: greedy, at every position the match its binary-tree finder "
          "reports (cut to the bytes left, a literal below 3 bytes), with no lazy evaluation and "
          "no search for a nearer copy, so this is the reference encoder's ratio.\n\n")
    s += head + sizes
    s += line("ours", lambda c: "%.2f %%" % (100 * ratio_rows[c]["ours"] / ratio_rows[c]["orig"]))
    s += line("jLHA -lh1-", lambda c: "%.2f %%" % (100 * ratio_rows[c]["jlha"] / ratio_rows[c]["orig"]))
    s += line("jLHA -lh1-, never stored",
              lambda c: "%.2f %%" % (100 * ratio_rows[c]["jlha_raw"] / ratio_rows[c]["orig"]))
    s += line("files stored by us", lambda c: "%d of %d" % (ratio_rows[c]["stored"], ratio_rows[c]["files"]))
    s += ("\nEncoding speed over the corpus, file by file: ours %.1f MB/s (one process per file), "
          "jLHA %.1f MB/s (one JVM for all files).\n" % (enc_ours, enc_jlha))
    s += ("\nGoals: decoding at least 1.5× lhasa's -lh1- throughput on every class; a ratio no "
          "worse than jLHA's -lh1- (46.6 % on the whole corpus).\n")
    ours_all = 100 * ratio_rows["all"]["ours"] / ratio_rows["all"]["orig"]
    jlha_all = 100 * ratio_rows["all"]["jlha"] / ratio_rows["all"]["orig"]
    s += ("Ratio goal %s: %.2f %% against jLHA's %.2f %% on the whole corpus.\n"
          % ("met" if ours_all <= jlha_all else "missed", ours_all, jlha_all))
    with open(args.out, "w") as f:
        f.write(s)
    sys.stdout.write(s)


def main():
    p = argparse.ArgumentParser()
    for a in ("bin", "tools", "corpus", "work", "out"):
        p.add_argument("--" + a, required=True)
    p.add_argument("--runs", type=int, default=7)
    args = p.parse_args()
    os.makedirs(args.work, exist_ok=True)
    names = {c: files_of(args.corpus, c) for c in CLASSES}
    ratio_rows, enc_ours, enc_jlha, ours = ratios(args, names)
    members = joined_members(args, names)
    made = archives(args, names, ours)
    args.load = "%.2f" % os.getloadavg()[0]
    speed_rows = speeds(args, members)
    archive_rows = speeds(args, made)
    write(args, ratio_rows, enc_ours, enc_jlha, speed_rows, archive_rows)


if __name__ == "__main__":
    main()
