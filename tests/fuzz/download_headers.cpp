// The update download's header readers on any header block (lines cut at LF,
// kept with their line ends, as libcurl hands them over): the size probe's
// Content-Length and the download's Content-Range and validators. Numbers
// read are never negative unless unknown (-1), a status line forgets what
// the response before it said, and a validator kept for If-Range can never
// end the header line it is sent in.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/UpdateDownloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest = fuzz::Bytes(data, size);
  DownloadJob job;
  std::int32_t length = -7;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string line(rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1));
    rest.remove_prefix(line.size());

    const std::int32_t before = length;
    FUZZ_CHECK(ParseContentLength(line.data(), 1, line.size(), &length) == line.size());
    if (line.find("Content-Length: ") == std::string::npos || line.size() <= 16) {
      FUZZ_CHECK(length == before);
    } else {
      FUZZ_CHECK(length >= 0);
    }

    FUZZ_CHECK(NoteRangeHeader(line.data(), 1, line.size(), &job) == line.size());
    if (line.rfind("HTTP/", 0) == 0) {
      FUZZ_CHECK(job.range.first == -1 && job.range.last == -1 && job.range.total == -1);
      FUZZ_CHECK(job.validator.empty() && job.lastModified.empty());
    }
    FUZZ_CHECK(job.range.first >= -1 && job.range.last >= -1 && job.range.total >= -1);
    FUZZ_CHECK(job.range.last == -1 || job.range.first >= 0);
    for (const std::string* validator : {&job.validator, &job.lastModified}) {
      FUZZ_CHECK(validator->size() <= 256);
      FUZZ_CHECK(validator->find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    }
  }
  return 0;
}
