#!/usr/bin/env bash
# fuzz/run.sh SECONDS [HARNESS...]
# Builds the fuzz harnesses with clang, AddressSanitizer and UBSan in
# build-fuzz/, makes their seed corpora from the demo data, and runs each
# harness (all of them by default: Key Bif Erf ErfRoundTrip Gff Tlk 2da Ssf
# Model Texture Psp Dds Language) for SECONDS on its corpus, QUORLIN_FUZZ_JOBS
# (default 1) of them at a time. A finding is kept in build-fuzz/findings/ and
# makes the script exit with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [HARNESS...]}
shift
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(Key Bif Erf ErfRoundTrip Gff Tlk 2da Ssf Model Texture Psp Dds Language)

build=build-fuzz
# The demo generator runs during the build; its GStreamer leaks are not ours.
export ASAN_OPTIONS=detect_leaks=0
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORLIN_BUILD_FUZZERS=ON -DQUORLIN_BUILD_GUI=OFF -DQUORLIN_BUILD_TESTS=OFF -DQUORLIN_BUILD_BENCHMARKS=OFF >/dev/null
ninja -C "$build" quorlin quorlin-demo fuzz-make-seeds $(printf 'fuzz-%s ' "${harnesses[@]}") >/dev/null

# Seed corpora: the demo's files of each kind.
demo=$build/demo
corpus=$build/corpus
rm -rf "$corpus"
mkdir -p "$corpus"/{Key,Bif,Erf,ErfRoundTrip,Gff,Tlk,2da,Ssf,Model,Texture,Psp,Dds,Language} "$build/findings"
"$build/bin/fuzz-make-seeds" "$corpus"
cp "$demo/game/chitin.key" "$corpus/Key/"
cp "$demo"/game/data/*.bif "$corpus/Bif/"
cp "$demo/game/dialog.tlk" "$corpus/Tlk/"
extracted=$build/extracted
rm -rf "$extracted"
mkdir -p "$extracted"
"$build/bin/quorlin" key extract "$demo/game/chitin.key" "$extracted" >/dev/null
for archive in "$demo"/samples/*.{erf,mod,hak}; do
  cp "$archive" "$corpus/Erf/"
  cp "$archive" "$corpus/ErfRoundTrip/"
  "$build/bin/quorlin" erf extract "$archive" "$extracted" >/dev/null
done
for file in "$demo"/samples/* "$extracted"/*; do
  name=$(basename "$file")
  case "${name,,}" in
    *.utc|*.uti|*.utp|*.utd|*.ute|*.uts|*.utt|*.utw|*.utm|*.itp|*.ifo|*.are|*.git|*.gic|*.dlg|*.fac|*.jrl|*.gui) cp "$file" "$corpus/Gff/" ;;
    *.2da) cp "$file" "$corpus/2da/" ;;
    *.ssf) cp "$file" "$corpus/Ssf/" ;;
    *.mdl) cp "$file" "$corpus/Model/" ;;
    *.dds) cp "$file" "$corpus/Dds/" ;;
    # The texture harness reads its first byte as the type: 0 TGA, 1 BMP, 2 PLT.
    *.tga) { printf '\0'; cat "$file"; } >"$corpus/Texture/$name" ;;
    *.bmp) { printf '\1'; cat "$file"; } >"$corpus/Texture/$name" ;;
    *.plt) { printf '\2'; cat "$file"; } >"$corpus/Texture/$name" ;;
  esac
done
cp data/Language/*.ini "$corpus/Language/"

export QUORLIN_FUZZ_BIFS=$PWD/$demo/game/data
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
# One harness: its summary line, and its log's tail on a finding.
run_harness() {
  local harness=$1 start runs
  start=$(date +%s)
  if "$build/bin/fuzz-$harness" "$corpus/$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/findings/$harness-" >"$build/findings/$harness.log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/findings/$harness.log" | grep -o '[0-9]*$' || echo '?')
    echo "$harness: no finding in $(( $(date +%s) - start )) s ($runs runs)"
  else
    echo "$harness: FINDING, see $build/findings/$harness.log"
    tail -n 30 "$build/findings/$harness.log"
    return 1
  fi
}
export -f run_harness
export build corpus seconds
printf '%s\n' "${harnesses[@]}" | xargs -P "${QUORLIN_FUZZ_JOBS:-1}" -I{} bash -c 'run_harness "$1"' _ {} || exit 1
