// A grid: a fixed number of columns (or as many as items of itemsize fit),
// rows as high as their highest item.
#pragma once

#include "controls/Container.h"

namespace Kesto {

class CTileLayoutUI : public CContainerUI {
 public:
  CTileLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void SetPos(RECT rc) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  SIZE GetItemSize() const { return itemSize_; }
  void SetItemSize(SIZE size);
  int GetColumns() const { return columns_; }
  void SetColumns(int columns);

 private:
  SIZE itemSize_{};
  int columns_ = 1;
};

}  // namespace Kesto
