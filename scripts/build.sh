#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug info; Debian's hardening
# flags where dpkg-buildflags is installed, see CMakeLists.txt). Benchmarks are
# built on request: cmake --build build --target bench. Precompiled headers,
# unity batches and mold (or lld) come by default; docs/speed.md has the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGARDLOCK_WERROR=ON >/dev/null
cmake --build build --parallel "$(nproc)"
