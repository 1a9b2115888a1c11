#!/bin/sh
# Each code block in a guide that follows a line "<!-- from FILE -->" must appear in FILE exactly,
# so a guide never shows code the repository no longer has.
# Usage: check-quotes.sh GUIDE...   (FILE is relative to the repository root)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for guide in "$@"; do
    awk -v root="$root" -v guide="$guide" '
        function slurp(file,   text, line) {
            text = ""
            while ((getline line < file) > 0) text = text line "\n"
            close(file)
            return text
        }
        /^<!-- from .* -->$/ { source = $3; next }
        inside && /^```$/ {
            if (index(slurp(root "/" source), block) == 0) {
                print guide ": the block quoted from " source " is not in it"
                bad = 1
            }
            inside = 0; source = ""; next
        }
        inside { block = block $0 "\n"; next }
        source != "" && /^```/ { inside = 1; block = ""; quotes++ }
        END { if (quotes == 0) { print guide ": no quotes"; bad = 1 } exit bad }
    ' "$guide" || status=1
done
exit "$status"
