#!/usr/bin/env python3
"""The demo under Wine on a private Xvfb display, the whole story of one disc: the authoring stand-in
prepares a project, the registry inputs, the cover sheet, an applet packed with the image recorder,
and registers the browser stand-in. The applet's session runs to "Disc completed successfully!";
the window is photographed at the end of the recording, and "&OK" is pressed the way a user would.
Then it prints the memo, the exit code, the registry outcome, what the browser was asked to open,
what is left in the applet folder once the clean-up batch has run, the listing of the recorded image
and whether it holds exactly the project folder. Used by scripts/demo.sh; expects QX_BIN (the
Windows build's programs), QX_NATIVE_BIN (qxarc) and QX_E2E_DIR in the environment."""
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

KEY = r"HKCU\Software\Lorvane\Ravelle\6.0"
COMPLETED = "Disc completed successfully!"
OUTCOME = ("BBResult", "PriorBurnWasGood", "TAOModeSuccess", "TAOModeFail", "PriorX", "CPUspeed")
WAIT_MS = 120000


def say(text):
    print(f"demo: {text}", flush=True)


def seconds(elapsed):
    whole = int(round(elapsed))
    return f"{whole} s" if whole < 60 else f"{whole // 60} min {whole % 60:02d} s"


def indented(text):
    return "\n".join("  " + line for line in text.replace("\r\n", "\n").rstrip("\n").split("\n"))


def probe_ok(wine, *args):
    return wine.probe(*args, timeout=WAIT_MS / 1000 + 60).returncode == 0


def run_session(wine, values, out):
    """Runs the applet to its end; returns its memo and exit code."""
    args, env = wine.exec_args(f'"{values["APPLET_WIN"]}"', 900000)
    # Wine's own builtin "wnaspi32" (without a version resource) would stand in the way of the
    # version lookup of the ASPI layer the session installs beside the applet.
    env["WINEDLLOVERRIDES"] = wine.env["WINEDLLOVERRIDES"] + ";wnaspi32=n"
    running = wine.start(args, extra_env=env)
    try:
        if not probe_ok(wine, "wait-window", WAIT_MS):
            raise SystemExit("demo: the session window did not open")
        say("the session runs its checks and records (the window is driven by uiprobe)")
        if not probe_ok(wine, "wait-memo", COMPLETED, WAIT_MS):
            raise SystemExit("demo: the recording did not complete:\n" + wine.probe("memo").stdout)
        # The report's last line comes with the right button's "&OK".
        if not probe_ok(wine, "wait-memo", "Press OK to display the printable Cover Sheet.", WAIT_MS):
            raise SystemExit("demo: no success report")
        # The pointer leaves the window, so that the memo's hint does not cover the picture.
        wine.probe("pointer", "-50", "-50")
        time.sleep(1)
        bmp, png = os.path.join(out, "session-window.bmp"), os.path.join(out, "session-window.png")
        wine.probe("screenshot", harness.windows_path(bmp))
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "bmp2png.py"), bmp,
                        png], check=True, timeout=60)
        say(f"screenshot at the end of the recording: {png}")
        say("the window as uiprobe reads it")
        print(indented(wine.probe("state").stdout))
        memo = wine.probe("memo").stdout
        say("the user presses OK")
        wine.probe("press", "right")
        code, _ = harness.parse_exec(running.wait(WAIT_MS / 1000 + 60))
        return memo, code
    finally:
        if running.poll() is None:
            wine.probe("kill")
            running.wait(60)


def registry(wine):
    text = wine.run(["reg", "query", KEY], timeout=120).stdout
    values = {}
    for line in text.splitlines():
        match = re.match(r"^\s+(\S+)\s+REG_SZ(?: {4}(.*))?$", line.rstrip("\r"))
        if match:
            values[match.group(1)] = match.group(2) or ""
    return values


def main():
    out = harness.E2E_DIR
    times = [os.environ["QX_DEMO_TIMES"]] if os.environ.get("QX_DEMO_TIMES") else []
    began = time.monotonic()
    display = harness.setup_prefix()
    times.append(f"Wine prefix {seconds(time.monotonic() - began)}")
    say(f"Wine prefix {harness.PREFIX} on display {display}")
    try:
        wine = harness.Wine()
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
        qxarc = os.path.join(os.environ["QX_NATIVE_BIN"], "qxarc")
        made = subprocess.run(
            [sys.executable, os.path.join(root, "standins", "authoring", "authoring.py"),
             "--prefix", harness.PREFIX, "--bin", harness.BIN, "--qxarc", qxarc, "--reset-registry",
             "--browser", os.path.join(harness.BIN, "browser.exe")],
            check=True, capture_output=True, text=True, timeout=300).stdout
        values = dict(line.split("=", 1) for line in made.splitlines() if "=" in line)
        folder, project = values["APPLET_DIR"], values["PROJECT"]
        say(f"project {values['PROJECT_WIN']} ({values['PROJECT_SIZE']} bytes), "
            f"applet {values['APPLET_WIN']}")
        say("the applet's payload (qxarc l --at 722432)")
        print(indented(subprocess.run([qxarc, "l", "--at", str(harness.STUB_SIZE), values["APPLET"]],
                                      check=True, capture_output=True, text=True, timeout=60).stdout))
        # The image outlives the session; keep a copy of the project as it was to compare with.
        original = os.path.join(out, "project-before")
        shutil.rmtree(original, ignore_errors=True)
        shutil.copytree(project, original)

        began = time.monotonic()
        memo, code = run_session(wine, values, out)
        times.append(f"session {seconds(time.monotonic() - began)}")
        say("the memo at the end of the recording")
        print(indented(memo))
        say(f"exit code {code}")
        # The clean-up batch and the browser run on after the applet: wait for the prefix to idle.
        harness.wait_idle(180)
        history = registry(wine)
        say("registry outcome: " + ", ".join(f"{k}={history.get(k, '(none)')}" for k in OUTCOME))
        log = values["BROWSER_LOG"]
        opened = []
        if os.path.exists(log):
            with open(log, encoding="latin-1") as f:
                opened = [line.rstrip("\r\n") for line in f if line.strip()]
        addresses = [line for line in opened if "://" in line]
        if addresses:
            for address in addresses:
                say(f"results address the browser was asked to open: {address}")
        else:
            say("no results address was opened (Wine reports no internet connection here)")
        for line in opened:
            if "://" not in line:
                say(f"also opened: {line}")
        say("the applet folder after the clean-up batch")
        for name in sorted(os.listdir(folder)):
            print(f"  {name:24} {os.path.getsize(os.path.join(folder, name)):>8}")
        image = os.path.join(folder, "disc.iso")
        say(f"the recorded image {image} (7z l)")
        listing = subprocess.run(["7z", "l", image], capture_output=True, text=True, timeout=120).stdout
        print(indented(listing[listing.find("   Date"):] if "   Date" in listing else listing))
        extracted = os.path.join(out, "image")
        shutil.rmtree(extracted, ignore_errors=True)
        subprocess.run(["7z", "x", "-y", f"-o{extracted}", image], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        diff = subprocess.run(["diff", "-r", original, extracted], capture_output=True, text=True)
        if diff.returncode == 0:
            say("diff -r project image: identical, the disc holds exactly the project folder")
        else:
            say("diff -r project image: DIFFERENT\n" + diff.stdout + diff.stderr)
        ok = code == 0 and diff.returncode == 0 and COMPLETED in memo
        started = os.environ.get("QX_DEMO_STARTED")
        if started:
            times.append(f"total {seconds(time.time() - int(started))}")
        say("times: " + ", ".join(times))
        say("done: disc recorded" if ok else "done: the demo did NOT record the disc")
        return 0 if ok else 1
    finally:
        harness.cleanup_prefix()


if __name__ == "__main__":
    sys.exit(main())
