#!/usr/bin/env bash
# The suite runner in CI: shares that cover every case once, --list and
# --filter, JUnit XML read back by a JUnit parser, a case stopped by its
# timeout, and what a failing case says (state fields, both tape pictures,
# an output name that is none, a golden not yet made). Then the runner's
# common options: --version, --name=value, "-" as standard output, an
# option given twice, and a quiet device picture.
# usage: suite_ci_test.sh KLX80_BATCH TEMPLATE_IMAGE GOLDEN_SCRIPTS_DIR
set -uo pipefail
batch=$1 image=$2 goldens=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Three shares of the project's goldens: together every case, each once.
"$batch" --suite "$goldens" --list >"$work/all" || fail "--list"
for k in 1 2 3; do "$batch" --suite "$goldens" --list --shard $k/3 >>"$work/shares" || fail "--shard $k/3"; done
[ -s "$work/all" ] && [ "$(sort "$work/shares")" = "$(sort "$work/all")" ] || fail "shares differ from the whole"
[ "$(sort "$work/shares" | uniq -d)" = "" ] || fail "a case in two shares"
[ "$("$batch" --suite "$goldens" --list --filter 'serial_digits_*' --filter '*hello*' | tr '\n' ' ')" = \
  "editor_hello_world serial_digits_007_to_010 serial_digits_099_to_0100 serial_digits_8_to_12_by_2 serial_digits_9_to_10 " ] ||
  fail "--filter"

# A suite with one passing case and one of every kind of failure.
suite=$work/suite
mkdir -p "$suite"/{same,state_differs,tapes_differ,misspelt,new,endless}
cp "$goldens"/editor_hello_world/{keys.txt,lcd.png,state.json} "$suite/same/"
printf 'TEXT:HELLO ENTER TEXT:WORLF\n' >"$suite/state_differs/keys.txt"
cp "$goldens/editor_hello_world/state.json" "$suite/state_differs/"
printf '# outputs: tape.png tape.pbm\nTEXT:AB PRINT\n' >"$suite/tapes_differ/keys.txt"
"$batch" --flash "$image" --suite "$suite/tapes_differ" --work "$work/rebase" --rebaseline >/dev/null || fail "rebaseline"
printf 'TEXT:AC PRINT\n' >"$suite/tapes_differ/keys.txt"
printf '# outputs: lcd.pgn\nTEXT:A\n' >"$suite/misspelt/keys.txt"
printf '# outputs: lcd.png\nTEXT:A\n' >"$suite/new/keys.txt"
{ echo '# outputs: lcd.png'; for _ in $(seq 50); do echo TICKS:10000000; done; } >"$suite/endless/keys.txt"

out=$work/out
"$batch" --flash "$image" --suite "$suite" --work "$out" --junit "$work/junit.xml" --timeout 2 --jobs 2 >"$work/stdout" 2>&1
[ $? = 1 ] || fail "exit $?, want 1: $(cat "$work/stdout")"
[ "$(tail -n1 "$work/stdout")" = "1 passed, 5 failed" ] || fail "summary: $(cat "$work/stdout")"
expect=(
  "^FAIL state_differs: .*lines\[1\]: 'WORLF' != 'WORLD'"
  "^FAIL tapes_differ: .*tape.pbm: .*pixels differ"
  "^FAIL tapes_differ: .*tape.png: .*pixels differ"
  "^FAIL misspelt: keys.txt: \"# outputs:\" names 'lcd.pgn', which is no output"
  "^FAIL new: .*no golden yet"
  "^FAIL endless: ran longer than the timeout of 2 s"
)
for e in "${expect[@]}"; do grep -q "$e" "$work/stdout" || fail "no line '$e' in: $(cat "$work/stdout")"; done
[ -s "$out/tapes_differ/tape.diff.png" ] && [ -s "$out/tapes_differ/tape.pbm.diff.png" ] || fail "one diff picture per tape"
[ ! -e "$suite/misspelt/lcd.pgn" ] || fail "a misspelt output was written"

/usr/bin/python3 - "$work/junit.xml" <<'PY' || fail "JUnit XML"
import sys
from junitparser import JUnitXml, Failure
suite = next(iter(JUnitXml.fromfile(sys.argv[1])))
cases = {case.name: case for case in suite}
assert (suite.tests, suite.failures) == (6, 5), (suite.tests, suite.failures)
assert sorted(cases) == ["endless", "misspelt", "new", "same", "state_differs", "tapes_differ"], sorted(cases)
assert cases["same"].is_passed
failure = cases["state_differs"].result[0]
assert isinstance(failure, Failure) and "lines[1]: 'WORLF' != 'WORLD'" in failure.message, failure.message
PY

# Common options: --version, --name=value, "-" as standard output, twice refused.
"$batch" --version | grep -q "^klx80-batch [0-9.]*, firmware" || fail "--version"
cp "$image" "$work/run.hex"
"$batch" --flash="$work/run.hex" --keys=TEXT:HI --lcd-png - >"$work/lcd.png" || fail "--keys= and --lcd-png -"
[ "$(head -c 4 "$work/lcd.png" | tail -c 3)" = PNG ] || fail "--lcd-png - wrote no PNG to standard output"
[ ! -e ./- ] || fail "a file named '-' was written"
"$batch" --suite "$suite" --suite "$goldens" --list >/dev/null 2>"$work/err"
[ $? = 2 ] && grep -q "^klx80-batch: --suite is given twice" "$work/err" || fail "--suite twice: $(cat "$work/err")"
"$batch" --lcd-png - --state --keys A >/dev/null 2>"$work/err"
[ $? = 2 ] && grep -q "only one output may go to standard output" "$work/err" || fail "two outputs to stdout"
# The device picture (when klx80-shot is built) says nothing when all went well.
cp "$image" "$work/run.hex"
if env -u XDG_RUNTIME_DIR "$batch" --flash "$work/run.hex" --keys A --device-png "$work/d.png" 2>"$work/err"; then
  [ ! -s "$work/err" ] || fail "--device-png said: $(cat "$work/err")"
fi
echo "suite in CI ok"
