#!/usr/bin/env bash
# Executions per second of each libFuzzer target, for one fuzz build or side
# by side for several (the build before a change and after it):
#   bench/fuzz_rate.sh FUZZ_BUILD_DIR [FUZZ_BUILD_DIR...]
# Each build fuzzes each target for SECONDS (default 60) from the seeds alone,
# one run at a time, as scripts/fuzz does in CI. Budget: >= 1,000 executions/s
# for the whole device (flash_image_fuzz) under ASan + UBSan.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: bench/fuzz_rate.sh FUZZ_BUILD_DIR [FUZZ_BUILD_DIR...]" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${SECONDS_EACH:-60}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; ${seconds}s a target"
for target in flash_image_fuzz script_fuzz; do
  for build in "$@"; do
    corpus="$work/corpus"
    rm -rf "$corpus" && mkdir -p "$corpus"
    dict=()
    [ -f "$root/tests/fuzz/$target.dict" ] && dict=(-dict="$root/tests/fuzz/$target.dict")
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="$work/" "$corpus" "$root/tests/fuzz/seeds/$target" >"$work/log" 2>&1
    runs=$(awk '/^stat::number_of_executed_units/ {print $2}' "$work/log")
    cov=$(grep -E '^#[0-9]+.*DONE' "$work/log" | grep -o 'cov: [0-9]*' || true)
    printf '%-18s %6d exec/s  %8d runs  %-10s %s\n' "$target" "$((runs / seconds))" "$runs" "$cov" "$build"
  done
done
