#!/usr/bin/env bash
# Sets up and builds as ./build.sh does, then runs every test suite:
#   - static checks of the built deliverables (format, export tables, runtime DLLs, version
#     resources), of the script authors' include files against the libraries' exports, and of
#     the release packages;
#   - the native suite under AddressSanitizer and UndefinedBehaviorSanitizer, and again under
#     ThreadSanitizer;
#   - a few seconds of libFuzzer on the chart rewrite;
#   - the Windows suite: the win64 test programs under Wine with an Xvfb display.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")"

./build.sh

for preset in native-asan native-tsan; do
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

passed=0
failed=0
run_suite() {
  echo "== $1"
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 TSAN_OPTIONS=halt_on_error=1
run_suite "static checks of the deliverables" tests/binaries/check-binaries.sh dist
run_suite "the include files against the libraries" \
  python3 tests/kit/check_imports.py kit build/win32/bin dist/win64
source tools/binary-info.sh
run_suite "the release packages" python3 tests/kit/check_package.py dist "$(project_version)"
run_suite "native suite (ASan, UBSan)" ctest --preset native-asan -j 2
run_suite "native suite (TSan)" ctest --preset native-tsan -j 2
run_suite "fuzzing the chart rewrite (5 s)" tests/fuzz/run-fuzzers.sh 5

source tools/windows-test-session.sh
trap stop_windows_session EXIT
start_windows_session "$PWD/build/win64/wineprefix"
run_suite "Windows suite (win64 under Wine)" ctest --preset win64 -j 2
stop_windows_session

echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
