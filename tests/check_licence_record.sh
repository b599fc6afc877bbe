#!/usr/bin/env bash
# Vorla's licence record for TARNGLOAM, as built, is complete, and the check would notice if it
# were not: a Files pattern that matches nothing, and a licence without its text, each make it fail.
# Usage: check_licence_record.sh RECORD_DIR SOURCE_ROOT
set -euo pipefail
record=$1
root=$2
check="$(dirname "${BASH_SOURCE[0]}")/check_licence_record.py"

python3 "$check" "$record/copyright" "$record/licenses" "$root"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$record" "$work/bad-files"
printf '\nFiles: embedded/juce\nCopyright: nobody\nLicense: AGPL-3\n' >> "$work/bad-files/copyright"
if python3 "$check" "$work/bad-files/copyright" "$work/bad-files/licenses" "$root" 2>/dev/null; then
    echo "check_licence_record.sh: a pattern that matches nothing went unnoticed" >&2; exit 1
fi
cp -r "$record" "$work/bad-licence"
rm "$work/bad-licence/licenses/ISC"
if python3 "$check" "$work/bad-licence/copyright" "$work/bad-licence/licenses" "$root" 2>/dev/null; then
    echo "check_licence_record.sh: a licence without its text went unnoticed" >&2; exit 1
fi
echo "licence record ok"
