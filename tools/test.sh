#!/usr/bin/env bash
# Runs every test: installs what is missing (the WoW64 root included), builds
# the three trees and runs their CTest suites: native with sanitizers and a
# real PostgreSQL; the shipped i686 build under the WoW64 root's Wine on Xvfb,
# with the static checks of its DLL; the x86_64 twin under the machine's
# wine64, a second platform; the packet-reader fuzzer; then the release
# package, built twice and compared. Exits non-zero on any failure.
#
# The Wine suites spend most of their time waiting on windows and the
# database, so the next build runs beside each of them at the lowest CPU
# priority: the x86_64 twin's beside the i686 suite, the release package's
# beside the twin's suite and the fuzzer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" native win32
build=${QX_BUILD_ROOT:-$root/build}
mkdir -p "$build"

status=0
run() {
  local tree=$1; shift
  echo "== test $tree"
  if ! ctest --test-dir "$build/$tree" --output-on-failure "$@"; then
    status=1
  fi
}
# background NAME COMMAND...: runs the command at the lowest priority with its
# output in build/NAME.log; `finish NAME` waits for it and shows that output.
declare -A pids
background() {
  local name=$1; shift
  nice -n 19 "$@" >"$build/$name.log" 2>&1 &
  pids[$name]=$!
}
finish() {
  local name=$1 rc=0
  wait "${pids[$name]}" || rc=$?
  cat "$build/$name.log"
  if [ $rc -ne 0 ]; then
    echo "test.sh: $name failed" >&2
    return 1
  fi
}

run native -j "$(nproc)"
background build-win64 "$root/tools/build.sh" win64
# GUI tests share one display and the keyboard focus: one at a time.
run win32 -j 1
finish build-win64 || { echo "test.sh: FAILED" >&2; exit 1; }

# The release package, built twice in different folders: the same bytes.
background package "$root/tools/package.sh" --twice
run win64 -j 1
"$root/tools/fuzz.sh" 60 || status=1
echo "== release package"
finish package || status=1

if [ $status -ne 0 ]; then
  echo "test.sh: FAILED" >&2
else
  echo "test.sh: all test suites passed"
fi
exit $status
