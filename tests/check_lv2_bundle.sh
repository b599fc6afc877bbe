#!/usr/bin/env bash
# What Debian's LV2 tools see of a TARNGLOAM.lv2: lv2ls finds the plug-in, and lv2info shows its
# audio, atom and latency ports and its ten factory presets. (lv2info does not list patch
# parameters; the lilv host test reads those, and loads every preset.)
# Usage: check_lv2_bundle.sh LV2_FOLDER URI
set -euo pipefail
folder=$1
uri=$2
export LV2_PATH=$folder

fail() { echo "check_lv2_bundle: $*" >&2; exit 1; }

lv2ls | grep -qx "$uri" || fail "lv2ls does not list $uri in $folder"
info=$(lv2info "$uri") || fail "lv2info failed for $uri"

expect() { grep -qE -- "$1" <<<"$info" || fail "lv2info does not show: $1"; }
expect '^[[:space:]]*Name:[[:space:]]+TARNGLOAM$'
expect 'Has latency:[[:space:]]+yes, reported by port 6'
# lv2info lists the required features one per line in no fixed order.
required=$(sed -n '/Required Features:/,/Optional Features:/p' <<<"$info")
for feature in 'options#options' 'urid#map' 'buf-size#boundedBlockLength'; do
    grep -q -- "$feature" <<<"$required" || fail "lv2info does not list the required feature $feature"
done
expect 'Extension Data:.*state#interface'
for symbol in audio_in_1 audio_in_2 audio_out_1 audio_out_2 in out latency freeWheeling enabled; do
    expect "Symbol:[[:space:]]+$symbol\$"
done
[ "$(grep -c 'Port [0-9]*:' <<<"$info")" -eq 9 ] || fail "expected 9 ports"
[ "$(grep -c 'lv2core#AudioPort' <<<"$info")" -eq 4 ] || fail "expected 4 audio ports (stereo in and out)"

# No empty foaf links: <> would name the description file itself as the maker's home and e-mail.
! grep -qE 'Author (Email|Homepage):' <<<"$info" || fail "the description names an empty homepage or e-mail"
# The factory presets by label, none of them blank.
labels=$(sed -n '/Presets:/,/^[[:space:]]*$/p' <<<"$info" | sed '1s/.*Presets://' | sed 's/^[[:space:]]*//' | sed '/^$/d')
[ "$(wc -l <<<"$labels")" -eq 10 ] || fail "expected 10 presets, lv2info lists: $labels"
grep -qx 'Haunted Hall' <<<"$labels" || fail "the presets do not include Haunted Hall"
echo "lv2ls and lv2info see $uri in $folder"
