#!/usr/bin/env python3
"""The host's side of the emulated guest that runs the i686 build where this machine cannot start
32-bit programs (tests/guest/image.sh builds it). The guest mounts the work tree at the same path
as here, so a command means the same inside; it is asked to run commands through files in an
exchange folder of the build tree, one at a time, and answers with each one's output and exit code.

Usage: guest.py start EXCHANGE      boots the guest (unless 32-bit Wine runs here, or there is no
                                    current image: then it says why, and the tests skip)
       guest.py stop EXCHANGE       asks it to end, waits for it, prints its times
       guest.py run EXCHANGE CMD... start, CMD inside the guest, stop; answers CMD's exit code
       guest.py prepare             builds the image when this machine needs one and can make one

The ctest fixtures guest_start/guest_stop call start and stop once around all the i686 tests;
tests/e2e/e2e_run.py and e2e_prefix.py hand their own command line over with forward()."""
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TREE = os.path.dirname(os.path.dirname(HERE))
CACHE = os.environ.get("QX_GUEST_CACHE", "/var/cache/qx-guest")
WINE32 = os.environ.get("QX_WINE32", "/usr/lib/wine/wine")
BOOT_LIMIT = int(os.environ.get("QX_GUEST_BOOT_LIMIT", "900"))
# The longest a guest may live: a run that never stops it does not keep the machine busy for ever.
LIFE_LIMIT = int(os.environ.get("QX_GUEST_LIFE_LIMIT", "7200"))


def wine32_runs():
    try:
        subprocess.run([WINE32, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)
        return True
    except (OSError, subprocess.SubprocessError):
        return False


def image_current():
    return subprocess.run(["bash", os.path.join(HERE, "image.sh"), "--check"],
                          timeout=60).returncode == 0


def _path(exchange, *names):
    return os.path.join(exchange, *names)


def _write_atomic(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def _qemu_alive(exchange):
    try:
        with open(_path(exchange, "qemu.pid")) as f:
            pid = int(f.read())
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return pid if b"qemu-system" in f.read() else None
    except (OSError, ValueError):
        return None


def unavailable(exchange):
    """Why no guest answers in `exchange`, or None when one does."""
    if not exchange:
        return "no guest is configured for this run"
    try:
        with open(_path(exchange, "unavailable")) as f:
            return f.read().strip()
    except OSError:
        pass
    if not os.path.exists(_path(exchange, "ready")) or not _qemu_alive(exchange):
        return "the guest is not running (the ctest fixture guest_start boots it)"
    return None


def start(exchange):
    stop(exchange, quiet=True)
    for sub in ("requests", "results"):
        shutil.rmtree(_path(exchange, sub), ignore_errors=True)
    for sub in ("requests", "results"):
        os.makedirs(_path(exchange, sub), exist_ok=True)
    for name in ("ready", "stop", "unavailable", "summary", "qemu.pid"):
        try:
            os.remove(_path(exchange, name))
        except OSError:
            pass
    if wine32_runs():
        print("guest: 32-bit Wine runs on this machine, the i686 tests run directly")
        _write_atomic(_path(exchange, "unavailable"), "32-bit Wine runs here: no guest needed")
        return 0
    if os.environ.get("QX_GUEST", "1") == "0":
        reason = "32-bit Wine cannot run here, and the emulated guest is turned off (QX_GUEST=0)"
        print(f"guest: {reason}")
        _write_atomic(_path(exchange, "unavailable"), reason)
        return 0
    if not image_current():
        reason = (f"the emulated guest's image in {CACHE} is missing or stale (make it as root "
                  "with: python3 tests/guest/guest.py prepare)")
        print(f"guest: {reason}")
        _write_atomic(_path(exchange, "unavailable"), reason)
        return 0
    # The guest first tries one i686 program, and says so when it cannot run it.
    _write_atomic(_path(exchange, "canary"), os.environ.get(
        "QX_GUEST_CANARY", os.path.join(TREE, "build", "win32", "bin", "uiprobe.exe")))
    console = open(_path(exchange, "console.log"), "wb")
    command = [
        "timeout", str(LIFE_LIMIT), "qemu-system-x86_64", "-accel", "tcg,thread=multi", "-smp", "2",
        "-m", "4096", "-nographic", "-no-reboot", "-nic", "none",
        "-kernel", os.path.join(CACHE, "vmlinuz"), "-initrd", os.path.join(CACHE, "initrd.img"),
        "-drive", f"file={os.path.join(CACHE, 'root.img')},format=raw,if=virtio,snapshot=on",
        "-virtfs", f"local,path={TREE},mount_tag=qxtree,security_model=none,id=qxtree",
        "-virtfs", f"local,path={os.path.abspath(exchange)},mount_tag=qxexchange,security_model=none,"
                   "id=qxexchange",
        "-append", "root=/dev/vda rw console=ttyS0 quiet panic=1 init=/sbin/qx-init qx.mode=run "
                   f"qx.tree={TREE} qx.exchange={os.path.abspath(exchange)}"]
    began = time.monotonic()
    qemu = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=console, stderr=console,
                            start_new_session=True)
    # `timeout` leads the process group of qemu: the group is what a stop that fails ends.
    _write_atomic(_path(exchange, "qemu.pid"), str(qemu.pid))
    while time.monotonic() - began < BOOT_LIMIT:
        if os.path.exists(_path(exchange, "ready")):
            print(f"guest: ready after {time.monotonic() - began:.1f} s "
                  f"(booted in {open(_path(exchange, 'ready')).read().strip()} s of guest time)")
            return 0
        if qemu.poll() is not None or os.path.exists(_path(exchange, "unavailable")):
            break
        time.sleep(0.5)
    # The guest that says why it cannot run the tests powers off by itself.
    try:
        qemu.wait(timeout=120)
    except subprocess.TimeoutExpired:
        os.killpg(qemu.pid, 9)
    if os.path.exists(_path(exchange, "unavailable")):
        print(f"guest: {open(_path(exchange, 'unavailable')).read().strip()}")
        return 0
    reason = f"the guest did not come up within {BOOT_LIMIT} s (see {_path(exchange, 'console.log')})"
    print(f"guest: {reason}")
    _write_atomic(_path(exchange, "unavailable"), reason)
    return 1


def stop(exchange, quiet=False):
    pid = _qemu_alive(exchange)
    if pid is None:
        return 0
    _write_atomic(_path(exchange, "stop"), "")
    deadline = time.monotonic() + 180
    while _qemu_alive(exchange) and time.monotonic() < deadline:
        time.sleep(0.5)
    if _qemu_alive(exchange):
        os.killpg(pid, 9)
        print("guest: did not power off within 180 s, stopped")
    try:
        with open(_path(exchange, "summary")) as f:
            print(f"guest: {f.read().strip()}")
    except OSError:
        if not quiet:
            print("guest: ended without a summary")
    return 0


def forward(exchange, argv, cwd=None, timeout=3600):
    """Runs argv inside the guest with this process's QX_* environment, printing its output as it
    comes; returns its exit code."""
    name = f"{time.time_ns()}-{os.getpid()}"
    cwd = os.path.abspath(cwd or os.getcwd())
    # Only the work tree is shared: a command started elsewhere runs from its top.
    if os.path.commonpath([cwd, TREE]) != TREE:
        cwd = TREE
    request = {"argv": argv, "cwd": cwd, "timeout": timeout,
               "env": {k: v for k, v in os.environ.items() if k.startswith("QX_")}}
    _write_atomic(_path(exchange, "requests", name + ".json"), json.dumps(request))
    log_path, rc_path = _path(exchange, "results", name + ".log"), _path(exchange, "results", name + ".rc")
    alive_path = _path(exchange, "results", name + ".alive")
    offset, beat = 0, 0

    def copy_output():
        nonlocal offset
        try:
            with open(log_path, "rb") as f:
                f.seek(offset)
                chunk = f.read()
        except OSError:
            return
        offset += len(chunk)
        sys.stdout.buffer.write(chunk)
        sys.stdout.flush()

    while not os.path.exists(rc_path):
        if not _qemu_alive(exchange):
            copy_output()
            print("guest: the guest ended before answering")
            return 1
        copy_output()
        # The guest ends the command when this stops counting (ctest has ended this process).
        beat += 1
        _write_atomic(alive_path, str(beat))
        time.sleep(0.5)
    copy_output()
    with open(rc_path) as f:
        return int(f.read())


def prepare():
    if os.environ.get("QX_GUEST", "1") == "0":
        print("guest: turned off (QX_GUEST=0), no image made")
        return 0
    if wine32_runs():
        print("guest: 32-bit Wine runs on this machine, no guest image needed")
        return 0
    return subprocess.run(["bash", os.path.join(HERE, "image.sh")]).returncode


def main(argv):
    if len(argv) >= 2 and argv[1] == "prepare":
        return prepare()
    if len(argv) < 3 or argv[1] not in ("start", "stop", "run"):
        sys.exit(__doc__)
    exchange = os.path.abspath(argv[2])
    os.makedirs(exchange, exist_ok=True)
    if argv[1] == "start":
        return start(exchange)
    if argv[1] == "stop":
        return stop(exchange)
    if len(argv) < 4:
        sys.exit(__doc__)
    if wine32_runs():
        return subprocess.run(argv[3:]).returncode
    start(exchange)
    reason = unavailable(exchange)
    if reason:
        print(f"guest: {reason}")
        return 1
    try:
        return forward(exchange, argv[3:])
    finally:
        stop(exchange)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
