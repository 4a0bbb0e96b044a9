// Pages of which one is visible at a time; selecting another sends
// "tabselect" (wParam: new index, lParam: previous index).
#pragma once

#include "controls/Container.h"

namespace Kesto {

class CTabLayoutUI : public CContainerUI {
 public:
  CTabLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;
  void SetPos(RECT rc) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  virtual bool SelectItem(CControlUI* control);
  virtual bool SelectItem(int index);

  // The visible page, -1 when there is none.
  int GetCurSel() const { return currentSel_; }

 private:
  int currentSel_ = -1;
};

}  // namespace Kesto
