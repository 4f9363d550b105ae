#!/bin/sh
# Checks the installed program: check_install.sh BUILD_DIR CMAKE CPACK MODE, MODE one of
#   validate  the menu entry and the metainfo pass their validators (skips, exit 77, without them)
#   run       a stripped program and its manual page; command line; a start under a read-only
#             prefix fills the per-user folder and writes nothing under the prefix; a second start
#             keeps the user's files; --offline
#   deb       the Debian package holds the files, names its dependencies and passes lintian with
#             no tag at any level (skips, exit 77, without dpkg-deb or lintian)
set -eu
BUILD=$1 CMAKE=$2 CPACK=$3 MODE=$4
WORK=$(mktemp -d /tmp/orv_install_XXXXXX)
PREFIX=$WORK/prefix
PROGRAM=$PREFIX/bin/orvandel-viewer
cleanup() {
  chmod -R u+w "$WORK" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

install_prefix() {
  "$CMAKE" --install "$BUILD" --strip --prefix "$PREFIX" > "$WORK/install.log" || fail "cmake --install"
}

# Starts the program offscreen with its own home, waits until it handles SIGTERM, ends it that way
# (as a logout does) and checks that it shut down cleanly.
start_and_end() {
  QT_QPA_PLATFORM=offscreen HOME=$WORK/home XDG_DATA_HOME=$WORK/xdg XDG_RUNTIME_DIR=$WORK/runtime \
    "$PROGRAM" "$@" > "$WORK/program.log" 2>&1 &
  pid=$!
  tries=0
  # SIGTERM (bit 0x4000 of SigCgt) caught: the program has set up its orderly end.
  while :; do
    mask=$(sed -n 's/^SigCgt:.*\(....\)$/\1/p' /proc/$pid/status 2>/dev/null || true)
    [ $(( 0x${mask:-0} & 0x4000 )) -eq 0 ] || break
    tries=$((tries + 1))
    [ $tries -lt 1200 ] || { kill -KILL $pid; fail "the program never got ready"; }
    kill -0 $pid 2>/dev/null || { cat "$WORK/program.log"; fail "the program ended by itself"; }
    sleep 0.05
  done
  kill -TERM $pid
  status=0
  wait $pid || status=$?
  [ $status -eq 0 ] || { cat "$WORK/program.log"; fail "exit status $status after SIGTERM"; }
}

snapshot() { (cd "$PREFIX" && find . -printf '%p %s %T@ %m\n' | sort); }

case $MODE in
validate)
  for tool in desktop-file-validate appstreamcli; do
    command -v $tool > /dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
  done
  install_prefix
  desktop=$(ls "$PREFIX"/share/applications/*.desktop)
  metainfo=$(ls "$PREFIX"/share/metainfo/*.metainfo.xml)
  desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
  # The entry's icon exists in the theme at several sizes and as SVG.
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  for size in 16x16 32x32 48x48 64x64 128x128 256x256; do
    [ -f "$PREFIX/share/icons/hicolor/$size/apps/$icon.png" ] || fail "no $size icon"
  done
  [ -f "$PREFIX/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no SVG icon"
  [ "$(sed -n 's/^Exec=//p' "$desktop")" = orvandel-viewer ] || fail "Exec is not the installed program"
  grep -q '<release version="2.20c" date="[0-9-]*"' "$metainfo" || fail "no release 2.20c with its date"
  # The program names itself to the desktop by the menu entry's id (Wayland finds its icon so).
  grep -aq "$(basename "$desktop" .desktop)" "$PROGRAM" || fail "the program does not use the id of $desktop"
  grep -q '<caption>' "$metainfo" || fail "no screenshot caption"
  # One licence everywhere: the metainfo says what the copyright file and LICENSE say.
  grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "the metainfo names another licence"
  grep -q '^License: GPL-3+$' "$PREFIX/share/doc/orvandel-viewer/copyright" || fail "the copyright file names another licence"
  ;;
run)
  install_prefix
  command -v readelf > /dev/null || fail "readelf is missing (binutils)"
  ! readelf -S "$PROGRAM" | grep -q -e '\.symtab' -e '\.debug_' || fail "the installed program is not stripped"
  gzip -dc "$PREFIX/share/man/man1/orvandel-viewer.1.gz" | grep -q '^\.TH .*"Orvandel Viewer 2\.20c"' ||
    fail "no manual page of this version"
  "$PROGRAM" --help > "$WORK/out" || fail "--help exit status"
  grep -q -- '--data-dir' "$WORK/out" || fail "--help does not name --data-dir"
  [ "$("$PROGRAM" --version)" = "Orvandel Viewer 2.20c" ] || fail "--version"
  status=0
  "$PROGRAM" --no-such-option > "$WORK/out" 2> "$WORK/err" || status=$?
  [ $status -eq 2 ] || fail "a bad option exits with $status, not 2"
  grep -q -- "Unknown option '--no-such-option'" "$WORK/err" || fail "a bad option is not named"

  mkdir -p "$WORK/home" "$WORK/xdg"
  mkdir -m 700 "$WORK/runtime"
  chmod -R a-w "$PREFIX"
  before=$(snapshot)
  user=$WORK/xdg/orvandel-viewer
  start_and_end
  for f in taxonomy.tem classifytree.dat genus.dat images options.ini; do
    [ -e "$user/$f" ] || fail "the per-user folder lacks $f"
  done
  [ "$(snapshot)" = "$before" ] || fail "something was written under the prefix"
  cmp -s "$PREFIX/share/orvandel-viewer/genus.dat" "$user/genus.dat" || fail "genus.dat was not copied as shipped"
  grep -q '^AppVersion=2.2' "$user/options.ini" || fail "the first start did not write its options"

  # The user's own change survives the next start.
  printf 'changed by the user\r\n' >> "$user/searchhlp.tem"
  cp "$user/searchhlp.tem" "$WORK/expected"
  start_and_end
  cmp -s "$WORK/expected" "$user/searchhlp.tem" || fail "a later start replaced the user's file"
  [ "$(snapshot)" = "$before" ] || fail "something was written under the prefix on the second start"

  # --offline runs off-line and leaves the stored option as it was.
  grep -q '^OfflineMode=0' "$user/options.ini" || fail "the stored option is not on-line to begin with"
  start_and_end --offline
  grep -q '^OfflineMode=0' "$user/options.ini" || fail "--offline changed the stored option"
  ;;
deb)
  for tool in dpkg-deb lintian; do
    command -v $tool > /dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
  done
  "$CPACK" -G DEB -B "$WORK/deb" --config "$BUILD/CPackConfig.cmake" > "$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; fail "cpack -G DEB"; }
  deb=$(ls "$WORK"/deb/orvandel-viewer_2.20c_*.deb)
  depends=$(dpkg-deb -f "$deb" Depends)
  for need in libqt6widgets6 libqt6gui6 libjpeg62-turbo qt6-qpa-plugins; do
    echo "$depends" | grep -q "$need" || fail "Depends lacks $need: $depends"
  done
  dpkg-deb -c "$deb" > "$WORK/contents"
  for path in ./usr/bin/orvandel-viewer ./usr/share/orvandel-viewer/taxonomy.tem \
              ./usr/share/orvandel-viewer/images/ ./usr/share/metainfo/ ./usr/share/applications/ \
              ./usr/share/icons/hicolor/scalable/apps/orvandel-viewer.svg; do
    grep -q " $path" "$WORK/contents" || fail "the package lacks $path"
  done
  # Every tag fails, whatever its level, pedantic ones included.
  lintian --no-cfg --fail-on error,warning,info,pedantic --display-info --pedantic "$deb" > "$WORK/lintian.log" 2>&1 ||
    { cat "$WORK/lintian.log"; fail "lintian $deb"; }
  ! grep -q '^[EWIPX]: ' "$WORK/lintian.log" || { cat "$WORK/lintian.log"; fail "lintian tags on $deb"; }
  cat "$WORK/lintian.log"
  ;;
*) fail "unknown mode $MODE" ;;
esac
echo "install check '$MODE' passed"
