// MarkupDoc::LoadFromFile lives apart from the parser: reading a skin file
// goes through the skin sources, which are the manager's settings, while the
// parser itself needs nothing but bytes (and so builds wherever the standard
// library does, the Windows program included).
#include "Core/Markup.h"

#include <string>

#include "Core/SkinSource.h"

namespace Kesto {

bool MarkupDoc::LoadFromFile(std::u16string_view name, MarkupEncoding encoding) {
  Release();
  std::string bytes;
  std::u16string error;
  if (!ReadSkinFile(name, bytes, error)) {
    SetLoadFailure(error);
    return false;
  }
  return LoadFromBytes(bytes.data(), bytes.size(), encoding);
}

}  // namespace Kesto
