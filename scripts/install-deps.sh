#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need.
# Only what is missing is installed; sudo is used when not running as root.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  googletest libgtest-dev libgmock-dev
  libespeak-ng-dev espeak-ng-data espeak-ng libsonic-dev flite1-dev libsamplerate0-dev
  libpulse-dev pulseaudio pulseaudio-utils
  qt6-base-dev fonts-wqy-microhei
  sox time xdg-utils dbus xvfb libx11-dev libxtst-dev
  zlib1g-dev clang libclang-rt-14-dev desktop-file-utils appstream man-db lintian
  libzip-dev libxml2-dev libpoppler-cpp-dev libpoppler-glib-dev libmd4c-dev
  libopus-dev libogg-dev libvorbis-dev libflac-dev libmp3lame-dev libsoxr-dev
  libavcodec-dev libavformat-dev libavutil-dev
  ffmpeg opus-tools lame flac python3-mutagen pocketsphinx pocketsphinx-en-us
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
