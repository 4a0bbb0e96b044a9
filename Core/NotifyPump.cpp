#include "Core/NotifyPump.h"

#include <algorithm>

#include "controls/Control.h"

namespace Kesto {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

const NotifyMapEntry* FindEntry(const NotifyMapEntry* entries, std::u16string_view type,
                                std::u16string_view sender) {
  const NotifyMapEntry* anyControl = nullptr;
  for (const NotifyMapEntry* e = entries; e->signature != NotifySignature::End; ++e) {
    if (e->type != type) continue;
    if (e->control == sender) return e;
    if (e->control.empty()) anyControl = e;
  }
  return anyControl;
}

}  // namespace

const NotifyMap* CNotifyPump::GetMessageMap() const { return MessageMap(); }

const NotifyMap* CNotifyPump::MessageMap() {
  static const NotifyMapEntry entries[] = {EndOfNotifyMap()};
  static const NotifyMap map{nullptr, entries};
  return &map;
}

bool CNotifyPump::AddVirtualWindow(std::u16string_view name, CNotifyPump* pump) {
  if (name.empty() || pump == nullptr) return false;
  for (const auto& [existing, other] : virtualWindows_) {
    if (EqualNoCase(existing, name)) return false;
  }
  virtualWindows_.emplace_back(std::u16string(name), pump);
  return true;
}

bool CNotifyPump::RemoveVirtualWindow(std::u16string_view name) {
  for (auto it = virtualWindows_.begin(); it != virtualWindows_.end(); ++it) {
    if (EqualNoCase(it->first, name)) {
      virtualWindows_.erase(it);
      return true;
    }
  }
  return false;
}

bool CNotifyPump::NotifyPump(NotifyMsg& msg) {
  if (!msg.virtualWnd.empty()) {
    // A handler may add or remove virtual windows: walk a copy.
    const auto windows = virtualWindows_;
    for (const auto& [name, pump] : windows) {
      if (EqualNoCase(name, msg.virtualWnd) && pump->LoopDispatch(msg)) return true;
    }
  }
  return LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(NotifyMsg& msg) {
  const std::u16string sender = msg.sender != nullptr ? msg.sender->GetName() : std::u16string();
  for (const NotifyMap* map = GetMessageMap(); map != nullptr; map = map->base ? map->base() : nullptr) {
    if (map->entries == nullptr) continue;
    const NotifyMapEntry* entry = FindEntry(map->entries, msg.type, sender);
    if (entry == nullptr) continue;
    if (entry->call != nullptr) entry->call(*this, msg);
    return true;
  }
  return false;
}

}  // namespace Kesto
