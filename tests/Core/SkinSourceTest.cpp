#include "Core/SkinSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Core/Markup.h"
#include "Core/UIManager.h"
#include "Core/ZipBuilder.h"
#include "Core/ZipReader.h"
#include "platform/window/Resource.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

namespace fs = std::filesystem;
using ziptest::Builder;

// The skin sources are process-wide: every test starts from and leaves the
// defaults, with the skin root on a fresh folder.
class SkinSources : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    UIManager::SetSkinRoot(dir_.path().u16string());
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    UIManager::SetSkinArchive(u"", false);
    UIManager::SetSkinRoot(u"");
    UIManager::SetProcessInstance(nullptr);
    UIManager::SetResourceModule(nullptr);
  }

  // The load's message, or "ok" with the root's tag name.
  static std::u16string Load(std::u16string_view name) {
    MarkupDoc doc;
    if (!doc.LoadFromFile(name)) {
      EXPECT_EQ(doc.LastErrorLocation(), u"");
      EXPECT_FALSE(doc.Root().IsValid());
      return doc.LastErrorMessage();
    }
    return u"ok " + std::u16string(doc.Root().IsValid() ? doc.Root().TagName() : u"-");
  }

  fs::path Path(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(Path(name).parent_path());
    testsupport::WriteFileBytes(Path(name), bytes);
  }

  // A document of exactly `size` bytes.
  static std::string DocumentOfSize(std::size_t size) {
    std::string doc = "<Window/>";
    doc.resize(size, ' ');
    return doc;
  }

  testsupport::TempDir dir_;
};

TEST_F(SkinSources, SkinRootGetsATrailingSeparator) {
  UIManager::SetSkinRoot(u"skins");
  EXPECT_EQ(UIManager::SkinRoot(), u"skins" + std::u16string(1, fs::path::preferred_separator));
  UIManager::SetSkinRoot(u"skins/");
  EXPECT_EQ(UIManager::SkinRoot(), u"skins/");
  UIManager::SetSkinRoot(u"skins\\");
  EXPECT_EQ(UIManager::SkinRoot(), u"skins\\");
  UIManager::SetSkinRoot(u"");
  EXPECT_EQ(UIManager::SkinRoot(), u"");
}

TEST_F(SkinSources, ModuleFolderAndResourceModule) {
  EXPECT_EQ(UIManager::ModuleFolder(), u"");
  EXPECT_EQ(UIManager::ResourceModule(), nullptr);

  UIManager::SetProcessInstance(os::ExecutableModule());
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(UIManager::ModuleFolder(), exe.parent_path().u16string() + u"/");
  EXPECT_EQ(UIManager::ResourceModule(), os::ExecutableModule());

  static char other;
  const auto module = reinterpret_cast<os::HMODULE>(&other);
  UIManager::SetResourceModule(module);
  EXPECT_EQ(UIManager::ResourceModule(), module);
  EXPECT_EQ(UIManager::ProcessInstance(), os::ExecutableModule());
}

TEST_F(SkinSources, PlainFilesAndTheirFailures) {
  Write("calvera.xml", "<Window size=\"400,300\"/>");
  Write("sub/inner.xml", "<Inner/>");
  Write("empty.xml", "");
  Write("exact.xml", DocumentOfSize(kMaxSkinFileBytes));
  Write("large.xml", DocumentOfSize(kMaxSkinFileBytes + 1));
  fs::create_directories(Path("folder.xml"));

  EXPECT_EQ(Load(u"calvera.xml"), u"ok Window");
  EXPECT_EQ(Load(u"sub\\inner.xml"), u"ok Inner");
  EXPECT_EQ(Load(u"sub/inner.xml"), u"ok Inner");
  EXPECT_EQ(Load(u"exact.xml"), u"ok Window");
  EXPECT_EQ(Load(u"large.xml"), u"File too large");
  EXPECT_EQ(Load(u"empty.xml"), u"File is empty");
  EXPECT_EQ(Load(u"missing.xml"), u"Error opening file");
  EXPECT_EQ(Load(u"folder.xml"), u"Error opening file");
  // The parser's own failures keep their location.
  Write("broken.xml", "<Window a='1'/>");
  MarkupDoc doc;
  EXPECT_FALSE(doc.LoadFromFile(u"broken.xml"));
  EXPECT_EQ(doc.LastErrorMessage(), u"Expected attribute value");
  EXPECT_EQ(doc.LastErrorLocation(), u"'1'/>");
}

TEST_F(SkinSources, ArchiveEntriesAndTheirFailures) {
  ziptest::Layout layout;
  const std::string zip = Builder()
                              .Add("calvera.xml", "<Window/>")
                              .Add("img/inner.xml", "<Inner/>", false)
                              .Add("empty.xml", "", false)
                              .Add("exact.xml", DocumentOfSize(kMaxSkinFileBytes))
                              .Add("large.xml", DocumentOfSize(kMaxSkinFileBytes + 1))
                              .Add("garbled.xml", ziptest::Noise(3000))
                              .Build(&layout);
  std::string damaged = zip;
  for (std::size_t i = 0; i < 32; ++i)
    damaged[layout.localHeaders[5] + 30 + 11 + i] = static_cast<char>(0xFF);
  Write("skin.zip", damaged);
  Write("outside.xml", "<Outside/>");

  for (bool keepOpen : {false, true}) {
    SCOPED_TRACE(keepOpen);
    UIManager::SetSkinArchive(u"skin.zip", keepOpen);
    EXPECT_EQ(UIManager::IsSkinArchiveKeptOpen(), keepOpen);
    EXPECT_EQ(UIManager::OpenArchiveReader() != nullptr, keepOpen);
    EXPECT_EQ(Load(u"CALVERA.XML"), u"ok Window");
    EXPECT_EQ(Load(u"img\\Inner.xml"), u"ok Inner");
    EXPECT_EQ(Load(u"exact.xml"), u"ok Window");
    EXPECT_EQ(Load(u"large.xml"), u"File too large");
    EXPECT_EQ(Load(u"empty.xml"), u"File is empty");
    EXPECT_EQ(Load(u"garbled.xml"), u"Could not unzip file");
    // With an archive set, files beside it are not looked at.
    EXPECT_EQ(Load(u"outside.xml"), u"Could not find ziped file");
  }

  UIManager::SetSkinArchive(u"missing.zip", false);
  EXPECT_EQ(Load(u"calvera.xml"), u"Error opening zip file");
  UIManager::SetSkinArchive(u"missing.zip", true);
  EXPECT_EQ(UIManager::OpenArchiveReader(), nullptr);
  EXPECT_EQ(Load(u"calvera.xml"), u"Error opening zip file");
}

TEST_F(SkinSources, AKeptArchiveIsOpenedOnce) {
  Write("skin.zip", Builder().Add("a.xml", "<A/>").Build());
  UIManager::SetSkinArchive(u"skin.zip", true);
  ZipReader* reader = UIManager::OpenArchiveReader();
  ASSERT_NE(reader, nullptr);
  UIManager::SetSkinArchive(u"skin.zip", true);
  EXPECT_EQ(UIManager::OpenArchiveReader(), reader);

  // The kept reader still serves the archive after its file is gone, and
  // serves the same entry more than once.
  fs::remove(Path("skin.zip"));
  EXPECT_EQ(Load(u"a.xml"), u"ok A");
  EXPECT_EQ(Load(u"a.xml"), u"ok A");

  // Changing only the flag lets go of the reader.
  UIManager::SetSkinArchive(u"skin.zip", false);
  EXPECT_EQ(UIManager::OpenArchiveReader(), nullptr);
  EXPECT_EQ(Load(u"a.xml"), u"Error opening zip file");
}

TEST_F(SkinSources, ArchiveInMemoryInsideALargerBlock) {
  const std::string block = Builder().Prefix(std::string(3000, 'R')).Add("webframe.xml", "<Window/>").Build();
  UIManager::SetSkinArchiveBuffer(block.data(), block.size());
  EXPECT_EQ(UIManager::SkinArchiveName(), u"membuffer");
  EXPECT_TRUE(UIManager::IsSkinArchiveKeptOpen());
  ASSERT_NE(UIManager::OpenArchiveReader(), nullptr);
  EXPECT_EQ(UIManager::OpenArchiveReader()->BytesBeforeArchive(), 3000u);
  EXPECT_EQ(Load(u"webframe.xml"), u"ok Window");
  EXPECT_EQ(Load(u"webframe.xml"), u"ok Window");

  const std::string junk = "no archive here";
  UIManager::SetSkinArchiveBuffer(junk.data(), junk.size());
  EXPECT_EQ(UIManager::OpenArchiveReader(), nullptr);
  EXPECT_EQ(Load(u"webframe.xml"), u"Error opening zip file");
}

TEST_F(SkinSources, PicturesAreLookedUpInOrder) {
  static const char kResource[] = "resource bytes";
  os::RegisterResource(nullptr, 201, u"PNG", kResource, sizeof kResource - 1);
  os::RegisterResource(nullptr, u"LOGO", u"PNG", kResource, 8);
  UIManager::SetProcessInstance(os::ExecutableModule());
  Write("pic.png", "from the root");
  Write("elsewhere/abs.png", "from a full path");
  const std::u16string absolute = Path("elsewhere/abs.png").u16string();

  std::string bytes;
  // Typed: a resource of the resource module, numbered or named.
  EXPECT_TRUE(LoadSkinBytes(u"201", u"png", bytes));
  EXPECT_EQ(bytes, "resource bytes");
  EXPECT_TRUE(LoadSkinBytes(u"logo", u"PNG", bytes));
  EXPECT_EQ(bytes, "resource");
  // A missing resource falls back to the name as a path.
  EXPECT_FALSE(LoadSkinBytes(u"202", u"PNG", bytes));
  EXPECT_TRUE(LoadSkinBytes(absolute, u"PNG", bytes));
  EXPECT_EQ(bytes, "from a full path");

  // Untyped without an archive: the skin root first, then the name itself.
  EXPECT_TRUE(LoadSkinBytes(u"pic.png", u"", bytes));
  EXPECT_EQ(bytes, "from the root");
  EXPECT_TRUE(LoadSkinBytes(absolute, u"", bytes));
  EXPECT_FALSE(LoadSkinBytes(u"none.png", u"", bytes));
  EXPECT_EQ(bytes, "");

  // Untyped with an archive: the entry, then the name itself.
  Write("skin.zip", Builder().Add("pic.png", "from the archive").Build());
  UIManager::SetSkinArchive(u"skin.zip", false);
  EXPECT_TRUE(LoadSkinBytes(u"PIC.png", u"", bytes));
  EXPECT_EQ(bytes, "from the archive");
  EXPECT_TRUE(LoadSkinBytes(absolute, u"", bytes));
  EXPECT_EQ(bytes, "from a full path");

  // Nothing above the limit is read.
  EXPECT_FALSE(LoadSkinBytes(u"PIC.png", u"", bytes, 5));
  EXPECT_FALSE(LoadSkinBytes(u"201", u"PNG", bytes, 5));

  os::UnregisterResource(nullptr, 201, u"PNG");
  os::UnregisterResource(nullptr, u"LOGO", u"PNG");
}

}  // namespace
}  // namespace Kesto
