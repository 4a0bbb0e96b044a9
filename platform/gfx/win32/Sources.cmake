# The gfx group on Windows: density arithmetic and picture decoding emulate
# nothing.
set(LUMORA_WIN32_SHARED DeviceScale.cpp PictureFormat.cpp)
