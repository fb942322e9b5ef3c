#!/usr/bin/env bash
# Animations and languages through the batch runner, read back with tools of
# their own (ImageMagick, ffprobe): the frames and time the runner reports are
# what the files hold, the last frame is the run's --lcd-png, GIF, WebM and MP4
# of one run agree, --language changes the texts but not the image, and a
# suite case runs in its "# language:" line's language.
# usage: animation_test.sh KLX80_BATCH TEMPLATE_IMAGE [KLX80_SHOT]
set -uo pipefail
batch=$(realpath "$1") template=$(realpath "$2") shot=${3:+$(realpath "$3")}
for tool in identify convert compare ffprobe; do
  if ! command -v $tool >/dev/null; then
    echo "SKIP: $tool is not installed (ImageMagick and ffprobe read the animations back)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failed=0
ok() { echo "ok   $*"; }
bad() { echo "FAIL $*"; failed=1; }
expect() { if [ "$2" = "$3" ]; then ok "$1: $2"; else bad "$1: '$2', want '$3'"; fi; }
fresh() { cp "$template" image.hex; }

cat >demo.txt <<'SCRIPT'
# caption: Type a label
TICKS:40 TEXT:HI TICKS:100
# caption: Open the menu
MENU TICKS:100 DOWN TICKS:100
SCRIPT

# run NAME ARGS...: runs on a fresh image; sets frames and seconds from the report.
run() {
  local name=$1
  shift
  frames=0 seconds=0
  fresh
  if ! "$batch" --flash image.hex --script demo.txt "$@" 2>err.txt; then
    bad "$name: exit status"; cat err.txt; return
  fi
  read -r frames seconds < <(sed -n 's/.*: \([0-9]*\) frames, \([0-9.]*\) s$/\1 \2/p' err.txt)
}

# GIF of the LCD: count, delays, the caption band, the last frame.
run gif --animation a.gif --lcd-png lcd.png
expect "gif frames" "$(identify a.gif | wc -l)" "$frames"
expect "gif centiseconds" "$(identify -format '%T\n' a.gif | awk '{s += $1} END {print s}')" \
  "$(awk -v s="$seconds" 'BEGIN {printf "%d", s * 100 + 0.5}')"
expect "gif shortest delay >= 2" "$(identify -format '%T\n' a.gif | sort -n | head -1 | awk '{print ($1 >= 2)}')" 1
expect "gif size with captions" "$(identify -format '%Wx%H\n' a.gif | head -1)" "264x170"
convert a.gif -coalesce -delete 0--2 -crop 264x128+0+0 +repage last.png
expect "last frame = --lcd-png (differing pixels)" "$(compare -metric AE last.png lcd.png null: 2>&1)" 0
expect "a second run gives the same file" "$(run again --animation b.gif; cmp -s a.gif b.gif && echo same)" same

# Captions in any language, in a real font: each caption's band differs from
# the one of what a wrong character table made of it; a caption longer than
# the band's two lines is said.
band() {
  fresh
  printf '# caption: %s\nTEXT:A\n' "$1" >cap.txt
  "$batch" --flash image.hex --script cap.txt --animation cap.gif 2>cap-err.txt &&
    convert cap.gif -coalesce -delete 0--2 -crop 264x42+0+128 +repage "$2"
}
for pair in "Código|CŻdigo" "Grüße aus Köln|Gr¡Ùe aus Kºln" "5 €|5 ?"; do
  band "${pair%%|*}" right.png && band "${pair#*|}" wrong.png
  [ "$(compare -metric AE right.png wrong.png null: 2>&1)" != 0 ] && ok "caption '${pair%%|*}' drawn as itself" ||
    bad "caption '${pair%%|*}' drawn as '${pair#*|}'"
done
band "$(printf 'word %.0s' $(seq 40))" long.png
grep -q "needs more than the two lines under the LCD" cap-err.txt && ok "a long caption is said" ||
  bad "a long caption is not said: $(cat cap-err.txt)"

# WebM and MP4 of the same run: the same frames over the same time.
gif_frames=$frames gif_seconds=$seconds
for f in webm mp4; do
  run $f --animation a.$f
  expect "$f reported" "$frames $seconds" "$gif_frames $gif_seconds"
  expect "$f frames" "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 a.$f)" "$gif_frames"
  expect "$f duration" "$(ffprobe -v error -show_entries format=duration -of csv=p=0 a.$f | awk '{printf "%.2f", $1}')" \
    "$gif_seconds"
done

# Languages: German texts, the image as a run without --language leaves it.
fresh
"$batch" --flash image.hex --keys "MENU" --state >plain.json && cp image.hex plain.hex
fresh
"$batch" --flash image.hex --keys "MENU" --language 4 --state >german.json
expect "--language 4 shows German" "$(grep -o 'Symbole"' german.json)" 'Symbole"'
expect "--language 4 leaves the image as it was" "$(cmp -s image.hex plain.hex && echo same)" same

# A suite case in Dutch, and one whose language is not one.
mkdir -p suite/dutch suite/nine
printf '# outputs: state.json\n# language: 5\nMENU\n' >suite/dutch/keys.txt
printf '# outputs: state.json\n# language: 9\nMENU\n' >suite/nine/keys.txt
"$batch" --flash "$template" --suite suite --rebaseline --work results >suite.txt 2>&1
expect "suite case in Dutch" "$(grep -o 'Symbolen"' suite/dutch/state.json 2>/dev/null)" 'Symbolen"'
expect "suite case with language 9 refused" "$(grep -c 'takes a number from 0 to 5' suite.txt)" 1

# Refusals: an unknown ending, and the device picture without an animation.
"$batch" --animation a.png >/dev/null 2>err.txt
expect "--animation a.png" "$? $(grep -c 'does not end in .gif, .webm or .mp4' err.txt)" "2 1"
"$batch" --language 6 >/dev/null 2>err.txt
expect "--language 6" "$? $(grep -c 'from 0 to 5' err.txt)" "2 1"

# The whole device with the tape beside it (klx80-shot draws it).
if [ -n "$shot" ] && [ -x "$shot" ]; then
  run device --animation d.gif --animation-device --lcd-png lcd.png
  expect "device frames" "$(identify d.gif | wc -l)" "$frames"
  size=$(identify -format '%Wx%H\n' d.gif | head -1)
  expect "device picture larger than the LCD" "$(echo "$size" | awk -Fx '{print ($1 > 700 && $2 > 600)}')" 1
  # The LCD is drawn dot for dot at (48, 64); the lamps lie over its last 30 rows.
  convert d.gif -coalesce -delete 0--2 -crop 264x98+48+64 +repage device-lcd.png
  convert lcd.png -crop 264x98+0+0 +repage lcd-top.png
  expect "device's last LCD = --lcd-png (differing pixels)" "$(compare -metric AE device-lcd.png lcd-top.png null: 2>&1)" 0
else
  echo "SKIP: klx80-shot not built; the device picture's animation is not tested"
fi
exit $failed
