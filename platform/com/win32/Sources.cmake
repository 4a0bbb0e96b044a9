# The com group on Windows. Shared with Linux, since they emulate nothing:
# object identity and C++ class factories, our automation values, the
# connection point our objects fire events through, and the document model
# over a page's elements. The emulated browser object and its engines stay
# Linux only: here the system's Web Browser class renders pages.
set(LUMORA_WIN32_SHARED ComObjects.cpp Variant.cpp ConnectionPoint.cpp HtmlDocument.cpp)
