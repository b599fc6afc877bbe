#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, on one machine:
#   - which maths library results differ (maths_probe on both);
#   - tarngloam-render.exe against tarngloam-render on the same input and settings;
#   - saved states: the Linux bundle's state restored in the Windows bundle, and the reverse;
#   - the editor: opened in a window under Wine, its snapshot against the Linux one.
# Usage: check_against_linux.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
# Wine runs in the WINEPREFIX given, or in a temporary one.
set -Eeuo pipefail
# Name the step that failed: Wine's own failures can be silent.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND (exit status $?)" >&2' ERR
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$here/../.." && pwd)
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
compare="$here/compare_with_linux.py"

scratch=$(mktemp -d)
own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
    own_prefix="$scratch/wineprefix"
    export WINEPREFIX="$own_prefix"
fi
cleanup() {
    [ -n "$own_prefix" ] && WINEPREFIX="$own_prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
wine() { "$repo_root/cmake/wine-run.sh" "$@" 2> >(grep -v '^X connection to' >&2 || true); }
z() { printf 'Z:%s' "$1"; }

linux_bundle="$linux/TarnGloam_artefacts/Release/VST3/TARNGLOAM.vst3"
windows_bundle="$windows/TarnGloam_artefacts/Release/VST3/TARNGLOAM.vst3"

echo "== maths library results, Linux (glibc) against Windows (MinGW-w64 and msvcrt)"
mkdir -p "$scratch/maths-linux" "$scratch/maths-windows"
"$linux/tests/maths_probe" "$scratch/maths-linux"
wine "$windows/tests/windows/maths_probe.exe" "$(z "$scratch/maths-windows")"
python3 "$compare" maths "$scratch/maths-linux" "$scratch/maths-windows"

echo "== tarngloam-render.exe against tarngloam-render"
sox -R -n -r 48000 -c 2 -b 32 -e floating-point -D "$scratch/input.wav" synth 3 sine 110 pinknoise gain -6
render_both() { # NAME OPTIONS...
    local name=$1
    shift
    "$linux/tools/tarngloam-render" "$scratch/input.wav" "$scratch/$name-linux.wav" "$@" > /dev/null
    wine "$windows/tools/tarngloam-render.exe" "$(z "$scratch/input.wav")" "$(z "$scratch/$name-windows.wav")" "$@" > /dev/null
}
render_both zero --bleed 0 --fuzz 0 --grain 0 --age 0 --no-tail
echo -n "all knobs at zero: "
python3 "$compare" audio "$scratch/input.wav" "$scratch/zero-windows.wav" --identical
render_both knobs --bleed 77 --fuzz 66 --grain 55 --age 44 --tempo 97 --block 333
echo -n "77/66/55/44 %, 97 BPM, blocks of 333: "
python3 "$compare" audio "$scratch/knobs-linux.wav" "$scratch/knobs-windows.wav"
wine "$windows/tools/tarngloam-render.exe" "$(z "$scratch/input.wav")" "$(z "$scratch/again-windows.wav")" \
    --bleed 77 --fuzz 66 --grain 55 --age 44 --tempo 97 --block 333 > /dev/null
echo -n "the same render again on Windows: "
python3 "$compare" audio "$scratch/knobs-windows.wav" "$scratch/again-windows.wav" --identical

echo "== saved state across platforms"
exchange_linux="$linux/tests/vst3_state_exchange"
exchange_windows="$windows/tests/windows/vst3_state_exchange.exe"
"$exchange_linux" save "$linux_bundle" "$scratch/linux.state" 12.5 37.3 62.9 99.1
wine "$exchange_windows" save "$(z "$windows_bundle")" "$(z "$scratch/windows.state")" 12.5 37.3 62.9 99.1
if cmp -s "$scratch/linux.state" "$scratch/windows.state"; then
    echo "both builds save the same $(stat -c %s "$scratch/linux.state") bytes"
else
    echo "note: the two builds save different bytes"
fi
expected=$("$exchange_linux" load "$linux_bundle" "$scratch/linux.state")
linux_in_windows=$(wine "$exchange_windows" load "$(z "$windows_bundle")" "$(z "$scratch/linux.state")" | tr -d '\r')
windows_in_linux=$("$exchange_linux" load "$linux_bundle" "$scratch/windows.state")
[ "$linux_in_windows" = "$expected" ] || { printf 'FAIL: the Linux state restored on Windows as\n%s\nnot\n%s\n' "$linux_in_windows" "$expected"; exit 1; }
[ "$windows_in_linux" = "$expected" ] || { printf 'FAIL: the Windows state restored on Linux as\n%s\nnot\n%s\n' "$windows_in_linux" "$expected"; exit 1; }
echo "restored the same four values both ways:" $expected

echo "== the editor under Wine"
"$linux/tools/tarngloam-snapshot" "$scratch/snapshot-linux" > /dev/null
# Closing the window can hang under Wine on a virtual X display: JUCE's VBlank thread is joined
# while it waits in IDXGIOutput::WaitForVBlank, which never returns there. The window has been
# opened and painted by then; the tool is given 30 s to finish.
status=0
timeout 30 "$repo_root/cmake/wine-run.sh" "$windows/tools/tarngloam-snapshot.exe" --on-desktop \
    "$(z "$scratch/snapshot-windows")" > "$scratch/snapshot.log" 2>/dev/null || status=$?
tr -d '\r' < "$scratch/snapshot.log"
grep -q "^opened on the desktop: 480 x 482" "$scratch/snapshot.log" || { echo "FAIL: the editor did not open at 480 x 482"; exit 1; }
grep -q "editor-960x964.png" "$scratch/snapshot.log" || { echo "FAIL: the snapshots were not written"; exit 1; }
[ "$status" -eq 0 ] || echo "note: the tool did not exit after closing its window (status $status), as above"
python3 "$compare" snapshot "$scratch/snapshot-linux" "$scratch/snapshot-windows"
