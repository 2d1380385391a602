#!/usr/bin/env bash
# The README's loop over several Wine prefixes, run as it stands against two
# prefixes made from the project's own (their own registry files, the same
# drive): one holding a value that names a missing file, one without it.
# Run as: wine_prefixes.sh <varnholt-cli.exe> <README.md>
set -euo pipefail
exe=$1
readme=$2
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
work=$(mktemp -d)
prefixes=$work/prefixes
cleanup() {
  for p in "$prefixes"/*/; do WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT

for name in clean dirty; do
  p=$prefixes/$name
  mkdir -p "$p"
  cp "$WINEPREFIX"/*.reg "$WINEPREFIX"/.update-timestamp "$p"/
  cp -a "$WINEPREFIX"/dosdevices "$p"/
  ln -s "$WINEPREFIX"/drive_c "$p"/drive_c
  # Each prefix's server and background processes away from this script's
  # output, which the test runner reads to its end.
  WINEPREFIX=$p wineserver -p 60 </dev/null >/dev/null 2>&1
  WINEPREFIX=$p wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
done
WINEPREFIX=$prefixes/dirty wine reg add 'HKCU\Software\VarnholtPrefixes' /v app /d 'C:\Varnholt Gone\app.exe' /f \
  </dev/null >/dev/null 2>&1

# The loop as the README gives it, over this folder of prefixes.
loop=$(sed -n '/^      for prefix in/,/^      done/p' "$readme" | sed -e 's/^      //' -e "s|~/.local/share/wineprefixes|$prefixes|")
[ -n "$loop" ] || { echo "no loop over prefixes in $readme"; exit 1; }
cd "$work"
cp "$exe" varnholt-cli.exe
set +e  # the scans exit 1 where they list findings, as the loop expects
eval "$loop" </dev/null >loop.log 2>&1
set -e
cat loop.log

status=0
grep -q "VarnholtPrefixes" report-dirty.json || { echo "dirty prefix: finding missing"; status=1; }
if grep -q "VarnholtPrefixes" report-clean.json; then echo "clean prefix: finding of the other prefix"; status=1; fi
grep -q '"command": "scan"' report-clean.json || { echo "clean prefix: no report"; status=1; }
grep -q "dirty/: exit 1" loop.log || { echo "dirty prefix: exit code not 1"; status=1; }
exit $status
