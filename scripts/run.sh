#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests or
# benchmarks) and starts Gardlock 2001 with the given switch (none: the main
# screen). Without a display it starts a private virtual display with icewm
# and a VNC server on a free port, says how to look, and stops all three when
# the program ends. GARDLOCK_BUILD_DIR names another build folder (default
# ./build, the one scripts/test.sh uses).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${GARDLOCK_BUILD_DIR:-build}
scripts/install-deps.sh
# Configured once, the way scripts/build.sh does it (so scripts/test.sh goes on
# from the same objects), with Qt's headers precompiled for a quick first
# build; later changes to the CMake files are picked up by the build itself.
[ -f "$build/build.ninja" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGARDLOCK_WERROR=ON \
    -DGARDLOCK_PCH=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target gardlock_program

own=()
stop_own() {
  local pid
  for pid in "${own[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${own[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "${run_tmp:-}"
}

if [ -z "${DISPLAY:-}" ]; then
  run_tmp=$(mktemp -d)
  trap stop_own EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$run_tmp/display" 2>"$run_tmp/xvfb.log" &
  own+=($!)
  for _ in $(seq 1 200); do [ -s "$run_tmp/display" ] && break; sleep 0.05; done
  [ -s "$run_tmp/display" ] || { echo "Xvfb did not start:" >&2; cat "$run_tmp/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(cat "$run_tmp/display")"
  icewm >/dev/null 2>&1 &
  own+=($!)
  # x11vnc takes the first free port from 5900 on and prints it as PORT=n.
  x11vnc -display "$DISPLAY" -localhost -forever -nopw -quiet -autoport 5900 \
    >"$run_tmp/vnc.out" 2>"$run_tmp/vnc.log" &
  own+=($!)
  port=""
  for _ in $(seq 1 200); do
    port=$(sed -n 's/^PORT=\([0-9]*\)$/\1/p' "$run_tmp/vnc.out" | head -1)
    [ -n "$port" ] && break
    sleep 0.05
  done
  echo "No display was set: Gardlock runs on the private display $DISPLAY."
  if [ -n "$port" ]; then
    echo "VNC port $port: look at it with a VNC viewer on localhost:$port (e.g. 'vncviewer localhost:$port'),"
  else
    echo "The VNC server did not start (see $run_tmp/vnc.log); no VNC view this time."
  fi
  echo "or take a picture: DISPLAY=$DISPLAY import -window root shot.png"
  echo "The display, icewm and the VNC server stop when the program ends."
fi

status=0
"$build/src/gardlock" "$@" || status=$?
exit "$status"
