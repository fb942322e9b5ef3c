#!/usr/bin/env bash
# The whole-process budgets, measured with hyperfine (medians) and strace
# (fdatasync calls), for one build or side by side for several (the commit
# before a change and after it):
#   bench/budgets.sh BUILD_DIR [BUILD_DIR...]
# Each BUILD_DIR needs klx80-batch; one of them also a bench/serial_run_bench
# that keeps the long runs' images (KLX80_BENCH_KEEP). WORK (default: a folder in $TMPDIR or
# /tmp, so on disk where that is a disk) holds the images and outputs.
# Budgets: the 999-label run with every label written <= 0.5 s, <= 2
# fdatasync; the 1,000-case suite <= 2 s with 2 jobs, <= 4 s with 1, 0
# fdatasync; 99 banner copies with --labels <= 4x without; a 3-key run
# <= 1.5x a trivial program that starts and exits.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: bench/budgets.sh BUILD_DIR [BUILD_DIR...]" >&2; exit 2; }
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done
work="${WORK:-${TMPDIR:-/tmp}/klx80-budgets-$$}"
runs="${RUNS:-5}"
mkdir -p "$work"
cd "$work"
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; work in $work ($(df -T . | awk 'NR==2 {print $2}'))"

# The long runs' images, from the first build whose serial_run_bench keeps them.
for b in "${builds[@]}"; do
  [ -f serial999.hex ] && [ -f banner99.hex ] && break
  KLX80_BENCH_KEEP="$work" "$b/bench/serial_run_bench" >/dev/null 2>&1 || true
done
[ -f serial999.hex ] && [ -f banner99.hex ] || { echo "serial_run_bench left no images" >&2; exit 1; }
cp "${builds[0]}/fontData.hex" image.hex
# Before each run: a fresh copy of IMAGE as run.hex, already on the disk (or
# the run's one sync would write the whole copy), and the last run's outputs
# moved aside rather than deleted: on ext4 without a journal, every file
# created soon after thousands were deleted scans past them (the kernel's
# recently_deleted check), which tripled the 999-label run from one time to
# the next. They are deleted at the end.
mkdir -p aside
cat > fresh.sh <<'SH'
[ -n "$1" ] && cp "$1" run.hex && sync run.hex
for d in labels out; do [ -e "$d" ] && mv "$d" "aside/$d.$$.$(date +%s%N)"; done
exit 0
SH
printf '#include <iostream>\nint main() { std::cout << ""; }\n' > trivial.cpp
c++ -O2 -o trivial trivial.cpp
printf 'int main() { return 0; }\n' > bare.cpp
c++ -O2 -o bare bare.cpp

# The suite of bench/suite_bench: nine letters differing from case to case, then Print.
python3 - <<'PY'
import os
for i in range(1000):
    d = f"suite/case_{1000 + i}"
    os.makedirs(d, exist_ok=True)
    n, letters = i * 7919, ""
    for k in range(9):
        letters += chr(ord("A") + (n + k * 5) % 26)
        n //= 3
    open(f"{d}/keys.txt", "w").write(f"# outputs: lcd.png tape.pbm state.json\nTEXT:{letters} PRINT\n")
PY
"${builds[0]}/batch/klx80-batch" --flash image.hex --suite suite --work goldens --rebaseline --jobs 2 >/dev/null

# name:command pairs for hyperfine, one per build.
compare() {
  local title=$1 prepare=$2 args=$3
  local cmds=()
  for i in "${!builds[@]}"; do cmds+=(-n "$(basename "$(dirname "${builds[$i]}")")/$(basename "${builds[$i]}")" "${builds[$i]}/batch/klx80-batch $args"); done
  echo "== $title"
  hyperfine -N -w 1 -r "$runs" --prepare "sh -c '$prepare'" --export-json run.json "${cmds[@]}" 2>&1 |
    grep -E "Benchmark|Time|Range|Error"
  medians
}
# The median wall time and mean CPU time of each command of the last run.
medians() {
  python3 -c 'import json
for r in json.load(open("run.json"))["results"]:
    print("   median %8.1f ms  cpu %7.1f ms  %s" % (r["median"] * 1e3, (r["user"] + r["system"]) * 1e3, r["command"]))'
}
syncs() {
  local prepare=$1 args=$2
  for b in "${builds[@]}"; do
    eval "$prepare"
    # shellcheck disable=SC2086
    strace -f -c -e trace=fdatasync -o strace.txt "$b/batch/klx80-batch" $args >/dev/null 2>&1 || true
    echo "   $b: $(awk '/fdatasync/ {n = $4} END {print n + 0}' strace.txt) fdatasync"
  done
}

compare "999-label serial run, every label written" "sh fresh.sh serial999.hex" \
  "--flash run.hex --script serial999.txt --labels labels"
syncs "sh fresh.sh serial999.hex" "--flash run.hex --script serial999.txt --labels labels"
for jobs in 1 2; do
  compare "1,000-case suite, $jobs job(s)" "sh fresh.sh" "--flash image.hex --suite suite --work out --jobs $jobs"
done
syncs "sh fresh.sh" "--flash image.hex --suite suite --work out --jobs 2"
compare "99 banner copies without --labels" "sh fresh.sh banner99.hex" "--flash run.hex --script banner99.txt"
compare "99 banner copies with --labels" "sh fresh.sh banner99.hex" \
  "--flash run.hex --script banner99.txt --labels labels"
echo "== a 3-key run against a trivial program"
cmds=(-n "trivial (iostream)" ./trivial -n "trivial (bare)" ./bare)
for b in "${builds[@]}"; do cmds+=(-n "$b" "$b/batch/klx80-batch --flash run.hex --keys 'A B C'"); done
hyperfine -N -w 3 -r $((runs * 10)) --prepare "sh fresh.sh image.hex" --export-json run.json "${cmds[@]}" 2>&1 |
  grep -E "Benchmark|Time|Range|Error"
medians
echo "== load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
