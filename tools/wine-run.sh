#!/usr/bin/env bash
# Runs a Windows program of the x86_64 build under wine64 in the private
# prefix and display that wine-env.sh prepared in $QX_WINE_DIR.
set -euo pipefail
: "${QX_WINE_DIR:?QX_WINE_DIR names the folder of wine-env.sh start}"
# shellcheck disable=SC1091
. "$QX_WINE_DIR/env"
exec /usr/lib/wine/wine64 "$@"
