#!/usr/bin/env bash
# The Debian package of this build, unpacked into a clean root with dpkg -x
# (no container, nothing installed on the machine): every part is in it, its
# desktop entry and metadata validate, and the installed program starts from
# there (offscreen), plays a key script and keeps the label in its image; the
# installed batch runner and Python module work too.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null) || fail "cpack made no package"
deb=$(ls "$work"/out/klx80_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | sort > "$work/files"
cat "$work/files"
root="$work/root"
dpkg -x "$deb" "$root"
for f in bin/klx80 bin/klx80-batch bin/klx80-flash bin/klx80-shot bin/klx80-animate share/klx80/fontData.hex \
         share/doc/klx80/user-guide.md share/applications/org.klx80.Simulator.desktop \
         share/metainfo/org.klx80.Simulator.metainfo.xml share/icons/hicolor/scalable/apps/org.klx80.Simulator.svg \
         share/mime/packages/klx80-key-script.xml; do
  [ -e "$root/usr/$f" ] || fail "the package has no /usr/$f"
done
ls "$root"/usr/lib/python3*/dist-packages/klx80/_native*.so >/dev/null 2>&1 || fail "the package has no Python module"
desktop-file-validate "$root/usr/share/applications/org.klx80.Simulator.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.klx80.Simulator.metainfo.xml" || fail "AppStream metadata"

# The installed program, started from the unpacked root on a copy of the
# installed template, plays a script; a SIGTERM closes it as its window's
# close does, the label kept in the image.
mkdir "$work/home"
cd "$work/home"
cp "$root/usr/share/klx80/fontData.hex" image.hex
chmod u+w image.hex
printf 'TEXT:PKG\n' > typed.klx80keys
export HOME="$work/home" QT_QPA_PLATFORM=offscreen
"$root/usr/bin/klx80" --version | grep -q firmware || fail "klx80 --version"
"$root/usr/bin/klx80" --flash image.hex --play typed.klx80keys --speed max 2> klx80.err &
pid=$!
for _ in $(seq 600); do
  grep -q "klx80: played" klx80.err && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "klx80: played" klx80.err || fail "the script was not played: $(cat klx80.err)"
kill -TERM "$pid" 2>/dev/null || fail "klx80 ended by itself: $(cat klx80.err)"
wait "$pid" || fail "klx80 did not close cleanly: $(cat klx80.err)"
state=$("$root/usr/bin/klx80-batch" --flash image.hex --state)
echo "$state" | grep -q '"PKG"' || fail "the played label is not in the image: $state"
PYTHONPATH=$(echo "$root"/usr/lib/python3*/dist-packages) python3 -c 'import klx80' || fail "import klx80"
echo "package test passed"
