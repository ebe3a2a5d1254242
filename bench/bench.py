#!/usr/bin/env python3
"""Side-by-side "LH5" benchmark on the LHA corpus (see run.sh, which calls this).

Per class (pe, text, gz and all files together), with the same files for every tool:
  decode: qxarc t on our archive; lhasa t and 7z t on jlha's -lh5- archive
  encode: qxarc c -m lh5 against jlha a (-lh5-), and with --before an earlier qxarc whose
          archive must be byte for byte the same
Every measurement is one whole process; the tools take turns within each run ("paired"
runs) and the table shows medians. Throughput is MB/s (10^6 bytes) of uncompressed data;
the ratio is the sum of packed member sizes over the sum of original sizes (headers excluded).
Each run is also checked: our test must pass every member, lhasa must report every member as
Tested, 7-Zip must report "Everything is Ok".
"""

import argparse
import os
import statistics
import subprocess
import sys
import time


def timed(args, cwd=None, prepare=None):
    """(seconds, peak RSS in KiB, stdout) of one process.

    The peak memory comes from GNU time around the tool: the rusage of a child forked from this
    script starts with the script's own resident memory, which hid what the tool itself used."""
    if prepare:
        prepare()
    rss_file = os.path.join(os.environ.get("TMPDIR", "/tmp"), "qx_bench_rss.%d" % os.getpid())
    start = time.perf_counter()
    p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_file] + args, cwd=cwd,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    out = p.stdout.read()
    p.wait()
    elapsed = time.perf_counter() - start
    if p.returncode != 0:
        sys.exit("bench: %s failed (%d):\n%s" % (" ".join(args[:3]), p.returncode,
                                                 out.decode(errors="replace")[-2000:]))
    with open(rss_file) as h:
        rss = int(h.read().split()[-1])
    os.remove(rss_file)
    return elapsed, rss, out.decode(errors="replace")


def remove(path):
    def go():
        if os.path.exists(path):
            os.remove(path)
    return go


def our_ratio(qxarc, archive):
    out = subprocess.run([qxarc, "l", archive], stdout=subprocess.PIPE, check=True).stdout.decode()
    size = packed = 0
    for line in out.splitlines()[1:]:
        f = line.split()
        if len(f) > 2 and f[0].isdigit() and f[1].isdigit():
            size += int(f[0])
            packed += int(f[1])
    return packed, size


def lzh_ratio(tools, archive):
    out = subprocess.run([sys.executable, os.path.join(tools, "lzh_unwrap.py"), archive],
                         stdout=subprocess.PIPE, check=True).stdout.decode()
    size = packed = methods = 0
    lh5 = 0
    for line in out.splitlines():
        f = line.split()
        if len(f) > 5 and f[0].isdigit():
            packed += int(f[3])
            size += int(f[4])
            methods += 1
            lh5 += f[1] == "-lh5-"
    return packed, size, lh5, methods


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--tools", required=True)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--classes", default="pe,text,gz,all")
    ap.add_argument("--before", help="an earlier qxarc: its encoding is timed in the same runs")
    a = ap.parse_args()
    qxarc = os.path.join(a.bin, "qxarc")
    os.makedirs(a.work, exist_ok=True)

    rows = []
    for cls in a.classes.split(","):
        with open(os.path.join(a.corpus, "filelist-%s.txt" % cls)) as h:
            files = [l.strip() for l in h if l.strip()]
        total = sum(os.path.getsize(os.path.join(a.corpus, f)) for f in files)
        ours = os.path.join(a.work, cls + ".qx")
        theirs = os.path.join(a.work, cls + ".lzh")
        enc = {"qxarc c -m lh5": ([qxarc, "c", "-m", "lh5", ours] + files, remove(ours)),
               "jlha a (-lh5-)": (["jlha", "ao5q", theirs] + files, remove(theirs))}
        before = os.path.join(a.work, cls + ".before.qx")
        if a.before:
            enc["before qxarc c"] = ([a.before, "c", "-m", "lh5", before] + files, remove(before))
        dec = {"qxarc t": [qxarc, "t", ours], "lhasa t": ["lhasa", "t", theirs],
               "7z t": ["7z", "t", theirs]}
        times = {k: [] for k in list(enc) + list(dec)}
        rss = {k: 0 for k in times}
        for run in range(a.runs):
            for name, (args, prep) in enc.items():
                t, m, _ = timed(args, cwd=a.corpus, prepare=prep)
                times[name].append(t)
                rss[name] = max(rss[name], m)
            for name, args in dec.items():
                t, m, out = timed(args)
                times[name].append(t)
                rss[name] = max(rss[name], m)
                if name == "qxarc t" and ("%d members OK" % len(files)) not in out:
                    sys.exit("bench: our test did not pass every member:\n" + out[-2000:])
                if name == "lhasa t" and out.count("Tested") != len(files):
                    sys.exit("bench: lhasa tested %d of %d members" % (out.count("Tested"), len(files)))
                if name == "7z t" and "Everything is Ok" not in out:
                    sys.exit("bench: 7-Zip test failed:\n" + out[-2000:])
        if a.before:
            with open(ours, "rb") as h1, open(before, "rb") as h2:
                if h1.read() != h2.read():
                    sys.exit("bench: the archives of the two qxarc builds differ (%s)" % cls)
        op, osz = our_ratio(qxarc, ours)
        jp, jsz, jl5, jn = lzh_ratio(a.tools, theirs)
        assert osz == total == jsz, (osz, total, jsz)
        med = {k: statistics.median(v) for k, v in times.items()}
        rows.append((cls, len(files), total, med, rss, op / total, jp / total, jl5, jn))
        print("%s: %d files, %.1f MB, %s" % (cls, len(files), total / 1e6,
              ", ".join("%s %.3f s" % (k, v) for k, v in med.items())), file=sys.stderr)

    cols = [r[0] for r in rows]
    def line(label, cells):
        return "| %s | %s |" % (label, " | ".join(cells))
    print(line("", ["%s (%d files, %.1f MB)" % (r[0], r[1], r[2] / 1e6) for r in rows]))
    print(line("---", ["---"] * len(rows)))
    for name in ["qxarc t", "lhasa t", "7z t"]:
        print(line(name + " decode MB/s", ["%.0f" % (r[2] / 1e6 / r[3][name]) for r in rows]))
    print(line("qxarc t / 7z t", ["%.2f x" % (r[3]["7z t"] / r[3]["qxarc t"]) for r in rows]))
    for name in ["qxarc c -m lh5", "jlha a (-lh5-)"]:
        print(line(name + " encode MB/s", ["%.1f" % (r[2] / 1e6 / r[3][name]) for r in rows]))
    print(line("qxarc c / jlha", ["%.2f x" % (r[3]["jlha a (-lh5-)"] / r[3]["qxarc c -m lh5"]) for r in rows]))
    if a.before:
        print(line("before qxarc c encode MB/s", ["%.1f" % (r[2] / 1e6 / r[3]["before qxarc c"]) for r in rows]))
        print(line("encode time now / before", ["%.2f" % (r[3]["qxarc c -m lh5"] / r[3]["before qxarc c"]) for r in rows]))
    print(line("qxarc ratio", ["%.2f %%" % (100 * r[5]) for r in rows]))
    print(line("jlha -lh5- ratio", ["%.2f %% (%d of %d -lh5-)" % (100 * r[6], r[7], r[8]) for r in rows]))
    for name in sorted(rows[0][4]) if rows else []:
        print(line("peak RSS %s (KiB)" % name, ["%d" % r[4][name] for r in rows]))
    print("\nmedians of %d paired runs" % a.runs)


if __name__ == "__main__":
    main()
