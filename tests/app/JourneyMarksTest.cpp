// The journey's time marks as the launcher writes them into the automation
// log: its login window's first drawn frame once, then each point as taken.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "automation/Automation.h"
#include "automation/DriverFixture.h"
#include "login/CalveraWnd.h"
#include "platform/headless/Headless.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "support/JourneyMarks.h"
#include "testsupport/TempDir.h"

namespace {

using automationtest::AutomationDriverTest;

// The journey's time marks reach the log only while a driver runs: the first
// drawn frame of a skinned window once, however often it repaints, then each
// mark as taken, on a clock that does not go back.
TEST_F(AutomationDriverTest, LogsTheJourneysTimeMarksWhileItRuns) {
  testsupport::ScopedEnv dataHome{"XDG_DATA_HOME", dir_.path().string()};
  journey::Mark(journey::kLogin);  // before any driver: nowhere
  auto window = std::make_unique<CalveraWnd>();
  {
    AutomationDriver driver({}, log_, false);
    window->Create(nullptr, u"LumoraMorvaine", os::WS_OVERLAPPEDWINDOW | os::WS_VISIBLE, 0, 0, 0, 0, 0);
    window->ShowWindow(true, true);
    os::headless::Pump();
    os::InvalidateRect(window->GetHWND(), nullptr, os::FALSE);
    os::headless::Pump();
    journey::Mark(journey::kServerList);
  }
  journey::Mark(journey::kGamePage);  // after the driver: nowhere
  os::DestroyWindow(window->GetHWND());
  Kesto::UIManager::SetSkinArchive(u"", false);

  const std::string log = LogText();
  const std::regex mark("mark: ([a-z-]+) ([0-9]+)\n");
  std::vector<std::string> points;
  std::uint64_t last = 0;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), mark); it != std::sregex_iterator(); ++it) {
    points.push_back((*it)[1]);
    const std::uint64_t ns = std::stoull((*it)[2]);
    EXPECT_GE(ns, last) << log;
    last = ns;
  }
  EXPECT_EQ(points, (std::vector<std::string>{"first-frame", "server-list"})) << log;

  // With the first frame, once: the web engine is not mapped in this process,
  // and the peak memory so far.
  const std::regex facts("first-frame: (web engine not mapped|peak memory ([1-9][0-9]*) KiB)\n");
  std::vector<std::string> said;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), facts); it != std::sregex_iterator(); ++it)
    said.push_back((*it)[2].matched ? "peak" : (*it)[1].str());
  EXPECT_EQ(said, (std::vector<std::string>{"web engine not mapped", "peak"})) << log;
}

}  // namespace
