#!/usr/bin/env bash
# Runs a Windows program in the private prefix and display that wine-env.sh
# prepared in $QX_WINE_DIR, under the Wine it was made for: the machine's
# wine64 for the x86_64 build, the WoW64 root's Wine for the i686 build.
set -euo pipefail
: "${QX_WINE_DIR:?QX_WINE_DIR names the folder of wine-env.sh start}"
# shellcheck disable=SC1091
. "$QX_WINE_DIR/env"
if [ "${QX_WINE_FLAVOUR:-wine64}" = wow64 ]; then
  exec "$(dirname "${BASH_SOURCE[0]}")/wow64.sh" run wine "$@"
fi
exec /usr/lib/wine/wine64 "$@"
