// A real crash of a launcher process: the dump it leaves in its current
// folder, and the box a fresh launcher image shows afterwards.
#include "app/CrashReport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>

#include "app/LauncherProbe.h"
#include "testsupport/MiniDumpReader.h"
#include "testsupport/TempDir.h"

namespace {

using apptest::LauncherProbe;
using apptest::ProbeRun;

const std::string kText = "检测到当前系统IE版本太低，建议去Lumora游戏中心下载完整版";

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override { probe_.SetEnv("LUMORA_PORTAL_HOSTS", "partner=127.0.0.1:4999"); }

  ProbeRun Crash(const std::string& where, const std::string& answers = "") {
    ProbeRun run = probe_.Run({"crash", where}, answers);
    EXPECT_TRUE(run.finished) << run.output;
    // The crashed image was replaced by the reporting one, which ends normally.
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.output;
    return run;
  }
  std::filesystem::path DumpPath() const { return probe_.folder() / "morvaine-ie.dmp"; }
  std::uint64_t FaultAddress(const ProbeRun& run) const {
    const auto records = run.Records("fault-address");
    return records.size() == 1 ? std::stoull(records[0][0]) : 0;
  }

  LauncherProbe probe_;
};

TEST_F(CrashReportTest, CrashLeavesDumpAndFreshImageShowsTheBox) {
  const ProbeRun run = Crash("main");
  EXPECT_EQ(run.Records("crash-report").size(), 1u) << run.output;
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{{"LumoraMorvaine", kText, "1", "1"}}));
  // OK opens the partner site's home page in the default browser (no
  // registry answer here, so the fallback browser).
  EXPECT_EQ(run.Records("launch"),
            (std::vector<std::vector<std::string>>{
                {"open", "iexplore.exe", "http://127.0.0.1:4999/index.php", "", "1"}}));

  // The dump lands in the current folder under its fixed name and describes
  // this fault (its format is checked with the writer's own tests).
  auto dump = testsupport::ReadMiniDump(testsupport::ReadFileBytes(DumpPath()));
  ASSERT_TRUE(dump.has_value());
  ASSERT_TRUE(dump->exception.has_value());
  EXPECT_EQ(dump->exception->code, 0xC0000005u);
  EXPECT_EQ(dump->exception->parameters.at(1), FaultAddress(run));
  EXPECT_EQ(dump->exception->threadId, static_cast<std::uint32_t>(run.pid)) << "the main thread";
}

TEST_F(CrashReportTest, CancelOpensNoPage) {
  const ProbeRun run = Crash("main", "cancel");
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{{"LumoraMorvaine", kText, "1", "2"}}));
  EXPECT_TRUE(run.Records("launch").empty());
  EXPECT_TRUE(std::filesystem::exists(DumpPath()));
}

TEST_F(CrashReportTest, CrashOnAnotherThreadIsReportedTooAndReplacesTheOldDump) {
  // An older, larger dump is replaced, not overwritten in place.
  testsupport::WriteFileBytes(DumpPath(), std::string(4 << 20, 'O'));
  const ProbeRun run = Crash("thread");
  EXPECT_EQ(run.Records("box").size(), 1u);
  auto dump = testsupport::ReadMiniDump(testsupport::ReadFileBytes(DumpPath()));
  ASSERT_TRUE(dump.has_value());
  EXPECT_LT(dump->bytes.size(), 4u << 20);
  ASSERT_TRUE(dump->exception.has_value());
  EXPECT_NE(dump->exception->threadId, static_cast<std::uint32_t>(run.pid));
  ASSERT_EQ(dump->threads.size(), 1u);
  EXPECT_EQ(dump->threads[0].threadId, dump->exception->threadId);
  EXPECT_EQ(dump->exception->parameters.at(1), FaultAddress(run));
}

}  // namespace
