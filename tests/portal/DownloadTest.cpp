// The installer on the download host: HEAD, whole file, byte ranges and the
// misbehaving modes.
#include "PortalFixture.h"
#include "portal/Installer.h"

namespace portaltest {
namespace {

using Download = PortalTest;
constexpr std::uint64_t kSize = 300000;
const std::string kPath = "/dl/MorvaineSetup.exe";

httplib::Headers Range(const std::string& value) { return {{"Range", value}}; }

TEST_F(Download, HeadAnnouncesTheLengthWithoutABody) {
  StartPortal([](portal::Options& o) { o.installerSize = kSize; });
  auto head = Client(Role::kDownload)->Head(kPath);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  // The launcher looks for exactly this spelling.
  EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(kSize));
  EXPECT_EQ(head->get_header_value("Accept-Ranges"), "bytes");
  EXPECT_TRUE(head->body.empty());
  EXPECT_EQ(Client(Role::kDownload)->Head("/dl/other.exe")->status, 404);
}

TEST_F(Download, RangesFromZeroFromTheMiddleAndBeyondTheEnd) {
  StartPortal([](portal::Options& o) { o.installerSize = kSize; });
  auto whole = Get(Role::kDownload, kPath);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  ASSERT_EQ(whole->body.size(), kSize);
  EXPECT_EQ(whole->body.rfind("#!/bin/sh\n", 0), 0u);

  auto fromZero = Get(Role::kDownload, kPath, Range("bytes=0-"));
  EXPECT_EQ(fromZero->status, 206);
  EXPECT_EQ(fromZero->get_header_value("Content-Range"), "bytes 0-299999/300000");
  EXPECT_EQ(fromZero->body, whole->body);

  // A resume: the rest appended to the first K bytes is the whole file.
  const std::uint64_t k = 123457;
  auto rest = Get(Role::kDownload, kPath, Range("bytes=" + std::to_string(k) + "-"));
  EXPECT_EQ(rest->status, 206);
  EXPECT_EQ(rest->get_header_value("Content-Length"), std::to_string(kSize - k));
  EXPECT_EQ(rest->get_header_value("Content-Range"), "bytes 123457-299999/300000");
  EXPECT_EQ(whole->body.substr(0, k) + rest->body, whole->body);

  auto last = Get(Role::kDownload, kPath, Range("bytes=299999-"));
  EXPECT_EQ(last->status, 206);
  EXPECT_EQ(last->body, whole->body.substr(kSize - 1));

  auto closed = Get(Role::kDownload, kPath, Range("bytes=10-19"));
  EXPECT_EQ(closed->status, 206);
  EXPECT_EQ(closed->body, whole->body.substr(10, 10));
  auto suffix = Get(Role::kDownload, kPath, Range("bytes=-5"));
  EXPECT_EQ(suffix->status, 206);
  EXPECT_EQ(suffix->body, whole->body.substr(kSize - 5));
  auto clipped = Get(Role::kDownload, kPath, Range("bytes=299990-400000"));
  EXPECT_EQ(clipped->get_header_value("Content-Range"), "bytes 299990-299999/300000");
  EXPECT_EQ(clipped->body, whole->body.substr(299990));

  // A complete (or larger) local file asks from the end or beyond: nothing
  // must come back that a resuming client would append.
  for (const char* value : {"bytes=300000-", "bytes=999999-", "bytes=-0"}) {
    auto beyond = Get(Role::kDownload, kPath, Range(value));
    ASSERT_TRUE(beyond) << value;
    EXPECT_EQ(beyond->status, 416) << value;
    EXPECT_EQ(beyond->get_header_value("Content-Range"), "bytes */300000") << value;
    EXPECT_TRUE(beyond->body.empty()) << value;
  }
}

// The tag names the build; a resume that names another build gets the whole file.
TEST_F(Download, IfRangeOfAnotherBuildBringsTheWholeFile) {
  StartPortal([](portal::Options& o) { o.installerSize = kSize; });
  auto head = Client(Role::kDownload)->Head(kPath);
  ASSERT_TRUE(head);
  const std::string tag = head->get_header_value("ETag");
  ASSERT_FALSE(tag.empty());
  EXPECT_EQ(tag.front(), '"');
  EXPECT_NE(tag, portal::InstallerTag("MorvaineSetup.exe", kSize + 1));

  auto same = Get(Role::kDownload, kPath, {{"Range", "bytes=1000-"}, {"If-Range", tag}});
  ASSERT_TRUE(same);
  EXPECT_EQ(same->status, 206);
  EXPECT_EQ(same->body.size(), kSize - 1000);
  auto other = Get(Role::kDownload, kPath, {{"Range", "bytes=1000-"}, {"If-Range", "\"older\""}});
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 200);
  EXPECT_EQ(other->body.size(), kSize);
  EXPECT_EQ(other->get_header_value("ETag"), tag);
}

TEST_F(Download, IgnoreRangesModeAlwaysSendsTheWholeFile) {
  StartPortal([](portal::Options& o) {
    o.installerSize = kSize;
    o.downloadMode = portal::DownloadMode::kIgnoreRanges;
  });
  auto res = Get(Role::kDownload, kPath, Range("bytes=1000-"));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body.size(), kSize);
  EXPECT_FALSE(res->has_header("Content-Range"));
  EXPECT_EQ(res->get_header_value("Accept-Ranges"), "none");
}

TEST_F(Download, CutModeDropsTheFirstTransferAtTheMiddleAndAResumeCompletes) {
  StartPortal([](portal::Options& o) {
    o.installerSize = kSize;
    o.downloadMode = portal::DownloadMode::kCut;
  });
  std::string received;
  auto first = Client(Role::kDownload)->Get(kPath, Range("bytes=0-"), [&](const char* data, size_t length) {
    received.append(data, length);
    return true;
  });
  EXPECT_FALSE(first);  // the connection dropped before the announced length
  EXPECT_EQ(received, portal::InstallerBytes(kSize, 0, kSize / 2));

  auto rest = Get(Role::kDownload, kPath, Range("bytes=" + std::to_string(received.size()) + "-"));
  ASSERT_TRUE(rest);
  EXPECT_EQ(rest->status, 206);
  EXPECT_EQ(received + rest->body, portal::InstallerBytes(kSize, 0, kSize));
}

TEST_F(Download, FailSwitchAndEmptyInstaller) {
  StartPortal([](portal::Options& o) { o.failStatus[static_cast<std::size_t>(Role::kDownload)] = 503; });
  EXPECT_EQ(Get(Role::kDownload, kPath)->status, 503);
  EXPECT_EQ(Client(Role::kDownload)->Head(kPath)->status, 503);

  StartPortal([](portal::Options& o) { o.installerSize = 0; });
  auto head = Client(Role::kDownload)->Head(kPath);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->get_header_value("Content-Length"), "0");
  EXPECT_EQ(Get(Role::kDownload, kPath, Range("bytes=0-"))->status, 416);
}

TEST(Installer, PiecesFitTogetherAndTheScriptIsIntact) {
  const std::uint64_t size = 5000;
  std::string whole = portal::InstallerBytes(size, 0, size);
  ASSERT_EQ(whole.size(), size);
  EXPECT_EQ(portal::InstallerBytes(size, 0, 100) + portal::InstallerBytes(size, 100, 10000), whole);
  EXPECT_EQ(portal::InstallerBytes(size, 4990, 100), whole.substr(4990));
  EXPECT_EQ(portal::InstallerBytes(size, size, 10), "");
  EXPECT_EQ(portal::InstallerBytes(10, 0, 100), whole.substr(0, 10));
  // The script ends before the padding, which is comment lines only.
  std::size_t exitLine = whole.find("exit 0\n");
  ASSERT_NE(exitLine, std::string::npos);
  for (std::size_t line = exitLine + 7; line < whole.size(); line = whole.find('\n', line) + 1) {
    ASSERT_EQ(whole[line], '#') << line;
    if (whole.find('\n', line) == std::string::npos) break;
  }
}

TEST(Installer, RangeHeaderReading) {
  using portal::RangeKind;
  struct Case {
    std::string header;
    RangeKind kind;
    std::uint64_t first, last;
  };
  const Case cases[] = {
      {"", RangeKind::kWhole, 0, 0},
      {"bytes=0-", RangeKind::kSatisfiable, 0, 99},
      {"BYTES = 5 - 9", RangeKind::kWhole, 0, 0},
      {"Bytes=5-9", RangeKind::kSatisfiable, 5, 9},
      {"bytes= 5 - 9 ", RangeKind::kSatisfiable, 5, 9},
      {"bytes=90-200", RangeKind::kSatisfiable, 90, 99},
      {"bytes=-10", RangeKind::kSatisfiable, 90, 99},
      {"bytes=-1000", RangeKind::kSatisfiable, 0, 99},
      {"bytes=100-", RangeKind::kUnsatisfiable, 0, 0},
      {"bytes=-0", RangeKind::kUnsatisfiable, 0, 0},
      {"bytes=9-5", RangeKind::kWhole, 0, 0},
      {"bytes=0-1,5-6", RangeKind::kWhole, 0, 0},
      {"items=0-5", RangeKind::kWhole, 0, 0},
      {"bytes=a-", RangeKind::kWhole, 0, 0},
      {"bytes=-", RangeKind::kWhole, 0, 0},
      {"bytes=99999999999999999999999-", RangeKind::kWhole, 0, 0},
  };
  for (const Case& c : cases) {
    portal::RangeRequest range = portal::ParseRange(c.header, 100);
    EXPECT_EQ(range.kind, c.kind) << c.header;
    if (c.kind == RangeKind::kSatisfiable) {
      EXPECT_EQ(range.first, c.first) << c.header;
      EXPECT_EQ(range.last, c.last) << c.header;
    }
  }
}

}  // namespace
}  // namespace portaltest
