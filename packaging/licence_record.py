#!/usr/bin/env python3
"""Writes the licence record of TARNGLOAM by Vorla: a DEP-5 copyright file and the full text of
every licence it names, both taken from the records of the JUCE tree the binaries are built from
(Debian's debian/copyright of juce 8.0.6+ds-2) and, for the licences Debian keeps there, from
/usr/share/common-licenses. Nothing is typed from memory: the copyright lines and licences of
every embedded component are copied from Debian's record.

Usage: licence_record.py JUCE_DIR OUTPUT_DIR
Writes OUTPUT_DIR/copyright and OUTPUT_DIR/licenses/<licence name>.
"""
import os
import sys

# What the binaries embed from the JUCE tree, by the Files pattern of Debian's record, and why.
EMBEDDED = [
    ("*", "the JUCE modules compiled into every binary"),
    ("modules/juce_graphics/fonts/harfbuzz/*", "HarfBuzz, shaping the editor's text"),
    ("modules/juce_graphics/unicode/sheenbidi/*", "SheenBidi, ordering the editor's text"),
    ("modules/juce_audio_processors/format_types/VST3_SDK/*", "the VST3 SDK in the VST3 plug-in (used under GPL-3)"),
    ("modules/juce_audio_processors/format_types/VST3_SDK/base/*", "the VST3 SDK's base library"),
    ("modules/juce_audio_processors/format_types/LV2_SDK/lv2/*", "the LV2 headers in the LV2 plug-in"),
    ("modules/juce_audio_processors/format_types/pslextensions/*", "PreSonus' VST3 extension headers"),
]
JUCE_PREFIX = ".deps/JUCE/"
COMMON_LICENSES = "/usr/share/common-licenses"


def paragraphs(text):
    """The DEP-5 paragraphs of a file, each as a list of (field, value lines)."""
    result, current, field = [], [], None
    for line in text.splitlines():
        if not line.strip():
            if current:
                result.append(current)
            current, field = [], None
        elif line[0] in " \t" and field is not None:
            current[-1][1].append(line)
        else:
            name, _, value = line.partition(":")
            field = name.strip()
            current.append((field, [value.strip()] if value.strip() else []))
    if current:
        result.append(current)
    return result


def field(paragraph, name):
    for key, lines in paragraph:
        if key.lower() == name.lower():
            return lines
    return None


def render(paragraph):
    out = []
    for key, lines in paragraph:
        first, rest = (lines[0], lines[1:]) if lines and not lines[0].startswith((" ", "\t")) else ("", lines)
        out.append(f"{key}: {first}".rstrip() if first else f"{key}:")
        out.extend(rest)
    return "\n".join(out)


def licence_names(expression):
    return [name.strip() for name in expression.replace(" or ", " and ").split(" and ") if name.strip()]


def main(juce_dir, output_dir):
    record = paragraphs(open(os.path.join(juce_dir, "debian", "copyright"), encoding="utf-8").read())
    stanzas = [p for p in record if field(p, "Files") is not None]
    standalone = {field(p, "License")[0]: p for p in record if field(p, "Files") is None and field(p, "License")}

    out = [
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "Upstream-Name: TARNGLOAM\n"
        "Upstream-Contact: Vorla <support@vorla.invalid>\n"
        "Comment: TARNGLOAM is licensed under the GNU AGPL version 3, the licence of the JUCE\n"
        " framework it is built on (JUCE 8 is AGPL-3 only, so the whole is too); the VST3 SDK\n"
        " in the VST3 plug-in is used under its GPL-3 option, which may be combined with it.\n"
        " The paragraphs for .deps/JUCE/ are copied from Debian's record of the JUCE source\n"
        " package (juce 8.0.6+ds-2) that scripts/setup.sh unpacks there; the full text of\n"
        " every licence named here is shipped in the licenses folder beside this file.",
        "Files: *\n"
        "Copyright: 2026 Vorla\n"
        "License: AGPL-3",
    ]
    used = ["AGPL-3"]
    for pattern, why in EMBEDDED:
        matches = [p for p in stanzas if pattern in " ".join(field(p, "Files")).split()]
        if len(matches) != 1:
            sys.exit(f"licence_record: Debian's JUCE record has {len(matches)} paragraphs for {pattern}")
        source = matches[0]
        paragraph = [("Files", [JUCE_PREFIX + pattern]), ("Copyright", field(source, "Copyright")),
                     ("License", field(source, "License")), ("Comment", [why])]
        out.append(render(paragraph))
        for name in licence_names(field(source, "License")[0]):
            if name not in used:
                used.append(name)

    licences_dir = os.path.join(output_dir, "licenses")
    os.makedirs(licences_dir, exist_ok=True)
    for name in used:
        if name not in standalone:
            sys.exit(f"licence_record: Debian's JUCE record has no text for {name}")
        out.append(render(standalone[name]))
        common = os.path.join(COMMON_LICENSES, name)
        if os.path.isfile(common):
            text = open(common, encoding="utf-8").read()
        else:
            lines = field(standalone[name], "License")[1:]
            text = "\n".join("" if line.strip() == "." else line[1:] for line in lines) + "\n"
        with open(os.path.join(licences_dir, name), "w", encoding="utf-8") as f:
            f.write(text)

    with open(os.path.join(output_dir, "copyright"), "w", encoding="utf-8") as f:
        f.write("\n\n".join(out) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
