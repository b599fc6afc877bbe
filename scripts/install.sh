#!/usr/bin/env bash
# The main job: set up, build, install TARNGLOAM.vst3 into ~/.vst3 and TARNGLOAM.lv2 into ~/.lv2,
# show that a VST3 host and an LV2 host load them, and render a demo you can listen to and look at.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"
"$repo_root/scripts/build.sh" release

artefacts="$repo_root/build/TarnGloam_artefacts/Release"
vst3_dir="${VST3_INSTALL_DIR:-$HOME/.vst3}"
lv2_dir="${LV2_INSTALL_DIR:-$HOME/.lv2}"

# Replaces DIR/NAME with a copy of BUNDLE in one rename, so a host never sees half a bundle.
install_bundle() {
    local bundle=$1 dir=$2 name
    name=$(basename "$bundle")
    mkdir -p "$dir"
    rm -rf "$dir/$name.new"
    cp -R "$bundle" "$dir/$name.new"
    rm -rf "$dir/$name"
    mv "$dir/$name.new" "$dir/$name"
    echo "[install] $name installed into $dir"
}

install_bundle "$artefacts/VST3/TARNGLOAM.vst3" "$vst3_dir"
install_bundle "$artefacts/LV2/TARNGLOAM.lv2" "$lv2_dir"
echo "[install] the LV2 bundle carries $(grep -c 'a pset:Preset' "$lv2_dir/TARNGLOAM.lv2/presets.ttl") factory presets"

# The factory presets, where VST3 hosts' preset browsers look for them.
preset_dir="$vst3_dir/presets/Vorla/TARNGLOAM"
mkdir -p "$preset_dir"
cp "$repo_root/build/presets/"*.vstpreset "$preset_dir/"
echo "[install] $(ls "$repo_root/build/presets/"*.vstpreset | wc -l) factory presets installed into $preset_dir"

"$repo_root/build/tools/tarngloam-check" "$vst3_dir/TARNGLOAM.vst3"

# The LV2 side: Debian's lv2ls finds it, and an LV2 host on lilv loads and runs it.
echo "[install] lv2ls in $lv2_dir: $(LV2_PATH="$lv2_dir" lv2ls | grep -x 'urn:vorla:tarngloam')"
"$repo_root/build/tools/tarngloam-lv2-check" "$lv2_dir"

# Hear it without a DAW: a synthesised demo rendered at the default settings, with a picture.
"$repo_root/build/tools/tarngloam-demo" "$repo_root/demo"
