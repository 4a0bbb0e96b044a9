#include "Core/SkinFontsAhead.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "Core/Markup.h"
#include "Core/SkinBuilder.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "controls/Control.h"

namespace Kesto {

namespace {

// The font indices the skin's controls name, each once, in the order first
// named; the root's own attributes name none.
void CollectNamedFonts(MarkupNode parent, std::vector<long>& named) {
  for (MarkupNode node = parent.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    if (const char16_t* value = node.FindAttribute(u"font")) {
      const long index = attr::ParseLong(value);
      if (index >= 0 && std::find(named.begin(), named.end(), index) == named.end()) named.push_back(index);
    }
    if (node.HasChildren()) CollectNamedFonts(node, named);
  }
}

}  // namespace

std::vector<os::FontRequest> SkinFontRequests(const os::ResourceName& archive, std::u16string_view file) {
  const os::FontRequest defaultFont = UIManager::DefaultFontRequest();
  std::string bytes;
  MarkupDoc skin;
  if (!ReadResourceArchiveEntry(archive, file, bytes) || !skin.LoadFromBytes(bytes, MarkupEncoding::Utf8)) {
    return {defaultFont};
  }
  std::vector<os::FontRequest> declared;
  for (MarkupNode node = skin.Root().FirstChild(); node.IsValid(); node = node.NextSibling()) {
    if (std::u16string_view(node.TagName()) != u"Font") continue;
    const SkinFont font = ReadSkinFont(node);
    if (font.name) {
      declared.push_back(UIManager::FontEntryRequest(*font.name, font.size, font.bold, font.underline, font.italic));
    }
  }
  // Only what the window is likely to draw with: a font loaded ahead and
  // never used costs the start its time on a core the window needs.
  std::vector<long> named;
  CollectNamedFonts(skin.Root(), named);
  std::vector<os::FontRequest> requests;
  for (const long index : named) {
    if (index < static_cast<long>(declared.size())) requests.push_back(declared[static_cast<std::size_t>(index)]);
  }
  if (requests.empty()) requests.push_back(defaultFont);
  return requests;
}

void LoadSkinFontsAhead(const os::ResourceName& archive, std::u16string file) {
  os::FontsAhead::Start([archive, file = std::move(file)] { return SkinFontRequests(archive, file); });
}

}  // namespace Kesto
