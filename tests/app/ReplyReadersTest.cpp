// The readers of the portal's update replies on hostile input: the version
// document's address and the download's validators must be texts that
// libcurl and the file system take whole, as C strings.
#include <gtest/gtest.h>

#include <string>

#include "app/Startup.h"
#include "app/UpdateDownloader.h"

namespace {

TEST(VersionDocumentTest, AnAddressWithAZeroByteIsNoDocument) {
  VersionDocument document;
  ASSERT_TRUE(ReadVersionDocument(R"({"downloadUrl":"http://h/dl/Setup.exe","version":"2"})", document));
  EXPECT_EQ(document.downloadUrl, "http://h/dl/Setup.exe");

  VersionDocument cut;
  EXPECT_FALSE(ReadVersionDocument(R"({"downloadUrl":"http://h/dl/evil\u0000.exe","version":"2"})", cut));
  EXPECT_TRUE(cut.downloadUrl.empty());
}

struct HeaderCase {
  const char* name;
  std::string line;
  std::string validator;  // what the job keeps as its ETag
  std::string lastModified;
};

class DownloadValidatorTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DownloadValidatorTest, KeepsOnlyValidatorsThatFitOneHeaderLine) {
  const HeaderCase& c = GetParam();
  DownloadJob job;
  std::string line = c.line;
  EXPECT_EQ(NoteRangeHeader(line.data(), 1, line.size(), &job), line.size());
  EXPECT_EQ(job.validator, c.validator);
  EXPECT_EQ(job.lastModified, c.lastModified);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DownloadValidatorTest,
    ::testing::Values(HeaderCase{"etag", "ETag: \"v2\"\r\n", "\"v2\"", ""},
                      HeaderCase{"modified", "Last-Modified: Tue, 08 Dec 2026 10:00:00 GMT\r\n", "",
                                 "Tue, 08 Dec 2026 10:00:00 GMT"},
                      HeaderCase{"zeroInEtag", std::string("ETag: \"a\0b\"\r\n", 13), "", ""},
                      HeaderCase{"zeroInModified", std::string("Last-Modified:\0Tue\r\n", 20), "", ""},
                      HeaderCase{"bareCr", "ETag: \"a\rb\"\r\n", "", ""},
                      HeaderCase{"tooLong", "ETag: \"" + std::string(300, 'x') + "\"\r\n", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DownloadValidatorTest, AStatusLineForgetsTheResponseBefore) {
  DownloadJob job;
  for (std::string line :
       {std::string("HTTP/1.1 301 Moved\r\n"), std::string("ETag: \"old\"\r\n"),
        std::string("Content-Range: bytes 10-19/20\r\n"), std::string("HTTP/1.1 206 Partial\r\n")}) {
    NoteRangeHeader(line.data(), 1, line.size(), &job);
  }
  EXPECT_TRUE(job.validator.empty());
  EXPECT_EQ(job.range.first, -1);
  EXPECT_EQ(job.range.total, -1);
}

}  // namespace
