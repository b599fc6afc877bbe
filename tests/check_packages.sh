#!/usr/bin/env bash
# Builds both packages from a build folder and checks them as a user would meet them, without
# installing anything on this machine: the .deb unpacked into a temporary root (lintian-clean,
# dependencies computed, the VST3 loaded from there through the hosted-bundle tests, the LV2 seen by
# lv2ls), and the tarball's install script run for a temporary HOME, then uninstalled.
# Usage: check_packages.sh BUILD_DIR HOSTED_BUNDLE_TESTS LV2_CHECK_SCRIPT SOURCE_DIR
set -euo pipefail
build_dir=$1
hosted_bundle_tests=$2
lv2_check=$3
source_dir=$4
check_record="$(dirname "${BASH_SOURCE[0]}")/check_licence_record.py"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_packages: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -B "$work/dist" >/dev/null)
deb=$(ls "$work"/dist/tarngloam_*_amd64.deb)
tarball=$(ls "$work"/dist/TARNGLOAM-*-linux-x86_64.tar.gz)

# The .deb
lintian_said=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian: $lintian_said"
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libc6 (>=' <<<"$depends" || fail "dependencies were not computed: $depends"
root="$work/root"
dpkg-deb -x "$deb" "$root"
for path in usr/lib/vst3/TARNGLOAM.vst3/Contents/x86_64-linux/TARNGLOAM.so usr/lib/lv2/TARNGLOAM.lv2/manifest.ttl \
            usr/bin/tarngloam usr/bin/tarngloam-render usr/share/man/man1/tarngloam-render.1.gz \
            usr/share/applications/tarngloam.desktop usr/share/icons/hicolor/scalable/apps/tarngloam.svg \
            "usr/share/vst3/presets/Vorla/TARNGLOAM/Default.vstpreset" usr/share/doc/tarngloam/copyright; do
    [ -f "$root/$path" ] || fail "the .deb has no /$path"
done
[ "$(ls "$root"/usr/share/vst3/presets/Vorla/TARNGLOAM/*.vstpreset | wc -l)" -eq 10 ] || fail "expected 10 presets"
python3 "$check_record" "$root/usr/share/doc/tarngloam/copyright" "$root/usr/share/doc/tarngloam/licenses" "$source_dir" \
    || fail "the .deb's licence record is incomplete"
# Shared objects are installed 0644, as Debian installs shared libraries.
modes=$(dpkg-deb -c "$deb" | awk '$NF ~ /\.so$/ { print $1 }' | sort -u)
[ "$modes" = "-rw-r--r--" ] || fail "the shared objects' modes are $modes, not -rw-r--r--"
desktop-file-validate "$root/usr/share/applications/tarngloam.desktop" || fail "the desktop entry is not valid"
TARNGLOAM_VST3_BUNDLE="$root/usr/lib/vst3/TARNGLOAM.vst3" "$hosted_bundle_tests" --gtest_brief=1 \
    || fail "the VST3 from the .deb failed the hosted-bundle tests"
"$lv2_check" "$root/usr/lib/lv2" urn:vorla:tarngloam >/dev/null || fail "the LV2 from the .deb is not seen by lv2ls/lv2info"
"$root/usr/bin/tarngloam-render" --version | grep -q '^tarngloam-render ' || fail "tarngloam-render from the .deb does not run"

# The tarball, installed for one user and removed again
tar -xzf "$tarball" -C "$work"
folder="$work/$(basename "$tarball" .tar.gz)"
python3 "$check_record" "$folder/copyright" "$folder/LICENSES" "$source_dir" || fail "the tarball's licence record is incomplete"
home="$work/home"
mkdir -p "$home"
HOME="$home" "$folder/install.sh" >/dev/null
for path in .vst3/TARNGLOAM.vst3/Contents/x86_64-linux/TARNGLOAM.so .lv2/TARNGLOAM.lv2/libTARNGLOAM.so \
            .local/bin/tarngloam .local/bin/tarngloam-render ".vst3/presets/Vorla/TARNGLOAM/Fuzz Box.vstpreset" \
            .local/share/man/man1/tarngloam-render.1.gz; do
    [ -f "$home/$path" ] || fail "the tarball's install script did not install ~/$path"
done
HOME="$home" "$home/.local/bin/tarngloam-render" --list-presets | grep -q '^Haunted Hall' || fail "the installed renderer does not run"
# The menu entry starts the app by its full path, whatever the desktop session's PATH.
exec_line=$(grep '^Exec=' "$home/.local/share/applications/tarngloam.desktop")
[ "$exec_line" = "Exec=\"$home/.local/bin/tarngloam\"" ] || fail "the menu entry says $exec_line"
[ -x "$home/.local/bin/tarngloam" ] || fail "the menu entry's program is not there"
desktop-file-validate "$home/.local/share/applications/tarngloam.desktop" || fail "the installed menu entry is not valid"
LV2_PATH="$home/.lv2" lv2ls | grep -qx urn:vorla:tarngloam || fail "lv2ls does not find the user-installed LV2"
HOME="$home" "$folder/install.sh" --uninstall >/dev/null
left=$( { find "$home/.vst3" "$home/.lv2" "$home/.local/bin" -type f 2>/dev/null || true; } | wc -l)
[ "$left" -eq 0 ] || fail "uninstalling left $left files behind"
echo "packages ok: $(basename "$deb"), $(basename "$tarball")"
