#!/usr/bin/env bash
# The golden suite's verdicts: a suite of cases that pass, differ, fail to run
# and are new, run with two workers and then in one process. Checks the
# summary line, the exit status, the diff pictures, results.json, and that
# --rebaseline writes the missing golden and leaves the suite passing; and
# the project's goldens in reverse order, all in one process.
# usage: suite_test.sh KLX80_BATCH TEMPLATE_IMAGE GOLDEN_SCRIPTS_DIR
set -uo pipefail
batch=$1 image=$2 goldens=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
suite=$work/suite
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$suite/group/same" "$suite/differs" "$suite/bad_token" "$suite/new"
cp "$goldens"/editor_hello_world/{keys.txt,lcd.png,state.json} "$suite/group/same/"
printf 'TEXT:HELLO\n' >"$suite/differs/keys.txt"
cp "$goldens/editor_hello_world/lcd.png" "$suite/differs/"
printf 'TEXT:A NO_SUCH_KEY\n' >"$suite/bad_token/keys.txt"
cp "$goldens/editor_hello_world/lcd.png" "$suite/bad_token/"
printf '# outputs: tape.pbm\nTEXT:AB PRINT\n' >"$suite/new/keys.txt"

for jobs in 2 1; do
  out=$work/out$jobs
  "$batch" --flash "$image" --suite "$suite" --work "$out" --jobs $jobs >"$work/stdout" 2>&1
  status=$?
  [ $status = 1 ] || fail "jobs $jobs: exit $status, want 1"
  [ "$(tail -n1 "$work/stdout")" = "1 passed, 3 failed" ] || fail "jobs $jobs: summary '$(tail -n1 "$work/stdout")'"
  grep -q "^FAIL differs: .*pixels differ" "$work/stdout" || fail "jobs $jobs: no pixel message"
  grep -q "^FAIL bad_token: keys.txt: .*NO_SUCH_KEY" "$work/stdout" || fail "jobs $jobs: no token message"
  grep -q "^FAIL new: .*no golden yet" "$work/stdout" || fail "jobs $jobs: no missing-golden message"
  [ -s "$out/differs/lcd.diff.png" ] || fail "jobs $jobs: no diff picture"
  [ ! -e "$out/group/same/lcd.diff.png" ] || fail "jobs $jobs: diff picture for a passing case"
  python3 - "$out/results.json" <<'PY' || fail "jobs $jobs: results.json"
import json, sys
r = json.load(open(sys.argv[1]))
assert (r["passed"], r["failed"]) == (1, 3), r
assert [c["name"] for c in r["cases"]] == ["bad_token", "differs", "group/same", "new"], r
assert [c["ok"] for c in r["cases"]] == [False, False, True, False], r
PY
done

"$batch" --flash "$image" --suite "$suite/new" --work "$work/rebase" --rebaseline >"$work/stdout" 2>&1 ||
  fail "rebaseline: exit $?"
[ -s "$suite/new/tape.pbm" ] || fail "rebaseline wrote no tape.pbm"
"$batch" --flash "$image" --suite "$suite/new" --work "$work/again" >"$work/stdout" 2>&1 || fail "after rebaseline"
[ "$(tail -n1 "$work/stdout")" = "1 passed, 0 failed" ] || fail "after rebaseline: $(tail -n1 "$work/stdout")"

# A case's own flash.hex that is no image fails the case with the reason.
bad=$work/bad_images
for kind in dir dangling device; do
  mkdir -p "$bad/$kind" && cp "$goldens"/editor_hello_world/{keys.txt,lcd.png,state.json} "$bad/$kind/"
done
mkdir "$bad/dir/flash.hex"
ln -s nowhere.hex "$bad/dangling/flash.hex"
ln -s /dev/zero "$bad/device/flash.hex"
"$batch" --flash "$image" --suite "$bad" --work "$work/bad-out" >"$work/stdout" 2>&1
[ "$(tail -n1 "$work/stdout")" = "0 passed, 3 failed" ] || fail "own images that are none: $(cat "$work/stdout")"
grep -q "^FAIL dir: .*is a directory" "$work/stdout" && grep -q "^FAIL dangling: .*leads to no file" "$work/stdout" &&
  grep -q "^FAIL device: .*character device" "$work/stdout" || fail "own images: $(cat "$work/stdout")"

# --rebaseline writes nothing through a golden or a case folder that leads
# out of the suite; a new case without goldens or "# outputs:" records the
# screen and the state.
outside=$work/outside
mkdir -p "$outside" "$work/links/golden_link" "$work/links/plain"
cp -r "$goldens/editor_hello_world" "$outside/case"
echo keep >"$outside/lcd.png"
printf 'TEXT:A\n' >"$work/links/golden_link/keys.txt"
ln -s "$outside/lcd.png" "$work/links/golden_link/lcd.png"
ln -s "$outside/case" "$work/links/folder_link"
printf 'TEXT:HI\n' >"$work/links/plain/keys.txt"
before=$(cat "$outside"/case/* | sha256sum)
"$batch" --flash "$image" --suite "$work/links" --work "$work/links-out" --rebaseline >"$work/stdout" 2>&1
[ "$(cat "$outside/lcd.png")" = keep ] && [ "$(cat "$outside"/case/* | sha256sum)" = "$before" ] ||
  fail "rebaseline wrote outside the suite"
grep -q "^FAIL folder_link: .*leads out of the suite" "$work/stdout" &&
  grep -q "^FAIL golden_link: .*leads out of the suite" "$work/stdout" || fail "links out: $(cat "$work/stdout")"
[ -s "$work/links/plain/lcd.png" ] && [ -s "$work/links/plain/state.json" ] &&
  grep -q "rebaselined .*plain/state.json" "$work/stdout" || fail "new case: $(cat "$work/stdout")"

"$batch" --flash "$image" --suite "$suite" --work "$suite/out" >"$work/stdout" 2>&1
[ $? = 2 ] && grep -q "lies in the suite" "$work/stdout" || fail "work folder inside the suite accepted"
# The project's goldens in reverse order in one process: a case must find the
# device as a fresh process would, whatever ran before it.
mkdir "$work/reversed"
n=100
for case in $(ls "$goldens" | sort -r); do
  [ -f "$goldens/$case/keys.txt" ] && ln -s "$goldens/$case" "$work/reversed/$n-$case" && n=$((n + 1))
done
"$batch" --flash "$image" --suite "$work/reversed" --work "$work/reversed-out" --jobs 1 >"$work/stdout" 2>&1 ||
  fail "reversed goldens: $(grep -m3 FAIL "$work/stdout")"
# A work folder on a disk that fills up: the results cannot be kept, so the
# run fails, whatever its cases did (a small tmpfs with one page left; skipped
# where nothing can be mounted).
mkdir "$work/full"
if mount -t tmpfs -o size=64k tmpfs "$work/full" 2>/dev/null; then
  head -c $((60 * 1024)) /dev/zero >"$work/full/filler" 2>/dev/null
  mkdir "$work/full/out"
  "$batch" --flash "$image" --suite "$work/reversed" --work "$work/full/out" --jobs 1 >"$work/stdout" 2>&1
  status=$?
  umount "$work/full"
  [ $status = 1 ] && grep -q "cannot write .*results.json" "$work/stdout" ||
    fail "a full disk: exit $status: $(tail -n2 "$work/stdout")"
else
  echo "skip: no tmpfs could be mounted for the full disk"
fi
echo "suite verdicts ok"
