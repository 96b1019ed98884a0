#!/usr/bin/env python3
"""Checks the runtime's Japanese conversions against Python's codecs.

Usage: japanese_peer_check.py KOBURANE

Writes input files and a script into a temporary folder, runs the script in
console mode (it reads each input with 読む, converts it and writes the result
with 書く), and compares every result with what Python's shift_jis, euc_jp,
iso2022_jp and cp932 codecs, unicodedata and base64 give. Where the runtime
chooses differently on purpose, the expected value says so explicitly.
"""
import base64
import email.header
import os
import random
import sys
import unicodedata

from peer_script import run_over_files

CRLF = b"\r\n"
failures = []


def fail(what, detail):
    failures.append(f"{what}: {detail}")


def jis0208_chars():
    """Every JIS X 0208 character Python knows, as Shift-JIS bytes, row by row."""
    out = []
    for j1 in range(0x21, 0x7F):
        for j2 in range(0x21, 0x7F):
            try:
                ch = bytes([j1 | 0x80, j2 | 0x80]).decode("euc_jp")
                sj = ch.encode("shift_jis")
            except UnicodeError:
                continue
            if len(sj) == 2:
                out.append(sj)
    return out


def all_cells():
    """Every cell of the 94 x 94 set, assigned or not, as Shift-JIS bytes."""
    out = []
    for j1 in range(0x21, 0x7F):
        for j2 in range(0x21, 0x7F):
            s1 = ((j1 + 1) >> 1) + (0x70 if j1 <= 0x5E else 0xB0)
            s2 = j2 + 0x1F + (1 if j2 >= 0x60 else 0) if j1 & 1 else j2 + 0x7E
            out.append(bytes([s1, s2]))
    return out


def cp932_chars():
    """Every double-byte character of CP932 with its text."""
    out = []
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in range(0x40, 0xFD):
            if trail == 0x7F:
                continue
            b = bytes([lead, trail])
            try:
                out.append((b, b.decode("cp932")))
            except UnicodeError:
                pass
    return out


HALF_KANA = [bytes([b]) for b in range(0xA1, 0xE0)]


def widened(text):
    """Half-width katakana made full-width the way the runtime does: NFKC,
    with the voiced marks that join nothing as the spacing marks ゛ ゜."""
    out = []
    for ch in unicodedata.normalize("NFKC", text).replace("\u3099", "\u309b").replace("\u309a", "\u309c"):
        try:
            ch.encode("iso2022_jp")
            out.append(ch)
        except UnicodeError:  # ヷ and the like: the kana and its mark
            base, mark = unicodedata.normalize("NFD", ch)
            out.append(base + {"\u3099": "\u309b", "\u309a": "\u309c"}[mark])
    return "".join(out)


def jis_expected(text):
    """ISO-2022-JP of a text, closed with ESC ( J as the runtime writes it."""
    return text.encode("iso2022_jp").replace(b"\x1b(B", b"\x1b(J")


def main():
    runtime = os.path.abspath(sys.argv[1])
    rnd = random.Random(932)
    kanji = jis0208_chars()
    ascii_ = [bytes([c]) for c in range(0x20, 0x7F) if c not in (0x5C, 0x7E)]  # JIS-Roman differs there
    # A text of every JIS X 0208 character, runs broken by ASCII and line ends.
    mixed = bytearray()
    for i, k in enumerate(kanji):
        mixed += k
        if i % 37 == 0:
            mixed += rnd.choice(ascii_)
        if i % 101 == 0:
            mixed += CRLF
    mixed = bytes(mixed)
    kana_text = b"".join(HALF_KANA) + b"a" + "ｶﾞｷﾞﾊﾟﾋﾟｳﾞﾜﾞｱﾞ".encode("cp932") + b"\r\n" + "ｱ漢ｲ".encode("cp932")
    cells = b"".join(all_cells())

    chars = cp932_chars()
    ascii_all = [bytes([c]) for c in range(0x20, 0x7F)]
    kana_pairs = HALF_KANA + [k + m for k in HALF_KANA for m in (b"\xde", b"\xdf")]
    blob_lengths = [0, 1, 2, 3, 4, 5, 57, 58, 1000]
    blobs = [bytes(rnd.randrange(256) for _ in range(n)) for n in blob_lengths]
    header_texts = ["件名 テスト", "Re: 会議の議事録（第２回）について", "ｶﾀｶﾅ と ASCII", "abc"]

    inputs = {
        "mixed.sjis": mixed,
        "mixed.euc": mixed.decode("shift_jis").encode("euc_jp"),
        "kana.sjis": kana_text,
        "cells.sjis": cells,
        "chars.sjis": CRLF.join(b for b, _ in chars),
        "narrow.sjis": CRLF.join(ascii_all + kana_pairs),
        "headers.sjis": CRLF.join(t.encode("cp932") for t in header_texts),
    }
    for i, b in enumerate(blobs):
        inputs[f"blob{i}.bin"] = b
    lines = []

    def step(src, expr, dst):
        lines.append(f"Aに「{src}」を読む")
        lines.append(expr)
        lines.append(f"それを「{dst}」へ書く")

    step("mixed.sjis", "Aの「SJIS」から「EUC」へ文字コード変換", "mixed.s2e")
    step("mixed.sjis", "Aの「SJIS」から「JIS」へ文字コード変換", "mixed.s2j")
    step("mixed.euc", "Aの「EUC」から「SJIS」へ文字コード変換", "mixed.e2s")
    step("mixed.euc", "Aの「EUC」から「JIS」へ文字コード変換", "mixed.e2j")
    step("mixed.s2j", "Aの「JIS」から「SJIS」へ文字コード変換", "mixed.j2s")
    step("mixed.s2j", "Aの「JIS」から「EUC」へ文字コード変換", "mixed.j2e")
    step("mixed.euc", "Aを文字コードをSJISに変換", "mixed.auto2s")
    step("mixed.s2j", "Aを文字コードをEUCに変換", "mixed.auto2e")
    step("kana.sjis", "Aの「SJIS」から「EUC」へ文字コード変換", "kana.s2e")
    step("kana.sjis", "Aの「SJIS」から「JIS」へ文字コード変換", "kana.s2j")
    step("kana.s2e", "Aの「EUC」から「JIS」へ文字コード変換", "kana.e2j")
    step("kana.s2e", "Aの「EUC」から「SJIS」へ文字コード変換", "kana.e2s")
    step("cells.sjis", "Aの「SJIS」から「EUC」へ文字コード変換", "cells.s2e")
    step("cells.s2e", "Aの「EUC」から「JIS」へ文字コード変換", "cells.e2j")
    step("cells.e2j", "Aの「JIS」から「SJIS」へ文字コード変換", "cells.back")
    step("chars.sjis", "Aを半角変換", "chars.half")
    step("chars.sjis", "Aを大文字変換", "chars.upper")
    step("chars.sjis", "Aを小文字変換", "chars.lower")
    step("chars.sjis", "Aをひらがな変換", "chars.hira")
    step("chars.sjis", "Aをカタカナ変換", "chars.kata")
    step("narrow.sjis", "Aを全角変換", "narrow.full")
    step("narrow.sjis", "Aを大文字変換", "narrow.upper")
    step("narrow.sjis", "Aを小文字変換", "narrow.lower")
    for i in range(len(blobs)):
        step(f"blob{i}.bin", "AをBASE64エンコード", f"blob{i}.b64")
        step(f"blob{i}.b64", "AをBASE64デコード", f"blob{i}.back")
    step("headers.sjis", "Aをメールヘッダエンコード", "headers.enc")
    lines.append("「done」と言う")

    proc, out = run_over_files(runtime, inputs, lines, "kobupeer-", timeout=120)
    if proc.returncode != 0 or proc.stdout.strip() != b"done":
        print("FAIL: the script did not run:", proc.stdout.decode(errors="replace"),
              proc.stderr.decode(errors="replace"))
        return 1

    def same(name, expected):
        got = out.get(name)
        if got != expected:
            at = next((i for i in range(min(len(got or b""), len(expected))) if got[i] != expected[i]), None)
            fail(name, f"differs at byte {at} (got {len(got or b'')} bytes, expected {len(expected)}): "
                       f"got {(got or b'')[at or 0:(at or 0) + 12]!r} expected {expected[at or 0:(at or 0) + 12]!r}")

    text = mixed.decode("shift_jis")
    same("mixed.s2e", text.encode("euc_jp"))
    same("mixed.s2j", jis_expected(text))
    same("mixed.e2s", mixed)
    same("mixed.e2j", jis_expected(text))
    same("mixed.j2s", mixed)
    same("mixed.j2e", text.encode("euc_jp"))
    same("mixed.auto2s", mixed)
    same("mixed.auto2e", text.encode("euc_jp"))

    # Half-width katakana: EUC keeps them (0x8E + byte) as Python does; JIS
    # has no place for them, so they are widened and the marks joined.
    ktext = kana_text.decode("cp932")
    same("kana.s2e", ktext.encode("euc_jp"))
    same("kana.s2j", jis_expected(widened(ktext)))
    same("kana.e2j", jis_expected(widened(ktext)))
    same("kana.e2s", kana_text)

    # The converters are plain arithmetic on the 94 x 94 cells: every cell
    # survives the round trip, assigned or not.
    same("cells.back", cells)

    def per_line(name, sources, expect):
        got = out.get(name, b"").split(CRLF)
        if len(got) != len(sources):
            fail(name, f"{len(got)} lines, expected {len(sources)}")
            return
        bad = []
        for src, g in zip(sources, got):
            e = expect(src)
            if g.decode("cp932", errors="replace") != e:
                bad.append(f"{src.decode('cp932', errors='replace')!r}->{g.decode('cp932', errors='replace')!r}"
                           f" (expected {e!r})")
        if bad:
            fail(name, f"{len(bad)} characters differ, first: " + "; ".join(bad[:8]))

    # Half-width: the width forms (NFKC of U+FF01..U+FF5E, the ideographic
    # space, katakana and their signs). By choice the curly quotes and ￥
    # become ASCII too; other compatibility characters (℡, ①) stay.
    by_choice = {"”": '"', "“": '"', "’": "'", "‘": "`", "￥": "\\"}
    kana_half = {}
    for h in kana_pairs:
        hs = h.decode("cp932")
        kana_half.setdefault(widened(hs), hs)

    def half(src):
        c = src.decode("cp932")
        if c in by_choice:
            return by_choice[c]
        if 0xFF01 <= ord(c) <= 0xFF5E or c == "\u3000":
            return unicodedata.normalize("NFKC", c).replace("\u3000", " ")
        return kana_half.get(c, c)

    per_line("chars.half", [b for b, _ in chars], half)

    def cased(fn):
        def f(src):
            c = src.decode("cp932")
            r = fn(c)
            try:
                r.encode("cp932")
            except UnicodeError:
                return c
            return r if len(r) == 1 else c
        return f

    per_line("chars.upper", [b for b, _ in chars], cased(str.upper))
    per_line("chars.lower", [b for b, _ in chars], cased(str.lower))
    per_line("narrow.upper", ascii_all + kana_pairs, lambda s: s.decode("cp932").upper())
    per_line("narrow.lower", ascii_all + kana_pairs, lambda s: s.decode("cp932").lower())

    def shifted(lo, hi, delta):
        def f(src):
            c = src.decode("cp932")
            if lo <= ord(c) <= hi:
                r = chr(ord(c) + delta)
                try:
                    r.encode("cp932")
                    return r
                except UnicodeError:
                    pass
            return c
        return f

    # Katakana ァ..ヶ and ヽヾ against hiragana ぁ..ゖ and ゝゞ.
    def hira(src):
        c = src.decode("cp932")
        return shifted(0x30FD, 0x30FE, -0x60)(src) if c in "ヽヾ" else shifted(0x30A1, 0x30F6, -0x60)(src)

    def kata(src):
        c = src.decode("cp932")
        return shifted(0x309D, 0x309E, 0x60)(src) if c in "ゝゞ" else shifted(0x3041, 0x3096, 0x60)(src)

    per_line("chars.hira", [b for b, _ in chars], hira)
    per_line("chars.kata", [b for b, _ in chars], kata)

    # Full-width: U+FF01.. for ASCII, but by choice the quotes take ” and ’
    # (CP932's own full-width quotes are extension codes few fonts carry).
    def full(src):
        s = src.decode("cp932")
        if len(src) == 1 and src[0] < 0x80:
            return {'"': "”", "'": "’", " ": "\u3000"}.get(s, chr(ord(s) + 0xFEE0))
        return widened(s)

    per_line("narrow.full", ascii_all + kana_pairs, full)

    for i, b in enumerate(blobs):
        same(f"blob{i}.b64", base64.b64encode(b))
        same(f"blob{i}.back", b)

    # Mail headers: Python's own header decoder must read our encoded words
    # back to the text (half-width katakana arrive widened).
    enc = out.get("headers.enc", b"").split(CRLF)
    for t, e in zip(header_texts, enc):
        parts = email.header.decode_header(e.decode("ascii", errors="replace"))
        got = "".join(p.decode(c or "ascii") if isinstance(p, bytes) else p for p, c in parts)
        want = widened(t) if any("\uff61" <= ch <= "\uff9f" for ch in t) else t
        if got.replace(" ", "") != want.replace(" ", ""):
            fail("headers.enc", f"{e!r} decodes to {got!r}, expected {want!r}")
        if any(b >= 0x80 for b in e):
            fail("headers.enc", f"{e!r} holds 8-bit bytes")

    if failures:
        for f in failures:
            print("FAIL:", f)
        return 1
    print(f"ok: {len(kanji)} JIS X 0208 characters, {len(chars)} CP932 characters, {len(kana_pairs)} kana forms")
    return 0


if __name__ == "__main__":
    sys.exit(main())
