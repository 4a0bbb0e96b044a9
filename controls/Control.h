// The root of every visible element of a skinned window: its rectangle,
// sizing hints, state flags and decoration (background colours and image,
// border), the skin attributes that set them, painting in a fixed order, and
// the input events the window's manager routes to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Types.h"
#include "platform/gfx/Canvas.h"

namespace Kesto {

using os::BYTE;
using os::DWORD;
using os::LPARAM;
using os::POINT;
using os::RECT;
using os::SIZE;
using os::UINT;
using os::WORD;
using os::WPARAM;

class CControlUI;
class UIManager;
struct NotifyMsg;

// ---------------------------------------------------------------------------
// Events

// Type numbers of ControlEvent. MouseFirst..MouseLast is the mouse range.
namespace UIEvent {
inline constexpr int KeyDown = 3;  // key = virtual-key code
inline constexpr int KeyUp = 4;
inline constexpr int Char = 5;
inline constexpr int SysKey = 6;
inline constexpr int MouseMove = 9;
inline constexpr int MouseLeave = 10;
inline constexpr int MouseEnter = 11;
inline constexpr int MouseHover = 12;
inline constexpr int ButtonDown = 13;
inline constexpr int ButtonUp = 14;
inline constexpr int RButtonDown = 15;
inline constexpr int DblClick = 16;
inline constexpr int ContextMenu = 17;
inline constexpr int ScrollWheel = 18;  // LOWORD(wParam): 0 up, 1 down
inline constexpr int KillFocus = 20;
inline constexpr int SetFocus = 21;
inline constexpr int WindowSize = 22;
inline constexpr int SetCursor = 23;
inline constexpr int Timer = 24;  // wParam = the control's timer id
inline constexpr int MouseFirst = 9;
inline constexpr int MouseLast = 18;
}  // namespace UIEvent

inline constexpr bool IsMouseEvent(int type) {
  return type >= UIEvent::MouseFirst && type <= UIEvent::MouseLast;
}

// What the manager hands to Event/DoEvent.
struct ControlEvent {
  int type = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse{};
  char16_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// State bits of controls with visual states (buttons, scroll bar parts ...).
namespace UIState {
inline constexpr UINT Focused = 0x01;
inline constexpr UINT Selected = 0x02;
inline constexpr UINT Disabled = 0x04;
inline constexpr UINT Hot = 0x08;
inline constexpr UINT Pushed = 0x10;
inline constexpr UINT Captured = 0x40;
}  // namespace UIState

// GetControlFlags bits.
namespace ControlFlag {
inline constexpr UINT TabStop = 0x01;
inline constexpr UINT SetCursor = 0x02;  // wants set-cursor events
}  // namespace ControlFlag

// FindControl flags.
namespace FindFlag {
inline constexpr UINT All = 0x00;
inline constexpr UINT Visible = 0x01;
inline constexpr UINT Enabled = 0x02;
inline constexpr UINT HitTest = 0x04;   // data points to a POINT
inline constexpr UINT TopFirst = 0x08;  // children last-to-first
inline constexpr UINT MeFirst = 0x80000000u;
}  // namespace FindFlag

// FindControl visits controls with a callback that returns the control it
// accepts (or null to go on searching). data is handed through unchanged.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// ---------------------------------------------------------------------------
// Delegates

// One callback of an EventSource. Returning false from an OnEvent delegate
// keeps the event from the control.
template <typename Arg>
class CDelegate {
 public:
  using Function = std::function<bool(Arg&)>;
  CDelegate(int id, Function fn) : id_(id), fn_(std::move(fn)) {}
  int Id() const { return id_; }
  bool operator()(Arg& arg) const { return fn_ ? fn_(arg) : true; }

 private:
  int id_;
  Function fn_;
};

// An ordered list of delegates, called in insertion order. The source owns
// its delegates; Add hands back an id for Remove.
template <typename Arg>
class EventSource {
 public:
  using Function = typename CDelegate<Arg>::Function;

  int Add(Function fn) {
    delegates_.emplace_back(++lastId_, std::move(fn));
    return lastId_;
  }
  int operator+=(Function fn) { return Add(std::move(fn)); }
  bool Remove(int id) {
    for (auto it = delegates_.begin(); it != delegates_.end(); ++it) {
      if (it->Id() == id) {
        delegates_.erase(it);
        return true;
      }
    }
    return false;
  }
  void Clear() { delegates_.clear(); }
  bool Empty() const { return delegates_.empty(); }
  std::size_t Size() const { return delegates_.size(); }
  explicit operator bool() const { return !delegates_.empty(); }

  // Calls the delegates in order and stops at the first that returns false;
  // true when every one agreed. A delegate may add or remove delegates of
  // the same source while it runs: the call works on a snapshot.
  bool operator()(Arg& arg) const {
    const std::vector<CDelegate<Arg>> snapshot = delegates_;
    for (const auto& d : snapshot) {
      if (!d(arg)) return false;
    }
    return true;
  }

 private:
  std::vector<CDelegate<Arg>> delegates_;
  int lastId_ = 0;
};

// Proportional repositioning of a floating child when its container resizes.
struct RelativePosUI {
  bool relative = false;
  SIZE parentSize{};
  int moveXPercent = 0;
  int moveYPercent = 0;
  int zoomXPercent = 0;
  int zoomYPercent = 0;
};

// ---------------------------------------------------------------------------
// Value readers shared by the SetAttribute tables of every control.
namespace attr {
// Decimal, as wcstol reads it from the start; *end (when given) receives the
// position after the digits read (the start when nothing was read).
long ParseLong(std::u16string_view text, std::size_t* end = nullptr);
// Hexadecimal, as wcstoul reads it (an optional "0x" prefix).
unsigned long ParseHex(std::u16string_view text, std::size_t* end = nullptr);
// n integers, each read one character after the end of the previous one;
// missing numbers read as 0.
std::vector<long> ParseList(std::u16string_view text, std::size_t count);
RECT ParseRect(std::u16string_view text);
SIZE ParseSize(std::u16string_view text);
// Blanks (code 0x20 and below) skipped, one optional "#", then hexadecimal.
DWORD ParseColor(std::u16string_view text);
// Only an immediate "#" skipped, then hexadecimal.
DWORD ParseColorNoBlank(std::u16string_view text);
// True exactly for "true".
inline bool ParseBool(std::u16string_view text) { return text == u"true"; }
}  // namespace attr

// ---------------------------------------------------------------------------

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual std::u16string GetName() const;
  virtual void SetName(std::u16string_view name);
  virtual std::u16string_view GetClass() const;
  virtual void* GetInterface(std::u16string_view name);
  virtual UINT GetControlFlags() const;

  virtual bool Activate();
  virtual UIManager* GetManager() const;
  virtual void SetOwner(UIManager* manager, CControlUI* parent, bool init = true);
  virtual CControlUI* GetParent() const;

  virtual std::u16string GetText() const;
  virtual void SetText(std::u16string_view text);

  virtual const RECT& GetPos() const;
  virtual void SetPos(RECT rc);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT padding);
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE xy);
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);
  virtual void SetRelativePos(SIZE move, SIZE zoom);
  virtual void SetRelativeParentSize(SIZE size);
  virtual RelativePosUI GetRelativePos() const;
  virtual bool IsRelativePos() const;

  virtual std::u16string GetToolTip() const;
  virtual void SetToolTip(std::u16string_view text);
  virtual void SetToolTipWidth(int width);
  virtual int GetToolTipWidth() const;

  virtual char16_t GetShortcut() const;
  virtual void SetShortcut(char16_t ch);
  virtual bool IsContextMenuUsed() const;
  virtual void SetContextMenuUsed(bool used);
  virtual const std::u16string& GetUserData() const;
  virtual void SetUserData(std::u16string_view text);
  virtual std::uintptr_t GetTag() const;
  virtual void SetTag(std::uintptr_t tag);

  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool isFloat = true);

  virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);

  virtual void Init();
  virtual void DoInit();
  virtual void Event(ControlEvent& event);
  virtual void DoEvent(ControlEvent& event);

  virtual void SetAttribute(std::u16string_view name, std::u16string_view value);
  virtual SIZE EstimateSize(SIZE available);

  virtual void DoPaint(os::Canvas& dc, const RECT& paint);
  virtual void PaintBkColor(os::Canvas& dc);
  virtual void PaintBkImage(os::Canvas& dc);
  virtual void PaintStatusImage(os::Canvas& dc);
  virtual void PaintText(os::Canvas& dc);
  virtual void PaintBorder(os::Canvas& dc);
  virtual void DoPostPaint(os::Canvas& dc, const RECT& paint);

  // --- non-virtual ---------------------------------------------------------

  void Invalidate();
  void NeedUpdate();
  void NeedParentUpdate();
  bool IsUpdateNeeded() const { return updateNeeded_; }

  DWORD GetAdjustColor(DWORD color) const;
  // Draws a draw-string over item within the current paint rectangle.
  bool DrawImage(os::Canvas& dc, std::u16string_view drawString, std::u16string_view modify = {});

  DWORD GetBkColor() const { return bkColor_; }
  void SetBkColor(DWORD color);
  DWORD GetBkColor2() const { return bkColor2_; }
  void SetBkColor2(DWORD color);
  DWORD GetBkColor3() const { return bkColor3_; }
  void SetBkColor3(DWORD color);
  const std::u16string& GetBkImage() const { return bkImage_; }
  void SetBkImage(std::u16string_view image);
  const std::u16string& GetForeImage() const { return foreImage_; }
  void SetForeImage(std::u16string_view image);
  DWORD GetBorderColor() const { return borderColor_; }
  void SetBorderColor(DWORD color);
  DWORD GetFocusBorderColor() const { return focusBorderColor_; }
  void SetFocusBorderColor(DWORD color);
  bool IsColorHSL() const { return colorHSL_; }
  void SetColorHSL(bool on);
  int GetBorderSize() const { return borderSize_; }
  void SetBorderSize(int size);
  void SetBorderSize(RECT sides);
  RECT GetBorderSides() const { return borderSides_; }
  void SetLeftBorderSize(int size);
  void SetTopBorderSize(int size);
  void SetRightBorderSize(int size);
  void SetBottomBorderSize(int size);
  int GetBorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  SIZE GetBorderRound() const { return borderRound_; }
  void SetBorderRound(SIZE round);

  std::u16string GetVirtualWnd() const;
  void SetVirtualWnd(std::u16string_view name);

  // name="value" pairs separated by single spaces.
  void ApplyAttributeList(std::u16string_view list);

  const RECT& GetPaintRect() const { return paintRect_; }

  EventSource<CControlUI> OnInit;
  EventSource<CControlUI> OnDestroy;
  EventSource<CControlUI> OnSize;
  EventSource<ControlEvent> OnEvent;
  EventSource<NotifyMsg> OnNotify;

 protected:
  // Sends a notification with this control as sender (nothing without a
  // manager).
  void SendNotify(std::u16string_view type, WPARAM wParam = 0, LPARAM lParam = 0);

  UIManager* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::u16string virtualWnd_;
  std::u16string name_;
  bool updateNeeded_ = true;
  bool menuUsed_ = false;
  RECT item_{};
  RECT padding_{};
  SIZE fixedXY_{};
  SIZE fixedSize_{};
  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = 9999;
  int maxHeight_ = 9999;
  bool visible_ = true;
  bool internVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool keyboardEnabled_ = true;
  bool focused_ = false;
  bool isFloat_ = false;
  bool inSetPos_ = false;
  RelativePosUI relativePos_{};
  std::u16string text_;
  std::u16string toolTip_;
  char16_t shortcut_ = 0;
  std::u16string userData_;
  std::uintptr_t tag_ = 0;
  DWORD bkColor_ = 0;
  DWORD bkColor2_ = 0;
  DWORD bkColor3_ = 0;
  std::u16string bkImage_;
  std::u16string foreImage_;
  DWORD borderColor_ = 0;
  DWORD focusBorderColor_ = 0;
  bool colorHSL_ = false;
  int borderSize_ = 0;
  int borderStyle_ = 0;
  int toolTipWidth_ = 300;
  SIZE borderRound_{};
  RECT paintRect_{};
  RECT borderSides_{};
};

// Rectangle helpers of the control family.
namespace rect {
inline bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
// False (and dst empty) when a and b do not meet.
bool Intersect(RECT& dst, const RECT& a, const RECT& b);
RECT Union(const RECT& a, const RECT& b);
inline bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
}  // namespace rect

}  // namespace Kesto
