// Blocking HTTP GET and form POST for the launcher's short exchanges with the
// portal, over libcurl's easy interface. Stateless: every request has its own
// easy handle. Both requests give up after 3 seconds (connection and whole
// transfer) and return libcurl's result code; HTTP status codes are not
// examined, so an error page is a successful transfer whose body is delivered.
//
// The header does not include libcurl's: on Windows that brings the system's
// headers, whose macros would rename the platform's declarations in every
// file that asks for HTTP. Callers that name result codes include
// <curl/curl.h> themselves.
#pragma once

#include <cstddef>
#include <string>

class HttpClient {
 public:
  // libcurl's write-callback signature.
  using WriteFunction = std::size_t (*)(char* data, std::size_t size, std::size_t count, void* userData);

  // GET url. The body goes to writeFunction with writeData as its last
  // argument; without a write function the body is discarded. verbose traces
  // the exchange to standard output through DebugTrace. Returns the libcurl
  // result code, or CURLE_FAILED_INIT (2) when no easy handle can be created.
  static int Get(const std::string& url, WriteFunction writeFunction, void* writeData, bool verbose);

  // POST body as is (application/x-www-form-urlencoded, Content-Length = its
  // length) to url; otherwise as Get.
  static int Post(const std::string& url, std::string body, WriteFunction writeFunction, void* writeData,
                  bool verbose);

  // Readies libcurl (maps it where it is loaded on demand, and initialises
  // it) on a worker, so that the first request does not wait for that. Only
  // the first call starts anything; without a thread to spare the first
  // request readies it as before. WaitReady blocks until the worker is done.
  static void ReadyAhead();
  static void WaitReady();

  // The most a reply collected by AppendToString may hold. The portal's
  // largest real reply is a few KiB; a longer one is hostile or broken and
  // ends as a failed transfer instead of filling memory.
  static constexpr std::size_t kMaxReplyBytes = 4u << 20;

  // Write function that appends the data to the std::string given as target.
  // Returns count, or (size_t)-1 (ending the transfer with CURLE_WRITE_ERROR)
  // when data or target is missing or the target would grow beyond
  // kMaxReplyBytes.
  static std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* target);

  // Debug function: one line "[TEXT]", "[HEADER_IN]", "[HEADER_OUT]",
  // "[DATA_IN]" or "[DATA_OUT]" followed by the data on standard output for
  // those five info types (libcurl's curl_infotype values); others are
  // ignored. Always 0.
  static int DebugTrace(void* handle, int type, char* data, std::size_t size, void* userData);
};
