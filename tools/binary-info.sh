# Shell functions that read what a built binary offers; sourced by ./build.sh and the checks.

# The version that project() gives in the root CMakeLists.txt, which every binary carries.
project_version() {
  sed -n -E 's/^\s*project\(.*\bVERSION\s+([0-9]+(\.[0-9]+){0,3}).*/\1/p' \
    "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt" | head -n 1
}

# The names a PE file (DLL or EXE) exports, one a line, sorted.
pe_exports() {
  x86_64-w64-mingw32-objdump -p "$1" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | sort
}

# The DLLs a PE file imports, one a line.
pe_imports() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'
}

# The names a Linux shared library exports, one a line, sorted.
elf_exports() {
  nm -D --defined-only "$1" | awk '$NF !~ /^_(init|fini)$/ {print $NF}' | sort
}

# Prints one deliverable: its path, what it is, what it imports and exports.
describe_binary() {
  local file=$1 exports
  echo "$file"
  echo "    $(file -b "$file")"
  case "$file" in
    *.so) exports=$(elf_exports "$file") ;;
    *)
      echo "    imports: $(pe_imports "$file" | paste -sd ' ')"
      exports=$(pe_exports "$file")
      ;;
  esac
  echo "    exports: ${exports:-(none yet)}" | paste -sd ' '
}
