#!/usr/bin/env bash
# tests/edid/data/regenerate.sh [build dir]: writes edid-decode's output beside every table the
# decoder test compares with it (the real tables here, and the simulator's built-in ones, which
# it first writes into builtin/ with the build's korvalis_edid_dump_builtins). The test reads
# these files; it never runs edid-decode itself. Run it after edid-decode or a built-in table
# changes, and commit what changed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../../../build"}
command -v edid-decode >/dev/null || { echo "edid-decode is not installed" >&2; exit 1; }
dump="$build/tests/edid/korvalis_edid_dump_builtins"
[ -x "$dump" ] || { echo "$dump is missing: build first (tools/build)" >&2; exit 1; }
mkdir -p "$here/builtin"
rm -f "$here"/builtin/*.bin "$here"/builtin/*.edid-decode.txt
"$dump" "$here/builtin"
for table in "$here"/*.bin "$here"/builtin/*.bin; do
    out=${table%.bin}.edid-decode.txt
    # edid-decode's exit status reports conformance findings; its text is what counts.
    edid-decode "$table" >"$out" || true
    [ -s "$out" ] || { echo "edid-decode printed nothing for $table" >&2; exit 1; }
done
echo "$(edid-decode --version 2>/dev/null | head -n 1 || echo edid-decode)" >"$here/edid-decode.version"
