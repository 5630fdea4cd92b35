#!/usr/bin/env bash
# Installs every Debian package the project needs. Quick when everything is present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  wordnet-dev wordnet-base
  librtmidi-dev libjack-jackd2-dev jackd2
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # tools the tests use to make and read back image and movie files
  netpbm libjpeg-turbo-progs libtiff-tools imagemagick ffmpeg mediainfo libstb-dev
  # the desktop databases the program and the install update, and the tests read back
  shared-mime-info desktop-file-utils
  # the worker pool for per-pixel work
  libtbb-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

# librtmidi-dev, libjack-jackd2-dev and jackd2 always go in one install: alone, librtmidi-dev picks JACK 1
# (libjack-dev), and jackd2 installed later removes it together with librtmidi-dev. When any of the
# three is missing, all three are named, so apt replaces JACK 1 and keeps librtmidi-dev.
jack_trio=(librtmidi-dev libjack-jackd2-dev jackd2)
for p in "${jack_trio[@]}"; do
  if [[ " ${missing[*]} " == *" $p "* ]]; then
    for q in "${jack_trio[@]}"; do
      [[ " ${missing[*]} " == *" $q "* ]] || missing+=("$q")
    done
    break
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
# Non-interactive: jackd2 asks a debconf question; no recommends: jackd2's bring qjackctl.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout=600 "${missing[@]}"
