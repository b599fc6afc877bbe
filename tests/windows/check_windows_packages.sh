#!/usr/bin/env bash
# Checks the Windows packages: the zip's contents (its DLL with check_dll.py against the Linux
# bundle), and the installer under Wine: a silent install
# puts every file in place and registers the uninstaller, the installed plug-in loads in the VST3
# host, and a silent uninstall leaves the machine's files and registry as they were.
# Usage: check_windows_packages.sh ZIP INSTALLER WINDOWS_BUILD_DIR LINUX_VST3_BUNDLE
# Wine runs in a temporary prefix of its own.
set -Eeuo pipefail
# Name the step that failed: Wine's own failures can be silent.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND (exit status $?)" >&2' ERR
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$here/../.." && pwd)
zip=$(realpath "$1")
installer=$(realpath "$2")
build=$(cd "$3" && pwd)
linux_bundle=$4

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/wineprefix"
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wine() { "$repo_root/cmake/wine-run.sh" "$@" 2> >(grep -v '^X connection to' >&2 || true); }
fail() { echo "FAIL: $*"; exit 1; }

name=$(basename "$zip" .zip)
echo "== $name.zip"
unzip -q "$zip" -d "$scratch/zip"
package="$scratch/zip/$name"
for file in TARNGLOAM.vst3/Contents/x86_64-win/TARNGLOAM.vst3 TARNGLOAM.vst3/Contents/Resources/moduleinfo.json \
            README.txt LICENSES/copyright LICENSES/licenses/AGPL-3 LICENSES/windows/zlib.copyright \
            LICENSES/windows/libpng.copyright LICENSES/windows/libjpeg-turbo.copyright \
            LICENSES/windows/mingw-w64-runtime.copyright LICENSES/windows/gcc-runtime.copyright; do
    [ -s "$package/$file" ] || fail "the zip has no $file"
done
presets=$(ls "$package/Presets" | wc -l)
[ "$presets" -eq "$(ls "$build/presets/"*.vstpreset | wc -l)" ] || fail "the zip has $presets presets"
for preset in "$build/presets/"*.vstpreset; do
    cmp -s "$preset" "$package/Presets/$(basename "$preset")" || fail "the zip's $(basename "$preset") differs from the build's"
done
echo "the bundle, $presets presets, the read-me and the licence record"
"$here/check_dll.py" "$package/TARNGLOAM.vst3" "$linux_bundle"

echo "== $(basename "$installer") under Wine"
wine wineboot --init > /dev/null
drive="$WINEPREFIX/drive_c"
# Every file outside Windows' own folders and the user profiles, with its checksum.
files_on_drive() { (cd "$drive" && find . -path ./windows -prune -o -path ./users -prune -o -type f -print0 \
                     | LC_ALL=C sort -z | xargs -0 -r sha256sum); }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TARNGLOAM'
registered() { wine reg query "$uninstall_key" /reg:64 > /dev/null 2>&1; }
files_on_drive > "$scratch/before"
registered && fail "the uninstaller is registered before the install"

wine "$installer" /S
/usr/lib/wine/wineserver -w
vst3="$drive/Program Files/Common Files/VST3/TARNGLOAM.vst3"
preset_dir="$drive/ProgramData/VST3 Presets/Vorla/TARNGLOAM"
install_dir="$drive/Program Files/Vorla/TARNGLOAM"
(cd "$package" && find TARNGLOAM.vst3 -type f) | while IFS= read -r file; do
    cmp -s "$package/$file" "$drive/Program Files/Common Files/VST3/$file" || fail "the installer did not put $file in place"
done
for preset in "$package/Presets/"*; do
    cmp -s "$preset" "$preset_dir/$(basename "$preset")" || fail "the installer did not put $(basename "$preset") in place"
done
(cd "$package" && find README.txt LICENSES -type f) | while IFS= read -r file; do
    cmp -s "$package/$file" "$install_dir/$file" || fail "the installer did not put $file in place"
done
[ -f "$install_dir/Uninstall.exe" ] || fail "no uninstaller"
registered || fail "the uninstaller is not registered"
uninstall_string=$(wine reg query "$uninstall_key" /v QuietUninstallString /reg:64 | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
echo "installed $(( $(files_on_drive | wc -l) - $(wc -l < "$scratch/before") )) files; the uninstaller registered as: $uninstall_string"

# The installed plug-in, where hosts look for it, in the VST3 host.
installed='C:\Program Files\Common Files\VST3\TARNGLOAM.vst3'
wine "$build/tests/windows/vst3_state_exchange.exe" save "$installed" 'C:\state' 25 50 75 100
loaded=$(wine "$build/tests/windows/vst3_state_exchange.exe" load "$installed" 'C:\state' | tr -d '\r' | tr '\n' ' ')
[ "$loaded" = "BLEED 0.25 FUZZ 0.5 GRAIN 0.75 AGE 1 " ] || fail "the installed plug-in restored: $loaded"
rm -f "$drive/state"
echo "the installed plug-in loads, saves and restores: $loaded"

# A preset of the user's own beside the factory ones stays.
echo "mine" > "$preset_dir/My Own.vstpreset"
wine 'C:\Program Files\Vorla\TARNGLOAM\Uninstall.exe' /S
/usr/lib/wine/wineserver -w
[ -f "$preset_dir/My Own.vstpreset" ] || fail "the uninstall removed the user's own preset"
rm "$preset_dir/My Own.vstpreset"
rmdir "$preset_dir" "$drive/ProgramData/VST3 Presets/Vorla"
files_on_drive > "$scratch/after"
diff "$scratch/before" "$scratch/after" > "$scratch/left" || { cat "$scratch/left"; fail "the uninstall left the files above"; }
for folder in "$vst3" "$preset_dir" "$drive/ProgramData/VST3 Presets/Vorla" "$install_dir" "$drive/Program Files/Vorla"; do
    [ ! -e "$folder" ] || fail "the uninstall left the folder $folder"
done
registered && fail "the uninstaller is still registered"
echo "the silent uninstall removed every file and folder it installed, and its registry entry, and kept the user's own preset"
