#!/usr/bin/env python3
"""Command-line behaviour of the runtime: options, missing scripts, --preprocess."""
import os
import subprocess
import sys
import tempfile

runtime = os.path.abspath(sys.argv[1])
failures = 0


def run(args, cwd=None):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return subprocess.run([runtime] + args, capture_output=True, cwd=cwd, env=env, timeout=30)


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
    check("--list-commands", p.returncode == 0 and len(lines) == 479 and "言う\t?と\t12\t使える" in lines
          and "置換\t?の,?を,?に\t" in p.stdout.decode(), p)
    p = run(["--nonsense"])
    check("unknown option", p.returncode == 2 and b"--nonsense" in p.stderr, p)
    p = run(["--console", "missing.kbr"], cwd=work)
    check("unreadable script", p.returncode == 2 and
          "起動ファイル「missing.kbr」が読込めません。".encode() in p.stderr, p)

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

    # A display that cannot be reached counts as none: the terminal is the user.
    if not os.path.exists("/tmp/.X11-unix/X97"):
        env = dict(os.environ, DISPLAY=":97")
        env.pop("WAYLAND_DISPLAY", None)
        p = subprocess.run([runtime, "args.kbr"], capture_output=True, cwd=work, env=env, timeout=30)
        check("unreachable display", p.returncode == 0 and p.stdout == b"args.kbr\n", p)


    # Without a script on the command line, the .kbr beside the program runs;
    # its arguments then start with the program itself.
    import shutil
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
    p = subprocess.run([app, "--console"], capture_output=True, timeout=30, cwd="/")
    check("no script anywhere", p.returncode == 2 and p.stdout == b"", p)

sys.exit(1 if failures else 0)
