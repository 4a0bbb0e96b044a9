#include "platform/system/MiniDump.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>

#include "platform/system/Kernel.h"

namespace os {
namespace {

// Everything below runs inside a fatal-signal handler. File and memory
// operations go straight to the kernel: the C library's wrappers are
// intercepted by the sanitizer runtimes, whose checks would read the crashed
// thread's stack through its poisoned red zones.
long RawOpen(const char* path, int flags, int mode) {
  return syscall(SYS_openat, AT_FDCWD, path, flags, mode);
}
long RawRead(int fd, void* buf, std::size_t n) { return syscall(SYS_read, fd, buf, n); }
long RawWrite(int fd, const void* buf, std::size_t n) { return syscall(SYS_write, fd, buf, n); }
void RawClose(int fd) { syscall(SYS_close, fd); }

constexpr std::size_t kMaxModules = 2048;
constexpr std::size_t kNamePool = 512 * 1024;
constexpr std::size_t kOutBuffer = 64 * 1024;
constexpr std::size_t kReadBuffer = 16 * 1024;
constexpr std::size_t kLineBuffer = 8 * 1024;
// The part of the crashed thread's stack that goes into the dump: from just
// below the stack pointer (the red zone leaf functions use) upwards.
constexpr std::uint64_t kRedZone = 128;
constexpr std::uint64_t kMaxStackBytes = 256 * 1024;
constexpr std::uint64_t kOverflowReach = 1024 * 1024;

struct Module {
  std::uint64_t base;
  std::uint64_t end;
  std::uint32_t nameOffset;
  std::uint32_t nameLength;
  bool executable;
};

struct Scratch {
  char out[kOutBuffer];
  char read[kReadBuffer];
  char line[kLineBuffer];
  Module modules[kMaxModules];
  char names[kNamePool];
};

// Prepared once, then only read: the processor facts that need calls which
// are not async-signal-safe, and the working memory of the writer.
struct Prepared {
  Scratch* scratch = nullptr;
  std::uint8_t processors = 0;
  WORD level = 0;
  WORD revision = 0;
  DWORD vendor[3] = {};
  DWORD version = 0;
  DWORD features = 0;
  DWORD amdFeatures = 0;
};
Prepared g_prepared;
std::atomic<bool> g_ready{false};
// Only one dump is written at a time: the crash handler lets one thread in.
std::atomic<bool> g_writing{false};

class Out {
 public:
  Out(int fd, char* buffer) : fd_(fd), buffer_(buffer) {}

  void Bytes(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      if (length_ == kOutBuffer) Flush();
      std::size_t chunk = kOutBuffer - length_;
      if (chunk > n) chunk = n;
      std::memcpy(buffer_ + length_, p, chunk);
      length_ += chunk;
      p += chunk;
      n -= chunk;
    }
  }
  void U8(std::uint8_t v) { Bytes(&v, 1); }
  void U16(std::uint16_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    Bytes(b, 2);
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Zeros(std::size_t n) {
    static constexpr char zero[64] = {};
    while (n > 0) {
      const std::size_t chunk = n < sizeof(zero) ? n : sizeof(zero);
      Bytes(zero, chunk);
      n -= chunk;
    }
  }
  // Copies live process memory straight from its address; the kernel reports
  // an unreadable page as an error instead of faulting, and the rest is
  // filled with zeros so the layout stays as announced.
  void Memory(std::uint64_t address, std::size_t n) {
    Flush();
    while (n > 0 && ok_) {
      const long written = RawWrite(fd_, reinterpret_cast<const void*>(address), n);
      if (written > 0) {
        address += static_cast<std::uint64_t>(written);
        n -= static_cast<std::size_t>(written);
        continue;
      }
      if (written < 0 && errno == EINTR) continue;
      if (written < 0 && errno == EFAULT) {
        Zeros(n);
        break;
      }
      ok_ = false;
    }
    Flush();
  }
  void Flush() {
    std::size_t done = 0;
    while (done < length_ && ok_) {
      const long written = RawWrite(fd_, buffer_ + done, length_ - done);
      if (written > 0) {
        done += static_cast<std::size_t>(written);
      } else if (!(written < 0 && errno == EINTR)) {
        ok_ = false;
      }
    }
    length_ = 0;
  }
  bool ok() const { return ok_; }

 private:
  int fd_;
  char* buffer_;
  std::size_t length_ = 0;
  bool ok_ = true;
};

bool ParseHex(const char*& p, const char* end, std::uint64_t& value) {
  value = 0;
  const char* start = p;
  while (p < end) {
    const char c = *p;
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
    ++p;
  }
  return p != start;
}

void SkipField(const char*& p, const char* end) {
  while (p < end && *p != ' ') ++p;
  while (p < end && *p == ' ') ++p;
}

struct MapsResult {
  std::size_t moduleCount = 0;
  std::size_t namesUsed = 0;
  std::uint64_t stackStart = 0;
  std::uint64_t stackEnd = 0;
  std::uint64_t aboveStart = 0;
  std::uint64_t aboveEnd = 0;
};

bool SamePath(const Scratch& s, const Module& m, const char* path, std::size_t length) {
  return m.nameLength == length && std::memcmp(s.names + m.nameOffset, path, length) == 0;
}

// One line of /proc/self/maps: "start-end perms offset dev inode   path".
void TakeMapsLine(Scratch& s, const char* line, std::size_t length, std::uint64_t stackPointer,
                  MapsResult& r) {
  const char* p = line;
  const char* end = line + length;
  std::uint64_t start = 0;
  std::uint64_t stop = 0;
  if (!ParseHex(p, end, start) || p >= end || *p != '-') return;
  ++p;
  if (!ParseHex(p, end, stop)) return;
  while (p < end && *p == ' ') ++p;
  const char* perms = p;
  if (end - perms < 4) return;
  const bool readable = perms[0] == 'r';
  const bool executable = perms[2] == 'x';
  SkipField(p, end);
  std::uint64_t offset = 0;
  ParseHex(p, end, offset);
  SkipField(p, end);  // offset
  SkipField(p, end);  // device
  SkipField(p, end);  // inode
  const char* path = p;
  const std::size_t pathLength = static_cast<std::size_t>(end - p);

  if (stackPointer >= start && stackPointer < stop && readable) {
    r.stackStart = start;
    r.stackEnd = stop;
  } else if (start > stackPointer && start - stackPointer <= kOverflowReach && readable &&
             (r.aboveStart == 0 || start < r.aboveStart)) {
    // A stack overflow leaves the stack pointer just below the stack's
    // lowest mapped page; that mapping is the stack worth keeping.
    r.aboveStart = start;
    r.aboveEnd = stop;
  }
  const bool fileBacked = pathLength > 0 && path[0] == '/';
  const bool vdso = pathLength == 6 && std::memcmp(path, "[vdso]", 6) == 0;
  if (!fileBacked && !vdso) return;

  if (r.moduleCount > 0) {
    Module& last = s.modules[r.moduleCount - 1];
    if (SamePath(s, last, path, pathLength) && start >= last.end) {
      last.end = stop;
      last.executable = last.executable || executable;
      return;
    }
  }
  // A module starts with the mapping of its file's beginning; later pieces
  // of other files mapped at an offset are data, not modules.
  if (offset != 0 || r.moduleCount == kMaxModules || r.namesUsed + pathLength > kNamePool) return;
  Module& m = s.modules[r.moduleCount++];
  m.base = start;
  m.end = stop;
  m.nameOffset = static_cast<std::uint32_t>(r.namesUsed);
  m.nameLength = static_cast<std::uint32_t>(pathLength);
  m.executable = executable;
  std::memcpy(s.names + r.namesUsed, path, pathLength);
  r.namesUsed += pathLength;
}

MapsResult ReadMaps(Scratch& s, std::uint64_t stackPointer) {
  MapsResult r;
  const long fd = RawOpen("/proc/self/maps", O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return r;
  std::size_t lineLength = 0;
  bool overlong = false;
  for (;;) {
    const long n = RawRead(static_cast<int>(fd), s.read, kReadBuffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (long i = 0; i < n; ++i) {
      const char c = s.read[i];
      if (c == '\n') {
        if (!overlong) TakeMapsLine(s, s.line, lineLength, stackPointer, r);
        lineLength = 0;
        overlong = false;
      } else if (lineLength < kLineBuffer) {
        s.line[lineLength++] = c;
      } else {
        overlong = true;
      }
    }
  }
  if (lineLength > 0 && !overlong) TakeMapsLine(s, s.line, lineLength, stackPointer, r);
  RawClose(static_cast<int>(fd));
  if (r.stackEnd == 0 && r.aboveEnd != 0) {
    r.stackStart = r.aboveStart;
    r.stackEnd = r.aboveEnd;
  }

  // Only mappings that hold code make a module (fonts, caches and other
  // mapped data files do not).
  std::size_t kept = 0;
  for (std::size_t i = 0; i < r.moduleCount; ++i) {
    if (s.modules[i].executable) s.modules[kept++] = s.modules[i];
  }
  r.moduleCount = kept;
  return r;
}

// Number of UTF-16 units of a UTF-8 text; malformed bytes count as one
// replacement character each.
struct Utf8Reader {
  const unsigned char* p;
  const unsigned char* end;

  bool Next(std::uint32_t& cp) {
    if (p >= end) return false;
    const unsigned char c = *p++;
    int extra = 0;
    if (c < 0x80) {
      cp = c;
      return true;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      cp = 0xFFFD;
      return true;
    }
    for (int i = 0; i < extra; ++i) {
      if (p >= end || (*p & 0xC0) != 0x80) {
        cp = 0xFFFD;
        return true;
      }
      cp = (cp << 6) | (*p++ & 0x3F);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    return true;
  }
};

std::uint32_t Utf16Units(const char* text, std::size_t length) {
  Utf8Reader reader{reinterpret_cast<const unsigned char*>(text),
                    reinterpret_cast<const unsigned char*>(text) + length};
  std::uint32_t units = 0;
  std::uint32_t cp = 0;
  while (reader.Next(cp)) units += cp >= 0x10000 ? 2 : 1;
  return units;
}

// MINIDUMP_STRING: byte length (without terminator), UTF-16 text, 0 unit.
std::uint32_t StringSize(const char* text, std::size_t length) {
  return 4 + 2 * Utf16Units(text, length) + 2;
}

void PutString(Out& out, const char* text, std::size_t length) {
  out.U32(2 * Utf16Units(text, length));
  Utf8Reader reader{reinterpret_cast<const unsigned char*>(text),
                    reinterpret_cast<const unsigned char*>(text) + length};
  std::uint32_t cp = 0;
  while (reader.Next(cp)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.U16(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
      out.U16(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.U16(static_cast<std::uint16_t>(cp));
    }
  }
  out.U16(0);
}

// "6.1.0-18-amd64" → 6, 1, 0.
void ParseRelease(const char* release, DWORD numbers[3]) {
  const char* p = release;
  for (int i = 0; i < 3; ++i) {
    DWORD v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + static_cast<DWORD>(*p++ - '0');
    numbers[i] = v;
    if (*p != '.') break;
    ++p;
  }
}

constexpr std::uint32_t kHeaderSize = 32;
constexpr std::uint32_t kDirectoryEntrySize = 12;
constexpr std::uint32_t kSystemInfoSize = 56;
constexpr std::uint32_t kExceptionStreamSize = 168;
constexpr std::uint32_t kThreadSize = 48;
constexpr std::uint32_t kMemoryDescriptorSize = 16;
constexpr std::uint32_t kModuleSize = 108;
constexpr std::uint32_t kContextSize = sizeof(CONTEXT);

}  // namespace

HANDLE CreateDumpFile(const char* path) {
  if (path == nullptr) return INVALID_DUMP_FILE;
  const long fd = RawOpen(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return INVALID_DUMP_FILE;
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

void CloseDumpFile(HANDLE file) {
  if (file == INVALID_DUMP_FILE) return;
  RawClose(static_cast<int>(reinterpret_cast<std::intptr_t>(file)));
}

void PrepareMiniDump() {
  // 0 untouched, 1 being prepared, 2 ready. A thread that finds it being
  // prepared waits: it runs only at install time or before a first dump.
  static std::atomic<int> state{0};
  int expected = 0;
  if (!state.compare_exchange_strong(expected, 1)) {
    while (state.load() == 1) {
    }
    return;
  }
  Prepared p;
  void* memory = mmap(nullptr, sizeof(Scratch), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  p.scratch = memory == MAP_FAILED ? nullptr : static_cast<Scratch*>(memory);
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  p.processors = static_cast<std::uint8_t>(cpus > 255 ? 255 : (cpus < 0 ? 0 : cpus));
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d)) {
    p.vendor[0] = b;
    p.vendor[1] = d;
    p.vendor[2] = c;
  }
  if (__get_cpuid(1, &a, &b, &c, &d)) {
    p.version = a;
    p.features = d;
    unsigned family = (a >> 8) & 0xF;
    unsigned model = (a >> 4) & 0xF;
    if (family == 0xF) family += (a >> 20) & 0xFF;
    if (family == 0x6 || family >= 0xF) model += ((a >> 16) & 0xF) << 4;
    p.level = static_cast<WORD>(family);
    p.revision = static_cast<WORD>((model << 8) | (a & 0xF));
  }
  if (__get_cpuid(0x80000001, &a, &b, &c, &d)) p.amdFeatures = c;
#endif
  g_prepared = p;
  g_ready.store(true);
  state.store(2);
}

BOOL MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, DWORD dumpType,
                       const MINIDUMP_EXCEPTION_INFORMATION* exception, const void* userStreams,
                       const void* callback) {
  if (process != GetCurrentProcess() || processId != static_cast<DWORD>(getpid())) return FALSE;
  if (file == INVALID_DUMP_FILE || dumpType != MiniDumpNormal || userStreams != nullptr ||
      callback != nullptr) {
    return FALSE;
  }
  PrepareMiniDump();
  if (!g_ready.load() || g_prepared.scratch == nullptr) return FALSE;
  bool expected = false;
  if (!g_writing.compare_exchange_strong(expected, true)) return FALSE;
  Scratch& s = *g_prepared.scratch;
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(file));

  const EXCEPTION_POINTERS* pointers = exception != nullptr ? exception->ExceptionPointers : nullptr;
  const bool hasException =
      pointers != nullptr && pointers->ExceptionRecord != nullptr && pointers->ContextRecord != nullptr;
  const CONTEXT* context = hasException ? pointers->ContextRecord : nullptr;
  const std::uint64_t stackPointer = context != nullptr ? context->Rsp : 0;

  const MapsResult maps = ReadMaps(s, stackPointer);

  struct utsname names;
  if (syscall(SYS_uname, &names) != 0) std::memset(&names, 0, sizeof(names));
  DWORD release[3] = {0, 0, 0};
  ParseRelease(names.release, release);
  // "Linux <release> <version>" as the service-pack text.
  char csd[sizeof(names.release) + sizeof(names.version) + 8];
  std::size_t csdLength = 0;
  auto append = [&](const char* text) {
    for (std::size_t i = 0; text[i] != '\0' && csdLength + 1 < sizeof(csd); ++i) csd[csdLength++] = text[i];
  };
  append("Linux ");
  append(names.release);
  append(" ");
  append(names.version);

  // Stack of the faulting thread.
  std::uint64_t stackStart = 0;
  std::uint64_t stackSize = 0;
  if (hasException && maps.stackEnd > maps.stackStart) {
    stackStart = stackPointer >= maps.stackStart + kRedZone ? stackPointer - kRedZone : maps.stackStart;
    if (stackStart >= maps.stackEnd) stackStart = maps.stackStart;
    stackSize = maps.stackEnd - stackStart;
    if (stackSize > kMaxStackBytes) stackSize = kMaxStackBytes;
  }

  // Layout: header, directory, streams, then the blobs they point at.
  const std::uint32_t streamCount = hasException ? 5 : 2;
  std::uint32_t rva = kHeaderSize;
  const std::uint32_t directoryRva = rva;
  rva += streamCount * kDirectoryEntrySize;
  const std::uint32_t systemInfoRva = rva;
  rva += kSystemInfoSize;
  const std::uint32_t csdRva = rva;
  rva += StringSize(csd, csdLength);
  const std::uint32_t exceptionRva = rva;
  if (hasException) rva += kExceptionStreamSize;
  const std::uint32_t threadListRva = rva;
  const std::uint32_t threadListSize = 4 + kThreadSize;
  if (hasException) rva += threadListSize;
  const std::uint32_t memoryListRva = rva;
  const std::uint32_t memoryListSize = 4 + kMemoryDescriptorSize;
  if (hasException) rva += memoryListSize;
  const std::uint32_t moduleListRva = rva;
  const std::uint32_t moduleListSize = 4 + kModuleSize * static_cast<std::uint32_t>(maps.moduleCount);
  rva += moduleListSize;
  rva = (rva + 15u) & ~15u;
  const std::uint32_t contextRva = rva;
  if (hasException) rva += kContextSize;
  const std::uint32_t namesRva = rva;
  for (std::size_t i = 0; i < maps.moduleCount; ++i) {
    rva += StringSize(s.names + s.modules[i].nameOffset, s.modules[i].nameLength);
  }
  const std::uint32_t stackRva = rva;

  Out out(fd, s.out);
  struct timespec now {};
  syscall(SYS_clock_gettime, CLOCK_REALTIME, &now);

  // MINIDUMP_HEADER
  out.U32(MINIDUMP_SIGNATURE);
  out.U32(MINIDUMP_VERSION);
  out.U32(streamCount);
  out.U32(directoryRva);
  out.U32(0);  // checksum
  out.U32(static_cast<std::uint32_t>(now.tv_sec));
  out.U64(MiniDumpNormal);

  // Directory
  auto entry = [&](DWORD type, std::uint32_t size, std::uint32_t at) {
    out.U32(type);
    out.U32(size);
    out.U32(at);
  };
  entry(SystemInfoStream, kSystemInfoSize, systemInfoRva);
  if (hasException) {
    entry(ExceptionStream, kExceptionStreamSize, exceptionRva);
    entry(ThreadListStream, threadListSize, threadListRva);
    entry(MemoryListStream, memoryListSize, memoryListRva);
  }
  entry(ModuleListStream, moduleListSize, moduleListRva);

  // MINIDUMP_SYSTEM_INFO
#if defined(__x86_64__)
  out.U16(PROCESSOR_ARCHITECTURE_AMD64);
#else
  out.U16(PROCESSOR_ARCHITECTURE_UNKNOWN);
#endif
  out.U16(g_prepared.level);
  out.U16(g_prepared.revision);
  out.U8(g_prepared.processors);
  out.U8(0);  // product type
  out.U32(release[0]);
  out.U32(release[1]);
  out.U32(release[2]);
  out.U32(MINIDUMP_PLATFORM_LINUX);
  out.U32(csdRva);
  out.U16(0);  // suite mask
  out.U16(0);
  out.U32(g_prepared.vendor[0]);
  out.U32(g_prepared.vendor[1]);
  out.U32(g_prepared.vendor[2]);
  out.U32(g_prepared.version);
  out.U32(g_prepared.features);
  out.U32(g_prepared.amdFeatures);
  PutString(out, csd, csdLength);

  if (hasException) {
    // MINIDUMP_EXCEPTION_STREAM
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    out.U32(exception->ThreadId);
    out.U32(0);
    out.U32(record.ExceptionCode);
    out.U32(record.ExceptionFlags);
    out.U64(0);  // no nested record
    out.U64(reinterpret_cast<std::uint64_t>(record.ExceptionAddress));
    const DWORD parameters = record.NumberParameters > EXCEPTION_MAXIMUM_PARAMETERS
                                 ? EXCEPTION_MAXIMUM_PARAMETERS
                                 : record.NumberParameters;
    out.U32(parameters);
    out.U32(0);
    for (int i = 0; i < EXCEPTION_MAXIMUM_PARAMETERS; ++i) {
      out.U64(static_cast<DWORD>(i) < parameters ? record.ExceptionInformation[i] : 0);
    }
    out.U32(kContextSize);
    out.U32(contextRva);

    // MINIDUMP_THREAD_LIST with the faulting thread.
    out.U32(1);
    out.U32(exception->ThreadId);
    out.U32(0);  // suspend count
    out.U32(0);  // priority class
    out.U32(0);  // priority
    out.U64(0);  // environment block
    out.U64(stackStart);
    out.U32(static_cast<std::uint32_t>(stackSize));
    out.U32(stackRva);
    out.U32(kContextSize);
    out.U32(contextRva);

    // MINIDUMP_MEMORY_LIST: the same stack bytes.
    out.U32(1);
    out.U64(stackStart);
    out.U32(static_cast<std::uint32_t>(stackSize));
    out.U32(stackRva);
  }

  // MINIDUMP_MODULE_LIST
  out.U32(static_cast<std::uint32_t>(maps.moduleCount));
  std::uint32_t nameRva = namesRva;
  for (std::size_t i = 0; i < maps.moduleCount; ++i) {
    const Module& m = s.modules[i];
    out.U64(m.base);
    out.U32(static_cast<std::uint32_t>(m.end - m.base));
    out.U32(0);  // checksum
    out.U32(0);  // time stamp
    out.U32(nameRva);
    out.Zeros(52);  // version information
    out.Zeros(8);   // CodeView record
    out.Zeros(8);   // misc record
    out.Zeros(16);  // reserved
    nameRva += StringSize(s.names + m.nameOffset, m.nameLength);
  }
  out.Zeros(contextRva - (moduleListRva + moduleListSize));

  if (hasException) out.Bytes(context, kContextSize);
  for (std::size_t i = 0; i < maps.moduleCount; ++i) {
    PutString(out, s.names + s.modules[i].nameOffset, s.modules[i].nameLength);
  }
  if (stackSize > 0) out.Memory(stackStart, static_cast<std::size_t>(stackSize));
  out.Flush();

  const bool ok = out.ok();
  g_writing.store(false);
  return ok ? TRUE : FALSE;
}

}  // namespace os
