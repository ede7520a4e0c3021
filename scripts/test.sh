#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: unit, end-to-end,
# fuzzing and packaging. They run side by side: each end-to-end script brings
# its own display, home and helpers and mostly waits on them, so four at once
# keep two cores busy (GARDLOCK_TEST_JOBS sets another number). Arguments go
# to ctest (e.g. -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure --timeout 600 -j "${GARDLOCK_TEST_JOBS:-4}" "$@"
