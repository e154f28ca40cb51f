#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (with AddressSanitizer and UBSan) and runs each
# for a few seconds: run-fuzzers.sh [SECONDS]. Exits non-zero when a target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-5}
out=build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  tests/fuzz/chart_symbol_fuzz.cpp profile-updater/chart_symbol.cpp -o "$out/chart_symbol_fuzz"
"$out/chart_symbol_fuzz" -max_total_time="$seconds" -max_len=256 \
  -artifact_prefix="$out/" "$out/corpus" 2>&1 | tail -n 3
