// Dispatching notifications to handler functions through message maps, and
// to "virtual windows": other pumps that take the notifications of the
// controls given their name as virtual-window name.
//
// A class declares its map as a static table and answers it from
// GetMessageMap():
//
//   const NotifyMap* MyWnd::GetMessageMap() const { return MessageMap(); }
//   const NotifyMap* MyWnd::MessageMap() {
//     static const NotifyMapEntry entries[] = {
//         NotifyHandler<&MyWnd::OnOk>(u"click", u"okbtn"),
//         NotifyHandler<&MyWnd::OnSelect>(u"selectchanged", u""),  // any control
//         EndOfNotifyMap(),
//     };
//     static const NotifyMap map{&WindowImplBase::MessageMap, entries};
//     return &map;
//   }
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Core/UIManager.h"

namespace Kesto {

class CNotifyPump;

// How an entry calls its handler.
enum class NotifySignature : int {
  End = 0,     // ends a table
  Params = 1,  // handler(wParam, lParam) of the notification
  Msg = 2,     // handler(NotifyMsg&)
};

struct NotifyMapEntry {
  std::u16string_view type;     // "click", ...
  std::u16string_view control;  // sender name; empty for any control
  NotifySignature signature = NotifySignature::End;
  // Turns the pump back into the class that declared the handler (the
  // object adjustment) and calls the handler with what its signature takes.
  void (*call)(CNotifyPump& pump, NotifyMsg& msg) = nullptr;
};

struct NotifyMap {
  const NotifyMap* (*base)() = nullptr;  // the base class's map, or null
  const NotifyMapEntry* entries = nullptr;
};

namespace detail {

template <class>
struct NotifyHandlerTraits;
template <class T>
struct NotifyHandlerTraits<void (T::*)(NotifyMsg&)> {
  using Class = T;
  static constexpr NotifySignature kSignature = NotifySignature::Msg;
};
template <class T>
struct NotifyHandlerTraits<void (T::*)(os::WPARAM, os::LPARAM)> {
  using Class = T;
  static constexpr NotifySignature kSignature = NotifySignature::Params;
};

template <auto Handler>
void CallNotifyHandler(CNotifyPump& pump, NotifyMsg& msg) {
  using Traits = NotifyHandlerTraits<decltype(Handler)>;
  auto& object = static_cast<typename Traits::Class&>(pump);
  if constexpr (Traits::kSignature == NotifySignature::Msg) {
    (object.*Handler)(msg);
  } else {
    (object.*Handler)(msg.wParam, msg.lParam);
  }
}

}  // namespace detail

// An entry for a member function taking (NotifyMsg&) or (WPARAM, LPARAM) of
// a class derived from CNotifyPump.
template <auto Handler>
constexpr NotifyMapEntry NotifyHandler(std::u16string_view type, std::u16string_view control) {
  using Traits = detail::NotifyHandlerTraits<decltype(Handler)>;
  return NotifyMapEntry{type, control, Traits::kSignature, &detail::CallNotifyHandler<Handler>};
}

constexpr NotifyMapEntry EndOfNotifyMap() { return NotifyMapEntry{}; }

class CNotifyPump {
 public:
  CNotifyPump() = default;
  virtual ~CNotifyPump() = default;
  CNotifyPump(const CNotifyPump&) = delete;
  CNotifyPump& operator=(const CNotifyPump&) = delete;

  // The map of the most derived class.
  virtual const NotifyMap* GetMessageMap() const;
  // This class's own map: no entries, no base.
  static const NotifyMap* MessageMap();

  // False when the name is empty, the pump is null or the name (compared
  // without case) is taken.
  bool AddVirtualWindow(std::u16string_view name, CNotifyPump* pump);
  bool RemoveVirtualWindow(std::u16string_view name);

  // A notification with a virtual-window name goes to the virtual windows of
  // that name first; when none of them takes it (or it has no such name),
  // this pump's own maps run. True when a handler ran.
  bool NotifyPump(NotifyMsg& msg);
  // Walks the maps from the most derived to the base: in each, the entry of
  // the notification's type for the sender's name, else the last entry of
  // that type for any control. The first entry found is called.
  bool LoopDispatch(NotifyMsg& msg);

 private:
  std::vector<std::pair<std::u16string, CNotifyPump*>> virtualWindows_;
};

}  // namespace Kesto
