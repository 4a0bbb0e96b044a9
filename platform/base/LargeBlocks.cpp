#include "platform/base/LargeBlocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace os {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// In front of every block: the length of its own mapping, 0 for a block
// from malloc. 64 bytes keep the block aligned as malloc's are (and a cache
// line apart from the length).
constexpr std::size_t kHeader = 64;

void* Mapped(std::size_t size) {
  const std::size_t length = (size + kHeader + kHugePage - 1) & ~(kHugePage - 1);
  // One huge page more than needed, so that an aligned start lies inside;
  // the parts before it and after the block are given back at once.
  auto* raw = static_cast<char*>(
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (raw == MAP_FAILED) return nullptr;
  auto* start = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + kHugePage - 1) &
                                        ~static_cast<std::uintptr_t>(kHugePage - 1));
  if (start > raw) munmap(raw, static_cast<std::size_t>(start - raw));
  char* const end = raw + length + kHugePage;
  if (end > start + length) munmap(start + length, static_cast<std::size_t>(end - (start + length)));
  // Only advice: without huge pages the block is made of small ones.
  madvise(start, length, MADV_HUGEPAGE);
  std::memcpy(start, &length, sizeof length);
  return start + kHeader;
}

}  // namespace

void* AllocateBlock(std::size_t size) {
  if (size > SIZE_MAX - kHeader - kHugePage) return nullptr;
  if (size >= kHugePage) {
    if (void* block = Mapped(size)) return block;
  }
  auto* start = static_cast<char*>(std::malloc(size + kHeader));
  if (start == nullptr) return nullptr;
  const std::size_t none = 0;
  std::memcpy(start, &none, sizeof none);
  return start + kHeader;
}

void* ResizeBlock(void* block, std::size_t oldSize, std::size_t newSize) {
  if (block == nullptr) return AllocateBlock(newSize);
  void* resized = AllocateBlock(newSize);
  if (resized == nullptr) return nullptr;
  std::memcpy(resized, block, oldSize < newSize ? oldSize : newSize);
  FreeBlock(block);
  return resized;
}

void FreeBlock(void* block) {
  if (block == nullptr) return;
  char* const start = static_cast<char*>(block) - kHeader;
  std::size_t length = 0;
  std::memcpy(&length, start, sizeof length);
  if (length == 0) {
    std::free(start);
  } else {
    munmap(start, length);
  }
}

}  // namespace os
