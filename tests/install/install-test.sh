#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree elsewhere, checks
# its files and metadata, and starts the installed program on the display:
# its window is mapped, Start loads the hook libraries from the installed
# tree and the program goes to the tray.  usage: install-test.sh BUILD_DIR
set -euo pipefail
# The installed tree must find its libraries by itself.
unset LD_LIBRARY_PATH
build=$1
work=$(mktemp -d)
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Started from the build tree, the program and its libraries look in no
# folder the user happens to be in: no RUNPATH entry is empty.
for file in "$build/app/pausalo" "$build"/lib/lib{pausalomsg,rasKB50,rasM50}.so; do
  runpath=$(readelf -d "$file" | sed -n 's/.*Library runpath: \[\(.*\)\]/\1/p')
  if [ -n "$runpath" ] && [[ ":$runpath:" == *::* ]]; then fail "$file has an empty RUNPATH entry: $runpath"; fi
done

cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/moved"  # the tree must not depend on where it was put
prefix=$work/moved
libdir=$prefix/lib/pausalo

for file in bin/pausalo lib/pausalo/librasKB50.so lib/pausalo/librasM50.so lib/pausalo/libpausalomsg.so \
  share/applications/org.pausalo.Pausalo.desktop share/metainfo/org.pausalo.Pausalo.metainfo.xml \
  share/icons/hicolor/scalable/apps/org.pausalo.Pausalo.svg \
  share/icons/hicolor/16x16/apps/org.pausalo.Pausalo.png share/icons/hicolor/48x48/apps/org.pausalo.Pausalo.png \
  share/icons/hicolor/256x256/apps/org.pausalo.Pausalo.png; do
  [ -f "$prefix/$file" ] || fail "the installed tree lacks $file"
done
for library in librasKB50.so librasM50.so; do
  resolved=$(ldd "$libdir/$library")
  grep -q "$libdir/libpausalomsg.so" <<<"$resolved" || fail "$library does not find libpausalomsg.so beside it"
done
if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
  echo "SKIPPED metadata checks: desktop-file-validate or appstreamcli is not installed"
else
  desktop-file-validate "$prefix/share/applications/org.pausalo.Pausalo.desktop"
  # Every error and warning fails, but the missing homepage (a warning from
  # appstreamcli 1.0 on, which older releases do not know): there is none yet.
  report=$(appstreamcli validate --no-net --format=yaml "$prefix/share/metainfo/org.pausalo.Pausalo.metainfo.xml" || true)
  grep -q '^Passed:' <<<"$report" || fail "appstreamcli gave no report: $report"
  refused=$(awk '/^- tag:/ { tag = $3 } /^  severity: (error|warning)$/ && tag != "url-homepage-missing" { print tag }' \
    <<<"$report")
  [ -z "$refused" ] || fail "appstreamcli refuses the metainfo file: $refused"
fi

"$prefix/bin/pausalo" &
program=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Pausalo$' | head -n 1) \
  || fail "the installed program's window was not mapped"
sleep 0.5
xdotool mousemove --window "$window" 50 250 click 1  # Start
for _ in $(seq 100); do
  if grep -q "$libdir/librasM50.so" "/proc/$program/maps" \
    && ! xdotool search --onlyvisible --name '^Pausalo$' >/dev/null; then
    break
  fi
  sleep 0.1
done
grep -q "$libdir/librasKB50.so" "/proc/$program/maps" || fail "the keyboard hook library was not loaded from $libdir"
grep -q "$libdir/librasM50.so" "/proc/$program/maps" || fail "the mouse hook library was not loaded from $libdir"
xdotool search --onlyvisible --name '^Pausalo 1.0$' >/dev/null && fail "an error box is showing"
xdotool search --onlyvisible --name '^Pausalo$' >/dev/null && fail "the program did not go to the tray"
echo "installed tree works from $prefix"
