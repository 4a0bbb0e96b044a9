// The window table: handles, classes and z-order.
#include "platform/window/internal/WindowTable.h"

#include <algorithm>

namespace os::internal {
namespace {

std::uintptr_t ValueOf(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

}  // namespace

HWND WindowTable::NewHandle() {
  HWND h = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  return h;
}

void WindowTable::Add(const WindowPtr& w) { windows_[ValueOf(w->handle)] = w; }

void WindowTable::Remove(HWND hwnd) { windows_.erase(ValueOf(hwnd)); }

WindowPtr WindowTable::Find(HWND hwnd) const {
  auto w = FindEvenDestroyed(hwnd);
  return w && !w->destroyed ? w : nullptr;
}

WindowPtr WindowTable::FindEvenDestroyed(HWND hwnd) const {
  if (!hwnd) return nullptr;
  auto it = windows_.find(ValueOf(hwnd));
  return it == windows_.end() ? nullptr : it->second;
}

WindowPtr WindowTable::OfSurface(SurfaceId surface) const {
  if (!surface) return nullptr;
  for (const auto& [value, w] : windows_) {
    if (w->surface == surface && !w->destroyed) return w;
  }
  return nullptr;
}

std::vector<WindowPtr> WindowTable::All() const {
  std::vector<WindowPtr> all;
  all.reserve(windows_.size());
  for (const auto& [value, w] : windows_) all.push_back(w);
  return all;
}

std::vector<HWND> WindowTable::MessageOnlyWindows() const {
  std::vector<HWND> list;
  for (const auto& [value, w] : windows_) {
    if (w->messageOnly && !w->destroyed) list.push_back(w->handle);
  }
  return list;
}

void WindowTable::SetDesktop(const WindowPtr& desktop) {
  desktop_ = desktop;
  Add(desktop);
}

bool WindowTable::IsTopLevel(const Window& w) const {
  return !w.messageOnly && !w.desktop && desktop_ && w.parent == desktop_->handle;
}

std::vector<HWND>& WindowTable::Siblings(Window& w) {
  if (auto p = Find(w.parent)) return p->children;
  noSiblings_.clear();
  return noSiblings_;
}

std::vector<HWND> WindowTable::OwnedTopLevel(HWND owner) const {
  std::vector<HWND> owned;
  for (HWND h : TopLevel()) {
    auto o = Find(h);
    if (o && !o->foreign && o->owner == owner) owned.push_back(h);
  }
  return owned;
}

void WindowTable::PlaceInZOrder(Window& w, HWND after) {
  if (!PlaceOne(w, after)) return;
  std::vector<HWND> raised{w.handle};
  RaiseOwned(w.handle, raised);
}

// Owned windows stay above their owner, each raised with its own owned
// windows above it. An owner chain may loop (owners can be changed after
// creation): each window is raised once.
void WindowTable::RaiseOwned(HWND owner, std::vector<HWND>& raised) {
  for (HWND o : OwnedTopLevel(owner)) {
    if (std::find(raised.begin(), raised.end(), o) != raised.end()) continue;
    auto owned = Find(o);
    if (!owned) continue;
    raised.push_back(o);
    PlaceOne(*owned, HWND_TOP);
    RaiseOwned(o, raised);
  }
}

bool WindowTable::PlaceOne(Window& w, HWND after) {
  auto& list = Siblings(w);
  list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
  const bool top = IsTopLevel(w);
  if (after == HWND_TOPMOST) {
    if (top) w.exStyle |= WS_EX_TOPMOST;
    after = HWND_TOP;
  } else if (after == HWND_NOTOPMOST) {
    if (top) w.exStyle &= ~WS_EX_TOPMOST;
    after = HWND_TOP;
  }
  auto firstWhere = [&](auto pred) {
    return std::find_if(list.begin(), list.end(), [&](HWND h) {
      auto s = Find(h);
      return !s || pred(*s);
    });
  };
  std::vector<HWND>::iterator at;
  if (after == HWND_TOP) {
    at = (top && !(w.exStyle & WS_EX_TOPMOST))
             ? firstWhere([](const Window& s) { return s.foreign || !(s.exStyle & WS_EX_TOPMOST); })
             : list.begin();
  } else if (after == HWND_BOTTOM) {
    at = top ? firstWhere([](const Window& s) { return s.foreign; }) : list.end();
  } else {
    at = std::find(list.begin(), list.end(), after);
    at = at == list.end() ? list.begin() : std::next(at);
  }
  list.insert(at, w.handle);
  return top && after == HWND_TOP;
}

ATOM WindowTable::AddClass(const ClassPtr& cls) {
  cls->atom = nextAtom_++;
  classes_.push_back(cls);
  return cls->atom;
}

bool WindowTable::RemoveClass(const ClassPtr& cls) {
  auto it = std::find(classes_.begin(), classes_.end(), cls);
  if (it == classes_.end()) return false;
  classes_.erase(it);
  return true;
}

}  // namespace os::internal
