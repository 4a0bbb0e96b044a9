// The automation driver: reading scripts, key names, and a driver run on the
// headless backend that answers boxes, reports failures and goes on.
#include "automation/Automation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "Core/UIManager.h"
#include "automation/DriverFixture.h"
#include "platform/headless/Headless.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Shell.h"
#include "platform/window/Clipboard.h"
#include "platform/window/Messages.h"
#include "testsupport/TempDir.h"

namespace {

TEST(AutomationScriptTest, CommandsKeepTheirLinesAndArguments) {
  const auto commands = ParseAutomationScript(
      "# a comment\n"
      "wait-window LumoraMorvaine 5000\r\n"
      "\n"
      "  Click   startbtn  \n"
      "type  two blanks\n"
      "snapshot Lumora Morvaine out.png\n"
      "quit");
  ASSERT_EQ(commands.size(), 5u);
  EXPECT_EQ(commands[0].line, 2);
  EXPECT_EQ(commands[0].verb, "wait-window");
  EXPECT_EQ(commands[0].argument, "LumoraMorvaine 5000");
  EXPECT_EQ(commands[1].line, 4);
  EXPECT_EQ(commands[1].verb, "click");
  EXPECT_EQ(commands[1].argument, "startbtn");
  // Only one separator goes: typed text keeps its own blanks.
  EXPECT_EQ(commands[2].argument, " two blanks");
  EXPECT_EQ(commands[3].argument, "Lumora Morvaine out.png");
  EXPECT_EQ(commands[4].verb, "quit");
  EXPECT_EQ(commands[4].argument, "");
}

TEST(AutomationScriptTest, KeyNamesAndTrailingNumbers) {
  EXPECT_EQ(AutomationKey("Enter"), os::VK_RETURN);
  EXPECT_EQ(AutomationKey("ESCAPE"), os::VK_ESCAPE);
  EXPECT_EQ(AutomationKey("Backspace"), os::VK_BACK);
  EXPECT_EQ(AutomationKey("F5"), 0x74u);
  EXPECT_EQ(AutomationKey("a"), static_cast<unsigned>('A'));
  EXPECT_EQ(AutomationKey("F25"), std::nullopt);
  EXPECT_EQ(AutomationKey("Hyper"), std::nullopt);
  EXPECT_EQ(AutomationChord("Shift+End"), (std::vector<unsigned>{os::VK_SHIFT, os::VK_END}));
  EXPECT_EQ(AutomationChord("ctrl+shift+Left"),
            (std::vector<unsigned>{os::VK_CONTROL, os::VK_SHIFT, os::VK_LEFT}));
  EXPECT_EQ(AutomationChord("Tab"), std::vector<unsigned>{os::VK_TAB});
  EXPECT_EQ(AutomationChord("Shift+Nothing"), std::nullopt);

  const CaptionAndNumber timed = SplitTrailingNumber("Lumora Morvaine 250");
  EXPECT_EQ(timed.caption, "Lumora Morvaine");
  EXPECT_EQ(timed.number, 250u);
  const CaptionAndNumber plain = SplitTrailingNumber("LumoraMorvaine");
  EXPECT_EQ(plain.caption, "LumoraMorvaine");
  EXPECT_EQ(plain.number, std::nullopt);
  // A caption that is only a number is a caption.
  EXPECT_EQ(SplitTrailingNumber("2048").caption, "2048");
}

using automationtest::AutomationDriverTest;

// Boxes shown before the message loop runs the script (the start-up
// decisions) take the answers of the script's leading answer-startup lines.
TEST_F(AutomationDriverTest, StartupAnswersApplyBeforeTheScriptRuns) {
  {
    AutomationDriver driver(ParseAutomationScript("answer-startup cancel\n"
                                                  "answer-startup maybe\n"
                                                  "answer-startup ok\n"
                                                  "sleep 10\n"
                                                  "answer-startup cancel\n"),
                            log_, false);
    EXPECT_EQ(os::MessageBox(nullptr, u"install?", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDCANCEL);
    EXPECT_EQ(os::MessageBox(nullptr, u"again?", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDOK);
    ASSERT_TRUE(driver.Start());
    os::headless::Advance(1000);
    EXPECT_TRUE(driver.Finished());
    // A late answer-startup queues nothing: the default answer stays OK.
    EXPECT_EQ(os::MessageBox(nullptr, u"later", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDOK);
  }
  const std::string log = LogText();
  EXPECT_NE(log.find("error: line 2: answer-startup takes ok or cancel\n"), std::string::npos) << log;
  EXPECT_NE(log.find("error: line 5: answer-startup only counts before"), std::string::npos) << log;
  EXPECT_NE(log.find("text=\"install?\" buttons=OK,Cancel answer=Cancel"), std::string::npos) << log;
}

TEST_F(AutomationDriverTest, AnswersBoxesInOrderReportsFailuresAndGoesOn) {
  os::ShellLaunchRecorder outer(false);
  {
    AutomationDriver driver(ParseAutomationScript("answer cancel\n"
                                                  "bogus command\n"
                                                  "wait-window Nowhere 100\n"
                                                  "click startbtn\n"
                                                  "sleep 50\n"),
                            log_, false);
    // A record source speaks only when it has something new.
    int events = 0;
    int told = 0;
    driver.AddRecordSource([&] {
      std::vector<std::string> lines;
      for (; told < events; ++told) lines.push_back("event: " + std::to_string(told + 1));
      return lines;
    });
    driver.AddRecordSource(nullptr);
    ASSERT_TRUE(driver.Start());
    os::headless::Advance(1000);
    EXPECT_TRUE(driver.Finished());

    // The queued answer goes to the next box, later boxes get OK; the
    // desktop is never asked.
    EXPECT_EQ(os::MessageBox(nullptr, u"first", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDCANCEL);
    EXPECT_EQ(os::MessageBox(nullptr, u"second", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDOK);
    EXPECT_TRUE(os::headless::MessageBoxes().empty());

    os::ShellExecute(nullptr, u"open", u"xdg-open", u"http://example.test/", u"", os::SW_SHOWNORMAL);
    events = 2;
    os::headless::Advance(100);
  }
  // Without a driver, boxes go to the desktop again.
  os::MessageBox(nullptr, u"third", u"LumoraMorvaine", os::MB_OK);
  EXPECT_EQ(os::headless::MessageBoxes().size(), 1u);

  const std::string log = LogText();
  const char* expected[] = {
      "command: answer cancel\n",
      "command: bogus command\nerror: line 2: unknown command \"bogus\"\n",
      "command: wait-window Nowhere 100\n",
      "error: no window \"Nowhere\" appeared\ncommand: click startbtn\nerror: line 4: no skinned window is "
      "active\n",
      "command: sleep 50\n",
      "automation: end of script\n",
      "box: caption=\"LumoraMorvaine\" text=\"first\" buttons=OK,Cancel answer=Cancel\n",
      "box: caption=\"LumoraMorvaine\" text=\"second\" buttons=OK,Cancel answer=OK\n",
      "launch: program=\"xdg-open\" parameters=\"http://example.test/\"\n",
      "event: 1\nevent: 2\n",
  };
  std::size_t at = 0;
  for (const char* line : expected) {
    const std::size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << line << "\nin:\n" << log;
    at = found;
  }
  EXPECT_EQ(log.find("third"), std::string::npos);
}

TEST_F(AutomationDriverTest, WaitsForAFileFromOutsideAndReportsOneThatNeverCame) {
  const std::filesystem::path go = dir_.path() / "go";
  const std::filesystem::path never = dir_.path() / "never";
  AutomationDriver driver(
      ParseAutomationScript("wait-file " + go.string() + " 600000\nwait-file " + never.string() + " 0\n"),
      log_, false);
  ASSERT_TRUE(driver.Start());
  // However far the platform's clock moves, the first wait holds until the
  // file is there.
  os::headless::Advance(5000);
  EXPECT_FALSE(driver.Finished());
  std::ofstream(go) << "now";
  os::headless::Advance(100);
  EXPECT_TRUE(driver.Finished());

  const std::string log = LogText();
  const std::size_t first = log.find("command: wait-file " + go.string() + " 600000\n");
  const std::size_t second = log.find("command: wait-file " + never.string() + " 0\n");
  ASSERT_NE(first, std::string::npos) << log;
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_LT(first, second);
  EXPECT_EQ(log.find("error: no file \"" + go.string()), std::string::npos) << log;
  EXPECT_NE(log.find("error: no file \"" + never.string() + "\" appeared"), std::string::npos) << log;
}

TEST_F(AutomationDriverTest, LetsBoxesThroughToTheDesktopWhenToldAndRecordsThemStill) {
  AutomationDriver driver(ParseAutomationScript("boxes show\nsleep 100\nboxes answer\nboxes maybe\n"), log_,
                          false);
  ASSERT_TRUE(driver.Start());
  os::headless::Advance(50);
  os::headless::QueueMessageBoxAnswer(os::IDCANCEL);
  EXPECT_EQ(os::MessageBox(nullptr, u"账号或密码错误", u"LumoraMorvaine", os::MB_OKCANCEL), os::IDCANCEL);
  ASSERT_EQ(os::headless::MessageBoxes().size(), 1u);  // the desktop showed and answered it
  os::headless::Advance(500);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(os::MessageBox(nullptr, u"second", u"LumoraMorvaine", os::MB_OK), os::IDOK);
  EXPECT_EQ(os::headless::MessageBoxes().size(), 1u);  // answered by the driver again

  const std::string log = LogText();
  EXPECT_NE(log.find("box: caption=\"LumoraMorvaine\" text=\"账号或密码错误\" buttons=OK,Cancel shown\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("box: caption=\"LumoraMorvaine\" text=\"second\" buttons=OK answer=OK\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("error: line 4: boxes takes show or answer"), std::string::npos) << log;
}

TEST_F(AutomationDriverTest, SetsAndPrintsTheClipboard) {
  AutomationDriver driver(ParseAutomationScript("clipboard-set two  words\nclipboard-get\n"), log_, false);
  ASSERT_TRUE(driver.Start());
  os::headless::Advance(200);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(os::GetClipboardText(), u"two  words");
  os::SetClipboardText(u"从外面");
  AutomationDriver reader(ParseAutomationScript("clipboard-get\n"), log_, false);
  ASSERT_TRUE(reader.Start());
  os::headless::Advance(200);
  const std::string log = LogText();
  EXPECT_NE(log.find("clipboard: \"two  words\"\n"), std::string::npos) << log;
  EXPECT_NE(log.find("clipboard: \"从外面\"\n"), std::string::npos) << log;
}

}  // namespace
