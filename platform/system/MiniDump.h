// Writing a dump of the current process in the public minidump format, as
// dbghelp's MiniDumpWriteDump does: header, stream directory, system
// information, exception record with the faulting thread's context, the
// faulting thread with its stack memory, and the list of loaded modules read
// from /proc/self/maps.
//
// Everything here is async-signal-safe (raw system calls, no heap, no locks),
// because it runs inside the fatal-signal handler of platform/system/CrashHandler.h.
//
// On Windows dbghelp's own MiniDumpWriteDump writes the dump, and dump files
// are the system's file handles, shared with nobody while open
// (platform/system/win32/MiniDump.cpp).
#pragma once

#include <cstdint>

#include "platform/base/Types.h"
#include "platform/system/CrashHandler.h"

namespace os {

constexpr DWORD MiniDumpNormal = 0;

constexpr DWORD MINIDUMP_SIGNATURE = 0x504D444D;  // "MDMP"
constexpr DWORD MINIDUMP_VERSION = 0xA793;

// Stream types of the directory entries this writer produces.
constexpr DWORD ThreadListStream = 3;
constexpr DWORD ModuleListStream = 4;
constexpr DWORD MemoryListStream = 5;
constexpr DWORD ExceptionStream = 6;
constexpr DWORD SystemInfoStream = 7;

constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
constexpr WORD PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;
// The platform id minidump readers use for Linux (Breakpad's MD_OS_LINUX).
constexpr DWORD MINIDUMP_PLATFORM_LINUX = 0x8201;

struct MINIDUMP_EXCEPTION_INFORMATION {
  DWORD ThreadId = 0;
  EXCEPTION_POINTERS* ExceptionPointers = nullptr;
  BOOL ClientPointers = FALSE;
};

// Dump files are plain file descriptors carried in a HANDLE.
// Creates (or truncates) `path` for writing, private to the user (0600: a
// dump holds the process memory it names); returns
// INVALID_DUMP_FILE on failure. Async-signal-safe.
HANDLE CreateDumpFile(const char* path);
void CloseDumpFile(HANDLE file);
inline HANDLE const INVALID_DUMP_FILE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Writes the dump of the current process (GetCurrentProcess() and its id;
// other processes are refused). `exception` may be null (no exception stream, no thread
// context); `userStreams` and `callback` are accepted for the Win32 shape and
// must be null. Returns FALSE when the process or file is not usable or a
// write fails.
BOOL MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, DWORD dumpType,
                       const MINIDUMP_EXCEPTION_INFORMATION* exception, const void* userStreams,
                       const void* callback);

// Gathers what cannot be learnt inside a signal handler (processor count,
// kernel release) and reserves the writer's working memory. Called by
// SetUnhandledExceptionFilter; MiniDumpWriteDump calls it itself when needed.
void PrepareMiniDump();

}  // namespace os
