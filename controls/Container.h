// Controls that hold other controls: the child list and its ownership, the
// inset, child padding, on-demand scroll bars, hit testing, clipped painting
// and floating children placed by their own position.
#pragma once

#include <memory>
#include <vector>

#include "controls/Control.h"
#include "controls/LayoutAxis.h"

namespace Kesto {

class CScrollBarUI;

// How a container holds its children: each through a unique pointer whose
// deleter carries an ownership flag. With autoDestroy on (the default) the
// flag is set and the child goes when it is removed or the container goes
// (at once, or through the manager's delayed clean-up). With autoDestroy off
// the container only borrows its children, which someone else keeps alive
// (the combo box's drop-down list borrows the combo's items), and letting
// go of one deletes nothing. SetAutoDestroy sets the flag of every child
// held, so the flag decides at the moment of removal, as its meaning asks.
struct ChildDeleter {
  bool owned = true;
  void operator()(CControlUI* control) const {
    if (owned) delete control;
  }
};
using ChildPtr = std::unique_ptr<CControlUI, ChildDeleter>;

// The child-list view of a container ("IContainer" interface).
class IContainerUI {
 public:
  virtual ~IContainerUI() = default;
  virtual CControlUI* GetItemAt(int index) const = 0;
  virtual int GetItemIndex(CControlUI* control) const = 0;
  virtual bool SetItemIndex(CControlUI* control, int index) = 0;
  virtual int GetCount() const = 0;
  virtual bool Add(CControlUI* control) = 0;
  virtual bool AddAt(CControlUI* control, int index) = 0;
  virtual bool Remove(CControlUI* control) = 0;
  virtual bool RemoveAt(int index) = 0;
  virtual void RemoveAll() = 0;
};

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  // IContainerUI
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  // CControlUI
  void SetOwner(UIManager* manager, CControlUI* parent, bool init = true) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetMouseEnabled(bool enabled = true) override;
  CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;

  // The owning forms of Add and AddAt: the container takes the control
  // (owned or borrowed as autoDestroy says, see ChildDeleter). Routed
  // through the virtual AddAt, so a container that places its items
  // elsewhere still gets them; a control refused is deleted here.
  bool Adopt(std::unique_ptr<CControlUI> control);
  bool AdoptAt(std::unique_ptr<CControlUI> control, int index);

  // Container operations.
  virtual RECT GetInset() const;
  virtual void SetInset(RECT inset);
  virtual int GetChildPadding() const;
  virtual void SetChildPadding(int padding);
  virtual bool IsAutoDestroy() const;
  virtual void SetAutoDestroy(bool on);
  virtual bool IsDelayedDestroy() const;
  virtual void SetDelayedDestroy(bool on);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool enabled = true);
  virtual int FindSelectable(int index, bool forward = true) const;

  virtual SIZE GetScrollPos() const;
  virtual SIZE GetScrollRange() const;
  virtual void SetScrollPos(SIZE pos);
  virtual void SetScrollStepSize(int size);
  virtual int GetScrollStepSize() const;
  virtual void LineUp();
  virtual void LineDown();
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown();
  virtual void LineLeft();
  virtual void LineRight();
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  virtual void EnableScrollBar(bool vertical = true, bool horizontal = false);
  virtual CScrollBarUI* GetVerticalScrollBar() const;
  virtual CScrollBarUI* GetHorizontalScrollBar() const;

  // Places the floating child at index from its own position.
  virtual void SetFloatPos(int index);
  // Places the scroll bars beside rc, the content's view, and fits the
  // vertical one to content cyRequired high (the layouts call this from
  // SetPos). The horizontal bar is only placed: its range is the skin's, or
  // the side-by-side layout's, which fits it with FitScrollBar itself.
  // cxRequired is taken for the callers' symmetry and not used.
  virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

 protected:
  // item minus inset minus the visible scroll bars.
  RECT InnerRect() const;
  // Sets each visible bar's position from pos; how far each one moved
  // (held to its range), 0 for a hidden or missing bar.
  SIZE MoveScrollBars(SIZE pos);
  // The scroll position along axis moved by delta, or set to 0 or the range.
  void ScrollAlong(LayoutAxis axis, int delta);
  void ScrollToEdge(LayoutAxis axis, bool end);
  // One line: scrollStepSize, else 8, or vertically with a manager a line of
  // the default font plus 8. One page: the view's length along axis.
  int LineStep(LayoutAxis axis) const;
  int PageStep(LayoutAxis axis) const;
  // Runs the line, page, home or end operation a key or wheel event asks of
  // the axis whose bar is usable (the vertical first); false when none.
  bool RunScrollCommand(const ControlEvent& event);
  // The bar that scrolls along axis (null when not enabled).
  CScrollBarUI* ScrollBarOf(LayoutAxis axis) const;
  // Fits the bar along axis to content required long shown in rc: shown
  // (range = the overflow, position 0) when the content does not fit, hidden
  // (range and position 0) when it does, its range following the content
  // otherwise. Showing or hiding it changes the room the children have, so
  // the container lays itself out once more, with that axis's scrollProcess
  // guard set after a show; the same when its position had to come down.
  // Returns true when it laid the container out again: the caller's pass
  // is then stale and must stop.
  bool FitScrollBar(LayoutAxis axis, RECT rc, int required);
  // The number of children this container holds itself. Layout and painting
  // walk their own children by it, not by the virtual GetCount, which a
  // container that forwards its item list elsewhere answers differently.
  int OwnCount() const { return static_cast<int>(items_.size()); }
  // The child at index, which must be in range.
  CControlUI* Child(int index) const { return items_[static_cast<std::size_t>(index)].get(); }
  // Lets go of a removed child: an owned one is deleted at once or handed
  // to the manager's delayed clean-up; a borrowed one is only forgotten.
  void DisposeChild(ChildPtr child);

  std::vector<ChildPtr> items_;
  RECT inset_{};
  int childPadding_ = 0;
  bool autoDestroy_ = true;
  bool delayedDestroy_ = true;
  bool mouseChildEnabled_ = true;
  // Set while the container lays itself out again after showing the bar of
  // that axis ([0] horizontal, [1] vertical). One guard per axis: the
  // relayout after the horizontal bar came must not pass for the vertical
  // bar's own, which would keep a vertical bar the content does not need.
  bool scrollProcess_[2] = {false, false};
  int scrollStepSize_ = 0;
  std::unique_ptr<CScrollBarUI> verticalScrollBar_;
  std::unique_ptr<CScrollBarUI> horizontalScrollBar_;
};

}  // namespace Kesto
