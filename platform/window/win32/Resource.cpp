// Resources on Windows are the modules' own (the program's skins and icon
// are compiled in as Win32 resources): FindResource and friends forward to
// kernel32. Registrations made with RegisterResource (tests, generated code)
// come first: a registered resource hides a module's one of the same module,
// type and name. Handles of registrations are their table entries, which no
// handle of the system's can equal, so each call knows whose handle it holds.
//
// The system trusts its handles: a module handle that names no module, or a
// resource handle that is stale (a registration removed since), would send
// it reading wherever they point. Such handles are refused here instead: a
// module must be the base of a loaded module, and a resource handle must
// lie in its module's resource section.
#include "platform/window/Resource.h"

#include <algorithm>
#include <list>
#include <mutex>
#include <utility>

// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

namespace {

struct Entry {
  HMODULE module;
  ResourceName name;
  ResourceName type;
  const void* data;
  std::size_t size;
};

struct Table {
  std::mutex mutex;
  std::list<Entry> entries;  // nodes keep their addresses: they are the handles
};

Table& Registrations() {
  static Table table;
  return table;
}

HMODULE Normalise(HMODULE module) { return module == nullptr ? ExecutableModule() : module; }

const Entry* Registered(const void* handle) {
  std::lock_guard lock(Registrations().mutex);
  for (const Entry& e : Registrations().entries) {
    if (&e == handle) return &e;
  }
  return nullptr;
}

// A name as the system's functions take it: a number in a pointer, or text.
const wchar_t* SystemName(const ResourceName& name) {
  return name.IsId() ? reinterpret_cast<const wchar_t*>(std::uintptr_t{name.Id()})
                     : win32::Wide(name.String().c_str());
}

// Whether the handle is the base of a module the process has loaded.
bool IsModule(HMODULE module) {
  ::HMODULE found = nullptr;
  return module != nullptr &&
         ::GetModuleHandleExW(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             reinterpret_cast<const wchar_t*>(module), &found) &&
         found == As<::HMODULE>(module);
}

// The module's resource section, or an empty range.
std::pair<const char*, const char*> ResourceSection(HMODULE module) {
  if (!IsModule(module)) return {nullptr, nullptr};
  const auto* base = reinterpret_cast<const char*>(module);
  const auto* dos = reinterpret_cast<const ::IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const ::IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const ::IMAGE_DATA_DIRECTORY& resources = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
  if (resources.VirtualAddress == 0 || resources.Size == 0) return {nullptr, nullptr};
  return {base + resources.VirtualAddress, base + resources.VirtualAddress + resources.Size};
}

bool InResourceSection(HMODULE module, const void* handle) {
  const auto [begin, end] = ResourceSection(module);
  const auto* at = static_cast<const char*>(handle);
  return begin != nullptr && at >= begin && at < end;
}

}  // namespace

HMODULE ExecutableModule() { return As<HMODULE>(::GetModuleHandleW(nullptr)); }

void RegisterResource(HMODULE module, const ResourceName& name, const ResourceName& type, const void* data,
                      std::size_t size) {
  module = Normalise(module);
  std::lock_guard lock(Registrations().mutex);
  for (Entry& e : Registrations().entries) {
    if (e.module == module && e.name == name && e.type == type) {
      e.data = data;
      e.size = size;
      return;
    }
  }
  Registrations().entries.push_back(Entry{module, name, type, data, size});
}

void UnregisterResource(HMODULE module, const ResourceName& name, const ResourceName& type) {
  module = Normalise(module);
  std::lock_guard lock(Registrations().mutex);
  Registrations().entries.remove_if(
      [&](const Entry& e) { return e.module == module && e.name == name && e.type == type; });
}

HRSRC FindResource(HMODULE module, const ResourceName& name, const ResourceName& type) {
  module = Normalise(module);
  {
    std::lock_guard lock(Registrations().mutex);
    for (Entry& e : Registrations().entries) {
      if (e.module == module && e.name == name && e.type == type) return As<HRSRC>(&e);
    }
  }
  if (!IsModule(module)) return nullptr;
  return As<HRSRC>(::FindResourceW(As<::HMODULE>(module), SystemName(name), SystemName(type)));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (resource == nullptr) return nullptr;
  if (Registered(resource) != nullptr) return As<HGLOBAL>(resource);
  module = Normalise(module);
  if (!InResourceSection(module, resource)) return nullptr;
  return As<HGLOBAL>(::LoadResource(As<::HMODULE>(module), As<::HRSRC>(resource)));
}

const void* LockResource(HGLOBAL loaded) {
  if (loaded == nullptr) return nullptr;
  if (const Entry* e = Registered(loaded)) return e->data;
  // A loaded resource of a module is the address of its bytes.
  return ::LockResource(As<::HGLOBAL>(loaded));
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  if (resource == nullptr) return 0;
  if (const Entry* e = Registered(resource))
    return static_cast<DWORD>(std::min<std::size_t>(e->size, 0xFFFFFFFFu));
  module = Normalise(module);
  if (!InResourceSection(module, resource)) return 0;
  return ::SizeofResource(As<::HMODULE>(module), As<::HRSRC>(resource));
}

}  // namespace os
