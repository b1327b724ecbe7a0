#!/usr/bin/env bash
# Proves the main job needs nothing beyond its own package list: makes a minimal Debian 12
# tree with debootstrap, installs only `install-deps.sh main`'s packages there, runs
# `scripts/demo.sh --no-deps` on a clone of this repository inside it, and prints what each
# package list adds to the clean tree (package count and download size).
# Usage (as root, needs debootstrap and Debian's mirror): scripts/check-main-job-in-chroot.sh DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <empty-or-new-directory>" >&2
  exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
root=$(mkdir -p "$1" && cd "$1" && pwd)/root
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

# shellcheck disable=SC1090
source <(sed -n '/^main_packages=(/,/^)/p;/^test_packages=(/,/^)/p' "$repo/scripts/install-deps.sh")

[ -x "$root/bin/bash" ] || debootstrap --variant=minbase bookworm "$root" "$mirror"
cp /etc/resolv.conf "$root/etc/"
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
in_root() { chroot "$root" env HOME=/root DEBIAN_FRONTEND=noninteractive "$@"; }

# What a list adds to the tree as it stands: packages apt would install, and their download.
adds() {
  local count size
  count=$(in_root apt-get install --simulate -y --no-install-recommends "$@" | grep -c '^Inst' || true)
  size=$(in_root apt-get install --print-uris -y -qq --no-install-recommends "$@" |
    awk "/^'/ { s += \$3 } END { printf \"%.1f MB\", s / 1e6 }")
  echo "$count packages, $size"
}

in_root apt-get update -qq
echo "main list adds to the clean tree: $(adds "${main_packages[@]}")"
in_root apt-get install -y -qq --no-install-recommends "${main_packages[@]}" >/dev/null
echo "test list adds on top of it: $(adds "${test_packages[@]}")"

rm -rf "$root/root/quendral"
git clone -q "$repo" "$root/root/quendral"
in_root bash -c 'cd /root/quendral && scripts/demo.sh --no-deps'
ls -l "$root/root/quendral/demo" "$root/root/.vst/quendral.so" "$root/root/.local/bin/quendral-render"
