#!/bin/sh
# Installs what is needed, builds, and runs every test.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
