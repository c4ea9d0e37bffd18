#!/usr/bin/env bash
# Configures and builds the three trees under build/:
#   build/native  the portable core and its tests (sanitizers)
#   build/win64   the x86_64 twin and its Windows tests (run under wine64)
#   build/win32   the product, qxempduty.dll (i686)
# Usage: tools/build.sh [native|win64|win32 ...]   (default: all three)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
trees=("$@")
build=${QX_BUILD_ROOT:-$root/build}
# Each checkout gets its own PostgreSQL ports (one per tree), so that test runs of two
# checkouts on one machine do not meet; QX_PGPORT_BASE overrides.
base=${QX_PGPORT_BASE:-$((55000 + ($(printf '%s' "$root" | cksum | cut -d' ' -f1) % 400) * 4))}
[ ${#trees[@]} -gt 0 ] || trees=(native win64 win32)

# The Windows test trees are optimised as the release is, without debug
# information: it is most of their build time and size, and none of their
# test runs reads it (the release build keeps its own, split off).
for t in "${trees[@]}"; do
  case $t in
  native) args=(-DQX_TEST_PGPORT=$((base + 1))) ;;
  win64)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release
                -DQX_TEST_PGPORT=$((base + 2))) ;;
  win32)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release
                -DQX_TEST_PGPORT=$((base + 3))) ;;
  *) echo "build.sh: unknown tree $t" >&2; exit 2 ;;
  esac
  echo "== build $t"
  cmake -S "$root" -B "$build/$t" -G Ninja "${args[@]}" >/dev/null
  cmake --build "$build/$t" -j "$(nproc)"
done
