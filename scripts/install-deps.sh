#!/usr/bin/env bash
# Installs every Debian package the launcher, the local portal and the tests need.
# Does nothing when all of them are already present.
#   scripts/install-deps.sh           the Linux build
#   scripts/install-deps.sh windows   and the Windows cross build: MinGW-w64,
#                                     its zlib, Wine and the source entries that
#                                     scripts/build-win-deps.sh fetches from
set -euo pipefail
with_windows=0
case "${1:-}" in
  "") ;;
  windows) with_windows=1 ;;
  *) echo "usage: $0 [windows]" >&2; exit 2 ;;
esac

packages=(
  # build
  cmake ninja-build pkg-config g++
  # HTTP, JSON, inflate, image decoding
  libcurl4-openssl-dev libjsoncpp-dev zlib1g-dev libstb-dev
  # drawing and text
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-wqy-microhei fonts-dejavu-core
  # real windows and the web engine
  libgtk-3-dev libwebkit2gtk-4.1-dev libx11-dev
  # headless static browser
  libgumbo-dev
  # local portal and the servers inside tests
  libcpp-httplib-dev libsqlite3-dev sqlite3 libssl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth xdotool imagemagick x11-utils x11-xserver-utils xcompmgr openbox
  # the installed product: menu entry and metadata validators, manual pages,
  # the Debian packages (dpkg-shlibdeps, lintian) and starting by menu entry
  desktop-file-utils appstream man-db groff-base dpkg-dev file lintian libgtk-3-bin curl
)
if [ "$with_windows" = 1 ]; then
  packages+=(
    # the Windows cross build (posix threads: std::thread and std::mutex) and the
    # runner of its test programs; libcurl and jsoncpp are built from source
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev wine wine64
  )
  # 32-bit programs need wine32, an i386 package. Enabling that architecture
  # is left to the machine's owner: its libraries must then match the amd64
  # ones version for version, which upgrades dozens of the system's packages.
  if dpkg --print-foreign-architectures | grep -qx i386; then
    packages+=(wine32:i386)
  fi
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

# `apt-get source` needs the source entries of the suites the system uses;
# they are added once, beside the system's own list.
source_list=/etc/apt/sources.list.d/lumora-deb-src.sources
sources_added=0
if [ "$with_windows" = 1 ] && [ ! -f "$source_list" ]; then
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  "${sudo_cmd[@]}" tee "$source_list" >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  sources_added=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  if [ "$sources_added" = 1 ]; then
    "${sudo_cmd[@]}" apt-get update
  fi
  exit 0
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
