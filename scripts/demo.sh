#!/usr/bin/env bash
# Runs the program's main job on the bundled demo history: generates a home folder with a
# Messages database and a contacts file, then opens the window on it; without a display, lists
# its conversations and exports the largest one into that home folder's Downloads.
set -euo pipefail
build=${1:-build}
home="$build/demo-home"

rm -rf "$home"
"$build/tools/demo/tovik-demo-history" --home "$home" --seed 1
home=$(cd "$home" && pwd)
db="$home/Library/Messages/chat.db"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== Tovik for Mac on the demo history (close the window to finish)"
    echo "   Allow Contacts asks for a vCard file: pick $home/contacts.vcf"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" "$build/src/ui/tovik"
    exit 0
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the command-line export instead."

echo
echo "== Conversations (tovik-export list --db $db --contacts $home/contacts.vcf)"
"$build/src/cli/tovik-export" list --db "$db" --contacts "$home/contacts.vcf"

# The largest conversation comes first in the list.
id=$("$build/src/cli/tovik-export" list --db "$db" --contacts "$home/contacts.vcf" --json |
    sed -n 's/^[ []*{"id": "\([^"]*\)".*/\1/p' | head -n 1)

echo
echo "== Export of the largest conversation ($id)"
file=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    "$build/src/cli/tovik-export" export --db "$db" --contacts "$home/contacts.vcf" --id "$id")
echo "$file"
echo
echo "== Its first blocks"
head -n 24 "$file"
