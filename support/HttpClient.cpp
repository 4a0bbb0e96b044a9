#include "support/HttpClient.h"

#include <curl/curl.h>

#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <system_error>


namespace {

constexpr long kTimeLimitSeconds = 3;

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

// Takes a body nobody asked for. libcurl's own default would print it on the
// launcher's standard output.
std::size_t DiscardBody(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// The options both requests share after their URL (and POST) options.
int Perform(CURL* handle, HttpClient::WriteFunction writeFunction, void* writeData) {
  if (writeFunction != nullptr) {
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeFunction);
    // Always set together with the function: libcurl's default write data is
    // its standard-output FILE*, which a write function such as
    // AppendToString would take for its target.
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, writeData);
  } else {
    // Write data without a function would be handed to fwrite as a FILE*;
    // only the pair makes sense, so it is ignored on its own.
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
  }
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kTimeLimitSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kTimeLimitSeconds);
  return static_cast<int>(curl_easy_perform(handle));
}

// libcurl's debug-callback signature over the trace.
int TraceExchange(CURL* handle, curl_infotype type, char* data, std::size_t size, void* userData) {
  return HttpClient::DebugTrace(handle, static_cast<int>(type), data, size, userData);
}

void SetVerbose(CURL* handle, bool verbose) {
  if (!verbose) return;
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &TraceExchange);
}

// The worker of ReadyAhead; joined at the latest when the process ends.
struct Ahead {
  std::mutex lock;
  std::future<void> ready;
};

Ahead& AheadState() {
  static Ahead state;
  return state;
}

}  // namespace

void HttpClient::ReadyAhead() {
  Ahead& state = AheadState();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.ready.valid()) return;
  try {
    // At the thread's usual priority: the load holds the dynamic loader's
    // lock, which the UI thread's own start waits for, and a lowered worker
    // kept it longer while the other workers had the processors.
    state.ready = std::async(std::launch::async, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  } catch (const std::system_error&) {
  }
}

void HttpClient::WaitReady() {
  Ahead& state = AheadState();
  const std::lock_guard<std::mutex> guard(state.lock);
  if (state.ready.valid()) state.ready.wait();
}

int HttpClient::Get(const std::string& url, WriteFunction writeFunction, void* writeData, bool verbose) {
  // libcurl's global set-up is made once, not by two threads at a time.
  WaitReady();
  const EasyHandle handle(curl_easy_init());
  if (!handle) return CURLE_FAILED_INIT;
  SetVerbose(handle.get(), verbose);
  curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
  return Perform(handle.get(), writeFunction, writeData);
}

int HttpClient::Post(const std::string& url, std::string body, WriteFunction writeFunction, void* writeData,
                     bool verbose) {
  WaitReady();
  const EasyHandle handle(curl_easy_init());
  if (!handle) return CURLE_FAILED_INIT;
  SetVerbose(handle.get(), verbose);
  curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle.get(), CURLOPT_POST, 1L);
  // libcurl does not copy the fields; body lives until the transfer is done.
  curl_easy_setopt(handle.get(), CURLOPT_POSTFIELDS, body.c_str());
  return Perform(handle.get(), writeFunction, writeData);
}

std::size_t HttpClient::AppendToString(char* data, std::size_t size, std::size_t count, void* target) {
  if (data == nullptr || target == nullptr) return static_cast<std::size_t>(-1);
  auto* text = static_cast<std::string*>(target);
  const std::size_t bytes = size * count;
  if (bytes > kMaxReplyBytes || text->size() > kMaxReplyBytes - bytes) return static_cast<std::size_t>(-1);
  text->append(data, bytes);
  return count;
}

int HttpClient::DebugTrace(void*, int type, char* data, std::size_t size, void*) {
  const char* prefix = nullptr;
  switch (type) {
    case CURLINFO_TEXT:
      prefix = "[TEXT]";
      break;
    case CURLINFO_HEADER_IN:
      prefix = "[HEADER_IN]";
      break;
    case CURLINFO_HEADER_OUT:
      prefix = "[HEADER_OUT]";
      break;
    case CURLINFO_DATA_IN:
      prefix = "[DATA_IN]";
      break;
    case CURLINFO_DATA_OUT:
      prefix = "[DATA_OUT]";
      break;
    default:
      return 0;
  }
  std::fputs(prefix, stdout);
  if (data != nullptr && size > 0) std::fwrite(data, 1, size, stdout);
  std::fputc('\n', stdout);
  return 0;
}
