#!/usr/bin/env bash
# Builds the installable packages into dist/: tarngloam_VERSION_amd64.deb (for Debian and Ubuntu,
# checked with lintian), TARNGLOAM-VERSION-linux-x86_64.tar.gz (any Linux, with an install script
# for one user or the whole system), and for 64-bit Windows TARNGLOAM-VERSION-windows-x64.zip and
# the installer TARNGLOAM-VERSION-windows-x64-setup.exe.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
"$repo_root/scripts/build.sh" release

mkdir -p "$repo_root/dist"
(cd "$repo_root/build" && cpack -B "$repo_root/dist")
rm -rf "$repo_root/dist/_CPack_Packages"
lintian --fail-on error,warning "$repo_root"/dist/tarngloam_*_amd64.deb

"$repo_root/scripts/build.sh" windows
"$repo_root/packaging/windows/make-packages.sh" "$repo_root/build-windows" "$repo_root/dist" > /dev/null
echo "[package] $(cd "$repo_root/dist" && ls tarngloam_*.deb TARNGLOAM-* | tr '\n' ' ')in $repo_root/dist"
