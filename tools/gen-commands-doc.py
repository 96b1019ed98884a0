#!/usr/bin/env python3
"""Writes the command reference (docs/commands.md) from the runtime's own rows.

    gen-commands-doc.py KOBURANE OUTPUT     write OUTPUT
    gen-commands-doc.py --check KOBURANE FILE   exit 1 when FILE is not current
"""
import os
import subprocess
import sys


def rows(runtime):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    out = subprocess.run([runtime, "--list-commands", "families"], capture_output=True, check=True,
                         env=env, timeout=60, stdin=subprocess.DEVNULL).stdout.decode()
    for line in out.splitlines():
        family, name, pattern, number, state, description = line.split("\t")
        yield family, name, pattern, int(number), state == "使える", description


def cell(text):
    return text.replace("\\", "\\\\").replace("|", "\\|") if text else ""


def render(runtime):
    families = {}
    for family, *row in rows(runtime):
        families.setdefault(family, []).append(row)
    total = sum(len(r) for r in families.values())
    working = sum(1 for r in families.values() for row in r if row[3])
    out = ["# 命令の一覧", "",
           "<!-- tools/gen-commands-doc.py が `koburane --list-commands families` から作る。"
           "手で直さず `cmake --build build --target docs` で作り直すこと。 -->", "",
           f"組み込みの命令 {total} 語のうち {working} 語が使える。"
           "同じ番号の語は同じ命令の別の書き方。助詞の欄の `?` は引数の位置、"
           "`,` は引数の区切り。", ""]
    out.append("| 分類 | 語の数 | 使える |")
    out.append("|---|---|---|")
    for family, r in families.items():
        out.append(f"| [{family}](#{family.lower()}) | {len(r)} | {sum(1 for row in r if row[3])} |")
    for family, r in families.items():
        out += ["", f"## {family}", "", "| 命令 | 助詞 | 番号 | 説明 | 状態 |", "|---|---|---|---|---|"]
        for name, pattern, number, works, description in r:
            out.append(f"| {cell(name)} | {cell(pattern)} | {number} | {cell(description)} | "
                       f"{'使える' if works else '未実装'} |")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) == 4 and argv[1] == "--check":
        text = render(argv[2])
        try:
            with open(argv[3], encoding="utf-8") as f:
                current = f.read() == text
        except OSError:
            current = False
        if not current:
            print(f"{argv[3]} is out of date: run `cmake --build build --target docs`", file=sys.stderr)
            return 1
        return 0
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    text = render(argv[1])
    with open(argv[2], "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
