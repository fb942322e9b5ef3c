#!/usr/bin/env bash
# The render service's budget: renders per second of a one-label script with
# 2 workers against one klx80-batch process per render, side by side in one
# run, and the latency at 80% of the service's peak rate (loopback).
#   bench/service_bench.sh BUILD_DIR [SECONDS_PER_PHASE] [FRACTIONS_OF_PEAK]
# FRACTIONS_OF_PEAK (default 0.8): the paced phases' rates, e.g. 0.25,0.5,0.8.
# Budget: >= 10x the throughput; p99 <= 20 ms at 80% of peak.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: bench/service_bench.sh BUILD_DIR [SECONDS_PER_PHASE] [FRACTIONS_OF_PEAK]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
seconds="${2:-5}"
fractions="${3:-0.8}"
out="$(mktemp)"
trap 'kill "$serve" 2>/dev/null; wait "$serve" 2>/dev/null; rm -f "$out"' EXIT
"$build/service/klx80-serve" --flash "$build/fontData.hex" --port 0 --workers 2 >"$out" &
serve=$!
for _ in $(seq 100); do grep -q listening "$out" && break; sleep 0.1; done
port="$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")"
[ -n "$port" ] || { echo "klx80-serve did not start" >&2; exit 1; }
# CPU time (clock ticks) of the accepting process and of its workers.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
workers_ticks() { local t=0 p; for p in $(cat /proc/"$serve"/task/*/children); do t=$((t + $(ticks "$p"))); done; echo $t; }
a0=$(ticks "$serve") w0=$(workers_ticks)
# The whole machine's CPU ticks: total and stolen by the hypervisor (a shared
# host's other guests), which the phases cannot see but lose.
cpu_ticks() { awk '/^cpu / {t = 0; for (i = 2; i <= 9; ++i) t += $i; print t, $9}' /proc/stat; }
read -r total0 steal0 < <(cpu_ticks)
echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; klx80-serve with 2 workers on port $port"
"$build/bench/service_load" --port "$port" --batch "$build/batch/klx80-batch" --image "$build/fontData.hex" \
  --seconds "$seconds" --max 50000 --fractions "$fractions"
a1=$(ticks "$serve") w1=$(workers_ticks)
read -r total1 steal1 < <(cpu_ticks)
renders=$(curl -s "http://127.0.0.1:$port/metrics" | awk '/^klx80_render_duration_seconds_count/ {print $2}')
awk -v a=$((a1 - a0)) -v w=$((w1 - w0)) -v n="$renders" -v hz="$(getconf CLK_TCK)" 'BEGIN {
  printf "service CPU per render: %.2f ms (accepting process %.2f, workers %.2f) over %d renders\n",
         1000 * (a + w) / hz / n, 1000 * a / hz / n, 1000 * w / hz / n, n }'
echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg); CPU time stolen by the host during the run: $(awk -v s=$((steal1 - steal0)) -v t=$((total1 - total0)) 'BEGIN { printf "%.1f%%", t ? 100 * s / t : 0 }')"
