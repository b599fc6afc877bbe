#!/usr/bin/env bash
# Fails when the shipped plug-in binary holds code that only tests and tools need: JUCE's plug-in
# hosting (VST3PluginFormat and its VST3 host classes) or juce_dsp. Usage: check_product_symbols.sh SO
set -euo pipefail
binary=$1
[ -f "$binary" ] || { echo "no such file: $binary" >&2; exit 1; }

symbols=$(nm -C --defined-only "$binary")
count=$(grep -c 'TarnGloamAudioProcessor::processBlock' <<<"$symbols" || true)
[ "$count" -gt 0 ] || { echo "no processBlock in $binary: not the plug-in, or stripped" >&2; exit 1; }

status=0
for pattern in 'juce::VST3PluginFormat' 'juce::VST3PluginInstance' 'juce::VST3HostContext' 'juce::VST3ComponentHolder' 'juce::dsp::'; do
    found=$(grep -c -- "$pattern" <<<"$symbols" || true)
    if [ "$found" -gt 0 ]; then
        echo "$binary defines $found symbols matching $pattern:" >&2
        grep -- "$pattern" <<<"$symbols" | head -n 5 >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "no hosting or juce_dsp code in $(basename "$binary")"
exit "$status"
