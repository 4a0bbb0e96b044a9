#include "Core/SkinPicturesAhead.h"

#include <algorithm>
#include <string>

#include "Core/Markup.h"
#include "Core/SkinSource.h"
#include "controls/Control.h"
#include "controls/Render.h"

namespace Kesto {

namespace {

// The attributes whose pictures a control in its first state draws.
constexpr std::u16string_view kFirstStatePictures[] = {u"bkimage", u"normalimage", u"foreimage"};

void AddPictures(std::u16string_view drawString, std::vector<ArchivePicture>& pictures) {
  for (const ImageDrawSettings& s : Renderer::ParseDrawString(RECT{}, drawString)) {
    if (s.name.empty() || !s.resType.empty()) continue;
    const bool known = std::any_of(pictures.begin(), pictures.end(), [&](const ArchivePicture& p) {
      return p.entry == s.name && p.mask == s.mask;
    });
    if (!known) pictures.push_back(ArchivePicture{s.name, s.mask});
  }
}

void CollectFirstPictures(MarkupNode node, std::vector<ArchivePicture>& pictures) {
  if (const char16_t* visible = node.FindAttribute(u"visible"); visible && !attr::ParseBool(visible)) return;
  for (const std::u16string_view name : kFirstStatePictures) {
    if (const char16_t* value = node.FindAttribute(name)) AddPictures(value, pictures);
  }
  // A tab layout shows one page, the first unless it selects another.
  long shown = -1;
  if (std::u16string_view(node.TagName()) == u"TabLayout") {
    const char16_t* selected = node.FindAttribute(u"selectedid");
    shown = selected ? attr::ParseLong(selected) : 0;
  }
  long index = 0;
  for (MarkupNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling(), ++index) {
    if (shown < 0 || index == shown) CollectFirstPictures(child, pictures);
  }
}

}  // namespace

std::vector<ArchivePicture> SkinFirstPictures(const MarkupDoc& skin) {
  std::vector<ArchivePicture> pictures;
  const MarkupNode root = skin.Root();
  if (!root.IsValid()) return pictures;
  // The root window's own attributes draw nothing; its children are the tree.
  for (MarkupNode child = root.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    CollectFirstPictures(child, pictures);
  }
  return pictures;
}

std::size_t StartSkinPicturesAhead(const os::ResourceName& archive, std::u16string_view file) {
  std::string bytes;
  MarkupDoc skin;
  if (!ReadResourceArchiveEntry(archive, file, bytes) || !skin.LoadFromBytes(bytes, MarkupEncoding::Utf8)) return 0;
  return PictureAhead::StartArchiveEntries(archive, SkinFirstPictures(skin));
}

}  // namespace Kesto
