# The Windows program's build (scripts/build.sh win64|win32, MinGW-w64): the
# platform layer's win32 flavour (platform/CMakeLists.txt), the folders above
# it from the same sources as on Linux, morvaine.exe, and the tests that ctest
# runs as Windows programs under Wine.
#
# Portable libraries with their unit tests, which need nothing of the platform
# beyond Unicode conversions and picture decoding:
#   platform/  Unicode conversions; picture decoding (stb, compiled in here)
#   support/   encodings; the HTTP client (libcurl); journey marks
#   Core/      the markup parser (from bytes); the zip reader; the string map
# portal/ is the local portal and stays a Linux program.
if(LUMORA_SANITIZE)
  message(FATAL_ERROR "MinGW-w64 has no sanitizers: configure the Windows build with LUMORA_SANITIZE=OFF")
endif()

find_package(Threads REQUIRED)
# Debian's MinGW zlib comes as a DLL and as a static library: the static one.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
# libcurl and jsoncpp come from the prefix scripts/build-win-deps.sh fills.
find_package(CURL CONFIG REQUIRED)
find_package(jsoncpp CONFIG REQUIRED)
# The folders' own CMake files name the libraries as Linux finds them through
# pkg-config; here the same names stand for the target's builds.
add_library(PkgConfig::JSONCPP INTERFACE IMPORTED)
target_link_libraries(PkgConfig::JSONCPP INTERFACE JsonCpp::JsonCpp)

# stb is header-only; its implementations are compiled into the program from
# the build machine's headers, from the same files as on Linux (where they
# are part of the gfx group).
find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
add_library(lumora_stb STATIC ${PROJECT_SOURCE_DIR}/platform/gfx/StbImage.cpp
                              ${PROJECT_SOURCE_DIR}/platform/gfx/StbImageWrite.cpp)
# Only the folder of stb's headers (not the host's /usr/include), as system
# headers: their warnings are not ours.
target_include_directories(lumora_stb SYSTEM PUBLIC ${STB_INCLUDE_DIR})

# One explicit list of sources per library, for the unit tests that run
# before the platform's groups are all there.
function(lumora_portable_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

lumora_portable_library(lumora_platform_portable
  SOURCES platform/base/Unicode.cpp platform/base/win32/WorkerPriority.cpp platform/gfx/PictureFormat.cpp
  LIBS lumora_stb)
lumora_portable_library(lumora_support_portable
  SOURCES support/Encoding.cpp support/HttpClient.cpp support/JourneyMarks.cpp
  LIBS lumora_platform_portable CURL::libcurl)
lumora_portable_library(kesto_portable
  SOURCES Core/Markup.cpp Core/ZipReader.cpp
  LIBS lumora_platform_portable ZLIB::ZLIB)

# The platform layer's win32 flavour, group by group as it is written
# (platform/CMakeLists.txt).
add_subdirectory(${PROJECT_SOURCE_DIR}/platform ${CMAKE_BINARY_DIR}/platform)

# The folders above the platform, from the same CMake files as on Linux.
include(${PROJECT_SOURCE_DIR}/cmake/FolderLibrary.cmake)
foreach(folder support controls skins automation game login app)
  add_subdirectory(${PROJECT_SOURCE_DIR}/${folder} ${CMAKE_BINARY_DIR}/${folder})
endforeach()

if(NOT LUMORA_TESTS)
  return()
endif()
enable_testing()

# GoogleTest from the sources Debian ships with libgtest-dev, built for the
# target (Debian has no MinGW build of it).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -Wno-error)
endforeach()

add_library(lumora_testsupport_portable STATIC ${PROJECT_SOURCE_DIR}/tests/testsupport/TempDir.cpp)
target_include_directories(lumora_testsupport_portable PUBLIC ${PROJECT_SOURCE_DIR}/tests)

# Wine runs the tests: a prefix of its own in the build folder, made once by
# the first test (a fixture the others wait for), no debug channels, and no
# display (console programs need none). 32-bit programs need Debian's wine32
# (an i386 package): without it Wine starts nothing and still exits with 0, so
# the tests are registered only with the loader for the program's bitness, and
# each must print GoogleTest's summary to pass.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(LUMORA_WINE_LOADER wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
  find_program(LUMORA_WINE_LOADER wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
find_program(LUMORA_WINE wine)
if(LUMORA_WINE AND LUMORA_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
  set(wine_environment "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")
  add_test(NAME wine_prefix COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh --boot)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}" LABELS windows)
else()
  message(STATUS "no Wine for ${CMAKE_SIZEOF_VOID_P}-byte programs: the Windows unit tests are built, "
                 "and only their imports checked")
endif()

# Registers a Windows program's tests: the check that it imports system DLLs
# only (Wine brings DLLs of its own, zlib1.dll among them, that a bare Windows
# lacks, so passing under Wine does not show that a program stands alone), and
# where Wine can start it, its run with the arguments after the pattern, which
# passes only when its output matches the pattern.
function(lumora_windows_program_tests target pass_pattern)
  add_test(NAME ${target}_imports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
           -DPROGRAM=$<TARGET_FILE:${target}> -P ${PROJECT_SOURCE_DIR}/cmake/CheckWindowsImports.cmake)
  set_tests_properties(${target}_imports PROPERTIES LABELS windows)
  if(LUMORA_WINE AND LUMORA_WINE_LOADER)
    add_test(NAME ${target} COMMAND ${target} ${ARGN})
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${wine_environment}" LABELS windows
                         PASS_REGULAR_EXPRESSION "${pass_pattern}")
  endif()
endfunction()

# One test program per folder, as on Linux, made of the portable tests only;
# each is one ctest test (a Wine start per test case would cost more than the
# cases). It passes on GoogleTest's own verdict: its summary without a failure.
function(lumora_portable_tests folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/tests/${folder}/)
  set(target test_${folder})
  add_executable(${target} ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} lumora_testsupport_portable gmock gtest_main)
  lumora_windows_program_tests(${target} "\\[  PASSED  \\] [1-9][0-9]* test")
  if(TEST ${target})
    set_tests_properties(${target} PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  endif()
endfunction()

# Bad input is survived on Windows as on Linux: the fuzz targets of the
# portable readers replay their seed inputs, among them every input that ever
# made one fail.
function(lumora_seed_replay name)
  set(target seeds_${name})
  add_executable(${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/${name}.cpp ${PROJECT_SOURCE_DIR}/tests/fuzz/FuzzSupport.cpp
                           ${PROJECT_SOURCE_DIR}/tests/windows/SeedReplay.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz)
  target_link_libraries(${target} PRIVATE ${ARGN})
  lumora_windows_program_tests(${target} "replayed [1-9][0-9]* inputs" ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
endfunction()

lumora_portable_tests(platform SOURCES UnicodeTest.cpp PictureFormatTest.cpp LIBS lumora_platform_portable)
lumora_portable_tests(support SOURCES EncodingTest.cpp LIBS lumora_support_portable)
lumora_portable_tests(Core SOURCES MarkupTest.cpp StringMapTest.cpp ZipReaderTest.cpp LIBS kesto_portable ZLIB::ZLIB)
# tests/windows: what the Linux tests check through Linux-only helpers
# (cpp-httplib's server, POSIX sockets), checked here with Windows sockets.
lumora_portable_tests(windows SOURCES LoopbackServer.cpp HttpClientTest.cpp LIBS lumora_support_portable ws2_32)
# The gfx group drawn with GDI: the Linux tests of bitmaps, canvas, text and
# device scales (their rules are the contract), and what GDI adds.
add_executable(test_win32_gfx
  ${PROJECT_SOURCE_DIR}/tests/platform/CanvasTest.cpp ${PROJECT_SOURCE_DIR}/tests/platform/DenseCanvasTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/platform/TextTest.cpp ${PROJECT_SOURCE_DIR}/tests/platform/DeviceScaleTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/windows/GdiDrawingTest.cpp)
target_include_directories(test_win32_gfx PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_gfx PRIVATE lumora_platform lumora_testsupport_portable gmock gtest_main)
lumora_windows_program_tests(test_win32_gfx "\\[  PASSED  \\] [1-9][0-9]* test")
if(TEST test_win32_gfx)
  set_tests_properties(test_win32_gfx PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()
# The Windows programs that open windows run under Wine on an X display of
# their own (scripts/wine-run-display.sh), on LUMORA_WIN32_TEST_DISPLAY when
# set (a developer's own display), on a free one otherwise. They share one
# Wine prefix, hence one wineserver and one Windows desktop: run at once,
# one program's SendInput would reach the other's foreground window and the
# first to finish would kill the other's wineserver. They take turns.
set(LUMORA_WIN32_TEST_DISPLAY "" CACHE STRING "X display number for the Windows tests that open windows (empty: any free one)")
function(lumora_windows_display_test target)
  set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run-display.sh)
  lumora_windows_program_tests(${target} "\\[  PASSED  \\] [1-9][0-9]* test")
  if(TEST ${target})
    set_tests_properties(${target} PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]" RESOURCE_LOCK wine_display)
    if(LUMORA_WIN32_TEST_DISPLAY)
      set_property(TEST ${target} APPEND PROPERTY ENVIRONMENT "LUMORA_XVFB_DISPLAY=${LUMORA_WIN32_TEST_DISPLAY}")
    endif()
  endif()
endfunction()

# The window and system-control groups against real Win32, under Wine on an
# X display (scripts/wine-run-display.sh); the program carries resources of
# its own, compiled with windres.
set(win32_window_rc ${CMAKE_BINARY_DIR}/Win32WindowTestResources.o)
add_custom_command(OUTPUT ${win32_window_rc}
  COMMAND ${CMAKE_RC_COMPILER} -O coff -i ${PROJECT_SOURCE_DIR}/tests/windows/Win32WindowTest.rc -o ${win32_window_rc}
  DEPENDS ${PROJECT_SOURCE_DIR}/tests/windows/Win32WindowTest.rc VERBATIM)
add_executable(test_win32_window ${PROJECT_SOURCE_DIR}/tests/windows/Win32WindowTest.cpp
                                 ${PROJECT_SOURCE_DIR}/tests/platform/ResourceTest.cpp ${win32_window_rc})
# The fonts handed to the system's controls need the gfx group's GDI fonts,
# which arrive with its win32 flavour.
if(EXISTS ${PROJECT_SOURCE_DIR}/platform/gfx/win32/Text.cpp)
  target_sources(test_win32_window PRIVATE ${PROJECT_SOURCE_DIR}/tests/windows/Win32FontMessagesTest.cpp)
endif()
target_include_directories(test_win32_window PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_window PRIVATE lumora_platform lumora_testsupport_portable gmock gtest_main)
lumora_windows_display_test(test_win32_window)
# test_win32_text: the text services' editing core over the GDI layout,
# driven by the same cases as on Linux (real input through SendInput, on a
# display), and the layout's break rules.
add_executable(test_win32_text ${PROJECT_SOURCE_DIR}/tests/platform/TextServicesTest.cpp
                               ${PROJECT_SOURCE_DIR}/tests/platform/TextBreaksTest.cpp
                               ${PROJECT_SOURCE_DIR}/tests/windows/Win32TestPump.cpp
                               ${PROJECT_SOURCE_DIR}/tests/windows/Win32TextLayoutTest.cpp)
target_include_directories(test_win32_text PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_text PRIVATE lumora_platform gmock gtest_main)
lumora_windows_display_test(test_win32_text)
# test_win32_system: the system group's forwarding against the system itself
# (registry, profiles, kernel, shell, folders, crash dumps), with the Linux
# tests whose rules hold on both systems. Its child program is what the shell
# starts and what crashes.
add_executable(win32_system_child ${PROJECT_SOURCE_DIR}/tests/windows/SystemChild.cpp)
target_link_libraries(win32_system_child PRIVATE lumora_platform)
add_executable(test_win32_system
  ${PROJECT_SOURCE_DIR}/tests/platform/KernelTest.cpp ${PROJECT_SOURCE_DIR}/tests/platform/MachineIdTest.cpp ${PROJECT_SOURCE_DIR}/tests/platform/ProfileTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/platform/ShellTest.cpp ${PROJECT_SOURCE_DIR}/tests/testsupport/MiniDumpReader.cpp
  ${PROJECT_SOURCE_DIR}/tests/windows/SystemScratch.cpp ${PROJECT_SOURCE_DIR}/tests/windows/Win32CrashTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/windows/Win32KernelTest.cpp ${PROJECT_SOURCE_DIR}/tests/windows/Win32ProfileTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/windows/Win32RegistryTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/windows/Win32ShellTest.cpp)
target_include_directories(test_win32_system PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_system PRIVATE lumora_platform lumora_testsupport_portable gmock gtest_main)
add_dependencies(test_win32_system win32_system_child)
lumora_windows_program_tests(test_win32_system "\\[  PASSED  \\] [1-9][0-9]* test")
if(TEST test_win32_system)
  set_tests_properties(test_win32_system PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()
lumora_seed_replay(markup kesto_portable)
lumora_seed_replay(zip kesto_portable)
lumora_seed_replay(profile lumora_platform)

# The com group's win32 flavour against the system (COM, OLE, oleaut32,
# WinINet and the Web Browser class). Its browser test needs a display; mshtml
# is off, as for every program here, since Wine's engine (Gecko) is not
# installed.
set(com_tests ${PROJECT_SOURCE_DIR}/tests/windows/com)
add_executable(test_win32_com ${com_tests}/Win32ComTest.cpp ${com_tests}/Win32UrlCacheTest.cpp
                              ${com_tests}/Win32BrowserTest.cpp ${com_tests}/Win32VtableTest.cpp
                              ${com_tests}/ComTestSupport.cpp)
target_include_directories(test_win32_com PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_com PRIVATE lumora_platform user32 gtest_main gtest)
lumora_windows_display_test(test_win32_com)

# The launcher's own files on Windows: the platform's private files under
# names beyond the code page, the cache clearing's walk over read-only files.
add_executable(test_win32_files ${PROJECT_SOURCE_DIR}/tests/windows/PrivateFileTest.cpp)
target_include_directories(test_win32_files PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(test_win32_files PRIVATE lumora_support lumora_testsupport_portable gmock gtest_main)
lumora_windows_program_tests(test_win32_files "\\[  PASSED  \\] [1-9][0-9]* test")
if(TEST test_win32_files)
  set_tests_properties(test_win32_files PROPERTIES FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()

# The skins and the icon as the program's resources: the generated script
# compiled and read back.
add_test(NAME skin_resources COMMAND ${CMAKE_COMMAND} -DRC_COMPILER=${CMAKE_RC_COMPILER}
         -DSCRIPT=${CMAKE_BINARY_DIR}/skins/SkinResources.rc -DICON_DIR=${PROJECT_SOURCE_DIR}/skins/icon
         -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR} -P ${PROJECT_SOURCE_DIR}/tests/windows/CheckSkinResources.cmake)
set_tests_properties(skin_resources PROPERTIES LABELS windows)

# morvaine.exe: its imports, and its journey under Wine on an X server against
# the Linux build's portal (tests/windows/wine_journey.sh), once it links.
set(LUMORA_LINUX_PORTAL ${PROJECT_SOURCE_DIR}/build/test/portal/lumora-portal CACHE FILEPATH
    "The Linux build's lumora-portal that the Wine journey starts")
get_target_property(launcher_set_aside morvaine EXCLUDE_FROM_ALL)
if(NOT launcher_set_aside)
  add_test(NAME morvaine_imports COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
           -DPROGRAM=$<TARGET_FILE:morvaine> -P ${PROJECT_SOURCE_DIR}/cmake/CheckWindowsImports.cmake)
  set_tests_properties(morvaine_imports PROPERTIES LABELS windows)
  if(LUMORA_WINE AND LUMORA_WINE_LOADER)
    if(LUMORA_WIN32_TEST_DISPLAY)
      set(display -n ${LUMORA_WIN32_TEST_DISPLAY})
    else()
      set(display -a)
    endif()
    # -noreset: a launcher started after another has quit must still find
    # the display.
    add_test(NAME wine_journey COMMAND xvfb-run ${display} -s "-screen 0 1920x1080x24 -noreset"
             bash ${PROJECT_SOURCE_DIR}/tests/windows/wine_journey.sh)
    set_tests_properties(wine_journey PROPERTIES LABELS windows TIMEOUT 600 SKIP_RETURN_CODE 77 RESOURCE_LOCK wine_display
      ENVIRONMENT "LAUNCHER=$<TARGET_FILE:morvaine>;PORTAL=${LUMORA_LINUX_PORTAL};E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e-artifacts;E2E_LIB=${PROJECT_SOURCE_DIR}/tests/e2e/lib.bash;WINEPREFIX=${CMAKE_BINARY_DIR}/wine-journey")
  endif()
endif()
