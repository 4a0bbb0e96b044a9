#include "testsupport/MiniDumpReader.h"

#include <cstring>

#include "platform/base/Unicode.h"

namespace testsupport {
namespace {

class Cursor {
 public:
  explicit Cursor(const std::string& bytes, bool terminators = true)
      : bytes_(bytes), terminators_(terminators) {}

  bool Has(std::uint64_t at, std::uint64_t n) const { return at + n <= bytes_.size(); }
  std::uint64_t Get(std::uint64_t at, int width) const {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes_[at + i]);
    return v;
  }
  std::uint32_t U32(std::uint64_t at) const { return static_cast<std::uint32_t>(Get(at, 4)); }
  std::uint16_t U16(std::uint64_t at) const { return static_cast<std::uint16_t>(Get(at, 2)); }
  std::uint64_t U64(std::uint64_t at) const { return Get(at, 8); }

  std::optional<std::string> String(std::uint32_t rva) const {
    if (!Has(rva, 4)) return std::nullopt;
    const std::uint32_t length = U32(rva);
    const std::uint64_t terminator = terminators_ ? 2 : 0;
    if (length % 2 != 0 || !Has(rva + 4ull, length + terminator)) return std::nullopt;
    std::u16string text;
    for (std::uint32_t i = 0; i < length; i += 2) text.push_back(static_cast<char16_t>(U16(rva + 4ull + i)));
    if (terminators_ && U16(rva + 4ull + length) != 0) return std::nullopt;
    return os::Utf16ToUtf8(text);
  }

 private:
  const std::string& bytes_;
  bool terminators_;
};

}  // namespace

std::string MiniDumpFile::Slice(const DumpLocation& where) const {
  if (static_cast<std::uint64_t>(where.rva) + where.size > bytes.size()) return {};
  return bytes.substr(where.rva, where.size);
}

DumpRegisters MiniDumpFile::RegistersAt(const DumpLocation& where) const {
  DumpRegisters r;
  Cursor c(bytes);
  if (where.size < 0x100 || !c.Has(where.rva, where.size)) return r;
  r.contextFlags = c.U32(where.rva + 0x30);
  r.rsp = c.U64(where.rva + 0x98);
  r.rip = c.U64(where.rva + 0xF8);
  return r;
}

std::optional<MiniDumpFile> ReadMiniDump(const std::string& bytes, DumpStrings strings) {
  MiniDumpFile dump;
  dump.bytes = bytes;
  Cursor c(dump.bytes, strings == DumpStrings::kTerminated);
  if (!c.Has(0, 32)) return std::nullopt;
  dump.signature = c.U32(0);
  dump.version = c.U32(4);
  dump.streamCount = c.U32(8);
  const std::uint32_t directory = c.U32(12);
  if (!c.Has(directory, 12ull * dump.streamCount)) return std::nullopt;
  for (std::uint32_t i = 0; i < dump.streamCount; ++i) {
    const std::uint64_t at = directory + 12ull * i;
    DumpLocation where{c.U32(at + 4), c.U32(at + 8)};
    if (!c.Has(where.rva, where.size)) return std::nullopt;
    dump.streams[c.U32(at)] = where;
  }

  if (auto it = dump.streams.find(7); it != dump.streams.end()) {
    const std::uint32_t at = it->second.rva;
    dump.processorArchitecture = c.U16(at);
    dump.platformId = c.U32(at + 20);
    auto csd = c.String(c.U32(at + 24));
    if (!csd) return std::nullopt;
    dump.csdVersion = *csd;
  }
  if (auto it = dump.streams.find(6); it != dump.streams.end()) {
    const std::uint32_t at = it->second.rva;
    DumpException e;
    e.threadId = c.U32(at);
    e.code = c.U32(at + 8);
    e.flags = c.U32(at + 12);
    e.address = c.U64(at + 24);
    const std::uint32_t count = c.U32(at + 32);
    if (count > 15) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) e.parameters.push_back(c.U64(at + 40 + 8ull * i));
    e.context = {c.U32(at + 160), c.U32(at + 164)};
    if (!c.Has(e.context.rva, e.context.size)) return std::nullopt;
    dump.exception = e;
  }
  if (auto it = dump.streams.find(3); it != dump.streams.end()) {
    const std::uint32_t at = it->second.rva;
    const std::uint32_t count = c.U32(at);
    if (!c.Has(at + 4ull, 48ull * count)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t t = at + 4ull + 48ull * i;
      DumpThread thread;
      thread.threadId = c.U32(t);
      thread.stackStart = c.U64(t + 24);
      thread.stack = {c.U32(t + 32), c.U32(t + 36)};
      thread.context = {c.U32(t + 40), c.U32(t + 44)};
      if (!c.Has(thread.stack.rva, thread.stack.size) || !c.Has(thread.context.rva, thread.context.size)) {
        return std::nullopt;
      }
      dump.threads.push_back(thread);
    }
  }
  if (auto it = dump.streams.find(4); it != dump.streams.end()) {
    const std::uint32_t at = it->second.rva;
    const std::uint32_t count = c.U32(at);
    if (!c.Has(at + 4ull, 108ull * count)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t m = at + 4ull + 108ull * i;
      DumpModule module;
      module.base = c.U64(m);
      module.size = c.U32(m + 8);
      auto name = c.String(c.U32(m + 20));
      if (!name) return std::nullopt;
      module.name = *name;
      dump.modules.push_back(module);
    }
  }
  return dump;
}

}  // namespace testsupport
