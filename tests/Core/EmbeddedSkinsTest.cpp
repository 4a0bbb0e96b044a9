#include <gtest/gtest.h>

#include <set>
#include <string>

#include "Core/Markup.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "Core/ZipReader.h"
#include "platform/window/Resource.h"

namespace Kesto {
namespace {

class EmbeddedSkins : public ::testing::Test {
 protected:
  void TearDown() override {
    UIManager::SetSkinArchive(u"", false);
    UIManager::SetProcessInstance(nullptr);
  }
};

// What the window base does for a window whose skin is a "ZIPRES" resource.
bool UseSkinResource(int id) {
  const os::HMODULE module = UIManager::ResourceModule();
  const os::HRSRC found = os::FindResource(module, id, u"ZIPRES");
  if (found == nullptr) return false;
  const void* data = os::LockResource(os::LoadResource(module, found));
  const os::DWORD size = os::SizeofResource(module, found);
  if (data == nullptr || size == 0) return false;
  UIManager::SetSkinArchiveBuffer(data, size);
  return UIManager::OpenArchiveReader() != nullptr;
}

TEST_F(EmbeddedSkins, BothWindowSkinsLoadFromTheExecutable) {
  UIManager::SetProcessInstance(os::ExecutableModule());
  const std::pair<int, std::u16string_view> skins[] = {{113, u"calvera.xml"}, {114, u"webframe.xml"}};
  for (const auto& [id, file] : skins) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(UseSkinResource(id));
    MarkupDoc doc;
    ASSERT_TRUE(doc.LoadFromFile(file))
        << std::string(doc.LastErrorMessage().begin(), doc.LastErrorMessage().end());
    ASSERT_TRUE(doc.Root().IsValid());
    EXPECT_EQ(std::u16string(doc.Root().TagName()), u"Window");

    // Every other entry is a picture that unpacks completely.
    ZipReader* zip = UIManager::OpenArchiveReader();
    EXPECT_GT(zip->EntryCount(), 1);
    std::string bytes;
    EXPECT_TRUE(LoadSkinBytes(id == 113 ? u"bg.png" : u"game_back.png", u"", bytes));
    EXPECT_EQ(bytes.substr(0, 4), "\x89PNG");
  }
}

TEST_F(EmbeddedSkins, IconGroupHoldsEverySize) {
  const std::vector<os::IconImage> images = os::LoadIconGroup(nullptr, 115);
  std::set<int> sizes;
  for (const os::IconImage& image : images) {
    sizes.insert(image.width);
    EXPECT_EQ(image.width, image.height);
    ASSERT_GT(image.size, 8u);
    EXPECT_EQ(std::string(static_cast<const char*>(image.data), 4), "\x89PNG");
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 256}));
}

}  // namespace
}  // namespace Kesto
