// The launcher's self-update: where the downloaded installer lives, whether
// it is complete, fetching or resuming it on a background thread, and
// starting it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The record handed to the download thread, which owns it and releases it
// when the transfer ends.
struct DownloadJob {
  // Both texts must fit a 512-byte field with its terminator; a job whose
  // texts do not fit is never made (see MakeDownloadJob).
  static constexpr std::size_t kFieldBytes = 512;

  std::string url;
  std::string path;
  std::FILE* file = nullptr;  // opened on the first block of the final response
  std::int32_t offset = 0;    // size of the local file when the job was made; the resume point

  // What a reply's Content-Range says; -1 for what it does not say.
  struct Range {
    long first = -1;
    long last = -1;
    long total = -1;
  };

  // Filled while the transfer runs: what the final response is, so that its
  // body is written only when it is the file (or the asked-for rest of it),
  // and never past the end the reply announces.
  void* handle = nullptr;    // the transfer's libcurl handle
  Range range;               // the final response's Content-Range
  std::string validator;     // the final response's ETag
  std::string lastModified;  // and its Last-Modified
  std::string resumeFrom;    // the validator kept beside the partial file, sent as If-Range
  bool changed = false;      // a part of another build of the file than the local one
  long long written = 0;     // body bytes of the final response written
  bool refused = false;      // the reply is not the file: nothing is written

  ~DownloadJob();
};

// Makes a job for url and path resuming at offset, or nothing when either
// text would not fit its 512-byte field (a cut URL or path would fetch or
// write the wrong file).
std::unique_ptr<DownloadJob> MakeDownloadJob(std::string_view url, std::string_view path,
                                             std::int32_t offset);

// The body of the download thread: fetches the job's URL with an open byte
// range from its offset into its file, then releases everything. Blocking.
// A local file longer than the server's (a 416 whose total is not the local
// size) is fetched anew from byte 0, once. The server's validator (ETag, else
// Last-Modified) is kept beside the file (ValidatorPath) and a resume asks
// with If-Range; a partial file without one, or a part whose validator
// differs, starts the file anew, so two builds are never mixed.
void DownloadThread(std::unique_ptr<DownloadJob> job);

// Ends the background downloads (UpdateDownloader::StartDownload) when the
// process is about to end: each stops its transfer within about a second and
// keeps its partial file, for the next start to resume, as a killed process
// leaves it. Waits for them up to `limit`; true when none is left. A download
// still running as the process ends would be inside libcurl and its TLS
// library while they release their data at exit. Downloads started after
// the call run as usual.
bool StopDownloads(std::chrono::milliseconds limit);

// Where the validator of the partial file at path is kept.
std::string ValidatorPath(const std::string& path);

// libcurl write function of the download; userdata is the DownloadJob.
std::size_t AppendToFile(char* data, std::size_t size, std::size_t count, void* userdata);

// libcurl header function of the download; userdata is the DownloadJob.
// Notes what range a reply carries (Content-Range) and its validators (ETag,
// Last-Modified: at most 256 characters, never a line break or a zero byte,
// else not kept); a new status line begins a new response (after a
// redirect), which forgets what an earlier one said. Returns the line's
// length.
std::size_t NoteRangeHeader(char* line, std::size_t size, std::size_t count, void* userdata);

// libcurl header function of the size probe: a line containing
// "Content-Length: " stores the number read from the line's 17th character on
// in the std::int32_t that userdata points at. Returns the line's length.
std::size_t ParseContentLength(char* line, std::size_t size, std::size_t count, void* userdata);

// The installer file's local path for a download URL, the install folder
// (narrow, ending in the separator; empty leaves the bare file name) and the
// channel text: file name after the URL's last "/", the whole path cut at its
// last "." (nothing kept when there is none past the first character), then
// "_" + channel + ".exe".
std::string InstallerPath(std::string_view downloadUrl, std::string_view installFolder,
                          std::string_view channel);

// The channel text: the raw bytes of "channel.ini" in the given folder, at
// most 255, up to a zero byte; empty when the file is missing.
std::string ReadChannel(const std::string& folder);

// The size the server announces for `downloadUrl` (a HEAD, redirects
// followed): -1 when the request fails, 0 when no length is announced.
// UpdateDownloader::RemoteSize for that address; any thread.
std::int32_t AnnouncedSize(const std::string& downloadUrl);

class UpdateDownloader {
 public:
  // Builds the local path: the data folder's "install" subfolder (created
  // when missing), the channel of the executable's folder.
  explicit UpdateDownloader(std::string downloadUrl);

  // Size the server announces for the download URL (HEAD, redirects
  // followed); -1 when the request fails, 0 when no length is announced.
  std::int32_t RemoteSize() const;
  // Size of the local file; 0 when it cannot be opened.
  std::int32_t LocalSize() const;
  // RemoteSize equals LocalSize.
  bool IsDownloaded() const;
  // The same, with the size the server announced asked already (by
  // AnnouncedSize on the version check's worker): only the local file is
  // looked at now.
  bool IsDownloaded(std::int32_t remoteSize) const;
  // Starts the background download and returns at once: 0, or -1 when the
  // URL or path does not fit a job (nothing is started).
  int StartDownload() const;
  // Launches the local installer file (verb "open", no parameters).
  void RunInstaller() const;

  const std::string& downloadUrl() const { return downloadUrl_; }
  const std::string& localPath() const { return localPath_; }

 private:
  std::string downloadUrl_;
  std::string localPath_;
};
