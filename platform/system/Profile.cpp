#include "platform/system/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/base/Unicode.h"
#include "platform/system/ProfileText.h"

namespace os {
namespace {

enum class Encoding { kUtf8, kUtf8Bom, kUtf16 };

struct Line {
  std::u16string text;   // without its line end
  std::string raw;       // the file's bytes for this line, line end included
  bool touched = false;  // written anew from text
};

struct IniFile {
  Encoding encoding = Encoding::kUtf8;
  std::vector<Line> lines;
};

bool IsBlank(char16_t c) { return IsProfileBlank(c); }

std::u16string_view Trim(std::u16string_view s) { return TrimProfileName(s); }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char16_t c) {
      return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string NarrowPath(std::u16string_view fileName) { return Utf16ToUtf8(fileName); }

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Encode(std::u16string_view text, Encoding encoding) {
  if (encoding != Encoding::kUtf16) return Utf16ToUtf8(text);
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

IniFile Decode(const std::string& bytes) {
  IniFile file;
  std::size_t pos = 0;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    file.encoding = Encoding::kUtf16;
    pos = 2;
    while (pos + 1 < bytes.size()) {
      Line line;
      while (pos + 1 < bytes.size()) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[pos]) |
                                                (static_cast<unsigned char>(bytes[pos + 1]) << 8));
        line.raw.append(bytes, pos, 2);
        pos += 2;
        if (unit == u'\n') break;
        line.text.push_back(unit);
      }
      if (!line.text.empty() && line.text.back() == u'\r') line.text.pop_back();
      file.lines.push_back(std::move(line));
    }
    return file;
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    file.encoding = Encoding::kUtf8Bom;
    pos = 3;
  }
  while (pos < bytes.size()) {
    const auto end = bytes.find('\n', pos);
    const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
    Line line;
    line.raw = bytes.substr(pos, next - pos);
    std::string_view content(line.raw);
    if (!content.empty() && content.back() == '\n') content.remove_suffix(1);
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    line.text = Utf8ToUtf16(content);
    file.lines.push_back(std::move(line));
    pos = next;
  }
  return file;
}

std::string Serialize(const IniFile& file) {
  std::string out;
  if (file.encoding == Encoding::kUtf8Bom) out = "\xEF\xBB\xBF";
  if (file.encoding == Encoding::kUtf16) out = "\xFF\xFE";
  const std::string lineEnd = Encode(u"\r\n", file.encoding);
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const Line& line = file.lines[i];
    if (line.touched) {
      out += Encode(line.text, file.encoding);
      out += lineEnd;
      continue;
    }
    out += line.raw;
    const bool ended =
        file.encoding == Encoding::kUtf16
            ? line.raw.size() >= 2 && line.raw.compare(line.raw.size() - 2, 2, std::string("\n\0", 2)) == 0
            : !line.raw.empty() && line.raw.back() == '\n';
    if (ended || i + 1 == file.lines.size()) continue;
    // A last line that ended in a bare CR gets only the LF: a whole CR LF
    // after it would leave a CR in the value read back.
    const bool endsInCr =
        file.encoding == Encoding::kUtf16
            ? line.raw.size() >= 2 && line.raw.compare(line.raw.size() - 2, 2, std::string("\r\0", 2)) == 0
            : !line.raw.empty() && line.raw.back() == '\r';
    out += endsInCr ? Encode(u"\n", file.encoding) : lineEnd;
  }
  return out;
}

// What a line is, seen by the profile functions.
struct Parsed {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::u16string_view name;   // section or key name
  std::u16string_view value;  // key value, trimmed, quotes kept
};

Parsed ParseLine(std::u16string_view text) {
  Parsed parsed;
  const std::u16string_view line = Trim(text);
  if (line.empty() || line.front() == u';') return parsed;
  if (line.front() == u'[') {
    const auto close = line.find(u']');
    parsed.kind = Parsed::kSection;
    parsed.name =
        Trim(line.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
    return parsed;
  }
  const auto equals = line.find(u'=');
  if (equals == std::u16string_view::npos) return parsed;
  parsed.kind = Parsed::kKey;
  parsed.name = Trim(line.substr(0, equals));
  parsed.value = Trim(line.substr(equals + 1));
  return parsed;
}

// Line indexes of a section: its header and the end of its lines (exclusive).
struct SectionSpan {
  std::size_t header = 0;
  std::size_t end = 0;
};

std::optional<SectionSpan> FindSection(const IniFile& file, std::u16string_view name) {
  const std::u16string_view wanted = Trim(name);
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    const Parsed p = ParseLine(file.lines[i].text);
    if (p.kind != Parsed::kSection || !SameName(p.name, wanted)) continue;
    SectionSpan span{i, i + 1};
    while (span.end < file.lines.size() && ParseLine(file.lines[span.end].text).kind != Parsed::kSection) {
      ++span.end;
    }
    return span;
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const IniFile& file, const SectionSpan& span, std::u16string_view key) {
  const std::u16string_view wanted = Trim(key);
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const Parsed p = ParseLine(file.lines[i].text);
    if (p.kind == Parsed::kKey && SameName(p.name, wanted)) return i;
  }
  return std::nullopt;
}

std::u16string_view Unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

DWORD ReturnValue(std::u16string_view text, std::u16string* returned, DWORD size) {
  returned->clear();
  if (size == 0) return 0;
  if (text.size() + 1 > size) text = text.substr(0, size - 1);
  returned->assign(text);
  return static_cast<DWORD>(returned->size());
}

DWORD ReturnList(const std::vector<std::u16string_view>& names, std::u16string* returned, DWORD size) {
  returned->clear();
  std::u16string list;
  for (const auto name : names) {
    list += name;
    list.push_back(u'\0');
  }
  if (size < 2) return 0;
  if (list.size() + 1 > size) list.resize(size - 2);
  *returned = std::move(list);
  return static_cast<DWORD>(returned->size());
}

// Writes the whole file next to the old one and renames it into place, keeping
// the old file's permissions; a symbolic link is followed, not replaced.
bool Store(const IniFile& file, const std::string& path) {
  std::error_code ec;
  std::filesystem::path target(path);
  if (std::filesystem::is_symlink(target, ec)) {
    const auto resolved = std::filesystem::canonical(target, ec);
    if (ec) return false;
    target = resolved;
  }
  static std::atomic<unsigned> counter{0};
  const std::string temp =
      target.string() + ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter.fetch_add(1));
  struct stat old {};
  const bool existed = stat(target.c_str(), &old) == 0;
  // A new file is private: the launcher's profiles live in its data folder.
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string bytes = Serialize(file);
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  if (ok && existed) fchmod(fd, old.st_mode & 07777);
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) unlink(temp.c_str());
  return ok;
}

Line NewLine(std::u16string text) {
  Line line;
  line.text = std::move(text);
  line.touched = true;
  return line;
}

}  // namespace

DWORD GetPrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                              std::u16string* returned, DWORD size, std::u16string_view fileName) {
  if (returned == nullptr) return 0;
  const auto bytes = ReadBytes(NarrowPath(fileName));
  const IniFile file = bytes ? Decode(*bytes) : IniFile{};

  if (section == nullptr) {
    std::vector<std::u16string_view> names;
    for (const auto& line : file.lines) {
      const Parsed p = ParseLine(line.text);
      if (p.kind == Parsed::kSection) names.push_back(p.name);
    }
    return ReturnList(names, returned, size);
  }
  const auto span = FindSection(file, section);
  if (key == nullptr) {
    std::vector<std::u16string_view> names;
    if (span) {
      for (std::size_t i = span->header + 1; i < span->end; ++i) {
        const Parsed p = ParseLine(file.lines[i].text);
        if (p.kind == Parsed::kKey) names.push_back(p.name);
      }
    }
    return ReturnList(names, returned, size);
  }
  if (span) {
    if (const auto line = FindKey(file, *span, key)) {
      return ReturnValue(Unquote(ParseLine(file.lines[*line].text).value), returned, size);
    }
  }
  std::u16string_view fallback =
      defaultValue != nullptr ? std::u16string_view(defaultValue) : std::u16string_view();
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  return ReturnValue(fallback, returned, size);
}

DWORD GetPrivateProfileSectionNames(std::u16string* returned, DWORD size, std::u16string_view fileName) {
  return GetPrivateProfileString(nullptr, nullptr, nullptr, returned, size, fileName);
}

BOOL WritePrivateProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                               std::u16string_view fileName) {
  if (!ProfileWriteKeepsStructure(section, key, value)) return FALSE;
  const std::u16string_view sectionName = Trim(section);

  const std::string path = NarrowPath(fileName);
  const auto bytes = ReadBytes(path);
  if (!bytes) {
    // No file: nothing to delete; otherwise it is created, but only if it
    // truly does not exist (an unreadable file must not be replaced).
    if (key == nullptr || value == nullptr) return TRUE;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || ec) return FALSE;
  }
  IniFile file = bytes ? Decode(*bytes) : IniFile{};
  const auto span = FindSection(file, sectionName);

  if (key == nullptr) {
    if (!span) return TRUE;
    file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(span->header),
                     file.lines.begin() + static_cast<std::ptrdiff_t>(span->end));
    return Store(file, path) ? TRUE : FALSE;
  }
  const std::u16string_view keyName = Trim(key);
  if (value == nullptr) {
    if (!span) return TRUE;
    const auto line = FindKey(file, *span, keyName);
    if (!line) return TRUE;
    file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(*line));
    return Store(file, path) ? TRUE : FALSE;
  }

  if (!span) {
    file.lines.push_back(NewLine(u"[" + std::u16string(sectionName) + u"]"));
    file.lines.push_back(NewLine(std::u16string(keyName) + u"=" + value));
    return Store(file, path) ? TRUE : FALSE;
  }
  if (const auto line = FindKey(file, *span, keyName)) {
    // The key keeps its spelling in the file.
    const std::u16string existing(ParseLine(file.lines[*line].text).name);
    const std::u16string text = existing + u"=" + value;
    if (file.lines[*line].text == text) return TRUE;
    file.lines[*line] = NewLine(text);
    return Store(file, path) ? TRUE : FALSE;
  }
  // A new key goes after the section's last key (or its header), ahead of
  // the blank lines and comments that lead to the next section.
  std::size_t insertAt = span->header + 1;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseLine(file.lines[i].text).kind == Parsed::kKey) insertAt = i + 1;
  }
  file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                    NewLine(std::u16string(keyName) + u"=" + value));
  return Store(file, path) ? TRUE : FALSE;
}

}  // namespace os
