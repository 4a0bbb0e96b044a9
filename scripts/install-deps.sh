#!/usr/bin/env bash
# Installs every Debian package the launcher, the local portal and the tests need.
# Does nothing when all of them are already present.
set -euo pipefail

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

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
