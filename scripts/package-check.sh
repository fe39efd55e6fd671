#!/usr/bin/env bash
# Checks the Debian package that `make package` built: its desktop entry and metainfo pass their
# validators, apt can install it on this system, and, unpacked into a scratch folder, it holds
# exactly the files of an installed application and its programs answer --version and --help
# without a display.
#   scripts/package-check.sh [BUILD]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

shopt -s nullglob
debs=("$build"/tovik_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "package-check: expected one tovik_*.deb in $build (make package), found ${#debs[@]}" >&2
    exit 1
fi
deb=$(realpath "${debs[0]}")
version=$(dpkg-deb --field "$deb" Version)
depends=$(dpkg-deb --field "$deb" Depends)
fail() {
    echo "package-check: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb --extract "$deb" "$scratch"
share="$scratch/usr/share"

echo "== validators"
desktop-file-validate "$share/applications/app.tovik.Tovik.desktop"
appstreamcli validate --no-net "$share/metainfo/app.tovik.Tovik.metainfo.xml"

echo "== dependencies: $depends"
for wanted in fonts-inter fonts-noto-color-emoji libqt6widgets6 libsqlite3-0; do
    [[ ", $depends," == *", $wanted"[\ ,]* ]] || fail "Depends lacks $wanted"
done

echo "== apt-get install --simulate $deb"
# apt resolves the dependencies from its package lists; a machine whose set-up found everything
# installed may never have fetched them, so they are fetched once when the simulation fails.
if ! apt-get install --simulate -q "$deb" >"$scratch/simulate.log" 2>&1; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 update -q >/dev/null
    apt-get install --simulate -q "$deb" >"$scratch/simulate.log" 2>&1 ||
        { cat "$scratch/simulate.log" >&2; fail "apt cannot install $deb"; }
fi

echo "== file list"
expected=(
    usr/bin/tovik
    usr/bin/tovik-export
    usr/share/applications/app.tovik.Tovik.desktop
    usr/share/doc/tovik/copyright
    usr/share/icons/hicolor/scalable/apps/app.tovik.Tovik.svg
    usr/share/man/man1/tovik-export.1.gz
    usr/share/man/man1/tovik.1.gz
    usr/share/metainfo/app.tovik.Tovik.metainfo.xml
)
for size in 16 24 32 48 64 128 256 512; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/app.tovik.Tovik.png")
done
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$scratch" && find usr ! -type d | sort); then
    fail "the package's files differ from the list above (- expected, + packaged)"
fi
for size in 16 256; do
    file "$share/icons/hicolor/${size}x${size}/apps/app.tovik.Tovik.png" | grep -q "PNG image data, $size x $size" ||
        fail "the ${size}x${size} icon is not a PNG of that size"
done

echo "== the unpacked programs, without a display"
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$scratch/usr/bin/$@"; }
for program in tovik tovik-export; do
    [ "$(run "$program" --version)" = "$program $version" ] || fail "$program --version does not print '$program $version'"
    run "$program" --help | grep -q "^Usage: $program " || fail "$program --help prints no usage"
done
if run tovik --no-such-option 2>/dev/null; then
    fail "tovik accepted an unknown option"
elif [ $? -ne 2 ]; then
    fail "tovik's usage error does not exit with status 2"
fi

echo "package-check: $(basename "$deb") is fine"
