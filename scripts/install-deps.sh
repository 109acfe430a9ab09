#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test, and the packages named on the command line
# (scripts/record.sh names ffmpeg, scripts/soak.sh gnuplot-nox: each long check brings its own tool when
# it runs, not with the two commands); does nothing when they are all there.
# The package manager's own output goes to build/install-deps.log; the console shows what is being
# installed and how far along it is, and the log's last lines if the install fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  build-essential cmake pkg-config git
  libglfw3-dev libglew-dev libassimp-dev libstb-dev libglm-dev libinih-dev libgtest-dev
  # Assimp's CMake files name libz.so, which libassimp-dev does not pull in.
  zlib1g-dev
  xvfb xauth libgl1-mesa-dri mesa-utils imagemagick xdotool
  xplanet-images openuniverse-common
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi

log="$root/build/install-deps.log"
mkdir -p "$(dirname "$log")"
# Removed first: an earlier run as another user may own it.
rm -f "$log"
: >"$log"
shown=${log#"$root"/}
started=$(date +%s)

# Runs apt-get as root with its output appended to the log and its progress reports (APT::Status-Fd)
# on standard output. The descriptors are set up inside, since sudo closes all but the first three.
apt_get() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive bash -c \
    'log=$1; shift; exec apt-get -o APT::Status-Fd=3 "$@" 3>&1 >>"$log" 2>&1' apt-get "$log" "$@"
}

# Turns the progress reports into a line for each quarter of the download and of the installation,
# each naming the package at hand.
progress() {
  awk -F: '
    $1 == "dlstatus" || $1 == "pmstatus" {
      # "dlstatus:file:percent:text", "pmstatus:package:percent:text", where the package may carry its
      # architecture ("libc6:amd64"): the percentage is the first number from the third field on.
      for (i = 3; i <= NF && $i !~ /^[0-9.]+$/; ++i) {}
      if (i > NF) next
      message = $(i + 1)
      for (j = i + 2; j <= NF; ++j) message = message ":" $j
      phase = $1 == "dlstatus" ? "downloading" : "installing "
      step = int($i / 25)
      if (phase != shownPhase || step > shownStep) {
        printf "  %s %3d%%  %s\n", phase, $i, message
        fflush()
        shownPhase = phase
        shownStep = step
      }
    }'
}

fail() {
  echo "Installing the packages failed ($1). The last lines of $shown:"
  # dpkg rewrites its progress in place with carriage returns: only the last state of a line is shown.
  tail -n 25 "$log" | sed 's/.*\r//; s/^/  | /'
  echo "The whole log: $log"
  exit 1
}

echo "Installing ${missing[*]} and what they need"
echo "  reading the package lists"
apt_get update -q >/dev/null || fail "apt-get update"
apt_get install -y -q --no-install-recommends "${missing[@]}" | progress || fail "apt-get install"
installed=$(grep -c '^Setting up ' "$log" || true)
echo "Installed $installed packages in $(($(date +%s) - started)) s; the package manager's output is in $shown"
