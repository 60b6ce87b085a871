#!/usr/bin/env bash
# Builds the Debian package and checks it with lintian.  usage: package-test.sh BUILD_DIR
set -euo pipefail
build=$1
if ! command -v lintian >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "SKIPPED: lintian or dpkg-shlibdeps is not installed"
  exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
package=$(ls "$out"/pausalo_*.deb)
depends=$(dpkg-deb --field "$package" Depends)
contents=$(dpkg-deb --contents "$package")
# The package that holds Qt's SVG image plugin here (the icons).
svgPlugin=$(dpkg-query -S '*/qt6/plugins/imageformats/libqsvg.so' | cut -d : -f 1 | head -n 1)
for needed in libqt6widgets6 libqt6svg6 libxcb-xinput0 "$svgPlugin"; do
  grep -q "$needed" <<<"$depends" || { echo "FAIL: no dependency on $needed: $depends"; exit 1; }
done
grep -q './usr/lib/pausalo/librasKB50.so' <<<"$contents" || { echo "FAIL: no hook library in the package"; exit 1; }
# Errors fail the test; warnings are listed.
lintian --fail-on error --suppress-tags no-manual-page "$package"
echo "package $(basename "$package") passes lintian"
