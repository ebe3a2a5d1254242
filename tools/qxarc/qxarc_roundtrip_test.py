#!/usr/bin/env python3
"""qxarc end to end: a tree of files through "qxarc c" and "qxarc x" for the methods NON and RLE,
with and without a key, plus listing, testing, offsets, unsafe names and "qxarc applet".
Usage: qxarc_roundtrip_test.py QXARC   (TZ is pinned by the caller)."""
import os
import random
import stat
import struct
import subprocess
import sys
import tempfile
import unittest

QXARC = None
PAYLOAD_OFFSET = 722432
LH5_UNAVAILABLE = 'qxarc: Compression method "LH5" is not available in this build\n'


def run(*args, ok=True):
    p = subprocess.run([QXARC, *args], capture_output=True, text=True, timeout=120)
    if ok and p.returncode != 0:
        raise AssertionError(f"qxarc {' '.join(args)} failed ({p.returncode}): {p.stderr}")
    return p


def make_tree(root):
    rnd = random.Random(7)
    files = {
        'noise.bin': bytes(rnd.randrange(256) for _ in range(40000)),
        'runs.txt': b'A' * 1000 + b'\x94' * 10 + b'tail\n' * 300,
        'markers.bin': b'\x94' * 10,
        'empty': b'',
        'deep/sub dir/notes.txt': b'line\r\n' * 2000,
        'deep/ro.txt': b'read only\n' * 100,
    }
    # Even and odd seconds, summer and winter (TZ has daylight saving).
    stamps = [1625420730, 1609502401, 1262304000, 946684799, 1700000000, 1400000003]
    for (name, data), when in zip(sorted(files.items()), stamps):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
        os.utime(path, (when, when))
    os.chmod(os.path.join(root, 'deep/ro.txt'), 0o444)
    return files


class RoundTrip(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.src = os.path.join(self.dir, 'src')
        self.files = make_tree(self.src)

    def tearDown(self):
        for base, dirs, names in os.walk(self.dir):
            for n in names:
                os.chmod(os.path.join(base, n), 0o644)
        self.tmp.cleanup()

    def check_same(self, out):
        for name, data in self.files.items():
            a, b = os.path.join(self.src, name), os.path.join(out, name)
            with open(b, 'rb') as f:
                self.assertEqual(f.read(), data, name)
            sa, sb = os.stat(a), os.stat(b)
            # Two-second steps, rounded down.
            self.assertTrue(0 <= sa.st_mtime - sb.st_mtime < 2, (name, sa.st_mtime, sb.st_mtime))
            self.assertEqual(bool(sa.st_mode & stat.S_IWUSR), bool(sb.st_mode & stat.S_IWUSR), name)

    def test_tree_through_every_simple_method_and_key(self):
        for method in ('none', 'rle'):
            for key in (None, '305419896', '-12345'):
                with self.subTest(method=method, key=key):
                    archive = os.path.join(self.dir, f'{method}-{key}.qx')
                    out = os.path.join(self.dir, f'out-{method}-{key}')
                    keyargs = ['-k', key] if key else []
                    run('c', '-m', method, *keyargs, '-C', self.src, archive, '.')
                    listing = run('l', archive).stdout
                    for name in self.files:
                        self.assertIn(name.replace('/', '\\'), listing)
                    self.assertEqual(listing.count(' yes '), len(self.files) if key else 0)
                    self.assertIn('members OK', run('t', *keyargs, archive).stdout)
                    run('x', *keyargs, '-d', out, archive)
                    self.check_same(out)
                    if key:
                        for wrong in ([], ['-k', '1']):
                            p = run('x', *wrong, '-d', out + '-wrong', archive, ok=False)
                            self.assertEqual(p.returncode, 1)
                            self.assertEqual(p.stderr, 'qxarc: File locked -- valid key required\n')

    def test_selection_offsets_and_damage(self):
        archive = os.path.join(self.dir, 'a.qx')
        run('c', '-m', 'rle', '-C', self.src, archive, 'runs.txt', 'deep')
        with open(archive, 'rb') as f:
            body = f.read()
        wrapped = os.path.join(self.dir, 'wrapped.bin')
        with open(wrapped, 'wb') as f:
            f.write(b'\xee' * 5000 + body)
        out = os.path.join(self.dir, 'sel')
        run('x', '--at', '5000', '-d', out, wrapped, 'DEEP/SUB DIR/NOTES.TXT')
        self.assertEqual(os.listdir(out), ['deep'])
        self.assertIn('runs.txt', run('l', '--at', '5000', wrapped).stdout)
        p = run('t', wrapped, ok=False)
        self.assertEqual((p.returncode, p.stderr), (1, "qxarc: Can't recognize compressed file header\n"))
        damaged = bytearray(body)
        damaged[-1] ^= 0x55
        with open(archive, 'wb') as f:
            f.write(damaged)
        p = run('t', archive, ok=False)
        self.assertEqual((p.returncode, p.stderr),
                         (1, 'qxarc: Bad checksum during expansion -- data may be invalid\n'))

    def test_extraction_stays_inside_the_target_folder(self):
        def member(name, data):
            return struct.pack('<hIHiiBIi', len(name), 0x5A2B6C3D, 0x20, len(data), len(data), 0,
                               sum(data), 0) + name + data
        body = member(b'..\\evil', b'x') + member(b'\\abs\\ok', b'yy') + member(b'c:\\drive', b'z')
        archive = os.path.join(self.dir, 'unsafe.qx')
        with open(archive, 'wb') as f:
            f.write(b'KELV\x1aNON' + struct.pack('<iBii', 4, 1, 0, 0) + body)
        out = os.path.join(self.dir, 'inside', 'out')
        p = run('x', '-d', out, archive, ok=False)
        self.assertEqual(p.returncode, 1)
        self.assertIn('skipped unsafe name', p.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.dir, 'inside', 'evil')))
        with open(os.path.join(out, 'abs', 'ok'), 'rb') as f:
            self.assertEqual(f.read(), b'yy')
        self.assertEqual(sorted(os.listdir(out)), ['abs'])

    def test_lz_methods_work_or_say_they_are_missing(self):
        archive = os.path.join(self.dir, 'lz.qx')
        for method in ('lzh', 'lh5'):
            p = run('c', '-m', method, '-C', self.src, archive, '.', ok=False)
            if p.returncode == 0:
                out = os.path.join(self.dir, 'out-' + method)
                run('x', '-d', out, archive)
                self.check_same(out)
            else:
                self.assertEqual(p.stderr, LH5_UNAVAILABLE.replace('LH5', method.upper()))
                self.assertFalse(os.path.exists(archive))

    def test_applet_is_the_stub_head_and_an_lh5_payload(self):
        stub = os.path.join(self.dir, 'stub.exe')
        head = bytes(random.Random(3).randrange(256) for _ in range(PAYLOAD_OFFSET))
        with open(stub, 'wb') as f:
            f.write(head + b'old payload')
        applet = os.path.join(self.dir, 'Applet.exe')
        p = run('applet', stub, applet, os.path.join(self.src, 'runs.txt'),
                os.path.join(self.src, 'empty'), ok=False)
        if p.returncode == 0:
            with open(applet, 'rb') as f:
                data = f.read()
            self.assertEqual(data[:PAYLOAD_OFFSET], head)
            self.assertEqual(data[PAYLOAD_OFFSET:PAYLOAD_OFFSET + 8], b'KELV\x1aLH5')
            listing = run('l', '--at', str(PAYLOAD_OFFSET), applet).stdout
            self.assertIn(' runs.txt\n', listing)
            self.assertIn(' empty\n', listing)
        else:
            self.assertEqual(p.stderr, LH5_UNAVAILABLE)
            self.assertFalse(os.path.exists(applet))
        short = os.path.join(self.dir, 'short.exe')
        with open(short, 'wb') as f:
            f.write(head[:1000])
        p = run('applet', short, applet, os.path.join(self.src, 'runs.txt'), ok=False)
        self.assertEqual((p.returncode, p.stderr), (1, 'qxarc: The stub is shorter than 722432 bytes\n'))

    def test_messages_name_paths_as_typed(self):
        archive = os.path.join(self.dir, 'a.qx')
        run('c', '-m', 'none', '-C', self.src, archive, 'runs.txt')
        blocker = os.path.join(self.dir, 'blocker')
        with open(blocker, 'wb') as f:
            f.write(b'a file where a folder should be')
        missing = os.path.join(self.dir, 'missing.qx')
        cases = [
            (['l', missing], 1, f'qxarc: Cannot open file "{missing}"\n'),
            (['c', os.path.join(self.dir, 'no', 'x.qx'), os.path.join(self.src, 'runs.txt')], 1,
             f'qxarc: Cannot create file "{self.dir}/no/x.qx"\n'),
            (['x', '-d', os.path.join(blocker, 'out'), archive], 1,
             f'qxarc: I/O error: cannot create folder "{blocker}"\n'),
            (['x', '-d', os.path.join(self.dir, 'sel'), archive, 'deep/none.txt'], 2,
             'qxarc: not in the archive: deep/none.txt\n'),
        ]
        for args, code, first_line in cases:
            with self.subTest(args=args):
                p = run(*args, ok=False)
                self.assertEqual(p.returncode, code)
                self.assertEqual(p.stderr.splitlines(keepends=True)[0], first_line)
        unsafe = os.path.join(self.dir, 'unsafe.qx')
        with open(unsafe, 'wb') as f:
            f.write(b'KELV\x1aNON' + struct.pack('<iBii', 1, 1, 0, 0)
                    + struct.pack('<hIHiiBIi', 7, 0x5A2B6C3D, 0x20, 1, 1, 0, ord('x'), 0) + b'..\\evil' + b'x')
        out = os.path.join(self.dir, 'out')
        p = run('x', '-d', out, unsafe, ok=False)
        self.assertEqual(p.stderr, f'qxarc: skipped unsafe name: {out}/../evil\n')

    def test_usage_errors(self):
        for args in ([], ['q'], ['c', 'a.qx'], ['c', '-m', 'zip', 'a', 'b'], ['x', '-k', 'abc', 'a']):
            self.assertEqual(run(*args, ok=False).returncode, 2, args)


if __name__ == '__main__':
    QXARC = sys.argv.pop(1)
    unittest.main(verbosity=1)
