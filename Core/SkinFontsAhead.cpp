#include "Core/SkinFontsAhead.h"

#include <string_view>
#include <utility>
#include <vector>

#include "Core/Markup.h"
#include "Core/SkinBuilder.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"

namespace Kesto {

std::vector<os::FontRequest> SkinFontRequests(const os::ResourceName& archive, std::u16string_view file) {
  std::vector<os::FontRequest> requests{UIManager::DefaultFontRequest()};
  std::string bytes;
  MarkupDoc skin;
  if (!ReadResourceArchiveEntry(archive, file, bytes) || !skin.LoadFromBytes(bytes, MarkupEncoding::Utf8)) {
    return requests;
  }
  for (MarkupNode node = skin.Root().FirstChild(); node.IsValid(); node = node.NextSibling()) {
    if (std::u16string_view(node.TagName()) != u"Font") continue;
    const SkinFont font = ReadSkinFont(node);
    if (font.name) {
      requests.push_back(UIManager::FontEntryRequest(*font.name, font.size, font.bold, font.underline, font.italic));
    }
  }
  return requests;
}

void LoadSkinFontsAhead(const os::ResourceName& archive, std::u16string file) {
  os::FontsAhead::Start([archive, file = std::move(file)] { return SkinFontRequests(archive, file); });
}

}  // namespace Kesto
