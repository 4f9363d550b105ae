#!/bin/sh
# Installs what is needed, builds everything (the program, the tests, the benchmarks) and runs every
# test. On CI (CI=true) the static checks run over the sources (scripts/tidy.sh) and every test runs a
# second time under the sanitizers (scripts/test-sanitizers.sh).
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh --all
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
if [ "$CI" = "true" ]; then
  ./scripts/tidy.sh
  ./scripts/test-sanitizers.sh
fi
