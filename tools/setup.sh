#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, but only those that are
# missing, so a second run costs a fraction of a second and needs no network.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsdl2-dev libfreetype-dev libpng-dev libdevil-dev zlib1g-dev librtmidi-dev
  fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libgme-dev python3-mido python3-numpy sox mednafen
  sdcc libz80ex-dev
  xvfb xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
if ! { $sudo apt-get update -qq && \
       $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log"
  echo "setup: apt-get failed" >&2
  exit 1
fi
rm -f "$log"
