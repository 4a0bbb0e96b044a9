// Controls that hold other controls: the child list and its ownership, the
// inset, child padding, on-demand scroll bars, hit testing, clipped painting
// and floating children placed by their own position.
#pragma once

#include <vector>

#include "controls/Control.h"

namespace Kesto {

class CScrollBarUI;

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
  // Shows, places and sizes the scroll bars for content of the required size
  // laid out in rc (the layouts call this from SetPos).
  virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

 protected:
  // item minus inset minus the visible scroll bars.
  RECT InnerRect() const;
  // SetScrollPos of the scroll position moved by (dx, dy).
  void ScrollBy(int dx, int dy);
  // The number of children this container holds itself. Layout and painting
  // walk their own children by it, not by the virtual GetCount, which a
  // container that forwards its item list elsewhere answers differently.
  int OwnCount() const { return static_cast<int>(items_.size()); }
  // Deletes (or hands to the manager's delayed clean-up) a removed child.
  void DisposeChild(CControlUI* control);

  std::vector<CControlUI*> items_;
  RECT inset_{};
  int childPadding_ = 0;
  bool autoDestroy_ = true;
  bool delayedDestroy_ = true;
  bool mouseChildEnabled_ = true;
  bool scrollProcess_ = false;
  int scrollStepSize_ = 0;
  CScrollBarUI* verticalScrollBar_ = nullptr;
  CScrollBarUI* horizontalScrollBar_ = nullptr;
};

}  // namespace Kesto
