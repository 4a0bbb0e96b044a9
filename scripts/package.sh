#!/usr/bin/env bash
# Builds the Debian packages (morvaine and lumora-portal) from an optimised
# build with the /usr prefix in build/package, and checks them with lintian:
#   scripts/package.sh            → build/package/morvaine_<version>_<arch>.deb
#                                   build/package/lumora-portal_<version>_<arch>.deb
# Fails when lintian reports an error; its warnings are printed (README lists
# the ones left and why).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/package"
bash "$root/scripts/install-deps.sh"

# Debian's compiler and linker flags with every hardening feature (stack
# protector, fortified functions, relro, bindnow), read by CMake when the build
# folder is first configured; CMake has no place for the preprocessor's own.
# Release adds -O3 and -DNDEBUG. The launcher goes to /usr/games, where Debian
# keeps games.
cd "$root"  # dpkg-buildflags maps the current folder out of debug paths
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DMORVAINE_INSTALL_LAUNCHERDIR=games \
  -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF >/dev/null
cmake --build "$build" -j "${LUMORA_JOBS:-2}"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)

status=0
for deb in "$build"/*.deb; do
  echo "== $(basename "$deb")"
  dpkg-deb --field "$deb" Package Version Section Priority Depends Recommends
  # --fail-on error: warnings are reported, errors fail the script.
  lintian --fail-on error --tag-display-limit 0 "$deb" || status=1
done
exit "$status"
