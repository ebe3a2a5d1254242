"""The end-to-end harness: runs Windows programs of the build under test under Wine 8 with Xvfb,
in a private prefix made once per test run, with a time-out on every call. Every test module runs
once for each build: the x86_64 one and the i686 one.

Environment (set by tests/e2e/CMakeLists.txt):
  QX_ARCH       the build under test: win64 or win32
  QX_BIN        that build's bin folder (applet.exe, RwLib.dll, W2kXP03.qx, common_utils_check.exe)
  QX_PROBE_BIN  the folder of uiprobe.exe, of the build under test (default: QX_BIN)
  QX_E2E_DIR    the folder of this run's prefix, display state and scratch files
  QX_WINE       the Wine loader (default `wine`: it starts 32- and 64-bit programs in a 64-bit
                prefix); where 32-bit programs cannot run, the 64-bit loader QX_WINE64 instead
  QX_WINE32     the 32-bit loader that the i686 build needs (default /usr/lib/wine/wine)
  QX_PREFIX_DIR where the prefixes go (default QX_E2E_DIR): the emulated guest keeps them on its
                own disk while QX_E2E_DIR is on the work tree it shares with the host
  QX_PREFIX_TEMPLATE  a finished prefix that is copied instead of making one (wineboot costs a
                minute or more in the guest, which keeps one made in advance)
  QX_WINEARCH   the prefix's kind: win64 (default) or win32 (the guest's, where only the i686
                build runs)
"""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

ARCH = os.environ.get("QX_ARCH", "win64")
BIN = os.environ.get("QX_BIN", "")
PROBE = os.path.join(os.environ.get("QX_PROBE_BIN") or BIN, "uiprobe.exe")
E2E_DIR = os.environ.get("QX_E2E_DIR", "")
WINE32 = os.environ.get("QX_WINE32", "/usr/lib/wine/wine")
WINE64 = os.environ.get("QX_WINE64", "/usr/lib/wine/wine64")
PREFIX_DIR = os.environ.get("QX_PREFIX_DIR") or E2E_DIR
PREFIX_TEMPLATE = os.environ.get("QX_PREFIX_TEMPLATE", "")
PREFIX = os.path.join(PREFIX_DIR, "prefix")
WINEARCH = os.environ.get("QX_WINEARCH", "win64")
STATE = os.path.join(E2E_DIR, "display.state")

# The program's one text table, read as the build reads it, so that tests name texts by id.
TEXTS_DEF = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "res",
                         "texts.def")
_TEXT_LINE = re.compile(r'^QX_TEXT\((\w+),\s*\d+,\s*"((?:[^"\\]|\\.)*)"\)\s*$')
_TEXT_ESCAPES = {"r": "\r", "n": "\n", '"': '"', "\\": "\\"}
_texts = None


def text(name):
    """The text that the table `src/res/texts.def` holds under the symbol `name`."""
    global _texts
    if _texts is None:
        table = {}
        with open(TEXTS_DEF, encoding="utf-8") as f:
            for line in f:
                match = _TEXT_LINE.match(line)
                if match:
                    table[match.group(1)] = re.sub(r"\\(.)", lambda e: _TEXT_ESCAPES[e.group(1)],
                                                   match.group(2))
        _texts = table
    return _texts[name]


# Sizes of the applet file that matter to the entry procedure.
STUB_SIZE = 722432
MIN_APPLET_SIZE = 723456


def _wine32_problem():
    """Why 32-bit Wine cannot run here, or None. Installed is not enough: a kernel without 32-bit
    support refuses to start its loader."""
    if not os.access(WINE32, os.X_OK):
        return (f"32-bit Wine is not installed ({WINE32} is missing): the i686 build's tests "
                "need the package wine32:i386 (scripts/setup.sh installs it)")
    try:
        subprocess.run([WINE32, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        return f"32-bit Wine is installed, but this machine cannot run it ({WINE32}: {error})"
    return None


WINE32_PROBLEM = _wine32_problem()
# `wine` hands every program to the 32-bit loader first, so without a working one it fails even
# for 64-bit programs; the 64-bit loader then runs those alone.
WINE = os.environ.get("QX_WINE", "wine") if WINE32_PROBLEM is None else WINE64
WINE = shutil.which(WINE) or WINE


def missing_wine():
    """Why the build under test cannot run on this machine, or None when it can."""
    return WINE32_PROBLEM if ARCH == "win32" else None


class HarnessError(Exception):
    pass


def _wine_env(display=None):
    env = dict(os.environ)
    # One 64-bit prefix serves both builds: with 32-bit Wine present it runs i686 programs too.
    env.update(WINEPREFIX=PREFIX, WINEARCH=WINEARCH, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display is not None:
        env["DISPLAY"] = display
    return env


def _wineserver():
    candidate = os.path.join(os.path.dirname(WINE), "wineserver")
    return candidate if os.path.exists(candidate) else "wineserver"


def _read_state():
    try:
        with open(STATE) as f:
            display, pid = f.read().split()
        return display, int(pid)
    except (OSError, ValueError):
        raise HarnessError("no display: the e2e_prefix set-up fixture has not run")


def _is_our_xvfb(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return b"Xvfb" in f.read().split(b"\0")[0]
    except OSError:
        return False


def setup_prefix(depth=24):
    """Creates this run's Xvfb display (`depth` bits per pixel) and a fresh Wine prefix."""
    cleanup_prefix()
    shutil.rmtree(PREFIX, ignore_errors=True)
    if PREFIX_TEMPLATE:
        shutil.copytree(PREFIX_TEMPLATE, PREFIX, symlinks=True)
    else:
        os.makedirs(PREFIX)
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"1024x768x{depth}", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        raise HarnessError("Xvfb did not report a display")
    display = ":" + number.decode().strip()
    with open(STATE, "w") as f:
        f.write(f"{display} {xvfb.pid}\n")
    env = _wine_env(display)
    if not PREFIX_TEMPLATE:
        subprocess.run([WINE, "wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300, check=False)
        subprocess.run([_wineserver(), "-w"], env=env, timeout=300, check=False)
    if not os.path.exists(os.path.join(PREFIX, "system.reg")):
        raise HarnessError("wineboot did not create the prefix")
    return display


def switch_prefix(name):
    """Makes the prefix and display named `name` (under QX_E2E_DIR) the ones that the following
    calls use, for a test that needs a display of its own; returns what to pass back to
    restore_prefix."""
    global PREFIX, STATE
    previous = (PREFIX, STATE)
    PREFIX = os.path.join(PREFIX_DIR, name)
    STATE = os.path.join(E2E_DIR, name + ".state")
    return previous


def restore_prefix(previous):
    global PREFIX, STATE
    PREFIX, STATE = previous


def stop_wineserver():
    """Ends this prefix's wineserver and whatever still runs in it, keeping the prefix and the
    display: a module starts on an idle prefix, whatever the one before it left running (a server
    kept up by its system processes makes every `wineserver -w` wait for its time-out)."""
    if os.path.isdir(PREFIX):
        subprocess.run([_wineserver(), "-k"], env=_wine_env(), timeout=60, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def cleanup_prefix():
    """Stops this prefix's wineserver (and with it its programs) and this run's Xvfb."""
    if os.path.isdir(PREFIX):
        subprocess.run([_wineserver(), "-k"], env=_wine_env(), timeout=60, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        _, pid = _read_state()
    except HarnessError:
        return
    if _is_our_xvfb(pid):
        os.kill(pid, signal.SIGTERM)
        for _ in range(100):
            if not _is_our_xvfb(pid):
                break
            time.sleep(0.05)
    os.remove(STATE)


def work_folder(name):
    """A fresh, empty scratch folder of this run for one test module."""
    folder = os.path.join(E2E_DIR, "work", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def windows_path(path):
    """The path as Windows programs in the prefix see it (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_idle(timeout):
    """Waits until every program of this run's prefix has ended (its wineserver exits once they
    have); False when they have not within `timeout` seconds."""
    try:
        subprocess.run([_wineserver(), "-w"], env=_wine_env(), timeout=timeout, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return False
    return True


class Wine:
    """Runs Windows programs in this run's prefix on this run's display."""

    def __init__(self):
        self.display, _ = _read_state()
        self.env = _wine_env(self.display)

    def start(self, args, cwd=None, extra_env=None):
        """Starts a program; its output goes to files, not pipes, because Wine's helper processes
        (the desktop, services) inherit the handles of the program that started them and would
        keep a pipe open long after the program ended."""
        return Running(args, dict(self.env, **(extra_env or {})), cwd)

    def run(self, args, timeout=60, cwd=None, extra_env=None):
        """Runs a program to its end; a time-out kills it and raises HarnessError."""
        running = self.start(args, cwd, extra_env)
        return running.wait(timeout)

    # --- the registry of the prefix (current user)

    def reg_key_exists(self, key):
        result = self.run(["reg", "query", key], timeout=60)
        return result.returncode == 0

    # --- uiprobe

    def probe(self, *args, timeout=60):
        return self.run([PROBE] + [str(a) for a in args],
                        timeout=timeout)

    def exec_args(self, command_line, wait_ms):
        """The arguments and environment that run `command_line` exactly as written."""
        return ([PROBE, "exec", str(wait_ms)],
                {"QXPROBE_CMDLINE": command_line})

    def exec_line(self, command_line, wait_ms=30000):
        """Runs a command line exactly as written and waits for it. Returns (exit code or None on
        time-out, whether a main window of that process was seen)."""
        args, env = self.exec_args(command_line, wait_ms)
        result = self.run(args, timeout=wait_ms / 1000 + 60, extra_env=env)
        return parse_exec(result)


class Result:
    def __init__(self, returncode, stdout, stderr):
        self.returncode, self.stdout, self.stderr = returncode, stdout, stderr


class Running:
    """A Windows program started under Wine."""

    def __init__(self, args, env, cwd):
        self.args = list(args)
        self._out = tempfile.TemporaryFile()
        self._err = tempfile.TemporaryFile()
        self.process = subprocess.Popen([WINE] + self.args, env=env, cwd=cwd,
                                        stdin=subprocess.DEVNULL, stdout=self._out,
                                        stderr=self._err)

    def _read(self, f):
        f.seek(0)
        return f.read().decode("latin-1")

    def poll(self):
        return self.process.poll()

    def wait(self, timeout):
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired as error:
            self.kill()
            raise HarnessError(f"time-out after {timeout} s: {self.args}") from error
        result = Result(code, self._read(self._out), self._read(self._err))
        self._out.close()
        self._err.close()
        return result

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)


def parse_exec(result):
    lines = dict(line.split(" ", 1) for line in result.stdout.split("\n") if " " in line)
    if result.returncode not in (0, 2) or "window" not in lines:
        raise HarnessError(f"uiprobe exec failed ({result.returncode}): {result.stdout!r} "
                           f"{result.stderr!r}")
    code = int(lines["exit"]) if "exit" in lines else None
    return code, lines["window"].strip() == "seen"


def end_batches(folder):
    """Ends the command interpreters that run a batch file of `folder`. A batch that deletes
    itself loops for ever under Wine: Wine's command interpreter keeps the running batch file
    open (Windows reopens it for every line), so the file can never be deleted while it runs.
    Returns how many were ended."""
    marker = (windows_path(folder).rstrip("\\") + "\\").lower().encode("latin-1")
    ended = 0
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").lower()
        except OSError:
            continue
        if b"cmd.exe" in cmdline and marker in cmdline:
            try:
                os.kill(int(pid), signal.SIGKILL)
                ended += 1
            except OSError:
                pass
    return ended
