# The base group on Windows: its types, conversions and checks emulate
# nothing; the last error is the system's own.
set(LUMORA_WIN32_SHARED Assert.cpp DebugOutput.cpp Unicode.cpp)
