# Every external library comes from Debian's packages (scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(CURL REQUIRED)

pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PANGO REQUIRED IMPORTED_TARGET pangocairo pango fontconfig)
pkg_check_modules(GTK REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(GUMBO REQUIRED IMPORTED_TARGET gumbo)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)

# stb's headers, under /usr/include/stb. Their implementations are compiled
# into the program (platform/gfx/StbImage.cpp, StbImageWrite.cpp) rather than
# taken from the distribution's library of them: the decoders' memory is the
# program's choice (platform/base/LargeBlocks.h), and the loader has one
# library less to map at start-up.
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
add_library(stb::stb INTERFACE IMPORTED)
set_target_properties(stb::stb PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${STB_INCLUDE_DIR}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${STB_INCLUDE_DIR}")

# Debian ships cpp-httplib as a shared library; its pkg-config file carries the
# library and the feature macros it was compiled with, which change the layout
# of its classes, so both must come from there.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
add_library(httplib::httplib INTERFACE IMPORTED)
set_target_properties(httplib::httplib PROPERTIES
  INTERFACE_LINK_LIBRARIES "PkgConfig::HTTPLIB;Threads::Threads")

find_package(GTest REQUIRED)
find_package(benchmark QUIET)
