#!/usr/bin/env bash
# Installs the Debian packages Voxtrel needs to build, run and test, only those missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config clang-tidy clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libfltk1.3-dev libfontconfig-dev portaudio19-dev libasound2-dev libjack-jackd2-dev
  fonts-ipafont-gothic fonts-nanum fonts-wqy-zenhei unicode-data
  libespeak-ng1
  xvfb x11-apps x11-utils x11-xkb-utils netpbm xdotool xdg-utils
  openbox xclip libgtk2.0-0 libxfixes-dev desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
