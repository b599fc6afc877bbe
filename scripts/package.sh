#!/usr/bin/env bash
# Builds the installable packages into dist/: tarngloam_VERSION_amd64.deb (for Debian and Ubuntu,
# checked with lintian) and TARNGLOAM-VERSION-linux-x86_64.tar.gz (any Linux, with an install script
# for one user or the whole system).
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
"$repo_root/scripts/build.sh" release

mkdir -p "$repo_root/dist"
(cd "$repo_root/build" && cpack -B "$repo_root/dist")
rm -rf "$repo_root/dist/_CPack_Packages"
lintian --fail-on error,warning "$repo_root"/dist/tarngloam_*_amd64.deb
echo "[package] $(cd "$repo_root/dist" && ls tarngloam_*.deb TARNGLOAM-*.tar.gz | tr '\n' ' ')in $repo_root/dist"
