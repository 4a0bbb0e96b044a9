// The version document's reply, any bytes: read as the start-up reads it,
// then its download address turned into the installer's local path and a
// download job, as the update check goes on to do.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/Startup.h"
#include "app/UpdateDownloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  VersionDocument document;
  if (!ReadVersionDocument(std::string(fuzz::Bytes(data, size)), document)) return 0;
  const std::string& url = document.downloadUrl;
  // The address goes to libcurl and names a file as a C string: a zero byte
  // in it would fetch and write something other than what was read.
  FUZZ_CHECK(url.find('\0') == std::string::npos);

  const std::string folder = "/data/lumora/install/";
  const std::string path = InstallerPath(url, folder, "7");
  FUZZ_CHECK(path.size() >= 6 && path.substr(path.size() - 6) == "_7.exe");
  FUZZ_CHECK(path.find('\0') == std::string::npos);
  // Whatever the address says, the file lands in the install folder (or, for
  // a name without ".", beside the launcher): never in a folder it names.
  const std::size_t slash = path.rfind('/');
  FUZZ_CHECK(slash == std::string::npos || slash == folder.size() - 1);
  const std::unique_ptr<DownloadJob> job = MakeDownloadJob(url, path, 0);
  FUZZ_CHECK((job != nullptr) ==
             (url.size() < DownloadJob::kFieldBytes && path.size() < DownloadJob::kFieldBytes));
  return 0;
}
