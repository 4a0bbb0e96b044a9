// The decisions before any window, each case run as a launcher process of its
// own against a portal stand-in: which boxes appear (text, caption, buttons),
// what is launched, what is sent to a running game window and which requests
// reach the portal.
#include "app/Startup.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "app/LauncherProbe.h"
#include "app/PortalStandIn.h"
#include "Core/SkinSource.h"
#include "controls/PictureAhead.h"
#include "controls/Render.h"
#include "login/CalveraWnd.h"
#include "login/GameHandOver.h"
#include "platform/gfx/FontsAhead.h"
#include "platform/headless/Headless.h"
#include "platform/window/Resource.h"
#include "support/HttpClient.h"
#include "support/PortalHosts.h"
#include "testsupport/TempDir.h"

namespace {

using apptest::LauncherProbe;
using apptest::PatternBytes;
using apptest::PortalStandIn;
using apptest::ProbeRun;

constexpr std::int64_t kNow = 1700000000;
constexpr std::size_t kInstallerSize = 200000;
const std::string kGameOpen = "游戏已经打开";
const std::string kPrompt = "检测到更新，是否开始安装？";
const std::string kCaption = "LumoraMorvaine";
constexpr int kMbOk = 0;
constexpr int kMbOkCancel = 1;

TEST(InstallStamp, LeadingIntegerOfTheFirstTwentyBytes) {
  EXPECT_EQ(ParseInstallStamp("1700000000"), 1700000000);
  EXPECT_EQ(ParseInstallStamp("1700000000\r\n"), 1700000000);
  EXPECT_EQ(ParseInstallStamp(" \t\r\n42abc"), 42);
  EXPECT_EQ(ParseInstallStamp("+12"), 12);
  EXPECT_EQ(ParseInstallStamp("-5"), -5);
  EXPECT_EQ(ParseInstallStamp("abc"), 0);
  EXPECT_EQ(ParseInstallStamp(""), 0);
  EXPECT_EQ(ParseInstallStamp("- 5"), 0);
  EXPECT_EQ(ParseInstallStamp(std::string("12\0"
                                          "34",
                                          5)),
            12);
  // Only 20 bytes are read: digits after them do not count.
  EXPECT_EQ(ParseInstallStamp(std::string(19, ' ') + "7"), 7);
  EXPECT_EQ(ParseInstallStamp(std::string(20, ' ') + "7"), 0);
  // Out-of-range values stop at the ends of the 32-bit range.
  EXPECT_EQ(ParseInstallStamp("99999999999"), INT32_MAX);
  EXPECT_EQ(ParseInstallStamp("-99999999999"), INT32_MIN);
}

TEST(InstallStamp, PromptOnlyForStampsOlderThanTwoDays) {
  EXPECT_FALSE(InstallPromptDue(0, kNow));
  EXPECT_FALSE(InstallPromptDue(kNow - 172800, kNow));
  EXPECT_TRUE(InstallPromptDue(kNow - 172801, kNow));
  EXPECT_FALSE(InstallPromptDue(kNow + 1, kNow)) << "a future stamp never prompts";
  EXPECT_FALSE(InstallPromptDue(kNow, kNow));
  // The difference is taken in 64 bits with the stamp's sign.
  EXPECT_TRUE(InstallPromptDue(-5, 172796));
  EXPECT_FALSE(InstallPromptDue(-5, 172795));
  EXPECT_FALSE(InstallPromptDue(INT32_MAX, kNow));
  EXPECT_TRUE(InstallPromptDue(INT32_MIN, kNow));
}

// The version check runs on a worker, which lowers its own priority and not
// that of the thread that waits for it. The portal hears the document's GET
// and then, for a document that reads, the HEAD of its download; the answer
// holds both.
TEST(VersionCheckAhead, TheDocumentThenItsDownloadsSizeComeFromAWorker) {
  PortalStandIn portal;
  portal.SetInstaller(std::string(4321, 'x'));
  const std::string document =
      "{\"downloadUrl\":\"" + portal.Url("/dl/setup.exe") + "\",\"forceUpdate\":false,\"version\":\"2\"}";
  portal.SetVersionDocument(document);
  const testsupport::ScopedEnv hosts("LUMORA_PORTAL_HOSTS", "api=" + portal.host());
  ReloadPortalHosts();
  const int before = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  const VersionCheck check = CheckVersion().get();
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))), before);
  EXPECT_EQ(check.reply, document);
  ASSERT_TRUE(check.usable);
  EXPECT_EQ(check.document.downloadUrl, portal.Url("/dl/setup.exe"));
  EXPECT_EQ(check.remoteSize, 4321);
  const std::vector<apptest::RecordedRequest> requests = portal.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /client/latest_version.html");
  EXPECT_EQ(requests[1].method + " " + requests[1].path, "HEAD /dl/setup.exe");

  // A document that does not read asks nothing more.
  portal.SetVersionDocument("{\"downloadUrl\":7}");
  const VersionCheck unusable = CheckVersion().get();
  EXPECT_FALSE(unusable.usable);
  EXPECT_EQ(unusable.remoteSize, -1);
  EXPECT_EQ(portal.Requests().size(), 3u);
}

// Begun at the program's entry, before the display is open: the login
// window's fonts and background once, whoever asks again, and libcurl readied;
// the portal hears nothing of it.
TEST(LoginAhead, StartsTheLoginWindowsWorkOnceAndAsksThePortalNothing) {
  PortalStandIn portal;
  const testsupport::ScopedEnv hosts("LUMORA_PORTAL_HOSTS", "api=" + portal.host());
  ReloadPortalHosts();
  Kesto::PictureAhead::Discard();
  StartLoginAhead();
  StartLoginAhead();
  EXPECT_TRUE(os::FontsAhead::Pending());
  // The background and the buttons and fields as they first look, once.
  const std::size_t pictures = Kesto::PictureAhead::Pending();
  EXPECT_GE(pictures, 2u);
  auto waiting = [](std::u16string_view entry) {
    std::unique_ptr<Kesto::ImageInfo> picture;
    const auto found = Kesto::FindResourceArchiveEntry(kLoginSkinResource, entry);
    return found && Kesto::PictureAhead::TakeArchiveEntry(*found, 0, picture) && picture != nullptr;
  };
  EXPECT_TRUE(waiting(kLoginBackground));
  EXPECT_TRUE(waiting(u"login_btn_link.png"));
  EXPECT_FALSE(waiting(u"login_btn_hover.png")) << "a state the player has not reached";
  EXPECT_EQ(Kesto::PictureAhead::Pending(), pictures - 2);
  HttpClient::WaitReady();
  EXPECT_TRUE(portal.RequestsFor("/client/latest_version.html").empty());
  StopLoginAhead();
  EXPECT_FALSE(os::FontsAhead::Pending());
  Kesto::PictureAhead::Discard();
}

class StartupDecisions : public ::testing::Test {
 protected:
  void SetUp() override {
    portal_.SetInstaller(installer_);
    SetVersionDocument(false);
    probe_.WriteBesideExe("channel.ini", "qa");
    probe_.SetEnv("LUMORA_PORTAL_HOSTS", "api=" + portal_.host() + ",partner=" + portal_.host());
  }

  void SetVersionDocument(bool forceUpdate) {
    portal_.SetVersionDocument(std::string("{\"downloadUrl\":\"") + portal_.Url("/dl/setup.exe") +
                               "\",\"forceUpdate\":" + (forceUpdate ? "true" : "false") +
                               ",\"version\":\"1.0.0.2\"}");
  }
  std::filesystem::path LocalInstaller() const { return probe_.installFolder() / "setup_qa.exe"; }
  void CompleteInstaller() {
    std::filesystem::create_directories(probe_.installFolder());
    testsupport::WriteFileBytes(LocalInstaller(), installer_);
  }
  void StampAgo(std::int64_t seconds) {
    probe_.WriteBesideExe("install.ini", std::to_string(kNow - seconds));
  }
  void UnreachablePortal() {
    std::string host;
    {
      PortalStandIn gone;
      host = gone.host();
    }
    probe_.SetEnv("LUMORA_PORTAL_HOSTS", "api=" + host + ",partner=" + host);
  }

  ProbeRun Run(bool runningWindow, const std::string& answers = "", std::size_t waitBytes = 0) {
    std::vector<std::string> args{"startup", "--now", std::to_string(kNow)};
    if (runningWindow) args.push_back("--running-window");
    if (waitBytes > 0) {
      args.push_back("--wait-bytes");
      args.push_back(std::to_string(waitBytes));
    }
    ProbeRun run = probe_.Run(args, answers);
    EXPECT_TRUE(run.finished) << run.output;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << run.output;
    return run;
  }

  static std::vector<std::string> Box(const std::string& text, int type, int answer) {
    return {kCaption, text, std::to_string(type), std::to_string(answer)};
  }
  static bool OpensLoginWindow(const ProbeRun& run) {
    const auto result = run.Records("result");
    return result.size() == 1 && result[0][0] == "1";
  }
  std::size_t InstallerRequests(const std::string& method) const {
    std::size_t n = 0;
    for (const auto& r : portal_.RequestsFor("/dl/setup.exe")) n += r.method == method ? 1 : 0;
    return n;
  }

  PortalStandIn portal_;
  LauncherProbe probe_;
  const std::string installer_ = PatternBytes(kInstallerSize, 7);
};

TEST_F(StartupDecisions, UnreachablePortalGoesOnQuietly) {
  UnreachablePortal();
  const ProbeRun run = Run(false);
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_TRUE(run.Records("box").empty());
  EXPECT_TRUE(run.Records("launch").empty());
  EXPECT_EQ(run.Records("result")[0][1], "0") << "no version check";
}

TEST_F(StartupDecisions, RunningWindowRefusesASecondLauncher) {
  // Unreachable portal, reachable portal with nothing to install, and an
  // installer that is complete but not yet due: always the same box.
  UnreachablePortal();
  ProbeRun run = Run(true);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kGameOpen, kMbOk, 1)}));
  // The process ends: the login window's font worker with it, not after.
  EXPECT_EQ(run.Records("fonts-ahead"), (std::vector<std::vector<std::string>>{{"0"}}));
  EXPECT_TRUE(run.Records("foreign").empty()) << "the running window is left alone";
  EXPECT_EQ(run.Records("close-requests"), (std::vector<std::vector<std::string>>{{"0"}}));

  probe_.SetEnv("LUMORA_PORTAL_HOSTS", "api=" + portal_.host());
  run = Run(true);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kGameOpen, kMbOk, 1)}));

  CompleteInstaller();
  StampAgo(100);
  run = Run(true);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kGameOpen, kMbOk, 1)}));
}

TEST_F(StartupDecisions, InstalledClientTakesOverWithoutAskingThePortal) {
  probe_.SetInstalledClient("/opt/morvaine/Morvaine.exe");
  ProbeRun run = Run(false);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_TRUE(run.Records("box").empty());
  EXPECT_EQ(run.Records("launch"),
            (std::vector<std::vector<std::string>>{{"open", "/opt/morvaine/Morvaine.exe", "", "", "5"}}));
  EXPECT_TRUE(portal_.Requests().empty());

  // With a game window open only the box is shown; the client is not started.
  run = Run(true);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kGameOpen, kMbOk, 1)}));
  EXPECT_TRUE(run.Records("launch").empty());
  EXPECT_TRUE(portal_.Requests().empty());
}

TEST_F(StartupDecisions, IncompleteInstallerWithoutForceUpdateOnlyProbes) {
  const ProbeRun run = Run(false);
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_TRUE(run.Records("box").empty());
  EXPECT_EQ(run.Records("result")[0], (std::vector<std::string>{"1", "1", "0"}));
  EXPECT_EQ(run.Records("fonts-ahead"), (std::vector<std::vector<std::string>>{{"1"}}))
      << "kept for the window";
  ASSERT_EQ(portal_.RequestsFor("/client/latest_version.html").size(), 1u);
  EXPECT_EQ(portal_.RequestsFor("/client/latest_version.html")[0].method, "GET");
  EXPECT_EQ(InstallerRequests("HEAD"), 1u);
  EXPECT_EQ(InstallerRequests("GET"), 0u);
}

TEST_F(StartupDecisions, ForceUpdateDownloadsInTheBackgroundAndGoesOn) {
  SetVersionDocument(true);
  const ProbeRun run = Run(false, "", kInstallerSize);
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("result")[0][2], "1");
  EXPECT_TRUE(run.Records("box").empty());
  const auto gets = portal_.RequestsFor("/dl/setup.exe");
  ASSERT_EQ(InstallerRequests("GET"), 1u);
  EXPECT_EQ(gets.back().range, "bytes=0-");
  EXPECT_EQ(testsupport::ReadFileBytes(LocalInstaller()), installer_);

  // A partial installer is resumed from its end.
  testsupport::WriteFileBytes(LocalInstaller(), installer_.substr(0, 5000));
  Run(false, "", kInstallerSize);
  EXPECT_EQ(portal_.RequestsFor("/dl/setup.exe").back().range, "bytes=5000-");
  EXPECT_EQ(testsupport::ReadFileBytes(LocalInstaller()), installer_);
}

TEST_F(StartupDecisions, ForceUpdateBesideARunningWindowDownloadsNothing) {
  SetVersionDocument(true);
  const ProbeRun run = Run(true);
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kGameOpen, kMbOk, 1)}));
  EXPECT_EQ(InstallerRequests("GET"), 0u);
}

TEST_F(StartupDecisions, StampBoundaryDecidesThePrompt) {
  CompleteInstaller();
  StampAgo(172800);
  ProbeRun run = Run(false);
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_TRUE(run.Records("box").empty()) << "exactly two days old does not prompt";

  StampAgo(172801);
  run = Run(false, "ok");
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kPrompt, kMbOkCancel, 1)}));
  EXPECT_EQ(run.Records("launch"),
            (std::vector<std::vector<std::string>>{{"open", LocalInstaller().string(), "", "", "5"}}));
}

TEST_F(StartupDecisions, StampsThatNeverPrompt) {
  CompleteInstaller();
  for (const std::string& stamp :
       {std::to_string(kNow + 3600), std::string("0"), std::string("not a number"), std::string("")}) {
    probe_.WriteBesideExe("install.ini", stamp);
    const ProbeRun run = Run(false);
    EXPECT_TRUE(OpensLoginWindow(run)) << "stamp '" << stamp << "'";
    EXPECT_TRUE(run.Records("box").empty()) << "stamp '" << stamp << "'";
  }
  std::filesystem::remove(probe_.exeFolder() / "install.ini");
  const ProbeRun run = Run(false);
  EXPECT_TRUE(run.Records("box").empty()) << "no install.ini";
}

TEST_F(StartupDecisions, PromptAnswers) {
  CompleteInstaller();
  StampAgo(3 * 86400);

  // Cancel: no install, the launcher goes on.
  ProbeRun run = Run(false, "cancel");
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kPrompt, kMbOkCancel, 2)}));
  EXPECT_TRUE(run.Records("launch").empty());

  // Cancel beside a running game window: then the single-instance box.
  run = Run(true, "cancel");
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"),
            (std::vector<std::vector<std::string>>{Box(kPrompt, kMbOkCancel, 2), Box(kGameOpen, kMbOk, 1)}));
  EXPECT_TRUE(run.Records("launch").empty());
  EXPECT_TRUE(run.Records("foreign").empty());
  EXPECT_EQ(run.Records("close-requests"), (std::vector<std::vector<std::string>>{{"0"}}));

  // OK beside a running game window: the window is asked to close, the
  // installer starts and no login window follows.
  run = Run(true, "ok");
  EXPECT_FALSE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("box"), (std::vector<std::vector<std::string>>{Box(kPrompt, kMbOkCancel, 1)}));
  EXPECT_EQ(run.Records("close-requests"), (std::vector<std::vector<std::string>>{{"1"}}));
  EXPECT_EQ(run.Records("launch"),
            (std::vector<std::vector<std::string>>{{"open", LocalInstaller().string(), "", "", "5"}}));
}

TEST_F(StartupDecisions, UnusableVersionDocumentsSkipTheUpdateCheck) {
  // A due installer would prompt if any of these were taken as a document.
  CompleteInstaller();
  StampAgo(3 * 86400);
  for (const std::string& body :
       {std::string("<html>500</html>"), std::string("[1,2]"), std::string("{\"downloadUrl\":\"x\"}"),
        std::string("{\"downloadUrl\":3,\"version\":\"1\"}"), std::string(""),
        // Deeper than the JSON reader will go: it gives up by throwing.
        std::string(20000, '[') + std::string(20000, ']')}) {
    portal_.SetVersionDocument(body);
    const ProbeRun run = Run(false);
    const std::string shown = body.substr(0, 40);
    EXPECT_TRUE(OpensLoginWindow(run)) << shown;
    EXPECT_TRUE(run.Records("box").empty()) << shown;
    ASSERT_FALSE(run.Records("result").empty()) << shown;
    EXPECT_EQ(run.Records("result")[0][1], "0") << shown;
  }
  EXPECT_EQ(InstallerRequests("HEAD"), 0u);
}

TEST_F(StartupDecisions, ForceUpdateCountsOnlyAsJsonTrue) {
  portal_.SetVersionDocument("{\"downloadUrl\":\"" + portal_.Url("/dl/setup.exe") +
                             "\",\"forceUpdate\":\"true\",\"version\":\"1\"}");
  const ProbeRun run = Run(false);
  EXPECT_TRUE(OpensLoginWindow(run));
  EXPECT_EQ(run.Records("result")[0][2], "0");
  EXPECT_EQ(InstallerRequests("GET"), 0u);
}

}  // namespace

// The launcher's automation log learns of hand-overs made after its source
// was made, one line each, and of each only once.
TEST(GameHandOverRecords, OneLinePerNewHandOver) {
  os::headless::Reset();
  Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  ResetGameHandOvers();
  HandOverToGame(u"http://game/1", u"8", u"early");
  AutomationDriver::RecordSource source = GameHandOverRecords();
  EXPECT_TRUE(source().empty());
  HandOverToGame(u"http://game/2", u"9", u"t\"ok");
  EXPECT_EQ(source(),
            std::vector<std::string>{"hand-over: url=\"http://game/2\" uid=\"9\" token=\"t\\\"ok\""});
  EXPECT_TRUE(source().empty());
  os::headless::Reset();
}
