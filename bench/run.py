#!/usr/bin/env python3
"""Runs every workload in Koburane and in its peers, several times each, and
prints the median time, the peak memory and the ratio Koburane / peer.

    python3 bench/run.py [path/to/koburane] [--runs N]

It never fails on timing: only a wrong answer (in any runtime) makes it exit 1.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
WORK = os.path.join(HERE, "workloads")


def make_inputs(folder):
    """The data files, made once per run of the suite (deterministic)."""
    rnd = random.Random(11)
    words = ["apple", "pear", "plum", "grape", "melon"]
    lines = []
    while sum(len(l) + 2 for l in lines) < 10_000_000:
        lines.append(" ".join(rnd.choice(words) for _ in range(12)))
    with open(os.path.join(folder, "text.txt"), "wb") as f:
        f.write("".join(l + "\r\n" for l in lines).encode("ascii"))
    kana = [chr(c) for c in range(0x3041, 0x3094)] + [chr(c) for c in range(0x30A1, 0x30F7)]
    kanji = "日本語文字列変換処理速度計測表計算辞書配列漢字仮名"
    pieces, size = [], 0
    while size < 10_000_000:
        line = "".join(rnd.choice(kana + list(kanji)) for _ in range(40)) + "ABC123\r\n"
        pieces.append(line)
        size += len(line.encode("cp932"))
    with open(os.path.join(folder, "ja.txt"), "wb") as f:
        f.write("".join(pieces).encode("cp932"))
    nums = [str(rnd.randint(-1_000_000, 1_000_000)) for _ in range(100_000)]
    with open(os.path.join(folder, "nums.txt"), "wb") as f:
        f.write("".join(n + "\r\n" for n in nums).encode("ascii"))
    subprocess.run([sys.executable, os.path.join(HERE, "make_table.py"), os.path.join(folder, "bench-table.csv")],
                   check=True)


def expected(folder):
    """What every runtime must answer: (stdout, bytes of out.txt or None)."""
    text = open(os.path.join(folder, "text.txt"), "rb").read()
    ja = open(os.path.join(folder, "ja.txt"), "rb").read()
    nums = open(os.path.join(folder, "nums.txt"), "rb").read().splitlines()
    import csv
    with open(os.path.join(folder, "bench-table.csv"), encoding="cp932", newline="") as f:
        rows = list(csv.reader(f))
    kept = 1 + sum(1 for r in rows[1:] if r[2] == "A" and float(r[3]) >= 50000)
    return {
        "loop": ("1000000", None),
        "fib": ("6765", None),
        "calls": ("100000", None),
        "concat": ("200000", None),
        "replace": (str(len(text.replace(b"apple", b"orange"))), None),
        "chars": (str(len(ja.decode("cp932"))), None),
        "lines": (str(len(text.splitlines())), None),
        "sort_text": ("done", b"".join(l + b"\r\n" for l in sorted(nums))),
        "sort_number": ("done", b"".join(l + b"\r\n" for l in sorted(nums, key=int))),
        "table": (str(kept), None),
        "dictionary": ("ok 5000050000", None),
        "euc": ("done", ja.decode("cp932").encode("euc_jp")),
        "startup": ("1", None),
    }


# Every program runs from the data folder, where its script is copied: a
# Koburane script reads relative names from its own folder.
def runtimes(koburane):
    found = {"koburane": lambda w: [koburane, "--console", w + ".kbr"]}
    python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else shutil.which("python3")
    found["python3"] = lambda w: [python, w + ".py"]
    if shutil.which("tclsh"):
        found["tcl"] = lambda w: ["tclsh", w + ".tcl"]
    lua = shutil.which("lua5.4") or shutil.which("lua")
    if lua:
        found["lua"] = lambda w: [lua, w + ".lua"]
    if shutil.which("iconv"):
        found["iconv"] = lambda w: ["sh", w + ".sh"]
    return found


def script_of(runtime, workload):
    ext = {"koburane": ".kbr", "python3": ".py", "tcl": ".tcl", "lua": ".lua", "iconv": ".sh"}[runtime]
    return os.path.exists(os.path.join(WORK, workload + ext))


def main():
    args = sys.argv[1:]
    runs = 3
    if "--runs" in args:
        i = args.index("--runs")
        runs = int(args[i + 1])
        del args[i:i + 2]
    koburane = os.path.abspath(args[0] if args else os.path.join(HERE, "..", "build", "koburane"))
    wrong = 0
    with tempfile.TemporaryDirectory(prefix="kobubench-") as folder:
        make_inputs(folder)
        for name in os.listdir(WORK):
            shutil.copy(os.path.join(WORK, name), folder)
        want = expected(folder)
        rts = runtimes(koburane)
        print(f"{'workload':<12} {'runtime':<9} {'median s':>9} {'peak MB':>8} {'kobu/peer':>10}")
        for workload, (stdout, outfile) in want.items():
            results = {}
            for name, command in rts.items():
                if not script_of(name, workload):
                    continue
                times, peak = [], 0.0
                for _ in range(runs if workload != "startup" else runs * 3):
                    out_path = os.path.join(folder, "out.txt")
                    if os.path.exists(out_path):
                        os.remove(out_path)
                    # GNU time reports the peak memory of the program alone (a
                    # child forked from this big runner would count our pages).
                    mem_file = os.path.join(folder, "peak.txt")
                    start = time.perf_counter()
                    proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", mem_file] + command(workload),
                                          cwd=folder, capture_output=True)
                    times.append(time.perf_counter() - start)
                    out, err = proc.stdout, proc.stderr
                    try:
                        peak = max(peak, int(open(mem_file).read().split()[-1]) / 1024.0)
                    except (OSError, ValueError, IndexError):
                        pass
                    ok = proc.returncode == 0 and out.decode("utf-8", "replace").strip() == stdout
                    if ok and outfile is not None:
                        ok = os.path.exists(out_path) and open(out_path, "rb").read() == outfile
                    if not ok:
                        wrong += 1
                        print(f"WRONG {workload} in {name}: status {proc.returncode}, "
                              f"stdout {out[:200]!r}, stderr {err[:200]!r}")
                        break
                results[name] = (statistics.median(times), peak)
            base = results.get("koburane")
            for name, (t, peak) in results.items():
                ratio = "" if name == "koburane" or not base else f"{base[0] / t:10.2f}"
                print(f"{workload:<12} {name:<9} {t:9.3f} {peak:8.1f} {ratio:>10}")
    sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()
