// Reads back a minidump file independently of the writer, from the public
// format's field offsets, so that tests check the bytes a dump reader sees.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct DumpLocation {
  std::uint32_t size = 0;
  std::uint32_t rva = 0;
};

struct DumpException {
  std::uint32_t threadId = 0;
  std::uint32_t code = 0;
  std::uint32_t flags = 0;
  std::uint64_t address = 0;
  std::vector<std::uint64_t> parameters;
  DumpLocation context;
};

struct DumpThread {
  std::uint32_t threadId = 0;
  std::uint64_t stackStart = 0;
  DumpLocation stack;
  DumpLocation context;
};

struct DumpModule {
  std::uint64_t base = 0;
  std::uint32_t size = 0;
  std::string name;  // UTF-8
};

struct DumpRegisters {
  std::uint32_t contextFlags = 0;
  std::uint64_t rsp = 0;
  std::uint64_t rip = 0;
};

struct MiniDumpFile {
  std::uint32_t signature = 0;
  std::uint32_t version = 0;
  std::uint32_t streamCount = 0;
  std::map<std::uint32_t, DumpLocation> streams;  // by stream type
  std::uint16_t processorArchitecture = 0;
  std::uint32_t platformId = 0;
  std::string csdVersion;
  std::optional<DumpException> exception;
  std::vector<DumpThread> threads;
  std::vector<DumpModule> modules;
  std::string bytes;  // the whole file

  // The registers of the context stored at `where`.
  DumpRegisters RegistersAt(const DumpLocation& where) const;
  // Bytes of a location; empty when it lies outside the file.
  std::string Slice(const DumpLocation& where) const;
};

// Whether the dump's strings must end in a zero unit, as the format says.
// Some writers of other systems leave it out.
enum class DumpStrings { kTerminated, kLengthOnly };

// Parses the file; an empty optional when it is not a minidump or a stream
// points outside the file.
std::optional<MiniDumpFile> ReadMiniDump(const std::string& bytes,
                                         DumpStrings strings = DumpStrings::kTerminated);

}  // namespace testsupport
