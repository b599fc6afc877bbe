# How TARNGLOAM presents itself to a host. The two four-character codes derive the VST3 class IDs
# that saved projects use to find the plug-in again, and LV2 hosts store the plug-in URI in their
# sessions: never change any of them.
set(TARNGLOAM_LV2_URI "urn:vorla:tarngloam")
set(TARNGLOAM_PLUGIN_IDENTITY
    PRODUCT_NAME "TARNGLOAM"
    PLUGIN_NAME "TARNGLOAM"
    COMPANY_NAME "Vorla"
    COMPANY_WEBSITE ""
    COMPANY_EMAIL ""
    VERSION 1.0.0
    PLUGIN_MANUFACTURER_CODE Vorl
    PLUGIN_CODE Glom
    IS_SYNTH FALSE
    NEEDS_MIDI_INPUT FALSE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS FALSE
    VST3_CATEGORIES Fx
    VST2_CATEGORY kPlugCategEffect
    LV2URI "${TARNGLOAM_LV2_URI}"
    COPY_PLUGIN_AFTER_BUILD FALSE
)
