#!/usr/bin/env bash
# Photographs the program's own window as a user sees it: starts PROGRAM in a temporary working
# directory, finds its window by its process id, takes the picture with ImageMagick's import and fails
# unless it shows something other than one flat colour within 60 s.
#
#   window-photo.sh PROGRAM PICTURE     (from the repository root, which holds shader/ and models/, on
#                                        an X display: the test command runs the tests under xvfb-run)
set -euo pipefail
program=$1
picture=$2
[[ -n "${DISPLAY:-}" ]] || { echo "window-photo.sh needs an X display (DISPLAY is not set)"; exit 1; }
export LIBGL_ALWAYS_SOFTWARE=${LIBGL_ALWAYS_SOFTWARE:-1}

run=$(mktemp -d)
pid=""
holder=""
trap 'kill $pid $holder 2>/dev/null; rm -rf "$run"' EXIT
ln -s "$PWD/shader" "$run/shader"
ln -s "$PWD/models" "$run/models"
printf '[MAIN]\nWidth=600\nHeight=480\n' >"$run/Talvenmorquiddle.ini"
# Xvfb resets when its last client leaves and refuses connections meanwhile: this client stays
# connected throughout, so that the window searches below cannot reset it under the program's start.
xdotool sleep 90 &
holder=$!
start() {
  (cd "$run" && exec "$program" </dev/null >"$run/console.log" 2>&1) &
  pid=$!
}
start
restarts=0

# Another program on the same display may have a window too: only this process's counts.
for ((second = 0; second < 60; ++second)); do
  if ! kill -0 "$pid" 2>/dev/null; then
    # "Exception" alone: the display refused the program, as it does while resetting after the test
    # before this one; the program is started again, twice at most.
    if [[ "$(cat "$run/console.log")" == Exception ]] && ((restarts++ < 2)); then
      start
      continue
    fi
    echo "the program ended; its console:"
    cat "$run/console.log"
    exit 1
  fi
  if window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) && [[ -n "$window" ]] &&
    import -silent -window "$window" "$picture" 2>/dev/null; then
    # The standard deviation of all channels, 0 to 1: a black or unchanged window has none.
    spread=$(convert "$picture" -format '%[fx:standard_deviation]' info:)
    if awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'; then
      echo "window $window of process $pid: $(identify -format '%wx%h' "$picture"), spread $spread"
      exit 0
    fi
  fi
  sleep 1
done
echo "no picture of process $pid's window showed more than one flat colour within 60 s (last: $picture)"
exit 1
