#!/usr/bin/env bash
# The soak's verdicts (scripts/soak-stats.awk) on made-up hour-long runs: one sample every 10 s, the keys
# from 60 s on. Each case gives the resident size and the frame time as awk expressions of t, and a text
# the figures must show.
set -euo pipefail
stats=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name | resident kB | frame ms | expected line (grep -F) | violation expected
cases=(
  "linear, within the limit|400000 + 2 * t|40|+3600 kB per half hour, +0.89 %|no"
  "linear, over the limit|400000 + 3 * t|40|+5400 kB per half hour, +1.32 %|yes"
  "growth that levels off in the first half|t < 1200 ? 380000 + 25 * t : 410000 + (t % 20 ? 300 : 0)|40|+0 kB per half hour|no"
  "frame times grow|400000|t < 1830 ? 40 : 46|40.0 ms in its first half, 46.0 ms in its second|yes"
  "slow frames from other work|400000|t >= 1830 && t % 20 ? 120 : 40|40.0 ms in its first half, 40.0 ms in its second|no"
)

failures=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name rss ms expected violation <<<"$entry"
  awk "BEGIN { print \"seconds,resident_kB,anonymous_kB,frames_per_second,frame_ms\"
               for (t = 0; t <= 3600; t += 10) printf \"%d,%d,0,%d,%.2f\\n\", t, ($rss), 1000 / ($ms), ($ms) }" \
    >"$work/samples.csv"
  awk -F, -v keys_from=60 -v rss_limit=1 -v growth_limit=1.10 -f "$stats" "$work/samples.csv" >"$work/out.txt"
  found=no
  grep -q '^VIOLATION: ' "$work/out.txt" && found=yes
  if ! grep -qF -- "$expected" "$work/out.txt" || [[ "$found" != "$violation" ]]; then
    echo "FAILED: $name (expected \"$expected\", violation: $violation)"
    sed 's/^/  | /' "$work/out.txt"
    failures=$((failures + 1))
  fi
done
echo "$((${#cases[@]} - failures)) of ${#cases[@]} cases passed"
((failures == 0))
