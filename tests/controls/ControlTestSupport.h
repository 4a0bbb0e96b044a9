// Shared by the control tests: a notification recorder, pixel counting and
// small picture files.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "controls/Control.h"
#include "controls/LayoutAxis.h"
#include "platform/gfx/Bitmap.h"
#include "stb_image_write.h"
#include "testsupport/Pixels.h"
#include "testsupport/PngPictures.h"

namespace controltest {

class Recorder : public Kesto::INotifyUI {
 public:
  void Notify(Kesto::NotifyMsg& msg) override { messages.push_back(msg); }
  std::vector<std::u16string> Types() const {
    std::vector<std::u16string> types;
    for (const auto& m : messages) types.push_back(m.type);
    return types;
  }
  std::vector<Kesto::NotifyMsg> messages;
};

using testsupport::CountPixels;

using testsupport::SolidPng;

// An event as the manager would fill it.
inline Kesto::ControlEvent MakeEvent(int type, os::POINT mouse = {}, os::WPARAM wParam = 0,
                                     char16_t key = 0) {
  Kesto::ControlEvent e;
  e.type = type;
  e.mouse = mouse;
  e.wParam = wParam;
  e.key = key;
  return e;
}

}  // namespace controltest

namespace Kesto {
// Names the axis in the test output of the tests run once per axis.
inline void PrintTo(const LayoutAxis& axis, std::ostream* os) {
  *os << (axis.IsHorizontal() ? "horizontal" : "vertical");
}
}  // namespace Kesto
