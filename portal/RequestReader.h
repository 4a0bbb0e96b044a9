// Reads one HTTP/1.1 request from the bytes a connection delivers, in pieces
// as they arrive, and decides as early as it can whether to refuse it. Nothing
// grows without a bound: the head (request line and header lines) is limited
// in bytes and in lines, the first line on its own, and the body, whether its
// length is announced or it comes in chunks. A chunked body is decoded here,
// so the request handed on always carries a plain body with its
// Content-Length; an "Expect: 100-continue" is answered by the caller and
// removed. Framing that two readers could understand differently (both a
// length and chunks, two different lengths, folded header lines) is refused
// rather than guessed at.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

struct RequestLimits {
  std::size_t maxHeadBytes = 16 * 1024;  // request line, header lines and the blank line
  std::size_t maxHeaderLines = 64;       // header lines after the request line
  std::size_t maxRequestLine = 8 * 1024;
  std::size_t maxBodyBytes = 64 * 1024;  // announced or the sum of all chunks
};

class RequestReader {
 public:
  explicit RequestReader(RequestLimits limits) : limits_(limits) {}

  // Starts over for the next request on the connection; `pending` are bytes
  // that arrived after the previous request.
  void Reset(std::string pending);
  // Takes the next bytes received and reads as far as they allow.
  void Feed(std::string_view bytes);

  // Some byte of this request has arrived (blank lines before a request do
  // not count, as HTTP asks).
  bool started() const { return !buffer_.empty(); }
  bool complete() const { return state_ == State::kComplete; }
  // The status to refuse the request with, 0 while it is acceptable:
  // 400 malformed, 413 body too large, 414 first line too long, 417 unknown
  // expectation, 431 head too large or too many lines, 501 a transfer coding
  // other than chunked.
  int refusal() const { return refusal_; }
  // The client waits for "100 Continue" before it sends the body; true once,
  // the caller answers.
  bool TakeContinue();

  // Once complete: the request as the handlers get it, head and whole body.
  std::string TakeRequest();
  // Once complete: the bytes received after this request.
  std::string TakeRest();

 private:
  enum class State { kHead, kBody, kChunkSize, kChunkData, kChunkEnd, kTrailers, kComplete, kRefused };

  void Advance();
  void ReadHead();
  void ReadFixedBody();
  void ReadChunkSize();
  void ReadChunkData();
  void ReadChunkEnd();
  void ReadTrailers();
  bool ParseHead(std::string_view head);
  void Refuse(int status);
  // The end of the line starting at pos_ (the index of its LF), or npos when
  // it has not fully arrived; refuses with `status` once more than `limit`
  // bytes have come without one.
  std::size_t LineEnd(std::size_t limit, int status);

  RequestLimits limits_;
  State state_ = State::kHead;
  int refusal_ = 0;
  std::string buffer_;
  std::size_t pos_ = 0;      // where reading continues in buffer_
  std::size_t scanned_ = 0;  // head bytes already searched for line ends
  std::size_t lines_ = 0;    // line ends seen in the head so far
  std::size_t headEnd_ = 0;

  std::string requestLine_;
  std::vector<std::string> headerLines_;  // as received, without CRLF
  bool chunked_ = false;
  bool rewrite_ = false;  // the head handed on differs from the one received
  bool continueWanted_ = false;
  std::size_t contentLength_ = 0;
  std::size_t chunkLeft_ = 0;
  std::size_t trailerBytes_ = 0;
  std::size_t trailerLines_ = 0;
  std::string body_;
  std::size_t end_ = 0;  // one past the request's last byte in buffer_
};

}  // namespace portal
