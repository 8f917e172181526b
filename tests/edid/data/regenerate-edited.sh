#!/usr/bin/env bash
# tests/edid/data/regenerate-edited.sh [build dir]: for each case in edited/cases.tsv, edits the
# real table with the build's korvalis-cli into edited/CASE.bin and writes edid-decode's checked
# output of it beside it; the source tables' checked output goes to edited/SOURCE.edid-decode.txt.
# The editor test compares the in-process edit with these files; it never runs edid-decode or the
# CLI itself. Run it after the editor or edid-decode changes, and commit what changed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../../../build"}
command -v edid-decode >/dev/null || { echo "edid-decode is not installed" >&2; exit 1; }
cli="$build/cli/korvalis-cli"
[ -x "$cli" ] || { echo "$cli is missing: build first (tools/build)" >&2; exit 1; }
out="$here/edited"
rm -f "$out"/*.bin "$out"/*.edid-decode.txt
# edid-decode's exit status reports conformance findings; its text is what counts.
decode() { edid-decode --check "$1" >"$2" || true; [ -s "$2" ] || { echo "edid-decode printed nothing for $1" >&2; exit 1; }; }
while IFS=$'\t' read -r name source option value _shown; do
    case $name in '#'* | '') continue ;; esac
    "$cli" edid edit "$here/$source" "--$option" "$value" -o "$out/$name.bin" 2>/dev/null
    decode "$out/$name.bin" "$out/$name.edid-decode.txt"
    [ -s "$out/${source%.bin}.edid-decode.txt" ] || decode "$here/$source" "$out/${source%.bin}.edid-decode.txt"
done <"$out/cases.tsv"
