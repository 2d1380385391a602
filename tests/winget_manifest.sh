#!/usr/bin/env bash
# The winget manifest in a folder: in each of its three files the schema
# version (1.12.0, the newest that winget lists; 1.6.0 and its like are
# deprecated there), the fields that schema requires, with the values it
# allows, and one package and version throughout. Given the MSI, the
# version, hash and product code are that package's.
# Run as: winget_manifest.sh <folder> [<msi>]
set -euo pipefail
dir=$1 msi=${2:-}
version_file=$dir/Varnholt.Varnholt.yaml
installer_file=$dir/Varnholt.Varnholt.installer.yaml
locale_file=$dir/Varnholt.Varnholt.locale.en-US.yaml
status=0
fail() { echo "FAIL: $*"; status=1; }

# A field's value, quotes taken off: a top-level one, or with INSTALLER an
# installer's (in the list under Installers).
field() {
  local file=$1 name=$2 indent='' ; [ "${3:-}" = INSTALLER ] && indent='  [ -] '
  sed -n "s/^${indent}${name}: *//p" "$file" | tr -d "\r" | sed -e "s/^'\(.*\)'$/\1/" | head -1
}
# require FILE NAME PATTERN [INSTALLER]: the field is there and matches.
require() {
  local value; value=$(field "$1" "$2" "${4:-}")
  [ -n "$value" ] || { fail "$(basename "$1"): no $2"; return; }
  grep -Eq "^($3)\$" <<<"$value" || fail "$(basename "$1"): $2 '$value' is not $3"
}

identifier='[^.[:space:]\\/:*?"<>|]{1,32}(\.[^.[:space:]\\/:*?"<>|]{1,32}){1,7}'
package_version='[^\\/:*?"<>|]+'
schema=1.12.0
declare -A schema_type=(["$version_file"]=version ["$installer_file"]=installer ["$locale_file"]=defaultLocale)
for file in "$version_file" "$installer_file" "$locale_file"; do
  [ -f "$file" ] || { fail "no $file"; continue; }
  require "$file" PackageIdentifier "$identifier"
  require "$file" PackageVersion "$package_version"
  require "$file" ManifestVersion "${schema//./\\.}"
  grep -qx "# yaml-language-server: \\\$schema=https://aka.ms/winget-manifest.${schema_type[$file]}.$schema.schema.json" \
    <(tr -d '\r' <"$file") || fail "$(basename "$file"): no schema line of $schema"
done
require "$version_file" DefaultLocale 'en-US'
require "$version_file" ManifestType 'version'
require "$installer_file" ManifestType 'installer'
grep -q '^Installers:' "$installer_file" || fail "installer: no Installers"
require "$installer_file" Architecture 'x86|x64|arm|arm64|neutral' INSTALLER
require "$installer_file" InstallerUrl 'https?://.+' INSTALLER
require "$installer_file" InstallerSha256 '[A-Fa-f0-9]{64}' INSTALLER
require "$installer_file" InstallerType 'msi'
require "$installer_file" Scope 'machine'
require "$installer_file" ProductCode '\{[0-9A-F-]{36}\}' INSTALLER
grep -q '^  Silent: /qn' "$installer_file" || fail "installer: no silent switch /qn"
require "$locale_file" ManifestType 'defaultLocale'
require "$locale_file" PackageLocale 'en-US'
require "$locale_file" Publisher '.{2,256}'
require "$locale_file" PackageName '.{2,256}'
require "$locale_file" License '.{3,512}'
require "$locale_file" ShortDescription '.{3,256}'
for name in PackageIdentifier PackageVersion; do
  values=$(for f in "$version_file" "$installer_file" "$locale_file"; do field "$f" $name; done | sort -u | wc -l)
  [ "$values" = 1 ] || fail "the three files disagree on $name"
done

if [ -n "$msi" ]; then
  property() { msiinfo export "$msi" Property | tr -d '\r' | sed -n "s/^$1\t//p"; }
  [ "$(field "$installer_file" PackageVersion)" = "$(property ProductVersion)" ] || fail "not the MSI's version"
  [ "$(field "$installer_file" ProductCode INSTALLER)" = "$(property ProductCode)" ] || fail "not the MSI's product code"
  sha=$(sha256sum "$msi" | cut -d' ' -f1)
  [ "$(field "$installer_file" InstallerSha256 INSTALLER)" = "${sha^^}" ] || fail "not the MSI's hash"
  grep -q "/$(basename "$msi")\$" <<<"$(field "$installer_file" InstallerUrl INSTALLER)" || fail "the address names another file"
fi
[ $status = 0 ] && echo "winget manifest in $dir: the required fields are there"
exit $status
