// Fatal faults on Windows: the system's own unhandled-exception filter calls
// ours with the system's exception record and context, which are ours by
// layout (checked below; on 32-bit Windows the context is the system's x86
// one, which nothing of ours reads). What every flavour keeps:
// - abort() reaches the filter too, as STATUS_FATAL_APP_EXIT: the C runtime
//   of this build ends an uncaught C++ exception or a failed check with
//   abort(), which on Windows would end the process without any filter, so
//   no dump would be written and the player would see nothing;
// - a stack overflow reaches the filter too: the thread that installs it,
//   and each thread that keeps a CrashStackForThread, reserve stack for the
//   system's exception dispatch, and the filter itself then runs on a fresh
//   thread that stands in for the faulting one (CurrentKernelThreadId names
//   the faulting thread there), as the dump writer needs more stack than an
//   overflowed thread has;
// - RelaunchSelf starts a fresh run of the executable with no arguments and
//   the environment plus one variable, then ends the crashed process at once
//   (exit code 0, the code the fresh run ends with when it has reported the
//   crash), so that its windows go away as they do when the other flavour
//   replaces the process image. The filter runs as an ordinary function here
//   (on the faulting thread or its stand-in), not in a signal handler.
#include "platform/system/CrashHandler.h"

// Our names of the codes and answers, taken before the system's headers turn
// the same names into macros.
namespace os::ours {
constexpr DWORD kAccessViolation = EXCEPTION_ACCESS_VIOLATION;
constexpr DWORD kIntDivideByZero = EXCEPTION_INT_DIVIDE_BY_ZERO;
constexpr DWORD kFatalAppExit = STATUS_FATAL_APP_EXIT;
constexpr LONG kExecuteHandler = EXCEPTION_EXECUTE_HANDLER;
constexpr LONG kContinueSearch = EXCEPTION_CONTINUE_SEARCH;
constexpr LONG kContinueExecution = EXCEPTION_CONTINUE_EXECUTION;
}  // namespace os::ours

#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <mutex>

namespace os {
namespace {

static_assert(sizeof(os::EXCEPTION_RECORD) == sizeof(::EXCEPTION_RECORD));
static_assert(offsetof(os::EXCEPTION_RECORD, ExceptionAddress) ==
              offsetof(::EXCEPTION_RECORD, ExceptionAddress));
static_assert(offsetof(os::EXCEPTION_RECORD, NumberParameters) ==
              offsetof(::EXCEPTION_RECORD, NumberParameters));
static_assert(offsetof(os::EXCEPTION_RECORD, ExceptionInformation) ==
              offsetof(::EXCEPTION_RECORD, ExceptionInformation));
static_assert(sizeof(os::EXCEPTION_POINTERS) == sizeof(::EXCEPTION_POINTERS));
#if defined(_WIN64)
static_assert(sizeof(os::CONTEXT) == sizeof(::CONTEXT));
static_assert(offsetof(os::CONTEXT, Rip) == offsetof(::CONTEXT, Rip));
static_assert(offsetof(os::CONTEXT, Rsp) == offsetof(::CONTEXT, Rsp));
static_assert(offsetof(os::CONTEXT, FltSave) == offsetof(::CONTEXT, FltSave));
#endif
static_assert(ours::kAccessViolation == STATUS_ACCESS_VIOLATION);
static_assert(ours::kIntDivideByZero == STATUS_INTEGER_DIVIDE_BY_ZERO);
static_assert(ours::kFatalAppExit == STATUS_FATAL_APP_EXIT);
static_assert(ours::kExecuteHandler == EXCEPTION_EXECUTE_HANDLER &&
              ours::kContinueSearch == EXCEPTION_CONTINUE_SEARCH &&
              ours::kContinueExecution == EXCEPTION_CONTINUE_EXECUTION);

// Room the filter has left on a thread whose stack overflowed: the system's
// dump writer and the relaunch need some tens of kilobytes.
constexpr ::ULONG kStackGuarantee = 64 * 1024;
constexpr ::SIZE_T kFilterThreadStack = 1024 * 1024;

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};

// While the filter runs on a thread of its own for a thread whose stack
// overflowed, that thread stands in for the faulting one.
std::atomic<::DWORD> g_standIn{0};
std::atomic<::DWORD> g_stoodFor{0};

struct FilterRun {
  LPTOP_LEVEL_EXCEPTION_FILTER filter;
  ::EXCEPTION_POINTERS* pointers;
  ::DWORD faultingThread;
  ::LONG answer;
};

::DWORD WINAPI RunFilterForFaultingThread(void* parameter) {
  auto* run = static_cast<FilterRun*>(parameter);
  g_stoodFor.store(run->faultingThread);
  g_standIn.store(::GetCurrentThreadId());
  run->answer = run->filter(win32::As<os::EXCEPTION_POINTERS*>(run->pointers));
  g_standIn.store(0);
  return 0;
}

// A thread whose stack overflowed has too little of it left for the dump
// writer (the system may not even honour the guarantee), so the filter then
// runs on a fresh thread while the faulting one waits; anywhere else it runs
// on the faulting thread itself. When no thread can be started, the filter
// takes its chance on the faulting one.
::LONG WINAPI CallFilter(::EXCEPTION_POINTERS* pointers) {
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
  if (filter == nullptr) return EXCEPTION_CONTINUE_SEARCH;
  const bool overflow = pointers != nullptr && pointers->ExceptionRecord != nullptr &&
                        pointers->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW;
  if (overflow) {
    FilterRun run{filter, pointers, ::GetCurrentThreadId(), EXCEPTION_CONTINUE_SEARCH};
    if (const ::HANDLE thread = ::CreateThread(nullptr, kFilterThreadStack, &RunFilterForFaultingThread, &run,
                                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)) {
      ::WaitForSingleObject(thread, INFINITE);
      ::CloseHandle(thread);
      return run.answer;
    }
  }
  return filter(win32::As<os::EXCEPTION_POINTERS*>(pointers));
}

// abort() raises SIGABRT first; the exception raised here has no handler and
// so reaches the unhandled-exception filter on the aborting thread.
void RaiseFatalAppExit(int) { ::RaiseException(STATUS_FATAL_APP_EXIT, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

using SetThreadStackGuaranteeFunction = ::BOOL(WINAPI*)(::ULONG*);

// Windows XP has no SetThreadStackGuarantee; there the filter has what the
// system leaves it. True when the guarantee is in place.
bool GuaranteeStack(::ULONG size) {
  const ::HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return false;
  const auto set = reinterpret_cast<SetThreadStackGuaranteeFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetThreadStackGuarantee")));
  if (set == nullptr) return false;
  ::ULONG previous = size;
  return set(&previous) != FALSE;
}

bool SameName(std::wstring_view entry, std::wstring_view name) {
  if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
    if (fold(entry[i]) != fold(name[i])) return false;
  }
  return true;
}

// The process's environment block with "NAME=value" in place of any earlier
// NAME (names compare without regard to case, as the system's do).
std::wstring EnvironmentWith(const char* assignment) {
  const std::wstring extra = assignment != nullptr ? win32::WideFromUtf8(assignment) : std::wstring();
  const std::size_t equals = extra.find(L'=');
  const std::wstring_view name = equals == std::wstring::npos || equals == 0
                                     ? std::wstring_view()
                                     : std::wstring_view(extra).substr(0, equals);
  std::wstring block;
  if (wchar_t* strings = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0';) {
      const std::wstring_view text(entry);
      if (name.empty() || !SameName(text, name)) block.append(text).push_back(L'\0');
      entry += text.size() + 1;
    }
    ::FreeEnvironmentStringsW(strings);
  }
  if (!name.empty()) block.append(extra).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  static std::once_flag armed;
  std::call_once(armed, [] {
    ::SetUnhandledExceptionFilter(&CallFilter);
    std::signal(SIGABRT, &RaiseFatalAppExit);
    GuaranteeStack(kStackGuarantee);
  });
  return g_filter.exchange(filter);
}

// The system keeps a thread's guarantee for the thread's life and cannot
// lower it again, so the destructor has nothing to undo.
CrashStackForThread::CrashStackForThread() {
  installed_ = GuaranteeStack(kStackGuarantee);
  size_ = installed_ ? kStackGuarantee : 0;
}

CrashStackForThread::~CrashStackForThread() = default;

void RelaunchSelf(const char* extraEnv) {
  const std::wstring program = win32::SystemModulePath(nullptr);
  if (program.empty()) return;
  std::wstring environment = EnvironmentWith(extraEnv);
  std::wstring commandLine = L"\"" + program + L"\"";
  ::STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::PROCESS_INFORMATION started{};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &started)) {
    return;
  }
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  ::TerminateProcess(::GetCurrentProcess(), 0);
}

DWORD CurrentKernelThreadId() {
  const ::DWORD self = ::GetCurrentThreadId();
  return self == g_standIn.load() ? g_stoodFor.load() : self;
}

}  // namespace os
