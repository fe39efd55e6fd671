#!/usr/bin/env bash
# Runs the program's main job on the bundled demo history: generates a home folder with a
# Messages database, a contacts file and the same history as an iPhone backup, then opens the
# window on it; without a display, lists the backup's conversations and exports the largest one
# into that home folder's Downloads.
set -euo pipefail
build=${1:-build}
home="$build/demo-home"

rm -rf "$home"
"$build/tools/demo/tovik-demo-history" --home "$home" --seed 1
home=$(cd "$home" && pwd)
db="$home/Library/Messages/chat.db"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== Tovik for Mac on the demo history (close the window to finish)"
    echo "   On the contacts question, \"Choose a contacts file\": pick $home/contacts.vcf"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" "$build/src/ui/tovik"
    exit 0
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the command-line export instead,"
echo "reading the demo history as an iPhone backup named by the phone's own address book."
backups="$home/Library/Application Support/MobileSync/Backup"

echo
echo "== iPhone backups (tovik-export backups)"
HOME="$home" "$build/src/cli/tovik-export" backups

echo
echo "== Conversations (tovik-export list --db \"$backups\")"
"$build/src/cli/tovik-export" list --db "$backups"

# The largest conversation comes first in the list.
id=$("$build/src/cli/tovik-export" list --db "$backups" --json |
    sed -n 's/^[ []*{"id": "\([^"]*\)".*/\1/p' | head -n 1)

echo
echo "== Export of the largest conversation ($id)"
file=$(HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    "$build/src/cli/tovik-export" export --db "$backups" --id "$id")
echo "$file"
echo
echo "== Its first blocks"
head -n 24 "$file"
