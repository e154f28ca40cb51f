#!/usr/bin/env bash
# Installs what is missing, builds the three targets (native, win64, win32) and leaves the
# deliverables in dist/linux/, dist/win64/ and dist/win32/; then shows what it built.
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
