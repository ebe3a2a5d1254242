#!/usr/bin/env python3
"""Opens the applet's session window under Wine on a private Xvfb display, takes a screenshot,
prints what uiprobe reads from the window, shows that a close from outside is refused, and ends
the applet. Used by scripts/demo.sh; expects QX_BIN and QX_E2E_DIR in the environment."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    out = harness.E2E_DIR
    display = harness.setup_prefix()
    print(f"demo: Wine prefix {harness.PREFIX} on display {display}")
    try:
        wine = harness.Wine()
        # Until the payload is packed in, a stub with 1,024 bytes appended is the smallest
        # applet that runs a session.
        applet = os.path.join(out, "applet.exe")
        shutil.copyfile(os.path.join(harness.BIN, "applet.exe"), applet)
        with open(applet, "r+b") as f:
            f.truncate(harness.MIN_APPLET_SIZE)
        args, env = wine.exec_args(f'"{harness.windows_path(applet)}"', 600000)
        running = wine.start(args, extra_env=env)
        try:
            if wine.probe("wait-window", 30000, timeout=90).returncode != 0:
                raise SystemExit("demo: the session window did not open")
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
