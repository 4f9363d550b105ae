#!/bin/sh
# Installs every Debian package the build, the tests and the tools need. Safe to run again.
set -e
PKGS="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev \
libjpeg62-turbo-dev libgif-dev libsimpleini-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev \
python3 xvfb xauth curl"
# djpeg, the baseline bench_gif measures the JPEG loader against.
PKGS="$PKGS libjpeg-turbo-progs"
# The static checks CI runs over the sources (scripts/tidy.sh).
PKGS="$PKGS clang-tidy clang-format"
# pdftotext and pdftoppm read back the summaries the tests save as PDF.
PKGS="$PKGS poppler-utils"
# Validators of the installed menu entry and metainfo; the Debian package's tools and its checker.
PKGS="$PKGS desktop-file-utils appstream dpkg-dev lintian"
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
