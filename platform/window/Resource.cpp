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

}  // namespace os
