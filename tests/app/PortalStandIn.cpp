#include "app/PortalStandIn.h"

#include <chrono>

namespace apptest {

std::string PatternBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return bytes;
}

PortalStandIn::PortalStandIn() {
  auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Serve(request, response);
  };
  server_.Get(".*", handler);
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // A stop before the accept loop runs would be lost and the join would hang.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PortalStandIn::~PortalStandIn() {
  closing_ = true;
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

std::string PortalStandIn::host() const { return "127.0.0.1:" + std::to_string(port_); }

void PortalStandIn::SetVersionDocument(std::string body) {
  std::lock_guard lock(mutex_);
  versionDocument_ = std::move(body);
}
void PortalStandIn::SetInstaller(std::string bytes) {
  std::lock_guard lock(mutex_);
  installer_ = std::move(bytes);
}
void PortalStandIn::SetRangeMode(RangeMode mode) {
  std::lock_guard lock(mutex_);
  rangeMode_ = mode;
}
void PortalStandIn::SetAnnounceLength(bool announce) {
  std::lock_guard lock(mutex_);
  announceLength_ = announce;
}
void PortalStandIn::SetInstallerTag(std::string tag) {
  std::lock_guard lock(mutex_);
  installerTag_ = std::move(tag);
}
void PortalStandIn::StallInstallerAfter(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  stallAfter_ = bytes;
}
void PortalStandIn::SetInstallerStatus(int status) {
  std::lock_guard lock(mutex_);
  installerStatus_ = status;
}

std::vector<RecordedRequest> PortalStandIn::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<RecordedRequest> PortalStandIn::RequestsFor(const std::string& path) const {
  std::vector<RecordedRequest> matching;
  for (const auto& r : Requests()) {
    if (r.path == path) matching.push_back(r);
  }
  return matching;
}

void PortalStandIn::Serve(const httplib::Request& request, httplib::Response& response) {
  std::lock_guard lock(mutex_);
  requests_.push_back({request.method, request.path, request.get_header_value("Range"),
                       request.get_header_value("If-Range")});
  // The server library would answer ranges by itself; this stand-in decides.
  const_cast<httplib::Request&>(request).ranges.clear();

  if (request.path == "/client/latest_version.html") {
    response.set_content(versionDocument_, "text/html");
    return;
  }
  if (request.path == "/redirect/setup.exe") {
    response.set_redirect("/dl/setup.exe");
    response.set_content("moved", "text/plain");
    return;
  }
  if (request.path.rfind("/dl/", 0) != 0) {
    response.status = 404;
    response.set_content("<html>no such page</html>", "text/html");
    return;
  }
  if (installerStatus_ != 200) {
    response.status = installerStatus_;
    response.set_content("<html><body>error " + std::to_string(installerStatus_) + "</body></html>",
                         "text/html");
    return;
  }

  std::size_t first = 0;
  const std::string range = request.get_header_value("Range");
  const std::string ifRange = request.get_header_value("If-Range");
  if (!installerTag_.empty()) response.set_header("ETag", installerTag_);
  // Without a tag of its own the stand-in is a server that knows nothing of
  // validators and ignores If-Range.
  const bool sameBuild = installerTag_.empty() || ifRange.empty() || ifRange == installerTag_;
  const bool ranged = range.rfind("bytes=", 0) == 0 && rangeMode_ != RangeMode::kIgnore && sameBuild;
  if (ranged) {
    first = rangeMode_ == RangeMode::kWrongStart ? 0 : std::stoul(range.substr(6));
    if (first >= installer_.size()) {
      response.status = 416;
      response.set_header("Content-Range", "bytes */" + std::to_string(installer_.size()));
      return;
    }
    response.status = 206;
    response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                             std::to_string(installer_.size() - 1) + "/" +
                                             std::to_string(installer_.size()));
  }
  std::string body = installer_.substr(first);
  if (ranged && rangeMode_ == RangeMode::kOversend) body += std::string(100000, 'X');
  if (stallAfter_ > 0 && stallAfter_ < body.size()) {
    auto shared = std::make_shared<std::string>(std::move(body));
    response.set_content_provider(
        shared->size(), "application/octet-stream",
        [shared, stall = stallAfter_, this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset < stall) return sink.write(shared->data() + offset, stall - offset);
          while (!closing_ && sink.is_writable()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
          return false;
        });
    return;
  }
  if (announceLength_) {
    response.set_content(body, "application/octet-stream");
    return;
  }
  auto shared = std::make_shared<std::string>(std::move(body));
  response.set_chunked_content_provider("application/octet-stream",
                                        [shared](std::size_t offset, httplib::DataSink& sink) {
                                          if (offset < shared->size()) {
                                            sink.write(shared->data() + offset, shared->size() - offset);
                                          }
                                          sink.done();
                                          return true;
                                        });
}

}  // namespace apptest
