// The picture decoders, built here with the fuzzer's coverage instrumentation.
// The program's own definitions win over those of the shared library, so the
// renderer decodes through these.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
