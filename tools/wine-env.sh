#!/usr/bin/env bash
# A private Wine world for the tests and the demo: its own prefix (code page 936,
# the CJK font linked to Tahoma), its own Xvfb display, and the ODBC data sources
# of a testdb.sh cluster. Nothing of the user's own prefix or ODBC settings is used.
#
#   wine-env.sh start [--wow64] DIR [ODBCINI]   create DIR/prefix, start Xvfb, write DIR/env
#   wine-env.sh stop DIR                        stop wineserver and Xvfb
#
# Two Wines: the machine's own wine64, which runs the x86_64 build, and with
# --wow64 the Wine of the root that tools/wow64.sh keeps, which runs the i686
# build (32-bit Windows code in 64-bit processes).
#
# DIR/env is sourced by wine-run.sh; it exports WINEPREFIX, DISPLAY, LANG, ODBCINI
# and QX_WINE_FLAVOUR (wine64 or wow64).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cmd=${1:?usage: wine-env.sh start|stop [--wow64] DIR [ODBCINI]}
shift
flavour=wine64
if [ "${1:-}" = --wow64 ]; then flavour=wow64; shift; fi
dir=${1:?DIR missing}

# Runs a program of the chosen Wine (wine, wineserver) with DIR/env in force.
wine_tool() {
  local tool=$1; shift
  if [ "$QX_WINE_FLAVOUR" = wow64 ]; then
    case $tool in
    wine) "$here/wow64.sh" run wine "$@" ;;
    wineserver) "$here/wow64.sh" run /usr/lib/x86_64-linux-gnu/wine/wineserver "$@" ;;
    esac
  else
    case $tool in
    wine) /usr/lib/wine/wine64 "$@" ;;
    wineserver) /usr/lib/wine/wineserver64 "$@" ;;
    esac
  fi
}

case $cmd in
start)
  odbcini=${2:-}
  [ -z "$odbcini" ] || odbcini=$(realpath -m "$odbcini")
  "$0" stop "$dir" >/dev/null 2>&1 || true
  rm -rf "$dir/prefix"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)

  # A display nobody else uses, unless QX_DISPLAY names one to show the
  # windows on (the demo on a desktop).
  display=${QX_DISPLAY:-}; display=${display#:}
  for n in $([ -z "$display" ] && seq 91 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "wine-env: no free X display" >&2; exit 1; }

  if [ -z "${QX_DISPLAY:-}" ]; then
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$display" ] || { echo "wine-env: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
  fi

  cat >"$dir/env" <<ENV
export QX_WINE_FLAVOUR=$flavour
export WINEPREFIX='$dir/prefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
export DISPLAY=:$display
ENV
  if [ $flavour = wow64 ]; then
    "$here/wow64.sh" path >/dev/null
    # The 32-bit side of this Wine's odbc32 needs a repaired SQLAllocHandle
    # (see the shim's source); the root runs the same unixODBC soname.
    cc -shared -fPIC -O2 -o "$dir/odbc_alloc_shim.so" "$here/../tests/odbc/odbc_alloc_shim.c" \
      -Wl,--no-as-needed -lodbc -ldl
    cat >>"$dir/env" <<ENV
export WINESERVER=/usr/lib/x86_64-linux-gnu/wine/wineserver
export LIB_ODBC_DRIVER_MANAGER='$dir/odbc_alloc_shim.so'
ENV
  else
    echo "export WINESERVER=/usr/lib/wine/wineserver64" >>"$dir/env"
  fi
  [ -n "$odbcini" ] && echo "export ODBCINI='$odbcini'" >>"$dir/env"
  # shellcheck disable=SC1091
  . "$dir/env"
  wine_tool wine wineboot -i >/dev/null 2>&1
  reg() { wine_tool wine reg add "$@" /f >/dev/null 2>&1; }
  reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei'
  # No window manager runs on the display: without this, hiding an activated
  # window waits two seconds for a manager's answer that never comes.
  reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
  # A crashing test must fail, not wait for someone to close a crash dialog.
  reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  if [ $flavour = wow64 ] && [ -n "$odbcini" ]; then
    # This Wine's odbc32 looks a data source up in the registry (both views)
    # before unixODBC reads its settings from ODBCINI.
    for dsn in $(sed -n 's/^\[\(.*\)\]$/\1/p' "$odbcini"); do
      for view in 64 32; do
        reg 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' /v "$dsn" /t REG_SZ /d 'PostgreSQL ANSI' /reg:$view
      done
    done
  fi
  wine_tool wineserver -w
  echo "wine-env: $flavour prefix $WINEPREFIX on display :$display"
  ;;
stop)
  if [ -f "$dir/env" ]; then
    # shellcheck disable=SC1091
    (. "$dir/env" && wine_tool wineserver -k >/dev/null 2>&1) || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" >/dev/null 2>&1 || true
    rm -f "$dir/xvfb.pid"
  fi
  ;;
*)
  echo "wine-env.sh: unknown command $cmd" >&2
  exit 2
  ;;
esac
