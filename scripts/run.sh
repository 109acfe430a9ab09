#!/usr/bin/env bash
# Builds the demo (Release) and runs it from the repository root: in a window on the current display with
# the system's OpenGL driver, or, without a display, through the tour on a virtual one, saving screenshots.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DTALVEN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" -j "$jobs"

cd "$root"
if [[ -z "${DISPLAY:-}" ]]; then
  echo "No display found (DISPLAY is not set): running the tour on a virtual X display and saving screenshots."
  # The screenshot tool starts the virtual display and renders the tour in-process there, on Mesa's
  # software rasterizer, in frames of 1/60 s of tour time: the same pictures on every machine, in seconds.
  exec "$root/build/release/screenshots" --out "$root/build/screenshots"
fi

# The console is copied to a log so that a driver without the needed context can be recognised once the
# program has ended; line buffering keeps the shader build lines coming as they are written.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
stdbuf -oL "$root/build/release/talvenmorquiddle" | tee "$log"
if grep -qx 'Exception: m_pWindow=0' "$log"; then
  if [[ -n "${LIBGL_ALWAYS_SOFTWARE:-}" ]]; then
    echo "Mesa's software renderer gave no OpenGL 4.0 compatibility context either: is libgl1-mesa-dri installed?" >&2
    exit 1
  fi
  cat >&2 <<'HINT'

The OpenGL driver of this display offers no OpenGL 4.0 compatibility-profile context, which the demo needs
(tessellation shaders and GL_CLAMP). Mesa's software renderer always offers one; run the demo on it with:

    LIBGL_ALWAYS_SOFTWARE=1 build/release/talvenmorquiddle

(`glxinfo -B`, from the package mesa-utils, shows what the driver offers.)
HINT
  exit 1
fi
