#include "controls/Container.h"

#include <algorithm>
#include <cstdlib>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/LayoutLimit.h"
#include "controls/Render.h"
#include "controls/ScrollBar.h"
#include "platform/base/Assert.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Container", CContainerUI)

namespace {

constexpr int kDefaultLineStep = 8;

bool Meets(const RECT& a, const RECT& b) {
  RECT unused;
  return rect::Intersect(unused, a, b);
}

}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  // Children go with their container at once: handed to the delayed
  // clean-up they would outlive the parent they point to, and a manager that
  // is itself being destroyed would never run that clean-up.
  std::vector<ChildPtr> items;
  items.swap(items_);
  for (ChildPtr& child : items) child.reset();  // owned ones deleted, borrowed ones let go
  verticalScrollBar_.reset();
  horizontalScrollBar_.reset();
}

std::u16string_view CContainerUI::GetClass() const { return u"ContainerUI"; }

void* CContainerUI::GetInterface(std::u16string_view name) {
  if (name == u"IContainer") return static_cast<IContainerUI*>(this);
  if (name == u"Container") return static_cast<CContainerUI*>(this);
  return CControlUI::GetInterface(name);
}

// ---------------------------------------------------------------------------
// Child list

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= OwnCount()) return nullptr;
  return Child(index);
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  const auto it =
      std::find_if(items_.begin(), items_.end(), [control](const ChildPtr& c) { return c.get() == control; });
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  const int from = CContainerUI::GetItemIndex(control);
  if (from < 0 || index < 0 || index >= OwnCount()) return false;
  ChildPtr moved = std::move(items_[static_cast<std::size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + index, std::move(moved));
  NeedUpdate();
  return true;
}

int CContainerUI::GetCount() const { return static_cast<int>(items_.size()); }

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (control == nullptr || index < 0 || index > OwnCount()) return false;
  // A child listed twice would be painted twice and destroyed twice.
  LUMORA_ASSERT(CContainerUI::GetItemIndex(control) < 0, "a control is added to its container once");
  if (manager_ != nullptr) manager_->InitControls(control, this);
  if (IsVisible()) {
    NeedUpdate();
  } else {
    control->SetInternVisible(false);
  }
  items_.insert(items_.begin() + index, ChildPtr(control, ChildDeleter{autoDestroy_}));
  return true;
}

bool CContainerUI::Adopt(std::unique_ptr<CControlUI> control) {
  return AdoptAt(std::move(control), GetCount());
}

bool CContainerUI::AdoptAt(std::unique_ptr<CControlUI> control, int index) {
  if (!AddAt(control.get(), index)) return false;
  control.release();  // now held by the container
  return true;
}

void CContainerUI::DisposeChild(ChildPtr child) {
  if (!child.get_deleter().owned) return;  // borrowed: forgetting it is all
  if (delayedDestroy_ && manager_ != nullptr) {
    manager_->DestroyLater(std::unique_ptr<CControlUI>(child.release()));
  }
  // Otherwise it goes here, with child.
}

bool CContainerUI::Remove(CControlUI* control) {
  const int index = CContainerUI::GetItemIndex(control);
  if (control == nullptr || index < 0) return false;
  NeedUpdate();
  ChildPtr child = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  DisposeChild(std::move(child));
  return true;
}

bool CContainerUI::RemoveAt(int index) { return Remove(CContainerUI::GetItemAt(index)); }

void CContainerUI::RemoveAll() {
  std::vector<ChildPtr> items;
  items.swap(items_);
  for (ChildPtr& child : items) DisposeChild(std::move(child));
  NeedUpdate();
}

// ---------------------------------------------------------------------------
// Overrides of the control base

void CContainerUI::SetOwner(UIManager* manager, CControlUI* parent, bool init) {
  for (const ChildPtr& child : items_) child->SetOwner(manager, this, init);
  if (verticalScrollBar_ != nullptr) verticalScrollBar_->SetOwner(manager, this, init);
  if (horizontalScrollBar_ != nullptr) horizontalScrollBar_->SetOwner(manager, this, init);
  CControlUI::SetOwner(manager, parent, init);
}

void CContainerUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  if (items_.empty()) return;
  const RECT inner{item_.left + inset_.left, item_.top + inset_.top, item_.right - inset_.right,
                   item_.bottom - inset_.bottom};
  for (int i = 0; i < OwnCount(); ++i) {
    CControlUI* child = Child(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
    } else {
      child->SetPos(inner);
    }
  }
}

void CContainerUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  CControlUI::SetVisible(visible);
  for (const ChildPtr& child : items_) child->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (const ChildPtr& child : items_) child->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  for (const ChildPtr& child : items_) child->SetEnabled(enabled);
}

void CContainerUI::SetMouseEnabled(bool enabled) {
  if (verticalScrollBar_ != nullptr) verticalScrollBar_->SetMouseEnabled(enabled);
  if (horizontalScrollBar_ != nullptr) horizontalScrollBar_->SetMouseEnabled(enabled);
  CControlUI::SetMouseEnabled(enabled);
}

RECT CContainerUI::InnerRect() const {
  RECT inner{item_.left + inset_.left, item_.top + inset_.top, item_.right - inset_.right,
             item_.bottom - inset_.bottom};
  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
    inner.right -= verticalScrollBar_->GetFixedWidth();
  }
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    inner.bottom -= horizontalScrollBar_->GetFixedHeight();
  }
  return inner;
}

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  if ((flags & FindFlag::Visible) != 0 && !IsVisible()) return nullptr;
  if ((flags & FindFlag::Enabled) != 0 && !IsEnabled()) return nullptr;
  const bool hitTest = (flags & FindFlag::HitTest) != 0;
  if (hitTest) {
    if (!rect::Contains(item_, *static_cast<const POINT*>(data))) return nullptr;
    if (!mouseChildEnabled_) {
      CControlUI* found = nullptr;
      if (verticalScrollBar_ != nullptr) found = verticalScrollBar_->FindControl(proc, data, flags);
      if (found == nullptr && horizontalScrollBar_ != nullptr) {
        found = horizontalScrollBar_->FindControl(proc, data, flags);
      }
      if (found == nullptr) found = CControlUI::FindControl(proc, data, flags);
      return found;
    }
  }

  if (verticalScrollBar_ != nullptr) {
    if (CControlUI* found = verticalScrollBar_->FindControl(proc, data, flags)) return found;
  }
  if (horizontalScrollBar_ != nullptr) {
    if (CControlUI* found = horizontalScrollBar_->FindControl(proc, data, flags)) return found;
  }
  const bool meFirst = (flags & FindFlag::MeFirst) != 0;
  if (meFirst) {
    if (CControlUI* found = CControlUI::FindControl(proc, data, flags)) return found;
  }

  const RECT inner = InnerRect();
  const auto accept = [&](CControlUI* found) {
    return !hitTest || found->IsFloat() || rect::Contains(inner, *static_cast<const POINT*>(data));
  };
  // The callback may remove children (a search that deletes what it finds);
  // index the list afresh on every step.
  if ((flags & FindFlag::TopFirst) != 0) {
    for (int i = OwnCount() - 1; i >= 0; --i) {
      if (i >= OwnCount()) continue;
      CControlUI* found = Child(i)->FindControl(proc, data, flags);
      if (found != nullptr && accept(found)) return found;
    }
  } else {
    for (int i = 0; i < OwnCount(); ++i) {
      CControlUI* found = Child(i)->FindControl(proc, data, flags);
      if (found != nullptr && accept(found)) return found;
    }
  }

  if (!meFirst) return CControlUI::FindControl(proc, data, flags);
  return nullptr;
}

namespace {

using ScrollCommand = void (CContainerUI::*)();

// The scrolling operations of one axis.
struct ScrollCommands {
  ScrollCommand lineBack;
  ScrollCommand lineForward;
  ScrollCommand pageBack;
  ScrollCommand pageForward;
  ScrollCommand home;
  ScrollCommand end;
};

constexpr ScrollCommands kVerticalCommands{&CContainerUI::LineUp, &CContainerUI::LineDown,
                                           &CContainerUI::PageUp, &CContainerUI::PageDown,
                                           &CContainerUI::HomeUp, &CContainerUI::EndDown};
constexpr ScrollCommands kHorizontalCommands{&CContainerUI::LineLeft, &CContainerUI::LineRight,
                                             &CContainerUI::PageLeft, &CContainerUI::PageRight,
                                             &CContainerUI::HomeLeft, &CContainerUI::EndRight};

// The command a key or wheel event asks of an axis; null for anything else.
ScrollCommand CommandFor(const ScrollCommands& axis, const ControlEvent& event) {
  if (event.type == UIEvent::ScrollWheel) {
    switch (os::LOWORD(event.wParam)) {
      case 0:
        return axis.lineBack;
      case 1:
        return axis.lineForward;
      default:
        return nullptr;
    }
  }
  if (event.type != UIEvent::KeyDown) return nullptr;
  switch (event.key) {
    case os::VK_PRIOR:
      return axis.pageBack;
    case os::VK_NEXT:
      return axis.pageForward;
    case os::VK_END:
      return axis.end;
    case os::VK_HOME:
      return axis.home;
    case os::VK_UP:
      return axis.lineBack;
    case os::VK_DOWN:
      return axis.lineForward;
    default:
      return nullptr;
  }
}

bool Usable(const CScrollBarUI* bar) { return bar != nullptr && bar->IsVisible() && bar->IsEnabled(); }

}  // namespace

bool CContainerUI::RunScrollCommand(const ControlEvent& event) {
  // The vertical bar takes the keys and the wheel; the horizontal one only
  // when there is no usable vertical bar.
  const ScrollCommands* axis = Usable(verticalScrollBar_.get())     ? &kVerticalCommands
                               : Usable(horizontalScrollBar_.get()) ? &kHorizontalCommands
                                                                    : nullptr;
  if (axis == nullptr) return false;
  const ScrollCommand command = CommandFor(*axis, event);
  if (command == nullptr) return false;
  (this->*command)();
  return true;
}

void CContainerUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CControlUI::DoEvent(event);
    }
    return;
  }
  if (event.type == UIEvent::SetFocus) {
    focused_ = true;
    return;
  }
  if (event.type == UIEvent::KillFocus) {
    focused_ = false;
    return;
  }
  if (RunScrollCommand(event)) return;
  CControlUI::DoEvent(event);
}

void CContainerUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"inset") {
    SetInset(attr::ParseRect(value));
  } else if (name == u"mousechild") {
    SetMouseChildEnabled(attr::ParseBool(value));
  } else if (name == u"vscrollbar") {
    EnableScrollBar(attr::ParseBool(value), horizontalScrollBar_ != nullptr);
  } else if (name == u"vscrollbarstyle") {
    EnableScrollBar(true, horizontalScrollBar_ != nullptr);
    if (verticalScrollBar_ != nullptr) verticalScrollBar_->ApplyAttributeList(value);
  } else if (name == u"hscrollbar") {
    EnableScrollBar(verticalScrollBar_ != nullptr, attr::ParseBool(value));
  } else if (name == u"hscrollbarstyle") {
    EnableScrollBar(verticalScrollBar_ != nullptr, true);
    if (horizontalScrollBar_ != nullptr) horizontalScrollBar_->ApplyAttributeList(value);
  } else if (name == u"childpadding") {
    SetChildPadding(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"scrollstepsize") {
    SetScrollStepSize(static_cast<int>(attr::ParseLong(value)));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CContainerUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  RECT outer;
  if (!rect::Intersect(outer, paint, item_)) return;
  RenderClip outerClip;
  Renderer::GenerateClip(dc, outer, outerClip);
  CControlUI::DoPaint(dc, paint);

  if (!items_.empty()) {
    const RECT inner = InnerRect();
    RECT innerPaint;
    if (!rect::Intersect(innerPaint, paint, inner)) {
      for (const ChildPtr& child : items_) {
        if (!child->IsVisible() || !child->IsFloat()) continue;
        if (!Meets(paint, child->GetPos()) || !Meets(item_, child->GetPos())) continue;
        child->DoPaint(dc, paint);
      }
    } else {
      RenderClip innerClip;
      Renderer::GenerateClip(dc, innerPaint, innerClip);
      for (const ChildPtr& child : items_) {
        if (!child->IsVisible() || !Meets(paint, child->GetPos())) continue;
        if (child->IsFloat()) {
          // A floating child may lie over the inset or the scroll bars: it is
          // clipped by the container's outline only.
          if (!Meets(item_, child->GetPos())) continue;
          innerClip.UseOldClipBegin();
          child->DoPaint(dc, paint);
          innerClip.UseOldClipEnd();
        } else {
          if (!Meets(inner, child->GetPos())) continue;
          child->DoPaint(dc, paint);
        }
      }
    }
  }

  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible() &&
      Meets(paint, verticalScrollBar_->GetPos())) {
    verticalScrollBar_->DoPaint(dc, paint);
  }
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible() &&
      Meets(paint, horizontalScrollBar_->GetPos())) {
    horizontalScrollBar_->DoPaint(dc, paint);
  }
}

// ---------------------------------------------------------------------------
// Container operations

RECT CContainerUI::GetInset() const { return inset_; }

void CContainerUI::SetInset(RECT inset) {
  inset_ = LimitExtent(inset);
  NeedUpdate();
}

int CContainerUI::GetChildPadding() const { return childPadding_; }

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = LimitExtent(padding);
  NeedUpdate();
}

bool CContainerUI::IsAutoDestroy() const { return autoDestroy_; }
void CContainerUI::SetAutoDestroy(bool on) {
  autoDestroy_ = on;
  for (ChildPtr& child : items_) child.get_deleter().owned = on;
}
bool CContainerUI::IsDelayedDestroy() const { return delayedDestroy_; }
void CContainerUI::SetDelayedDestroy(bool on) { delayedDestroy_ = on; }
bool CContainerUI::IsMouseChildEnabled() const { return mouseChildEnabled_; }
void CContainerUI::SetMouseChildEnabled(bool enabled) { mouseChildEnabled_ = enabled; }

int CContainerUI::FindSelectable(int index, bool forward) const {
  if (items_.empty()) return -1;
  index = std::clamp(index, 0, OwnCount() - 1);
  const auto selectable = [this](int i) {
    CControlUI* child = Child(i);
    return child->GetInterface(u"ListItem") != nullptr && child->IsVisible() && child->IsEnabled();
  };
  if (forward) {
    for (int i = index; i < OwnCount(); ++i) {
      if (selectable(i)) return i;
    }
    return -1;
  }
  for (int i = index; i >= 0; --i) {
    if (selectable(i)) return i;
  }
  return FindSelectable(0, true);
}

SIZE CContainerUI::GetScrollPos() const {
  SIZE pos{};
  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible())
    pos.cy = verticalScrollBar_->GetScrollPos();
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    pos.cx = horizontalScrollBar_->GetScrollPos();
  }
  return pos;
}

SIZE CContainerUI::GetScrollRange() const {
  SIZE range{};
  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
    range.cy = verticalScrollBar_->GetScrollRange();
  }
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    range.cx = horizontalScrollBar_->GetScrollRange();
  }
  return range;
}

SIZE CContainerUI::MoveScrollBars(SIZE pos) {
  SIZE moved{};
  for (const LayoutAxis axis : {LayoutAxis::Vertical(), LayoutAxis::Horizontal()}) {
    CScrollBarUI* bar = ScrollBarOf(axis);
    if (bar == nullptr || !bar->IsVisible()) continue;
    const int old = bar->GetScrollPos();
    bar->SetScrollPos(axis.Main(pos));  // the bar holds it to its range
    axis.Main(moved) = bar->GetScrollPos() - old;
  }
  return moved;
}

void CContainerUI::SetScrollPos(SIZE pos) {
  const SIZE moved = MoveScrollBars(pos);
  const int dx = moved.cx;
  const int dy = moved.cy;
  if (dx == 0 && dy == 0) return;
  for (const ChildPtr& child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    RECT r = child->GetPos();
    r.left -= dx;
    r.right -= dx;
    r.top -= dy;
    r.bottom -= dy;
    child->SetPos(r);
  }
  Invalidate();
}

void CContainerUI::SetScrollStepSize(int size) {
  if (size > 0) scrollStepSize_ = size;
}

int CContainerUI::GetScrollStepSize() const { return scrollStepSize_; }

int CContainerUI::LineStep(LayoutAxis axis) const {
  if (scrollStepSize_ != 0) return scrollStepSize_;
  // A vertical line is a line of text in the window's default font.
  if (!axis.IsHorizontal() && manager_ != nullptr) {
    return manager_->DefaultFont()->Metrics().height + kDefaultLineStep;
  }
  return kDefaultLineStep;
}

int CContainerUI::PageStep(LayoutAxis axis) const {
  int page = axis.Length(item_) - axis.Near(inset_) - axis.Far(inset_);
  // The other axis's bar lies across this one's view.
  const CScrollBarUI* across = ScrollBarOf(axis.Cross());
  if (across != nullptr && across->IsVisible()) page -= axis.Fixed(*across);
  return page;
}

void CContainerUI::ScrollAlong(LayoutAxis axis, int delta) {
  SIZE pos = GetScrollPos();
  axis.Main(pos) += delta;
  SetScrollPos(pos);
}

void CContainerUI::ScrollToEdge(LayoutAxis axis, bool end) {
  SIZE pos = GetScrollPos();
  axis.Main(pos) = end ? axis.Main(GetScrollRange()) : 0;
  SetScrollPos(pos);
}

void CContainerUI::LineUp() { ScrollAlong(LayoutAxis::Vertical(), -LineStep(LayoutAxis::Vertical())); }
void CContainerUI::LineDown() { ScrollAlong(LayoutAxis::Vertical(), LineStep(LayoutAxis::Vertical())); }
void CContainerUI::PageUp() { ScrollAlong(LayoutAxis::Vertical(), -PageStep(LayoutAxis::Vertical())); }
void CContainerUI::PageDown() { ScrollAlong(LayoutAxis::Vertical(), PageStep(LayoutAxis::Vertical())); }
void CContainerUI::HomeUp() { ScrollToEdge(LayoutAxis::Vertical(), false); }
void CContainerUI::EndDown() { ScrollToEdge(LayoutAxis::Vertical(), true); }
void CContainerUI::LineLeft() { ScrollAlong(LayoutAxis::Horizontal(), -LineStep(LayoutAxis::Horizontal())); }
void CContainerUI::LineRight() { ScrollAlong(LayoutAxis::Horizontal(), LineStep(LayoutAxis::Horizontal())); }
void CContainerUI::PageLeft() { ScrollAlong(LayoutAxis::Horizontal(), -PageStep(LayoutAxis::Horizontal())); }
void CContainerUI::PageRight() { ScrollAlong(LayoutAxis::Horizontal(), PageStep(LayoutAxis::Horizontal())); }
void CContainerUI::HomeLeft() { ScrollToEdge(LayoutAxis::Horizontal(), false); }
void CContainerUI::EndRight() { ScrollToEdge(LayoutAxis::Horizontal(), true); }

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
  const auto create = [this](bool isHorizontal) {
    auto bar = std::make_unique<CScrollBarUI>();
    if (isHorizontal) bar->SetHorizontal(true);
    bar->SetOwner(this);
    bar->SetOwner(manager_, this, false);
    if (manager_ != nullptr) {
      if (const std::u16string* list =
              manager_->DefaultAttributesFor(isHorizontal ? u"HScrollBar" : u"VScrollBar")) {
        bar->ApplyAttributeList(*list);
      }
    }
    return bar;
  };
  if (vertical && verticalScrollBar_ == nullptr) {
    verticalScrollBar_ = create(false);
  } else if (!vertical && verticalScrollBar_ != nullptr) {
    verticalScrollBar_.reset();
  }
  if (horizontal && horizontalScrollBar_ == nullptr) {
    horizontalScrollBar_ = create(true);
  } else if (!horizontal && horizontalScrollBar_ != nullptr) {
    horizontalScrollBar_.reset();
  }
  NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const { return verticalScrollBar_.get(); }
CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const { return horizontalScrollBar_.get(); }

void CContainerUI::SetFloatPos(int index) {
  CControlUI* child = index >= 0 && index < OwnCount() ? Child(index) : nullptr;
  if (child == nullptr || !child->IsVisible() || !child->IsFloat()) return;
  const SIZE xy = child->GetFixedXY();
  const int w = child->GetFixedWidth();
  const int h = child->GetFixedHeight();
  RECT r;
  if (xy.cx >= 0) {
    r.left = item_.left + xy.cx;
    r.right = r.left + w;
  } else {
    r.right = item_.right + xy.cx;
    r.left = r.right - w;
  }
  if (xy.cy >= 0) {
    r.top = item_.top + xy.cy;
    r.bottom = r.top + h;
  } else {
    r.bottom = item_.bottom + xy.cy;
    r.top = r.bottom - h;
  }
  if (child->IsRelativePos()) {
    const RelativePosUI rel = child->GetRelativePos();
    const int width = item_.right - item_.left;
    const int height = item_.bottom - item_.top;
    if (rel.parentSize.cx != 0) {
      const int dx = width - rel.parentSize.cx;
      const int dy = height - rel.parentSize.cy;
      r.left += dx * rel.moveXPercent / 100;
      r.top += dy * rel.moveYPercent / 100;
      r.right = r.left + w + dx * rel.zoomXPercent / 100;
      r.bottom = r.top + h + dy * rel.zoomYPercent / 100;
    }
    child->SetRelativeParentSize(SIZE{width, height});
  }
  child->SetPos(r);
}

CScrollBarUI* CContainerUI::ScrollBarOf(LayoutAxis axis) const {
  return axis.IsHorizontal() ? horizontalScrollBar_.get() : verticalScrollBar_.get();
}

namespace {
// Where the bar along axis goes: beside rc's far edge across the axis (the
// vertical bar right of the view, the horizontal one below it), as long as
// rc along the axis and as thick as its own fixed size across it.
RECT BarRect(LayoutAxis axis, const RECT& rc, const CScrollBarUI& bar) {
  return axis.MakeRect(axis.Near(rc), axis.Cross().Far(rc), axis.Length(rc), axis.Cross().Fixed(bar));
}
}  // namespace

bool CContainerUI::FitScrollBar(LayoutAxis axis, RECT rc, int required) {
  CScrollBarUI* bar = ScrollBarOf(axis);
  if (bar == nullptr) return false;
  bool& relayingOut = scrollProcess_[axis.IsHorizontal() ? 0 : 1];
  const int need = required - axis.Length(rc);
  if (need > 0 && !bar->IsVisible()) {
    bar->SetVisible(true);
    bar->SetScrollRange(need);
    bar->SetScrollPos(0);
    relayingOut = true;
    SetPos(item_);
    relayingOut = false;
    return true;
  }
  if (!bar->IsVisible()) return false;

  if (need > 0 || relayingOut) {
    bar->SetPos(BarRect(axis, rc, *bar));
    if (bar->GetScrollRange() == need) return false;
    const int oldPos = bar->GetScrollPos();
    bar->SetScrollRange(std::abs(need));
    if (bar->GetScrollRange() == 0) {
      bar->SetVisible(false);
      bar->SetScrollPos(0);
    }
    // The children were placed at the old position.
    if (bar->GetScrollPos() >= oldPos) return false;
    SetPos(item_);
    return true;
  }
  bar->SetVisible(false);
  bar->SetScrollPos(0);
  bar->SetScrollRange(0);
  SetPos(item_);
  return true;
}

void CContainerUI::ProcessScrollBar(RECT rc, int /*cxRequired*/, int cyRequired) {
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    horizontalScrollBar_->SetPos(BarRect(LayoutAxis::Horizontal(), rc, *horizontalScrollBar_));
  }
  FitScrollBar(LayoutAxis::Vertical(), rc, cyRequired);
}

}  // namespace Kesto
