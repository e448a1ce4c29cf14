#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them on generated data in /dev/shm.
#   QUORLIN_BENCH_BUILD_DIR  build folder (default: ${TMPDIR:-/tmp}/quorlin-bench-build)
#   QUORLIN_BENCH_DIR        data folder, must not exist yet (default: /dev/shm/quorlin-bench-PID)
#   QUORLIN_BENCH_SCALE      percent of the full data size (default 100)
#   QUORLIN_BENCH_PROGRAM    quorlin-bench (default: archives, packer, tool),
#                            quorlin-formats-bench (talk tables and GFF files),
#                            quorlin-model-bench (binary and ASCII models) or
#                            quorlin-pictures-bench (DDS textures)
# Further arguments go to the benchmark program (e.g. --benchmark_filter=KEY).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORLIN_BENCH_BUILD_DIR:-${TMPDIR:-/tmp}/quorlin-bench-build}"
data="${QUORLIN_BENCH_DIR:-/dev/shm/quorlin-bench-$$}"

if [ -e "$data" ]; then
  echo "run.sh: $data exists already; choose another QUORLIN_BENCH_DIR" >&2
  exit 1
fi

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUORLIN_BUILD_GUI=OFF -DQUORLIN_BUILD_TESTS=OFF -DQUORLIN_BUILD_BENCHMARKS=ON >/dev/null
program="${QUORLIN_BENCH_PROGRAM:-quorlin-bench}"
case "$program" in
  quorlin-bench|quorlin-formats-bench|quorlin-model-bench|quorlin-pictures-bench) ;;
  *) echo "run.sh: unknown QUORLIN_BENCH_PROGRAM $program" >&2; exit 1 ;;
esac
cmake --build "$build" -j2 --target quorlin "$program"

# The program removes its data itself; this covers an interrupted run.
trap 'rm -rf -- "$data"' EXIT
QUORLIN_BENCH_DIR="$data" "$build/bench/$program" "$@"
