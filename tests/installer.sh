#!/usr/bin/env bash
# The MSI under Wine, in fresh prefixes of this test's own (never the
# project's or an exported one), made in a temporary folder and deleted at the
# end: a silent install (files, Start-menu shortcut, the "Installed apps"
# entry), the installed command line keeping the user's files in
# %LOCALAPPDATA%\Varnholt, a portable copy keeping them beside itself, an
# upgrade to a higher version, the README's loop over two prefixes with the
# program installed and a third without it, and a silent uninstall that
# leaves the user's files.
# Run as: installer.sh <msi> <msi of a higher version> <that version> <varnholt-cli.exe> <README.md>
set -euo pipefail
msi=$1 next_msi=$2 next_version=$3 cli=$4 readme=$5

work=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/varnholt-installer.XXXXXX")")
prefixes=$work/prefixes
first=$prefixes/first second=$prefixes/second
mkdir -p "$first" "$second" "$work/home"
: >"$work/wine.log"
# Wine links a new prefix's user folders to those of $HOME: keep them here.
export HOME=$work/home
# No Mono or Gecko offers, and no menu entries made on the Linux desktop for
# the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=-all WINEARCH=win64
unset WINEPREFIX
cleanup() {
  for p in "$first" "$second"; do WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true; done
  wait
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }
lacks() { ! grep -q "$@"; }

# A prefix made the way a user makes one. Its server and background
# processes run away from this script's output, which the test runner reads
# to its end.
make_prefix() {
  WINEPREFIX=$1 wineserver -p 60 </dev/null >/dev/null 2>&1
  WINEPREFIX=$1 wineboot -i </dev/null >/dev/null 2>&1
}
# A Windows program in the first prefix: its standard output, its exit code in $rc.
in_first() { rc=0; WINEPREFIX=$first wine "$@" </dev/null 2>>"$work/wine.log" || rc=$?; }

# The second prefix is needed only for the loop: it is made meanwhile.
make_prefix "$second" &
make_prefix "$first"

installed="$first/drive_c/Program Files/Varnholt"
program_cli='C:\Program Files\Varnholt\varnholt-cli.exe'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
product_code=$(msiinfo export "$msi" Property | sed -n 's/^ProductCode\t\([^\r]*\).*/\1/p')
version=$(msiinfo export "$msi" Property | sed -n 's/^ProductVersion\t\([^\r]*\).*/\1/p')
[ -n "$product_code" ] && [ -n "$version" ] || { echo "no product code or version in $msi"; exit 1; }

# The entries under "Installed apps" named Varnholt, one line each: its
# key's last part, its version and its publisher.
arp_entries() {
  WINEPREFIX=$first wine reg query "$uninstall" /s </dev/null 2>/dev/null | tr -d '\r' | awk '
    /^HKEY/ { key = $0; sub(/.*\\/, "", key); name = ""; ver = ""; pub = "" }
    /^    DisplayName / { name = substr($0, index($0, "REG_SZ") + 10) }
    /^    DisplayVersion / { ver = substr($0, index($0, "REG_SZ") + 10) }
    /^    Publisher / { pub = substr($0, index($0, "REG_SZ") + 10) }
    /^$/ && name == "Varnholt" { print key, ver, pub; name = "" }
    END { if (name == "Varnholt") print key, ver, pub }'
}
# The Start-menu shortcut: Windows puts a per-machine package's in the menu
# of all users; Wine puts it in the installing user's.
shortcuts() {
  find "$1/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
       "$1/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
       -maxdepth 1 -name 'Varnholt.lnk' 2>/dev/null
}

echo "== install $msi"
in_first msiexec /i "$msi" /qn
check "msiexec /i exits 0 (gave $rc)" [ "$rc" = 0 ]
for f in varnholt.exe varnholt-cli.exe bgmain.dll bgother.dll bgscan.dll installed.txt README.txt; do
  check "installed: $f" [ -f "$installed/$f" ]
done
check "nothing of the user's in Program Files" [ ! -e "$installed/ro.ini" ]
check "the Start-menu shortcut Varnholt" [ -n "$(shortcuts "$first")" ]
check "one entry under Installed apps: $product_code $version The Varnholt developers" \
  [ "$(arp_entries)" = "$product_code $version The Varnholt developers" ]
uninstall_string=$(WINEPREFIX=$first wine reg query "$uninstall\\$product_code" /v UninstallString </dev/null 2>/dev/null | tr -d '\r')
check "its uninstall: $uninstall_string" grep -qi "MsiExec.exe /X$product_code" <<<"$uninstall_string"
icon=$(WINEPREFIX=$first wine reg query 'HKLM\Software\Classes\Installer\Products' /s </dev/null 2>/dev/null |
       tr -d '\r' | sed -n 's/^    ProductIcon    REG_SZ    //p' | grep -i "$product_code" || true)
check "its icon: $icon" [ -s "$(WINEPREFIX=$first winepath -u "$icon" 2>/dev/null)" ]

# The event source: in the package's Registry table, and in the registry
# once installed, its messages in the installed program.
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Varnholt'
registered=$(msiinfo export "$msi" Registry | tr -d '\r' | awk -F'\t' '$2 == 2 && $4 == "EventMessageFile" &&
  $3 ~ /^SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Varnholt\\?$/ { print $5 }')
check "the MSI registers the event source: '$registered'" [ "$registered" = '[#varnholt.exe]' ]
message_file=$(WINEPREFIX=$first wine reg query "$source_key" /v EventMessageFile </dev/null 2>/dev/null | tr -d '\r' |
               sed -n 's/^    EventMessageFile    REG_[A-Z_]*SZ    //p')
check "the event source's messages are the installed program's: $message_file" \
  [ "$message_file" = 'C:\Program Files\Varnholt\varnholt.exe' ]

echo "== the installed command line keeps the user's files in %LOCALAPPDATA%\\Varnholt"
out=$(in_first "$program_cli" --version | tr -d '\r')
data=$(sed -n 's/^Data folder: //p' <<<"$out")
check "--version names the data folder: $out" grep -q '\\AppData\\Local\\Varnholt$' <<<"$data"
data_unix=$(realpath "$(WINEPREFIX=$first winepath -u "$data" 2>/dev/null)")
check "the data folder is the prefix's own and made: $data_unix" [ -d "$data_unix" ]
case $data_unix in "$first"/drive_c/users/*) ;; *) fail "data folder outside the prefix's users: $data_unix" ;; esac

WINEPREFIX=$first wine reg add 'HKCU\Software\VarnholtInstalled' /v gone /d 'C:\Varnholt Gone\gone.exe' /f </dev/null >/dev/null 2>&1
WINEPREFIX=$first wine reg add 'HKCU\Software\VarnholtInstalled' /v kept /d 'C:\Varnholt Gone\kept.exe' /f </dev/null >/dev/null 2>&1
printf 'value\tHKEY_CURRENT_USER\tSoftware\\VarnholtInstalled\tkept\r\n' >"$data_unix/ignore.txt"
in_first "$program_cli" scan --format json --output 'C:\scan.json'
check "scan exits 1, findings listed (gave $rc)" [ "$rc" = 1 ]
report=$(cat "$first/drive_c/scan.json")
check "the scan lists the planted value" grep -q '"value": "gone"' <<<"$report"
check "the scan leaves out what the user's ignore list keeps" lacks '"value": "kept"' <<<"$report"
in_first "$program_cli" repair --categories software >/dev/null
check "repair exits 0 (gave $rc)" [ "$rc" = 0 ]
check "the record in the user's profile" grep -q '^FixedCount=' "$data_unix/ro.ini"
check "the backup in the user's RegBackups" [ "$(ls "$data_unix/RegBackups" | wc -l)" = 1 ]
check "nothing of the user's beside the installed program" \
  [ "$(ls "$installed" | sort | tr '\n' ' ')" = "README.txt bgmain.dll bgother.dll bgscan.dll installed.txt varnholt-cli.exe varnholt.exe " ]

echo "== the README's scheduled task, as far as Wine runs it"
# Wine keeps no scheduled tasks and its icacls changes nothing: the folder
# is made and the task's command run as the README writes them.
readme_text=$(tr -d '\r' <"$readme")
make_folder=$(sed -n 's/^ *\(mkdir "%ProgramData%\\[^"]*"\)$/\1/p' <<<"$readme_text")
task=$(sed -n 's/^ *\/TR "\(.*\)"$/\1/p' <<<"$readme_text" | sed 's/\\"/"/g')
check "the task runs the installed program: $task" grep -q '^"C:\\Program Files\\Varnholt\\varnholt-cli.exe" ' <<<"$task"
check "the folder is made under ProgramData: $make_folder" [ -n "$make_folder" ]
printf '%s\r\n' "$make_folder" >"$first/drive_c/make-folder.cmd"
in_first cmd /c 'C:\make-folder.cmd' >/dev/null
eval "task_words=($task)"
in_first "${task_words[@]}" >/dev/null
check "the task's scan exits 0 or 1 (gave $rc)" [ "$rc" = 0 -o "$rc" = 1 ]
check "the task's report in its folder" [ -s "$first/drive_c/ProgramData/Varnholt Reports/report.csv" ]

echo "== a portable copy keeps its files beside itself"
portable=$work/portable
mkdir -p "$portable"
cp "$cli" "$portable/varnholt-cli.exe"
for v in one two; do
  WINEPREFIX=$first wine reg add 'HKCU\Software\VarnholtPortable' /v $v /d "C:\\Varnholt Gone\\$v.exe" /f </dev/null >/dev/null 2>&1
done
out=$(in_first "$portable/varnholt-cli.exe" --version | tr -d '\r')
check "--version names the portable folder: $out" \
  [ "$(realpath "$(WINEPREFIX=$first winepath -u "$(sed -n 's/^Data folder: //p' <<<"$out")" 2>/dev/null)")" = "$portable" ]
cp "$data_unix/ro.ini" "$work/installed-ro.ini"
in_first "$portable/varnholt-cli.exe" repair --categories software --format json --output 'C:\portable.json'
check "portable repair exits 0 (gave $rc)" [ "$rc" = 0 ]
check "the portable record beside the executable" grep -q '^FixedCount=' "$portable/ro.ini"
check "the portable backup beside the executable" [ "$(ls "$portable/RegBackups" | wc -l)" = 1 ]
check "the installed copy's profile untouched" cmp -s "$data_unix/ro.ini" "$work/installed-ro.ini"
check "the portable copy reads no other copy's ignore list" grep -q '"value": "kept"' "$first/drive_c/portable.json"

echo "== upgrade to $next_version"
in_first msiexec /i "$next_msi" /qn
check "msiexec /i of $next_version exits 0 (gave $rc)" [ "$rc" = 0 ]
next_code=$(msiinfo export "$next_msi" Property | sed -n 's/^ProductCode\t\([^\r]*\).*/\1/p')
check "one entry, the new version: $(arp_entries | tr '\n' ';')" \
  [ "$(arp_entries)" = "$next_code $next_version The Varnholt developers" ]
check "the program still installed" [ -f "$installed/varnholt-cli.exe" ]
check "the user's files kept" [ -f "$data_unix/ignore.txt" ]

echo "== the README's loops over several prefixes"
# The README's two loops, as written there: the install loop first, the
# scan loop second.
readme_loop() {
  awk -v n="$1" '/^      \($/ { block++ } block == n { print } block == n && /^      \)$/ { exit }' "$readme" |
    sed -e 's/^      //'
}
install_loop=$(readme_loop 1) loop=$(readme_loop 2)
grep -q 'msiexec' <<<"$install_loop" || { echo "no install loop over prefixes in $readme"; exit 1; }
run_install_loop() {  # the install loop over the prefixes under $1 with the MSI $2; its exit code in $rc
  local text=${install_loop//\~\/.local\/share\/wineprefixes/$1}
  rc=0
  eval "${text//build\/windows\/varnholt-\*-win64.msi/$2}" </dev/null >"$work/install-loop.log" 2>&1 || rc=$?
}
wait
# The second prefix only: the first holds that version already.
mkdir -p "$work/install-only"
ln -s "$second" "$work/install-only/second"
run_install_loop "$work/install-only" "$next_msi"
check "the install loop exits 0 (gave $rc): $(tail -n 2 "$work/install-loop.log")" [ "$rc" = 0 ]
run_install_loop "$work/install-only" "$msi"
check "the install loop stops where the older MSI is refused (gave $rc)" [ "$rc" = 2 ]
check "it says so" grep -q 'could not install .*: stopped' "$work/install-loop.log"
# Each prefix lists its own value, and ignores the other's: one ignore list
# shared by both would hide a value in one of them.
WINEPREFIX=$first wine reg add 'HKCU\Software\VarnholtLoop' /v first /d 'C:\Varnholt Gone\first.exe' /f </dev/null >/dev/null 2>&1
WINEPREFIX=$second wine reg add 'HKCU\Software\VarnholtLoop' /v second /d 'C:\Varnholt Gone\second.exe' /f </dev/null >/dev/null 2>&1
printf 'value\tHKEY_CURRENT_USER\tSoftware\\VarnholtLoop\tsecond\r\n' >>"$data_unix/ignore.txt"
second_data="$second/drive_c/users/$(id -un)/AppData/Local/Varnholt"
mkdir -p "$second_data"
printf 'value\tHKEY_CURRENT_USER\tSoftware\\VarnholtLoop\tfirst\r\n' >"$second_data/ignore.txt"

grep -q 'wineprefixes' <<<"$loop" || { echo "no loop over prefixes in $readme"; exit 1; }
run_loop() {  # the loop over the prefixes under $1, run in $2; its exit code in $rc
  mkdir -p "$2"
  rc=0
  (cd "$2" && eval "${loop//\~\/.local\/share\/wineprefixes/$1}") </dev/null >"$2.log" 2>&1 || rc=$?
  cat "$2.log"
}
run_loop "$prefixes" "$work/reports"
check "the loop exits 0 (gave $rc)" [ "$rc" = 0 ]
check "the first prefix lists its own value" grep -q '"value": "first"' "$work/reports/report-first.json"
check "the second prefix lists its own value" grep -q '"value": "second"' "$work/reports/report-second.json"
check "two reports" [ "$(ls "$work/reports")" = "$(printf 'report-first.json\nreport-second.json')" ]

# A prefix without the program: loudly, and no report.
mkdir -p "$work/bare/bare"
run_loop "$work/bare" "$work/bare-reports"
check "the loop exits non-zero without the program (gave $rc)" [ "$rc" != 0 ]
check "it says why" grep -q 'not installed' "$work/bare-reports.log"
check "no report without the program" [ -z "$(ls "$work/bare-reports")" ]
check "Wine made no prefix there" [ -z "$(ls "$work/bare/bare")" ]

echo "== uninstall"
in_first msiexec /x "$next_msi" /qn
check "msiexec /x exits 0 (gave $rc)" [ "$rc" = 0 ]
check "the program folder gone" [ ! -e "$installed" ]
check "the shortcut gone" [ -z "$(shortcuts "$first")" ]
check "no entry under Installed apps" [ -z "$(arp_entries)" ]
if WINEPREFIX=$first wine reg query "$source_key" </dev/null >/dev/null 2>&1; then fail "the event source left behind"; fi
for f in ro.ini ignore.txt RegBackups; do check "the user's $f kept" [ -e "$data_unix/$f" ]; done

[ "$failures" = 0 ] || { echo "installer: $failures checks failed; Wine said:"; tail -n 20 "$work/wine.log"; exit 1; }
echo "installer: every check passed"
