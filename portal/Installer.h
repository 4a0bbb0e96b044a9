// The installer the download host serves, generated on the fly, and the byte
// ranges a client may ask for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace portal {

// Bytes [offset, offset + length) of an installer of `size` bytes, clipped to
// the size. The installer is a harmless shell script padded with comment lines,
// so that a launcher which runs what it downloaded runs something sensible;
// every byte depends only on its offset, so pieces fetched separately fit.
std::string InstallerBytes(std::uint64_t size, std::uint64_t offset, std::uint64_t length);

// The entity tag of the installer of `size` bytes served as `name`: it
// changes whenever the bytes do, so a client resuming with If-Range never
// joins parts of two builds.
std::string InstallerTag(std::string_view name, std::uint64_t size);

enum class RangeKind {
  kWhole,          // no usable Range header: the whole file with 200
  kSatisfiable,    // 206 with [first, last]
  kUnsatisfiable,  // 416
};

struct RangeRequest {
  RangeKind kind = RangeKind::kWhole;
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

// A single "bytes=" range as in a Range header. Headers that cannot be read,
// other units and lists of several ranges fall back to the whole file, as
// HTTP allows a server to do.
RangeRequest ParseRange(std::string_view header, std::uint64_t size);

}  // namespace portal
