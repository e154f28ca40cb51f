#!/usr/bin/env bash
# Installs what is missing, builds the three targets (native, win64, win32) and leaves the
# deliverables in dist/linux/, dist/win64/ and dist/win32/, and the release packages for the
# terminal in dist/ovilex-VERSION-win32.zip and -win64.zip; then shows what it built.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-prerequisites.sh

for preset in native win64 win32; do
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

source tools/binary-info.sh
echo
echo "== deliverables"
for file in dist/linux/libOvilex.so dist/win64/*.dll dist/win64/*.exe dist/win32/*.dll \
  dist/win32/*.exe; do
  if [ -f "$file" ]; then describe_binary "$file"; fi
done
echo "== release packages (unpack into the terminal's folder)"
python3 tools/make-package.py dist "$(project_version)" win32 win64

# A short tour: ovcall plays a script's calls against a local demo service, natively and under
# Wine (the DLL, on WinHTTP), with the test suite's display and Wine session; then the change of
# account type under Wine with the terminal stand-in.
echo
echo "== tour: ovcall against a local demo service"
state=build/tour/services
python3 tests/services/services.py start "$state" >/dev/null
source tools/windows-test-session.sh
trap 'stop_windows_session; python3 tests/services/services.py stop "$state"' EXIT
start_windows_session "$PWD/build/win64/wineprefix"
demo="http://127.0.0.1:$(sed -n 's/^http_port=//p' "$state")"
wine_ovcall=(tools/run-under-wine.sh "$PWD/build/win64/wineprefix" dist/win64/ovcall.exe)
show() {  # show LABEL COMMAND...
  echo "\$ $1"
  shift
  local output status=0
  output=$("$@") || status=$?
  if [ -n "$output" ]; then printf '%s\n' "$output"; fi  # one line end, written or not
  if [ $status -ne 0 ]; then echo "(exit code $status)"; fi
}
show "ovcall get $demo/hello" dist/linux/ovcall get "$demo/hello"
show "ovcall get $demo/status/404" dist/linux/ovcall get "$demo/status/404"
show "ovcall get $demo/slow?ms=3000 --read-timeout 1000" \
  dist/linux/ovcall get "$demo/slow?ms=3000" --read-timeout 1000
show "ovcall.exe get $demo/hello   (under Wine)" "${wine_ovcall[@]}" get "$demo/hello"
echo "# the demo service knows the user trader with the password opensesame"
show "ovcall login $demo/login trader opensesame   (the encrypted token)" \
  dist/linux/ovcall login "$demo/login" trader opensesame
show "ovcall login $demo/login trader guess   (the service's reason)" \
  dist/linux/ovcall login "$demo/login" trader guess
show "ovcall.exe login $demo/login trader opensesame   (under Wine)" \
  "${wine_ovcall[@]}" login "$demo/login" trader opensesame
echo "# the service enciphers the token with Blowfish under the key it shares with the library"
token=$(dist/linux/ovcall login "$demo/login" trader opensesame) || true
show "ovcall decrypt $token   (ov_Decrypt: Base64, then Blowfish)" dist/linux/ovcall decrypt "$token"
ciphertext=$(dist/linux/ovcall encrypt "meet at 10") || true
echo "\$ ovcall encrypt 'meet at 10'   (ov_Encrypt: AES-128, handed back in the ANSI code page)"
echo "${ciphertext:0:32}... ($((${#ciphertext} / 2)) bytes; a unit without an ANSI character is '?', 3f)"
echo "# a change of account type under Wine: the real Symwatch and Profixer in the terminal stand-in"
show "account_change_tour.exe" \
  tools/run-under-wine.sh "$PWD/build/win64/wineprefix" build/win64/bin/account_change_tour.exe
stop_windows_session
