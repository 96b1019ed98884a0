"""Runs a generated script over files through the real runtime, for the peer checks.

The script runs in console mode in a fresh temporary folder holding the input
files; every file in that folder afterwards is handed back by name.
"""
import os
import subprocess
import tempfile


def run_over_files(runtime, inputs, lines, prefix, timeout=60):
    """Returns (process, {file name: bytes}) after running `lines` beside `inputs`."""
    with tempfile.TemporaryDirectory(prefix=prefix) as top:
        work = os.path.join(top, "s")
        os.mkdir(work)
        for name, data in inputs.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        with open(os.path.join(work, "check.kbr"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["LANG"] = "C.UTF-8"
        env["XDG_DATA_HOME"] = os.path.join(top, "data")
        env["XDG_CONFIG_HOME"] = os.path.join(top, "config")
        proc = subprocess.run([runtime, "--console", "check.kbr"], cwd=work, capture_output=True, env=env,
                              timeout=timeout)
        out = {}
        for name in os.listdir(work):
            path = os.path.join(work, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    out[name] = f.read()
    return proc, out
