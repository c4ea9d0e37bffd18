#!/usr/bin/env bash
# Types a card the way a magnetic card reader does: the track framed by ";"
# and "?", then Enter, a few milliseconds per key, into whatever window has the
# keyboard focus on the demo's display.
#
#   tools/swipe.sh 12345            swipes ;12345?
#   tools/swipe.sh --raw 12345      types 12345 and Enter (a number keyed in fast)
#
# The display is the demo's (build/demo/wine/env) unless DISPLAY is set.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
frame=1
if [ "${1:-}" = --raw ]; then frame=0; shift; fi
card=${1:?usage: swipe.sh [--raw] CARDNUMBER}
if [ -z "${DISPLAY:-}" ]; then
  env_file=${QX_WINE_DIR:-${QX_BUILD_ROOT:-$root/build}/demo/wine}/env
  DISPLAY=$(sed -n 's/^export DISPLAY=//p' "$env_file")
  export DISPLAY
fi
text=$card
[ $frame = 1 ] && text=";$card?"
# A reader delivers a whole card well within a second.
xdotool type --delay 15 -- "$text"
xdotool key --delay 15 Return
