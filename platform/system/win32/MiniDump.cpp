// Dumps written by the system's own writer (dbghelp's MiniDumpWriteDump),
// with the rules of every flavour: only the current process is dumped (its
// pseudo handle and its id), user streams and callbacks are refused, and a
// dump file is created anew for writing, shared with nobody until it is
// closed (a dump holds the process memory it names).
//
// Our MINIDUMP_EXCEPTION_INFORMATION is not the system's: dbghelp packs its
// structures to 4 bytes, so on 64-bit Windows the system's exception
// pointers lie at offset 4 where ours lie at 8. The fields are copied one by
// one, never the structure.
#include "platform/system/MiniDump.h"

#include "platform/system/Kernel.h"
#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <dbghelp.h>

#include <cstddef>

namespace os {
namespace {

static_assert(offsetof(::MINIDUMP_EXCEPTION_INFORMATION, ThreadId) == 0);
static_assert(offsetof(::MINIDUMP_EXCEPTION_INFORMATION, ExceptionPointers) == 4);
static_assert(offsetof(::MINIDUMP_EXCEPTION_INFORMATION, ClientPointers) == 4 + sizeof(void*));
static_assert(sizeof(os::EXCEPTION_POINTERS) == sizeof(::EXCEPTION_POINTERS));
static_assert(offsetof(os::EXCEPTION_POINTERS, ContextRecord) ==
              offsetof(::EXCEPTION_POINTERS, ContextRecord));
static_assert(os::MiniDumpNormal == ::MiniDumpNormal);
static_assert(os::ExceptionStream == ::ExceptionStream && os::ThreadListStream == ::ThreadListStream &&
              os::ModuleListStream == ::ModuleListStream && os::MemoryListStream == ::MemoryListStream &&
              os::SystemInfoStream == ::SystemInfoStream);

}  // namespace

HANDLE CreateDumpFile(const char* path) {
  if (path == nullptr || *path == '\0') return INVALID_DUMP_FILE;
  const std::wstring name = win32::WideFromUtf8(path);
  const ::HANDLE file =
      ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? INVALID_DUMP_FILE : file;
}

void CloseDumpFile(HANDLE file) {
  if (file != INVALID_DUMP_FILE && file != nullptr) ::CloseHandle(file);
}

BOOL MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, DWORD dumpType,
                       const MINIDUMP_EXCEPTION_INFORMATION* exception, const void* userStreams,
                       const void* callback) {
  if (process != ::GetCurrentProcess() || processId != ::GetCurrentProcessId()) return FALSE;
  if (file == INVALID_DUMP_FILE || file == nullptr || userStreams != nullptr || callback != nullptr)
    return FALSE;
  ::MINIDUMP_EXCEPTION_INFORMATION systemException{};
  if (exception != nullptr) {
    systemException.ThreadId = exception->ThreadId;
    systemException.ExceptionPointers = win32::As<::EXCEPTION_POINTERS*>(exception->ExceptionPointers);
    systemException.ClientPointers = exception->ClientPointers;
  }
  const bool withException = exception != nullptr && exception->ExceptionPointers != nullptr;
  return ::MiniDumpWriteDump(process, processId, file, static_cast<::MINIDUMP_TYPE>(dumpType),
                             withException ? &systemException : nullptr, nullptr, nullptr)
             ? TRUE
             : FALSE;
}

// The system's writer needs nothing gathered beforehand.
void PrepareMiniDump() {}

}  // namespace os
