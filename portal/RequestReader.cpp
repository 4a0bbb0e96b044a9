#include "portal/RequestReader.h"

#include <algorithm>

namespace portal {

namespace {

// A chunk-size line is a few hex digits; extensions are allowed but not long ones.
constexpr std::size_t kChunkLineLimit = 256;
constexpr std::string_view kHeadEnd = "\r\n\r\n";

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
  });
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= 0x20 || u >= 0x7F || c == ':' || c == '"' || c == '(' || c == ')' || c == ',' || c == '/' ||
           c == ';' || c == '<' || c == '=' || c == '>' || c == '?' || c == '@' || c == '[' || c == '\\' ||
           c == ']' || c == '{' || c == '}';
  });
}

// Decimal digits only, at most 18 of them so the value fits.
bool ParseLength(std::string_view text, std::size_t* out) {
  if (text.empty() || text.size() > 18) return false;
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  *out = value;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void RequestReader::Reset(std::string pending) {
  *this = RequestReader(limits_);
  buffer_ = std::move(pending);
  Advance();
}

void RequestReader::Feed(std::string_view bytes) {
  if (state_ == State::kRefused) return;
  buffer_.append(bytes);
  Advance();
}

bool RequestReader::TakeContinue() {
  bool wanted = continueWanted_;
  continueWanted_ = false;
  return wanted;
}

std::string RequestReader::TakeRequest() {
  std::string request;
  if (rewrite_) {
    request = requestLine_ + "\r\n";
    for (const std::string& line : headerLines_) request += line + "\r\n";
    if (chunked_) request += "Content-Length: " + std::to_string(body_.size()) + "\r\n";
    request += "\r\n";
  } else {
    request = buffer_.substr(0, headEnd_);
  }
  request += body_;
  return request;
}

std::string RequestReader::TakeRest() { return end_ < buffer_.size() ? buffer_.substr(end_) : std::string(); }

void RequestReader::Refuse(int status) {
  state_ = State::kRefused;
  refusal_ = status;
  continueWanted_ = false;
}

void RequestReader::Advance() {
  if (state_ == State::kHead && scanned_ == 0) {
    // Blank lines before a request line are allowed and ignored.
    std::size_t first = buffer_.find_first_not_of("\r\n");
    buffer_.erase(0, first == std::string::npos ? buffer_.size() : first);
  }
  for (;;) {
    State before = state_;
    std::size_t at = pos_;
    switch (state_) {
      case State::kHead:
        ReadHead();
        break;
      case State::kBody:
        ReadFixedBody();
        break;
      case State::kChunkSize:
        ReadChunkSize();
        break;
      case State::kChunkData:
        ReadChunkData();
        break;
      case State::kChunkEnd:
        ReadChunkEnd();
        break;
      case State::kTrailers:
        ReadTrailers();
        break;
      case State::kComplete:
      case State::kRefused:
        return;
    }
    if (state_ == before && pos_ == at) break;
  }
  // Chunk framing already decoded is dropped, so a body of many tiny chunks
  // with long extensions keeps no more than the decoded body.
  if (chunked_ && state_ != State::kComplete && pos_ > headEnd_) {
    buffer_.erase(headEnd_, pos_ - headEnd_);
    pos_ = headEnd_;
  }
}

void RequestReader::ReadHead() {
  for (; scanned_ < buffer_.size(); ++scanned_) {
    if (buffer_[scanned_] != '\n') continue;
    if (scanned_ >= 3 && buffer_.compare(scanned_ - 3, kHeadEnd.size(), kHeadEnd) == 0) {
      headEnd_ = scanned_ + 1;
      break;
    }
    ++lines_;
    if (lines_ == 1 && scanned_ > limits_.maxRequestLine + 1) return Refuse(414);
    if (lines_ > limits_.maxHeaderLines + 1) return Refuse(431);
  }
  if (headEnd_ == 0) {
    if (lines_ == 0 && buffer_.size() > limits_.maxRequestLine + 2) return Refuse(414);
    if (buffer_.size() > limits_.maxHeadBytes) return Refuse(431);
    return;
  }
  if (headEnd_ > limits_.maxHeadBytes) return Refuse(431);
  if (!ParseHead(std::string_view(buffer_).substr(0, headEnd_ - kHeadEnd.size()))) return;
  pos_ = headEnd_;
  if (chunked_) {
    state_ = State::kChunkSize;
  } else if (contentLength_ > 0) {
    state_ = State::kBody;
  } else {
    end_ = headEnd_;
    state_ = State::kComplete;
  }
  // A client that already sends its body is not waiting for the go-ahead.
  if (continueWanted_ && (buffer_.size() > headEnd_ || state_ == State::kComplete)) continueWanted_ = false;
}

bool RequestReader::ParseHead(std::string_view head) {
  auto fail = [this](int status) {
    Refuse(status);
    return false;
  };
  if (head.find('\0') != std::string_view::npos) return fail(400);
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    std::size_t crlf = head.find("\r\n", start);
    lines.push_back(
        head.substr(start, crlf == std::string_view::npos ? std::string_view::npos : crlf - start));
    if (crlf == std::string_view::npos) break;
    start = crlf + 2;
  }
  // Request line: METHOD SP TARGET SP HTTP/1.x
  std::string_view first = lines.front();
  std::size_t sp1 = first.find(' ');
  std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : first.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || HasControl(first) || !IsToken(first.substr(0, sp1)) ||
      sp2 == sp1 + 1 || first.find(' ', sp2 + 1) != std::string_view::npos) {
    return fail(400);
  }
  std::string_view version = first.substr(sp2 + 1);
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return fail(400);
  requestLine_ = std::string(first);

  bool haveLength = false;
  bool haveCoding = false;
  bool expectContinue = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    std::size_t colon = line.find(':');
    // Folded continuation lines are obsolete and read differently by different servers.
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)) || HasControl(line)) {
      return fail(400);
    }
    std::string name = Lower(line.substr(0, colon));
    std::string_view value = Trim(line.substr(colon + 1));
    if (name == "content-length") {
      std::size_t length = 0;
      if (!ParseLength(value, &length) || (haveLength && length != contentLength_)) return fail(400);
      haveLength = true;
      contentLength_ = length;
    } else if (name == "transfer-encoding") {
      if (haveCoding) return fail(400);
      if (Lower(value) != "chunked") return fail(501);
      haveCoding = true;
      continue;
    } else if (name == "expect") {
      if (Lower(value) != "100-continue") return fail(417);
      expectContinue = true;
      continue;
    }
    headerLines_.emplace_back(line);
  }
  // Both framings at once is how requests are smuggled past a front.
  if (haveLength && haveCoding) return fail(400);
  if (contentLength_ > limits_.maxBodyBytes) return fail(413);
  chunked_ = haveCoding;
  rewrite_ = haveCoding || expectContinue;
  continueWanted_ = expectContinue && (haveCoding || contentLength_ > 0);
  return true;
}

void RequestReader::ReadFixedBody() {
  if (buffer_.size() - headEnd_ < contentLength_) return;
  body_ = buffer_.substr(headEnd_, contentLength_);
  end_ = headEnd_ + contentLength_;
  pos_ = end_;
  state_ = State::kComplete;
}

std::size_t RequestReader::LineEnd(std::size_t limit, int status) {
  std::size_t end = buffer_.find('\n', pos_);
  std::size_t length = (end == std::string::npos ? buffer_.size() : end) - pos_;
  if (length > limit) {
    Refuse(status);
    return std::string::npos;
  }
  return end;
}

void RequestReader::ReadChunkSize() {
  std::size_t end = LineEnd(kChunkLineLimit, 400);
  if (end == std::string::npos) return;
  if (end == pos_ || buffer_[end - 1] != '\r') return Refuse(400);
  std::string_view line = std::string_view(buffer_).substr(pos_, end - 1 - pos_);
  std::size_t digits = 0;
  std::size_t size = 0;
  while (digits < line.size() && HexValue(line[digits]) >= 0) {
    if (digits == 15) return Refuse(400);
    size = size * 16 + static_cast<std::size_t>(HexValue(line[digits]));
    ++digits;
  }
  std::string_view after = Trim(line.substr(digits));
  if (digits == 0 || (!after.empty() && after.front() != ';')) return Refuse(400);
  if (size > limits_.maxBodyBytes - body_.size()) return Refuse(413);
  pos_ = end + 1;
  chunkLeft_ = size;
  state_ = size == 0 ? State::kTrailers : State::kChunkData;
}

void RequestReader::ReadChunkData() {
  std::size_t take = std::min(chunkLeft_, buffer_.size() - pos_);
  body_.append(buffer_, pos_, take);
  pos_ += take;
  chunkLeft_ -= take;
  if (chunkLeft_ == 0) state_ = State::kChunkEnd;
}

void RequestReader::ReadChunkEnd() {
  if (buffer_.size() - pos_ < 2) return;
  if (buffer_.compare(pos_, 2, "\r\n") != 0) return Refuse(400);
  pos_ += 2;
  state_ = State::kChunkSize;
}

void RequestReader::ReadTrailers() {
  // Trailer fields are read past and dropped; they count against the head's bounds.
  if (trailerBytes_ >= limits_.maxHeadBytes) return Refuse(431);
  std::size_t end = LineEnd(limits_.maxHeadBytes - trailerBytes_, 431);
  if (end == std::string::npos) return;
  if (end == pos_ || buffer_[end - 1] != '\r') return Refuse(400);
  std::size_t length = end + 1 - pos_;
  pos_ = end + 1;
  if (length == 2) {
    end_ = pos_;
    state_ = State::kComplete;
    return;
  }
  trailerBytes_ += length;
  if (++trailerLines_ > limits_.maxHeaderLines) return Refuse(431);
}

}  // namespace portal
