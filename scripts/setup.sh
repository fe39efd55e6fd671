#!/usr/bin/env bash
# Installs the Debian packages this project needs to build, test and run its demo.
# Safe to run again: it asks dpkg first and installs only what is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config make
    libsqlite3-dev sqlite3
    libicu-dev
    libexpected-dev
    libssl-dev libplist-dev   # iPhone backups: OpenSSL for the encrypted ones, plists
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev libgl-dev
    qt6-translations-l10n   # Qt's own texts (the file dialog's buttons) in the user's language
    xvfb xauth
    # The end-to-end tests: a window manager, X input, and the accessibility tree over D-Bus
    openbox xdotool dbus at-spi2-core python3-gi gir1.2-atspi-2.0
    fonts-dejavu-core fonts-noto-color-emoji fonts-inter
    # make package: icons, man pages, the package's dependencies, and the checks of its files
    librsvg2-bin help2man dpkg-dev file desktop-file-utils appstream
    clang-format-14 clang-tidy-14
)
# Fuzzing needs clang's libFuzzer runtime; only `make fuzz` and CI ask for it.
if [ "${TOVIK_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages are installed"
    exit 0
fi

if ! command -v apt-get >/dev/null 2>&1; then
    echo "setup: apt-get is not available. Install these packages by hand:" >&2
    echo "  ${missing[*]}" >&2
    exit 1
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup: not root and sudo is missing. As root, run:" >&2
        echo "  apt-get install ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 update -q
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}"
