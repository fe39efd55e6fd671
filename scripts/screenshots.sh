#!/usr/bin/env bash
# Renders every screen of the application to PNG files, offscreen, in English (US region) and in
# German (German region): <build>/screenshots/en/*.png and <build>/screenshots/de/*.png.
set -euo pipefail
build=${1:-build}
out="$build/screenshots"
tool="$build/tests/ui/ui_screenshots"
if [ ! -x "$tool" ]; then
    echo "screenshots: $tool is missing; build with the GUI (TOVIK_BUILD_GUI=ON) first" >&2
    exit 1
fi

# A virtual screen of 1920 by 1080: the offscreen platform's own 800 by 600 would make the window scroll.
platform="offscreen:configfile=$(cd "$(dirname "$0")/.." && pwd)/tests/ui/screens/large.json"
rm -rf "$out"
QT_QPA_PLATFORM=$platform "$tool" --out "$out/en" --language en --region en_US
QT_QPA_PLATFORM=$platform "$tool" --out "$out/de" --language de --region de_DE
echo "screenshots: $(find "$out" -name '*.png' | wc -l) pictures under $out"
