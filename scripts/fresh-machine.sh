#!/usr/bin/env bash
# Proves the README's commands on a fresh Debian 12 machine: makes a minimal Debian 12 root (the base
# system only: no compiler, no X, no fonts), copies the checkout into it and runs, inside it and as a new
# user's shell would, `scripts/run.sh` without a display, `scripts/record.sh` on a one-second clip (it
# installs ffmpeg, which the video tests then use) and then `scripts/test.sh`. Whatever the commands use
# and scripts/install-deps.sh does not install makes this fail.
#
#   scripts/fresh-machine.sh [--refresh]
#
# Needs root (chroot, mounts) and the network to Debian's mirrors. The base root is made once with
# mmdebstrap and kept as a tarball under $TALVEN_FRESH_CACHE (default /var/cache/talvenmorquiddle), outside
# the repository; --refresh makes it anew. The downloaded packages are kept there too, so later runs
# only unpack them: every package is still installed into the new root by the install step itself.
# The copy is of the working tree's tracked and untracked (not ignored) files, so uncommitted changes
# are tested too, and no build output is carried in. The root's contact sheet is copied out to
# build/fresh-machine/contact-sheet.png, and
# everything it printed to build/fresh-machine/log.txt.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

refresh=false
case "${1:-}" in
  "") ;;
  --refresh) refresh=true ;;
  *) echo "usage: scripts/fresh-machine.sh [--refresh]" >&2; exit 2 ;;
esac
if [[ $(id -u) -ne 0 ]]; then
  echo "fresh-machine: needs root (it makes a chroot and mounts /proc, /sys and /dev in it)" >&2
  exit 1
fi

cache=${TALVEN_FRESH_CACHE:-/var/cache/talvenmorquiddle}
base="$cache/debian12-minbase.tar"
archives="$cache/apt-archives"
out="$root/build/fresh-machine"
mkdir -p "$cache" "$archives/partial" "$out"
# An earlier run's sheet must not pass for this one's.
rm -f "$out/contact-sheet.png"

started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

if ! command -v mmdebstrap >/dev/null; then
  echo "fresh-machine: installing mmdebstrap"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
fi

# minbase: the packages of priority "required" and apt, what Debian's own container images hold.
# mmdebstrap picks its output's format from the name, and "*.new" would make a directory: the format is
# named. Anything but a non-empty file at $base (a directory an older run left) is made anew.
if $refresh || [[ ! -f "$base" || ! -s "$base" ]]; then
  echo "fresh-machine: making the Debian 12 base root ($base)"
  rm -rf --one-file-system "$base" "$base.new"
  mmdebstrap --quiet --variant=minbase --mode=root --format=tar bookworm "$base.new" \
    "deb http://deb.debian.org/debian bookworm main" \
    "deb http://deb.debian.org/debian bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main"
  mv "$base.new" "$base"
fi

fresh=$(mktemp -d /var/tmp/talven-fresh.XXXXXX)
# The root's mounts live only in the namespace below, gone when it ends; --one-file-system is the
# safeguard should one outlive it.
trap 'rm -rf --one-file-system "$fresh"' EXIT
tar -xf "$base" -C "$fresh"
cp -L /etc/resolv.conf "$fresh/etc/resolv.conf"

checkout="$fresh/root/talvenmorquiddle"
mkdir -p "$checkout"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [[ -e "$file" ]] && printf '%s\0' "$file"; done |
  tar -c --null -T - -f -) | tar -x -C "$checkout"
echo "fresh-machine: root ready in $(elapsed), $(du -sh "$fresh" | cut -f1); the checkout holds $(find "$checkout" -type f | wc -l) files"

# Inside: a clean environment (no DISPLAY, no GL settings of this machine), as root of the new system.
inside='
cd /root/talvenmorquiddle
installed() { dpkg-query -W -f="\${Installed-Size}\n" | awk "{ kb += \$1 } END { printf \"%d packages, %d MB\", NR, kb / 1024 }"; }
echo "fresh-machine: the new system holds $(installed)"
started=$(date +%s)
run=0
scripts/run.sh || run=$?
echo "fresh-machine: scripts/run.sh exited with $run after $(($(date +%s) - started)) s; the system now holds $(installed)"
if [[ $run -eq 0 && ! -s build/screenshots/contact-sheet.png ]]; then
  echo "fresh-machine: scripts/run.sh wrote no build/screenshots/contact-sheet.png"
  run=1
fi
# A failed first command fails the check at once: the second would pay a whole build to say no more.
[[ $run -eq 0 ]] || exit "$run"
started=$(date +%s)
record=0
scripts/record.sh --from 8 --to 9 --fps 10 build/fresh-machine-clip.mp4 || record=$?
echo "fresh-machine: scripts/record.sh exited with $record after $(($(date +%s) - started)) s; the system now holds $(installed)"
if [[ $record -eq 0 && ! -s build/fresh-machine-clip.mp4 ]]; then
  echo "fresh-machine: scripts/record.sh wrote no build/fresh-machine-clip.mp4"
  record=1
fi
[[ $record -eq 0 ]] || exit "$record"
started=$(date +%s)
test=0
scripts/test.sh || test=$?
echo "fresh-machine: scripts/test.sh exited with $test after $(($(date +%s) - started)) s"
exit "$test"
'
status=0
unshare --mount --pid --fork --kill-child bash -c '
  set -e
  fresh=$1 archives=$2 inside=$3
  mount --make-rprivate /
  mount -t proc proc "$fresh/proc"
  mount -t sysfs sysfs "$fresh/sys"
  mount --rbind /dev "$fresh/dev"
  mount --bind "$archives" "$fresh/var/cache/apt/archives"
  exec chroot "$fresh" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb CI="${CI:-}" /bin/bash -c "$inside"
' fresh-machine "$fresh" "$archives" "$inside" </dev/null 2>&1 | tee "$out/log.txt" || status=$?

if [[ -s "$checkout/build/screenshots/contact-sheet.png" ]]; then
  cp "$checkout/build/screenshots/contact-sheet.png" "$out/contact-sheet.png"
fi
if [[ $status -eq 0 ]]; then
  echo "fresh-machine: both README commands passed on a fresh Debian 12 root in $(elapsed)"
else
  echo "fresh-machine: FAILED (exit $status) after $(elapsed); the whole log: $out/log.txt"
fi
# The test suite's own summary closes the report, so it is the last thing a reader of the log sees.
grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$out/log.txt" | tail -n 1 || true
exit "$status"
