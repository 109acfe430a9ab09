#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test; does nothing when they are all there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libglfw3-dev libglew-dev libassimp-dev libstb-dev libglm-dev libinih-dev libgtest-dev
  # Assimp's CMake files name libz.so, which libassimp-dev does not pull in.
  zlib1g-dev
  xvfb xauth libgl1-mesa-dri mesa-utils imagemagick xdotool
  xplanet-images openuniverse-common
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
