// Layout and painting: the layout pass runs at paint time only; an opaque
// window paints through its back buffer and presents the painted rectangle, a
// layered window repaints the invalidated area of its per-pixel-alpha frame
// and pushes the whole frame. Also the caret.
#include <algorithm>

#include "Core/UIManager.h"
#include "controls/Control.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace Kesto {
namespace {

CControlUI* AcceptUpdateNeeded(CControlUI* control, void*) {
  return control->IsUpdateNeeded() ? control : nullptr;
}

os::RECT Clamp(const os::RECT& r, const os::RECT& bounds) {
  os::RECT out{};
  if (!rect::Intersect(out, r, bounds)) return os::RECT{};
  return out;
}

// A bound on partial relayouts in one paint, for a control whose SetPos does
// not clear its own mark (it would otherwise be found again for ever).
constexpr int kMaxPartialLayouts = 100000;

// The longest side, in device pixels, a back buffer can have (the drawing
// library's limit); a bitmap asked for more takes a lower density.
constexpr int kMaxBufferSide = 32767;

}  // namespace

void UIManager::Paint() {
  os::RECT update{};
  if (!os::GetUpdateRect(window_, &update, os::FALSE)) return;
  os::PAINTSTRUCT ps;
  if (root_ == nullptr) {
    os::BeginPaint(window_, &ps);
    os::EndPaint(window_, &ps);
    return;
  }
  os::BeginPaint(window_, &ps);
  if (layoutNeeded_) LayOut();
  if (focusPassNeeded_) FocusNextTabStop(true);
  if (root_ != nullptr) {
    if (layeredBackground_) {
      PaintLayered(ps.rcPaint);
    } else {
      PaintOpaque(ps.rcPaint);
    }
  }
  os::EndPaint(window_, &ps);
  // Something asked for layout while painting: paint again with it.
  if (layoutNeeded_) os::InvalidateRect(window_, nullptr, os::FALSE);
}

void UIManager::LayOut() {
  layoutNeeded_ = false;
  os::RECT client{};
  os::GetClientRect(window_, &client);
  if (rect::IsEmpty(client)) return;
  if (root_->IsUpdateNeeded()) {
    if (!os::IsIconic(window_)) root_->SetPos(client);
    // The buffers follow the client size.
    offscreen_.reset();
    layered_.reset();
  } else {
    CControlUI* previous = nullptr;
    for (int i = 0; i < kMaxPartialLayouts; ++i) {
      CControlUI* control =
          root_->FindControl(&AcceptUpdateNeeded, nullptr, FindFlag::Visible | FindFlag::MeFirst);
      if (control == nullptr || control == previous) break;
      control->SetPos(control->GetPos());
      previous = control;
    }
  }
  if (firstLayoutPending_) {
    firstLayoutPending_ = false;
    SendNotify(root_.get(), u"windowinit");
  }
}

void UIManager::PaintTree(os::Canvas& canvas, const os::RECT& paint) {
  canvas.PushClipRect(paint);
  root_->DoPaint(canvas, paint);
  DrawCaret(canvas, paint);
  // A post-paint control may remove itself while painting.
  const std::vector<CControlUI*> post = postPaint_;
  for (CControlUI* control : post) {
    if (std::find(postPaint_.begin(), postPaint_.end(), control) != postPaint_.end())
      control->DoPostPaint(canvas, paint);
  }
  canvas.PopClip();
}

void UIManager::PaintOpaque(const os::RECT& paint) {
  const os::SIZE size = ClientSize();
  if (size.cx <= 0 || size.cy <= 0) return;
  const os::RECT client{0, 0, size.cx, size.cy};
  const os::RECT area = Clamp(paint, client);
  if (rect::IsEmpty(area)) return;
  // The buffers are painted at the density of the window's screen, and made
  // anew when the window moves to a screen of another.
  const os::DeviceScale scale = os::GetWindowDeviceScale(window_);
  if (offscreenPaint_) {
    if (!offscreen_ || offscreen_->Width() != size.cx || offscreen_->Height() != size.cy ||
        offscreen_->Scale() != scale.FittingExtent(size, kMaxBufferSide)) {
      offscreen_ = std::make_unique<os::Bitmap>(size.cx, size.cy, scale);
    }
    if (!offscreen_->IsValid()) return;
    {
      os::Canvas canvas(*offscreen_);
      PaintTree(canvas, area);
    }
    offscreen_->MarkDirty();
    os::BitBltToWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       os::PixelsOf(*offscreen_), area.left, area.top);
    return;
  }
  // Without a kept back buffer the tree paints into a buffer made for this
  // paint alone, which is presented and dropped.
  os::Bitmap scratch(size.cx, size.cy, scale);
  if (!scratch.IsValid()) return;
  {
    os::Canvas canvas(scratch);
    PaintTree(canvas, area);
  }
  os::BitBltToWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     os::PixelsOf(scratch), area.left, area.top);
}

void UIManager::PaintLayered(const os::RECT& paint) {
  const os::LONG_PTR exStyle = os::GetWindowLongPtr(window_, os::GWL_EXSTYLE);
  if ((exStyle & os::WS_EX_LAYERED) == 0)
    os::SetWindowLongPtr(window_, os::GWL_EXSTYLE, exStyle | os::WS_EX_LAYERED);
  const os::SIZE size = ClientSize();
  if (size.cx <= 0 || size.cy <= 0) return;
  const os::RECT client{0, 0, size.cx, size.cy};
  os::RECT area{};
  if (restoring_) {
    area = client;
    restoring_ = false;
  } else {
    area = rect::IsEmpty(invalidRect_) ? paint : rect::Union(paint, invalidRect_);
    invalidRect_ = os::RECT{};
  }
  area = Clamp(area, client);
  const os::DeviceScale scale = os::GetWindowDeviceScale(window_);
  bool fresh = false;
  if (!layered_ || layered_->Width() != size.cx || layered_->Height() != size.cy ||
      layered_->Scale() != scale.FittingExtent(size, kMaxBufferSide)) {
    layered_ = std::make_unique<os::Bitmap>(os::NewLayeredFrame(size.cx, size.cy, scale));
    // A new frame has nothing from before: all of it is painted.
    area = client;
    fresh = true;
  }
  if (!layered_->IsValid()) return;
  if (!rect::IsEmpty(area)) {
    // The raw rows are device pixels.
    const os::RECT pixels = layered_->Scale().ToDevice(area);
    // A new bitmap is transparent already; clearing it would only touch
    // every page of it before the paint (what stays transparent never is).
    if (!fresh) {
      for (int y = pixels.top; y < pixels.bottom; ++y) {
        std::uint32_t* row = layered_->Row(y);
        std::fill(row + pixels.left, row + pixels.right, 0u);
      }
      layered_->MarkDirty();
    }
    {
      os::Canvas canvas(*layered_);
      PaintTree(canvas, area);
    }
    // Output that left alpha at 0 but set a colour becomes opaque; what
    // nothing touched stays fully transparent.
    for (int y = pixels.top; y < pixels.bottom; ++y) {
      std::uint32_t* row = layered_->Row(y);
      for (int x = pixels.left; x < pixels.right; ++x) {
        const std::uint32_t p = row[x];
        if ((p & 0xFF000000u) == 0 && (p & 0x00FFFFFFu) != 0) row[x] = p | 0xFF000000u;
      }
    }
    layered_->MarkDirty();
  }
  os::RECT windowRect{};
  os::GetWindowRect(window_, &windowRect);
  const os::POINT position{windowRect.left, windowRect.top};
  os::UpdateLayeredWindow(window_, &position, os::PixelsOf(*layered_), 255);
}

// ---------------------------------------------------------------------------
// Caret

bool UIManager::CreateCaret(CControlUI* owner, int width, int height, os::DWORD color) {
  if (owner == nullptr || width <= 0 || height <= 0) return false;
  if (caretShown_) Invalidate(caretRect_);
  caretOwner_ = owner;
  caretColor_ = color;
  caretRect_ = os::RECT{caretRect_.left, caretRect_.top, caretRect_.left + width, caretRect_.top + height};
  caretEnabled_ = true;
  return true;
}

void UIManager::DestroyCaret() {
  ShowCaret(false);
  caretOwner_ = nullptr;
  caretEnabled_ = false;
}

void UIManager::SetCaretPos(os::POINT pos) {
  if (caretShown_) Invalidate(caretRect_);
  const int width = caretRect_.right - caretRect_.left;
  const int height = caretRect_.bottom - caretRect_.top;
  caretRect_ = os::RECT{pos.x, pos.y, pos.x + width, pos.y + height};
  if (caretShown_) Invalidate(caretRect_);
}

void UIManager::ShowCaret(bool on) {
  if (on) {
    if (window_ == nullptr || !caretEnabled_) return;
    caretTimerRunning_ = os::SetTimer(window_, kCaretTimerId, os::GetCaretBlinkTime(), nullptr) != 0;
    caretShown_ = true;
    Invalidate(caretRect_);
    return;
  }
  if (caretTimerRunning_ && window_ != nullptr && os::IsWindow(window_))
    os::KillTimer(window_, kCaretTimerId);
  caretTimerRunning_ = false;
  if (caretShown_) {
    caretShown_ = false;
    Invalidate(caretRect_);
  }
}

void UIManager::DrawCaret(os::Canvas& canvas, const os::RECT& paint) {
  if (caretOwner_ == nullptr) return;
  if (caretOwner_ != focus_ || os::GetFocus() != window_) {
    ShowCaret(false);
    return;
  }
  if (!caretEnabled_ || !caretShown_) return;
  os::RECT part{};
  if (!rect::Intersect(part, caretRect_, paint)) return;
  const os::DWORD color = caretColor_ != 0 ? caretColor_ : fontColor_;
  canvas.FillRect(part, color | 0xFF000000u);
}

}  // namespace Kesto
