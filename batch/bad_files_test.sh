#!/usr/bin/env bash
# Bad flash images and outputs that name inputs, through the batch runner:
# each case must end with the expected status and message and leave the input
# file byte for byte as it was.
# usage: bad_files_test.sh KLX80_BATCH TEMPLATE_IMAGE [--device-png]
# With --device-png only the cases of the device window's picture run (they
# need klx80-shot, which a build without Qt lacks).
set -uo pipefail
batch=$1 template=$2 only_device=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# A device node is never read whole (it may be endless): its type stands in.
hash_of() {
  if [ -f "$1" ]; then sha256sum "$1" | cut -c1-16; else stat -c %F "$1"; fi
}

# check NAME EXPECTED_STATUS MESSAGE_PATTERN INPUT_FILE -- ARGS...
check() {
  local name=$1 want=$2 pattern=$3 input=$4
  shift 5
  local before after status
  before=$(hash_of "$input")
  if [ -n "${FILE_LIMIT_KB:-}" ]; then
    (trap '' XFSZ; ulimit -f "$FILE_LIMIT_KB"; exec "$batch" "$@") >"$work/out" 2>"$work/err"
  else
    "$batch" "$@" >"$work/out" 2>"$work/err"
  fi
  status=$?
  after=$(hash_of "$input")
  local line
  line=$(grep -m1 -E "$pattern" "$work/err")
  if [ "$status" = "$want" ] && [ -n "$line" ] && [ "$before" = "$after" ]; then
    passed=$((passed + 1))
    echo "ok   $name: exit $status, input $before -> $after: $line"
  else
    failed=$((failed + 1))
    echo "FAIL $name: exit $status (want $want), input $before -> $after"; cat "$work/err"
  fi
}

cp "$template" "$work/image.hex"
echo "TEXT:HI" >"$work/keys.txt"

if [ "$only_device" = --device-png ]; then
  check "--device-png names the image" 2 "names the flash image" "$work/image.hex" -- \
    --flash "$work/image.hex" --device-png "$work/image.hex"
  check "--device-png names the script" 2 "names the script" "$work/keys.txt" -- \
    --flash "$work/image.hex" --script "$work/keys.txt" --device-png "$work/keys.txt"
  # A write that fails part way (files limited to 4 KiB, the signal ignored so
  # the write returns EFBIG) leaves the old picture as it was and no temporary.
  echo "old picture" >"$work/old.png"
  FILE_LIMIT_KB=4 check "--device-png write fails part way" 1 "cannot write" "$work/old.png" -- \
    --flash "$work/none.hex" --device-png "$work/old.png"
  FILE_LIMIT_KB=4 check "--device-png new file fails part way" 1 "cannot write" "$work/keys.txt" -- \
    --flash "$work/none.hex" --device-png "$work/new.png"
  leftovers=$(find "$work" -name '*.png*' ! -name old.png)
  [ -z "$leftovers" ] || { echo "FAIL partial files left: $leftovers"; failed=$((failed + 1)); }
  echo "$passed passed, $failed failed"
  [ "$failed" = 0 ]
  exit
fi
: >"$work/empty.hex"
printf 'x' >"$work/one.hex"
head -c $((0xF0000)) "$template" >"$work/short.hex"
check "0-byte image" 0 "0 bytes, not a flash image" "$work/empty.hex" -- --flash "$work/empty.hex" --keys "TEXT:A"
check "1-byte image" 0 "1 bytes, not a flash image" "$work/one.hex" -- --flash "$work/one.hex" --keys "TEXT:A"
check "0xF0000-byte image" 0 "983040 bytes, not a flash image" "$work/short.hex" -- --flash "$work/short.hex" --keys "TEXT:A"
check "device node as image" 2 "character device" /dev/zero -- --flash /dev/zero --keys "TEXT:A"
truncate -s 20M "$work/huge.hex"
check "device node as script" 2 "script file: '/dev/zero' is a character device" /dev/zero -- --flash "$work/image.hex" --script /dev/zero
check "20 MiB image" 2 "far too large" "$work/huge.hex" -- --flash "$work/huge.hex"
check "--lcd-png names the image" 2 "names the flash image" "$work/image.hex" -- --flash "$work/image.hex" --lcd-png "$work/image.hex"
check "--tape-pbm names the script" 2 "names the script" "$work/keys.txt" -- --flash "$work/image.hex" --script "$work/keys.txt" --tape-pbm "$work/keys.txt"
ln -s image.hex "$work/link.png"
check "--lcd-png is a link to the image" 2 "names the flash image" "$work/image.hex" -- --flash "$work/image.hex" --lcd-png "$work/link.png"
check "SNAP names the image" 2 "names the flash image" "$work/image.hex" -- --flash "$work/image.hex" --keys "SNAP:$work/image.hex"
cp "$template" "$work/ro.hex" && chmod 444 "$work/ro.hex"
check "read-only image" 0 "read-only: changes cannot be saved" "$work/ro.hex" -- --flash "$work/ro.hex" --keys "TEXT:A"
[ "$(stat -c %s "$work/one.hex")" = 1 ] || { echo "FAIL the 1-byte image grew"; failed=$((failed + 1)); }
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
