#!/usr/bin/env bash
# The root file system in which the 32-bit build's Windows programs run.
#
# This machine's kernel runs no 32-bit Linux programs and its own wine64 cannot
# start 32-bit Windows code. Debian unstable's Wine 10.0 (its amd64 package,
# built with both PE architectures) can: it runs 32-bit Windows programs inside
# 64-bit processes ("wow64 mode"). That Wine lives in a Debian unstable root,
# built once with mmdebstrap into a cache folder outside the checkout and used
# read-only through chroot in a private mount namespace, so that no mount
# outlives the command that needed it and nothing of the machine's own
# packages or apt sources changes.
#
#   wow64.sh build          make sure the root exists (reused while its package list is unchanged)
#   wow64.sh path           print the root's folder (fails when it is not built)
#   wow64.sh run CMD ...    run CMD inside the root as the caller, same environment and folder
#
# QX_CACHE_DIR names the cache folder (default /var/cache/qxempduty).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
checkout=$(cd "$here/.." && pwd)
cache=${QX_CACHE_DIR:-/var/cache/qxempduty}
suite=sid
packages=(wine wine64 libwine unixodbc odbc-postgresql fonts-wqy-zenhei locales)
# A root is reused only while what it was built from is unchanged.
key=$(printf '%s\n' "$suite" "${packages[@]}" "locale zh_CN.UTF-8" | sha256sum | cut -c1-16)
root=$cache/wow64-root-$key

die() { echo "wow64: $*" >&2; exit 1; }

# The Debian mirror of the machine's own apt sources: the first deb822 URIs
# or one-line "deb" entry that serves the main archive (not the security one).
mirror() {
  local uri
  uri=$( {
    grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | awk '{print $2}'
    grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -E 's/^deb +(\[[^]]*\] +)?//' | awk '{print $1}'
  } | grep -v -- '-security' | grep -E '/debian/?$' | head -n 1)
  [ -n "$uri" ] || die "no Debian mirror found in this machine's apt sources"
  echo "$uri"
}

# What a usable root holds: the root's Wine with the 32-bit PE libraries (a
# Wine built without them has one file there and cannot run 32-bit code), its
# wineserver, the ODBC driver and the generated locale.
verify() {
  local dir=$1 count
  count=$(find "$dir/usr/lib/x86_64-linux-gnu/wine/i386-windows" -maxdepth 1 -type f 2>/dev/null | wc -l)
  [ "$count" -ge 100 ] || { echo "its Wine has $count 32-bit PE libraries in usr/lib/x86_64-linux-gnu/wine/i386-windows (needs hundreds)"; return 1; }
  # Links there point into the root's own /etc/alternatives: look from inside.
  chroot "$dir" test -x /usr/bin/wine || { echo "usr/bin/wine is missing"; return 1; }
  chroot "$dir" test -x /usr/lib/x86_64-linux-gnu/wine/wineserver || { echo "its wineserver is missing"; return 1; }
  [ -e "$dir/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so" ] || { echo "the PostgreSQL ODBC driver is missing"; return 1; }
  [ -e "$dir/usr/lib/x86_64-linux-gnu/libodbc.so.2" ] || { echo "unixODBC is missing"; return 1; }
  chroot "$dir" locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$' || { echo "locale zh_CN.UTF-8 is not generated"; return 1; }
}

build() {
  if [ -f "$root/.qx-complete" ]; then
    return 0
  fi
  [ "$(id -u)" = 0 ] || die "building the root needs root (mmdebstrap, chroot)"
  command -v mmdebstrap >/dev/null || die "mmdebstrap is not installed (tools/setup.sh installs it)"
  local url tmp why
  url=$(mirror)
  mkdir -p "$cache"
  # Built beside its final place and renamed only once checked: a half-built
  # root is never taken for a finished one.
  rm -rf "$root.tmp"
  tmp=$root.tmp
  echo "wow64: building the Debian $suite root for 32-bit Wine in $root (from $url)"
  if ! mmdebstrap --quiet --variant=apt --include="$(IFS=,; echo "${packages[*]}")" \
      --aptopt='APT::Install-Recommends "false"' --aptopt='Acquire::Check-Valid-Until "false"' \
      "$suite" "$tmp" "$url" >"$cache/wow64-build.log" 2>&1; then
    tail -n 20 "$cache/wow64-build.log" >&2
    rm -rf "$tmp"
    die "mmdebstrap could not build the root from $url (is the mirror reachable?); log: $cache/wow64-build.log"
  fi
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' "$tmp/etc/locale.gen"
  chroot "$tmp" locale-gen >/dev/null
  if ! why=$(verify "$tmp"); then
    rm -rf "$tmp"
    die "the root built from $url is not usable: $why"
  fi
  touch "$tmp/.qx-complete"
  mv "$tmp" "$root"
  # Old roots of other package lists are of no further use.
  find "$cache" -maxdepth 1 -name 'wow64-root-*' ! -name "$(basename "$root")" -exec rm -rf {} +
  echo "wow64: root ready ($(du -sh "$root" | cut -f1))"
}

# Runs "$@" chrooted into the root inside a new mount namespace. The kernel
# drops the namespace, and every bind mount in it, when its last process
# (usually the wineserver) ends: nothing is left mounted on the machine.
run() {
  [ -f "$root/.qx-complete" ] || die "the root is not built: run tools/wow64.sh build (tools/setup.sh does)"
  # The checkout, the build folders and any folder the caller names are seen
  # at the same paths inside; a folder inside one already bound needs nothing.
  local binds=() dir b
  for dir in "$checkout" ${QX_BUILD_ROOT:-} ${QX_WOW64_BINDS:-}; do
    dir=$(realpath -m "$dir")
    [ "$dir" != / ] || continue
    for b in "${binds[@]}"; do
      case $dir/ in "$b"/*) continue 2 ;; esac
    done
    binds+=("$dir")
  done
  exec unshare --mount --propagation private -- /bin/bash -c '
    set -e
    root=$1; shift
    nbinds=$1; shift
    mount --rbind /proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    if [ -d /tmp/.X11-unix ]; then
      mkdir -p "$root/tmp/.X11-unix"
      mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    fi
    for ((i = 0; i < nbinds; i++)); do
      dir=$1; shift
      [ -d "$dir" ] || continue
      mkdir -p "$root$dir"
      mount --rbind "$dir" "$root$dir"
    done
    # The caller'"'"'s folder when it is seen inside, else the root'"'"'s /.
    exec chroot "$root" /bin/sh -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$PWD" "$@"
  ' qx-wow64 "$root" "${#binds[@]}" "${binds[@]}" "$@"
}

case ${1:-} in
build) build ;;
path) [ -f "$root/.qx-complete" ] || die "the root is not built"; echo "$root" ;;
run) shift; run "$@" ;;
*) echo "usage: wow64.sh build|path|run CMD ..." >&2; exit 2 ;;
esac
