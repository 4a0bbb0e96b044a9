#include "app/UpdateDownloader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/base/Unicode.h"
#include "platform/system/CrashHandler.h"
#include "platform/system/Kernel.h"
#include "platform/system/PrivateFile.h"
#include "platform/system/UserFolders.h"
#include "support/Encoding.h"
#include "support/InstallRecord.h"

// Last: on Windows libcurl brings the system's headers, whose macros rename
// names of ours (ShellExecute, OutputDebugString, TRUE...) in what follows
// them; this file uses none of those (see UpdateInstaller.cpp).
#include <curl/curl.h>

namespace {

constexpr std::size_t kChannelBytes = 255;
// The size probe runs before any window exists: it gets the limits of the
// other short requests, and a probe that runs out counts as a failed one.
constexpr long kProbeSeconds = 3;
// A background transfer without a byte for this long ends; the next start
// resumes it.
constexpr long kStallSeconds = 60;
// Capacity of the conversions the paths go through.
constexpr int kNarrowPathBytes = 256;

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

// Content-Range of a reply: "bytes <first>-<last>/<size>" (206) or
// "bytes */<size>" (416). Unknown parts stay -1; false when the line is not a
// Content-Range at all.
bool ReadContentRange(std::string_view line, DownloadJob::Range& range) {
  constexpr std::string_view kName = "content-range:";
  if (line.size() < kName.size()) return false;
  for (std::size_t i = 0; i < kName.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kName[i]) return false;
  }
  std::string_view rest = line.substr(kName.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (!StartsWith(rest, "bytes ")) return false;
  rest.remove_prefix(6);
  range = DownloadJob::Range{};
  const auto number = [&rest]() -> long {
    if (rest.empty() || rest.front() < '0' || rest.front() > '9') return -1;
    const long value = LeadingDigits(rest);
    while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') rest.remove_prefix(1);
    return value;
  };
  range.first = number();
  if (range.first >= 0 && StartsWith(rest, "-")) {
    rest.remove_prefix(1);
    range.last = number();
  } else if (StartsWith(rest, "*")) {
    rest.remove_prefix(1);
  }
  if (StartsWith(rest, "/")) {
    rest.remove_prefix(1);
    range.total = number();
  }
  return true;
}

// The value of a header line named name (lower case, with its colon), blanks
// and the line end trimmed; none for other lines.
std::optional<std::string> HeaderValue(std::string_view line, std::string_view name) {
  if (line.size() < name.size()) return std::nullopt;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != name[i]) return std::nullopt;
  }
  std::string_view value = line.substr(name.size());
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
    value.remove_suffix(1);
  // A validator is sent back in a header line: nothing that could end one, or
  // cut it short as a C string.
  if (value.empty() || value.size() > 256 ||
      value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return std::nullopt;
  return std::string(value);
}

// How many bytes of the reply may still be written: up to the end of the
// range a 206 reply names, or the length a 200 reply announces; a server that
// sends more is not believed. -1 when nothing bounds the reply.
long long WritableRest(const DownloadJob& job, long status) {
  long long limit = -1;
  if (status == 206 && job.range.last >= job.range.first) limit = job.range.last - job.range.first + 1;
  if (status == 206 && job.range.total >= 0) {
    const long long toTotal = job.range.total - job.range.first;
    limit = limit < 0 ? toTotal : std::min(limit, toTotal);
  }
  if (status == 200) {
    curl_off_t length = -1;
    curl_easy_getinfo(static_cast<CURL*>(job.handle), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length >= 0) limit = length;
  }
  return limit < 0 ? -1 : std::max(0LL, limit - job.written);
}

void ReportUnwritableOnce(const std::string& path) {
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  os::DebugOutput(os::DebugCategory::Update,
                  "app.update: cannot write the installer file " + path + ": " + std::strerror(errno));
}

// What identifies the build of the file a reply carries.
std::string ReplyValidator(const DownloadJob& job) {
  return !job.validator.empty() ? job.validator : job.lastModified;
}

std::string ReadValidator(const std::string& path) {
  std::FILE* file = os::OpenFileToRead(ValidatorPath(path));
  if (file == nullptr) return {};
  std::string line;
  for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file))
    line.push_back(static_cast<char>(c));
  std::fclose(file);
  return line;
}

void StoreValidator(const std::string& path, const std::string& validator) {
  const std::string file = ValidatorPath(path);
  if (validator.empty()) {
    std::remove(file.c_str());
    return;
  }
  if (!os::WritePrivateFile(file, validator + "\n")) std::remove(file.c_str());
}

struct HeaderList {
  curl_slist* list = nullptr;
  ~HeaderList() { curl_slist_free_all(list); }
};

// The background downloads, counted from their start until their thread
// ends, and the request to stop them.
struct Downloads {
  std::mutex lock;
  std::condition_variable ended;
  int running = 0;
  std::atomic<bool> stop{false};
};

Downloads& Running() {
  // Never destroyed: a download thread may still end after static objects.
  static auto* downloads = new Downloads();
  return *downloads;
}

// libcurl's progress function (called about once a second, and while it
// connects or waits): a non-zero answer aborts the transfer.
int AbortWhenStopping(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return Running().stop.load() ? 1 : 0;
}

// One transfer of the job from its offset; the HTTP status of the last reply.
long PerformDownload(CURL* handle, DownloadJob& job) {
  job.range = DownloadJob::Range{};
  job.refused = false;
  job.changed = false;
  job.written = 0;
  const std::string range = std::to_string(job.offset) + "-";
  curl_easy_setopt(handle, CURLOPT_RANGE, range.c_str());
  // A resume names the build it continues; a server whose file changed
  // answers with the whole new file instead of a part of it.
  HeaderList headers;
  if (job.offset > 0 && !job.resumeFrom.empty()) {
    headers.list = curl_slist_append(nullptr, ("If-Range: " + job.resumeFrom).c_str());
  }
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
  curl_easy_perform(handle);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (job.file != nullptr) {
    std::fclose(job.file);
    job.file = nullptr;
  }
  return status;
}

}  // namespace

std::size_t NoteRangeHeader(char* line, std::size_t size, std::size_t count, void* userdata) {
  auto* job = static_cast<DownloadJob*>(userdata);
  const std::string_view text(line, size * count);
  if (StartsWith(text, "HTTP/")) {
    job->range = DownloadJob::Range{};
    job->validator.clear();
    job->lastModified.clear();
  } else {
    DownloadJob::Range range;
    if (ReadContentRange(text, range)) job->range = range;
    if (auto etag = HeaderValue(text, "etag:")) job->validator = *etag;
    if (auto modified = HeaderValue(text, "last-modified:")) job->lastModified = *modified;
  }
  return size * count;
}

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
  long status = 0;
  curl_easy_getinfo(static_cast<CURL*>(job->handle), CURLINFO_RESPONSE_CODE, &status);
  if (job->file == nullptr) {
    // The first block of the final response decides what the body is.
    const char* mode = nullptr;
    if (status == 206 && job->range.first == job->offset) {
      // The rest of the file, from where the local copy ends, unless it is a
      // part of another build than the local one.
      if (job->offset > 0 && ReplyValidator(*job) != job->resumeFrom) {
        job->changed = true;
        job->refused = true;
        return 0;
      }
      mode = job->offset == 0 ? "wb" : "ab+";
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
    job->file = os::OpenPrivateFile(job->path, mode[0] == 'a');
    if (job->file == nullptr) {
      ReportUnwritableOnce(job->path);
      return static_cast<std::size_t>(-1);
    }
    StoreValidator(job->path, ReplyValidator(*job));
  }
  const std::size_t bytes = size * count;
  const long long rest = WritableRest(*job, status);
  const std::size_t taken = rest < 0 ? bytes : static_cast<std::size_t>(std::min<long long>(rest, bytes));
  const std::size_t written = std::fwrite(data, 1, taken, job->file);
  job->written += static_cast<long long>(written);
  // Bytes past the announced end end the transfer: the file stays as long
  // as the server said it is.
  return written == bytes ? count : 0;
}

void DownloadThread(std::unique_ptr<DownloadJob> job) {
  // A stack overflow here must still reach the crash handler.
  os::CrashStackForThread crashStack;
  CurlHandle curl;
  if (curl.handle == nullptr || job == nullptr) return;
  job->handle = curl.handle;
  curl_easy_setopt(curl.handle, CURLOPT_URL, job->url.c_str());
  curl_easy_setopt(curl.handle, CURLOPT_WRITEFUNCTION, &AppendToFile);
  curl_easy_setopt(curl.handle, CURLOPT_WRITEDATA, job.get());
  curl_easy_setopt(curl.handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl.handle, CURLOPT_FOLLOWLOCATION, 1L);
  // The progress function only watches for the end of the process (and
  // prints no meter on the launcher's standard error).
  curl_easy_setopt(curl.handle, CURLOPT_XFERINFOFUNCTION, &AbortWhenStopping);
  curl_easy_setopt(curl.handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl.handle, CURLOPT_NOSIGNAL, 1L);
  // A transfer that stalls ends, so that the next start resumes it.
  curl_easy_setopt(curl.handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERFUNCTION, &NoteRangeHeader);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERDATA, job.get());
  // A partial file whose build is unknown cannot be continued safely.
  if (job->offset > 0) {
    job->resumeFrom = ReadValidator(job->path);
    if (job->resumeFrom.empty()) job->offset = 0;
  }
  const long status = PerformDownload(curl.handle, *job);
  // A local file the server's file does not continue (longer than it, a
  // range it cannot satisfy, another build) would be asked for again at every
  // start: it is started anew, once. A 416 naming the local size as the total
  // means the file is already whole.
  // Not when the process is ending: the next start tries again.
  const bool startAnew =
      job->changed || (status == 416 && job->offset > 0 && job->range.total != job->offset);
  if (startAnew && !Running().stop.load()) {
    os::DebugOutput(
        os::DebugCategory::Update,
        std::string_view("app.update: the partial installer does not fit the server's; starting anew"));
    job->offset = 0;
    PerformDownload(curl.handle, *job);
  }
  job->handle = nullptr;
  // The job is released here, when the transfer ends.
}

std::string ValidatorPath(const std::string& path) { return path + ".validator"; }

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
  std::FILE* file = os::OpenFileToRead(folder + "channel.ini");
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
  os::CreatePrivateFolders(os::Utf16ToUtf8(folder));
  // A folder that does not convert leaves the bare file name.
  std::string narrowFolder;
  if (WideToNarrow(folder, &narrowFolder, kNarrowPathBytes) != 0) narrowFolder.clear();
  std::string narrowModule;
  if (WideToNarrow(os::GetModuleFolder(), &narrowModule, kNarrowPathBytes) != 0) narrowModule.clear();
  localPath_ = InstallerPath(downloadUrl_, narrowFolder, ReadChannel(narrowModule));
}

std::int32_t AnnouncedSize(const std::string& downloadUrl) {
  std::int32_t result = 0;
  CurlHandle curl;
  if (curl.handle == nullptr) return -1;
  curl_easy_setopt(curl.handle, CURLOPT_URL, downloadUrl.c_str());
  curl_easy_setopt(curl.handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERFUNCTION, &ParseContentLength);
  curl_easy_setopt(curl.handle, CURLOPT_HEADERDATA, &result);
  curl_easy_setopt(curl.handle, CURLOPT_HEADER, 0L);
  curl_easy_setopt(curl.handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.handle, CURLOPT_CONNECTTIMEOUT, kProbeSeconds);
  curl_easy_setopt(curl.handle, CURLOPT_TIMEOUT, kProbeSeconds);
  if (curl_easy_perform(curl.handle) != CURLE_OK) result = -1;
  return result;
}

std::int32_t UpdateDownloader::RemoteSize() const { return AnnouncedSize(downloadUrl_); }

std::int32_t UpdateDownloader::LocalSize() const {
  std::FILE* file = os::OpenFileToRead(localPath_);
  if (file == nullptr) return 0;
  std::fseek(file, 0, SEEK_END);
  const long position = std::ftell(file);
  std::fclose(file);
  if (position < 0) return 0;
  return position > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(position);
}

bool UpdateDownloader::IsDownloaded() const { return IsDownloaded(RemoteSize()); }

bool UpdateDownloader::IsDownloaded(std::int32_t remoteSize) const { return remoteSize == LocalSize(); }

int UpdateDownloader::StartDownload() const {
  std::unique_ptr<DownloadJob> job = MakeDownloadJob(downloadUrl_, localPath_, LocalSize());
  if (job == nullptr) return -1;
  Downloads& downloads = Running();
  auto ended = [&downloads] {
    {
      const std::lock_guard<std::mutex> guard(downloads.lock);
      --downloads.running;
    }
    downloads.ended.notify_all();
  };
  {
    const std::lock_guard<std::mutex> guard(downloads.lock);
    ++downloads.running;
  }
  try {
    std::thread([job = std::move(job), ended]() mutable {
      DownloadThread(std::move(job));
      ended();
    }).detach();
  } catch (const std::system_error&) {
    ended();
    return -1;
  }
  return 0;
}

bool StopDownloads(std::chrono::milliseconds limit) {
  Downloads& downloads = Running();
  std::unique_lock<std::mutex> guard(downloads.lock);
  downloads.stop = true;
  const bool none = downloads.ended.wait_for(guard, limit, [&] { return downloads.running == 0; });
  // Left set when a download outlived the wait: the process ends anyway.
  if (none) downloads.stop = false;
  return none;
}
