#!/usr/bin/env bash
# Builds the libraries the Windows program needs and Debian has no MinGW
# package of (libcurl, jsoncpp) from Debian's own source packages, for one
# target, into a prefix that later runs reuse:
#   scripts/build-win-deps.sh win64   → build/win64-deps (x86_64-w64-mingw32)
#   scripts/build-win-deps.sh win32   → build/win32-deps (i686-w64-mingw32)
# The sources are fetched once into build/win-deps-src with `apt-get source`
# (scripts/install-deps.sh windows enables the source entries). libcurl is
# built for HTTP only, without a TLS library: the launcher speaks plain HTTP
# to the portal. Both are static libraries, like everything in the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-win64}"
case "$flavour" in
  win64) triplet=x86_64-w64-mingw32 ;;
  win32) triplet=i686-w64-mingw32 ;;
  *) echo "usage: $0 win64|win32" >&2; exit 2 ;;
esac
prefix="${LUMORA_WIN_DEPS_PREFIX:-$root/build/$flavour-deps}"
sources="$root/build/win-deps-src"
toolchain="$root/cmake/toolchain-$triplet.cmake"
jobs="${LUMORA_JOBS:-2}"

# Fetches and unpacks (with Debian's patches applied) one source package,
# once; prints the folder it is in.
unpacked() {
  local binary="$1" dir
  mkdir -p "$sources"
  dir="$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name "$2-*" | head -n 1)"
  if [ -z "$dir" ]; then
    (cd "$sources" && apt-get source -qq "$binary" >/dev/null 2>&1) || {
      echo "apt-get source $binary failed: are the deb-src entries enabled (scripts/install-deps.sh windows)?" >&2
      exit 1
    }
    dir="$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name "$2-*" | head -n 1)"
  fi
  echo "$dir"
}

# Configures, builds and installs one CMake project into the prefix.
build_into_prefix() {
  local name="$1" src="$2"
  shift 2
  local work="$prefix-build/$name"
  rm -rf "$work"
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DLUMORA_WIN_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }
  nice -n 10 cmake --build "$work" -j "$jobs" >>"$work.log" 2>&1 || { tail -n 50 "$work.log" >&2; exit 1; }
  cmake --install "$work" >>"$work.log" 2>&1 || { tail -n 50 "$work.log" >&2; exit 1; }
}

curl_src="$(unpacked curl curl)"
jsoncpp_src="$(unpacked libjsoncpp-dev libjsoncpp)"
# The prefix is rebuilt when the sources (the names of their .dsc files carry the versions) or
# the tool chain change, and reused otherwise.
stamp="$prefix/.built-from"
want="$(cd "$sources" && ls -- *.dsc | tr "\n" " ")$(cat "$toolchain" "$root/cmake/MinGWToolchain.cmake" "$0" | sha1sum | cut -c1-16)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
  exit 0
fi

echo "Building libcurl and jsoncpp for $triplet into $prefix"
rm -rf "$prefix" "$prefix-build"
mkdir -p "$prefix" "$prefix-build"
build_into_prefix curl "$curl_src" -DHTTP_ONLY=ON -DCURL_ENABLE_SSL=OFF -DCURL_ZLIB=OFF -DUSE_LIBIDN2=OFF \
  -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF \
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_UNICODE=ON

build_into_prefix jsoncpp "$jsoncpp_src" -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_TESTS=OFF \
  -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_EXAMPLE=OFF

rm -rf "$prefix-build"
echo "$want" >"$stamp"
