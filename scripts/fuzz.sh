#!/usr/bin/env bash
# Fuzzes the readers of bytes from outside for a bounded time each, with
# libFuzzer, AddressSanitizer and UBSan, from the seeds in tests/fuzz/seeds/.
#   scripts/fuzz.sh [seconds-per-reader]     (default 60; explores anew each run)
#   scripts/fuzz.sh --repeatable             (the test command's run: a fixed
#       random seed and a fixed number of inputs per reader, a minute or two
#       in all, so that the same tree gives the same verdict every time)
# A crash fails the run and names the input: copy it into
# tests/fuzz/regressions/<reader>/, where the unit tests load it from then on.
# Without clang it says so and does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
repeatable=false
seconds=60
if [ "${1:-}" = "--repeatable" ]; then repeatable=true; else seconds=${1:-60}; fi

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed; no fuzzing run"
  exit 0
fi

# libFuzzer's runtime comes in a package of its own; without it, say so.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address "$probe/p.cpp" -o "$probe/p" 2>"$probe/err"; then
  echo "fuzz: clang++ cannot build a libFuzzer target here ($(head -1 "$probe/err")); no fuzzing run"
  exit 0
fi

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGARDLOCK_FUZZ=ON >/dev/null
readers=(rtf wmf picture field)
# Inputs per reader in the repeatable run: about 90 s in all here.
declare -A runs=([rtf]=100000 [wmf]=50000 [picture]=20000 [field]=2000000)
cmake --build "$build" --parallel "$(nproc)" --target "${readers[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
status=0
for reader in "${readers[@]}"; do
  corpus="$build/corpus/$reader" artifacts="$build/crashes/$reader/"
  mkdir -p "$corpus" "$artifacts"
  if $repeatable; then
    rm -rf "$corpus" && mkdir -p "$corpus" # the same start every time
    limits=(-seed=1 -runs="${runs[$reader]}")
    echo "fuzz: $reader, ${runs[$reader]} inputs from seed 1"
  else
    limits=(-max_total_time="$seconds")
    echo "fuzz: $reader for ${seconds}s"
  fi
  # Pictures may declare huge sizes: the loader must refuse them, so a large
  # allocation is a finding too (-rss_limit_mb, -malloc_limit_mb).
  if ! "$build/tests/fuzz_$reader" "${limits[@]}" -timeout=10 -rss_limit_mb=2048 \
       -malloc_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$artifacts" \
       "$corpus" "tests/fuzz/seeds/$reader" >"$build/fuzz-$reader.log" 2>&1; then
    echo "fuzz: $reader FAILED; the last lines of $build/fuzz-$reader.log:"
    tail -30 "$build/fuzz-$reader.log"
    echo "fuzz: keep the input as a regression: cp $artifacts* tests/fuzz/regressions/$reader/"
    status=1
  else
    grep -E "stat::number_of_executed_units|cov:" "$build/fuzz-$reader.log" | tail -2 | sed 's/^/  /'
  fi
done
exit $status
