#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 and runs the programs
# there: debootstrap (minimal base) into a folder, then apt-get install of the
# .deb inside it, as a user would. Needs root and Debian's mirror.
# Usage: scripts/try-package-bookworm.sh <varnel_*.deb> [folder, default /tmp/varnel-bookworm]
set -euo pipefail

deb=$(realpath "$1")
root=${2:-/tmp/varnel-bookworm}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

command -v debootstrap >/dev/null || { echo "debootstrap is missing: apt-get install debootstrap" >&2; exit 1; }
if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "== debootstrap --variant=minbase bookworm $root"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 \
    || { tail -20 "$root.debootstrap.log" >&2; exit 1; }
fi
# Some programs look at /proc; a container may refuse the mount, which they survive.
mounted=no
mount -t proc proc "$root/proc" 2>/dev/null && mounted=yes
cleanup() { [ "$mounted" = no ] || umount "$root/proc"; }
trap cleanup EXIT

in_root() { echo "# $*"; chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

cp "$deb" "$root/tmp/"
name=$(basename "$deb")
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./tmp/$name" \
  | awk '/^The following NEW/,/newly installed/; /^Setting up varnel/'
in_root dpkg-query -W -f='${Package} ${Version}\nDepends: ${Depends}\n' varnel
in_root sh -c 'for p in Varnel narrate automation-hold; do command -v $p; done'
in_root ls /usr/share/applications /usr/share/icons/hicolor/scalable/apps
in_root narrate --version
in_root Varnel --version
in_root sh -c 'narrate --voices | head -3'
in_root sh -c 'cd /tmp && echo "Varnel speaks on a clean Debian twelve." >hello.txt && narrate hello.txt hello.wav 1 0 100; echo " (exit $?)"'
in_root sh -c 'cd /tmp && ls -l hello.wav && od -An -c -N4 hello.wav'
# The dialog, started as the menu entry starts it, on Qt's offscreen platform (no
# display here): it opens, and mfc ends a modal dialog that no one can see at once.
in_root env QT_QPA_PLATFORM=offscreen sh -c 'export XDG_RUNTIME_DIR=$(mktemp -d); cd && Varnel --menu; echo "exit $?"; ls -A ~ ~/.config/varnel'
