// The process the system group's Windows tests start:
//   args <out> [arguments...]         writes its working folder and its
//                                     arguments, one a line, to <out>
//   dump <dump>                       writes a dump of itself without
//                                     exception information
//   crash <fault> <dump> <info>       installs a filter that writes a dump of
//                                     the fault to <dump>, writes the faulting
//                                     thread's id to <info>, then faults:
//                                     write, worker, divide, abort, uncaught,
//                                     overflow, worker-overflow, or relaunch (a write fault
//                                     whose filter relaunches the program)
// Started without arguments and with LUMORA_TEST_RELAUNCHED=1, it is the
// relaunched image: it writes "relaunched <argument count>" to the file
// LUMORA_TEST_RELAUNCH_OUT names.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/base/Unicode.h"
#include "platform/system/CrashHandler.h"
#include "platform/system/Kernel.h"
#include "platform/system/MiniDump.h"

namespace {

std::string g_dumpPath;
bool g_relaunch = false;

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(std::filesystem::path(os::Utf8ToUtf16(path)), std::ios::binary);
  out << text;
}

os::LONG DumpingFilter(os::EXCEPTION_POINTERS* pointers) {
  os::HANDLE file = os::CreateDumpFile(g_dumpPath.c_str());
  os::MINIDUMP_EXCEPTION_INFORMATION exception{os::CurrentKernelThreadId(), pointers, os::TRUE};
  os::MiniDumpWriteDump(os::GetCurrentProcess(), os::GetCurrentProcessId(), file, os::MiniDumpNormal,
                        &exception, nullptr, nullptr);
  os::CloseDumpFile(file);
  if (g_relaunch) os::RelaunchSelf("LUMORA_TEST_RELAUNCHED=1");
  return os::EXCEPTION_EXECUTE_HANDLER;
}

// A real hardware divide fault (the compiler folds a C division by a
// variable that is 1 or 0 into no division at all).
__attribute__((noinline)) void DivideByZero() {
  asm volatile("xor %%ecx, %%ecx\n\tmov $1, %%eax\n\txor %%edx, %%edx\n\tdiv %%ecx" ::: "eax", "ecx", "edx");
}

volatile int g_never = 0;

__attribute__((noinline)) int Recurse(int depth) {
  volatile char pad[4096];
  pad[0] = static_cast<char>(depth);
  if (g_never == 1) return pad[0];
  return Recurse(depth + 1) + pad[0];
}

__attribute__((noinline)) void WriteFault(const std::string& info) {
  WriteText(info, std::to_string(os::CurrentKernelThreadId()));
  *reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(0x10)) = 42;
}

[[noreturn]] void Throw() { throw std::runtime_error("nobody catches this"); }

int Crash(const std::string& fault, const std::string& info) {
  os::SetUnhandledExceptionFilter(&DumpingFilter);
  if (fault == "write" || fault == "relaunch") {
    g_relaunch = fault == "relaunch";
    WriteFault(info);
  } else if (fault == "worker") {
    std::thread worker([&] { WriteFault(info); });
    worker.join();
  } else if (fault == "divide") {
    WriteText(info, std::to_string(os::CurrentKernelThreadId()));
    DivideByZero();
  } else if (fault == "abort") {
    WriteText(info, std::to_string(os::CurrentKernelThreadId()));
    std::abort();
  } else if (fault == "uncaught") {
    WriteText(info, std::to_string(os::CurrentKernelThreadId()));
    Throw();
  } else if (fault == "worker-overflow") {
    // A worker that may overflow its stack keeps room for the filter.
    std::thread worker([&] {
      const os::CrashStackForThread room;
      WriteText(info, std::to_string(os::CurrentKernelThreadId()));
      Recurse(0);
    });
    worker.join();
  } else if (fault == "overflow") {
    WriteText(info, std::to_string(os::CurrentKernelThreadId()));
    return Recurse(0);
  }
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) {
    const auto relaunched = os::GetEnvironmentVariable("LUMORA_TEST_RELAUNCHED");
    const auto out = os::GetEnvironmentVariable("LUMORA_TEST_RELAUNCH_OUT");
    if (!relaunched || *relaunched != "1" || !out) return 2;
    WriteText(*out, "relaunched " + std::to_string(argc - 1));
    return 0;
  }
  const std::string mode = argv[1];
  if (mode == "args" && argc >= 3) {
    const std::u8string folder = std::filesystem::current_path().generic_u8string();
    std::string text(folder.begin(), folder.end());
    text += "\n";
    for (int i = 3; i < argc; ++i) text += std::string(argv[i]) + "\n";
    WriteText(argv[2], text);
    return 0;
  }
  if (mode == "dump" && argc == 3) {
    os::HANDLE file = os::CreateDumpFile(argv[2]);
    const os::BOOL written = os::MiniDumpWriteDump(os::GetCurrentProcess(), os::GetCurrentProcessId(), file,
                                                   os::MiniDumpNormal, nullptr, nullptr, nullptr);
    os::CloseDumpFile(file);
    return written ? 0 : 1;
  }
  if (mode == "crash" && argc == 5) {
    g_dumpPath = argv[3];
    return Crash(argv[2], argv[4]);
  }
  return 2;
}
