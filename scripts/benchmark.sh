#!/usr/bin/env bash
# Frame and start-up benchmark on Mesa's software renderer: builds the Release benchmark, runs it with
# the scene's shaders and again with the trivial ones of tools/benchmark/trivial-shader (same passes,
# targets, clears and draws), prints both reports and a side-by-side table, times the demo's own start-up
# to its first presented frame, and counts the frame loop's allocations over 1000 frames.
#
#   scripts/benchmark.sh [--quick | --rounds N] [benchmark options, e.g. --frames 30 --poses earth,sun]
#
# The two shader sets run in turn, three rounds of each (20 timed frames per pose and phase a round),
# and each figure is the median of its rounds: load that drifts during the runs, as it does on a shared
# machine, then falls on both sides of the ratio; --rounds N takes N rounds. --quick: one round of few
# frames and one start-up run, to check that everything works. Options after it go to every benchmark run (see
# build/release/benchmark --help). Run it while the machine is otherwise idle.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
use_software_rendering

# The whole run shares one display, so the demo's start-up is timed without the display's own.
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

startup_runs=5
allocation_frames=1000
rounds=3
benchmark_args=(--frames 20)
if [[ "${1:-}" == "--quick" ]]; then
  shift
  startup_runs=1
  allocation_frames=60
  rounds=1
  benchmark_args=(--frames 5 --warmup 2)
elif [[ "${1:-}" == "--rounds" ]]; then
  rounds=${2:?--rounds needs a number}
  shift 2
  if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
    echo "--rounds needs a whole number of at least 1, not \"$rounds\"" >&2
    exit 2
  fi
fi
benchmark_args+=("$@")

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target benchmark talvenmorquiddle benchmark_first_swap >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each run's working directory: its shader set, the real models, no configuration (the defaults).
mkdir -p "$work/scene" "$work/trivial"
ln -s "$root/shader" "$work/scene/shader"
ln -s "$root/tools/benchmark/trivial-shader" "$work/trivial/shader"
ln -s "$root/models" "$work/scene/models"
ln -s "$root/models" "$work/trivial/models"

echo "Load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo
# The first round's full reports are shown; later rounds only add to the medians.
scene_rounds=()
trivial_rounds=()
for ((round = 1; round <= rounds; round++)); do
  for set in scene trivial; do
    results="$work/$set-$round.tsv"
    (cd "$work/$set" && "$build/benchmark" --label "$set shaders" --results "$results" "${benchmark_args[@]}") \
      >"$work/$set-$round.txt"
    if ((round == 1)); then
      cat "$work/$set-$round.txt"
      echo
    fi
  done
  scene_rounds+=("$work/scene-$round.tsv")
  trivial_rounds+=("$work/trivial-$round.tsv")
  echo "Round $round of $rounds done."
done
echo
join() { local IFS=,; echo "$*"; }
"$build/benchmark" --compare "$(join "${scene_rounds[@]}")" "$(join "${trivial_rounds[@]}")"

# The demo itself, from its start to the return of its first buffer swap (and glFinish), measured by a
# preloaded wrapper of glfwSwapBuffers that records the time and ends the process. Mesa keeps compiled
# shaders in a disk cache: the runs below use it as a user's second start would; the last run starts
# with an empty one, as the very first start on a machine does.
first_frame() { # cache directory or "" -> milliseconds
  rm -f "$work/first-swap"
  local start
  start=$(date +%s%N)
  (cd "$work/scene" && env ${1:+MESA_SHADER_CACHE_DIR="$1"} TALVEN_FIRST_SWAP_FILE="$work/first-swap" \
    LD_PRELOAD="$build/libbenchmark_first_swap.so" timeout 60 "$build/talvenmorquiddle" </dev/null >/dev/null) || true
  if [[ ! -s "$work/first-swap" ]]; then
    echo "no frame was presented within 60 s" >&2
    exit 1
  fi
  echo $(( ($(cat "$work/first-swap") - start) / 1000000 ))
}

echo
echo "The demo's start-up to its first presented frame (build/release/talvenmorquiddle, 1200x960, scene shaders):"
times=()
for ((run = 1; run <= startup_runs; run++)); do
  ms=$(first_frame "") || exit 1
  times+=("$ms")
  echo "  run $run, shader cache warm: $ms ms"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "  median of $startup_runs: $median ms (target under 2000 ms)"
mkdir -p "$work/empty-shader-cache"
ms=$(first_frame "$work/empty-shader-cache") || exit 1
echo "  with an empty shader cache (a machine's first start): $ms ms"

# Allocation counts do not depend on the render size: a small one keeps 1000 frames short.
echo
echo "Allocations of the frame loop over $allocation_frames frames (all poses, 240x192, scene shaders):"
(cd "$work/scene" && "$build/benchmark" --label "allocations" --frames 0 --width 240 --height 192 \
  --allocation-frames "$allocation_frames" --trace-allocations) | sed -n '/^Allocations over/,$p'
