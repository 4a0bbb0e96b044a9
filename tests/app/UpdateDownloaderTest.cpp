// The update's local path rules, the size probe and the download against a
// real HTTP server, including servers that ignore ranges or answer errors.
#include "app/UpdateDownloader.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "app/PortalStandIn.h"
#include "platform/base/Unicode.h"
#include "platform/system/Shell.h"
#include "testsupport/TempDir.h"

namespace {

using apptest::PatternBytes;
using apptest::PortalStandIn;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

TEST(InstallerPathRules, NameCutAndChannel) {
  // The documented example, with "/" as the separator.
  EXPECT_EQ(InstallerPath("http://h/dl/setup.exe", "/home/a/.local/share/lumora/install/", "360gj"),
            "/home/a/.local/share/lumora/install/setup_360gj.exe");
  // The channel is used verbatim, line break included.
  EXPECT_EQ(InstallerPath("http://h/dl/setup.exe", "/d/install/", "360gj\n"), "/d/install/setup_360gj\n.exe");
  EXPECT_EQ(InstallerPath("http://h/dl/setup.exe", "/d/install/", ""), "/d/install/setup_.exe");
  // Query strings stay in the name; the cut is at the last ".".
  EXPECT_EQ(InstallerPath("http://h/dl/setup.exe?v=1.2", "/d/install/", "c"),
            "/d/install/setup.exe?v=1_c.exe");
  // A name without "." cuts the path at the folder's last ".".
  EXPECT_EQ(InstallerPath("http://h/dl/setup", "/home/john.doe/lumora/install/", "c"), "/home/john_c.exe");
  // No "." past the first character: nothing is kept.
  EXPECT_EQ(InstallerPath("http://h/dl/setup", "/d/install/", "c"), "_c.exe");
  EXPECT_EQ(InstallerPath(".hidden", "", "c"), "_c.exe");
  // A URL without "/" is the whole file name; a folder that did not convert
  // leaves the bare name.
  EXPECT_EQ(InstallerPath("setup.exe", "", "c"), "setup_c.exe");
}

TEST(InstallerPathRules, ChannelIsRawBytesUpToLimit) {
  testsupport::TempDir dir;
  const std::string folder = dir.path().string() + "/";
  EXPECT_EQ(ReadChannel(folder), "") << "missing file";
  WriteFileBytes(dir / "channel.ini", " 360gj \r\n");
  EXPECT_EQ(ReadChannel(folder), " 360gj \r\n");
  WriteFileBytes(dir / "channel.ini", std::string(300, 'c'));
  EXPECT_EQ(ReadChannel(folder), std::string(255, 'c'));
  WriteFileBytes(dir / "channel.ini", std::string("ab\0cd", 5));
  EXPECT_EQ(ReadChannel(folder), "ab");
}

TEST(ContentLengthHeader, ReadExactlyAsTheProbeReadsIt) {
  auto parse = [](std::string line, std::int32_t start) {
    std::int32_t result = start;
    EXPECT_EQ(ParseContentLength(line.data(), 1, line.size(), &result), line.size());
    return result;
  };
  EXPECT_EQ(parse("Content-Length: 4096\r\n", 0), 4096);
  EXPECT_EQ(parse("Content-Length: 12abc\r\n", 0), 12);
  EXPECT_EQ(parse("Content-Length: \r\n", 7), 0);
  EXPECT_EQ(parse("Content-Length: 99999999999\r\n", 0), INT32_MAX);
  // Case and spacing must match exactly; other lines leave the value alone.
  EXPECT_EQ(parse("content-length: 4096\r\n", 7), 7);
  EXPECT_EQ(parse("Content-Length:4096\r\n", 7), 7);
  EXPECT_EQ(parse("Content-Type: text/html\r\n", 7), 7);
  // The name is searched anywhere in the line but the number is read from
  // the 17th character, so a longer header name reads as 0.
  EXPECT_EQ(parse("X-Content-Length: 77\r\n", 7), 0);
}

TEST(DownloadJobFields, TextsMustFitTheirFields) {
  EXPECT_NE(MakeDownloadJob(std::string(511, 'u'), "p", 0), nullptr);
  EXPECT_EQ(MakeDownloadJob(std::string(512, 'u'), "p", 0), nullptr);
  EXPECT_NE(MakeDownloadJob("u", std::string(511, 'p'), 0), nullptr);
  EXPECT_EQ(MakeDownloadJob("u", std::string(512, 'p'), 0), nullptr);
  const auto job = MakeDownloadJob("http://h/x", "/tmp/x", 1048576);
  ASSERT_NE(job, nullptr);
  EXPECT_EQ(job->url, "http://h/x");
  EXPECT_EQ(job->path, "/tmp/x");
  EXPECT_EQ(job->offset, 1048576);
  EXPECT_EQ(job->file, nullptr);
}

class UpdateDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override { portal_.SetInstaller(installer_); }

  std::string InstallFolder() const { return (dir_.path() / "lumora" / "install").string() + "/"; }

  // Runs the download thread's body for path, resuming at its current size.
  void Download(const std::string& url, const std::string& path) {
    std::int32_t offset = 0;
    if (std::filesystem::exists(path)) offset = static_cast<std::int32_t>(std::filesystem::file_size(path));
    DownloadThread(MakeDownloadJob(url, path, offset));
  }

  // A partial file of the stand-in's current build, as an earlier transfer
  // would have left it.
  void WritePartial(const std::string& path, const std::string& bytes) {
    WriteFileBytes(path, bytes);
    WriteFileBytes(ValidatorPath(path), "\"build-1\"\n");
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv dataHome_{"XDG_DATA_HOME", dir_.path().string()};
  PortalStandIn portal_;
  const std::string installer_ = PatternBytes(300000);
};

TEST_F(UpdateDownloaderTest, LocalPathLiesInTheInstallFolder) {
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  EXPECT_TRUE(std::filesystem::is_directory(InstallFolder())) << "the install folder is made";
  // Private, as is the data folder above it.
  EXPECT_EQ(std::filesystem::status(InstallFolder()).permissions(), std::filesystem::perms::owner_all);
  EXPECT_EQ(std::filesystem::status(dir_.path() / "lumora").permissions(), std::filesystem::perms::owner_all);
  EXPECT_EQ(updater.localPath().rfind(InstallFolder() + "setup_", 0), 0u) << updater.localPath();
  EXPECT_EQ(updater.localPath().substr(updater.localPath().size() - 4), ".exe");
  EXPECT_EQ(updater.downloadUrl(), portal_.Url("/dl/setup.exe"));
}

TEST_F(UpdateDownloaderTest, SizesAndCompleteness) {
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  EXPECT_EQ(updater.RemoteSize(), 300000);
  EXPECT_EQ(updater.LocalSize(), 0);
  EXPECT_FALSE(updater.IsDownloaded());
  ASSERT_TRUE(portal_.Requests().size() >= 1);
  EXPECT_EQ(portal_.Requests().front().method, "HEAD");

  WriteFileBytes(updater.localPath(), installer_.substr(0, 1000));
  EXPECT_EQ(updater.LocalSize(), 1000);
  EXPECT_FALSE(updater.IsDownloaded());
  WriteFileBytes(updater.localPath(), installer_);
  EXPECT_TRUE(updater.IsDownloaded());
  // With the announced size asked ahead, only the file is looked at.
  const std::size_t asked = portal_.Requests().size();
  EXPECT_TRUE(updater.IsDownloaded(300000));
  EXPECT_FALSE(updater.IsDownloaded(-1));
  EXPECT_FALSE(updater.IsDownloaded(299999));
  EXPECT_EQ(portal_.Requests().size(), asked);

  // Through a redirect the last response's length wins.
  UpdateDownloader redirected(portal_.Url("/redirect/setup.exe"));
  EXPECT_EQ(redirected.RemoteSize(), 300000);

  // No announced length and no file: both 0, which counts as downloaded.
  portal_.SetAnnounceLength(false);
  UpdateDownloader unannounced(portal_.Url("/dl/other.exe"));
  EXPECT_EQ(unannounced.RemoteSize(), 0);
  EXPECT_TRUE(unannounced.IsDownloaded());
}

TEST_F(UpdateDownloaderTest, UnreachableHostNeverCountsAsDownloaded) {
  std::string url;
  {
    PortalStandIn gone;
    url = gone.Url("/dl/setup.exe");
  }
  UpdateDownloader updater(url);
  WriteFileBytes(updater.localPath(), "");
  EXPECT_EQ(updater.RemoteSize(), -1);
  EXPECT_FALSE(updater.IsDownloaded());
}

TEST_F(UpdateDownloaderTest, FreshAndResumedDownloads) {
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  Download(updater.downloadUrl(), updater.localPath());
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_);
  ASSERT_EQ(portal_.Requests().back().range, "bytes=0-");
  EXPECT_EQ(std::filesystem::status(updater.localPath()).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_TRUE(updater.IsDownloaded());

  // A partial file is continued from its end, for the build it came from.
  WriteFileBytes(updater.localPath(), installer_.substr(0, 123457));
  Download(updater.downloadUrl(), updater.localPath());
  EXPECT_EQ(portal_.Requests().back().range, "bytes=123457-");
  EXPECT_EQ(portal_.Requests().back().ifRange, "\"build-1\"");
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_);

  // Also when the URL redirects first.
  WriteFileBytes(updater.localPath(), installer_.substr(0, 5));
  Download(portal_.Url("/redirect/setup.exe"), updater.localPath());
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_);
}

TEST_F(UpdateDownloaderTest, ServerWithoutLengthStillDelivers) {
  portal_.SetAnnounceLength(false);
  const std::string path = InstallFolder() + "nolength.exe";
  std::filesystem::create_directories(InstallFolder());
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

TEST_F(UpdateDownloaderTest, ServerIgnoringTheRangeStartsTheFileOver) {
  portal_.SetRangeMode(PortalStandIn::RangeMode::kIgnore);
  std::filesystem::create_directories(InstallFolder());
  const std::string path = InstallFolder() + "whole.exe";
  // Stale partial data must not stay in front of the whole file.
  WritePartial(path, std::string(4000, 'S'));
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(portal_.Requests().back().range, "bytes=4000-");
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

TEST_F(UpdateDownloaderTest, PartThatDoesNotContinueTheFileIsRefused) {
  portal_.SetRangeMode(PortalStandIn::RangeMode::kWrongStart);
  std::filesystem::create_directories(InstallFolder());
  const std::string path = InstallFolder() + "wrong.exe";
  const std::string partial = installer_.substr(0, 4000);
  WritePartial(path, partial);
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), partial);
}

// A resumed file is never a mix of two builds: a partial file of another
// build, or of an unknown one, starts anew.
TEST_F(UpdateDownloaderTest, APartialFileOfAnotherBuildStartsAnew) {
  std::filesystem::create_directories(InstallFolder());
  const std::string path = InstallFolder() + "build.exe";
  const std::string oldBuild = PatternBytes(300000, 99);

  // The server's file changed since the partial one was fetched: If-Range
  // brings the whole new file.
  WritePartial(path, oldBuild.substr(0, 100000));
  portal_.SetInstallerTag("\"build-2\"");
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
  EXPECT_EQ(ReadFileBytes(ValidatorPath(path)), "\"build-2\"\n");

  // A server that sends a part of its new build whatever If-Range says is
  // caught by the part's own tag.
  portal_.SetRangeMode(PortalStandIn::RangeMode::kHonour);
  WritePartial(path, oldBuild.substr(0, 100000));
  portal_.SetInstallerTag("");
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
  const auto requests = portal_.RequestsFor("/dl/setup.exe");
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[requests.size() - 2].range, "bytes=100000-");
  EXPECT_EQ(requests.back().range, "bytes=0-");

  // No validator beside the partial file: its build is unknown.
  WriteFileBytes(path, oldBuild.substr(0, 100000));
  std::filesystem::remove(ValidatorPath(path));
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(portal_.RequestsFor("/dl/setup.exe").back().range, "bytes=0-");
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

TEST_F(UpdateDownloaderTest, ErrorStatusWritesNothing) {
  std::filesystem::create_directories(InstallFolder());
  const std::string partial = installer_.substr(0, 4000);
  const std::string path = InstallFolder() + "partial.exe";
  WriteFileBytes(path, partial);
  for (int status : {404, 500, 503}) {
    portal_.SetInstallerStatus(status);
    Download(portal_.Url("/dl/setup.exe"), path);
    EXPECT_EQ(ReadFileBytes(path), partial) << "status " << status;
    // No file is created either.
    const std::string fresh = InstallFolder() + "fresh.exe";
    Download(portal_.Url("/dl/setup.exe"), fresh);
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "status " << status;
  }
  // A complete file asked for past its end (416) is left alone as well.
  portal_.SetInstallerStatus(200);
  WriteFileBytes(path, installer_);
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

// A local file the server's cannot continue is started anew instead of being
// asked for past the end at every start.
TEST_F(UpdateDownloaderTest, LocalFileLongerThanTheServersStartsAnew) {
  std::filesystem::create_directories(InstallFolder());
  const std::string path = InstallFolder() + "long.exe";
  WritePartial(path, std::string(400000, 'L'));
  Download(portal_.Url("/dl/setup.exe"), path);
  const auto requests = portal_.RequestsFor("/dl/setup.exe");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].range, "bytes=400000-");
  EXPECT_EQ(requests[1].range, "bytes=0-");
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

// A server that keeps sending past the range it announced cannot grow the
// installer beyond its size.
TEST_F(UpdateDownloaderTest, BytesPastTheAnnouncedEndAreNotWritten) {
  portal_.SetRangeMode(PortalStandIn::RangeMode::kOversend);
  std::filesystem::create_directories(InstallFolder());
  const std::string path = InstallFolder() + "over.exe";
  WritePartial(path, installer_.substr(0, 1000));
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
  std::filesystem::remove(path);
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_EQ(ReadFileBytes(path), installer_);
}

// A download host that takes the connection and never answers cannot hold
// the start-up: the size probe gives up like a failed one.
TEST_F(UpdateDownloaderTest, SilentHostFailsTheSizeProbe) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 8), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  // The kernel completes the handshake; nobody ever reads or answers.
  UpdateDownloader updater("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/dl/setup.exe");
  EXPECT_EQ(updater.RemoteSize(), -1);
  EXPECT_FALSE(updater.IsDownloaded());
  ::close(listener);
}

TEST_F(UpdateDownloaderTest, UnwritableFolderStopsAtTheFirstBlock) {
  const std::string path = (dir_.path() / "no" / "such" / "folder" / "setup.exe").string();
  Download(portal_.Url("/dl/setup.exe"), path);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(portal_.RequestsFor("/dl/setup.exe").size(), 1u);
}

TEST_F(UpdateDownloaderTest, StartDownloadRunsInTheBackground) {
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  WritePartial(updater.localPath(), installer_.substr(0, 777));
  EXPECT_EQ(updater.StartDownload(), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (updater.LocalSize() < 300000 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The thread closes the file when it ends; wait for its last write.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_);
  const auto requests = portal_.RequestsFor("/dl/setup.exe");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].range, "bytes=777-");
}

// The process ends while the server holds the rest of the file back: the
// download stops within its progress function's second, keeps what came for
// the next start, and a download after that runs as ever.
TEST_F(UpdateDownloaderTest, StopDownloadsEndsAWaitingTransferAndKeepsItsPart) {
  portal_.StallInstallerAfter(50000);
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  EXPECT_EQ(updater.StartDownload(), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  // Written through a buffer: some of the part shows before the file closes.
  while (updater.LocalSize() < 40000 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_GE(updater.LocalSize(), 40000);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(StopDownloads(std::chrono::seconds(20)));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(10)) << "not the stall timeout";
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_.substr(0, 50000));
  EXPECT_EQ(ReadFileBytes(ValidatorPath(updater.localPath())), "\"build-1\"\n");
  EXPECT_TRUE(StopDownloads(std::chrono::seconds(0))) << "none left";

  portal_.StallInstallerAfter(0);
  Download(portal_.Url("/dl/setup.exe"), updater.localPath());
  EXPECT_EQ(ReadFileBytes(updater.localPath()), installer_);
}

TEST_F(UpdateDownloaderTest, OverlongUrlStartsNothing) {
  UpdateDownloader updater(portal_.Url("/dl/" + std::string(600, 'x') + ".exe"));
  EXPECT_EQ(updater.StartDownload(), -1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(portal_.Requests().empty());
}

TEST_F(UpdateDownloaderTest, RunInstallerOpensTheLocalFile) {
  os::ShellLaunchRecorder recorder(false);
  UpdateDownloader updater(portal_.Url("/dl/setup.exe"));
  updater.RunInstaller();
  const auto launches = recorder.Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, u"open");
  EXPECT_EQ(launches[0].file, os::Utf8ToUtf16(updater.localPath()));
  EXPECT_EQ(launches[0].parameters, u"");
  EXPECT_EQ(launches[0].directory, u"");
  EXPECT_EQ(launches[0].showCommand, 5);
}

TEST_F(UpdateDownloaderTest, RunInstallerWithOverlongPathLaunchesNothing) {
  // A path of 256 bytes or more does not fit the wide conversion.
  const std::string deep = dir_.path().string() + "/" + std::string(200, 'd');
  testsupport::ScopedEnv longHome("XDG_DATA_HOME", deep);
  os::ShellLaunchRecorder recorder(false);
  UpdateDownloader updater(portal_.Url("/dl/" + std::string(100, 's') + ".exe"));
  ASSERT_GE(updater.localPath().size(), 256u);
  updater.RunInstaller();
  EXPECT_TRUE(recorder.Launches().empty());
}

}  // namespace
