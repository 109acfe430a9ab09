#!/usr/bin/env bash
# Records the opening tour to a video (default build/tour.mp4): builds the demo (Release), installs
# Debian's ffmpeg the first time a recording is asked for, and runs build/release/record, which renders
# the tour in-process at exact times and streams the frames to ffmpeg. `scripts/record.sh --help` lists
# the options. Works with or without a display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$jobs"
record="$root/build/release/record"

# ffmpeg and what it pulls in are large, and only recording needs them: not the two main commands.
if [[ $(dpkg-query -W -f='${Status}' ffmpeg 2>/dev/null || true) != "install ok installed" ]]; then
  # A mistyped option or a file that cannot be written is said before the install, not after it.
  "$record" --check "$@" >/dev/null
  if [[ " $* " != *" --help "* && " $* " != *" -h "* ]]; then
    echo "Recording needs Debian's ffmpeg, which the demo itself does not: installing it once now."
    if ! "$root/scripts/install-deps.sh" ffmpeg; then
      echo "record: ffmpeg, which encodes the video, is not installed and could not be installed; nothing was recorded" >&2
      exit 1
    fi
  fi
fi
exec "$record" "$@"
