#!/usr/bin/env bash
# Runs a Windows program under Debian's wine64, headless and never in the user's own prefix.
# WINEPREFIX may be given; otherwise the prefix is .deps/wineprefix-build, made on first use.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$repo_root/.deps/wineprefix-build}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
if [ -n "${DISPLAY:-}" ]; then
    exec "$wine" "$@"
fi
exec xvfb-run -a "$wine" "$@"
