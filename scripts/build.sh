#!/bin/sh
# Configures build/ and builds the program: the executable beside a copy of the shipped data in
# build/dist/, which is all that run.sh, `cmake --install build` and cpack need.
#   ./scripts/build.sh --all   also the tests and the benchmarks (test.sh)
set -e
cd "$(dirname "$0")/.."
"$(pwd)/scripts/install-deps.sh"
# CI holds the build to no warnings at all; a developer's own build keeps them as warnings.
werror=OFF
if [ "$CI" = "true" ]; then werror=ON; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_WERROR=$werror
if [ "$1" = "--all" ]; then
  cmake --build build -j"$(nproc)"
else
  # The executable depends on the data copy, so this one target makes the whole program folder.
  cmake --build build -j"$(nproc)" --target orvandel-viewer
fi
