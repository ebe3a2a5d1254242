"""The "LZH" bit stream (-lh1- in LHA archives) against independent LHA tools.

Our streams, wrapped into .lzh archives, must extract byte-identical with Debian's lhasa (7-Zip
cannot read -lh1-) and decode with jLHA; streams made by jLHA's independent encoder must expand
byte-identical with ours. Needs QX_BIN, QX_LHA_TOOLS and QX_WORK (set by ctest).
"""

import hashlib
import os
import random
import shutil
import subprocess
import unittest

BIN = os.environ.get("QX_BIN", "")
TOOLS = os.environ.get("QX_LHA_TOOLS", "")
WORK = os.path.join(os.environ.get("QX_WORK", "/tmp/qx-interop"), "lzh")
JLHA = "/usr/share/java/jlha.jar"


def qxcodec(*args):
    return subprocess.run([os.path.join(BIN, "qxcodec"), *map(str, args)],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)


def text_data(size, seed):
    rnd = random.Random(seed)
    words = ("the archive member window of a match Huffman tree adaptive length distance "
             "position code 4096 bytes, symbol; update halving rebuild\n").split(" ")
    out = []
    n = 0
    while n < size:
        w = rnd.choice(words) + rnd.choice(" \n ,  ")
        out.append(w)
        n += len(w)
    return "".join(out).encode()[:size]


def binary_data(size, seed):
    # Records of a program file's kind: opcodes that recur, small counters, addresses.
    rnd = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        kind = rnd.randrange(4)
        if kind == 0:
            out += bytes([0x48, 0x8B, 0x05]) + rnd.randrange(1 << 20).to_bytes(4, "little")
        elif kind == 1:
            out += (len(out) // 16).to_bytes(4, "little") + bytes(4)
        elif kind == 2:
            out += bytes([0xE8]) + rnd.randrange(-4096, 4096).to_bytes(4, "little", signed=True)
        else:
            out += bytes(rnd.randrange(256) for _ in range(rnd.randrange(1, 9)))
    return bytes(out[:size])


def random_bytes(size, seed):
    rnd = random.Random(seed)
    return bytes(rnd.randrange(256) for _ in range(size))


def cases():
    c = {
        "empty": b"",
        "short": b"LZH" * 3,
        "text": text_data(60000, 1),
        "binary": binary_data(90000, 2),
        "binary-no-spaces": binary_data(90000, 8).replace(b" ", b"!"),
        # 40,000 random bytes hold almost no match of 3 bytes, so they alone are more than
        # 39,000 symbols: the adaptive code halves (at symbol 32,456) well inside the member.
        # The compressible rest keeps the member smaller than its input.
        "past-first-halving": (random_bytes(40000, 3) + binary_data(100000, 4)).replace(b" ", b"!"),
        "long-run": b"z" * 70000 + b"end" + b"\x00" * 5000,
        "space-window": b" " * 200 + b"starts in the spaces the window is filled with" + b" " * 61,
        "window-edge": text_data(4036 + 60, 5) + binary_data(8192, 6),
    }
    # Real files of this machine: a program and a text, when present.
    for name, path in (("real-binary", "/usr/bin/lhasa"),
                       ("real-text", "/usr/share/common-licenses/GPL-3")):
        if os.path.isfile(path):
            with open(path, "rb") as f:
                c[name] = f.read()
    return c


def same_bytes(path, data):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).digest() == hashlib.sha256(data).digest()


@unittest.skipUnless(BIN and TOOLS, "QX_BIN and QX_LHA_TOOLS are set by ctest")
class LzhInterop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.cases = cases()
        for name, data in cls.cases.items():
            with open(os.path.join(WORK, name), "wb") as f:
                f.write(data)

    def path(self, *parts):
        return os.path.join(WORK, *parts)

    def our_stream(self, name):
        r = qxcodec("encode", "lzh", self.path(name), self.path(name + ".ours.lh1"))
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        return self.path(name + ".ours.lh1")

    def test_our_streams_extract_with_lhasa(self):
        for name, data in self.cases.items():
            with self.subTest(name):
                stream = self.our_stream(name)
                if not data:
                    self.assertEqual(os.path.getsize(stream), 0)
                archive = self.path(name + ".lzh")
                subprocess.run(["python3", os.path.join(TOOLS, "lzh_wrap.py"), "-o", archive,
                                "--method", "lh1", "--original", self.path(name), "--name",
                                "member.bin", stream], check=True, timeout=60)
                out = self.path("x-" + name)
                shutil.rmtree(out, ignore_errors=True)
                os.makedirs(out)
                r = subprocess.run(["lhasa", "xfq1w=" + out, archive], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, timeout=120)
                self.assertEqual(r.returncode, 0, r.stdout.decode(errors="replace"))
                self.assertTrue(same_bytes(os.path.join(out, "member.bin"), data))
                # lhasa's own CRC check must see the member (it exits 0 even when it does not).
                r = subprocess.run(["lhasa", "t", archive], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, timeout=120)
                self.assertIn(b"Tested", r.stdout)

    def test_our_streams_decode_with_jlha(self):
        # jLHA's -lh1- decoder starts from a window of zeros where LHA's has spaces (lhasa above
        # agrees with us), so it is a second opinion only on data that can never match into the
        # window's starting bytes: data without any space.
        checked = 0
        for name, data in self.cases.items():
            if not data or b" " in data:
                continue
            checked += 1
            with self.subTest(name):
                stream = self.our_stream(name)
                out = self.path(name + ".jlha.out")
                subprocess.run(["java", "-cp", JLHA, os.path.join(TOOLS, "LhaRaw.java"),
                                "decode", "-lh1-", str(len(data)), stream, out],
                               check=True, timeout=300)
                self.assertTrue(same_bytes(out, data))
        self.assertGreaterEqual(checked, 3)

    def test_jlha_streams_expand_with_ours(self):
        names = [n for n in self.cases if self.cases[n]]
        names.append("incompressible")
        rnd = random.Random(7)
        with open(self.path("incompressible"), "wb") as f:
            f.write(bytes(rnd.randrange(256) for _ in range(20000)))
        listing = self.path("jlha-list.txt")
        with open(listing, "w") as f:
            f.write("\n".join(names) + "\n")
        jdir = self.path("jlha")
        shutil.rmtree(jdir, ignore_errors=True)
        subprocess.run(["java", "-cp", JLHA, os.path.join(TOOLS, "LhaRaw.java"), "encode-list",
                        "-lh1-", WORK, listing, jdir], check=True, stdout=subprocess.DEVNULL,
                       timeout=600)
        for name in names:
            with self.subTest(name):
                with open(self.path(name), "rb") as f:
                    data = f.read()
                out = self.path(name + ".qx.out")
                r = qxcodec("decode", "lzh", len(data), os.path.join(jdir, name + ".raw"), out)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                self.assertTrue(same_bytes(out, data))

    def test_empty_member_both_ways(self):
        empty = self.path("empty")
        stream = self.our_stream("empty")
        self.assertEqual(os.path.getsize(stream), 0)
        out = self.path("empty.qx.out")
        r = qxcodec("decode", "lzh", 0, stream, out)
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        self.assertEqual(os.path.getsize(out), 0)
        self.assertEqual(os.path.getsize(empty), 0)


if __name__ == "__main__":
    unittest.main()
