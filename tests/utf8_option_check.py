#!/usr/bin/env python3
"""Checks the start-up option --file-encoding.

Usage: utf8_option_check.py KOBURANE

Runs a script in console mode with each spelling of the option (and without
it): the script prints ファイル文字コード and the sum of a UTF-8 CSV read as
text, and writes a Japanese text that this check reads back as bytes.
"""
import os
import subprocess
import sys
import tempfile

SCRIPT = """ファイル文字コードを言う
Aに「data.csv」を読む
Aの1列目の表合計
それを言う
「表計算」を「out.txt」へ保存
"""
CSV = "品名,数量\r\nりんご,10\r\nみかん,25\r\nソース,7\r\n".encode("utf-8")
WORD = "表計算"

# (options, expected stdout, encoding of out.txt)
CASES = [
    ([], "SJIS\n32\n", "cp932"),  # the default reads and writes bytes as they are
    (["--file-encoding=utf8"], "UTF8\n42\n", "utf-8"),
    (["--file-encoding=UTF-8"], "UTF8\n42\n", "utf-8"),
    (["--file-encoding=sjis"], "SJIS\n32\n", "cp932"),
]


def run(runtime, folder, options):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env["LANG"] = "C.UTF-8"
    env["XDG_DATA_HOME"] = os.path.join(folder, "data")
    env["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
    return subprocess.run([runtime, "--console"] + options + ["t.kbr"], cwd=folder, capture_output=True,
                          env=env, timeout=60)


def main():
    runtime = os.path.abspath(sys.argv[1])
    failures = []
    for options, want, encoding in CASES + [(["--file-encoding=euc"], None, None)]:
        with tempfile.TemporaryDirectory(prefix="kobutest-") as folder:
            with open(os.path.join(folder, "t.kbr"), "w", encoding="utf-8") as f:
                f.write(SCRIPT)
            with open(os.path.join(folder, "data.csv"), "wb") as f:
                f.write(CSV)
            proc = run(runtime, folder, options)
            if want is None:
                # An encoding we do not know is a wrong option, not a silent default.
                if proc.returncode != 2 or b"--file-encoding=euc" not in proc.stderr:
                    failures.append(f"{options}: status {proc.returncode}, stderr {proc.stderr!r}")
                continue
            got = proc.stdout.decode("utf-8", "replace")
            if proc.returncode != 0 or got != want or proc.stderr:
                failures.append(f"{options}: status {proc.returncode}, stdout {got!r}, stderr {proc.stderr!r}")
                continue
            with open(os.path.join(folder, "out.txt"), "rb") as f:
                written = f.read()
            if written != WORD.encode(encoding):
                failures.append(f"{options}: out.txt holds {written!r}, not {encoding}")
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
