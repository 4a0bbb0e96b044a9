# Fails when a Windows program imports a DLL that a bare Windows does not
# have: the program must run from its own file alone, so the C++ runtime,
# libgcc, winpthreads, zlib, libcurl and jsoncpp are linked in statically.
# Run as `cmake -DOBJDUMP=... -DPROGRAM=... -P CheckWindowsImports.cmake`.
cmake_minimum_required(VERSION 3.25)
set(system_dlls
  advapi32 bcrypt comctl32 comdlg32 crypt32 dbghelp gdi32 imm32 iphlpapi kernel32 msimg32 msvcrt
  normaliz ntdll ole32 oleaut32 psapi rpcrt4 secur32 shell32 shlwapi urlmon user32 userenv uxtheme
  version wininet winmm wldap32 ws2_32)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "${PROGRAM} imports no DLL at all: not a Windows program?")
endif()
set(foreign "")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^\n]+)" "\\1" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST system_dlls AND NOT name MATCHES "^api-ms-win-")
    list(APPEND foreign ${dll})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${PROGRAM} needs DLLs a bare Windows lacks: ${foreign}")
endif()
message(STATUS "${PROGRAM}: system DLLs only")
