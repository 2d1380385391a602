#!/usr/bin/env bash
# The release's signature, with a throwaway CA and code-signing certificate
# made here by openssl (in this test's own folder, deleted at the end; no
# key is ever kept): both programs and the MSI signed as `make release` signs
# them, each verified against that CA; a signing that fails leaves no file;
# without a certificate the files are as built; the zip and the MSI pack the
# programs as they ship; the winget manifest takes the signed MSI's hash;
# and the signed MSI installs under Wine.
# Run as: signing.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2
sign_script=$source/app/installer/sign.cmake
work=$build/signing-test
rm -rf "$work"
mkdir -p "$work/home"
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  wait
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || { fail "$what"; cat "$work/sign.log" 2>/dev/null; }; }
verifies() { osslsigncode verify -CAfile "$work/ca.pem" -in "$1" >"$work/verify.log" 2>&1; }
msi=$(ls "$build"/varnholt-*-win64.msi)
zip=$(ls "$build"/varnholt-*-win64.zip)

# The Wine prefix the signed MSI goes into is made meanwhile.
export HOME=$work/home WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPREFIX
(WINEPREFIX=$work/prefix wineserver -p 60 </dev/null >/dev/null 2>&1
 WINEPREFIX=$work/prefix wineboot -i </dev/null >/dev/null 2>&1) &

echo "== a throwaway CA and code-signing certificate"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Varnholt Test CA" \
  -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Varnholt Test Signer" 2>/dev/null
printf 'basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
  -out signer.pem 2>/dev/null
echo "a test password" >password.txt
openssl pkcs12 -export -inkey signer.key -in signer.pem -passout file:password.txt -out signer.p12
cd - >/dev/null

sign() {  # sign IN OUT [VAR=value...]: as the build signs, with the environment given
  local in=$1 out=$2; shift 2
  env -u VH_SIGN_PKCS12 -u VH_SIGN_CERT -u VH_SIGN_KEY -u VH_SIGN_PASSWORD_FILE -u VH_SIGN_TIMESTAMP "$@" \
    cmake -DIN="$in" -DOUT="$out" -P "$sign_script" >"$work/sign.log" 2>&1
}

echo "== signed as make release signs"
pkcs12=(VH_SIGN_PKCS12="$work/signer.p12" VH_SIGN_PASSWORD_FILE="$work/password.txt")
check "sign varnholt.exe with the PKCS#12 file" \
  sign "$build/shipped/varnholt.exe" "$work/varnholt.exe" "${pkcs12[@]}"
check "sign varnholt-cli.exe with the certificate and key" \
  sign "$build/shipped/varnholt-cli.exe" "$work/varnholt-cli.exe" VH_SIGN_CERT="$work/signer.pem" VH_SIGN_KEY="$work/signer.key"
check "sign the MSI" sign "$msi" "$work/signed.msi" "${pkcs12[@]}"
for f in varnholt.exe varnholt-cli.exe signed.msi; do
  check "$f verifies against the CA: $(tail -n 3 "$work/verify.log" 2>/dev/null)" verifies "$work/$f"
done
check "the signer is named" grep -q "Varnholt Test Signer" "$work/verify.log"
if verifies "$msi"; then fail "the MSI as built verifies against the throwaway CA"; fi

echo "== a signing that fails leaves no file; no certificate, the file as built"
if sign "$msi" "$work/wrong.msi" VH_SIGN_PKCS12="$work/signer.p12" VH_SIGN_PASSWORD_FILE="$work/signer.key"; then
  fail "a wrong password signs"
fi
check "nothing left by the failed signing" [ -z "$(ls "$work" | grep '^wrong')" ]
if sign "$msi" "$work/half.msi" VH_SIGN_CERT="$work/signer.pem"; then fail "a certificate without its key signs"; fi
check "copied as it is without a certificate" sign "$msi" "$work/plain.msi"
check "the copy is the MSI as built" cmp -s "$msi" "$work/plain.msi"

echo "== the zip and the MSI pack the programs as they ship (signed there)"
mkdir -p "$work/zip" "$work/msi"
(cd "$work/zip" && cmake -E tar xf "$zip")
msiextract -C "$work/msi" "$msi" >/dev/null
for f in varnholt.exe varnholt-cli.exe; do
  check "the zip's $f is the shipped one" cmp -s "$build/shipped/$f" "$work/zip/$f"
  check "the MSI's $f is the shipped one" cmp -s "$build/shipped/$f" "$(find "$work/msi" -name "$f")"
done

echo "== the winget manifest of the signed MSI"
cmake -DMSI="$work/signed.msi" -DVERSION=0.0.0 -DPRODUCT_CODE="$(msiinfo export "$msi" Property | tr -d '\r' |
        sed -n 's/^ProductCode\t//p')" -DURL=https://example.org/signed.msi -DFROM="$source/docs/winget" \
      -DTO="$work/winget" -P "$source/app/installer/winget.cmake"
check "its hash is the signed MSI's" grep -q "InstallerSha256: $(sha256sum "$work/signed.msi" | cut -d' ' -f1 | tr a-f A-F)" \
  "$work/winget/Varnholt.Varnholt.installer.yaml"

echo "== the signed MSI installs under Wine"
wait
rc=0
WINEPREFIX=$work/prefix wine msiexec /i "$work/signed.msi" /qn </dev/null >/dev/null 2>&1 || rc=$?
check "msiexec /i of the signed MSI exits 0 (gave $rc)" [ "$rc" = 0 ]
check "the program installed" [ -f "$work/prefix/drive_c/Program Files/Varnholt/varnholt-cli.exe" ]

[ "$failures" = 0 ] || { echo "signing: $failures checks failed"; exit 1; }
echo "signing: every check passed"
