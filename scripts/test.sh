#!/bin/sh
# Installs what is needed, builds everything (the program, the tests, the benchmarks) and runs every
# test. On CI (CI=true) the build treats warnings as errors, the formatting and static checks run over
# the sources (scripts/format-check.sh, scripts/tidy.sh) and every test runs a second time under the
# sanitizers (scripts/test-sanitizers.sh).
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh --all
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
if [ "$CI" = "true" ]; then
  ./scripts/format-check.sh
  ./scripts/tidy.sh
  ./scripts/test-sanitizers.sh
fi
