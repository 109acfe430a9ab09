# Shared by the scripts: repository root, software rendering, and a virtual display when none exists.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Results must not depend on the machine's GPU.
export LIBGL_ALWAYS_SOFTWARE=${LIBGL_ALWAYS_SOFTWARE:-1}
jobs=$(nproc 2>/dev/null || echo 2)

# Runs "$@" on the current display, or under a new virtual one (1920x1080x24) when there is none.
with_display() {
  if [[ -n "${DISPLAY:-}" ]]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
  fi
}
