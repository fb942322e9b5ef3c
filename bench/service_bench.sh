#!/usr/bin/env bash
# The render service's budget: renders per second of a one-label script with
# 2 workers against one klx80-batch process per render, side by side in one
# run, and the latency at 80% of the service's peak rate (loopback).
#   bench/service_bench.sh BUILD_DIR [SECONDS_PER_PHASE]
# Budget: >= 10x the throughput; p99 <= 20 ms at 80% of peak.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: bench/service_bench.sh BUILD_DIR [SECONDS_PER_PHASE]" >&2; exit 2; }
build="$(cd "$1" && pwd)"
seconds="${2:-5}"
out="$(mktemp)"
trap 'kill "$serve" 2>/dev/null; wait "$serve" 2>/dev/null; rm -f "$out"' EXIT
"$build/service/klx80-serve" --flash "$build/fontData.hex" --port 0 --workers 2 >"$out" &
serve=$!
for _ in $(seq 100); do grep -q listening "$out" && break; sleep 0.1; done
port="$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$out")"
[ -n "$port" ] || { echo "klx80-serve did not start" >&2; exit 1; }
echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; klx80-serve with 2 workers on port $port"
"$build/bench/service_load" --port "$port" --batch "$build/batch/klx80-batch" --image "$build/fontData.hex" \
  --seconds "$seconds" --max 20000
echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
