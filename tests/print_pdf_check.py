#!/usr/bin/env python3
"""A console print answered with a PDF name writes a one-page PDF, as pdfinfo reads it.

Usage: print_pdf_check.py KOBURANE
"""
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    runtime = os.path.abspath(sys.argv[1])
    if not shutil.which("pdfinfo"):
        print("skipped: pdfinfo is not installed")
        return 0
    with tempfile.TemporaryDirectory(prefix="kobupdf-") as top:
        with open(os.path.join(top, "print.kbr"), "w", encoding="utf-8") as f:
            f.write("(20,20)から(200,100)へ四角形\n「印刷の試験」を表示\n母艦印刷\n")
        env = dict(os.environ, LANG="C.UTF-8", XDG_CONFIG_HOME=top, XDG_DATA_HOME=top)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        proc = subprocess.run([runtime, "--console", "print.kbr"], cwd=top, input=b"out.pdf\n",
                              capture_output=True, env=env, timeout=60)
        pdf = os.path.join(top, "out.pdf")
        if proc.returncode != 0 or not os.path.exists(pdf):
            print("FAIL: no PDF written:", proc.stdout.decode(errors="replace"), proc.stderr.decode(errors="replace"))
            return 1
        info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, timeout=30)
        pages = [l.split()[-1] for l in info.stdout.splitlines() if l.startswith("Pages:")]
        if info.returncode != 0 or pages != ["1"]:
            print("FAIL: pdfinfo says:", info.stdout, info.stderr)
            return 1
    print("ok: one page")
    return 0


if __name__ == "__main__":
    sys.exit(main())
