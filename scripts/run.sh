#!/usr/bin/env bash
# Installs what is missing, builds and starts Gardlock 2001 with the given
# switch (none: the main screen). Without a display it starts a private
# virtual display with icewm and a VNC server on it, and says how to look.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

if [ -z "${DISPLAY:-}" ]; then
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fd_file" &
  for _ in $(seq 1 100); do [ -s "$fd_file" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$fd_file")"
  icewm >/dev/null 2>&1 &
  x11vnc -display "$DISPLAY" -localhost -forever -nopw -quiet -rfbport 5900 >/dev/null 2>&1 &
  echo "No display was set: Gardlock runs on the private display $DISPLAY."
  echo "Look at it with a VNC viewer on localhost:5900 (e.g. 'vncviewer localhost:5900'),"
  echo "or take a picture: DISPLAY=$DISPLAY import -window root shot.png"
fi
exec build/src/gardlock "$@"
