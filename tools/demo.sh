#!/usr/bin/env bash
# The library's main job, live: a demo database with a few staff, and a 32-bit
# demo host that loads the shipped i686 qxempduty.dll under the WoW64 Wine
# (tools/wow64.sh) and calls EmpOnDuty / EmpOffDuty.
#
#   tools/demo.sh              with a display: open the clock-in dialog there;
#                              swipe cards into it with tools/swipe.sh
#   tools/demo.sh --scripted   (the default without a display) a scripted session
#                              on a private Xvfb: a clock-in by a swipe, a duplicate
#                              clock-in, then the clock-out dialog and a clock-out;
#                              a screenshot of each state in build/demo/screens and
#                              the OnDuty rows at the end. Exits non-zero when a step
#                              fails (no dialog, no row stored, the dialog not closing).
#
# Everything is private to build/demo: its own PostgreSQL cluster, Wine prefix
# and (scripted) display; it is all stopped again when the demo ends.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QX_BUILD_ROOT:-$root/build}
demo=$build/demo

scripted=0
case ${1:-} in
--scripted) scripted=1 ;;
"") ;;
*) echo "usage: tools/demo.sh [--scripted]" >&2; exit 2 ;;
esac
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then scripted=1; fi

# A port of this checkout's own, the next free one if another program has it.
port=${QX_DEMO_PGPORT:-$((55000 + ($(printf '%s' "$root" | cksum | cut -d' ' -f1) % 400) * 2 + 900))}
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

"$root/tools/setup.sh"
"$root/tools/build.sh" win32 >/dev/null
echo "demo: built $build/win32/bin/qxempduty.dll (i686)"

host_pid=
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  "$root/tools/wine-env.sh" stop "$demo/wine" || true
  "$root/tools/testdb.sh" stop "$demo/db" || true
}
trap cleanup EXIT

"$root/tools/testdb.sh" start "$demo/db" "$port" "$root/tools/demo-data.sql"
if [ $scripted = 0 ]; then
  export QX_DISPLAY=$DISPLAY
else
  unset QX_DISPLAY
fi
"$root/tools/wine-env.sh" start --wow64 "$demo/wine" "$demo/db/odbc.ini"
export QX_WINE_DIR=$demo/wine

sql() { "$root/tools/testdb.sh" psql "$demo/db" "$@"; }
echo "demo: staff cards in the demo database:"
sql -c "select UserID, UserName, AccessCode from HotelUser order by UserID"
cd "$build/win32/bin"

if [ $scripted = 0 ]; then
  echo "demo: the clock-in dialog opens on $DISPLAY. Swipe a card into it from another terminal:"
  echo "        tools/swipe.sh 12345      (0001, stored as the bare number)"
  echo "        tools/swipe.sh 23456      (0002, stored as the framed track)"
  echo "      then close the dialog with its red button."
  "$root/tools/wine-run.sh" demo_host.exe on dinoraasa
  echo "demo: OnDuty now holds:"
  sql -c "select * from OnDuty order by HotelDate, UserID"
  exit 0
fi

# --- the scripted session ------------------------------------------------------

DISPLAY=$(sed -n 's/^export DISPLAY=//p' "$demo/wine/env")
export DISPLAY
screens=$demo/screens
rm -rf "$screens"
mkdir -p "$screens"

fail() {
  echo "demo: FAILED: $*" >&2
  [ -n "${win:-}" ] && import -window root "$screens/failure.png" 2>/dev/null &&
    echo "demo: the screen at the failure: $screens/failure.png" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  local tenths=$1; shift
  for _ in $(seq 1 "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# The dialog's window (702 x 518, named "Dialog") into $win, its screen
# position into $wx, $wy.
find_dialog() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Dialog$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" = 702 ] && [ "$HEIGHT" = 518 ]; then
      win=$w wx=$X wy=$Y
      return 0
    fi
  done
  return 1
}

# The colour (RRGGBB) of the dialog's pixel at client x, y, as the screen shows it.
pixel() {
  import -window root png:- 2>/dev/null |
    convert - -crop "1x1+$((wx + $1))+$((wy + $2))" +repage -format '%[hex:p{0,0}]' info:- 2>/dev/null |
    cut -c1-6 | tr 'A-F' 'a-f'
}
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# A fingerprint of what the dialog shows.
dialog_sum() { import -window root -crop "702x518+$wx+$wy" +repage rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
# Waits until the dialog shows something else than $1 and then holds still.
settled_after() {
  local before=$1 last now
  last=$(dialog_sum)
  for _ in $(seq 1 50); do
    sleep 0.2
    now=$(dialog_sum)
    [ "$now" != "$before" ] && [ "$now" = "$last" ] && return 0
    last=$now
  done
  return 1
}

shot() {
  import -window root -crop "702x518+$wx+$wy" +repage "$screens/$1.png"
  echo "demo: screenshot $screens/$1.png"
}

# Places in the dialog's client area (pixels from its top-left corner).
close_x=600 close_y=464       # the close button's centre (button at 524, 436, 153 x 57)
button_x=530 button_y=450     # a red pixel of the button, left of its cross
main_x=48 main_y=72           # inside pMain: blue for clock-in, green for clock-out
info_x=89 info_y=185          # inside pInfo: teal for a stored time, red for a rejection

open_dialog() {  # on|off, the colour pMain must have
  "$root/tools/wine-run.sh" demo_host.exe "$1" dinoraasa >"$demo/host-$1.log" 2>&1 &
  host_pid=$!
  within 300 find_dialog || fail "no duty dialog appeared for demo_host $1 (log: $demo/host-$1.log)"
  within 100 pixel_is $button_x $button_y ff0000 || fail "the dialog never showed its red close button"
  pixel_is $main_x $main_y "$2" || fail "pMain is $(pixel $main_x $main_y), not $2, in mode $1"
  echo "demo: $1-duty dialog is window $win at $wx,$wy"
}

swipe() {  # card, the colour pInfo must turn to
  local before
  before=$(dialog_sum)
  # Keys go where the X focus is; no window manager runs, so point at the dialog.
  xdotool mousemove $((wx + 351)) $((wy + 100))
  "$root/tools/swipe.sh" "$1"
  settled_after "$before" || fail "the dialog did not change after the swipe of $1"
  pixel_is $info_x $info_y "$2" || fail "pInfo is $(pixel $info_x $info_y), not $2, after the swipe of $1"
}

close_dialog() {
  xdotool mousemove $((wx + close_x)) $((wy + close_y)) click 1
  within 100 eval '! kill -0 $host_pid 2>/dev/null' || fail "the dialog did not close on its close button"
  wait "$host_pid" || fail "demo_host failed (log: $1)"
  host_pid=
  grep -q 'call returned' "$1" || fail "the host call did not return normally (log: $1)"
  ! find_dialog || fail "the dialog is still on the screen"
}

rows() { sql -At -c "select count(*) from OnDuty where UserID = '0001' and $1"; }

echo "demo: --- clock-in"
open_dialog on 0000ff
shot 1-clock-in-open
swipe 12345 008080
[ "$(rows 'OnTime is not null and OffTime is null')" = 1 ] || fail "no clock-in row stored for 0001"
shot 2-clock-in-stored
echo "demo: --- the same card again"
on_time=$(sql -At -c "select OnTime from OnDuty where UserID = '0001'")
swipe 12345 ff0000
[ "$(rows 'true')" = 1 ] || fail "the duplicate clock-in added a row"
[ "$(sql -At -c "select OnTime from OnDuty where UserID = '0001'")" = "$on_time" ] ||
  fail "the duplicate clock-in changed the stored time"
shot 3-clock-in-duplicate
close_dialog "$demo/host-on.log"

echo "demo: --- clock-out"
open_dialog off 008000
shot 4-clock-out-open
swipe 12345 008080
[ "$(rows 'OnTime is not null and OffTime is not null')" = 1 ] || fail "no clock-out time stored for 0001"
shot 5-clock-out-stored
close_dialog "$demo/host-off.log"

echo "demo: OnDuty now holds:"
sql -c "select * from OnDuty order by HotelDate, UserID"
echo "demo: scripted session passed; screenshots in $screens"
