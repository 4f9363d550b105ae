#!/bin/sh
# The static checks of .clang-tidy over every source file of the program, on the build's compile
# commands (run ./scripts/build.sh first). Any warning fails.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
[ -f build/compile_commands.json ] || ./scripts/build.sh
tidy=$(command -v run-clang-tidy || command -v run-clang-tidy-14)
"$tidy" -quiet -p build -j"$(nproc)" "$(pwd)/src/.*\\.cpp\$" > build/tidy.log 2>&1 || {
  grep -E '(warning|error):' build/tidy.log | grep -v 'warnings generated' | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "clang-tidy found problems (whole output in build/tidy.log)" >&2
  exit 1
}
echo "clang-tidy: no warnings"
