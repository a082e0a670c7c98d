"""Takes the README's picture of the player: Pelorin.exe in a Wine virtual
desktop (which, unlike a bare X server, draws the caption, frame and menu
bar), the sample clip opened through Ctrl+O and playing, with the on-screen
display that O brings up (the play state, position and duration).

    screenshot.py OUTPUT.png     (scripts/screenshot sets up everything)
"""
import subprocess
import sys
import time

from desktop import (Player, Probe, capture_png, client_size, data, key, type_text, wait_for, windows_path,
                     xdotool)

DESKTOP = "PelorinShot"
WIDTH, HEIGHT = 1200, 1000
CLIP = "sample.avi"
SECONDS_IN = 1.5  # where the clip shows its colour bars and counters


def main(output):
    # The probe looks into the virtual desktop, which exists once the player runs in it.
    player = Player(None, desktop="%s,%dx%d" % (DESKTOP, WIDTH, HEIGHT))
    probe = None
    try:
        def start_probe():
            p = Probe(DESKTOP)
            try:
                p.windows()
                return p
            except (AssertionError, OSError, ValueError):
                p.close()
                return None

        probe = player.probe = wait_for("the virtual desktop", start_probe)
        main_window = player.wait_main_window(lambda w: w["caption"] == "Pelorin")
        # The virtual desktop is one X window at the root's origin, and Wine
        # hands the keys it gets to the window in front inside it.
        desktop = wait_for("the desktop's X window", lambda: subprocess.run(
            ["xdotool", "search", "--name", "^%s - Wine desktop$" % DESKTOP],
            capture_output=True, text=True).stdout.split())
        xdotool("windowfocus", "--sync", desktop[0])
        key("ctrl+o")
        wait_for("the open dialog", player.dialog)
        type_text(windows_path(data(CLIP)))
        key("Return")
        main_window = player.wait_main_window(lambda w: client_size(w) == (640, 480), "the video's size")
        time.sleep(SECONDS_IN)
        key("o")
        time.sleep(0.3)  # well inside the display's time
        capture_png(tuple(main_window["window"]), output)
        # Closed as a user closes it; the virtual desktop goes with it.
        key("alt+f")
        key("x")
        wait_for("the player to close", lambda: player.main_window() is None)
    finally:
        if probe:
            probe.close()
        # Ending the desktop's starter first would leave the player behind.
        try:
            player.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            pass
        player.close()


if __name__ == "__main__":
    main(sys.argv[1])
