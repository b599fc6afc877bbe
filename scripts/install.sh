#!/usr/bin/env bash
# The main job: set up, build, install TARNGLOAM.vst3 into ~/.vst3, show that a host loads it,
# and render a demo you can listen to and look at.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
"$repo_root/scripts/build.sh" release

built="$repo_root/build/TarnGloam_artefacts/Release/VST3/TARNGLOAM.vst3"
target_dir="${VST3_INSTALL_DIR:-$HOME/.vst3}"
mkdir -p "$target_dir"
rm -rf "$target_dir/TARNGLOAM.vst3.new"
cp -R "$built" "$target_dir/TARNGLOAM.vst3.new"
rm -rf "$target_dir/TARNGLOAM.vst3"
mv "$target_dir/TARNGLOAM.vst3.new" "$target_dir/TARNGLOAM.vst3"
echo "[install] TARNGLOAM.vst3 installed into $target_dir"

"$repo_root/build/tools/tarngloam-check" "$target_dir/TARNGLOAM.vst3"

# Hear it without a DAW: a synthesised demo rendered at the default settings, with a picture.
"$repo_root/build/tools/tarngloam-demo" "$repo_root/demo"
