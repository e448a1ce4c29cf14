#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test
# (window tests under a virtual X server).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORLIN_BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
