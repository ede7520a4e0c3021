#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests or
# benchmarks) and starts Gardlock 2001 with the given switch (none: the main
# screen). Without a display it starts a private virtual display with icewm
# and a VNC server on a free port, says how to look, and stops all three when
# the program ends. GARDLOCK_BUILD_DIR names another build folder (default
# ./build-run, a folder of its own for running).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${GARDLOCK_BUILD_DIR:-build-run}
scripts/install-deps.sh
# A folder of its own, built for the quickest first start rather than the
# one scripts/build.sh makes (measured from a fresh clone, docs/speed.md):
# clang, which compiles unoptimised code about a third quicker than g++,
# with the precompiled Qt headers, no optimisation and no debug information
# (asserts and Qt's debug output off, as in the tested build); warnings are
# shown but do not stop a run. Without clang, g++ without the precompiled
# header (a long first step on two cores). A folder configured already
# (GARDLOCK_BUILD_DIR=build, say) is used as it is.
if [ ! -f "$build/build.ninja" ]; then
  compiler=(-DGARDLOCK_PCH=OFF)
  command -v clang++ >/dev/null && compiler=(-DCMAKE_CXX_COMPILER=clang++ -DGARDLOCK_PCH=ON)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -DNDEBUG -DQT_NO_DEBUG" \
    -DGARDLOCK_WERROR=OFF "${compiler[@]}" >/dev/null
fi
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
