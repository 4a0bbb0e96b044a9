// Shared by the control tests: a notification recorder, pixel counting and
// small picture files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Core/UIManager.h"
#include "controls/Control.h"
#include "platform/gfx/Bitmap.h"
#include "stb_image_write.h"

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

inline int CountPixels(const os::Bitmap& b, const os::RECT& r, std::uint32_t argb) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (b.Pixel(x, y) == argb) ++n;
    }
  }
  return n;
}

inline std::string SolidPng(int width, int height, std::uint32_t rgb) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < width * height; ++i) {
    pixels.push_back(static_cast<std::uint8_t>(rgb >> 16));
    pixels.push_back(static_cast<std::uint8_t>(rgb >> 8));
    pixels.push_back(static_cast<std::uint8_t>(rgb));
    pixels.push_back(255);
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
      },
      &out, width, height, 4, pixels.data(), width * 4);
  return out;
}

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
