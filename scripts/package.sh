#!/usr/bin/env bash
# Builds the Debian packages (morvaine and lumora-portal) from an optimised
# build with the /usr prefix in build/package, and checks them with lintian:
#   scripts/package.sh            → build/package/morvaine_<version>_<arch>.deb
#                                   build/package/lumora-portal_<version>_<arch>.deb
# Fails when lintian reports an error; its warnings are printed (README lists
# the ones left and why). Then checks the unpacked packages as the installed
# product tests check an installed build (when build/test has their probes).
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
[ "$status" = 0 ] || exit "$status"

# The packages unpacked into scratch folders and checked there as installed:
# layout, menu entry, metadata and manual pages, then a start from the menu
# entry under Xvfb that logs in against the packaged portal. The probes come
# from the test build (scripts/build.sh test installed_probe gtk_probe).
tests="$root/build/test/tests"
if [ ! -x "$tests/packaging/installed_probe" ] || [ ! -x "$tests/e2e/gtk_probe" ]; then
  echo "skipped the checks of the unpacked packages: build/test lacks installed_probe and gtk_probe" >&2
  exit 0
fi
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
export DEBS="$(echo "$build"/*.deb)" BUILD_DIR="$root/build" SOURCE_DIR="$root" \
  PROJECT_VERSION="$(dpkg-deb --field "$build"/morvaine_*.deb Version)" \
  PREFIX=/usr BINDIR=bin LAUNCHERDIR=games LIBDIR="lib/$multiarch" DATADIR=share MANDIR=share/man \
  PROBE="$tests/packaging/installed_probe" INSTALLED_PROBE="$tests/packaging/installed_probe" \
  GTK_PROBE="$tests/e2e/gtk_probe" E2E_LIB="$root/tests/e2e/lib.bash" E2E_ARTIFACTS="$build/e2e-artifacts" \
  NO_AT_BRIDGE=1 ASAN_OPTIONS=detect_leaks=0
bash "$root/tests/packaging/install_tree.sh"
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash "$root/tests/packaging/menu_launch.sh"
