#include "Core/ZipReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Core/ZipBuilder.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using ziptest::Builder;
using ziptest::Layout;
using ziptest::Noise;

// Reads a whole entry the way the skin loaders do.
ZipResult ReadAll(ZipReader& zip, std::u16string_view name, std::string& out) {
  int index = -1;
  ZipEntryInfo info;
  const ZipResult found = zip.FindEntry(name, true, index, info);
  if (found != ZipResult::Ok) return found;
  out.assign(info.uncompressedSize, '\0');
  std::size_t produced = 0;
  const ZipResult r = zip.ExtractToMemory(index, out.data(), out.size(), &produced);
  out.resize(produced);
  return r;
}

std::string SampleArchive(Layout* layout = nullptr) {
  return Builder()
      .Add("calvera.xml", "<Window size=\"400,300\"/>", false)
      .Add("img/bg.png", Noise(5000))
      .Add("img/Text.txt", std::string(20000, 'a'))
      .Build(layout);
}

TEST(ZipReader, FindsAndExtractsStoredAndDeflatedEntries) {
  const std::string zip = SampleArchive();
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  EXPECT_EQ(reader.EntryCount(), 3);
  EXPECT_EQ(reader.BytesBeforeArchive(), 0u);

  int index = -1;
  ZipEntryInfo info;
  ASSERT_EQ(reader.FindEntry(u"img/text.TXT", true, index, info), ZipResult::Ok);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(info.index, 2);
  EXPECT_EQ(info.name, u"img/Text.txt");
  EXPECT_EQ(info.uncompressedSize, 20000u);
  EXPECT_LT(info.compressedSize, 1000u);

  std::string out;
  EXPECT_EQ(ReadAll(reader, u"img\\bg.png", out), ZipResult::More);
  EXPECT_EQ(out, Noise(5000));
  EXPECT_EQ(ReadAll(reader, u"CALVERA.XML", out), ZipResult::More);
  EXPECT_EQ(out, "<Window size=\"400,300\"/>");
  EXPECT_EQ(ReadAll(reader, u"img/Text.txt", out), ZipResult::More);
  EXPECT_EQ(out, std::string(20000, 'a'));

  // Exact comparison when asked: letter case then matters.
  EXPECT_EQ(reader.FindEntry(u"img/text.txt", false, index, info), ZipResult::NotFound);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(info.name, u"");
  EXPECT_EQ(info.uncompressedSize, 0u);
  EXPECT_EQ(reader.FindEntry(u"img/Text.txt", false, index, info), ZipResult::Ok);
  EXPECT_EQ(reader.FindEntry(u"img", true, index, info), ZipResult::NotFound);
  EXPECT_EQ(reader.FindEntry(u"img/bg.pn", true, index, info), ZipResult::NotFound);
}

TEST(ZipReader, OnlyAsciiLettersFoldTheirCase) {
  const std::string zip = Builder().Add("Ä.png", "x", false).Build();
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  int index = -1;
  ZipEntryInfo info;
  EXPECT_EQ(reader.FindEntry(u"Ä.PNG", true, index, info), ZipResult::Ok);
  EXPECT_EQ(reader.FindEntry(u"ä.png", true, index, info), ZipResult::NotFound);
}

TEST(ZipReader, ExtractsInPiecesAndContinuesTheOpenEntry) {
  const std::string data = Noise(50000, 7);
  const std::string zip = Builder().Add("a", "first", true).Add("b", data, true).Build();
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  std::string out;
  char piece[4096];
  std::size_t produced = 0;
  ZipResult r;
  while ((r = reader.ExtractToMemory(1, piece, sizeof piece, &produced)) == ZipResult::More) {
    out.append(piece, produced);
  }
  EXPECT_EQ(r, ZipResult::Ok);
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(out, data);

  // A different entry closes the open one; going back starts it afresh.
  ASSERT_EQ(reader.ExtractToMemory(1, piece, 10, &produced), ZipResult::More);
  ASSERT_EQ(reader.ExtractToMemory(0, piece, sizeof piece, &produced), ZipResult::More);
  EXPECT_EQ(std::string(piece, produced), "first");
  ASSERT_EQ(reader.ExtractToMemory(1, piece, 10, &produced), ZipResult::More);
  EXPECT_EQ(std::string(piece, produced), data.substr(0, 10));

  // A buffer larger than the entry gets exactly the entry.
  std::string big(100, '#');
  ASSERT_EQ(reader.ExtractToMemory(0, big.data(), big.size(), &produced), ZipResult::More);
  EXPECT_EQ(produced, 5u);
  EXPECT_EQ(big.substr(5), std::string(95, '#'));
}

TEST(ZipReader, RefusesBadArguments) {
  ZipReader closed;
  int index = 0;
  ZipEntryInfo info;
  char buffer[8];
  EXPECT_EQ(closed.FindEntry(u"a", true, index, info), ZipResult::BadArgument);
  EXPECT_EQ(closed.ExtractToMemory(0, buffer, sizeof buffer), ZipResult::BadArgument);

  const std::string zip = SampleArchive();
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  EXPECT_EQ(reader.ExtractToMemory(3, buffer, sizeof buffer), ZipResult::BadArgument);
  EXPECT_EQ(reader.ExtractToMemory(-1, buffer, sizeof buffer), ZipResult::BadArgument);
  EXPECT_EQ(reader.FindEntry(std::u16string(256, u'a'), true, index, info), ZipResult::BadArgument);
  EXPECT_EQ(reader.FindEntry(std::u16string(255, u'a'), true, index, info), ZipResult::NotFound);
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.FindEntry(u"calvera.xml", true, index, info), ZipResult::BadArgument);
}

TEST(ZipReader, ReadsArchivesAfterOtherDataAndFromFiles) {
  testsupport::TempDir dir;
  const std::string junk = Noise(70000, 3);
  const std::string zip =
      Builder().Prefix(junk).Add("skin.xml", "<Window/>").Comment("made by a test").Build();
  testsupport::WriteFileBytes(dir / "skin.zip", zip);

  ZipReader fromFile;
  ASSERT_EQ(fromFile.OpenFile((dir / "skin.zip").u16string()), ZipResult::Ok);
  ZipReader fromMemory;
  ASSERT_EQ(fromMemory.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  for (ZipReader* r : {&fromFile, &fromMemory}) {
    EXPECT_EQ(r->BytesBeforeArchive(), junk.size());
    std::string out;
    EXPECT_EQ(ReadAll(*r, u"skin.xml", out), ZipResult::More);
    EXPECT_EQ(out, "<Window/>");
  }

  ZipReader missing;
  EXPECT_EQ(missing.OpenFile((dir / "nothing.zip").u16string()), ZipResult::NoFile);
  EXPECT_EQ(missing.OpenFile(dir.path().u16string()), ZipResult::NoFile);
  EXPECT_FALSE(missing.IsOpen());
}

// Players' folders carry names in their own script; the path travels as
// UTF-16 to the file system (on Windows through the wide calls, never a code
// page), so a folder and an archive named in Chinese open like any other.
TEST(ZipReader, OpensArchivesWhosePathIsNotAscii) {
  testsupport::TempDir dir;
  const std::filesystem::path folder = dir.path() / std::filesystem::path(u"\u76AE\u80A4");
  std::filesystem::create_directory(folder);
  const std::filesystem::path archive = folder / std::filesystem::path(u"\u6E38\u620F.zip");
  testsupport::WriteFileBytes(archive, Builder().Add("skin.xml", "<Window/>").Build());

  ZipReader reader;
  ASSERT_EQ(reader.OpenFile(archive.u16string()), ZipResult::Ok);
  std::string out;
  EXPECT_EQ(ReadAll(reader, u"skin.xml", out), ZipResult::More);
  EXPECT_EQ(out, "<Window/>");
  // The same name with one character changed is another file, not a lookalike.
  ZipReader other;
  EXPECT_EQ(other.OpenFile((folder / std::filesystem::path(u"\u6E38\u620E.zip")).u16string()),
            ZipResult::NoFile);
}

TEST(ZipReader, EndRecordIsSearchedInTheLast64KiB) {
  // The record is 22 bytes; a comment pushes it back from the end.
  const std::string fits = Builder().Add("a", "x").Comment(std::string(65535 - 22, 'c')).Build();
  const std::string tooFar = Builder().Add("a", "x").Comment(std::string(65535 - 21, 'c')).Build();
  ZipReader reader;
  EXPECT_EQ(reader.OpenMemory(fits.data(), fits.size()), ZipResult::Ok);
  EXPECT_EQ(reader.OpenMemory(tooFar.data(), tooFar.size()), ZipResult::NoFile);
  // A signature straddling two scan blocks is still seen.
  for (std::size_t comment = 1000; comment < 1040; ++comment) {
    const std::string zip = Builder().Add("a", "x").Comment(std::string(comment, 'c')).Build();
    EXPECT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok) << comment;
  }
}

TEST(ZipReader, DataDescriptorsSkipTheLocalSizeCheck) {
  const std::string data = Noise(3000);
  const std::string zip = Builder()
                              .Add(ziptest::Entry{"d.bin", data, true, true, {}})
                              .Add(ziptest::Entry{"s.bin", "stored", false, true, "EXTRA"})
                              .Build();
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(zip.data(), zip.size()), ZipResult::Ok);
  std::string out;
  EXPECT_EQ(ReadAll(reader, u"d.bin", out), ZipResult::More);
  EXPECT_EQ(out, data);
  EXPECT_EQ(ReadAll(reader, u"s.bin", out), ZipResult::More);
  EXPECT_EQ(out, "stored");
}

TEST(ZipReader, RejectsInconsistentDirectories) {
  Layout l;
  const std::string good = SampleArchive(&l);
  auto opens = [](std::string zip) {
    ZipReader reader;
    return reader.OpenMemory(zip.data(), zip.size());
  };
  std::string z = good;
  ziptest::Set16(z, l.endRecord + 4, 1);  // this disk
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  z = good;
  ziptest::Set16(z, l.endRecord + 6, 1);  // directory disk
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  z = good;
  ziptest::Set16(z, l.endRecord + 8, 2);  // entries here differ from the total
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  z = good;
  ziptest::Set32(z, l.endRecord + 12, 0x7FFFFFFF);  // directory runs past the record
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  z = good;
  ziptest::Set32(z, l.endRecord + 16, static_cast<std::uint32_t>(l.endRecord));
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  z = good;
  z.resize(l.endRecord + 21);  // record cut short
  EXPECT_EQ(opens(z), ZipResult::NoFile);
  EXPECT_EQ(opens(std::string()), ZipResult::NoFile);
  EXPECT_EQ(opens("PK\x05\x06"), ZipResult::NoFile);
}

TEST(ZipReader, CorruptLocalHeadersAreReported) {
  Layout l;
  const std::string good = SampleArchive(&l);
  struct Damage {
    std::size_t offset;  // within the local header of entry 1
    std::uint16_t value;
    ZipResult expected;
  };
  const Damage damages[] = {
      {0, 0x1234, ZipResult::Corrupt},   // signature
      {8, 0, ZipResult::Corrupt},        // method differs from the directory
      {14, 0xBEEF, ZipResult::Corrupt},  // crc
      {18, 1, ZipResult::Corrupt},       // compressed size
      {22, 1, ZipResult::Corrupt},       // uncompressed size
      {26, 3, ZipResult::Corrupt},       // name length
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.offset);
    std::string z = good;
    ziptest::Set16(z, l.localHeaders[1] + d.offset, d.value);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    int index = -1;
    ZipEntryInfo info;
    EXPECT_EQ(reader.FindEntry(u"img/bg.png", true, index, info), d.expected);
    char buffer[16];
    EXPECT_EQ(reader.ExtractToMemory(1, buffer, sizeof buffer), d.expected);
    // The other entries are untouched.
    std::string out;
    EXPECT_EQ(ReadAll(reader, u"calvera.xml", out), ZipResult::More);
  }

  // Methods other than stored and deflate, in both headers.
  std::string z = good;
  ziptest::Set16(z, l.localHeaders[0] + 8, 12);
  ziptest::Set16(z, l.directoryEntries[0] + 10, 12);
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
  std::string out;
  EXPECT_EQ(ReadAll(reader, u"calvera.xml", out), ZipResult::Corrupt);
}

TEST(ZipReader, HostileSizesAndOffsetsStayInsideTheSource) {
  Layout l;
  const std::string good = SampleArchive(&l);
  auto damaged = [&](std::size_t entry, std::size_t field, std::uint32_t value) {
    std::string z = good;
    ziptest::Set32(z, l.directoryEntries[entry] + field, value);
    return z;
  };
  std::string out;
  char buffer[64];
  {
    // Local header offset outside the source.
    const std::string z = damaged(1, 42, 0xFFFFFF00u);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    EXPECT_EQ(ReadAll(reader, u"img/bg.png", out), ZipResult::Read);
    EXPECT_EQ(reader.ExtractToMemory(1, buffer, sizeof buffer), ZipResult::Read);
  }
  {
    // Directory claims more compressed bytes than the source holds (and the
    // local header, with a descriptor, does not contradict it): reading them
    // fails.
    std::string z = damaged(1, 20, 0x7FFFFFFF);
    ziptest::Set16(z, l.directoryEntries[1] + 8, 8);
    ziptest::Set16(z, l.localHeaders[1] + 6, 8);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    std::string all(5000, '\0');
    EXPECT_EQ(reader.ExtractToMemory(1, all.data(), all.size()), ZipResult::Inflate);
  }
  {
    // A stored entry whose data would run past the end of the source.
    std::string z = damaged(0, 20, 0x00100000);
    ziptest::Set32(z, l.directoryEntries[0] + 24, 0x00100000);
    ziptest::Set16(z, l.directoryEntries[0] + 8, 8);
    ziptest::Set16(z, l.localHeaders[0] + 6, 8);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    std::string all(0x00100000, '\0');
    std::size_t produced = 0;
    EXPECT_EQ(reader.ExtractToMemory(0, all.data(), all.size(), &produced), ZipResult::Inflate);
    EXPECT_LT(produced, z.size());
  }
  {
    // An uncompressed size larger than the data delivers what there is.
    std::string z = damaged(2, 24, 1000000);
    ziptest::Set16(z, l.directoryEntries[2] + 8, 8);
    ziptest::Set16(z, l.localHeaders[2] + 6, 8);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    std::string all(1000000, '\0');
    std::size_t produced = 0;
    EXPECT_EQ(reader.ExtractToMemory(2, all.data(), all.size(), &produced), ZipResult::More);
    EXPECT_EQ(produced, 20000u);
  }
  {
    // A name length running past the directory makes the entry unreadable.
    std::string z = good;
    ziptest::Set16(z, l.directoryEntries[2] + 28, 0xFFFF);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    EXPECT_EQ(ReadAll(reader, u"img/Text.txt", out), ZipResult::NotFound);
    EXPECT_EQ(reader.ExtractToMemory(2, buffer, sizeof buffer), ZipResult::Read);
    EXPECT_EQ(ReadAll(reader, u"img/bg.png", out), ZipResult::More);
  }
  {
    // The largest entry count with one real entry: the walk ends at the first
    // unreadable entry.
    std::string z = Builder().Add("only", "x").Build(&l);
    ziptest::Set16(z, l.endRecord + 8, 0xFFFF);
    ziptest::Set16(z, l.endRecord + 10, 0xFFFF);
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
    EXPECT_EQ(ReadAll(reader, u"missing", out), ZipResult::NotFound);
    EXPECT_EQ(ReadAll(reader, u"only", out), ZipResult::More);
    EXPECT_EQ(reader.ExtractToMemory(0xFFFE, buffer, sizeof buffer), ZipResult::Read);
  }
}

TEST(ZipReader, CorruptDeflateDataFails) {
  Layout l;
  std::string z = Builder().Add("bad", Noise(4000)).Build(&l);
  // Garble the compressed stream right after the local header and name.
  for (std::size_t i = 0; i < 64; ++i) z[l.localHeaders[0] + 30 + 3 + i] = static_cast<char>(0xFF);
  ZipReader reader;
  ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);
  std::string out(4000, '\0');
  std::size_t produced = 0;
  EXPECT_EQ(reader.ExtractToMemory(0, out.data(), out.size(), &produced), ZipResult::Inflate);
  EXPECT_LT(produced, out.size());
}

TEST(ZipReader, TruncatedArchivesNeverOpen) {
  const std::string zip = Builder().Add("a.xml", Noise(6000, 5)).Add("b.png", Noise(3000, 9), false).Build();
  ASSERT_GT(zip.size(), 9000u);
  testsupport::TempDir dir;
  for (std::size_t cut = 0; cut < zip.size(); cut += 1024) {
    SCOPED_TRACE(cut);
    const std::string part = zip.substr(0, cut);
    ZipReader memory;
    EXPECT_EQ(memory.OpenMemory(part.data(), part.size()), ZipResult::NoFile);
    testsupport::WriteFileBytes(dir / "cut.zip", part);
    ZipReader file;
    EXPECT_EQ(file.OpenFile((dir / "cut.zip").u16string()), ZipResult::NoFile);
  }
}

// Entries whose data is cut at every kilobyte, with directory and record kept:
// extraction never delivers more than the entry, and what it delivers from the
// bytes still in place is right.
TEST(ZipReader, ArchivesMissingDataAtEveryKilobyteFailSafely) {
  const std::string deflated = Noise(6000, 5);
  const std::string stored = Noise(3000, 9);
  Layout l;
  const std::string zip = Builder().Add("a.xml", deflated).Add("b.png", stored, false).Build(&l);
  const std::string tail = zip.substr(l.directoryStart);
  const std::size_t storedStart = l.localHeaders[1] + 30 + 5;
  for (std::size_t cut = 1024; cut < l.directoryStart; cut += 1024) {
    SCOPED_TRACE(cut);
    // Keep the first `cut` bytes, then the directory; offsets stored in the
    // directory now point into or past the shortened data.
    std::string z = zip.substr(0, cut) + tail;
    ziptest::Set32(z, cut + (l.endRecord - l.directoryStart) + 16, static_cast<std::uint32_t>(cut));
    ZipReader reader;
    ASSERT_EQ(reader.OpenMemory(z.data(), z.size()), ZipResult::Ok);

    std::string out;
    ZipResult r = ReadAll(reader, u"a.xml", out);
    EXPECT_NE(r, ZipResult::NotFound);
    if (cut >= l.localHeaders[1]) {
      EXPECT_EQ(out, deflated);  // its data is all there
    } else {
      EXPECT_LT(out.size(), deflated.size());
      EXPECT_EQ(out, deflated.substr(0, out.size()));
    }

    r = ReadAll(reader, u"b.png", out);
    EXPECT_LE(out.size(), stored.size());
    if (cut > storedStart) {
      const std::size_t intact = std::min(out.size(), cut - storedStart);
      EXPECT_EQ(out.substr(0, intact), stored.substr(0, intact));
    } else {
      EXPECT_NE(r, ZipResult::More);
    }
  }
}

}  // namespace
}  // namespace Kesto

namespace Kesto {
namespace {

// Random damage anywhere in an archive (the directory and record most of
// all), under the sanitizers: the reader answers with its codes and never
// writes past the buffer it is given.
TEST(ZipReader, RandomlyDamagedArchivesStayInBounds) {
  const std::string good =
      Builder().Add("a.xml", Noise(3000)).Add("b", "stored", false).Add("c", std::string(5000, 'x')).Build();
  std::uint32_t seed = 2;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string z = good;
    for (int e = 1 + next() % 4; e > 0; --e) {
      std::size_t pos = next() % z.size();
      if (next() % 2 == 0) pos = z.size() - 1 - next() % 200;
      z[pos] = static_cast<char>(next());
    }
    if (next() % 10 == 0) z.resize(next() % z.size());
    ZipReader reader;
    if (reader.OpenMemory(z.data(), z.size()) != ZipResult::Ok) continue;
    for (const char16_t* name : {u"a.xml", u"b", u"c"}) {
      int index = -1;
      ZipEntryInfo info;
      if (reader.FindEntry(name, true, index, info) != ZipResult::Ok) continue;
      ASSERT_EQ(info.index, index);
      const std::size_t capacity = std::min<std::uint32_t>(info.uncompressedSize, 1 << 16);
      std::string out(capacity + 16, '#');
      std::size_t produced = 0;
      reader.ExtractToMemory(index, out.data(), capacity, &produced);
      ASSERT_LE(produced, capacity);
      ASSERT_EQ(out.substr(capacity), std::string(16, '#'));
    }
  }
}

}  // namespace
}  // namespace Kesto
