#!/usr/bin/env bash
# Configures and builds the three trees under build/:
#   build/native  the portable core and its tests (sanitizers)
#   build/win64   the x86_64 twin and its Windows tests (run under wine64)
#   build/win32   the product, qxempduty.dll (i686)
# Usage: tools/build.sh [native|win64|win32 ...]   (default: all three)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
trees=("$@")
[ ${#trees[@]} -gt 0 ] || trees=(native win64 win32)

for t in "${trees[@]}"; do
  case $t in
  native) args=(-DQX_TEST_PGPORT=55433) ;;
  win64)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" -DQX_TEST_PGPORT=55434) ;;
  win32)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake") ;;
  *) echo "build.sh: unknown tree $t" >&2; exit 2 ;;
  esac
  echo "== build $t"
  cmake -S "$root" -B "$root/build/$t" -G Ninja "${args[@]}" >/dev/null
  cmake --build "$root/build/$t" -j "$(nproc)"
done
