"""The guest's side: runs, one at a time, the commands that the host leaves in the exchange folder
(tests/guest/guest.py), with the host's QX_* environment, and writes back each one's output and
exit code. The Wine prefixes live on the guest's own disk (a throw-away overlay of the image),
made from the prefix the image keeps, not on the shared work tree. Started by the guest's init;
returns when the host asks it to stop, and the machine then powers off."""
import json
import os
import signal
import subprocess
import sys
import time

TEMPLATE = "/opt/qx/prefix"
LOCAL = "/var/qx"
# The kept prefix is a 32-bit one (tests/guest/bake.sh says why); every Wine call here is told so.
WINE_ENV = {"WINEARCH": "win32", "QX_WINEARCH": "win32", "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml="}


def write_atomic(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def uptime():
    with open("/proc/uptime") as f:
        return float(f.read().split()[0])


# A command whose host side has stopped counting for this long is ended (its ctest time-out).
ORPHAN_SECONDS = 60


def _beat(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def run(request, log_path, alive_path):
    env = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin", "HOME": "/root", "LANG": "C.UTF-8",
           "TMPDIR": "/tmp"}
    # Programs start several times slower here than on the host.
    env["QX_WINE_TIMEOUT"] = "600"
    env.update(request["env"])
    # The harness copies the kept prefix instead of making one; the recorder's probe runs in it
    # directly (scripts/wine-run.sh), as the overlay throws every change away at power-off.
    env.update(QX_PREFIX_DIR=os.path.join(LOCAL, "prefixes"), QX_PREFIX_TEMPLATE=TEMPLATE,
               WINEPREFIX=TEMPLATE, **WINE_ENV)
    with open(log_path, "wb") as log:
        process = subprocess.Popen(request["argv"], cwd=request["cwd"], env=env,
                                   stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                   start_new_session=True)
        began = last_change = time.monotonic()
        last_beat = _beat(alive_path)
        while True:
            try:
                return process.wait(timeout=1)
            except subprocess.TimeoutExpired:
                pass
            now, beat = time.monotonic(), _beat(alive_path)
            if beat != last_beat:
                last_beat, last_change = beat, now
            if now - began > request.get("timeout", 3600) or now - last_change > ORPHAN_SECONDS:
                break
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        log.write(b"guest: ended (time-out, or the host stopped waiting)\n")
        return 124


def wine32_problem(exchange):
    """Why a 32-bit program does not run in the kept prefix, or None when one does: the i686
    build's uiprobe (named by the host) started without arguments must answer with its usage
    code, 64."""
    try:
        with open(os.path.join(exchange, "canary")) as f:
            canary = f.read().strip()
    except OSError:
        return "the host named no 32-bit program to try"
    env = dict(os.environ, WINEPREFIX=TEMPLATE, **WINE_ENV)
    try:
        with open("/tmp/canary.log", "wb") as log:
            code = subprocess.run(["wine", canary], env=env, stdin=subprocess.DEVNULL, stdout=log,
                                  stderr=log, timeout=300).returncode
    except (OSError, subprocess.SubprocessError) as error:
        return f"{canary} did not run: {error}"
    if code == 64:
        return None
    with open("/tmp/canary.log", "rb") as log:
        said = [line for line in log.read().decode("latin-1").splitlines() if line.strip()]
    return f"{os.path.basename(canary)} ended with {code}: {said[-1] if said else 'no output'}"


def main(exchange):
    os.makedirs(os.path.join(LOCAL, "prefixes"), exist_ok=True)
    requests, results = os.path.join(exchange, "requests"), os.path.join(exchange, "results")
    booted = uptime()
    problem = wine32_problem(exchange)
    if problem:
        write_atomic(os.path.join(exchange, "unavailable"),
                     f"32-bit Wine does not run in the guest either ({problem})")
        write_atomic(os.path.join(exchange, "summary"), f"booted in {booted:.1f} s; {problem}")
        return
    write_atomic(os.path.join(exchange, "ready"), f"{booted:.1f}")
    print(f"qx-guest: agent ready after {booted:.1f} s", flush=True)
    busy, count = 0.0, 0
    while not os.path.exists(os.path.join(exchange, "stop")):
        pending = sorted(n for n in os.listdir(requests) if n.endswith(".json"))
        if not pending:
            time.sleep(0.2)
            continue
        name = pending[0][:-5]
        path = os.path.join(requests, pending[0])
        with open(path) as f:
            request = json.load(f)
        os.remove(path)
        began = time.monotonic()
        try:
            code = run(request, os.path.join(results, name + ".log"),
                       os.path.join(results, name + ".alive"))
        except (OSError, subprocess.SubprocessError) as error:
            with open(os.path.join(results, name + ".log"), "a") as log:
                log.write(f"guest: cannot run {request['argv']}: {error}\n")
            code = 1
        busy += time.monotonic() - began
        count += 1
        write_atomic(os.path.join(results, name + ".rc"), str(code))
    # Every wineserver ends with its programs before the power goes.
    for prefix in [TEMPLATE] + [os.path.join(LOCAL, "prefixes", n)
                                for n in os.listdir(os.path.join(LOCAL, "prefixes"))]:
        try:
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=prefix, **WINE_ENV),
                           timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        except subprocess.SubprocessError:
            pass
    write_atomic(os.path.join(exchange, "summary"),
                 f"booted in {booted:.1f} s, ran {count} commands in {busy:.1f} s, "
                 f"up {uptime():.1f} s (guest time)")


if __name__ == "__main__":
    main(sys.argv[1])
