#!/usr/bin/env python3
"""Checks the runtime's regular-expression commands against Perl.

Usage: regex_peer_check.py KOBURANE

Every case runs twice on the same CP932 bytes: through a script of the
runtime (正規表現マッチ, 正規表現区切る, 正規表現置換, 正規表現入換, printing the
result and マッチ数) and through perl, which evaluates the same expression on
raw bytes (no utf8, no encoding layers; split gets the limit 1000, as the
runtime's split does). Both outputs are compared case by case.

Perl's byte semantics see a double-byte character as two bytes, so there it
can match a trail byte such as the "\\" inside 「ソ」, or take half of a
character with ".". The runtime steps whole Shift-JIS characters and never
does. For those cases the table gives the runtime's expected output instead
of Perl's ("ours"), and the check also confirms that Perl does differ.
"""
import os
import subprocess
import sys
import tempfile

# kind, expression as the script writes it, subject, expected output where
# the runtime rightly differs from byte-wise Perl (lines of result, then count).
CASES = [
    # matching: bare patterns are wrapped as m/.../
    ("m", r"(\d+)-(\d+)", "tel 03-1234", None),
    ("m", r"mail.*", "send mail.now", None),        # "m" + letter: a bare pattern
    ("m", r"m1\d", "am123", None),                  # "m" + digit: a bare pattern
    ("m", r"a/b", "x a/b y", None),                 # "/" inside a bare pattern
    ("m", r"m/(\w+)@(\w+)/", "me@host", None),
    ("m", r"m#a(.)c#i", "xAbC", None),
    ("m", r"m{(\d+)}", "ab12c", None),
    ("m", r"^(\S+)\s+(\S+)$", "東京 大阪", None),
    ("m", r"(東|西)京", "西京都", None),
    ("m", r"(a)|(b)", "b", None),                   # an unset group is an empty line
    ("m", r"x*", "abc", None),                      # an empty match is a match
    ("m", r"m/ABC/i", "xabcx", None),
    ("m", r"\d{2,3}", "12345", None),
    ("m", r"(.)\1", "abccd", None),
    ("m", r"(?<y>\d{4})/(\d\d)", "2024/05", None),
    ("m", r"z", "abc", None),
    ("m", r"です$", "日本語です", None),
    ("m", r"\\", "ソ\\", None),                     # both find the real backslash
    ("m", r"\x5c", "表示", "\n0\n"),                # never the trail byte of 表
    ("m", r".", "日本", "日\n\n1\n"),                 # a whole character
    ("m", r"日本.", "日本語です", "日本語\n\n1\n"),
    ("m", r"[ぁ-ん]+", "カタカナとひらがな", "とひらがな\n\n1\n"),
    ("m", r"ー+", "データーー", "ー\n\n1\n"),
    # splitting, with the limit 1000: trailing empty parts stay
    ("split", r",", "a,b,,c,", None),
    ("split", r"\s*", "a b c", None),
    ("split", r"", "abc", None),
    ("split", r"(,)", "a,b", None),
    ("split", r"b*", "abc", None),
    ("split", r"、", "りんご、みかん、ぶどう", None),
    ("split", r"\d", "1a2b3", None),
    ("split", r"x", "abc", None),
    ("split", r"m/\s*;\s*/", "a ; b;c", None),
    ("split", r"", "日本語", "日\n本\n語\n\n\n4\n"),
    ("split", r"\\", "ソ\\ト", "ソ\nト\n\n2\n"),
    # substitution
    ("s", r"s/(\w+)@(\w+)/$2 at $1/", "me@host", None),
    ("s", r"s/b*/-/g", "abc", None),
    ("s", r"s/x*/-/g", "ab", None),
    ("s", r"s/a/b/", "ccc", None),
    ("s", r"s/(\d+)/<\1>/g", "a1b22", None),
    ("s", r"s/\s+$//", "abc   ", None),
    ("s", r"s/東京/大阪/g", "東京と東京", None),
    ("s", r"s{a}{b}g", "banana", None),
    ("s", r"s/A/x/gi", "aAa", None),
    ("s", r"s/\//_/g", "a/b/c", None),
    ("s", r"s/(a)|b/[$1]/g", "ab", None),
    ("s", r"s/$/!/", "abc", None),
    ("s", r"s/(\w)(\w)/${2}$1/g", "abcd", None),
    ("s", r"s/b/[$&]/", "abc", None),
    ("s", r"s/(.)/$1$1/g", "日本", "日日本本\n2\n"),
    ("s", r"s/\\/＼/g", "ソ\\", "ソ＼\n1\n"),
    # transliteration
    ("tr", r"tr/a-z/A-Z/", "hello, World", None),
    ("tr", r"tr/a-c//d", "abcabcd", None),
    ("tr", r"tr/a-zA-Z//cd", "a1b2c3", None),
    ("tr", r"tr/a-zA-Z/ /cs", "a12b,,c", None),
    ("tr", r"tr/ab/x/", "aabbc", None),
    ("tr", r"tr/a//s", "aaab", None),
    ("tr", r"y/0-9/a-j/", "2024", None),
    ("tr", r"tr/あいう/アイウ/", "あいうえお", "アイウえお\n0\n"),
]

COMMAND = {"m": "正規表現マッチ", "split": "正規表現区切る", "s": "正規表現置換", "tr": "正規表現入換"}

PERL = r'''
no utf8;
binmode STDIN; binmode STDOUT;
while (my $line = <STDIN>) {
  chomp $line;
  my ($kind, $e, $s) = map { pack("H*", $_) } split /\t/, $line, -1;
  my ($out, $count) = ("", 0);
  if ($kind eq "m") {
    my @r = eval q{
      my @g;
      if ($s =~ } . $e . q{) {
        for my $i (0 .. $#+) { push @g, defined $-[$i] ? substr($s, $-[$i], $+[$i] - $-[$i]) : ""; }
      }
      @g;
    };
    $out = join("", map { "$_\r\n" } @r);
    $count = scalar @r;
  } elsif ($kind eq "split") {
    my @p = eval "split($e, \$s, 1000)";
    $out = join("", map { (defined $_ ? $_ : "") . "\r\n" } @p);
    $count = scalar @p;
  } elsif ($kind eq "s") {
    my $t = $s;
    my ($ok, $groups) = eval q{ my $k = ($t =~ } . $e . q{); ($k, $#+) };
    $out = $ok ? $t : $s;
    $count = $ok ? $groups + 1 : 0;
  } else {
    my $t = $s eq "" ? " " : $s;
    eval "\$t =~ $e";
    $out = $t;
  }
  if ($@) { $out = "perl refuses the expression\r\n"; $count = 0; }
  $out =~ s/\r\n/\n/g;
  print $out, "\n", $count, "\n----\n";
}
'''


def perl_form(kind, expr):
    """The expression as Perl source: bare patterns wrapped, "/" escaped."""
    if kind in ("m", "split"):
        wrapped = expr.startswith("m") and len(expr) > 1 and not expr[1].isalnum() and expr[1] not in "\\_ "
        if not wrapped:
            escaped, i = "", 0
            while i < len(expr):
                if expr[i] == "\\" and i + 1 < len(expr):
                    escaped += expr[i:i + 2]
                    i += 2
                    continue
                escaped += "\\/" if expr[i] == "/" else expr[i]
                i += 1
            return "m/" + escaped + "/"
    return expr


def main():
    runtime = os.path.abspath(sys.argv[1])
    lines = ["エラーを無視"]
    for kind, expr, subject, _ in CASES:
        lines.append(f"『{subject}』を『{expr}』で{COMMAND[kind]}")
        lines += ["それを言う", "マッチ数を言う", "「----」を言う"]
    with tempfile.TemporaryDirectory(prefix="koburegex-") as top:
        script = os.path.join(top, "peer.kbr")
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        env = dict(os.environ, LANG="C.UTF-8", XDG_CONFIG_HOME=top, XDG_DATA_HOME=top)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        ours = subprocess.run([runtime, "--console", script], cwd=top, capture_output=True, env=env, timeout=60)
    feed = "".join("\t".join(x.encode("cp932").hex() for x in (kind, perl_form(kind, expr), subject)) + "\n"
                   for kind, expr, subject, _ in CASES)
    theirs = subprocess.run(["perl", "-e", PERL], input=feed.encode(), capture_output=True, timeout=60)
    if theirs.returncode != 0:
        print("perl failed:", theirs.stderr.decode(errors="replace"))
        return 1
    our_blocks = ours.stdout.decode("utf-8", errors="replace").split("----\n")
    perl_blocks = theirs.stdout.decode("cp932", errors="replace").split("----\n")
    failures = []
    if ours.returncode != 0 or ours.stderr:
        failures.append(f"runtime status {ours.returncode}: {ours.stderr.decode(errors='replace')}")
    for n, (kind, expr, subject, expected) in enumerate(CASES):
        got = our_blocks[n] if n < len(our_blocks) else "<missing>"
        perl = perl_blocks[n] if n < len(perl_blocks) else "<missing>"
        want = expected if expected is not None else perl
        if got != want:
            failures.append(f"{COMMAND[kind]} {expr!r} on {subject!r}: runtime {got!r}, expected {want!r}")
        if expected is not None and perl == expected:
            failures.append(f"{expr!r} on {subject!r}: Perl agrees, the 'ours' entry is not needed")
    for f in failures:
        print("FAIL:", f)
    print(f"{len(CASES)} cases, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
