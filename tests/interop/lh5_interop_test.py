"""The "LH5" bit stream against independent LHA tools.

Our encoder's bare streams, wrapped as .lzh archives, must extract byte-identical with lhasa
and with 7-Zip; streams made by jLHA (the jlha command's archives, and its library for members
the command stores uncompressed) must expand byte-identical with our decoder.

Environment: QX_BIN (our programs), QX_LHA_TOOLS (the shared wrap/unwrap scripts), QX_WORK.
"""

import glob
import os
import random
import shutil
import subprocess
import unittest

BIN = os.environ.get("QX_BIN", "")
TOOLS = os.environ.get("QX_LHA_TOOLS", "")
WORK = os.path.join(os.environ.get("QX_WORK", "/tmp/qx_interop"), "lh5")
QXCODEC = os.path.join(BIN, "qxcodec")
JLHA_JAR = "/usr/share/java/jlha.jar"
PE_DIRS = ["/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/i386-linux-gnu/wine/i386-windows",
           "/usr/lib/wine", "/usr/x86_64-w64-mingw32/lib"]


def run(args, cwd=None, ok=(0,)):
    p = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    if p.returncode not in ok:
        raise AssertionError("%s exited %d: %s" % (" ".join(args), p.returncode,
                                                  p.stderr.decode(errors="replace")[-2000:]))
    return p


def pe_files():
    """A few Windows programs and libraries of different sizes."""
    found = []
    for d in PE_DIRS:
        for pattern in ("*.exe", "*.dll"):
            found += [f for f in sorted(glob.glob(os.path.join(d, pattern))) if os.path.isfile(f)]
    picked = []
    for lo, hi in ((20000, 120000), (120000, 600000), (600000, 3000000)):
        sized = [f for f in found if lo <= os.path.getsize(f) < hi]
        if sized:
            picked.append(sized[len(sized) // 2])
    return picked


def text_bytes():
    for f in ("/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/GPL-2"):
        if os.path.exists(f):
            with open(f, "rb") as h:
                return h.read()
    raise unittest.SkipTest("no text file found")


def make_inputs(folder):
    """name -> path of every input both directions are checked on."""
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(4)
    text = text_bytes()
    data = {
        "empty": b"",
        "one_byte": b"A",
        "repeated": b"\x41" * 300000,
        "size_7936": (text * 2)[:7936],
        "size_8193": (text * 2)[:8193],
        "text": text * 3,
        "random": bytes(rng.getrandbits(8) for _ in range(60000)),
    }
    paths = {}
    for name, content in data.items():
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "wb") as h:
            h.write(content)
    for i, f in enumerate(pe_files()):
        name = "pe%d_%s" % (i, os.path.basename(f).replace(".", "_"))
        paths[name] = os.path.join(folder, name)
        shutil.copyfile(f, paths[name])
    return paths


def need(*programs):
    missing = [p for p in programs if shutil.which(p) is None and not os.path.exists(p)]
    if missing:
        raise unittest.SkipTest("missing: " + ", ".join(missing))


class Lh5Interop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        cls.inputs = make_inputs(os.path.join(WORK, "in"))
        if not any(n.startswith("pe") for n in cls.inputs):
            raise AssertionError("no Windows programs found in " + ", ".join(PE_DIRS))

    def read(self, path):
        with open(path, "rb") as h:
            return h.read()

    def encode_ours(self, name):
        """Our bare stream for an input; also checks when the encoder gives up within budget."""
        src = self.inputs[name]
        out = os.path.join(WORK, "ours", name + ".lh5")
        os.makedirs(os.path.dirname(out), exist_ok=True)
        p = run([QXCODEC, "encode", "lh5", src, out], ok=(0, 3))
        size = os.path.getsize(src)
        if p.returncode == 3:
            # Only data that cannot shrink may give up; the stream is then made without the limit.
            self.assertIn(name, ("one_byte", "random"), "encoder gave up on " + name)
            run([QXCODEC, "encode", "lh5", src, out, "--no-budget"])
            self.assertGreater(os.path.getsize(out), size)
        else:
            self.assertLessEqual(os.path.getsize(out), size)
        if name == "empty":
            self.assertEqual(os.path.getsize(out), 0)
        return out

    def test_our_streams_extract_with_lhasa_and_7zip(self):
        need("lhasa", "7z")
        for name in sorted(self.inputs):
            with self.subTest(name=name):
                stream = self.encode_ours(name)
                archive = os.path.join(WORK, "ours", name + ".lzh")
                run(["python3", os.path.join(TOOLS, "lzh_wrap.py"), "-o", archive, "--method", "lh5",
                     "--original", self.inputs[name], "--name", name, stream])
                expected = self.read(self.inputs[name])
                for tool, cmd in (("lhasa", ["lhasa", "xf"]), ("7z", ["7z", "x", "-y"])):
                    out = os.path.join(WORK, "ours", name + "." + tool)
                    shutil.rmtree(out, ignore_errors=True)
                    os.makedirs(out)
                    run(cmd + [archive], cwd=out)
                    got = os.path.join(out, name)
                    self.assertTrue(os.path.exists(got), "%s extracted nothing from %s" % (tool, name))
                    self.assertEqual(self.read(got), expected, "%s differs on %s" % (tool, name))

    def test_jlha_streams_expand_with_our_decoder(self):
        need("jlha", "java", JLHA_JAR)
        folder = os.path.join(WORK, "jlha")
        os.makedirs(folder, exist_ok=True)
        names = sorted(self.inputs)
        archive = os.path.join(folder, "all.lzh")
        # jlha archives the files as named relative to the current folder.
        run(["jlha", "ao5q", archive] + names, cwd=os.path.dirname(self.inputs[names[0]]))
        unwrapped = os.path.join(folder, "members")
        run(["python3", os.path.join(TOOLS, "lzh_unwrap.py"), archive, "-d", unwrapped])
        streams = {}
        with open(os.path.join(unwrapped, "index.tsv")) as h:
            header = h.readline().rstrip("\n").split("\t")
            for line in h:
                row = dict(zip(header, line.rstrip("\n").split("\t")))
                if row["method"] == "-lh5-":
                    streams[row["name"]] = os.path.join(unwrapped, row["stream"])
        # jlha stores what it cannot shrink; its library still makes -lh5- streams of those.
        stored = [n for n in names if n not in streams]
        self.assertLess(len(stored), len(names))
        if stored:
            listing = os.path.join(folder, "stored.txt")
            with open(listing, "w") as h:
                h.write("\n".join(stored) + "\n")
            raw = os.path.join(folder, "raw")
            run(["java", "-cp", JLHA_JAR, os.path.join(TOOLS, "LhaRaw.java"), "encode-list", "-lh5-",
                 os.path.dirname(self.inputs[names[0]]), listing, raw])
            for n in stored:
                streams[n] = os.path.join(raw, n + ".raw")
        for name in names:
            with self.subTest(name=name):
                expected = self.read(self.inputs[name])
                out = os.path.join(folder, name + ".out")
                run([QXCODEC, "decode", "lh5", str(len(expected)), streams[name], out])
                self.assertEqual(self.read(out), expected, "our decoder differs on " + name)

    def test_damaged_stream_is_refused_cleanly(self):
        # A jlha-independent check that a broken table is an error, not a crash.
        stream = os.path.join(WORK, "damaged.lh5")
        with open(stream, "wb") as h:
            h.write(b"\x00\x05\xff\xff\xff\xff\xff\xff")
        p = run([QXCODEC, "decode", "lh5", "100", stream, stream + ".out"], ok=(1,))
        self.assertIn(b"Bad decode table in archive!", p.stderr)


if __name__ == "__main__":
    unittest.main()
