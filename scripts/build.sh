#!/bin/sh
# Configures and builds everything into build/ (the runnable program folder is build/dist/).
set -e
cd "$(dirname "$0")/.."
"$(pwd)/scripts/install-deps.sh"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
