// stb's PNG writer (snapshots of windows), compiled into the program from the
// distribution's header; a file apart from the decoders so that a program
// may bring decoders of its own build (the fuzz targets).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
