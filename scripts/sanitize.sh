#!/usr/bin/env bash
# The core and the command-line tool under AddressSanitizer and
# UndefinedBehaviorSanitizer: builds them and their tests in build-asan/ and
# runs the tests, then runs every fuzz harness for QUORLIN_FUZZ_SECONDS
# (default 20) seconds on its corpus (fuzz/run.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
build="$root/build-asan"
start=$(date +%s)
# The demo generator runs during the build; its GStreamer leaks are not ours.
ASAN_OPTIONS=detect_leaks=0 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORLIN_SANITIZE=ON -DQUORLIN_BUILD_GUI=OFF -DQUORLIN_BUILD_BENCHMARKS=OFF >/dev/null
ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" -j"$(nproc)"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/bin/quorlin-core-tests" --gtest_brief=1
"$build/bin/quorlin-cli-tests" --gtest_brief=1
echo "sanitized build and tests: $(( $(date +%s) - start )) s"
start=$(date +%s)
bash "$root/fuzz/run.sh" "${QUORLIN_FUZZ_SECONDS:-20}"
echo "fuzz harnesses: $(( $(date +%s) - start )) s"
