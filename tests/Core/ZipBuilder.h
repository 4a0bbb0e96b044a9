// Builds zip archives in memory for the tests: stored and deflated entries,
// optional data descriptors, other data in front, a comment, and hooks to
// damage any header field afterwards.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ziptest {

inline std::string Deflate(const std::string& data, int level = 6) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline void Put16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
inline void Put32(std::string& s, std::uint32_t v) {
  Put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<std::uint16_t>(v >> 16));
}
inline void Set16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
inline void Set32(std::string& s, std::size_t at, std::uint32_t v) {
  Set16(s, at, static_cast<std::uint16_t>(v & 0xFFFF));
  Set16(s, at + 2, static_cast<std::uint16_t>(v >> 16));
}

struct Entry {
  std::string name;
  std::string data;
  bool deflate = true;
  bool descriptor = false;  // flag bit 3: crc and sizes after the data
  std::string localExtra;
};

// Where each part of a built archive lies, for tests that damage it.
struct Layout {
  std::vector<std::size_t> localHeaders;
  std::vector<std::size_t> directoryEntries;
  std::size_t directoryStart = 0;
  std::size_t endRecord = 0;
};

class Builder {
 public:
  Builder& Add(Entry e) {
    entries_.push_back(std::move(e));
    return *this;
  }
  Builder& Add(const std::string& name, const std::string& data, bool deflate = true) {
    return Add(Entry{name, data, deflate, false, {}});
  }
  Builder& Prefix(std::string junk) {
    prefix_ = std::move(junk);
    return *this;
  }
  Builder& Comment(std::string comment) {
    comment_ = std::move(comment);
    return *this;
  }

  std::string Build(Layout* layout = nullptr) const {
    Layout l;
    std::string zip = prefix_;
    const std::size_t base = prefix_.size();  // offsets in the archive exclude the prefix
    std::string directory;
    for (const Entry& e : entries_) {
      const std::string stored = e.deflate ? Deflate(e.data) : e.data;
      const std::uint32_t crc = Crc(e.data);
      const std::uint16_t flags = e.descriptor ? 8 : 0;
      const std::uint16_t method = e.deflate ? 8 : 0;
      const std::size_t local = zip.size();
      l.localHeaders.push_back(local);
      Put32(zip, 0x04034B50);
      Put16(zip, 20);
      Put16(zip, flags);
      Put16(zip, method);
      Put16(zip, 0);     // time
      Put16(zip, 0x21);  // date
      Put32(zip, e.descriptor ? 0 : crc);
      Put32(zip, e.descriptor ? 0 : static_cast<std::uint32_t>(stored.size()));
      Put32(zip, e.descriptor ? 0 : static_cast<std::uint32_t>(e.data.size()));
      Put16(zip, static_cast<std::uint16_t>(e.name.size()));
      Put16(zip, static_cast<std::uint16_t>(e.localExtra.size()));
      zip += e.name;
      zip += e.localExtra;
      zip += stored;
      if (e.descriptor) {
        Put32(zip, 0x08074B50);
        Put32(zip, crc);
        Put32(zip, static_cast<std::uint32_t>(stored.size()));
        Put32(zip, static_cast<std::uint32_t>(e.data.size()));
      }
      std::string d;
      Put32(d, 0x02014B50);
      Put16(d, 20);
      Put16(d, 20);
      Put16(d, flags);
      Put16(d, method);
      Put16(d, 0);
      Put16(d, 0x21);
      Put32(d, crc);
      Put32(d, static_cast<std::uint32_t>(stored.size()));
      Put32(d, static_cast<std::uint32_t>(e.data.size()));
      Put16(d, static_cast<std::uint16_t>(e.name.size()));
      Put16(d, 0);  // extra
      Put16(d, 0);  // comment
      Put16(d, 0);  // disk
      Put16(d, 0);  // internal attributes
      Put32(d, 0x20);
      Put32(d, static_cast<std::uint32_t>(local - base));
      d += e.name;
      l.directoryEntries.push_back(directory.size());
      directory += d;
    }
    l.directoryStart = zip.size();
    for (std::size_t& off : l.directoryEntries) off += l.directoryStart;
    zip += directory;
    l.endRecord = zip.size();
    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<std::uint16_t>(entries_.size()));
    Put16(zip, static_cast<std::uint16_t>(entries_.size()));
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, static_cast<std::uint32_t>(l.directoryStart - base));
    Put16(zip, static_cast<std::uint16_t>(comment_.size()));
    zip += comment_;
    if (layout) *layout = l;
    return zip;
  }

 private:
  std::vector<Entry> entries_;
  std::string prefix_;
  std::string comment_;
};

// Bytes that deflate poorly, so that archives span many kilobytes.
inline std::string Noise(std::size_t n, std::uint32_t seed = 1) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

}  // namespace ziptest
