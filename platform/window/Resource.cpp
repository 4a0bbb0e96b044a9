#include "platform/window/Resource.h"

#include <algorithm>
#include <list>

namespace os {
namespace {

struct Entry {
  HMODULE module;
  ResourceName name;
  ResourceName type;
  const void* data;
  std::size_t size;
};

// The table is filled while static objects are constructed, so it lives in a
// function-local static that exists before its first user. List nodes keep
// their addresses, which serve as the handles.
std::list<Entry>& Table() {
  static std::list<Entry> table;
  return table;
}

char executableTag;

HMODULE Normalise(HMODULE module) { return module == nullptr ? ExecutableModule() : module; }

Entry* FromHandle(const void* handle) {
  for (Entry& e : Table()) {
    if (&e == handle) return &e;
  }
  return nullptr;
}

}  // namespace

ResourceName::ResourceName(const char16_t* name) {
  const auto value = reinterpret_cast<std::uintptr_t>(name);
  if (IS_INTRESOURCE(value)) {
    isId_ = true;
    id_ = static_cast<WORD>(value);
  } else {
    SetString(name);
  }
}

void ResourceName::SetString(std::u16string_view name) {
  if (name.size() > 1 && name[0] == u'#') {
    // "#123" is the number 123, as Windows reads it.
    unsigned value = 0;
    bool digits = true;
    for (char16_t c : name.substr(1)) {
      if (c < u'0' || c > u'9') {
        digits = false;
        break;
      }
      value = value * 10 + (c - u'0');
      if (value > 0xFFFF) {
        digits = false;
        break;
      }
    }
    if (digits) {
      isId_ = true;
      id_ = static_cast<WORD>(value);
      string_.clear();
      return;
    }
  }
  isId_ = false;
  id_ = 0;
  string_.assign(name);
  for (char16_t& c : string_) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  }
}

HMODULE ExecutableModule() { return reinterpret_cast<HMODULE>(&executableTag); }

void RegisterResource(HMODULE module, const ResourceName& name, const ResourceName& type, const void* data,
                      std::size_t size) {
  module = Normalise(module);
  for (Entry& e : Table()) {
    if (e.module == module && e.name == name && e.type == type) {
      e.data = data;
      e.size = size;
      return;
    }
  }
  Table().push_back(Entry{module, name, type, data, size});
}

void UnregisterResource(HMODULE module, const ResourceName& name, const ResourceName& type) {
  module = Normalise(module);
  Table().remove_if([&](const Entry& e) { return e.module == module && e.name == name && e.type == type; });
}

HRSRC FindResource(HMODULE module, const ResourceName& name, const ResourceName& type) {
  module = Normalise(module);
  for (Entry& e : Table()) {
    if (e.module == module && e.name == name && e.type == type) return reinterpret_cast<HRSRC>(&e);
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  Entry* e = FromHandle(resource);
  return e ? reinterpret_cast<HGLOBAL>(e) : nullptr;
}

const void* LockResource(HGLOBAL loaded) {
  const Entry* e = FromHandle(loaded);
  return e ? e->data : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  const Entry* e = FromHandle(resource);
  if (e == nullptr) return 0;
  return static_cast<DWORD>(std::min<std::size_t>(e->size, 0xFFFFFFFFu));
}

std::vector<IconImage> LoadIconGroup(HMODULE module, const ResourceName& name) {
  std::vector<IconImage> images;
  const HRSRC group = FindResource(module, name, RT_GROUP_ICON);
  if (group == nullptr) return images;
  const auto* p = static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
  const std::size_t size = SizeofResource(module, group);
  auto le16 = [](const unsigned char* q) { return static_cast<WORD>(q[0] | (q[1] << 8)); };
  // Directory: reserved 0, type 1 (icon), count; then 14-byte entries.
  if (p == nullptr || size < 6 || le16(p) != 0 || le16(p + 2) != 1) return images;
  const std::size_t count = le16(p + 4);
  if (size < 6 + count * 14) return images;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* entry = p + 6 + i * 14;
    IconImage image;
    image.width = entry[0] == 0 ? 256 : entry[0];
    image.height = entry[1] == 0 ? 256 : entry[1];
    image.bitCount = le16(entry + 6);
    image.id = le16(entry + 12);
    const HRSRC icon = FindResource(module, image.id, RT_ICON);
    if (icon == nullptr) continue;
    image.data = LockResource(LoadResource(module, icon));
    image.size = SizeofResource(module, icon);
    if (image.data != nullptr && image.size != 0) images.push_back(image);
  }
  return images;
}

}  // namespace os
