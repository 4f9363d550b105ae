#!/bin/sh
# Installs what is needed, builds the program alone (not the tests), starts the reference Velmora
# server on loopback and then the program on its shipped data (in build/dist/). The server stops
# when the program ends.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
SERVER_PID=""
if [ -f tools/velmora_server.py ]; then
  mkdir -p build/server
  python3 tools/velmora_server.py --port 8642 --data data --state build/server \
    > build/server/server.log 2>&1 &
  SERVER_PID=$!
  trap 'kill $SERVER_PID 2>/dev/null || true' EXIT INT TERM
fi
./build/dist/orvandel-viewer
