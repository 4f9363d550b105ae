#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# every test there; a sanitizer report fails the test that made it. Qt itself is not instrumented:
# a report from inside Qt or a system library may be suppressed in tests/sanitizers/lsan.supp.
set -e
cd "$(dirname "$0")/.."
"$(pwd)/scripts/install-deps.sh"
# -O1 keeps the tests quick, line tables (-g1) are all the reports need and build much faster than
# full debug information; no NDEBUG, so assertions run too. The benchmarks are not tests: left out.
werror=OFF
if [ "$CI" = "true" ]; then werror=ON; fi
cmake -S . -B build-asan -G Ninja -DORV_SANITIZE=ON -DORV_BUILD_BENCH=OFF -DORV_WERROR=$werror \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1"
cmake --build build-asan -j"$(nproc)"
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
