#!/usr/bin/env bash
# Builds and runs the benchmarks natively (optimised, no sanitizers) and prints their tables.
# OpenSSL is kept to its software AES path (no AES-NI, no PCLMULQDQ), the fair comparison for
# a table-driven AES. The request benchmark runs against the local test services, started here
# and stopped on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-prerequisites.sh
cmake --preset native -DOV_BUILD_BENCHMARKS=ON >/dev/null
cmake --build --preset native --target cipher_benchmark request_benchmark >/dev/null
OPENSSL_ia32cap="~0x200000200000000" build/native/bin/cipher_benchmark

state="$PWD/build/native/benchmark-services.state"
trap 'python3 tests/services/services.py stop "$state"' EXIT
python3 tests/services/services.py start "$state" >/dev/null
build/native/bin/request_benchmark "$state"
