#!/usr/bin/env bash
# Soak run: the camera tour, then ten minutes of scripted keys, with the OpenGL debug report on.
# Fails (exit 1) when the resident size at the end differs from the one after the first minute by more
# than 5 %, when the driver reports anything but notifications, when frame times grow, or when the
# program does not end cleanly on Escape.
#
#   scripts/soak.sh [program]          default: build/release/talvenmorquiddle (built when missing)
#
# Environment: SOAK_TOUR_SECONDS (60), SOAK_KEY_SECONDS (600), SOAK_SAMPLE_SECONDS (10),
# SOAK_WIDTH / SOAK_HEIGHT (1200 / 960), SOAK_RSS_LIMIT_PERCENT (5), SOAK_FRAME_GROWTH_LIMIT (1.25).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
use_software_rendering

if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "${BASH_SOURCE[0]}" "$@"
fi

tour_seconds=${SOAK_TOUR_SECONDS:-60}
key_seconds=${SOAK_KEY_SECONDS:-600}
sample_seconds=${SOAK_SAMPLE_SECONDS:-10}
rss_limit=${SOAK_RSS_LIMIT_PERCENT:-5}
growth_limit=${SOAK_FRAME_GROWTH_LIMIT:-1.25}
program=${1:-$root/build/release/talvenmorquiddle}

if [[ ! -x "$program" ]]; then
  cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF >/dev/null
  cmake --build "$root/build/release" -j "$jobs" --target talvenmorquiddle
fi

work=$(mktemp -d)
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
printf '[MAIN]\nWidth=%s\nHeight=%s\nGLDebug=true\n' "${SOAK_WIDTH:-1200}" "${SOAK_HEIGHT:-960}" \
  >"$work/Talvenmorquiddle.ini"

# No console input: a failure report would end the program at once instead of waiting for Enter.
(cd "$work" && exec "$program" >"$work/console.log" 2>&1 </dev/null) &
pid=$!

window=""
for _ in $(seq 1 1200); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name . 2>/dev/null | head -n 1 || true)
  [[ -n "$window" ]] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$window" ]]; then
  echo "soak: no window appeared" >&2
  cat "$work/console.log" >&2
  exit 1
fi
started=$(date +%s)

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0; }

# One line per sample: seconds since start, resident kB, the title's frame rate (empty before frame 100).
sample() {
  local title rate
  title=$(xdotool getwindowname "$window" 2>/dev/null || true)
  rate=${title##*FPS: }
  [[ "$rate" =~ ^[0-9]+$ ]] || rate=""
  echo "$(($(date +%s) - started)) $(rss_kb) $rate" >>"$work/samples.txt"
}

# A tap shorter than a frame may fall between two frames' polls: every key is held for a while.
press() {
  local key=$1 seconds=$2
  xdotool keydown --window "$window" "$key" 2>/dev/null || true
  sleep "$seconds"
  xdotool keyup --window "$window" "$key" 2>/dev/null || true
}

alive() {
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "soak: the program ended during the run" >&2
    tail -n 40 "$work/console.log" >&2
    exit 1
  fi
}

next_sample=0
wait_until() {
  local until=$1
  while (($(date +%s) - started < until)); do
    alive
    if (($(date +%s) - started >= next_sample)); then
      sample
      next_sample=$((next_sample + sample_seconds))
    fi
    sleep 1
  done
}

wait_until "$tour_seconds"
rss_first=$(rss_kb)
keys_from=$(($(date +%s) - started))

# Each round visits every body, moves and zooms both ways by the same amount, pauses and resumes,
# and restarts the tour, so the rounds look alike and their frame times compare.
round=(e Up KP_Add KP_Subtract Down s KP_Subtract Up KP_Add Down m Down KP_Add KP_Subtract Up space Up Down
  space a)
end=$((tour_seconds + key_seconds))
while (($(date +%s) - started < end)); do
  for key in "${round[@]}"; do
    (($(date +%s) - started < end)) || break
    alive
    case $key in
      Up | Down | KP_Add | KP_Subtract) press "$key" 1 ;;
      *) press "$key" 0.3 ;;
    esac
    if (($(date +%s) - started >= next_sample)); then
      sample
      next_sample=$((next_sample + sample_seconds))
    fi
    sleep 1
  done
done
alive
sample
rss_last=$(rss_kb)

press Escape 1.5
code="none within 60 s"
for _ in $(seq 1 600); do
  if ! kill -0 "$pid" 2>/dev/null; then
    code=0
    wait "$pid" || code=$?
    pid=""
    break
  fi
  sleep 0.1
done

violations=0
fail() {
  echo "VIOLATION: $*"
  violations=$((violations + 1))
}

echo "== soak summary =="
echo "duration:        ${tour_seconds} s tour + ${key_seconds} s keys, $(wc -l <"$work/samples.txt") samples"

change=$(awk -v a="$rss_first" -v b="$rss_last" 'BEGIN { printf "%.2f", (a > 0 ? (b - a) * 100 / a : 100) }')
echo "resident size:   ${rss_first} kB after the first minute, ${rss_last} kB at the end (${change} %)"
awk -v c="$change" -v l="$rss_limit" 'BEGIN { exit !(c > l || c < -l) }' &&
  fail "resident size changed by ${change} % (limit ${rss_limit} %)"

grep -qx 'OpenGL Debug output is on.' "$work/console.log" ||
  fail "the debug report was not switched on, so its silence proves nothing"
blocks=$(grep -c '^\*\*\*\*\*\*\*\*\*OpenGL Debug Begin' "$work/console.log" || true)
serious=$(grep '^Severity: ' "$work/console.log" | grep -vc '^Severity: Notification$' || true)
echo "debug blocks:    ${blocks}, of which not notifications: ${serious}"
grep '^Severity: ' "$work/console.log" | sort | uniq -c | sed 's/^/                 /' || true
if ((serious > 0)); then
  fail "the driver reported ${serious} debug messages above notification"
  grep -B5 -A1 '^Severity: \(High\|Medium\|Low\)' "$work/console.log" | head -n 40
fi

# Frame times from the title's rate over the key phase. Other work on the machine only ever slows
# frames down, so each half is judged by its faster frames (the lower quartile of frame times): the
# later half's must not exceed the earlier half's by more than the growth limit.
read -r early late <<<"$(awk -v from="$keys_from" '
  $3 > 0 && $1 >= from { t[n++] = 1000 / $3 }
  function quartile(lo, hi,   k, m, i, j, tmp) {
    m = 0
    for (k = lo; k < hi; k++) s[m++] = t[k]
    for (i = 1; i < m; i++) for (j = i; j > 0 && s[j - 1] > s[j]; j--) { tmp = s[j]; s[j] = s[j - 1]; s[j - 1] = tmp }
    return m ? s[int((m - 1) / 4)] : 0
  }
  END { h = int(n / 2); printf "%.1f %.1f\n", quartile(0, h), quartile(h, n) }' "$work/samples.txt")"
echo "frame time:      lower quartile ${early} ms in the first half of the key phase, ${late} ms in the second"
echo "frame rates:     $(awk '$3 != "" { printf "%s@%ss ", $3, $1 }' "$work/samples.txt")"
if awk -v a="$early" -v b="$late" -v g="$growth_limit" 'BEGIN { exit !(a <= 0 || b > a * g) }'; then
  fail "frame time grew from ${early} ms to ${late} ms (limit x${growth_limit}), or no frame rate was shown"
fi

if [[ "$code" != 0 ]]; then
  fail "the program did not end with 0 on Escape (exit code: ${code})"
fi
if grep -q 'Exception\|Sanitizer\|runtime error:' "$work/console.log"; then
  fail "the console shows a failure:"
  grep -m 5 'Exception\|Sanitizer\|runtime error:' "$work/console.log"
fi

if ((violations > 0)); then
  echo "soak: ${violations} violation(s)"
  exit 1
fi
echo "soak: passed"
