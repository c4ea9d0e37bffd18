#!/usr/bin/env bash
# A private Wine world for the tests and the demo: its own prefix (code page 936,
# the CJK font linked to Tahoma), its own Xvfb display, and the ODBC data sources
# of a testdb.sh cluster. Nothing of the user's own prefix or ODBC settings is used.
#
#   wine-env.sh start DIR [ODBCINI]   create DIR/prefix, start Xvfb, write DIR/env
#   wine-env.sh stop DIR              stop wineserver and Xvfb
#
# DIR/env is sourced by wine-run.sh; it exports WINEPREFIX, DISPLAY, LANG, ODBCINI.
set -euo pipefail

cmd=${1:?usage: wine-env.sh start|stop DIR [ODBCINI]}
dir=${2:?DIR missing}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

case $cmd in
start)
  odbcini=${3:-}
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
export WINEPREFIX='$dir/prefix'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8
export DISPLAY=:$display
export WINESERVER=$wineserver
ENV
  [ -n "$odbcini" ] && echo "export ODBCINI='$odbcini'" >>"$dir/env"
  # shellcheck disable=SC1091
  . "$dir/env"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f >/dev/null 2>&1
  # No window manager runs on the display: without this, hiding an activated
  # window waits two seconds for a manager's answer that never comes.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # A crashing test must fail, not wait for someone to close a crash dialog.
  "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  "$wineserver" -w
  echo "wine-env: prefix $WINEPREFIX on display :$display"
  ;;
stop)
  if [ -f "$dir/env" ]; then
    # shellcheck disable=SC1091
    (. "$dir/env" && "$wineserver" -k >/dev/null 2>&1) || true
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
