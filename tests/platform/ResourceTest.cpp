#include "platform/window/Resource.h"

#include <gtest/gtest.h>

#include <string>

namespace os {
namespace {

std::string Bytes(HMODULE module, HRSRC found) {
  const void* data = LockResource(LoadResource(module, found));
  if (data == nullptr) return "<none>";
  return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

TEST(Resources, FoundByNumberOrNameInTheirModule) {
  static const char kZip[] = "zip bytes";
  static const char kXml[] = "<Window/>";
  static char otherTag;
  const auto other = reinterpret_cast<HMODULE>(&otherTag);
  RegisterResource(nullptr, 9113, u"ZIPRES", kZip, sizeof kZip - 1);
  RegisterResource(other, u"Skin", u"xml", kXml, sizeof kXml - 1);

  // Null and the executable's handle are the same module.
  HRSRC found = FindResource(ExecutableModule(), 9113, u"zipres");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(Bytes(nullptr, found), "zip bytes");
  EXPECT_EQ(FindResource(nullptr, u"#9113", u"ZipRes"), found);
  EXPECT_EQ(FindResource(nullptr, reinterpret_cast<const char16_t*>(std::uintptr_t{9113}), u"ZIPRES"), found);
  // Numbers and names are different keys; modules are separate.
  EXPECT_EQ(FindResource(nullptr, u"9113", u"ZIPRES"), nullptr);
  EXPECT_EQ(FindResource(nullptr, 9113, u"XML"), nullptr);
  EXPECT_EQ(FindResource(other, 9113, u"ZIPRES"), nullptr);
  EXPECT_EQ(FindResource(nullptr, u"skin", u"XML"), nullptr);
  EXPECT_EQ(Bytes(other, FindResource(other, u"SKIN", u"XML")), "<Window/>");

  // Registering again replaces; unregistering makes old handles answer nothing.
  RegisterResource(nullptr, 9113, u"ZIPRES", kXml, 3);
  EXPECT_EQ(Bytes(nullptr, FindResource(nullptr, 9113, u"ZIPRES")), "<Wi");
  UnregisterResource(nullptr, 9113, u"ZIPRES");
  EXPECT_EQ(FindResource(nullptr, 9113, u"ZIPRES"), nullptr);
  EXPECT_EQ(LoadResource(nullptr, found), nullptr);
  EXPECT_EQ(LockResource(nullptr), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, found), 0u);
  UnregisterResource(other, u"Skin", u"xml");
}

TEST(Resources, IconGroupsListTheirImages) {
  // Directory: reserved, type 1, two entries; the second names a missing icon.
  static const unsigned char kGroup[] = {
      0,  0,  1, 0, 2, 0,                                 //
      32, 32, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0, 0x21, 0x4E,  // 32x32 → icon 20001
      0,  0,  0, 0, 1, 0, 32, 0, 4, 0, 0, 0, 0x22, 0x4E,  // 256x256 → icon 20002
  };
  static const char kPng[] = "\x89PNG";
  RegisterResource(nullptr, 20001, RT_ICON, kPng, 4);
  RegisterResource(nullptr, 20115, RT_GROUP_ICON, kGroup, sizeof kGroup);
  std::vector<IconImage> images = LoadIconGroup(nullptr, 20115);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].width, 32);
  EXPECT_EQ(images[0].bitCount, 32);
  EXPECT_EQ(images[0].id, 20001);
  EXPECT_EQ(std::string(static_cast<const char*>(images[0].data), images[0].size), "\x89PNG");

  RegisterResource(nullptr, 20002, RT_ICON, kPng, 4);
  images = LoadIconGroup(nullptr, 20115);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[1].width, 256);
  EXPECT_EQ(images[1].height, 256);

  // A group shorter than its count says is refused as a whole.
  RegisterResource(nullptr, 20115, RT_GROUP_ICON, kGroup, sizeof kGroup - 1);
  EXPECT_TRUE(LoadIconGroup(nullptr, 20115).empty());
  EXPECT_TRUE(LoadIconGroup(nullptr, 20116).empty());
  UnregisterResource(nullptr, 20115, RT_GROUP_ICON);
  UnregisterResource(nullptr, 20001, RT_ICON);
  UnregisterResource(nullptr, 20002, RT_ICON);
}

}  // namespace
}  // namespace os
