#!/usr/bin/env bash
# The library's main job, live: a demo database with a few staff, and a demo
# host that loads qxempduty.dll under Wine and calls EmpOnDuty against it.
#
#   tools/demo.sh            run the demo (on $DISPLAY when there is one, else on Xvfb)
#
# Everything is private to build/demo: its own PostgreSQL cluster, Wine prefix
# and display; it is all stopped again when the demo ends.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QX_BUILD_ROOT:-$root/build}
demo=$build/demo
port=${QX_DEMO_PGPORT:-55432}

"$root/tools/setup.sh"
"$root/tools/build.sh" win64 >/dev/null
echo "demo: built $build/win64/bin/qxempduty.dll"

cleanup() {
  "$root/tools/wine-env.sh" stop "$demo/wine" || true
  "$root/tools/testdb.sh" stop "$demo/db" || true
}
trap cleanup EXIT

"$root/tools/testdb.sh" start "$demo/db" "$port" "$root/tools/demo-data.sql"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export QX_DISPLAY=$DISPLAY
fi
"$root/tools/wine-env.sh" start "$demo/wine" "$demo/db/odbc.ini"
export QX_WINE_DIR=$demo/wine

echo "demo: staff cards in the demo database:"
"$root/tools/testdb.sh" psql "$demo/db" -c "select UserID, UserName, AccessCode from HotelUser order by UserID"

cd "$build/win64/bin"
"$root/tools/wine-run.sh" demo_host.exe on dinoraasa
echo "demo: OnDuty now holds:"
"$root/tools/testdb.sh" psql "$demo/db" -c "select * from OnDuty order by HotelDate, UserID"
