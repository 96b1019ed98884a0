#!/usr/bin/env python3
"""Checks the mail header commands against Python's email.header.

Usage: mail_header_peer_check.py KOBURANE

Both ways: Python's decoder must read what メールヘッダエンコード writes back
to the exact text, and メールヘッダデコード must read the headers Python
writes (long ones folded over several lines, with LF or CR LF) back to the
text Python itself reads from them. Texts go in and out as CP932 files.
"""
import email.header
import os
import sys
import unicodedata

from peer_script import run_over_files

SUBJECTS = [
    "送信 太郎",
    "会議の件 12/15 (月) 延期",
    "Re: 【重要】 お知らせ",
    "Fwd: 見積書 No.1234 について\tご確認ください 　山田",
    "ｶﾀｶﾅ と ASCII",
    "plain ascii only",
    "【定例】第３四半期の売上報告と来期の予算案についての打ち合わせ日程の再調整をお願いします 議事録 添付 資料 あり",
]


def python_headers():
    """(header, text it stands for) pairs, folded the way Python folds."""
    out = []
    for t in SUBJECTS:
        # ISO-2022-JP has no half-width katakana.
        if any("\uff61" <= ch <= "\uff9f" for ch in t):
            continue
        for width in (76, 30):
            out.append((email.header.Header(t, "iso-2022-jp", maxlinelen=width).encode(), t))
    # Chunks of both kinds: what they stand for is what Python reads from them.
    mixed = email.header.Header("Re: [ml:1234] a reply to the weekly report thread", "us-ascii")
    mixed.append(SUBJECTS[-1], "iso-2022-jp")
    mixed.append(" (was: old) tail", "us-ascii")
    mixed = mixed.encode()
    out.append((mixed, str(email.header.make_header(email.header.decode_header(mixed)))))
    # Python keeps the folds of a header without words; unfolded it is the text.
    plain = "Re: a long ascii subject line that Python will have to fold somewhere in the middle of it"
    out.append((email.header.Header(plain, "us-ascii").encode(), plain))
    return out + [(h.replace("\n", "\r\n"), t) for h, t in out]


def read_header(header):
    """The text of a header as Python's decoder gives it, parts joined as they are."""
    parts = email.header.decode_header(header)
    return "".join(p.decode(c or "ascii") if isinstance(p, bytes) else p for p, c in parts)


def main():
    runtime = os.path.abspath(sys.argv[1])
    headers = python_headers()
    inputs, lines = {}, []

    def step(src, data, command, dst):
        inputs[src] = data
        lines.append(f"Aに「{src}」を読む")
        lines.append(f"Aを{command}")
        lines.append(f"それを「{dst}」へ書く")

    for i, t in enumerate(SUBJECTS):
        step(f"text{i}", t.encode("cp932"), "メールヘッダエンコード", f"enc{i}")
    for i, (h, _) in enumerate(headers):
        step(f"header{i}", h.encode("ascii"), "メールヘッダデコード", f"dec{i}")
    lines.append("「done」と言う")

    proc, out = run_over_files(runtime, inputs, lines, "kobumail-", timeout=60)
    if proc.returncode != 0 or proc.stdout.strip() != b"done":
        print("FAIL: the script did not run:", proc.stdout.decode(errors="replace"),
              proc.stderr.decode(errors="replace"))
        return 1

    failures = []
    for i, t in enumerate(SUBJECTS):
        enc = out.get(f"enc{i}", b"")
        # Half-width katakana go out widened.
        want = unicodedata.normalize("NFKC", t) if any("\uff61" <= ch <= "\uff9f" for ch in t) else t
        if any(b >= 0x80 for b in enc):
            failures.append(f"encode {t!r}: 8-bit bytes in {enc!r}")
        elif read_header(enc.decode("ascii")) != want:
            failures.append(f"encode {t!r}: {enc!r} reads as {read_header(enc.decode('ascii'))!r}")
    for i, (h, want) in enumerate(headers):
        got = out.get(f"dec{i}", b"").decode("cp932", errors="replace")
        if got != want:
            failures.append(f"decode {h!r}: got {got!r}, expected {want!r}")

    for f in failures:
        print("FAIL:", f)
    if failures:
        return 1
    print(f"ok: {len(SUBJECTS)} texts encoded, {len(headers)} headers decoded")
    return 0


if __name__ == "__main__":
    sys.exit(main())
