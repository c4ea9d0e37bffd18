#!/usr/bin/env bash
# The release for sites: an optimised, stripped i686 qxempduty.dll, qxtable.exe
# and qxcheck.exe, their debug information kept apart (tied to them by
# .gnu_debuglink), and two zip files:
#   dist/qxempduty-<version>-win32.zip          the DLL, qxtable.exe, qxcheck.exe, the site guide,
#                                               SHA256SUMS
#   dist/qxempduty-<version>-win32-symbols.zip  the three .debug files
#
#   tools/package.sh                build into build/release, package into dist/
#   tools/package.sh --twice        the same, then once more from a copy of the sources in
#                                   another folder, and compare the two byte for byte (fails
#                                   naming the files that differ)
#
# Reproducible: the same commit gives the same bytes wherever it is built.
# SOURCE_DATE_EPOCH (default: the commit's date) fixes the times in the zips.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QX_BUILD_ROOT:-$root/build}

twice=0
case ${1:-} in
--twice) twice=1 ;;
"") ;;
*) echo "usage: tools/package.sh [--twice]" >&2; exit 2 ;;
esac

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(qxempduty VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
triple=i686-w64-mingw32
programs=(qxempduty.dll qxtable.exe qxcheck.exe)
shipped=(qxempduty.dll qxtable.exe qxcheck.exe qxempduty-site-guide.txt)

# package SOURCE BUILD DIST: one release build of the sources in SOURCE.
package() {
  local src=$1 out=$2 dist=$3 stage f
  echo "== release build of $src in $out"
  cmake -S "$src" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQX_RELEASE=ON -DQX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$out" -j "$(nproc)" --target qxempduty qxtable qxcheck

  stage=$out/stage
  rm -rf "$stage"
  mkdir -p "$stage/package" "$stage/symbols"
  for f in "${programs[@]}"; do
    "$triple-objcopy" --only-keep-debug "$out/bin/$f" "$stage/symbols/$f.debug"
    "$triple-strip" --strip-all -o "$stage/package/$f" "$out/bin/$f"
    # The link names the debug file by its name alone, with its checksum.
    (cd "$stage/symbols" && "$triple-objcopy" --add-gnu-debuglink="$f.debug" "$stage/package/$f")
  done
  cp "$src/resources/site-guide.txt" "$stage/package/qxempduty-site-guide.txt"
  (cd "$stage/package" && sha256sum "${shipped[@]}" >SHA256SUMS)

  # The static checks disassemble the exports by their symbols: they read
  # the DLL as linked, whose code check_release.py finds unchanged in the
  # stripped one.
  python3 "$src/tests/static/check_dll.py" "$out/bin/qxempduty.dll" "$triple-objdump" >"$stage/check_dll.log" ||
    { cat "$stage/check_dll.log" >&2; echo "package: the release DLL fails its static checks" >&2; return 1; }
  python3 "$src/tests/static/check_release.py" "$stage/package" "$stage/symbols" "$triple" "$out/bin" ||
    { echo "package: the release binaries fail their checks" >&2; return 1; }

  mkdir -p "$dist"
  rm -f "$dist/qxempduty-$version-win32.zip" "$dist/qxempduty-$version-win32-symbols.zip"
  python3 "$src/tools/reproducible_zip.py" "$dist/qxempduty-$version-win32.zip" "$stage/package" \
    "${shipped[@]}" SHA256SUMS
  python3 "$src/tools/reproducible_zip.py" "$dist/qxempduty-$version-win32-symbols.zip" "$stage/symbols" \
    "${programs[@]/%/.debug}"
  # What a site unpacks: exactly these files, each matching its line of SHA256SUMS.
  rm -rf "$stage/unpacked"
  python3 -c '
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
want = sys.argv[3:]
if names != want:
    sys.exit("package: the zip holds %r, not %r" % (names, want))
z.extractall(sys.argv[2])
 ' "$dist/qxempduty-$version-win32.zip" "$stage/unpacked" "${shipped[@]}" SHA256SUMS
  (cd "$stage/unpacked" && sha256sum --quiet -c SHA256SUMS) ||
    { echo "package: the unpacked files do not match SHA256SUMS" >&2; return 1; }
  echo "package: $dist/qxempduty-$version-win32.zip ($(stat -c %s "$stage/package/qxempduty.dll") bytes of DLL), file list and sums checked"
}

package "$root" "$build/release" "$root/dist"
[ $twice = 1 ] || exit 0

# The second build: the same files in another folder, built into another.
copy=$build/repro/src
rm -rf "$build/repro"
mkdir -p "$copy"
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - ) | tar -xf - -C "$copy"
package "$copy" "$build/repro/release" "$build/repro/dist"

differ=()
for f in "${programs[@]}"; do
  cmp -s "$build/release/stage/package/$f" "$build/repro/release/stage/package/$f" || differ+=("$f")
  cmp -s "$build/release/stage/symbols/$f.debug" "$build/repro/release/stage/symbols/$f.debug" || differ+=("$f.debug")
done
for z in "qxempduty-$version-win32.zip" "qxempduty-$version-win32-symbols.zip"; do
  cmp -s "$root/dist/$z" "$build/repro/dist/$z" || differ+=("$z")
done
echo "package: SHA-256 of the two builds:"
(cd "$root/dist" && sha256sum ./*.zip) | sed 's/^/  first:  /'
(cd "$build/repro/dist" && sha256sum ./*.zip) | sed 's/^/  second: /'
if ((${#differ[@]})); then
  echo "package: FAILED: the two builds differ in ${differ[*]}" >&2
  exit 1
fi
echo "package: the two builds are identical"
