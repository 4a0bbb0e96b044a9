# 64-bit Windows programs with Debian's MinGW-w64 (scripts/build.sh win64).
set(LUMORA_MINGW_TRIPLET x86_64-w64-mingw32)
set(LUMORA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
