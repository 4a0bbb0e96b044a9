// Blocks for the picture decoders: small ones from malloc, large ones mapped
// on their own for huge pages; either kind keeps its bytes through a resize.
#include "platform/base/LargeBlocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

unsigned char Byte(unsigned seed, std::size_t at) { return static_cast<unsigned char>(seed + at * 31); }

// Writes a byte every 4093 and the last one.
void Fill(void* block, std::size_t size, unsigned seed) {
  auto* bytes = static_cast<unsigned char*>(block);
  for (std::size_t i = 0; i < size; i += 4093) bytes[i] = Byte(seed, i);
  bytes[size - 1] = Byte(seed, size - 1);
}

bool Holds(const void* block, std::size_t size, unsigned seed) {
  const auto* bytes = static_cast<const unsigned char*>(block);
  for (std::size_t i = 0; i < size; i += 4093) {
    if (bytes[i] != Byte(seed, i)) return false;
  }
  return bytes[size - 1] == Byte(seed, size - 1);
}

// The system's huge page setting: "always", "madvise" or "never".
std::string HugePageMode() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string line;
  std::getline(in, line);
  const std::size_t open = line.find('['), close = line.find(']');
  return open == std::string::npos || close == std::string::npos ? "never" : line.substr(open + 1, close - open - 1);
}

// The smaps record of the mapping that holds `address`: its start and
// whether the kernel may back it with huge pages.
struct MappingRecord {
  std::uintptr_t start = 0;
  bool found = false;
  bool hugePagesAllowed = false;
};

MappingRecord MappingOf(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  MappingRecord record;
  std::string line;
  while (std::getline(smaps, line)) {
    // A mapping's first line is its range ("start-end perms ..."); the
    // lines after it are "Name: value".
    std::istringstream fields(line);
    std::string range;
    fields >> range;
    const std::size_t dash = range.find('-');
    if (dash != std::string::npos && range.back() != ':') {
      if (record.found) return record;
      const std::uintptr_t from = std::stoull(range.substr(0, dash), nullptr, 16);
      const std::uintptr_t to = std::stoull(range.substr(dash + 1), nullptr, 16);
      if (at >= from && at < to) {
        record.found = true;
        record.start = from;
      }
    } else if (record.found && range == "THPeligible:") {
      int eligible = 0;
      fields >> eligible;
      record.hugePagesAllowed = eligible == 1;
    }
  }
  return record;
}

TEST(LargeBlocks, SmallAndLargeBlocksKeepTheirBytesThroughResizes) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, kHugePage - 1, kHugePage, 3 * kHugePage + 12345}) {
    void* block = os::AllocateBlock(size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << "aligned as malloc's blocks are";
    Fill(block, size, 7);
    // Grown across the 2 MiB line and shrunk back, the first bytes stay.
    void* grown = os::ResizeBlock(block, size, size + 2 * kHugePage);
    ASSERT_NE(grown, nullptr);
    EXPECT_TRUE(Holds(grown, size, 7)) << size;
    void* shrunk = os::ResizeBlock(grown, size + 2 * kHugePage, size);
    ASSERT_NE(shrunk, nullptr);
    EXPECT_TRUE(Holds(shrunk, size, 7)) << size;
    os::FreeBlock(shrunk);
  }
  void* fresh = os::ResizeBlock(nullptr, 0, 100);
  ASSERT_NE(fresh, nullptr);
  os::FreeBlock(fresh);
  os::FreeBlock(nullptr);
  EXPECT_EQ(os::AllocateBlock(SIZE_MAX - 8), nullptr) << "a size that cannot be had";
}

// A large block lies in a mapping of its own that starts on a huge page and
// may be backed by huge pages.
TEST(LargeBlocks, LargeBlocksAreMappedForHugePages) {
  const std::size_t size = kHugePage + kHugePage / 2;
  void* large = os::AllocateBlock(size);
  ASSERT_NE(large, nullptr);
  std::memset(large, 1, size);
  const MappingRecord mapping = MappingOf(large);
  ASSERT_TRUE(mapping.found);
  EXPECT_EQ(mapping.start % kHugePage, 0u);
  if (HugePageMode() != "never") {
    EXPECT_TRUE(mapping.hugePagesAllowed);
  }
  os::FreeBlock(large);
}

}  // namespace
