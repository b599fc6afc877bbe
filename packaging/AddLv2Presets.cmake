# Puts the factory presets into the built LV2 bundle: presets.ttl, and their entries at the end of
# manifest.ttl (once: JUCE's helper writes a fresh manifest each time the plug-in links, and this
# runs on every build).
# Usage: cmake -D PRESETS=DIR -D BUNDLE=DIR -P AddLv2Presets.cmake
file(COPY_FILE "${PRESETS}/presets.ttl" "${BUNDLE}/presets.ttl" ONLY_IF_DIFFERENT)
file(READ "${BUNDLE}/manifest.ttl" manifest)
file(READ "${PRESETS}/manifest-entries.ttl" entries)
string(FIND "${manifest}" "presets.ttl" announced)
if(announced EQUAL -1)
    file(APPEND "${BUNDLE}/manifest.ttl" "\n${entries}")
endif()
