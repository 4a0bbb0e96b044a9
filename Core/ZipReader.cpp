#include "Core/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/base/Unicode.h"

namespace Kesto {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kDirectorySignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::size_t kEndRecordSize = 22;  // fixed part, signature included
constexpr std::size_t kDirectoryFixed = 46;
constexpr std::size_t kLocalFixed = 30;
constexpr std::uint64_t kMaxBackScan = 0xFFFF;
constexpr std::size_t kScanStep = 1024;
constexpr std::size_t kInputBuffer = 16384;
constexpr std::size_t kMaxNameChars = 256;  // names this long or longer are refused
constexpr std::size_t kMaxNameBytes = 259;
constexpr std::size_t kMaxInfoNameChars = 259;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Where the archive's bytes come from: a file read through a stream, or a
// memory block. Every read names an absolute offset and either delivers all
// the bytes asked for or fails.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::uint64_t Size() const = 0;
  virtual bool Read(std::uint64_t offset, void* dst, std::size_t n) = 0;
  // Memory sources hand out their bytes in place; files return null.
  virtual const unsigned char* Span(std::uint64_t offset, std::size_t n) const = 0;
};

class MemorySource final : public Source {
 public:
  MemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void* dst, std::size_t n) override {
    const unsigned char* p = Span(offset, n);
    if (p == nullptr) return false;
    if (n != 0) std::memcpy(dst, p, n);
    return true;
  }
  const unsigned char* Span(std::uint64_t offset, std::size_t n) const override {
    if (offset > size_ || n > size_ - offset) return nullptr;
    return data_ + offset;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

class FileSource final : public Source {
 public:
  bool Open(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    in_.open(path, std::ios::binary);
    if (!in_) return false;
    in_.seekg(0, std::ios::end);
    const std::streamoff end = in_.tellg();
    if (end < 0) return false;
    size_ = static_cast<std::uint64_t>(end);
    return true;
  }
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void* dst, std::size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(in_.gcount()) == n;
  }
  const unsigned char* Span(std::uint64_t, std::size_t) const override { return nullptr; }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// The fixed part of a central directory entry and its name.
struct DirEntry {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localOffset = 0;
  std::string_view name;  // inside the directory copy
};

// Folds only the ASCII letters, as the archive's names are compared.
inline unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

}  // namespace

struct ZipReader::State {
  std::unique_ptr<Source> source;
  std::uint64_t bytesBefore = 0;
  std::uint32_t entryCount = 0;
  std::uint64_t directoryOffset = 0;  // within the source, bytes before included
  std::uint32_t directorySize = 0;
  // The central directory: in place for memory sources, copied once for files.
  std::vector<unsigned char> directoryCopy;
  const unsigned char* directory = nullptr;

  // Current directory entry.
  int currentIndex = -1;
  std::size_t currentPos = 0;  // within the directory
  DirEntry current;

  // The entry being unpacked.
  struct OpenEntry {
    int index = -1;
    std::uint16_t method = 0;
    std::uint64_t dataPos = 0;  // next compressed byte, absolute
    std::uint64_t compressedLeft = 0;
    std::uint64_t uncompressedLeft = 0;
    z_stream z{};
    bool zReady = false;
    bool streamEnded = false;
    std::vector<unsigned char> input;
    const unsigned char* in = nullptr;
    std::size_t inLength = 0;
    ~OpenEntry() {
      if (zReady) inflateEnd(&z);
    }
  };
  std::unique_ptr<OpenEntry> open;

  std::optional<ZipEntryInfo> cachedInfo;

  bool ReadEntryAt(std::size_t pos, DirEntry& e) const {
    if (pos > directorySize || directorySize - pos < kDirectoryFixed) return false;
    const unsigned char* p = directory + pos;
    if (Le32(p) != kDirectorySignature) return false;
    e.flags = Le16(p + 8);
    e.method = Le16(p + 10);
    e.dosTime = Le16(p + 12);
    e.dosDate = Le16(p + 14);
    e.crc = Le32(p + 16);
    e.compressedSize = Le32(p + 20);
    e.uncompressedSize = Le32(p + 24);
    e.nameLength = Le16(p + 28);
    e.extraLength = Le16(p + 30);
    e.commentLength = Le16(p + 32);
    e.externalAttributes = Le32(p + 38);
    e.localOffset = Le32(p + 42);
    const std::size_t variable = std::size_t{e.nameLength} + e.extraLength + e.commentLength;
    if (directorySize - pos - kDirectoryFixed < variable) return false;
    e.name = std::string_view(reinterpret_cast<const char*>(p + kDirectoryFixed), e.nameLength);
    return true;
  }

  bool GoToFirst() {
    currentIndex = -1;
    currentPos = 0;
    if (entryCount == 0 || !ReadEntryAt(0, current)) return false;
    currentIndex = 0;
    return true;
  }

  bool GoToNext() {
    if (currentIndex < 0 || static_cast<std::uint32_t>(currentIndex) + 1 >= entryCount) return false;
    const std::size_t next =
        currentPos + kDirectoryFixed + current.nameLength + current.extraLength + current.commentLength;
    DirEntry e;
    if (!ReadEntryAt(next, e)) return false;
    current = e;
    currentPos = next;
    ++currentIndex;
    return true;
  }

  bool GoTo(int index) {
    if (currentIndex < 0 || index < currentIndex) {
      if (!GoToFirst()) return false;
    }
    while (currentIndex < index) {
      if (!GoToNext()) return false;
    }
    return true;
  }

  // Checks the local header of the current entry against the directory and
  // gives where its data starts.
  ZipResult CheckLocalHeader(std::uint64_t& dataStart) {
    unsigned char h[kLocalFixed];
    const std::uint64_t at = std::uint64_t{current.localOffset} + bytesBefore;
    if (!source->Read(at, h, sizeof h)) return ZipResult::Read;
    if (Le32(h) != kLocalSignature) return ZipResult::Corrupt;
    const std::uint16_t flags = Le16(h + 6);
    const std::uint16_t method = Le16(h + 8);
    if (method != current.method || (method != 0 && method != Z_DEFLATED)) return ZipResult::Corrupt;
    // Bit 3: crc and sizes follow the data in a descriptor.
    if ((flags & 8) == 0 && (Le32(h + 14) != current.crc || Le32(h + 18) != current.compressedSize ||
                             Le32(h + 22) != current.uncompressedSize)) {
      return ZipResult::Corrupt;
    }
    if (Le16(h + 26) != current.nameLength) return ZipResult::Corrupt;
    dataStart = at + kLocalFixed + current.nameLength + Le16(h + 28);
    return ZipResult::Ok;
  }

  void CloseEntry() { open.reset(); }

  // Locates and checks the end-of-central-directory record and the directory.
  static std::unique_ptr<State> Open(std::unique_ptr<Source> source);
};

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() { Close(); }

bool ZipReader::IsOpen() const { return s_ != nullptr; }
int ZipReader::EntryCount() const { return s_ ? static_cast<int>(s_->entryCount) : 0; }
std::uint64_t ZipReader::BytesBeforeArchive() const { return s_ ? s_->bytesBefore : 0; }

void ZipReader::Close() { s_.reset(); }

ZipResult ZipReader::OpenFile(std::u16string_view path) {
  Close();
  auto file = std::make_unique<FileSource>();
  if (!file->Open(std::filesystem::path(std::u16string(path)))) return ZipResult::NoFile;
  s_ = State::Open(std::move(file));
  return s_ ? ZipResult::Ok : ZipResult::NoFile;
}

ZipResult ZipReader::OpenMemory(const void* data, std::size_t size) {
  Close();
  if (data == nullptr) return ZipResult::NoFile;
  s_ = State::Open(std::make_unique<MemorySource>(static_cast<const unsigned char*>(data), size));
  return s_ ? ZipResult::Ok : ZipResult::NoFile;
}

std::unique_ptr<ZipReader::State> ZipReader::State::Open(std::unique_ptr<Source> source) {
  const std::uint64_t size = source->Size();
  // Scan backwards over at most the last 64 KiB in overlapping blocks; the
  // first hit from the end is the last record in the source.
  const std::uint64_t maxBack = std::min(kMaxBackScan, size);
  std::array<unsigned char, kScanStep + 4> block;
  std::optional<std::uint64_t> record;
  std::uint64_t back = 4;
  while (!record && back < maxBack) {
    back = (back + kScanStep > maxBack) ? maxBack : back + kScanStep;
    const std::uint64_t readPos = size - back;
    const std::size_t readSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(kScanStep + 4, size - readPos));
    if (!source->Read(readPos, block.data(), readSize)) return nullptr;
    for (std::size_t i = readSize - 3; i-- > 0;) {
      if (Le32(block.data() + i) == kEndSignature) {
        record = readPos + i;
        break;
      }
    }
  }
  if (!record) return nullptr;

  unsigned char r[kEndRecordSize];
  if (!source->Read(*record, r, sizeof r)) return nullptr;
  const std::uint16_t thisDisk = Le16(r + 4);
  const std::uint16_t directoryDisk = Le16(r + 6);
  const std::uint16_t entriesHere = Le16(r + 8);
  const std::uint16_t entriesTotal = Le16(r + 10);
  const std::uint32_t directorySize = Le32(r + 12);
  const std::uint32_t directoryOffset = Le32(r + 16);
  if (thisDisk != 0 || directoryDisk != 0 || entriesHere != entriesTotal) return nullptr;
  if (*record < std::uint64_t{directoryOffset} + directorySize) return nullptr;

  auto s = std::make_unique<State>();
  s->bytesBefore = *record - directoryOffset - directorySize;
  s->entryCount = entriesTotal;
  s->directoryOffset = std::uint64_t{directoryOffset} + s->bytesBefore;
  s->directorySize = directorySize;
  // The directory lies between its offset and the record, inside the source.
  if (const unsigned char* inPlace = source->Span(s->directoryOffset, directorySize)) {
    s->directory = inPlace;
  } else {
    s->directoryCopy.resize(directorySize);
    if (!source->Read(s->directoryOffset, s->directoryCopy.data(), directorySize)) return nullptr;
    s->directory = s->directoryCopy.data();
  }
  s->source = std::move(source);
  s->GoToFirst();
  return s;
}

ZipResult ZipReader::FindEntry(std::u16string_view name, bool ignoreCase, int& index, ZipEntryInfo& info) {
  index = -1;
  info = ZipEntryInfo{};
  if (!s_ || name.size() >= kMaxNameChars) return ZipResult::BadArgument;
  std::string key = os::Utf16ToUtf8(name);
  if (key.size() > kMaxNameBytes) return ZipResult::BadArgument;
  std::replace(key.begin(), key.end(), '\\', '/');

  auto matches = [&](std::string_view stored) {
    if (stored.size() != key.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
      auto a = static_cast<unsigned char>(stored[i]);
      auto b = static_cast<unsigned char>(key[i]);
      if (ignoreCase) {
        a = FoldAscii(a);
        b = FoldAscii(b);
      }
      if (a != b) return false;
    }
    return true;
  };

  State& s = *s_;
  const int savedIndex = s.currentIndex;
  const std::size_t savedPos = s.currentPos;
  const DirEntry savedEntry = s.current;
  bool found = false;
  for (bool more = s.GoToFirst(); more; more = s.GoToNext()) {
    if (matches(s.current.name)) {
      found = true;
      break;
    }
  }
  if (!found) {
    s.currentIndex = savedIndex;
    s.currentPos = savedPos;
    s.current = savedEntry;
    return ZipResult::NotFound;
  }

  if (!s.cachedInfo || s.cachedInfo->index != s.currentIndex) {
    std::uint64_t dataStart = 0;
    const ZipResult check = s.CheckLocalHeader(dataStart);
    if (check != ZipResult::Ok) return check;
    ZipEntryInfo fresh;
    fresh.index = s.currentIndex;
    fresh.name = os::Utf8ToUtf16(s.current.name);
    if (fresh.name.size() > kMaxInfoNameChars) fresh.name.resize(kMaxInfoNameChars);
    fresh.compressedSize = s.current.compressedSize;
    fresh.uncompressedSize = s.current.uncompressedSize;
    fresh.externalAttributes = s.current.externalAttributes;
    fresh.dosTime = s.current.dosTime;
    fresh.dosDate = s.current.dosDate;
    s.cachedInfo = std::move(fresh);
  }
  index = s.currentIndex;
  info = *s.cachedInfo;
  return ZipResult::Ok;
}

ZipResult ZipReader::ExtractToMemory(int index, void* buffer, std::size_t capacity, std::size_t* produced) {
  if (produced) *produced = 0;
  if (!s_) return ZipResult::BadArgument;
  State& s = *s_;
  if (s.open && s.open->index != index) s.CloseEntry();
  if (index < 0 || static_cast<std::uint32_t>(index) >= s.entryCount) return ZipResult::BadArgument;
  if (buffer == nullptr && capacity != 0) return ZipResult::BadArgument;

  if (!s.open) {
    if (!s.GoTo(index)) return ZipResult::Read;
    std::uint64_t dataStart = 0;
    const ZipResult check = s.CheckLocalHeader(dataStart);
    if (check != ZipResult::Ok) return check;
    auto e = std::make_unique<State::OpenEntry>();
    e->index = index;
    e->method = s.current.method;
    e->dataPos = dataStart;
    e->compressedLeft = s.current.compressedSize;
    e->uncompressedLeft = s.current.uncompressedSize;
    if (e->method == Z_DEFLATED) {
      if (inflateInit2(&e->z, -MAX_WBITS) != Z_OK) return ZipResult::Inflate;
      e->zReady = true;
    }
    s.open = std::move(e);
  }

  State::OpenEntry& e = *s.open;
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, e.uncompressedLeft));
  std::size_t written = 0;
  bool failed = false;

  while (written < room) {
    if (e.inLength == 0 && e.compressedLeft > 0) {
      // Memory is used in place; a file is read through the input buffer.
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kInputBuffer, e.compressedLeft));
      if (const unsigned char* span = s.source->Span(e.dataPos, static_cast<std::size_t>(e.compressedLeft))) {
        e.in = span;
        e.inLength = static_cast<std::size_t>(e.compressedLeft);
      } else {
        e.input.resize(kInputBuffer);
        if (!s.source->Read(e.dataPos, e.input.data(), n)) {
          failed = true;
          break;
        }
        e.in = e.input.data();
        e.inLength = n;
      }
      e.dataPos += e.inLength;
      e.compressedLeft -= e.inLength;
    }

    if (e.method == 0) {
      const std::size_t k = std::min(room - written, e.inLength);
      if (k == 0) break;
      std::memcpy(out + written, e.in, k);
      e.in += k;
      e.inLength -= k;
      written += k;
      continue;
    }

    if (e.streamEnded) break;
    // zlib counts in 32-bit units; larger spans are fed in slices.
    const auto inSlice = static_cast<uInt>(std::min<std::size_t>(e.inLength, 1u << 30));
    const auto outSlice = static_cast<uInt>(std::min<std::size_t>(room - written, 1u << 30));
    e.z.next_in = const_cast<Bytef*>(e.in);
    e.z.avail_in = inSlice;
    e.z.next_out = out + written;
    e.z.avail_out = outSlice;
    const int rc = inflate(&e.z, Z_SYNC_FLUSH);
    const std::size_t consumed = inSlice - e.z.avail_in;
    const std::size_t made = outSlice - e.z.avail_out;
    e.in += consumed;
    e.inLength -= consumed;
    written += made;
    if (rc == Z_STREAM_END) {
      e.streamEnded = true;
      break;
    }
    if (rc == Z_BUF_ERROR || (rc == Z_OK && consumed == 0 && made == 0)) {
      // No progress: go on only if more compressed data can be fed; otherwise
      // the data ran out before the stream ended.
      if (e.inLength == 0 && e.compressedLeft > 0) continue;
      break;
    }
    if (rc != Z_OK) {
      failed = true;
      break;
    }
  }

  e.uncompressedLeft -= written;
  if (produced) *produced = written;
  if (failed) {
    // Unreadable or undecodable data is a failure even when some bytes came out.
    s.CloseEntry();
    return ZipResult::Inflate;
  }
  if (written > 0) return ZipResult::More;
  s.CloseEntry();
  return ZipResult::Ok;
}

}  // namespace Kesto
