// Process-wide handling of fatal faults, shaped like Win32 structured
// exceptions: a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) is
// turned into an EXCEPTION_RECORD and an AMD64 CONTEXT and handed to the
// filter installed with SetUnhandledExceptionFilter, on an alternate stack so
// that a stack overflow still reaches it.
//
// The filter runs inside a signal handler: it may only use async-signal-safe
// calls (the minidump writer of platform/system/MiniDump.h and RelaunchSelf are).
//
// On Windows the system's own unhandled-exception filter calls ours, abort()
// reaches it as STATUS_FATAL_APP_EXIT, a stack overflow's filter runs on a
// thread standing in for the faulting one, and RelaunchSelf starts a new
// process and ends the crashed one (platform/system/win32/CrashHandler.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/Types.h"

namespace os {

using DWORD64 = std::uint64_t;
using ULONG_PTR = std::uintptr_t;

// Exception codes as Windows reports them for the matching faults.
constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
// What the C runtime's abort() raises on Windows.
constexpr DWORD STATUS_FATAL_APP_EXIT = 0x40000015;
constexpr DWORD EXCEPTION_NONCONTINUABLE = 0x1;

constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;
constexpr LONG EXCEPTION_CONTINUE_EXECUTION = -1;

constexpr int EXCEPTION_MAXIMUM_PARAMETERS = 15;

struct EXCEPTION_RECORD {
  DWORD ExceptionCode = 0;
  DWORD ExceptionFlags = 0;
  EXCEPTION_RECORD* ExceptionRecord = nullptr;
  void* ExceptionAddress = nullptr;
  DWORD NumberParameters = 0;
  ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS] = {};
};

struct alignas(16) M128A {
  std::uint64_t Low;
  std::int64_t High;
};

// The legacy FXSAVE area, which is also what Linux saves for the FPU/SSE state.
struct XMM_SAVE_AREA32 {
  WORD ControlWord;
  WORD StatusWord;
  BYTE TagWord;
  BYTE Reserved1;
  WORD ErrorOpcode;
  DWORD ErrorOffset;
  WORD ErrorSelector;
  WORD Reserved2;
  DWORD DataOffset;
  WORD DataSelector;
  WORD Reserved3;
  DWORD MxCsr;
  DWORD MxCsr_Mask;
  M128A FloatRegisters[8];
  M128A XmmRegisters[16];
  BYTE Reserved4[96];
};

constexpr DWORD CONTEXT_AMD64 = 0x00100000;
constexpr DWORD CONTEXT_CONTROL = CONTEXT_AMD64 | 0x1;
constexpr DWORD CONTEXT_INTEGER = CONTEXT_AMD64 | 0x2;
constexpr DWORD CONTEXT_SEGMENTS = CONTEXT_AMD64 | 0x4;
constexpr DWORD CONTEXT_FLOATING_POINT = CONTEXT_AMD64 | 0x8;

// The AMD64 thread context exactly as laid out in a minidump (1232 bytes).
struct alignas(16) CONTEXT {
  DWORD64 P1Home, P2Home, P3Home, P4Home, P5Home, P6Home;
  DWORD ContextFlags;
  DWORD MxCsr;
  WORD SegCs, SegDs, SegEs, SegFs, SegGs, SegSs;
  DWORD EFlags;
  DWORD64 Dr0, Dr1, Dr2, Dr3, Dr6, Dr7;
  DWORD64 Rax, Rcx, Rdx, Rbx, Rsp, Rbp, Rsi, Rdi;
  DWORD64 R8, R9, R10, R11, R12, R13, R14, R15;
  DWORD64 Rip;
  XMM_SAVE_AREA32 FltSave;
  M128A VectorRegister[26];
  DWORD64 VectorControl;
  DWORD64 DebugControl;
  DWORD64 LastBranchToRip;
  DWORD64 LastBranchFromRip;
  DWORD64 LastExceptionToRip;
  DWORD64 LastExceptionFromRip;
};
static_assert(sizeof(XMM_SAVE_AREA32) == 512);
static_assert(sizeof(CONTEXT) == 1232);
static_assert(offsetof(CONTEXT, Rip) == 0xF8);
static_assert(offsetof(CONTEXT, FltSave) == 0x100);

struct EXCEPTION_POINTERS {
  EXCEPTION_RECORD* ExceptionRecord = nullptr;
  CONTEXT* ContextRecord = nullptr;
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS*);

// Installs the process-wide filter and returns the previous one. The first
// call arms the fatal-signal handlers and gives the calling thread an
// alternate signal stack. A filter answer of EXCEPTION_EXECUTE_HANDLER ends
// the process quietly (exit status 128 + signal number, no core);
// EXCEPTION_CONTINUE_SEARCH lets the signal take its default course;
// EXCEPTION_CONTINUE_EXECUTION resumes the faulting code.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// Gives the calling thread its own alternate signal stack for as long as the
// object lives, so that a stack overflow on a worker thread also reaches the
// filter. Threads that never overflow their stack do not need one.
class CrashStackForThread {
 public:
  CrashStackForThread();
  ~CrashStackForThread();
  CrashStackForThread(const CrashStackForThread&) = delete;
  CrashStackForThread& operator=(const CrashStackForThread&) = delete;

 private:
  void* stack_ = nullptr;
  std::size_t size_ = 0;
  bool installed_ = false;
  void* previousStack_ = nullptr;
  std::size_t previousSize_ = 0;
  int previousFlags_ = 0;
};

// Replaces the current process image with a fresh run of the same executable,
// with no arguments beyond its name (so whatever the arguments asked for is not
// repeated) and the current environment plus `extraEnv`, a "NAME=value" text
// that replaces any earlier value of NAME. Signal mask and the fatal-signal
// dispositions are reset first so the new image starts clean.
// Async-signal-safe; returns only when exec fails.
void RelaunchSelf(const char* extraEnv);

// Id of the calling thread as the kernel knows it (the minidump's thread id).
// Async-signal-safe.
DWORD CurrentKernelThreadId();

}  // namespace os
