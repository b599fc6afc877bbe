#!/usr/bin/env python3
"""Checks TARNGLOAM's (Vorla's) DEP-5 licence record against what it describes and what ships
with it: every Files pattern matches at least one file below ROOT, and every licence named has its
text in LICENCES_DIR. Exits 1, saying what is wrong, when either fails.

Usage: check_licence_record.py COPYRIGHT LICENCES_DIR ROOT
"""
import fnmatch
import os
import sys


def stanzas(text):
    """(Files patterns, licence synopsis) of each paragraph, in order: Files may run on over
    continuation lines, a License field's first line names the licence and the rest is its text."""
    result = []
    for block in text.split("\n\n"):
        fields, last = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and last:
                if last == "Files":
                    fields[last] += " " + line.strip()
            elif ":" in line:
                last, _, value = line.partition(":")
                fields[last] = value.strip()
        result.append((fields.get("Files", "").split(), fields.get("License", "")))
    return result


def all_files(root):
    for folder, _, files in os.walk(root):
        for name in files:
            yield os.path.relpath(os.path.join(folder, name), root)


def main(copyright_path, licences_dir, root):
    problems = []
    files = list(all_files(root))
    for patterns, licence in stanzas(open(copyright_path, encoding="utf-8").read()):
        for pattern in patterns:
            if not any(fnmatch.fnmatchcase(path, pattern) for path in files):
                problems.append(f"Files: {pattern} matches no file below {root}")
        for name in licence.replace(" or ", " and ").split(" and "):
            name = name.strip()
            text = os.path.join(licences_dir, name)
            if name and not (os.path.isfile(text) and os.path.getsize(text) > 0):
                problems.append(f"License: {name} has no text in {licences_dir}")
    for problem in problems:
        print(f"check_licence_record: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
