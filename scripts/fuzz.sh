#!/usr/bin/env bash
# Fuzzes the readers of bytes from outside for a bounded time each, with
# libFuzzer, AddressSanitizer and UBSan, from the seeds in tests/fuzz/seeds/.
#   scripts/fuzz.sh [seconds-per-reader]     (default 60; explores anew each run)
#   scripts/fuzz.sh --repeatable [reader...] (the test command's run, ctest -L
#       fuzz: a fixed random seed and a fixed number of inputs per reader from
#       an emptied corpus, under a minute per reader, so that the same tree
#       gives the same verdict every time; all readers, or those named)
#   scripts/fuzz.sh --build                  (only configures and builds the
#       fuzz tree; the test command does this once, then runs each reader as
#       an entry of its own with --repeatable --built <reader>)
# A crash, a leak of memory past -rss_limit_mb or an input running longer than
# -timeout (a real hang: set far above any input's time on a slow machine)
# fails the run and names the input: fix the reader, then copy the input into
# tests/fuzz/regressions/<reader>/, where the unit tests load it from then on.
# Without clang or libFuzzer's runtime it says so and does nothing (exit
# status 77 in the test command's runs, which ctest reports as skipped).
set -euo pipefail
cd "$(dirname "$0")/.."
repeatable=false build_only=false built=false
seconds=60
readers=(rtf wmf picture field)
case "${1:-}" in
  --repeatable)
    repeatable=true
    shift
    if [ "${1:-}" = "--built" ]; then built=true; shift; fi
    [ $# -eq 0 ] || readers=("$@")
    ;;
  --build) build_only=true ;;
  *) seconds=${1:-60} ;;
esac

skipped=0
{ $repeatable || $build_only; } && skipped=77
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed; no fuzzing run"
  exit $skipped
fi

# libFuzzer's runtime comes in a package of its own; without it, say so.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address "$probe/p.cpp" -o "$probe/p" 2>"$probe/err"; then
  echo "fuzz: clang++ cannot build a libFuzzer target here ($(head -1 "$probe/err")); no fuzzing run"
  exit $skipped
fi

build=build-fuzz
# Inputs per reader in the repeatable run: under a minute each on two cores.
declare -A runs=([rtf]=100000 [wmf]=150000 [picture]=100000 [field]=3000000)
for reader in "${readers[@]}"; do
  [ -n "${runs[$reader]:-}" ] || { echo "fuzz: no reader $reader (${!runs[*]})"; exit 2; }
done
if ! $built; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGARDLOCK_FUZZ=ON >/dev/null
  cmake --build "$build" --parallel 2 --target "${readers[@]/#/fuzz_}"
fi
$build_only && exit 0

export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
# Coverage must follow the inputs alone for a run to repeat: Qt's hashes are
# seeded at random and ordered by address unless told otherwise.
export QT_HASH_SEED=0
fixed=()
if $repeatable && setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed=(setarch "$(uname -m)" -R) # the same addresses every run
fi
status=0
for reader in "${readers[@]}"; do
  corpus="$build/corpus/$reader" artifacts="$build/crashes/$reader/"
  mkdir -p "$corpus" "$artifacts"
  if $repeatable; then
    rm -rf "$corpus" && mkdir -p "$corpus" # the same start every time
    limits=(-seed=1 -runs="${runs[$reader]}" -reload=0)
    echo "fuzz: $reader, ${runs[$reader]} inputs from seed 1"
  else
    limits=(-max_total_time="$seconds")
    echo "fuzz: $reader for ${seconds}s"
  fi
  # Pictures may declare huge sizes: the loader must refuse them, so a large
  # allocation is a finding too (-rss_limit_mb, -malloc_limit_mb). No input
  # may take long (a metafile's painting is bounded to a few seconds), but
  # only a real hang may fail the run on a slow or busy machine: -timeout=120.
  # -detect_leaks=0: leaks are not looked for (ASAN_OPTIONS), and the check
  # re-runs an input whenever Qt's worker threads leave the count of
  # allocations uneven, which depends on timing and so changes the run.
  if ! "${fixed[@]}" "$build/tests/fuzz_$reader" "${limits[@]}" -timeout=120 -rss_limit_mb=2048 -detect_leaks=0 \
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
