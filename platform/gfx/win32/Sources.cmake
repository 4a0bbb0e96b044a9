# The gfx group on Windows: GDI draws (win32/); the device scale, the picture
# checks, premultiplication and the text resolution setting emulate nothing.
set(LUMORA_WIN32_SHARED DeviceScale.cpp PictureFormat.cpp Premultiply.cpp TextResolution.cpp)
