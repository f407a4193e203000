#!/usr/bin/env bash
# Installs what the build, the tests and the sample run need on Debian 12. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl1-mesa-dev
  libpcre2-dev libgtest-dev libgmock-dev
  xvfb xauth fonts-dejavu-core locales
)
# The users' locales, which the test suite also runs under.
locales=(ru_RU ps_AF)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

for l in "${locales[@]}"; do
  if ! locale -a | grep -qix "$l.utf8"; then
    echo "Generating the locale $l.UTF-8"
    "${sudo_cmd[@]}" localedef -i "$l" -f UTF-8 "$l.UTF-8"
  fi
done
