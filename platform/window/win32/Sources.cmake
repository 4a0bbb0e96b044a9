# The window group on Windows: the system's windows, queue, input and paint;
# of the folder's own sources the rules every desktop shares: resource names
# and icon group directories, pixel views of bitmaps, frame-drawn
# notifications, window shapes and snapshots' pictures.
set(LUMORA_WIN32_SHARED ResourceDirectory.cpp PixelView.cpp FrameDrawn.cpp WindowShape.cpp Snapshot.cpp)
