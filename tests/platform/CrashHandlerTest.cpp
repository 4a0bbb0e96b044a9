// Real faults in forked children: the fatal-signal handler must reach the
// filter with the right exception record and context, and the dump it writes
// must read back as a valid minidump of the crashed thread.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/system/CrashHandler.h"
#include "platform/system/Kernel.h"
#include "platform/system/MiniDump.h"
#include "testsupport/MiniDumpReader.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::ReadMiniDump;

constexpr std::uint64_t kMarker = 0x4B52414D4B434154ull;  // recognisable stack content

// Shared with the forked child (a MAP_SHARED page): what the child learnt
// about itself before faulting, and the filter's answer to give.
struct Shared {
  char dumpPath[1024];
  std::atomic<long> childThreadId;
  std::atomic<std::uint64_t> faultAddress;
  std::atomic<int> filterCalls;
  std::atomic<std::uint32_t> seenCode;
  std::atomic<std::uint64_t> seenAddress;
  os::LONG answer;
  void* guardPage;
};
Shared* g_shared = nullptr;

os::LONG OS_STDCALL DumpingFilter(os::EXCEPTION_POINTERS* pointers) {
  g_shared->filterCalls.fetch_add(1);
  g_shared->seenCode.store(pointers->ExceptionRecord->ExceptionCode);
  g_shared->seenAddress.store(reinterpret_cast<std::uint64_t>(pointers->ExceptionRecord->ExceptionAddress));
  os::HANDLE file = os::CreateDumpFile(g_shared->dumpPath);
  os::MINIDUMP_EXCEPTION_INFORMATION info{os::CurrentKernelThreadId(), pointers, os::TRUE};
  os::MiniDumpWriteDump(os::GetCurrentProcess(), static_cast<os::DWORD>(getpid()), file, os::MiniDumpNormal,
                        &info, nullptr, nullptr);
  os::CloseDumpFile(file);
  if (g_shared->answer == os::EXCEPTION_CONTINUE_EXECUTION) {
    // Make the faulting write possible, so resuming it succeeds.
    mprotect(g_shared->guardPage, 4096, PROT_READ | PROT_WRITE);
  }
  return g_shared->answer;
}

__attribute__((noinline)) void WriteToGuardPage() {
  volatile std::uint64_t marker[4] = {kMarker, kMarker, kMarker, kMarker};
  g_shared->childThreadId.store(syscall(SYS_gettid));
  g_shared->faultAddress.store(reinterpret_cast<std::uint64_t>(g_shared->guardPage) + 8);
  *reinterpret_cast<volatile int*>(static_cast<char*>(g_shared->guardPage) + 8) = 42;
  (void)marker[0];
}

__attribute__((noinline)) int ReadFromGuardPage() {
  g_shared->childThreadId.store(syscall(SYS_gettid));
  g_shared->faultAddress.store(reinterpret_cast<std::uint64_t>(g_shared->guardPage) + 16);
  return *reinterpret_cast<volatile int*>(static_cast<char*>(g_shared->guardPage) + 16);
}

volatile int g_never = 0;
__attribute__((noinline)) int Recurse(int depth) {
  volatile char pad[2048];
  pad[0] = static_cast<char>(depth);
  if (g_never == 1) return pad[0];
  return Recurse(depth + 1) + pad[0];
}

__attribute__((noinline)) void DivideByZero() {
#if defined(__x86_64__)
  // A real hardware divide fault (the compiler would diagnose a C division).
  asm volatile("xor %%ecx, %%ecx\n\tmov $1, %%eax\n\txor %%edx, %%edx\n\tdiv %%ecx" ::: "eax", "ecx", "edx");
#else
  raise(SIGFPE);
#endif
}

struct ChildResult {
  int status = 0;
  std::string dump;
};

class CrashHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    void* page = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    g_shared = new (page) Shared{};
    g_shared->guardPage = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(g_shared->guardPage, MAP_FAILED);
    const std::string path = (dir_ / "crash.dmp").string();
    std::strncpy(g_shared->dumpPath, path.c_str(), sizeof(g_shared->dumpPath) - 1);
    g_shared->answer = os::EXCEPTION_EXECUTE_HANDLER;
  }
  void TearDown() override {
    munmap(g_shared->guardPage, 4096);
    munmap(g_shared, sizeof(Shared));
    g_shared = nullptr;
  }

  // Runs `body` in a forked child that has the filter installed.
  template <typename Body>
  ChildResult RunChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
      rlimit none{0, 0};
      setrlimit(RLIMIT_CORE, &none);
      os::SetUnhandledExceptionFilter(DumpingFilter);
      body();
      _exit(0);
    }
    ChildResult result;
    waitpid(pid, &result.status, 0);
    result.dump = ReadFileBytes(dir_ / "crash.dmp");
    return result;
  }

  testsupport::TempDir dir_;
};

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

TEST_F(CrashHandlerTest, WriteFaultOnMainThreadGivesCompleteDump) {
  const ChildResult child = RunChild([] { WriteToGuardPage(); });
  ASSERT_TRUE(WIFEXITED(child.status)) << "the process must end quietly, not by the signal";
  EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGSEGV);
  EXPECT_EQ(g_shared->filterCalls.load(), 1);

  auto dump = ReadMiniDump(child.dump);
  ASSERT_TRUE(dump.has_value()) << "not a readable minidump, " << child.dump.size() << " bytes";
  EXPECT_EQ(dump->signature, 0x504D444Du);
  EXPECT_EQ(dump->version & 0xFFFF, 0xA793u);
  EXPECT_EQ(dump->streamCount, dump->streams.size());
  for (std::uint32_t type : {3u, 4u, 6u, 7u}) EXPECT_TRUE(dump->streams.count(type)) << "stream " << type;
  EXPECT_EQ(dump->processorArchitecture, 9);
  EXPECT_EQ(dump->csdVersion.rfind("Linux ", 0), 0u) << dump->csdVersion;

  ASSERT_TRUE(dump->exception.has_value());
  const auto& e = *dump->exception;
  EXPECT_EQ(e.code, os::EXCEPTION_ACCESS_VIOLATION);
  ASSERT_EQ(e.parameters.size(), 2u);
  EXPECT_EQ(e.parameters[0], 1u) << "a write";
  EXPECT_EQ(e.parameters[1], g_shared->faultAddress.load());
  EXPECT_EQ(e.threadId, static_cast<std::uint32_t>(g_shared->childThreadId.load()));
  EXPECT_EQ(e.address, g_shared->seenAddress.load());

  // The context is the faulting instruction's, and that instruction lies in
  // this executable's code.
  const auto regs = dump->RegistersAt(e.context);
  EXPECT_EQ(regs.rip, e.address);
  EXPECT_EQ(regs.contextFlags & 0x10000F, 0x10000Fu);
  bool inSelf = false;
  for (const auto& m : dump->modules) {
    if (m.name == SelfPath()) inSelf = e.address >= m.base && e.address < m.base + m.size;
  }
  EXPECT_TRUE(inSelf) << "faulting address not inside the test executable's module";

  // The thread carries its stack, which covers the stack pointer and holds
  // the faulting function's locals.
  ASSERT_EQ(dump->threads.size(), 1u);
  const auto& t = dump->threads[0];
  EXPECT_EQ(t.threadId, e.threadId);
  EXPECT_LE(t.stackStart, regs.rsp);
  EXPECT_GT(t.stackStart + t.stack.size, regs.rsp);
  const std::string stack = dump->Slice(t.stack);
  std::string marker(reinterpret_cast<const char*>(&kMarker), sizeof(kMarker));
  EXPECT_NE(stack.find(marker + marker), std::string::npos) << "locals of the faulting frame missing";
}

TEST_F(CrashHandlerTest, ModuleListNamesLoadedLibraries) {
  const ChildResult child = RunChild([] { WriteToGuardPage(); });
  auto dump = ReadMiniDump(child.dump);
  ASSERT_TRUE(dump.has_value());
  bool libc = false;
  bool self = false;
  for (const auto& m : dump->modules) {
    EXPECT_GT(m.size, 0u) << m.name;
    if (m.name.find("libc.so") != std::string::npos) libc = true;
    if (m.name == SelfPath()) self = true;
  }
  EXPECT_TRUE(libc);
  EXPECT_TRUE(self);
  // Each module appears once, so readers can map addresses unambiguously.
  for (std::size_t i = 0; i < dump->modules.size(); ++i) {
    for (std::size_t j = i + 1; j < dump->modules.size(); ++j) {
      const auto& a = dump->modules[i];
      const auto& b = dump->modules[j];
      EXPECT_TRUE(a.base + a.size <= b.base || b.base + b.size <= a.base) << a.name << " overlaps " << b.name;
    }
  }
}

TEST_F(CrashHandlerTest, ReadFaultIsReportedAsRead) {
  const ChildResult child = RunChild([] { (void)ReadFromGuardPage(); });
  auto dump = ReadMiniDump(child.dump);
  ASSERT_TRUE(dump.has_value());
  ASSERT_TRUE(dump->exception.has_value());
  ASSERT_EQ(dump->exception->parameters.size(), 2u);
  EXPECT_EQ(dump->exception->parameters[0], 0u);
  EXPECT_EQ(dump->exception->parameters[1], g_shared->faultAddress.load());
}

TEST_F(CrashHandlerTest, FaultOnWorkerThreadNamesThatThread) {
  const ChildResult child = RunChild([] {
    std::thread worker([] { WriteToGuardPage(); });
    worker.join();
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGSEGV);
  auto dump = ReadMiniDump(child.dump);
  ASSERT_TRUE(dump.has_value());
  ASSERT_TRUE(dump->exception.has_value());
  const long worker = g_shared->childThreadId.load();
  EXPECT_EQ(dump->exception->threadId, static_cast<std::uint32_t>(worker));
  ASSERT_EQ(dump->threads.size(), 1u);
  EXPECT_EQ(dump->threads[0].threadId, static_cast<std::uint32_t>(worker));
  const auto regs = dump->RegistersAt(dump->threads[0].context);
  EXPECT_LE(dump->threads[0].stackStart, regs.rsp);
  EXPECT_GT(dump->threads[0].stackStart + dump->threads[0].stack.size, regs.rsp);
}

TEST_F(CrashHandlerTest, StackOverflowStillReachesTheFilter) {
  const ChildResult child = RunChild([] {
    rlimit small{1 << 20, 1 << 20};
    setrlimit(RLIMIT_STACK, &small);
    (void)Recurse(0);
  });
  ASSERT_TRUE(WIFEXITED(child.status)) << "the handler did not run on its own stack";
  auto dump = ReadMiniDump(child.dump);
  ASSERT_TRUE(dump.has_value());
  ASSERT_TRUE(dump->exception.has_value());
  EXPECT_EQ(dump->exception->code, os::EXCEPTION_ACCESS_VIOLATION);
  ASSERT_EQ(dump->threads.size(), 1u);
  EXPECT_GT(dump->threads[0].stack.size, 0u);
}

TEST_F(CrashHandlerTest, OtherFatalSignalsMapToWindowsCodes) {
  {
    const ChildResult child = RunChild([] { DivideByZero(); });
    EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGFPE);
    auto dump = ReadMiniDump(child.dump);
    ASSERT_TRUE(dump && dump->exception);
    EXPECT_EQ(dump->exception->code, os::EXCEPTION_INT_DIVIDE_BY_ZERO);
    EXPECT_TRUE(dump->exception->parameters.empty());
  }
  {
    const ChildResult child = RunChild([] { abort(); });
    EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGABRT);
    auto dump = ReadMiniDump(child.dump);
    ASSERT_TRUE(dump && dump->exception);
    EXPECT_EQ(dump->exception->code, os::STATUS_FATAL_APP_EXIT);
    EXPECT_EQ(dump->exception->flags, os::EXCEPTION_NONCONTINUABLE);
  }
  {
    const ChildResult child = RunChild([] { asm volatile("ud2"); });
    EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGILL);
    auto dump = ReadMiniDump(child.dump);
    ASSERT_TRUE(dump && dump->exception);
    EXPECT_EQ(dump->exception->code, os::EXCEPTION_ILLEGAL_INSTRUCTION);
  }
}

TEST_F(CrashHandlerTest, FilterAnswersDecideHowTheProcessGoesOn) {
  g_shared->answer = os::EXCEPTION_CONTINUE_SEARCH;
  ChildResult child = RunChild([] { WriteToGuardPage(); });
  ASSERT_TRUE(WIFSIGNALED(child.status)) << "continue-search must end with the default action";
  EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
  EXPECT_EQ(g_shared->filterCalls.load(), 1);

  g_shared->filterCalls.store(0);
  g_shared->answer = os::EXCEPTION_CONTINUE_EXECUTION;
  child = RunChild([] {
    WriteToGuardPage();
    _exit(*reinterpret_cast<volatile int*>(static_cast<char*>(g_shared->guardPage) + 8) == 42 ? 7 : 8);
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 7) << "the faulting write must be retried after the filter";
  EXPECT_EQ(g_shared->filterCalls.load(), 1);
}

TEST_F(CrashHandlerTest, SecondFilterReplacesTheFirst) {
  const ChildResult child = RunChild([] {
    os::SetUnhandledExceptionFilter([](os::EXCEPTION_POINTERS*) OS_STDCALL -> os::LONG { _exit(99); });
    const auto previous = os::SetUnhandledExceptionFilter(DumpingFilter);
    if (previous == nullptr || previous == DumpingFilter) _exit(98);
    WriteToGuardPage();
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGSEGV);
}

TEST(MiniDumpWriter, RefusesOtherProcessesAndBadFiles) {
  testsupport::TempDir dir;
  const std::string path = (dir / "x.dmp").string();
  os::HANDLE file = os::CreateDumpFile(path.c_str());
  ASSERT_NE(file, os::INVALID_DUMP_FILE);
  EXPECT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), static_cast<os::DWORD>(getpid()) + 1, file,
                                  os::MiniDumpNormal, nullptr, nullptr, nullptr),
            os::FALSE);
  EXPECT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), static_cast<os::DWORD>(getpid()),
                                  os::INVALID_DUMP_FILE, os::MiniDumpNormal, nullptr, nullptr, nullptr),
            os::FALSE);
  os::CloseDumpFile(file);
  EXPECT_EQ(os::CreateDumpFile((dir / "missing" / "x.dmp").string().c_str()), os::INVALID_DUMP_FILE);
}

TEST(MiniDumpWriter, NewDumpReplacesAnOlderLargerFile) {
  testsupport::TempDir dir;
  const auto path = dir / "x.dmp";
  testsupport::WriteFileBytes(path, std::string(8 << 20, 'Z'));
  os::HANDLE file = os::CreateDumpFile(path.string().c_str());
  ASSERT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), static_cast<os::DWORD>(getpid()), file,
                                  os::MiniDumpNormal, nullptr, nullptr, nullptr),
            os::TRUE);
  os::CloseDumpFile(file);
  auto dump = ReadMiniDump(ReadFileBytes(path));
  ASSERT_TRUE(dump.has_value());
  EXPECT_LT(dump->bytes.size(), 8u << 20);
  // Without exception information there is no faulting thread to describe.
  EXPECT_FALSE(dump->exception.has_value());
  EXPECT_TRUE(dump->threads.empty());
  EXPECT_FALSE(dump->modules.empty());
}

}  // namespace
