#!/bin/sh
# Installs TARNGLOAM from this folder, for one user or for the whole system, or removes it again.
#
#   ./install.sh            for the current user: ~/.vst3, ~/.lv2, ~/.local/bin, ~/.local/share
#   ./install.sh --system   for everyone (as root): /usr/local/lib/vst3, /usr/local/lib/lv2, ...
#   ./install.sh --uninstall [--system]   removes what an earlier install put there
#
# Every file installed is listed in a manifest, so uninstalling removes exactly those.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
mode=user
action=install
for arg in "$@"; do
    case "$arg" in
        --system) mode=system ;;
        --user) mode=user ;;
        --uninstall) action=uninstall ;;
        -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "install.sh: unknown option $arg (./install.sh --help)" >&2; exit 2 ;;
    esac
done

if [ "$mode" = system ]; then
    vst3=/usr/local/lib/vst3; lv2=/usr/local/lib/lv2; bin=/usr/local/bin; share=/usr/local/share
    presets=$share/vst3/presets/Vorla/TARNGLOAM
else
    : "${HOME:?HOME is not set}"
    vst3=$HOME/.vst3; lv2=$HOME/.lv2; bin=$HOME/.local/bin; share=$HOME/.local/share
    presets=$HOME/.vst3/presets/Vorla/TARNGLOAM
fi
manifest=$share/tarngloam/installed-files

if [ "$action" = uninstall ]; then
    [ -f "$manifest" ] || { echo "install.sh: TARNGLOAM is not installed here ($manifest missing)" >&2; exit 1; }
    # Files first, then the folders they leave empty, deepest first.
    while IFS= read -r path; do [ -f "$path" ] && rm -f "$path"; done < "$manifest"
    sort -r "$manifest" | while IFS= read -r path; do
        dir=$(dirname "$path")
        while [ "$dir" != / ] && rmdir "$dir" 2>/dev/null; do dir=$(dirname "$dir"); done
    done
    rm -f "$manifest"
    rmdir "$(dirname "$manifest")" 2>/dev/null || true
    echo "TARNGLOAM removed ($mode)"
    exit 0
fi

mkdir -p "$(dirname "$manifest")"
: > "$manifest.new"
# copy SOURCE_DIR DEST_DIR: the tree below SOURCE_DIR into DEST_DIR, recorded in the manifest.
copy() {
    (cd "$1" && find . -type f) | while IFS= read -r file; do
        target="$2/${file#./}"
        mkdir -p "$(dirname "$target")"
        cp -p "$1/$file" "$target"
        echo "$target" >> "$manifest.new"
    done
}
copy "$here/lib/vst3" "$vst3"
copy "$here/lib/lv2" "$lv2"
copy "$here/bin" "$bin"
copy "$here/share/vst3/presets/Vorla/TARNGLOAM" "$presets"
copy "$here/share/applications" "$share/applications"
copy "$here/share/icons" "$share/icons"
copy "$here/share/man" "$share/man"
mv "$manifest.new" "$manifest"

# The menu entry starts the app by its full path: ~/.local/bin is often not on a desktop session's
# PATH. A path the entry cannot quote plainly keeps the bare name.
case "$bin" in
    *[!A-Za-z0-9/._+\ -]*) echo "  (the menu entry runs 'tarngloam' by name: $bin has unusual characters)" ;;
    *) sed "s|^Exec=.*|Exec=\"$bin/tarngloam\"|" "$share/applications/tarngloam.desktop" > "$share/applications/tarngloam.desktop.new"
       mv "$share/applications/tarngloam.desktop.new" "$share/applications/tarngloam.desktop" ;;
esac

echo "TARNGLOAM installed ($mode):"
echo "  VST3    $vst3/TARNGLOAM.vst3"
echo "  LV2     $lv2/TARNGLOAM.lv2"
echo "  presets $presets"
echo "  apps    $bin/tarngloam, $bin/tarngloam-render"
case ":$PATH:" in *":$bin:"*) ;; *) echo "  (add $bin to your PATH to run them by name)" ;; esac
