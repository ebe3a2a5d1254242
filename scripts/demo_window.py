#!/usr/bin/env python3
"""The demo under Wine on a private Xvfb display: the authoring stand-in prepares a project, the
registry inputs, the cover sheet and an applet packed with the image recorder; the applet's
session starts, unpacks its support files and shows the project title. Takes a screenshot, prints
what uiprobe reads from the window and what lies in the applet folder, shows that a close from
outside is refused, and ends the applet. Used by scripts/demo.sh; expects QX_BIN (the Windows
build's programs), QX_NATIVE_BIN (qxarc) and QX_E2E_DIR in the environment."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    out = harness.E2E_DIR
    display = harness.setup_prefix()
    print(f"demo: Wine prefix {harness.PREFIX} on display {display}")
    try:
        wine = harness.Wine()
        root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
        qxarc = os.path.join(os.environ["QX_NATIVE_BIN"], "qxarc")
        made = subprocess.run(
            [sys.executable, os.path.join(root, "standins", "authoring", "authoring.py"),
             "--prefix", harness.PREFIX, "--bin", harness.BIN, "--qxarc", qxarc],
            check=True, capture_output=True, text=True, timeout=300).stdout
        values = dict(line.split("=", 1) for line in made.splitlines() if "=" in line)
        applet = values["APPLET"]
        print(f"demo: project {values['PROJECT_WIN']} ({values['PROJECT_SIZE']} bytes), "
              f"applet {values['APPLET_WIN']}")
        print("demo: the applet's payload (qxarc l --at 722432)")
        print(subprocess.run([qxarc, "l", "--at", str(harness.STUB_SIZE), applet], check=True,
                             capture_output=True, text=True, timeout=60).stdout.rstrip())
        args, env = wine.exec_args(f'"{harness.windows_path(applet)}"', 600000)
        running = wine.start(args, extra_env=env)
        try:
            if wine.probe("wait-window", 30000, timeout=90).returncode != 0:
                raise SystemExit("demo: the session window did not open")
            if wine.probe("wait-memo", "DVD/CD Ravelle with Vonnel", 30000, timeout=90).returncode != 0:
                raise SystemExit("demo: the session did not start")
            # The pointer leaves the window, so that the memo's hint does not cover the picture.
            wine.probe("pointer", "-50", "-50")
            time.sleep(1)
            bmp = os.path.join(out, "session-window.bmp")
            png = os.path.join(out, "session-window.png")
            wine.probe("screenshot", harness.windows_path(bmp))
            subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "bmp2png.py"),
                            bmp, png], check=True, timeout=60)
            print(f"demo: screenshot {png}")
            print("demo: uiprobe state")
            print(wine.probe("state").stdout.rstrip())
            print("demo: uiprobe memo")
            print(wine.probe("memo").stdout.replace("\r\n", "\n").rstrip())
            print("demo: the applet folder after unpacking (DOS attributes)")
            folder = os.path.dirname(applet)
            for name in sorted(os.listdir(folder)):
                try:
                    attributes = os.getxattr(os.path.join(folder, name), "user.DOSATTRIB").split(b"\0")[0].decode()
                except OSError:
                    attributes = "-"
                print(f"  {name:24} {os.path.getsize(os.path.join(folder, name)):>8}  {attributes}")
            wine.probe("close")
            refused = wine.probe("wait-gone", 2000).returncode == 2
            print("demo: Alt+F4 " + ("refused, the window stays" if refused else "closed the window"))
        finally:
            wine.probe("kill")
            running.wait(60)
        print("demo: applet ended")
    finally:
        harness.cleanup_prefix()


if __name__ == "__main__":
    main()
