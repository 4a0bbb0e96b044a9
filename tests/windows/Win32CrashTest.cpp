// Real faults in child processes on Windows: the system's unhandled-exception
// filter reaches ours, with the exception record and context the system's
// dump writer needs, for faults on any thread, for abort() and an uncaught
// C++ exception too; and a relaunch replaces the crashed process.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/system/CrashHandler.h"
#include "platform/system/Kernel.h"
#include "platform/system/MiniDump.h"
#include "testsupport/MiniDumpReader.h"
#include "testsupport/TempDir.h"
#include "windows/SystemScratch.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ReadFileBytes;

// The system's dump writer may leave the zero unit after a string out (Wine's
// does); everything else is read as strictly as our own dumps are.
std::optional<testsupport::MiniDumpFile> ReadMiniDump(const std::string& bytes) {
  return testsupport::ReadMiniDump(bytes, testsupport::DumpStrings::kLengthOnly);
}

struct CrashCase {
  const char* fault;
  std::uint32_t code;  // the exception code, and the crashed process's exit code
};

class Win32Crash : public testing::TestWithParam<CrashCase> {
 protected:
  long RunChild(const std::string& fault, const std::vector<std::u16string>& assignments = {}) {
    const std::u16string line = u"\"" + os::GetModuleFolder() + u"win32_system_child.exe\" crash " +
                                os::Utf8ToUtf16(fault) + u" \"" + dump_.generic_u16string() + u"\" \"" +
                                info_.generic_u16string() + u"\"";
    return testsupport::RunProgram(line, assignments);
  }

  testsupport::TempDir dir_;
  std::filesystem::path dump_ = dir_ / "morvaine-ie.dmp";
  std::filesystem::path info_ = dir_ / "thread.txt";
};

TEST_P(Win32Crash, FilterWritesADumpOfTheFaultingThread) {
  const CrashCase& c = GetParam();
  const long exitCode = RunChild(c.fault);
  EXPECT_EQ(static_cast<std::uint32_t>(exitCode), c.code) << "the filter's answer ends the process";
  const std::string bytes = ReadFileBytes(dump_);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), "MDMP");
  const auto dump = ReadMiniDump(bytes);
  ASSERT_TRUE(dump.has_value());
  ASSERT_TRUE(dump->exception.has_value());
  EXPECT_EQ(dump->exception->code, c.code);
  const std::uint32_t faultingThread = static_cast<std::uint32_t>(std::stoul(ReadFileBytes(info_)));
  EXPECT_EQ(dump->exception->threadId, faultingThread);
  bool listed = false;
  for (const auto& thread : dump->threads) listed = listed || thread.threadId == faultingThread;
  EXPECT_TRUE(listed) << "the faulting thread is among the dump's threads";
  EXPECT_FALSE(dump->modules.empty());
  if (c.code == 0xC0000005) {
    ASSERT_GE(dump->exception->parameters.size(), 2u);
    EXPECT_EQ(dump->exception->parameters[0], 1u) << "a write";
    EXPECT_EQ(dump->exception->parameters[1], 0x10u);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, Win32Crash,
                         testing::Values(CrashCase{"write", 0xC0000005}, CrashCase{"worker", 0xC0000005},
                                         CrashCase{"divide", 0xC0000094}, CrashCase{"abort", 0x40000015},
                                         CrashCase{"uncaught", 0x40000015}),
                         [](const testing::TestParamInfo<CrashCase>& info) {
                           return std::string(info.param.fault);
                         });

// The dump of an overflow is written by a thread standing in for the
// faulting one; it names the faulting thread all the same.
TEST_F(Win32Crash, StackOverflowStillReachesTheFilterOnAnyThread) {
  for (const char* fault : {"overflow", "worker-overflow"}) {
    const long exitCode = RunChild(fault);
    // Wine ends a process whose stack overflowed with 0, whatever the filter.
    if (!testsupport::RunningUnderWine()) {
      EXPECT_EQ(static_cast<std::uint32_t>(exitCode), 0xC00000FDu) << fault;
    }
    const auto dump = ReadMiniDump(ReadFileBytes(dump_));
    ASSERT_TRUE(dump.has_value()) << fault;
    ASSERT_TRUE(dump->exception.has_value()) << fault;
    EXPECT_EQ(dump->exception->code, 0xC00000FDu) << fault;
    EXPECT_EQ(dump->exception->threadId, std::stoul(ReadFileBytes(info_))) << fault;
    std::filesystem::remove(dump_);
  }
}

TEST_F(Win32Crash, RelaunchReplacesTheCrashedProcessWithAFreshRun) {
  const auto out = dir_ / "relaunched.txt";
  // The relaunch's variable replaces an earlier one of the same name, whatever
  // its case: the fresh run reads "1".
  EXPECT_EQ(RunChild("relaunch",
                     {u"LUMORA_TEST_RELAUNCH_OUT=" + out.generic_u16string(), u"lumora_test_relaunched=0"}),
            0);
  for (int i = 0; i < 1000 && !std::filesystem::exists(out); ++i) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(ReadFileBytes(out), "relaunched 0") << "no arguments, the extra variable set";
  EXPECT_EQ(ReadFileBytes(dump_).substr(0, 4), "MDMP") << "the dump was written before";
}

os::LONG FirstFilter(os::EXCEPTION_POINTERS*) { return os::EXCEPTION_CONTINUE_SEARCH; }
os::LONG SecondFilter(os::EXCEPTION_POINTERS*) { return os::EXCEPTION_CONTINUE_SEARCH; }

TEST(Win32CrashFilter, ANewFilterReplacesTheOldOneAndReturnsIt) {
  const os::LPTOP_LEVEL_EXCEPTION_FILTER before = os::SetUnhandledExceptionFilter(&FirstFilter);
  EXPECT_EQ(os::SetUnhandledExceptionFilter(&SecondFilter), &FirstFilter);
  EXPECT_EQ(os::SetUnhandledExceptionFilter(before), &SecondFilter);
  EXPECT_EQ(os::CurrentKernelThreadId(), os::CurrentKernelThreadId());
  os::DWORD other = 0;
  std::thread([&] { other = os::CurrentKernelThreadId(); }).join();
  EXPECT_NE(other, os::CurrentKernelThreadId());
}

TEST(Win32MiniDump, RefusesOtherProcessesBadFilesAndUserStreams) {
  testsupport::TempDir dir;
  const std::string path = (dir / "x.dmp").string();
  os::HANDLE file = os::CreateDumpFile(path.c_str());
  ASSERT_NE(file, os::INVALID_DUMP_FILE);
  const os::DWORD self = os::GetCurrentProcessId();
  EXPECT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), self + 4, file, os::MiniDumpNormal, nullptr,
                                  nullptr, nullptr),
            os::FALSE);
  EXPECT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), self, os::INVALID_DUMP_FILE, os::MiniDumpNormal,
                                  nullptr, nullptr, nullptr),
            os::FALSE);
  const int stream = 0;
  EXPECT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), self, file, os::MiniDumpNormal, nullptr, &stream,
                                  nullptr),
            os::FALSE);
  os::CloseDumpFile(file);
  EXPECT_EQ(os::CreateDumpFile((dir / "missing" / "x.dmp").string().c_str()), os::INVALID_DUMP_FILE);
  EXPECT_EQ(os::CreateDumpFile(nullptr), os::INVALID_DUMP_FILE);
}

TEST(Win32MiniDump, NewDumpReplacesAnOlderLargerFileAndHoldsNoExceptionWithoutOne) {
  testsupport::TempDir dir;
  const auto path = dir / "x.dmp";
  testsupport::WriteFileBytes(path, std::string(8 << 20, 'Z'));
  os::HANDLE file = os::CreateDumpFile(path.string().c_str());
  ASSERT_NE(file, os::INVALID_DUMP_FILE);
  ASSERT_EQ(os::MiniDumpWriteDump(os::GetCurrentProcess(), os::GetCurrentProcessId(), file,
                                  os::MiniDumpNormal, nullptr, nullptr, nullptr),
            os::TRUE);
  os::CloseDumpFile(file);
  const auto dump = ReadMiniDump(ReadFileBytes(path));
  ASSERT_TRUE(dump.has_value());
  EXPECT_LT(dump->bytes.size(), 8u << 20);
  EXPECT_FALSE(dump->exception.has_value());
  EXPECT_FALSE(dump->modules.empty());
}

TEST(Win32MiniDump, AnOpenDumpFileIsSharedWithNobody) {
  testsupport::TempDir dir;
  const auto path = dir / "x.dmp";
  os::HANDLE file = os::CreateDumpFile(path.string().c_str());
  ASSERT_NE(file, os::INVALID_DUMP_FILE);
  EXPECT_EQ(os::CreateDumpFile(path.string().c_str()), os::INVALID_DUMP_FILE);
  os::CloseDumpFile(file);
  file = os::CreateDumpFile(path.string().c_str());
  EXPECT_NE(file, os::INVALID_DUMP_FILE);
  os::CloseDumpFile(file);
}

}  // namespace
