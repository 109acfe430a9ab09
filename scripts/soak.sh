#!/usr/bin/env bash
# Soak run: the camera tour, then scripted keys until the hour is full, with the OpenGL debug report on.
# Every sample (time, resident size, frame rate) goes to a CSV file and both are plotted over time to a
# PNG; the end of the summary names both. Fails (exit 1) when the resident size grows by more than 1 % per
# half hour over the second half of the run (a least-squares fit), when frame times grow from the first
# half of the key phase to the second, when the driver reports anything but notifications, or when the
# program does not end cleanly on Escape.
#
#   scripts/soak.sh [program]          default: build/release/talvenmorquiddle (built when missing)
#
# Environment: SOAK_TOUR_SECONDS (60), SOAK_KEY_SECONDS (3540), SOAK_SAMPLE_SECONDS (10),
# SOAK_WIDTH / SOAK_HEIGHT (1200 / 960), SOAK_RSS_LIMIT_PERCENT (1, per half hour),
# SOAK_FRAME_GROWTH_LIMIT (1.10), SOAK_OUT (build/soak: the CSV, the plot, the console log),
# SOAK_WRAPPER (a command the program runs under, e.g. "heaptrack -o /abs/path"; it runs in a temporary
# directory, so give it absolute paths).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
use_software_rendering

if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "${BASH_SOURCE[0]}" "$@"
fi

tour_seconds=${SOAK_TOUR_SECONDS:-60}
key_seconds=${SOAK_KEY_SECONDS:-3540}
sample_seconds=${SOAK_SAMPLE_SECONDS:-10}
rss_limit=${SOAK_RSS_LIMIT_PERCENT:-1}
growth_limit=${SOAK_FRAME_GROWTH_LIMIT:-1.10}
out=${SOAK_OUT:-$root/build/soak}
program=${1:-$root/build/release/talvenmorquiddle}
wrapper=()
if [[ -n "${SOAK_WRAPPER:-}" ]]; then
  read -r -a wrapper <<<"$SOAK_WRAPPER"
fi

# The plotter is installed here, not by the two commands: only this long check needs it. Before the run,
# so that a failed install costs seconds, not an hour.
command -v gnuplot >/dev/null || "$root/scripts/install-deps.sh" gnuplot-nox

if [[ ! -x "$program" ]]; then
  cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF >/dev/null
  cmake --build "$root/build/release" -j "$jobs" --target talvenmorquiddle
fi
program=$(readlink -f "$program")

mkdir -p "$out"
out=$(cd "$out" && pwd)
stem="$out/soak-$(date -u +%Y%m%d-%H%M%S)"
csv="$stem.csv"
plot="$stem.png"
console="$stem-console.log"

work=$(mktemp -d)
runner=""
pid=""
cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

ln -s "$root/shader" "$work/shader"
ln -s "$root/models" "$work/models"
# Larger steps than the defaults: four taps take the camera two units closer or 0.2 radians round.
printf '[MAIN]\nWidth=%s\nHeight=%s\nGLDebug=true\nSensivityZoom=0.5\nSensivityUpDown=0.05\n' \
  "${SOAK_WIDTH:-1200}" "${SOAK_HEIGHT:-960}" >"$work/Talvenmorquiddle.ini"

# No console input: a failure report would end the program at once instead of waiting for Enter.
(cd "$work" && exec "${wrapper[@]}" "$program" >"$console" 2>&1 </dev/null) &
runner=$!

# The program's own process, below the wrapper if there is one: its resident size is what is measured
# and its process id names its window.
find_program() {
  local level=("$runner") next children p
  while ((${#level[@]} > 0)); do
    next=()
    for p in "${level[@]}"; do
      if [[ "$(readlink "/proc/$p/exe" 2>/dev/null)" == "$program" ]]; then
        echo "$p"
        return
      fi
      # The list has no line end, so read reports the end of the file after filling the array.
      children=()
      read -r -a children 2>/dev/null <"/proc/$p/task/$p/children" || true
      next+=("${children[@]}")
    done
    level=("${next[@]}")
  done
}

# Under a profiler the start can take minutes on a busy machine.
window=""
give_up=$(($(date +%s) + 300))
while (($(date +%s) < give_up)); do
  [[ -n "$pid" ]] || pid=$(find_program)
  if [[ -n "$pid" ]]; then
    window=$(xdotool search --onlyvisible --pid "$pid" --name . 2>/dev/null | head -n 1 || true)
    [[ -n "$window" ]] && break
  fi
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$window" ]]; then
  echo "soak: no window appeared" >&2
  cat "$console" >&2
  exit 1
fi
started=$(date +%s)

echo "seconds,resident_kB,anonymous_kB,frames_per_second,frame_ms" >"$csv"

# One row per sample: seconds since the window appeared, the resident size and its anonymous part (heap
# and mappings, not files), the title's frame rate and the frame time it gives (both empty before frame
# 100).
sample() {
  local title rate ms memory
  title=$(xdotool getwindowname "$window" 2>/dev/null || true)
  rate=${title##*FPS: }
  ms=""
  if [[ "$rate" =~ ^[0-9]+$ ]] && ((rate > 0)); then
    ms=$(awk -v r="$rate" 'BEGIN { printf "%.2f", 1000 / r }')
  else
    rate=""
  fi
  memory=$(awk '/^VmRSS:/ { r = $2 } /^RssAnon:/ { a = $2 } END { printf "%d,%d", r, a }' \
    "/proc/$pid/status" 2>/dev/null || echo 0,0)
  echo "$(($(date +%s) - started)),$memory,$rate,$ms" >>"$csv"
}

# The program holds a tap (press and release within one frame) for exactly one frame, and a camera key
# moves by one step per frame: taps further apart than a frame move the camera by a fixed amount, where a
# held key would move it by as many steps as frames happened to pass, and the camera would wander off
# over the rounds.
tap() {
  xdotool key --window "$window" "$1" 2>/dev/null || true
}

alive() {
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "soak: the program ended during the run" >&2
    tail -n 40 "$console" >&2
    exit 1
  fi
}

next_sample=0
sample_when_due() {
  if (($(date +%s) - started >= next_sample)); then
    sample
    next_sample=$((next_sample + sample_seconds))
  fi
}

while (($(date +%s) - started < tour_seconds)); do
  alive
  sample_when_due
  sleep 1
done
keys_from=$(($(date +%s) - started))

# Each round visits every body, moves and zooms it both ways by the same number of taps, pauses and
# resumes, and restarts the tour: every round starts from the same camera, so the rounds look alike and
# their frame times and memory compare.
round=(e Up4 KP_Add4 KP_Subtract4 Down4 s KP_Subtract4 Up4 KP_Add4 Down4 m Down4 KP_Add4 KP_Subtract4 Up4
  space Up4 Down4 space a)
end=$((tour_seconds + key_seconds))
while (($(date +%s) - started < end)); do
  for step in "${round[@]}"; do
    (($(date +%s) - started < end)) || break
    alive
    if [[ "$step" =~ ^(.*)4$ ]]; then
      # Half a second apart, so that no two taps share a frame unless it draws fewer than two a second.
      for _ in 1 2 3 4; do
        tap "${BASH_REMATCH[1]}"
        sleep 0.5
      done
    else
      tap "$step"
      sleep 1
    fi
    sample_when_due
  done
done
alive
sample

tap Escape
code="none within 60 s"
for _ in $(seq 1 600); do
  if ! kill -0 "$pid" 2>/dev/null; then
    pid=""
    break
  fi
  sleep 0.1
done
if [[ -z "$pid" ]]; then
  # The wrapper passes the program's exit code on; it may take a while to write its own files.
  code=0
  wait "$runner" || code=$?
fi

violations=0
fail() {
  echo "VIOLATION: $*"
  violations=$((violations + 1))
}

echo "== soak summary =="
echo "duration:        ${tour_seconds} s tour + ${key_seconds} s keys, $(($(wc -l <"$csv") - 1)) samples"

# The figures, and the fitted line and frame-time levels for the plot.
awk -F, -v keys_from="$keys_from" -v rss_limit="$rss_limit" -v growth_limit="$growth_limit" \
  -v plot_values="$work/values.gp" -f "$root/scripts/soak-stats.awk" "$csv" >"$work/stats.txt"
grep -v '^VIOLATION: ' "$work/stats.txt" || true
while read -r line; do
  fail "$line"
done < <(sed -n 's/^VIOLATION: //p' "$work/stats.txt")

grep -qx 'OpenGL Debug output is on.' "$console" ||
  fail "the debug report was not switched on, so its silence proves nothing"
blocks=$(grep -c '^\*\*\*\*\*\*\*\*\*OpenGL Debug Begin' "$console" || true)
serious=$(grep '^Severity: ' "$console" | grep -vc '^Severity: Notification$' || true)
echo "debug blocks:    ${blocks}, of which not notifications: ${serious}"
grep '^Severity: ' "$console" | sort | uniq -c | sed 's/^/                 /' || true
if ((serious > 0)); then
  fail "the driver reported ${serious} debug messages above notification"
  grep -B5 -A1 '^Severity: \(High\|Medium\|Low\)' "$console" | head -n 40
fi

if [[ "$code" != 0 ]]; then
  fail "the program did not end with 0 on Escape (exit code: ${code})"
fi
if grep -q 'Exception\|Sanitizer\|runtime error:' "$console"; then
  fail "the console shows a failure:"
  grep -m 5 'Exception\|Sanitizer\|runtime error:' "$console"
fi

gnuplot -e "csv = '$csv'; png = '$plot'; tour = $tour_seconds" -e "load '$work/values.gp'" \
  "$root/scripts/soak-plot.gp" || fail "gnuplot could not draw the plot"

echo "samples:         $csv"
echo "plot:            $plot"
echo "console:         $console"
if ((violations > 0)); then
  echo "soak: ${violations} violation(s)"
  exit 1
fi
echo "soak: passed"
