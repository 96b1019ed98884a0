#!/usr/bin/env python3
"""Runs one script test through the real runtime in console mode.

A test is tests/scripts/<family>/NAME.kbr with NAME.out (expected stdout) and
optionally NAME.err (expected stderr), NAME.status (expected exit status,
default 0), NAME.in (stdin), NAME.args (one argument per line) and NAME.files/
(files copied beside the script). Each test runs in a fresh temporary folder
holding a copy of the script, so tests never see each other's files. The
script's folder is a subfolder "s" of that folder, so ".." is a place outside
the script's folder that still belongs to the test; the user's data and
configuration folders (trash, settings) are inside it too.
"""
import os
import shutil
import subprocess
import sys
import tempfile


def read(path, default=None):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def main():
    runtime, script = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    stem = script[:-4]
    expected_out = read(stem + ".out", b"")
    expected_err = read(stem + ".err")
    status_text = read(stem + ".status")
    expected_status = int(status_text.decode().strip()) if status_text else 0
    stdin = read(stem + ".in", b"")
    args_text = read(stem + ".args")
    args = [a for a in args_text.decode("utf-8").splitlines()] if args_text else []

    with tempfile.TemporaryDirectory(prefix="kobutest-") as top:
        work = os.path.join(top, "s")
        os.mkdir(work)
        local = os.path.join(work, os.path.basename(script))
        shutil.copyfile(script, local)
        if os.path.isdir(stem + ".files"):
            shutil.copytree(stem + ".files", work, dirs_exist_ok=True, symlinks=True)
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["LANG"] = "C.UTF-8"
        env["XDG_DATA_HOME"] = os.path.join(top, "data")
        env["XDG_CONFIG_HOME"] = os.path.join(top, "config")
        try:
            proc = subprocess.run([runtime, "--console", os.path.basename(local)] + args, cwd=work, input=stdin,
                                  capture_output=True, env=env, timeout=60)
        except subprocess.TimeoutExpired:
            print("FAIL: the runtime did not finish within 60 seconds")
            return 1

    failures = []
    if proc.stdout != expected_out:
        failures.append(("stdout", expected_out, proc.stdout))
    if expected_err is not None and proc.stderr != expected_err:
        failures.append(("stderr", expected_err, proc.stderr))
    if proc.returncode != expected_status:
        failures.append(("exit status", str(expected_status).encode(), str(proc.returncode).encode()))
    if expected_err is None and expected_status == 0 and proc.stderr:
        failures.append(("stderr (none expected)", b"", proc.stderr))
    for what, want, got in failures:
        print(f"FAIL: {what} differs")
        print("--- expected")
        print(want.decode("utf-8", "replace"))
        print("--- got")
        print(got.decode("utf-8", "replace"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
