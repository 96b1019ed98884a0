#!/usr/bin/env python3
"""Desktop checks of the GUI examples: real windows under Xvfb.

    gui_desktop_check.py list|drawing KOBURANE EXAMPLE OUTDIR

"list" runs examples/gui_list.kbr as below; "drawing" runs
examples/drawing.kbr and reads back the red of its filled rectangle from a
screenshot, at the rectangle's place in the window.

Starts a virtual X server with xvfb-run and runs this file again inside it
(--inside). There the example runs as a person would run it: its window is
found with xdotool, two words are typed into the edit and added with the
button, and the file the example writes must then hold both words (CP932).
The example runs from a copy in OUTDIR, which also receives the file, so the
file-access check asks nothing. A screenshot (OUTDIR/shot.png) is taken with
ImageMagick's import, and a pixel inside the list is read back to see that
the window was really drawn.

Every step is bounded in time, and the runtime and the X server are ended
whatever happens.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import time

CAPTION = "リストの例"
# Where the example puts its parts, inside the main window.
EDIT_AT = (10 + 30, 10 + 10)
BUTTON_AT = (140 + 30, 8 + 12)
LIST_INSIDE = (10 + 150, 42 + 130)
WORDS = ["hello42", "Koburane 7"]
STEP_SECONDS = 20


def run(args, timeout=STEP_SECONDS):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, check=True).stdout


def window_of(caption):
    """The visible top-level window with this caption, waited for."""
    out = run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + caption + "$"])
    return out.split()[0]


def window_position(wid):
    fields = dict(line.split("=", 1) for line in run(["xdotool", "getwindowgeometry", "--shell", wid]).split())
    return int(fields["X"]), int(fields["Y"])


def click_at(x, y):
    run(["xdotool", "mousemove", "--sync", str(x), str(y)])
    run(["xdotool", "click", "1"])


def wait_for_file(path, words):
    deadline = time.monotonic() + STEP_SECONDS
    text = None
    while time.monotonic() < deadline:
        if os.path.exists(path):
            with open(path, "rb") as f:
                text = f.read().decode("cp932", "replace")
            if text.splitlines() == words:
                return text
        time.sleep(0.1)
    raise AssertionError(f"{path} should hold {words!r}, holds {text!r}")


def is_white(shot, x, y):
    """ImageMagick names the colour (white, gray(255), srgb(255,255,255) ...)."""
    text = run(["convert", shot, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"]).strip()
    values = re.findall(r"\d+(?:\.\d+)?%?", text)
    return text == "white" or (values != [] and all(v in ("255", "100%") for v in values)), text


def start_example(runtime, example, outdir, args=()):
    """Runs a copy of the example in OUTDIR in a real window; returns (process, log file)."""
    script = os.path.join(outdir, os.path.basename(example))
    shutil.copyfile(example, script)
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    env.pop("WAYLAND_DISPLAY", None)
    env["LANG"] = "C.UTF-8"
    env["XDG_CONFIG_HOME"] = os.path.join(outdir, "config")
    env["XDG_DATA_HOME"] = os.path.join(outdir, "data")
    env["XDG_RUNTIME_DIR"] = os.path.join(outdir, "runtime")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    log = open(os.path.join(outdir, "koburane.log"), "wb")
    proc = subprocess.Popen([runtime, script, *args], cwd=outdir, env=env, stdout=log, stderr=log)
    return proc, log


def stop_example(proc, log):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    log.close()


def inside(runtime, example, outdir):
    # The example and its file share a folder, so writing needs no question.
    listing = os.path.join(outdir, "list.txt")
    shot = os.path.join(outdir, "shot.png")
    proc, log = start_example(runtime, example, outdir, [os.path.basename(listing)])
    try:
        wid = window_of(CAPTION)
        wx, wy = window_position(wid)
        for word in WORDS:
            click_at(wx + EDIT_AT[0], wy + EDIT_AT[1])
            run(["xdotool", "type", "--delay", "20", word])
            click_at(wx + BUTTON_AT[0], wy + BUTTON_AT[1])
            wait_for_file(listing, WORDS[: WORDS.index(word) + 1])
        # The list shows the words once the event loop has painted them.
        time.sleep(0.5)
        run(["import", "-window", "root", shot])
        if proc.poll() is not None:
            raise AssertionError(f"the runtime ended early with status {proc.returncode}")
        white, colour = is_white(shot, wx + LIST_INSIDE[0], wy + LIST_INSIDE[1])
        if not white:
            raise AssertionError(f"inside the list the screenshot should be white, is {colour}")
    finally:
        stop_example(proc, log)
    print(f"ok: {listing} holds {WORDS}; screenshot {shot}")
    return 0


DRAWING_CAPTION = "絵の例"
RED_AT = (120, 70)  # inside the rectangle (20,20)-(220,120), away from its outline


def inside_drawing(runtime, example, outdir):
    shot = os.path.join(outdir, "shot.png")
    proc, log = start_example(runtime, example, outdir)
    try:
        wid = window_of(DRAWING_CAPTION)
        wx, wy = window_position(wid)
        time.sleep(0.5)  # painted once the event loop has run
        run(["import", "-window", "root", shot])
        text = run(["convert", shot, "-format", f"%[pixel:p{{{wx + RED_AT[0]},{wy + RED_AT[1]}}}]", "info:"])
        text = text.strip()
        values = re.findall(r"\d+(?:\.\d+)?%?", text)
        if not (text == "red" or values[:3] in (["255", "0", "0"], ["100%", "0", "0"])):
            raise AssertionError(f"inside the red rectangle the screenshot shows {text}")
    finally:
        stop_example(proc, log)
    print(f"ok: red inside the rectangle; screenshot {shot}")
    return 0


SCENARIOS = {"list": inside, "drawing": inside_drawing}


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "--inside":
        try:
            return SCENARIOS[sys.argv[2]](*sys.argv[3:6])
        except (AssertionError, subprocess.SubprocessError) as e:
            print(f"FAIL: {e}")
            log = os.path.join(sys.argv[5], "koburane.log")
            if os.path.exists(log):
                with open(log, "rb") as f:
                    print("--- the runtime's output\n" + f.read().decode("utf-8", "replace"))
            return 1
    scenario = sys.argv[1]
    runtime, example, outdir = (os.path.abspath(a) for a in sys.argv[2:5])
    for tool in ("xvfb-run", "xdotool", "import", "convert"):
        if not shutil.which(tool):
            print(f"skipped: {tool} is not installed")
            return 0
    shutil.rmtree(outdir, ignore_errors=True)
    os.makedirs(outdir)
    cmd = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24",
           sys.executable, os.path.abspath(__file__), "--inside", scenario, runtime, example, outdir]
    # A session of its own: whatever is left in it at the end is ended, the X
    # server too, which xvfb-run signals but does not wait for.
    proc = subprocess.Popen(cmd, start_new_session=True)
    try:
        return proc.wait(timeout=120)
    except subprocess.TimeoutExpired:
        print("FAIL: the desktop check did not finish within 120 seconds")
        return 1
    finally:
        end_group(proc.pid)
        proc.wait()


def end_group(pgid):
    for sig in (0, signal.SIGTERM, signal.SIGKILL):
        deadline = time.monotonic() + 5
        try:
            if sig:
                os.killpg(pgid, sig)
            while time.monotonic() < deadline:
                os.killpg(pgid, 0)
                time.sleep(0.05)
        except ProcessLookupError:
            return


if __name__ == "__main__":
    sys.exit(main())
