#include "login/RememberedAccount.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/base/Unicode.h"
#include "platform/system/PrivateFile.h"
#include "platform/system/UserFolders.h"
#include "support/Encoding.h"
#include "support/InstallRecord.h"

namespace {

constexpr const char* kFileName = "lastlogininfo.info";
constexpr int kNarrowPathBytes = 256;
// The reading area of one stored word, terminator included.
constexpr std::size_t kWordArea = 512;
// A valid record is far smaller; reading stops here so that a huge file
// cannot make the launcher hold it all.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

// The file's path: the data folder's "login" subfolder, created when
// missing. A folder that does not convert leaves the bare file name,
// relative to the current folder.
std::string RecordPath() {
  const std::u16string folder = DataDirectory() + u"login/";
  os::CreatePrivateFolders(os::Utf16ToUtf8(folder));
  std::string narrow;
  if (WideToNarrow(folder, &narrow, kNarrowPathBytes) != 0) narrow.clear();
  return narrow + kFileName;
}

// Reads the file the way formatted input does: whitespace-delimited words and
// decimal integers.
class Scanner {
 public:
  explicit Scanner(std::string text) : text_(std::move(text)) {}

  // The next word; overlong is set when it does not fit the reading area.
  bool Word(std::string& word, bool& overlong) {
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    word = text_.substr(start, pos_ - start);
    overlong = word.size() + 1 > kWordArea;
    return true;
  }

  // Optional sign and decimal digits; the value stops at the int range.
  bool Integer(int& value) {
    SkipSpace();
    std::size_t p = pos_;
    bool negative = false;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    const std::size_t digits = p;
    long long v = 0;
    while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') {
      if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text_[p] - '0');
      ++p;
    }
    if (p == digits) return false;
    pos_ = p;
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    value = static_cast<int>(v);
    return true;
  }

 private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }
  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  std::string text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string EncodeRememberedText(const std::string& text) {
  // The stored data always ends with the text's terminating zero byte.
  std::string bytes = text.substr(0, text.find('\0'));
  bytes.push_back('\0');
  const std::string base64 = Base64Encode(bytes);
  std::string hex;
  if (HexEncode(base64.c_str(), &hex) != 0) return {};
  return hex;
}

std::string DecodeRememberedText(const std::string& word) {
  // An odd word decodes to nothing; a stray character ends the decoding with
  // the bytes before it.
  std::string base64;
  if (HexDecode(word.c_str(), &base64) == -2) base64.clear();
  const std::size_t end = base64.find('\0');
  if (end != std::string::npos) base64.resize(end);
  int count = 0;
  const std::string bytes = Base64Decode(base64, static_cast<int>(base64.size()), count);
  return bytes.substr(0, bytes.find('\0'));
}

bool SaveRememberedAccount(const std::string& account, const std::string& password, int mark, int flag) {
  const std::string path = RecordPath();
  // Owner-only: the record spells the password in a reversible encoding.
  std::FILE* file = os::OpenPrivateFile(path, false);
  if (file == nullptr) return false;
  const std::string text = EncodeRememberedText(account) + "\r\n" + EncodeRememberedText(password) + "\r\n" +
                           std::to_string(mark) + "\r\n" + std::to_string(flag);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

RememberedAccount LoadRememberedAccount() {
  RememberedAccount record;
  std::FILE* file = os::OpenFileToRead(RecordPath());
  if (file == nullptr) return record;
  std::string text(kMaxFileBytes, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);

  Scanner scanner(std::move(text));
  std::string word;
  bool overlong = false;
  if (scanner.Word(word, overlong)) {
    if (overlong) return RememberedAccount{};
    record.account = DecodeRememberedText(word);
    if (scanner.Word(word, overlong)) {
      if (overlong) return RememberedAccount{};
      record.password = DecodeRememberedText(word);
      if (scanner.Integer(record.mark)) scanner.Integer(record.flag);
    }
  }
  record.found = true;
  return record;
}
