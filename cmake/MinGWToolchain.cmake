# Shared part of the MinGW-w64 tool chain files: the including file sets
# LUMORA_MINGW_TRIPLET and LUMORA_MINGW_PROCESSOR first. Debian's compilers
# with the posix thread model are used: the win32 model of this GCC has no
# std::thread, std::mutex or std::condition_variable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${LUMORA_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${LUMORA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMORA_MINGW_TRIPLET}-windres)
# The compiler names end in -posix, which hides the binutils prefix from CMake.
set(CMAKE_AR ${LUMORA_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${LUMORA_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# Libraries come from the target's own tree only: Debian's MinGW packages
# (zlib) and the prefix scripts/build-win-deps.sh fills (libcurl, jsoncpp).
# LUMORA_WIN_DEPS_PREFIX overrides where that prefix is.
if(NOT LUMORA_WIN_DEPS_PREFIX)
  if(LUMORA_MINGW_PROCESSOR STREQUAL "x86_64")
    set(LUMORA_WIN_DEPS_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build/win64-deps)
  else()
    set(LUMORA_WIN_DEPS_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build/win32-deps)
  endif()
endif()
get_filename_component(LUMORA_WIN_DEPS_PREFIX "${LUMORA_WIN_DEPS_PREFIX}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_TRIPLET} ${LUMORA_WIN_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# try_compile projects see the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMORA_WIN_DEPS_PREFIX)

# A Windows program that runs on a bare system: the C++ runtime, libgcc and
# winpthreads are linked in instead of being DLLs beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
