#!/usr/bin/env bash
# Runs every test: installs what is missing (the WoW64 root included), builds
# the three trees and runs their CTest suites: native with sanitizers and a
# real PostgreSQL; the shipped i686 build under the WoW64 root's Wine on Xvfb,
# with the static checks of its DLL; the x86_64 twin under the machine's
# wine64, a second platform; then the release package, built twice and
# compared. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" native win32 win64
build=${QX_BUILD_ROOT:-$root/build}

status=0
run() {
  local tree=$1; shift
  echo "== test $tree"
  if ! ctest --test-dir "$build/$tree" --output-on-failure "$@"; then
    status=1
  fi
}
run native -j "$(nproc)"
# GUI tests share one display and the keyboard focus: one at a time.
run win32 -j 1
run win64 -j 1
"$root/tools/fuzz.sh" 60 || status=1
# The release package, built twice in different folders: the same bytes.
echo "== release package"
"$root/tools/package.sh" --twice || status=1
if [ $status -ne 0 ]; then
  echo "test.sh: FAILED" >&2
else
  echo "test.sh: all test suites passed"
fi
exit $status
