// An option under its own class name: without a group it toggles on every
// click.
#pragma once

#include "controls/Option.h"

namespace Kesto {

class CCheckBoxUI : public COptionUI {
 public:
  std::u16string_view GetClass() const override;

  bool IsChecked() const { return IsSelected(); }
  void SetCheck(bool checked) { Selected(checked); }
};

}  // namespace Kesto
