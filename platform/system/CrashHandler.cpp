#include "platform/system/CrashHandler.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/system/MiniDump.h"

extern char** environ;

namespace os {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// Large enough for the filter, the dump writer's frames and sanitizer
// instrumentation; the writer keeps its big buffers off the stack.
constexpr std::size_t kAltStackSize = 256 * 1024;

// Process-wide, as SetUnhandledExceptionFilter is on Windows.
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
std::atomic<bool> g_armed{false};
// Kernel id of the thread currently reporting a crash, 0 when none.
std::atomic<long> g_reporter{0};

long Gettid() { return syscall(SYS_gettid); }

void ResetToDefault(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
}

DWORD CodeForSignal(int sig, int code) {
  switch (sig) {
    case SIGSEGV:
      return EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS:
      return code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
    case SIGILL:
      return (code == ILL_PRVOPC || code == ILL_PRVREG) ? EXCEPTION_PRIV_INSTRUCTION
                                                        : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGFPE:
      switch (code) {
        case FPE_INTOVF:
          return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV:
          return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF:
          return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND:
          return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES:
          return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTINV:
          return EXCEPTION_FLT_INVALID_OPERATION;
        case FPE_FLTSUB:
          return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default:
          return EXCEPTION_INT_DIVIDE_BY_ZERO;
      }
    default:
      return STATUS_FATAL_APP_EXIT;
  }
}

#if defined(__x86_64__)
void FillContext(CONTEXT& c, const ucontext_t* uc) {
  const greg_t* g = uc->uc_mcontext.gregs;
  c.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER | CONTEXT_SEGMENTS | CONTEXT_FLOATING_POINT;
  c.Rax = g[REG_RAX];
  c.Rcx = g[REG_RCX];
  c.Rdx = g[REG_RDX];
  c.Rbx = g[REG_RBX];
  c.Rsp = g[REG_RSP];
  c.Rbp = g[REG_RBP];
  c.Rsi = g[REG_RSI];
  c.Rdi = g[REG_RDI];
  c.R8 = g[REG_R8];
  c.R9 = g[REG_R9];
  c.R10 = g[REG_R10];
  c.R11 = g[REG_R11];
  c.R12 = g[REG_R12];
  c.R13 = g[REG_R13];
  c.R14 = g[REG_R14];
  c.R15 = g[REG_R15];
  c.Rip = g[REG_RIP];
  c.EFlags = static_cast<DWORD>(g[REG_EFL]);
  // cs, gs, fs and ss are packed as four 16-bit fields.
  const auto segs = static_cast<std::uint64_t>(g[REG_CSGSFS]);
  c.SegCs = static_cast<WORD>(segs & 0xFFFF);
  c.SegGs = static_cast<WORD>((segs >> 16) & 0xFFFF);
  c.SegFs = static_cast<WORD>((segs >> 32) & 0xFFFF);
  c.SegSs = static_cast<WORD>((segs >> 48) & 0xFFFF);
  if (uc->uc_mcontext.fpregs != nullptr) {
    // Linux saves the FPU/SSE state in the FXSAVE layout, which is the
    // context's own FltSave area.
    std::memcpy(&c.FltSave, uc->uc_mcontext.fpregs, sizeof(c.FltSave));
    c.MxCsr = c.FltSave.MxCsr;
  }
}
#endif

void FillRecord(EXCEPTION_RECORD& record, const CONTEXT& context, int sig, const siginfo_t* info,
                const void* raw) {
  record.ExceptionCode = CodeForSignal(sig, info->si_code);
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  if (sig == SIGABRT) record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  if (sig != SIGSEGV && sig != SIGBUS) return;
  // Access violations carry the kind of access (0 read, 1 write, 8 execute)
  // and the address, as Windows reports them; an in-page error adds a status.
  record.NumberParameters = sig == SIGBUS ? 3 : 2;
  record.ExceptionInformation[0] = 0;
  record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(info->si_addr);
#if defined(__x86_64__)
  // The page-fault error code tells a write (bit 1) from a read and marks an
  // instruction fetch (bit 4); a general-protection fault has no address.
  const greg_t* g = static_cast<const ucontext_t*>(raw)->uc_mcontext.gregs;
  const auto err = static_cast<std::uint64_t>(g[REG_ERR]);
  const auto trap = static_cast<std::uint64_t>(g[REG_TRAPNO]);
  if (trap == 14) {
    record.ExceptionInformation[0] = (err & 0x10) ? 8 : ((err & 0x2) ? 1 : 0);
  } else if (trap == 13) {
    record.ExceptionInformation[1] = ~static_cast<ULONG_PTR>(0);
  }
#else
  (void)raw;
#endif
}

void OnFatalSignal(int sig, siginfo_t* info, void* raw) {
  const long self = Gettid();
  long expected = 0;
  if (!g_reporter.compare_exchange_strong(expected, self)) {
    if (expected == self) {
      // The filter itself failed: nothing more can be reported.
      ResetToDefault(sig);
      syscall(SYS_tgkill, getpid(), self, sig);
      return;
    }
    // Another thread is already reporting; this one waits for the end.
    for (;;) pause();
  }

  EXCEPTION_RECORD record;
  CONTEXT context;
  std::memset(&context, 0, sizeof(context));
#if defined(__x86_64__)
  FillContext(context, static_cast<const ucontext_t*>(raw));
#endif
  FillRecord(record, context, sig, info, raw);
  EXCEPTION_POINTERS pointers{&record, &context};

  const LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
  const LONG answer = filter != nullptr ? filter(&pointers) : EXCEPTION_CONTINUE_SEARCH;
  if (answer == EXCEPTION_EXECUTE_HANDLER) {
    _exit(128 + sig);
  }
  if (answer != EXCEPTION_CONTINUE_EXECUTION) {
    // Default course: a fault re-occurs on return and now ends the process
    // with the default action; a signal that was sent is sent again.
    ResetToDefault(sig);
    if (info->si_code <= 0) syscall(SYS_tgkill, getpid(), self, sig);
  }
  g_reporter.store(0);
}

bool InstallAltStack(void*& stack, std::size_t& size, stack_t* previous) {
  void* memory = mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return false;
  stack_t ss{};
  ss.ss_sp = memory;
  ss.ss_size = kAltStackSize;
  ss.ss_flags = 0;
  if (sigaltstack(&ss, previous) != 0) {
    munmap(memory, kAltStackSize);
    return false;
  }
  stack = memory;
  size = kAltStackSize;
  return true;
}

void Arm() {
  PrepareMiniDump();
  // The arming thread keeps its stack for the life of the process.
  void* stack = nullptr;
  std::size_t size = 0;
  InstallAltStack(stack, size, nullptr);
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  // While one fault is being reported, another fatal signal on the same
  // thread must not re-enter the filter.
  for (int sig : kFatalSignals) sigaddset(&action.sa_mask, sig);
  for (int sig : kFatalSignals) sigaction(sig, &action, nullptr);
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = g_filter.exchange(filter);
  if (!g_armed.exchange(true)) Arm();
  return previous;
}

CrashStackForThread::CrashStackForThread() {
  stack_t previous{};
  if (!InstallAltStack(stack_, size_, &previous)) return;
  installed_ = true;
  previousStack_ = previous.ss_sp;
  previousSize_ = previous.ss_size;
  previousFlags_ = previous.ss_flags;
}

CrashStackForThread::~CrashStackForThread() {
  if (!installed_) return;
  // Give back whatever stack the thread had before (sanitizer runtimes
  // install their own and release it themselves when the thread ends).
  stack_t restore{};
  if (previousStack_ != nullptr && (previousFlags_ & SS_DISABLE) == 0) {
    restore.ss_sp = previousStack_;
    restore.ss_size = previousSize_;
    restore.ss_flags = 0;
  } else {
    restore.ss_flags = SS_DISABLE;
  }
  sigaltstack(&restore, nullptr);
  munmap(stack_, size_);
}

DWORD CurrentKernelThreadId() { return static_cast<DWORD>(Gettid()); }

void RelaunchSelf(const char* extraEnv) {
  // Scratch for the new image's vectors; only the one thread that reports a
  // crash gets here, so static storage is not contended.
  static char exePath[4096];
  static char* argv[2];
  constexpr std::size_t kMaxEnv = 4096;
  static char* envp[kMaxEnv + 2];

  const ssize_t n = readlink("/proc/self/exe", exePath, sizeof(exePath) - 1);
  exePath[n > 0 ? n : 0] = '\0';
  argv[0] = exePath;
  argv[1] = nullptr;

  // Length of NAME in "NAME=value", so an earlier value of NAME is dropped.
  std::size_t nameLength = 0;
  while (extraEnv[nameLength] != '\0' && extraEnv[nameLength] != '=') ++nameLength;
  std::size_t count = 0;
  for (char** e = environ; e != nullptr && *e != nullptr && count < kMaxEnv; ++e) {
    if (std::strncmp(*e, extraEnv, nameLength) == 0 && (*e)[nameLength] == '=') continue;
    envp[count++] = *e;
  }
  envp[count++] = const_cast<char*>(extraEnv);
  envp[count] = nullptr;

  for (int sig : kFatalSignals) ResetToDefault(sig);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve("/proc/self/exe", argv, envp);
}

}  // namespace os
