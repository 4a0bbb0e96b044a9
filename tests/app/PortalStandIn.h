// A small portal for the start-up and download tests: the version document
// on "/client/latest_version.html" and an installer file on "/dl/<name>", on
// an ephemeral loopback port, with switches for the ways servers misbehave.
// Every request is recorded.
#pragma once

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

struct RecordedRequest {
  std::string method;
  std::string path;
  std::string range;    // the Range header, empty when none
  std::string ifRange;  // the If-Range header, empty when none
};

class PortalStandIn {
 public:
  enum class RangeMode {
    kHonour,      // 206 with the asked-for rest, 416 past the end
    kIgnore,      // always 200 with the whole file
    kWrongStart,  // 206, but always from byte 0
    kOversend,    // 206 with the right Content-Range, then bytes past its end
  };

  PortalStandIn();
  ~PortalStandIn();
  PortalStandIn(const PortalStandIn&) = delete;
  PortalStandIn& operator=(const PortalStandIn&) = delete;

  std::string host() const;  // "127.0.0.1:<port>"
  std::string Url(const std::string& path) const { return "http://" + host() + path; }

  void SetVersionDocument(std::string body);
  void SetInstaller(std::string bytes);
  void SetRangeMode(RangeMode mode);
  // Without a length the installer is sent chunked, HEAD included.
  void SetAnnounceLength(bool announce);
  // A status other than 200 answers installer requests with an error page.
  void SetInstallerStatus(int status);
  // The installer's ETag (a quoted text). A Range with an If-Range naming
  // another is ignored: the whole file comes back. Empty: no ETag, and
  // If-Range is not looked at.
  void SetInstallerTag(std::string tag);

  // The installer's body stops after this many bytes and the connection
  // stays open, sending nothing more, until the stand-in goes (0: never).
  void StallInstallerAfter(std::size_t bytes);

  std::vector<RecordedRequest> Requests() const;
  std::vector<RecordedRequest> RequestsFor(const std::string& path) const;

 private:
  void Serve(const httplib::Request& request, httplib::Response& response);

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string versionDocument_;
  std::string installer_;
  RangeMode rangeMode_ = RangeMode::kHonour;
  bool announceLength_ = true;
  std::string installerTag_ = "\"build-1\"";
  int installerStatus_ = 200;
  std::size_t stallAfter_ = 0;
  std::atomic<bool> closing_{false};
  std::vector<RecordedRequest> requests_;
};

// Installer-like bytes that differ at every offset, so a misplaced piece shows.
std::string PatternBytes(std::size_t size, unsigned seed = 1);

}  // namespace apptest
