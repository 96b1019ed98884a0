#!/usr/bin/env python3
"""Command-line behaviour of the runtime: options, missing scripts, --preprocess."""
import os
import shutil
import subprocess
import sys
import tempfile

runtime = os.path.abspath(sys.argv[1])
failures = 0


def run(args, cwd=None, stdin=None):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return subprocess.run([runtime] + args, capture_output=True, cwd=cwd, env=env, timeout=30,
                          input=stdin if stdin is not None else b"")


def check(name, cond, proc):
    global failures
    if not cond:
        failures += 1
        print(f"FAIL {name}: status {proc.returncode}\nstdout: {proc.stdout.decode(errors='replace')}\n"
              f"stderr: {proc.stderr.decode(errors='replace')}")


with tempfile.TemporaryDirectory() as work:
    p = run(["--version"])
    check("--version", p.returncode == 0 and p.stdout.startswith(b"koburane "), p)
    p = run(["--help"])
    check("--help", p.returncode == 0 and "使い方".encode() in p.stdout, p)
    p = run(["--list-commands"])
    lines = p.stdout.decode().splitlines()
    # The command rows (name, pattern, number, state, description), then the
    # system variables (name, default, type mark, 変数); "families" lists the
    # same command rows, each led by its family's name.
    f = run(["--list-commands", "families"])
    flines = f.stdout.decode().splitlines()
    n = len(flines)
    say = [l for l in lines if l.startswith("言う\t?と\t12\t使える\t")]
    check("--list-commands", p.returncode == 0 and n >= 479 and len(lines) - n >= 117 and len(say) == 1
          and "置換\t?の,?を,?に\t" in p.stdout.decode()
          and lines.index(say[0]) < n
          and "回数\t0\t回、反復、命令において、繰り返した回数をカウントしている変数e\t変数" in lines
          and "赤色\t#FF0000\ts\t変数" in lines and lines[-1].endswith("\t変数")
          and all(len(l.split("\t")) == 5 and l.split("\t")[4] for l in lines[:n])
          and all(len(l.split("\t")) == 4 and l.endswith("\t変数") for l in lines[n:]), p)
    check("--list-commands families", f.returncode == 0 and [l.split("\t", 1)[1] for l in flines] == lines[:n]
          and flines[0].startswith("制御\t") and any(l.startswith("文字列\t置換\t") for l in flines), f)
    p = run(["-h"])
    check("-h", p.returncode == 0 and "使い方".encode() in p.stdout, p)
    p = run(["--nonsense"])
    check("unknown option", p.returncode == 2 and b"--nonsense" in p.stderr, p)
    p = run(["--console", "-e"])
    check("-e without its text", p.returncode == 2 and "使い方".encode() in p.stderr, p)

    # A script that cannot be read says why, besides the classic message.
    os.mkdir(os.path.join(work, "folder.kbr"))
    secret = os.path.join(work, "secret.kbr")
    with open(secret, "w", encoding="utf-8") as f:
        f.write("「秘密」と言う\n")
    os.chmod(secret, 0)
    unreadable = [("no such file", "missing.kbr", "そのようなファイルはありません"),
                  ("a folder", "folder.kbr", "フォルダです")]
    if os.geteuid() != 0:  # root reads every file
        unreadable.append(("no permission", "secret.kbr", "読む権限がありません"))
    for name, path, why in unreadable:
        for mode in (["--console"], ["--preprocess"]):
            p = run(mode + [path], cwd=work)
            check(f"unreadable script: {name} {mode[0]}", p.returncode == 2 and p.stdout == b"" and
                  f"koburane: {path}: {why}\n".encode() in p.stderr and
                  f"起動ファイル「{path}」が読込めません。".encode() in p.stderr, p)
    os.chmod(secret, 0o644)

    # A "#!" first line lets a script run as a program; it still is line 1.
    shebang = os.path.join(work, "report.kbr")
    with open(shebang, "w", encoding="utf-8") as f:
        f.write("#!/usr/bin/env koburane\n「言う\n")
    os.chmod(shebang, 0o755)
    env = dict(os.environ, PATH=os.path.dirname(runtime) + os.pathsep + os.environ.get("PATH", ""))
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    p = subprocess.run([shebang], capture_output=True, cwd="/", env=env, timeout=30, input=b"")
    check("shebang run directly", p.returncode == 1 and
          p.stderr.decode().startswith("[エラー] report.kbr(2行目): 「」または\"\"が対応していません。"), p)
    with open(shebang, "w", encoding="utf-8-sig") as f:
        f.write("#!/usr/bin/env koburane\n「だ」と言う\n")
    p = run(["--console", shebang])
    check("shebang after a BOM", p.returncode == 0 and p.stdout.decode() == "だ\n", p)

    # The script from standard input or from -e; the folder stays the current one.
    with open(os.path.join(work, "data.txt"), "w", encoding="cp932") as f:
        f.write("中身")
    for name, args, stdin, out in (
            ("stdin -", ["-"], "「a」と言う\n".encode(), "a\n"),
            ("stdin /dev/stdin", ["/dev/stdin"], "「a」と言う\n".encode(), "a\n"),
            ("stdin Shift-JIS", ["-"], "「あ」と言う\n".encode("cp932"), "あ\n"),
            ("stdin with arguments", ["-", "x", "-y"], "コマンドライン引数と言う".encode(), "-\nx\n-y\n"),
            ("stdin reads the current folder", ["-"], "「data.txt」を読む\nそれを言う".encode(), "中身\n"),
            ("-e", ["-e", "「b」と言う"], None, "b\n"),
            ("-e with arguments", ["-e", "コマンドライン引数と言う", "x", "--", "-debug", "--console"], None,
             "-e\nx\n-debug\n--console\n"),
            ("-e reads the current folder", ["-e", "「data.txt」を読む\nそれを言う"], None, "中身\n"),
            ("-e lives in the current folder", ["-e", "母艦のパスと言う"], None, os.path.realpath(work) + "/\n"),
            ("stdin lives in the current folder", ["-"], "母艦のパスと言う".encode(), os.path.realpath(work) + "/\n"),
            ("-e after the script is the script's", ["args.kbr", "-e", "z"], None, "args.kbr\n-e\nz\n")):
        if name.startswith("-e after"):
            with open(os.path.join(work, "args.kbr"), "w", encoding="utf-8") as f:
                f.write("コマンドライン引数と言う\n")
        p = run(["--console"] + args, cwd=work, stdin=stdin)
        check(name, p.returncode == 0 and p.stdout.decode() == out, p)
    for name, args, stdin, head in (
            ("error in -e", ["-e", "「b」と言う\n「言う"], None, "[エラー] -e(2行目): "),
            ("error from stdin", ["-"], "\n\n「言う".encode(), "[エラー] -(3行目): ")):
        p = run(["--console"] + args, cwd=work, stdin=stdin)
        check(name, p.returncode == 1 and p.stderr.decode().startswith(head), p)

    script = os.path.join(work, "pre.kbr")
    with open(script, "w", encoding="utf-8") as f:
        f.write("Ｘ＝「ａ」\n{注釈\n}「b」と言う ' 注釈\n")
    p = run(["--preprocess", script])
    check("--preprocess", p.returncode == 0 and
          p.stdout == 'X="ａ"\n1:\n2:"b"と言う \n3:'.encode(), p)

    bad = os.path.join(work, "bad.kbr")
    with open(bad, "w", encoding="utf-8") as f:
        f.write("「言う\n" + "A=1\n" * 100000)
    p = run(["--console", bad])
    check("unterminated string", p.returncode == 1 and
          p.stderr.decode().startswith("[エラー] bad.kbr(1行目): 「」または\"\"が対応していません。『言う"), p)

    # Options beginning with -- never reach the script.
    args = os.path.join(work, "args.kbr")
    with open(args, "w", encoding="utf-8") as f:
        f.write("コマンドライン引数と言う\n")
    p = run(["--console", "args.kbr", "a", "--console", "b"], cwd=work)
    check("options removed", p.returncode == 0 and p.stdout == b"args.kbr\na\nb\n", p)
    # "--" ends the runtime's options: what follows reaches the script as it is.
    for name, args, out in (
            ("after --", ["args.kbr", "--", "-debug", "--console", "-h", "--"], "args.kbr\n-debug\n--console\n-h\n--\n"),
            ("script after --", ["--", "args.kbr", "-e", "x"], "args.kbr\n-e\nx\n"),
            ("-- before the switches", ["-debug", "args.kbr", "--", "-run"], "-debug\nargs.kbr\n-run\n")):
        p = run(["--console"] + args, cwd=work)
        check(name, p.returncode == 0 and p.stdout.decode() == out, p)

    # A display that cannot be reached counts as none: the terminal is the user.
    if not os.path.exists("/tmp/.X11-unix/X97"):
        env = dict(os.environ, DISPLAY=":97")
        env.pop("WAYLAND_DISPLAY", None)
        p = subprocess.run([runtime, "args.kbr"], capture_output=True, cwd=work, env=env, timeout=30)
        check("unreachable display", p.returncode == 0 and p.stdout == b"args.kbr\n", p)
    # A Wayland display that cannot start falls back to the terminal, saying so.
    env = dict(os.environ, WAYLAND_DISPLAY="nonexistent")
    env.pop("DISPLAY", None)
    p = subprocess.run([runtime, "args.kbr"], capture_output=True, cwd=work, env=env, timeout=30)
    check("unreachable Wayland display", p.returncode == 0 and p.stdout == b"args.kbr\n" and
          "koburane: 画面nonexistentに接続できないため、端末で実行します\n".encode() in p.stderr, p)

    # A change refused without asking anyone is named on stderr; the run goes on.
    os.mkdir(os.path.join(work, "writer"))
    outside = os.path.join(work, "outside.txt")
    with open(os.path.join(work, "writer", "w.kbr"), "w", encoding="utf-8") as f:
        f.write(f"「x」を「{outside}」へ保存\n「続き」と言う\n")
    warning = f"koburane: ファイルの変更を許可しませんでした: {outside}\n".encode()
    for name, args, stdin in (("refused at the high level", ["-security", "high"], b"2\n"),
                              ("refused at end of input", [], b""),
                              ("refused by the user", [], b"2\n")):
        p = run(["--console"] + args + ["writer/w.kbr"], cwd=work, stdin=stdin)
        asked = name.endswith("user")
        check(name, p.returncode == 0 and p.stdout.decode() == "続き\n" and not os.path.exists(outside) and
              p.stderr.count(warning) == (0 if asked else 1), p)

    # An error ends a windowed run with status 1 and its log on stderr too;
    # Escape answers the error dialog with 終了.
    if shutil.which("xvfb-run") and shutil.which("xdotool"):
        for name, text, head in (("window: error before the run", "「a」と言う\n「言う\n", "[エラー] win.kbr(2行目): "),
                                 ("window: error in the run", "「a」と言う\nあいうえお\n", "[エラー] win.kbr(2行目): ")):
            with open(os.path.join(work, "win.kbr"), "w", encoding="utf-8") as f:
                f.write(text)
            driver = ('"$0" win.kbr & pid=$!; i=0; while kill -0 $pid 2>/dev/null && [ $i -lt 60 ]; do '
                      'sleep 0.5; xdotool key Escape 2>/dev/null; i=$((i+1)); done; wait $pid')
            env = dict(os.environ)
            env.pop("WAYLAND_DISPLAY", None)
            p = subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "sh", "-c", driver, runtime],
                               capture_output=True, cwd=work, env=env, timeout=90)
            check(name, p.returncode == 1 and head.encode() in p.stderr, p)


    # Without a script on the command line, the .kbr beside the program runs;
    # its arguments then start with the program itself.
    app = os.path.join(work, "app")
    shutil.copy(runtime, app)
    with open(app + ".kbr", "w", encoding="utf-8") as f:
        f.write("コマンドライン引数と言う\n母艦のパスと言う\n")
    p = subprocess.run([app, "--console"], capture_output=True, timeout=30, cwd="/")
    real = os.path.realpath(work)
    check("script beside the program", p.returncode == 0 and
          p.stdout.decode() == f"{app}\n{real}/\n", p)
    p = subprocess.run([app, "--console", "-debug"], capture_output=True, timeout=30, cwd="/")
    check("-debug alone still finds the script beside", p.returncode == 0 and
          p.stdout.decode() == f"{app}\n-debug\n{real}/\n", p)
    os.remove(app + ".kbr")
    # stdin is no terminal here, so no prompt opens.
    p = subprocess.run([app, "--console"], capture_output=True, timeout=30, cwd="/", stdin=subprocess.DEVNULL)
    check("no script anywhere", p.returncode == 2 and p.stdout == b"", p)
    # The prompt runs each line as it comes, keeps its words from line to
    # line, prints それ after each, and survives an error in a line.
    p = subprocess.run([app, "--prompt"], capture_output=True, timeout=30, cwd="/",
                       input="A=3\nAに5を足す\n「言う\n「b」と言う\nAを言う\n".encode())
    check("--prompt", p.returncode == 0 and p.stdout.decode() == "\n8\n" "b\n8\n" "8\n8\n" and
          p.stderr.decode().startswith("[エラー] -(1行目): 「」または\"\"が対応していません。"), p)
    p = subprocess.run([app, "--prompt", "-e", "「c」と言う"], capture_output=True, timeout=30, cwd="/", input=b"")
    check("--prompt with a script runs the script", p.returncode == 0 and p.stdout == b"c\n", p)

    # A packed program carries its script and files and runs from anywhere.
    src = os.path.join(work, "src")
    dist = os.path.join(work, "dist")
    tmp = os.path.join(work, "tmp")
    for d in (src, dist, tmp):
        os.mkdir(d)
    with open(os.path.join(src, "app.kbr"), "w", encoding="utf-8") as f:
        f.write("「こんにちは」と言う\nAに「one.txt」を読む\nAを言う\nBに「two.txt」を読む\nBを言う\n"
                "コマンドライン引数を言う\n母艦のパスを言う\n「KOBURANE.KBR」が存在するか\nそれを言う\n")
    for name, text in (("one.txt", "一つ目"), ("two.txt", "二つ目")):
        with open(os.path.join(src, name), "wb") as f:
            f.write(text.encode("cp932"))
    packed = os.path.join(dist, "app")
    p = run(["--pack", "app.kbr", "-o", packed, "one.txt", "two.txt"], cwd=src)
    check("--pack", p.returncode == 0 and os.access(packed, os.X_OK), p)
    shutil.rmtree(src)
    env = dict(os.environ, TMPDIR=tmp)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    p = subprocess.run([packed, "--console", "x"], capture_output=True, timeout=30, cwd="/", env=env)
    check("packed program", p.returncode == 0 and p.stdout.decode() ==
          f"こんにちは\n一つ目\n二つ目\n{packed}\nx\n{os.path.realpath(dist)}/\n0\n", p)
    check("packed files are extracted privately and removed at exit",
          not [n for n in os.listdir(tmp) if n.startswith("koburane-")], p)
    # A script named on the command line does not replace the packed one, unless -run says so.
    with open(os.path.join(work, "other.kbr"), "w", encoding="utf-8") as f:
        f.write("「他」と言う\n")
    p = subprocess.run([packed, "--console", "other.kbr"], capture_output=True, timeout=30, cwd=work, env=env)
    check("packed script wins", p.returncode == 0 and p.stdout.decode().startswith("こんにちは\n"), p)
    p = subprocess.run([packed, "--console", "-run", "other.kbr"], capture_output=True, timeout=30, cwd=work, env=env)
    check("-run ignores the container", p.returncode == 0 and p.stdout.decode() == "他\n", p)
    # The plain runtime runs the script of another packed program with -runtime.
    p = run(["--console", "-runtime", packed, "y"], cwd="/")
    check("-runtime", p.returncode == 0 and p.stdout.decode().startswith("こんにちは\n一つ目\n二つ目\n") and
          f"\n{packed}\ny\n" in p.stdout.decode(), p)
    # Broken containers are refused cleanly.
    with open(runtime, "rb") as f:
        image = f.read()
    broken = os.path.join(dist, "broken")
    for name, tail in (("truncated header", b"fMix\x01\x05"),
                       ("count beyond the file", b"fMix\x01\xff\xff" + b"\0" * 300),
                       ("name without a zero", b"fMix\x01\x01\x00\x00\x00\x00\x00" + b"A" * 265)):
        with open(broken, "wb") as f:
            f.write(image + tail)
        os.chmod(broken, 0o755)
        p = subprocess.run([broken, "--console"], capture_output=True, timeout=30, cwd=work, env=env)
        check(name, p.returncode == 1 and "ファイルの展開に失敗しました。".encode() in p.stderr and
              "形式が違うため読めません".encode() in p.stderr, p)
        p = run(["--console", "-runtime", broken], cwd=work)
        check(name + " through -runtime", "指定されたプログラムファイルは壊れています。".encode() in p.stderr, p)
    p = run(["--console", "-resource", os.path.join(work, "args.kbr"), "args.kbr"], cwd=work)
    check("-resource that is no container", p.returncode == 1 and
          "リソースファイルの取り込みに失敗しました。".encode() in p.stderr, p)

sys.exit(1 if failures else 0)
