// Extraction speed of the skin zip reader beside a plain zlib inflate of the
// same compressed bytes. By default a generated archive with a 4 MiB deflated
// entry is used; LUMORA_BENCH_ZIP names another archive and
// LUMORA_BENCH_ZIP_ENTRY the entry to extract (default: its largest
// deflated entry).
//
// Growth: archives of 1, 16 and 256 entries of 16 KiB each, every entry
// found by name and extracted, as a skin's pictures are; the cost has to grow
// linearly with the entries, so the time per entry (time_per_entry) stays the
// same, beside a plain inflate of the same streams.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "Core/ZipReader.h"
#include "platform/base/Unicode.h"
#include "tests/Core/ZipBuilder.h"

namespace {

struct Sample {
  std::string archive;
  std::u16string entry;
  std::string compressed;  // the entry's raw deflate stream
  std::size_t size = 0;    // uncompressed
};

std::uint16_t Le16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                    (static_cast<unsigned char>(s[at + 1]) << 8));
}
std::uint32_t Le32(const std::string& s, std::size_t at) {
  return Le16(s, at) | (std::uint32_t{Le16(s, at + 2)} << 16);
}

// Finds an entry's compressed bytes by walking the archive's directory, so the
// baseline inflates exactly what the reader inflates. An empty `want` picks the
// largest deflated entry.
bool Locate(Sample& s, const std::string& want) {
  const std::size_t end = s.archive.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos || end + 22 > s.archive.size()) return false;
  const std::size_t count = Le16(s.archive, end + 10);
  const std::uint32_t dirSize = Le32(s.archive, end + 12);
  const std::uint32_t dirOffset = Le32(s.archive, end + 16);
  const std::size_t before = end - dirOffset - dirSize;
  std::size_t pos = dirOffset + before;
  std::size_t best = 0;
  for (std::size_t i = 0; i < count && pos + 46 <= s.archive.size(); ++i) {
    const std::uint16_t method = Le16(s.archive, pos + 10);
    const std::uint32_t csize = Le32(s.archive, pos + 20);
    const std::uint32_t usize = Le32(s.archive, pos + 24);
    const std::size_t nameLength = Le16(s.archive, pos + 28);
    const std::string name = s.archive.substr(pos + 46, nameLength);
    const std::size_t local = Le32(s.archive, pos + 42) + before;
    if (method == 8 && (want.empty() ? usize > best : name == want)) {
      best = usize;
      const std::size_t data = local + 30 + Le16(s.archive, local + 26) + Le16(s.archive, local + 28);
      s.compressed = s.archive.substr(data, csize);
      s.entry = os::Utf8ToUtf16(name);
      s.size = usize;
    }
    pos += 46 + nameLength + Le16(s.archive, pos + 30) + Le16(s.archive, pos + 32);
  }
  return s.size != 0;
}

// Text-like content (words of a small vocabulary, as in skins and scripts),
// which deflates about four to one.
std::string Content(std::size_t size) {
  static const char* kWords[] = {"<Button ", "name=",      "\"login\" ", "width=",    "\"120\" ",
                                 "text=",    "\"登录\" ",  "bkimage=",   "'bg.png' ", "/>\n",
                                 "corner=",  "'4,4,4,4' ", "0x",         "FF20"};
  std::string out;
  std::uint32_t seed = 12345;
  while (out.size() < size) {
    seed = seed * 1664525u + 1013904223u;
    out += kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
    if ((seed & 0x3F) == 0) out += std::to_string(seed);
  }
  out.resize(size);
  return out;
}

const Sample& GetSample() {
  static const Sample sample = [] {
    Sample s;
    if (const char* path = std::getenv("LUMORA_BENCH_ZIP")) {
      std::ifstream in(path, std::ios::binary);
      s.archive.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      const char* entry = std::getenv("LUMORA_BENCH_ZIP_ENTRY");
      Locate(s, entry ? entry : "");
    } else {
      s.archive = ziptest::Builder().Add("small.xml", "<Window/>").Add("big.bin", Content(4 << 20)).Build();
      Locate(s, "big.bin");
    }
    return s;
  }();
  return sample;
}

void Extract(benchmark::State& state, Kesto::ZipReader& reader) {
  const Sample& s = GetSample();
  std::string out(s.size, '\0');
  for (auto _ : state) {
    int index = -1;
    Kesto::ZipEntryInfo info;
    std::size_t produced = 0;
    if (reader.FindEntry(s.entry, true, index, info) != Kesto::ZipResult::Ok ||
        !Kesto::Succeeded(reader.ExtractToMemory(index, out.data(), out.size(), &produced)) ||
        produced != s.size) {
      state.SkipWithError("extraction failed");
      break;
    }
    reader.ExtractToMemory(index, nullptr, 0);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}

void BM_ZipExtractFromMemory(benchmark::State& state) {
  const Sample& s = GetSample();
  Kesto::ZipReader reader;
  if (s.size == 0 || reader.OpenMemory(s.archive.data(), s.archive.size()) != Kesto::ZipResult::Ok) {
    state.SkipWithError("no archive");
    return;
  }
  Extract(state, reader);
}
BENCHMARK(BM_ZipExtractFromMemory)->Unit(benchmark::kMillisecond);

void BM_ZipExtractFromFile(benchmark::State& state) {
  const Sample& s = GetSample();
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "lumora-bench-extract.zip";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(s.archive.data(), static_cast<std::streamsize>(s.archive.size()));
  }
  Kesto::ZipReader reader;
  if (s.size == 0 || reader.OpenFile(path.u16string()) != Kesto::ZipResult::Ok) {
    state.SkipWithError("no archive");
  } else {
    Extract(state, reader);
  }
  reader.Close();
  std::filesystem::remove(path);
}
BENCHMARK(BM_ZipExtractFromFile)->Unit(benchmark::kMillisecond);

// The baseline: one raw inflate of the whole stream into the same buffer.
void BM_PlainInflate(benchmark::State& state) {
  const Sample& s = GetSample();
  if (s.size == 0) {
    state.SkipWithError("no archive");
    return;
  }
  std::string out(s.size, '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.compressed.data()));
    z.avail_in = static_cast<uInt>(s.compressed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
      state.SkipWithError("inflate failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size));
}
BENCHMARK(BM_PlainInflate)->Unit(benchmark::kMillisecond);

// --- Growth with the number of entries -------------------------------------------------

constexpr std::size_t kEntrySize = 16 << 10;

struct Archive {
  std::string bytes;
  std::vector<Sample> entries;  // each entry's name and raw deflate stream
};

const Archive& ArchiveOf(std::size_t count) {
  static std::map<std::size_t, Archive> archives;
  auto found = archives.find(count);
  if (found != archives.end()) return found->second;
  ziptest::Builder builder;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    names.push_back("skin/picture" + std::to_string(i) + ".png");
    builder.Add(names.back(), Content(kEntrySize + i));
  }
  Archive archive;
  archive.bytes = builder.Build();
  for (const std::string& name : names) {
    Sample s;
    s.archive = archive.bytes;
    if (Locate(s, name)) {
      s.archive.clear();
      archive.entries.push_back(std::move(s));
    }
  }
  return archives.emplace(count, std::move(archive)).first->second;
}

void CountEntries(benchmark::State& state, std::size_t count) {
  state.counters["time_per_entry"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(count),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Opens the archive and extracts every entry by name.
void BM_ZipExtractEntries(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const Archive& archive = ArchiveOf(count);
  if (archive.entries.size() != count) {
    state.SkipWithError("the archive was not built");
    return;
  }
  std::string out(kEntrySize + count, '\0');
  for (auto _ : state) {
    Kesto::ZipReader reader;
    if (reader.OpenMemory(archive.bytes.data(), archive.bytes.size()) != Kesto::ZipResult::Ok) {
      state.SkipWithError("the archive does not open");
      break;
    }
    for (const Sample& entry : archive.entries) {
      int index = -1;
      Kesto::ZipEntryInfo info;
      std::size_t produced = 0;
      if (reader.FindEntry(entry.entry, true, index, info) != Kesto::ZipResult::Ok ||
          !Kesto::Succeeded(reader.ExtractToMemory(index, out.data(), out.size(), &produced)) ||
          produced != entry.size) {
        state.SkipWithError("extraction failed");
        break;
      }
      reader.ExtractToMemory(index, nullptr, 0);
    }
    benchmark::DoNotOptimize(out.data());
  }
  CountEntries(state, count);
}
BENCHMARK(BM_ZipExtractEntries)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

// The baseline: one raw inflate of each entry's stream.
void BM_PlainInflateEntries(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const Archive& archive = ArchiveOf(count);
  std::string out(kEntrySize + count, '\0');
  for (auto _ : state) {
    for (const Sample& entry : archive.entries) {
      z_stream z{};
      inflateInit2(&z, -MAX_WBITS);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.compressed.data()));
      z.avail_in = static_cast<uInt>(entry.compressed.size());
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      const int rc = inflate(&z, Z_FINISH);
      inflateEnd(&z);
      if (rc != Z_STREAM_END) {
        state.SkipWithError("inflate failed");
        break;
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  CountEntries(state, count);
}
BENCHMARK(BM_PlainInflateEntries)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
