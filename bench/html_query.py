#!/usr/bin/env python3
"""The peer of html_query.kbr: read a 1 MB HTML page and query it.

    python3 html_query.py make      # writes bench-page.html (CP932, about 1 MB)
    python3 html_query.py           # the same queries with Python's html.parser

Both programs print the number of cells under html/body/table/tr/td, the
first and the last cell's text (twice: match and group), the first cell's attributes and the number
of leaf paths of the whole tree.
"""
import sys
from html.parser import HTMLParser

PAGE = "bench-page.html"


def make():
    rows = []
    for i in range(10500):
        rows.append(f'<tr><td class="n">{i}</td><td>名前{i}番</td>'
                    f'<td>詳細<a href="/item/{i}">リンク{i}</a></td></tr>\r\n')
    page = ('<html><head><title>ベンチマーク</title><meta charset="Shift_JIS"></head>\r\n'
            '<body><h1>一覧表</h1>\r\n<table>\r\n' + "".join(rows) + '</table>\r\n</body></html>\r\n')
    with open(PAGE, "wb") as f:
        f.write(page.encode("cp932"))


class Tree(HTMLParser):
    """Elements and trimmed text nodes; br, hr, meta and img stay empty."""
    EMPTY = {"br", "hr", "meta", "img"}

    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.root = ["", [], []]  # name, attributes, children (text nodes are str)
        self.stack = [self.root]

    def handle_starttag(self, tag, attrs):
        node = [tag, attrs, []]
        self.stack[-1][2].append(node)
        if tag not in self.EMPTY:
            self.stack.append(node)

    def handle_endtag(self, tag):
        if len(self.stack) > 1 and self.stack[-1][0] == tag:
            self.stack.pop()

    def handle_data(self, data):
        text = data.strip(" \t\r\n")
        if text:
            self.stack[-1][2].append(text)


def main():
    if sys.argv[1:] == ["make"]:
        make()
        return
    with open(PAGE, encoding="cp932") as f:
        tree = Tree()
        tree.feed(f.read())
    level = [tree.root]
    for name in ["html", "body", "table", "tr", "td"]:
        level = [c for n in level for c in n[2] if not isinstance(c, str) and c[0] == name]
    texts = ["".join(c for c in n[2] if isinstance(c, str)) for n in level]
    leaves, pending = 0, list(tree.root[2])
    while pending:
        n = pending.pop()
        if isinstance(n, str) or not n[2]:
            leaves += 1
        else:
            pending.extend(n[2])
    print(len(texts))
    # the runtime's regular-expression match lists the match and its group
    print(f"{texts[0]}\n{texts[0]}\n")
    print(f"{texts[-1]}\n{texts[-1]}\n")
    print("".join(f"{k}={v}" for k, v in level[0][1]))
    print(leaves)


if __name__ == "__main__":
    main()
