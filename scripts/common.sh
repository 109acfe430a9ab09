# Shared by the scripts: repository root, software rendering, and a virtual display when none exists.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Tests, benchmarks and headless runs must not depend on the machine's GPU: they render on Mesa's
# software rasterizer. A user's own window never does (scripts/run.sh leaves the driver as it is).
use_software_rendering() {
  export LIBGL_ALWAYS_SOFTWARE=${LIBGL_ALWAYS_SOFTWARE:-1}
}

# Runs "$@" on the current display, or under a new virtual one (1920x1080x24) when there is none. The
# virtual server is not reset when its last client leaves: while resetting it refuses connections, and a
# test's program starting in that moment would fail to open its window.
with_display() {
  if [[ -n "${DISPLAY:-}" ]]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" "$@"
  fi
}
