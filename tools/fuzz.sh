#!/bin/sh
# Builds the libFuzzer targets in build-fuzz (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for SECONDS (default 60) on
# one core. Crashes, hangs (10 s), leaks and out-of-memory inputs are kept in
# build-fuzz/findings/<target>/; the corpora grow in build-fuzz/corpus/<target>/.
# Prints executions and findings per target; exits 1 when there is a finding.
#
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -eu
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"preprocess script expression csv xml container encodings wildcard regex"}
# Absolute names: a target runs each input in its own private folder.
out="$PWD/build-fuzz"

cmake -S . -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DKOBU_FUZZ=ON -DKOBU_WITH_QT=OFF -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Several runs may share the folder: one build at a time.
flock "$out/.build-lock" ninja -C "$out" -j2 >/dev/null

# Seeds from the repository: the script tests (UTF-8 in the repository,
# Shift-JIS as the interpreter sees them) for the program readers, and their
# lines for the expression evaluator; the hand seeds for the other readers.
python3 - "$out/corpus" <<'EOF'
import glob, os, sys
top = sys.argv[1]
for t in ("preprocess", "script", "expression"):
    os.makedirs(os.path.join(top, t), exist_ok=True)
lines = set()
for path in sorted(glob.glob("tests/scripts/**/*.kbr", recursive=True)):
    if ".files/" in path:
        continue
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932", errors="replace")
    name = "seed-" + path[len("tests/scripts/"):-4].replace("/", "-")
    for t in ("preprocess", "script"):
        with open(os.path.join(top, t, name), "wb") as f:
            f.write(data)
    for line in data.split(b"\r\n"):
        line = line.strip()
        if line and len(line) < 200:
            lines.add(line)
for i, line in enumerate(sorted(lines)):
    with open(os.path.join(top, "expression", "seed-%04d" % i), "wb") as f:
        f.write(line)
EOF

mkdir -p "$out/findings" "$out/logs"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}${UBSAN_OPTIONS:+:}print_stacktrace=1:halt_on_error=1"

count_findings() {
  find "$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' -o -name 'oom-*' \) | wc -l
}

status=0
summary=""
for t in $targets; do
  corpus="$out/corpus/$t"
  findings="$out/findings/$t"
  mkdir -p "$corpus" "$findings"
  set -- "$corpus"
  [ -d "fuzz/seeds/$t" ] && set -- "$@" "$PWD/fuzz/seeds/$t"
  dict=""
  [ -f "fuzz/$t.dict" ] && dict="-dict=$PWD/fuzz/$t.dict"
  before=$(count_findings "$findings")
  log="$out/logs/$t.log"
  started=$(date +%s)
  touch "$log.start"
  # One worker process (-fork=1): after a hang or an out-of-memory input it
  # is started again and fuzzing goes on; a crash or a leak ends the target.
  # shellcheck disable=SC2086
  "$out/fuzz/fuzz_$t" -fork=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
    -print_final_stats=1 -artifact_prefix="$findings/" $dict "$@" >"$log" 2>&1 || true
  # A hang that does not come back on its own is the machine being busy,
  # not the input: such files go to unconfirmed/ and do not count.
  for f in $(find "$findings" -maxdepth 1 -type f -name 'timeout-*' -newer "$log.start"); do
    if "$out/fuzz/fuzz_$t" -timeout=10 -rss_limit_mb=2048 "$f" >/dev/null 2>&1; then
      mkdir -p "$findings/unconfirmed"
      mv "$f" "$findings/unconfirmed/"
    fi
  done
  after=$(count_findings "$findings")
  new=$((after - before))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$execs" ] || execs=$(sed -n 's/^#\([0-9][0-9]*\):.*/\1/p' "$log" | tail -n 1)
  [ -n "$execs" ] || execs=0
  [ "$new" -gt 0 ] && status=1
  # A record of every run: when, target, seconds fuzzed, executions, findings.
  printf '%s\t%s\t%s\t%s\t%s\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" "$t" "$(($(date +%s) - started))" "$execs" "$new" \
    >>"$out/fuzz-history.tsv"
  summary="$summary$(printf '%-12s %14s %9s' "$t" "$execs" "$new")
"
done

printf '%-12s %14s %9s\n' target executions findings
printf '%s' "$summary"
[ "$status" -eq 0 ] || echo "findings are in $out/findings/ (logs in $out/logs/)"
exit "$status"
