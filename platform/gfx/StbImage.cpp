// stb's picture decoders, compiled into the program from the distribution's
// header. On Linux their memory comes from os::AllocateBlock: the decoded
// picture stays where the decoder wrote it (os::Bitmap::OverMemory), and the
// large blocks are made of huge pages where the system has them.
// stbi_image_free gives back what the decoders return.
#if !defined(_WIN32)
#include "platform/base/LargeBlocks.h"
#define STBI_MALLOC(size) os::AllocateBlock(size)
#define STBI_REALLOC_SIZED(block, oldSize, newSize) os::ResizeBlock(block, oldSize, newSize)
#define STBI_FREE(block) os::FreeBlock(block)
#endif
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
