#!/usr/bin/env bash
# Makes the Windows packages from a Windows build (scripts/build.sh windows):
#   TARNGLOAM-VERSION-windows-x64.zip        the bundle, the presets, a read-me and the licences
#   TARNGLOAM-VERSION-windows-x64-setup.exe  an NSIS installer of the same files, with an uninstaller
# Usage: make-packages.sh WINDOWS_BUILD_DIR OUTPUT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
output=$(cd "$2" && pwd)

version=$(sed -n 's/^project(TARNGLOAM VERSION \([0-9.]*\) .*/\1/p' "$repo_root/CMakeLists.txt")
name="TARNGLOAM-$version-windows-x64"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/$name"
mkdir -p "$stage/Presets" "$stage/LICENSES/windows"

# The bundle, its DLL stripped of symbols (the tests ran the unstripped one's code).
cp -r "$build/TarnGloam_artefacts/Release/VST3/TARNGLOAM.vst3" "$stage/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage/TARNGLOAM.vst3/Contents/x86_64-win/TARNGLOAM.vst3"
cp "$build/presets/"*.vstpreset "$stage/Presets/"
sed 's/$/\r/' "$here/README.txt" > "$stage/README.txt"

# The licence record: the components built into the plug-in, from the JUCE tree's Debian record, and
# Debian's records of the libraries only the Windows build links in.
python3 "$repo_root/packaging/licence_record.py" "$repo_root/.deps/JUCE" "$work/licence" > /dev/null
cp "$work/licence/copyright" "$stage/LICENSES/"
cp -r "$work/licence/licenses" "$stage/LICENSES/"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/LICENSES/windows/zlib.copyright"
cp "$repo_root/.deps/windows-libs/share/doc/libpng1.6/copyright" "$stage/LICENSES/windows/libpng.copyright"
cp "$repo_root/.deps/windows-libs/share/doc/libjpeg-turbo/copyright" "$stage/LICENSES/windows/libjpeg-turbo.copyright"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/LICENSES/windows/mingw-w64-runtime.copyright"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/LICENSES/windows/gcc-runtime.copyright"

rm -f "$output/$name.zip"
(cd "$work" && zip -qrX "$output/$name.zip" "$name")

# Where each staged file goes on Windows ($APPDATA is C:\ProgramData for all users); the
# uninstaller removes exactly these, then the folders they made if nothing else is left in them.
destination() { # STAGED_PATH (relative)
    case "$1" in
        TARNGLOAM.vst3/*) printf '$COMMONFILES64\\VST3\\%s' "$1" ;;
        Presets/*)        printf '$APPDATA\\VST3 Presets\\Vorla\\TARNGLOAM\\%s' "${1#Presets/}" ;;
        *)                printf '$INSTDIR\\%s' "$1" ;;
    esac | tr '/' '\\'
}
install_list="$work/install-files.nsh"
uninstall_list="$work/uninstall-files.nsh"
: > "$install_list"
: > "$uninstall_list"
folders=()
while IFS= read -r file; do
    target=$(destination "$file")
    folder=${target%\\*}
    printf 'SetOutPath "%s"\nFile "%s"\n' "$folder" "$stage/$file" >> "$install_list"
    printf 'Delete "%s"\n' "$target" >> "$uninstall_list"
    folders+=("$folder")
done < <(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
# The folders and the folders above them, deepest first, up to the shared VST3 folders, which stay.
# ($INSTDIR and the Vorla folder above it go in the script itself, after the uninstaller.)
printf '%s\n' "${folders[@]}" | while IFS= read -r folder; do
    while :; do
        case "$folder" in '$COMMONFILES64\VST3' | '$APPDATA\VST3 Presets' | '$INSTDIR') break ;; esac
        printf '%s\n' "$folder"
        folder=${folder%\\*}
    done
done | LC_ALL=C sort -u | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2- | sed 's/.*/RMDir "&"/' >> "$uninstall_list"

makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$work" -DOUTFILE="$output/$name-setup.exe" "$here/tarngloam.nsi"
echo "[package] $name.zip and $name-setup.exe in $output"
