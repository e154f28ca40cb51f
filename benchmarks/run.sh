#!/usr/bin/env bash
# Builds and runs the cipher benchmark natively (optimised, no sanitizers) and prints its table.
# OpenSSL is kept to its software AES path (no AES-NI, no PCLMULQDQ), the fair comparison for
# a table-driven AES.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-prerequisites.sh
cmake --preset native -DOV_BUILD_BENCHMARKS=ON >/dev/null
cmake --build --preset native --target cipher_benchmark >/dev/null
OPENSSL_ia32cap="~0x200000200000000" build/native/bin/cipher_benchmark
