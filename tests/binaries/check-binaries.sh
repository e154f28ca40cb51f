#!/usr/bin/env bash
# Static checks of the built deliverables, which are what the terminal loads by name:
#  - each Windows binary has the right format (PE32 i386 for win32, PE32+ x86-64 for win64);
#  - its export table holds exactly the names in tests/binaries/<name>.exports, undecorated;
#  - it imports no MinGW runtime DLL, which would have to sit beside the terminal;
#  - Profixer.exe is a GUI-subsystem program (no console window of its own);
#  - every Windows binary, ovcall.exe included, carries a version resource that gives the
#    project's version (check-version-resources.py; one check here).
# The Linux library exports exactly the same names.
# usage: check-binaries.sh [DIST_DIR]   (default: dist)
set -u
here=$(cd "$(dirname "$0")" && pwd)
dist=${1:-$here/../../dist}
passed=0
failed=0

pass() { passed=$((passed + 1)); }
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

source "$here/../../tools/binary-info.sh"

expected_exports() {
  grep -v -E '^\s*(#|$)' "$here/$1.exports" | sort
}

check_exports() {  # file, exports list name, actual exports
  local file=$1 list=$2 actual=$3 expected
  expected=$(expected_exports "$list")
  if [ "$actual" = "$expected" ]; then
    pass
  else
    fail "$file exports differ from $list.exports:"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
  fi
  if echo "$actual" | grep -q '@'; then fail "$file has decorated export names"; else pass; fi
}

check_pe() {  # file, expected objdump format, exports list name
  local file=$1 format=$2 list=$3
  if [ ! -f "$file" ]; then
    fail "$file is missing"
    return
  fi
  if x86_64-w64-mingw32-objdump -f "$file" | grep -q "file format $format\$"; then
    pass
  else
    fail "$file is not $format"
  fi
  check_exports "$file" "$list" "$(pe_exports "$file")"
  local runtime
  runtime=$(pe_imports "$file" | grep -i -E '^(libstdc\+\+-6|libgcc_s_.*|libwinpthread-1)\.dll$')
  if [ -z "$runtime" ]; then pass; else fail "$file imports a MinGW runtime: $runtime"; fi
}

check_gui() {  # file: a program without a console window of its own
  if x86_64-w64-mingw32-objdump -p "$1" 2>/dev/null | grep -q '^Subsystem.*(Windows GUI)'; then
    pass
  else
    fail "$1 is not a GUI-subsystem program"
  fi
}

for target in win32:pei-i386 win64:pei-x86-64; do
  folder=$dist/${target%%:*}
  check_pe "$folder/Ovilex.dll" "${target#*:}" Ovilex
  check_pe "$folder/Symwatch.dll" "${target#*:}" Symwatch
  check_pe "$folder/Profixer.exe" "${target#*:}" Profixer
  check_gui "$folder/Profixer.exe"
done
version=$(project_version)
if [ -z "$version" ]; then
  fail "no project(... VERSION x.y.z ...) in CMakeLists.txt"
elif python3 "$here/check-version-resources.py" "$dist" "$version"; then
  pass
else
  fail "the version resources of the Windows binaries (see above)"
fi
if [ -f "$dist/linux/libOvilex.so" ]; then
  check_exports "$dist/linux/libOvilex.so" Ovilex "$(elf_exports "$dist/linux/libOvilex.so")"
else
  fail "$dist/linux/libOvilex.so is missing"
fi

echo "binary-checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
