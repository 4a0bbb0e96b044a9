// Memory for the few large buffers a picture decoder writes once from end to
// end: the decoded background of a window and the decoder's own inflated
// rows (3 MiB each for the login window).
//
// A block of 2 MiB or more gets a mapping of its own, aligned to and rounded
// up to 2 MiB, that asks the kernel for transparent huge pages: the first
// write then takes one page fault per 2 MiB instead of one per 4 KiB. On a
// virtual machine each of those faults costs the guest and its host about
// 10 µs, which made the decoder's buffers the picture worker's largest cost
// at start-up. Where the kernel has no huge page to give (or huge pages are
// off) the mapping falls back to small pages, as malloc's own large blocks
// are. Smaller blocks come from malloc.
//
// Linux only: on Windows the decoder keeps malloc, since its pictures are
// copied into DIB sections anyway.
#pragma once

#include <cstddef>

namespace os {

// A block of at least `size` bytes (aligned as malloc's are); null when
// there is no memory.
void* AllocateBlock(std::size_t size);
// The block's first min(oldSize, newSize) bytes in a block of `newSize`
// bytes, which may be the same one; `block` may be null (then it is
// AllocateBlock). On failure null, and `block` stays as it was.
void* ResizeBlock(void* block, std::size_t oldSize, std::size_t newSize);
// Gives the block back; null is ignored.
void FreeBlock(void* block);

}  // namespace os
