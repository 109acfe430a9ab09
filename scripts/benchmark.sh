#!/usr/bin/env bash
# Frame and start-up benchmark on Mesa's software renderer: builds the Release benchmark, times the
# frame's passes at three poses of the tour, times the demo's own start-up to its first presented frame,
# and counts the frame loop's allocations over 1000 frames.
#
#   scripts/benchmark.sh [--quick] [--rounds N] [--against COMMIT] [benchmark options, e.g. --frames 30]
#
# --against COMMIT: beside the benchmark of COMMIT's tree, each with its own shaders and models.
# COMMIT's tree is exported once into build/against/<sha>/source and built beside it (kept for the next
# run); the rounds alternate between this tree and COMMIT's (three rounds of 20 timed frames per pose and
# phase; --rounds N takes N), and each figure is the median of its rounds: load that drifts during the
# runs, as it does on a shared machine, then falls on both sides of the ratio. Then the speed-up table,
# the pictures of the first round compared pixel by pixel (kept in build/against/<sha>/pictures), and
# the start-up and allocations of both builds. Without --against, one round of this tree's report.
# --quick: one round (unless --rounds says more) of few frames and one start-up run, to check that
# everything works. Options after these go to every benchmark run (see build/release/benchmark --help).
# Run it while the machine is otherwise idle.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
use_software_rendering

# The whole run shares one display, so the demo's start-up is timed without the display's own.
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

fail() {
  echo "benchmark.sh: $*" >&2
  exit 1
}

quick=false
rounds=""
against=""
while (($#)); do
  case "$1" in
    --quick)
      quick=true
      shift
      ;;
    --rounds)
      rounds=${2:?--rounds needs a number}
      shift 2
      if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
        echo "--rounds needs a whole number of at least 1, not \"$rounds\"" >&2
        exit 2
      fi
      ;;
    --against)
      against=${2:?--against needs a commit}
      shift 2
      ;;
    *)
      break
      ;;
  esac
done
startup_runs=5
allocation_frames=1000
benchmark_args=(--frames 20)
if $quick; then
  startup_runs=1
  allocation_frames=60
  rounds=${rounds:-1}
  benchmark_args=(--frames 5 --warmup 2)
fi
if [[ -z "$against" ]]; then
  rounds=${rounds:-1}
fi
rounds=${rounds:-3}
benchmark_args+=("$@")

# Configures a tree's Release build and builds the given targets; on failure shows the end of the log.
build_tree() { # source build description target...
  local source=$1 build=$2 what=$3
  shift 3
  mkdir -p "$build"
  if ! { cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF &&
    cmake --build "$build" -j "$jobs" --target "$@"; } >"$build/build.log" 2>&1; then
    tail -n 30 "$build/build.log" >&2
    fail "building $what failed (the whole log: ${build#"$root"/}/build.log)"
  fi
}

build="$root/build/release"
if [[ -n "$against" ]]; then
  command -v git >/dev/null || fail "--against needs git, to export the tree of $against"
  git -C "$root" rev-parse --git-dir >/dev/null 2>&1 || fail "--against needs a git checkout, and $root is none"
  sha=$(git -C "$root" rev-parse --verify --quiet "$against^{commit}") ||
    fail "--against: \"$against\" names no commit of this repository"
  reference_label=$(git -C "$root" rev-parse --short "$sha")
  current_label="working tree ($(git -C "$root" rev-parse --short HEAD)"
  if [[ -n "$(git -C "$root" status --porcelain)" ]]; then
    current_label+="+changes"
  fi
  current_label+=")"
  command -v compare >/dev/null || fail "--against compares pictures with ImageMagick's compare, which is missing"

  # A commit's tree never changes, so its export and build are kept under its full hash.
  cache="$root/build/against/$sha"
  reference_source="$cache/source"
  reference_build="$cache/build"
  if [[ ! -d "$reference_source" ]]; then
    rm -rf "$cache/source.partial"
    mkdir -p "$cache/source.partial"
    git -C "$root" archive "$sha" | tar -x -C "$cache/source.partial" || fail "could not export the tree of $sha"
    mv "$cache/source.partial" "$reference_source"
  fi
  grep -qs 'add_executable(benchmark ' "$reference_source/tools/benchmark/CMakeLists.txt" ||
    fail "$reference_label has no frame benchmark (tools/benchmark) to compare with"
  reference_targets=(benchmark)
  # Its start-up is timed too where it has the wrapper that ends the demo at its first frame.
  reference_startup=false
  if grep -qs 'add_library(benchmark_first_swap ' "$reference_source/tools/benchmark/CMakeLists.txt"; then
    reference_startup=true
    reference_targets+=(talvenmorquiddle benchmark_first_swap)
  fi
  if [[ ! -f "$reference_build/built" ]]; then
    echo "Building the benchmark of $reference_label in ${reference_build#"$root"/} (once for this commit)"
    build_tree "$reference_source" "$reference_build" "the benchmark of $reference_label" "${reference_targets[@]}"
    touch "$reference_build/built"
  fi
fi
build_tree "$root" "$build" "the benchmark of the working tree" benchmark talvenmorquiddle benchmark_first_swap

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
join() { local IFS=,; echo "$*"; }

# Each run's working directory: its shader set and models, no configuration (the defaults).
mkdir -p "$work/scene"
ln -s "$root/shader" "$work/scene/shader"
ln -s "$root/models" "$work/scene/models"
declare -A binary label
binary[scene]="$build/benchmark"
if [[ -n "$against" ]]; then
  sides=(scene reference)
  label[scene]=$current_label
  label[reference]=$reference_label
  binary[reference]="$reference_build/benchmark"
  mkdir -p "$work/reference"
  ln -s "$reference_source/shader" "$work/reference/shader"
  ln -s "$reference_source/models" "$work/reference/models"
  pictures="$cache/pictures"
  rm -rf "$pictures"
else
  sides=(scene)
  label[scene]="working tree ($(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "no git"))"
fi

echo "Load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo
# The first round's full reports are shown; later rounds only add to the medians.
declare -A side_rounds
for ((round = 1; round <= rounds; round++)); do
  # Which side runs first changes every round: whatever the first run of a round pays (or gains), both
  # sides pay it equally often.
  order=("${sides[@]}")
  if ((round % 2 == 0 && ${#sides[@]} == 2)); then
    order=("${sides[1]}" "${sides[0]}")
  fi
  for side in "${order[@]}"; do
    results="$work/$side-$round.tsv"
    run_args=(--label "${label[$side]}" --results "$results")
    if [[ -n "$against" ]] && ((round == 1)); then
      run_args+=(--pictures "$pictures/$side")
    fi
    (cd "$work/$side" && "${binary[$side]}" "${run_args[@]}" "${benchmark_args[@]}") >"$work/$side-$round.txt" || {
      cat "$work/$side-$round.txt"
      fail "the benchmark of ${label[$side]} failed in round $round"
    }
    if ((round == 1)); then
      cat "$work/$side-$round.txt"
      echo
    fi
    side_rounds[$side]+="${side_rounds[$side]:+,}$results"
  done
  echo "Round $round of $rounds done."
done
if [[ -n "$against" ]]; then
  echo
  "$build/benchmark" --against "${side_rounds[scene]}" "${side_rounds[reference]}"

  # The number of pixels of two pictures that differ by more than the fuzz in some channel. compare
  # applies the fuzz to each channel on its own: 0.59% of the full range is 1.5/255, which passes a step
  # of 1/255 and stops one of 2/255. It prints the count with six digits unless asked for more.
  differing_pixels() { # fuzz picture picture -> count
    local text status=0
    text=$(compare -precision 12 -metric AE -fuzz "$1" "$2" "$3" null: 2>&1) || status=$?
    if ((status > 1)) || ! [[ "$text" =~ ^[0-9.e+]+$ ]]; then
      fail "could not compare ${2#"$root"/} with ${3#"$root"/}: $text"
    fi
    printf '%.0f\n' "$text"
  }
  echo
  echo "Pictures of the first round, ${label[scene]} against $reference_label (${pictures#"$root"/}):"
  for reference_picture in "$pictures/reference"/*.png; do
    pose=$(basename "$reference_picture" .png)
    current_picture="$pictures/scene/$pose.png"
    if [[ ! -f "$current_picture" ]]; then
      echo "  $pose: no picture from ${label[scene]}"
      continue
    fi
    # compare looks for the smaller of two pictures inside the larger and may find it: sizes first.
    reference_size=$(identify -format '%wx%h' "$reference_picture")
    current_size=$(identify -format '%wx%h' "$current_picture")
    if [[ "$reference_size" != "$current_size" ]]; then
      echo "  $pose: $current_size against $reference_size: CHANGED"
      continue
    fi
    all=$(differing_pixels 0 "$reference_picture" "$current_picture")
    more=$(differing_pixels 0.59% "$reference_picture" "$current_picture")
    if ((more > 0)); then
      verdict=CHANGED
    elif ((all > 0)); then
      verdict="within 1/255"
    else
      verdict=identical
    fi
    echo "  $pose: $all pixels differ, $more by more than 1/255: $verdict"
  done
fi

# The demo itself, from its start to the return of its first buffer swap (and glFinish), measured by a
# preloaded wrapper of glfwSwapBuffers that records the time and ends the process. Mesa keeps compiled
# shaders in a disk cache: the first runs use it as a user's second start would, the others start with
# an empty one, as the very first start on a machine does.
first_frame() { # build directory, run directory, cache directory or "" -> milliseconds
  rm -f "$work/first-swap"
  local start
  start=$(date +%s%N)
  (cd "$2" && env ${3:+MESA_SHADER_CACHE_DIR="$3"} TALVEN_FIRST_SWAP_FILE="$work/first-swap" \
    LD_PRELOAD="$1/libbenchmark_first_swap.so" timeout 60 "$1/talvenmorquiddle" </dev/null >/dev/null) || true
  if [[ ! -s "$work/first-swap" ]]; then
    echo "no frame was presented within 60 s" >&2
    exit 1
  fi
  echo $(( ($(cat "$work/first-swap") - start) / 1000000 ))
}

median() { # numbers -> their median
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

startup() { # build directory, run directory, description, repeated for each build to time
  local builds=() runs=() names=() warm=() cold=() ms run i cache
  while (($# >= 3)); do
    builds+=("$1") runs+=("$2") names+=("$3")
    shift 3
  done
  # With two builds their runs alternate, as the frame rounds do, so that drifting load falls on both,
  # each first in every other run: first with the cache warm, then each run with an empty cache of its own.
  local order=("${!builds[@]}") reversed=()
  for ((i = ${#builds[@]} - 1; i >= 0; i--)); do
    reversed+=("$i")
  done
  for ((run = 1; run <= startup_runs; run++)); do
    for i in $( ((run % 2)) && echo "${order[@]}" || echo "${reversed[@]}"); do
      ms=$(first_frame "${builds[i]}" "${runs[i]}" "") || exit 1
      warm[i]+="$ms "
    done
  done
  for ((run = 1; run <= startup_runs; run++)); do
    for i in $( ((run % 2)) && echo "${order[@]}" || echo "${reversed[@]}"); do
      cache="$work/empty-shader-cache-$i-$run"
      mkdir -p "$cache"
      ms=$(first_frame "${builds[i]}" "${runs[i]}" "$cache") || exit 1
      rm -rf "$cache"
      cold[i]+="$ms "
    done
  done
  for i in "${!builds[@]}"; do
    echo
    echo "The demo's start-up to its first presented frame (${builds[i]#"$root"/}/talvenmorquiddle, 1200x960, ${names[i]}):"
    echo "  shader cache warm: ${warm[i]}ms; median $(median ${warm[i]}) ms (target under 2000 ms)"
    echo "  shader cache empty (a machine's first start): ${cold[i]}ms; median $(median ${cold[i]}) ms"
  done
}

if [[ -n "$against" ]] && $reference_startup; then
  startup "$build" "$work/scene" "${label[scene]}" "$reference_build" "$work/reference" "$reference_label"
elif [[ -n "$against" ]]; then
  startup "$build" "$work/scene" "${label[scene]}"
else
  startup "$build" "$work/scene" "${label[scene]}"
fi

# Allocation counts do not depend on the render size: a small one keeps 1000 frames short.
echo
echo "Allocations of the frame loop over $allocation_frames frames (all poses, 240x192, ${label[scene]}):"
(cd "$work/scene" && "$build/benchmark" --label "allocations" --frames 0 --width 240 --height 192 \
  --allocation-frames "$allocation_frames") | sed -n '/^Allocations over/p'
if [[ -n "$against" ]]; then
  echo
  echo "The same for $reference_label:"
  (cd "$work/reference" && "$reference_build/benchmark" --label "allocations" --frames 0 --width 240 \
    --height 192 --allocation-frames "$allocation_frames") | sed -n '/^Allocations over/p'
fi
