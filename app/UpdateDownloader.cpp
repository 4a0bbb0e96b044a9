#include "app/UpdateDownloader.h"

#include <curl/curl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/CrashHandler.h"
#include "platform/Kernel.h"
#include "platform/Shell.h"
#include "platform/Unicode.h"
#include "support/Encoding.h"
#include "support/InstallRecord.h"

namespace {

constexpr std::size_t kChannelBytes = 255;
// Capacities of the conversions the paths go through.
constexpr int kNarrowPathBytes = 256;
constexpr int kWidePathChars = 256;

struct CurlHandle {
  CURL* handle = curl_easy_init();
  ~CurlHandle() {
    if (handle != nullptr) curl_easy_cleanup(handle);
  }
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// The number at the start of text: leading decimal digits, none giving 0;
// values past the 32-bit range stop at its largest value.
std::int32_t LeadingDigits(std::string_view text) {
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return INT32_MAX;
  }
  return static_cast<std::int32_t>(value);
}

// Content-Range of a 206 reply: "bytes <first>-<last>/<size>"; -1 when absent
// or unreadable.
long RangeStartOf(std::string_view line) {
  constexpr std::string_view kName = "content-range:";
  if (line.size() < kName.size()) return -1;
  for (std::size_t i = 0; i < kName.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kName[i]) return -1;
  }
  std::string_view rest = line.substr(kName.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (!StartsWith(rest, "bytes ")) return -1;
  rest.remove_prefix(6);
  if (rest.empty() || rest.front() < '0' || rest.front() > '9') return -1;
  return LeadingDigits(rest);
}

// Header function of the download: notes where a partial reply starts. A new
// status line begins a new response (after a redirect), which forgets what an
// earlier one said.
std::size_t NoteRangeHeader(char* line, std::size_t size, std::size_t count, void* userdata) {
  auto* job = static_cast<DownloadJob*>(userdata);
  const std::string_view text(line, size * count);
  if (StartsWith(text, "HTTP/")) {
    job->rangeStart = -1;
  } else {
    const long start = RangeStartOf(text);
    if (start >= 0) job->rangeStart = start;
  }
  return size * count;
}

}  // namespace

DownloadJob::~DownloadJob() {
  if (file != nullptr) std::fclose(file);
}

std::unique_ptr<DownloadJob> MakeDownloadJob(std::string_view url, std::string_view path,
                                             std::int32_t offset) {
  if (url.size() + 1 > DownloadJob::kFieldBytes || path.size() + 1 > DownloadJob::kFieldBytes) return nullptr;
  auto job = std::make_unique<DownloadJob>();
  job->url = std::string(url);
  job->path = std::string(path);
  job->offset = offset;
  return job;
}

std::size_t AppendToFile(char* data, std::size_t size, std::size_t count, void* userdata) {
  auto* job = static_cast<DownloadJob*>(userdata);
  if (job->refused) return 0;
  if (job->file == nullptr) {
    // The first block of the final response decides what the body is.
    long status = 0;
    curl_easy_getinfo(static_cast<CURL*>(job->handle), CURLINFO_RESPONSE_CODE, &status);
    const char* mode = nullptr;
    if (status == 206 && job->rangeStart == job->offset) {
      mode = "ab+";  // the rest of the file, from where the local copy ends
    } else if (status == 200) {
      // The server ignored the range and sends the whole file: appending it
      // after the partial data would corrupt the installer, so start over.
      mode = "wb";
    }
    if (mode == nullptr) {
      // An error page, or a part that does not continue the local file, is
      // not installer data: leave the file as it is and stop.
      job->refused = true;
      return 0;
    }
    job->file = std::fopen(job->path.c_str(), mode);
    if (job->file == nullptr) return static_cast<std::size_t>(-1);
  }
  return std::fwrite(data, size, count, job->file);
}

void DownloadThread(std::unique_ptr<DownloadJob> job) {
  // A stack overflow here must still reach the crash handler.
  os::CrashStackForThread crashStack;
  CurlHandle curl;
  if (curl.handle == nullptr || job == nullptr) return;
  job->handle = curl.handle;
  const std::string range = std::to_string(job->offset) + "-";
  curl_easy_setopt(curl.handle, CURLOPT_URL, job->url.c_str());
  curl_easy_setopt(curl.handle, CURLOPT_WRITEFUNCTION, &AppendToFile);
  curl_easy_setopt(curl.handle, CURLOPT_WRITEDATA, job.get());
  curl_easy_setopt(curl.handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl.handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl.handle, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(curl.handle, CURLOPT_HEADERFUNCTION, &NoteRangeHeader);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERDATA, job.get());
  curl_easy_perform(curl.handle);
  job->handle = nullptr;
  // The job (and its file) is released here, when the transfer ends.
}

std::size_t ParseContentLength(char* line, std::size_t size, std::size_t count, void* userdata) {
  const std::size_t length = size * count;
  const std::string_view text(line, length);
  if (text.find("Content-Length: ") != std::string_view::npos && text.size() > 16) {
    // The number starts at the line's 17th character and is read from at
    // most 255 characters.
    *static_cast<std::int32_t*>(userdata) = LeadingDigits(text.substr(16, 255));
  }
  return length;
}

std::string InstallerPath(std::string_view downloadUrl, std::string_view installFolder,
                          std::string_view channel) {
  const std::size_t slash = downloadUrl.rfind('/');
  const std::string_view fileName =
      slash == std::string_view::npos ? downloadUrl : downloadUrl.substr(slash + 1);
  const std::string path = std::string(installFolder) + std::string(fileName);
  // The cut looks at the whole path, so a file name without "." loses the
  // tail of the folder when the folder has one.
  const std::size_t dot = path.rfind('.');
  const std::string kept = (dot == std::string::npos || dot == 0) ? std::string() : path.substr(0, dot);
  return kept + "_" + std::string(channel) + ".exe";
}

std::string ReadChannel(const std::string& folder) {
  std::FILE* file = std::fopen((folder + "channel.ini").c_str(), "r");
  if (file == nullptr) return {};
  std::string channel(kChannelBytes, '\0');
  const std::size_t n = std::fread(channel.data(), 1, kChannelBytes, file);
  std::fclose(file);
  channel.resize(n);
  // The text ends at a zero byte, as a C string would.
  const std::size_t zero = channel.find('\0');
  if (zero != std::string::npos) channel.resize(zero);
  return channel;
}

UpdateDownloader::UpdateDownloader(std::string downloadUrl) : downloadUrl_(std::move(downloadUrl)) {
  const std::u16string folder = DataDirectory() + u"install/";
  std::error_code ignored;
  std::filesystem::create_directories(os::Utf16ToUtf8(folder), ignored);
  // A folder that does not convert leaves the bare file name.
  std::string narrowFolder;
  if (WideToNarrow(folder, &narrowFolder, kNarrowPathBytes) != 0) narrowFolder.clear();
  std::string narrowModule;
  if (WideToNarrow(os::GetModuleFolder(), &narrowModule, kNarrowPathBytes) != 0) narrowModule.clear();
  localPath_ = InstallerPath(downloadUrl_, narrowFolder, ReadChannel(narrowModule));
}

std::int32_t UpdateDownloader::RemoteSize() const {
  std::int32_t result = 0;
  CurlHandle curl;
  if (curl.handle == nullptr) return -1;
  curl_easy_setopt(curl.handle, CURLOPT_URL, downloadUrl_.c_str());
  curl_easy_setopt(curl.handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERFUNCTION, &ParseContentLength);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERDATA, &result);
  curl_easy_setopt(curl.handle, CURLOPT_HEADER, 0L);
  if (curl_easy_perform(curl.handle) != CURLE_OK) result = -1;
  return result;
}

std::int32_t UpdateDownloader::LocalSize() const {
  std::FILE* file = std::fopen(localPath_.c_str(), "rb");
  if (file == nullptr) return 0;
  std::fseek(file, 0, SEEK_END);
  const long position = std::ftell(file);
  std::fclose(file);
  if (position < 0) return 0;
  return position > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(position);
}

bool UpdateDownloader::IsDownloaded() const {
  const std::int32_t remote = RemoteSize();
  const std::int32_t local = LocalSize();
  return remote == local;
}

int UpdateDownloader::StartDownload() const {
  std::unique_ptr<DownloadJob> job = MakeDownloadJob(downloadUrl_, localPath_, LocalSize());
  if (job == nullptr) return -1;
  std::thread(DownloadThread, std::move(job)).detach();
  return 0;
}

void UpdateDownloader::RunInstaller() const {
  os::OutputDebugString(u"start install of updated file");
  std::u16string wide;
  if (Utf8ToWide(localPath_, &wide, kWidePathChars) != 0) return;
  os::ShellExecute(nullptr, u"open", wide, u"", u"", os::SW_SHOW);
}
