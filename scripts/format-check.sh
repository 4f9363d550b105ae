#!/bin/sh
# Every C++ source is formatted by the repository's .clang-format; any difference fails.
# To format: clang-format -i <files>, or `git clang-format` for the lines of a change.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' |
  xargs clang-format --dry-run -Werror
echo "clang-format: every file formatted"
