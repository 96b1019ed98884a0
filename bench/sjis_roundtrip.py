#!/usr/bin/env python3
"""SJIS -> EUC -> JIS -> SJIS round trip of 10 MB: the runtime against glibc's
iconv and Python's codecs, run in the same invocation.

Usage: sjis_roundtrip.py KOBURANE [MEGABYTES]

The runtime's figure is the round-trip script's time less a script that only
reads and writes the same file (start-up and file I/O). Timings only; nothing
here fails on speed.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def make_text(size):
    rnd = random.Random(2045)
    chars = []
    for j1 in range(0x21, 0x7F):
        for j2 in range(0x21, 0x7F):
            try:
                chars.append(bytes([j1 | 0x80, j2 | 0x80]).decode("euc_jp").encode("shift_jis"))
            except UnicodeError:
                pass
    words = [b"the", b"koburane", b"2026", b"mail", b"(test)", b"ok."]
    out = bytearray()
    while len(out) < size:
        out += b"".join(rnd.choice(chars) for _ in range(rnd.randint(1, 40)))
        out += b" " + rnd.choice(words) + b" "
        if rnd.random() < 0.1:
            out += b"\r\n"
    return bytes(out) + b"\r\n"  # whole characters only, slightly over `size`


def best(fn, runs=3):
    times = []
    result = None
    for _ in range(runs):
        t = time.perf_counter()
        result = fn()
        times.append(time.perf_counter() - t)
    return min(times), result


def main():
    runtime = os.path.abspath(sys.argv[1])
    megabytes = float(sys.argv[2]) if len(sys.argv) > 2 else 10
    data = make_text(int(megabytes * 1024 * 1024))
    with tempfile.TemporaryDirectory(prefix="kobubench-") as work:
        with open(os.path.join(work, "input.sjis"), "wb") as f:
            f.write(data)
        shutil.copy(os.path.join(HERE, "sjis_roundtrip.kbr"), work)
        with open(os.path.join(work, "baseline.kbr"), "w", encoding="utf-8") as f:
            f.write("Aに「input.sjis」を読む\nB=A\nBを「output.sjis」へ書く\n"
                    "もし、AがBならば、「exact」と言う。違えば、「differs」と言う。\n")
        env = dict(os.environ, LANG="C.UTF-8")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)

        def run(script):
            p = subprocess.run([runtime, "--console", script], cwd=work, capture_output=True, env=env)
            return p.stdout.decode().strip() or p.stderr.decode(errors="replace")

        t_base, _ = best(lambda: run("baseline.kbr"))
        t_kobu, verdict = best(lambda: run("sjis_roundtrip.kbr"))

    def iconv_chain():
        x = data
        for a, b in (("SHIFT_JIS", "EUC-JP"), ("EUC-JP", "ISO-2022-JP"), ("ISO-2022-JP", "SHIFT_JIS")):
            x = subprocess.run(["iconv", "-f", a, "-t", b], input=x, capture_output=True, check=True).stdout
        return x

    def python_chain():
        x = data.decode("shift_jis").encode("euc_jp")
        x = x.decode("euc_jp").encode("iso2022_jp")
        return x.decode("iso2022_jp").encode("shift_jis")

    t_iconv, r_iconv = best(iconv_chain)
    t_py, r_py = best(python_chain)
    conv = max(t_kobu - t_base, 1e-9)
    mb = len(data) / (1024 * 1024)
    print(f"{mb:.1f} MB SJIS -> EUC -> JIS -> SJIS (best of 3)")
    print(f"  koburane  {conv:7.3f} s  ({mb / conv:6.1f} MB/s, round trip {verdict}; "
          f"whole run {t_kobu:.3f} s, read/write-only run {t_base:.3f} s)")
    print(f"  iconv     {t_iconv:7.3f} s  ({mb / t_iconv:6.1f} MB/s, round trip "
          f"{'exact' if r_iconv == data else 'differs'})  ratio koburane/iconv {conv / t_iconv:.2f}")
    print(f"  python    {t_py:7.3f} s  ({mb / t_py:6.1f} MB/s, round trip "
          f"{'exact' if r_py == data else 'differs'})  ratio koburane/python {conv / t_py:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
