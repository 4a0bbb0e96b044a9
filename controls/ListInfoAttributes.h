// The skin attributes that style the items of a list owner ("itemfont",
// "itemtextcolor", "itemselectedbkcolor" ...), read into the owner's shared
// appearance record. Lists and drop-down boxes accept the same set.
#pragma once

#include <string_view>

#include "controls/ListInterfaces.h"

namespace Kesto::listitem {

// Sets the record's field for an item attribute; false when name is not one
// of them (the caller then hands it to its base class).
bool SetInfoAttribute(TListInfoUI& info, std::u16string_view name, std::u16string_view value);

}  // namespace Kesto::listitem
