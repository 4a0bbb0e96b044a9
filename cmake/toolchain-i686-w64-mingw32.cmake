# 32-bit Windows programs with Debian's MinGW-w64 (scripts/build.sh win32).
set(LUMORA_MINGW_TRIPLET i686-w64-mingw32)
set(LUMORA_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
