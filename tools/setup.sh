#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-i686
  wine64 xvfb xdotool x11-utils imagemagick locales fonts-wqy-zenhei
  unixodbc unixodbc-dev odbc-postgresql postgresql
  googletest libgtest-dev libgmock-dev gettext python3 mmdebstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Code page 936 under Wine needs the zh_CN.UTF-8 locale generated.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  locale-gen >/dev/null
fi
echo "setup: all packages present"

# The 32-bit build runs under a Wine that Debian 12 does not have: a Debian
# unstable root, built once into a cache folder and reused.
"$(dirname "${BASH_SOURCE[0]}")/wow64.sh" build
