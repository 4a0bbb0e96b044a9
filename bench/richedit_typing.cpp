// Typing one character at the end of a 100,000-character text and painting
// the view again, as a rich edit does for every key. Two shapes of text: many
// lines of 80 characters (the paragraphs before the caret keep their layout)
// and one long line (shaped in pieces; only the last piece is shaped again).
// The unpainted variant shows what the editing and shaping alone cost.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/syscontrols/TextServices.h"
#include "platform/window/Messages.h"

namespace {

constexpr int kLength = 100000;
constexpr os::RECT kView{0, 0, 600, 400};

// Key state is read through the window system: keep it off the desktop.
const bool kHeadless = [] { return setenv("LUMORA_PLATFORM", "headless", 0) == 0; }();

class BenchHost : public os::ITextHost {
 public:
  explicit BenchHost(os::DWORD bits) : bits_(bits) {}
  os::HWND TxGetWindow() override { return nullptr; }
  os::RECT TxGetClientRect() override { return kView; }
  const os::Font* TxGetFont() override { return &font_; }
  os::DWORD TxGetTextColor() override { return 0xFF000000; }
  os::TxAlign TxGetAlignment() override { return os::TxAlign::Left; }
  char16_t TxGetPasswordChar() override { return u'*'; }
  int TxGetMaxLength() override { return 0x7FFFFFFE; }
  os::DWORD TxGetPropertyBits() override { return bits_; }
  os::DWORD TxGetScrollBars() override { return os::ES_AUTOVSCROLL | os::ES_AUTOHSCROLL; }
  os::DWORD TxGetKeyWishes() override { return os::TXK_WANTRETURN; }
  bool TxCreateCaret(int, int) override { return true; }
  bool TxShowCaret(bool) override { return true; }
  bool TxSetCaretPos(os::POINT) override { return true; }
  void TxInvalidateRect(const os::RECT*) override {}
  void TxViewChange() override {}
  void TxSetCapture(bool) override {}
  void TxNotify(os::DWORD) override {}

 private:
  os::DWORD bits_;
  os::Font font_{u"Tahoma", 13};
};

std::u16string SampleText(bool lines) {
  std::u16string text;
  text.reserve(kLength);
  const std::u16string word = u"lorem ipsum dolor sit amet ";
  while (static_cast<int>(text.size()) < kLength) {
    text += word;
    if (lines && text.size() % 81 < word.size()) text += u'\n';
  }
  text.resize(kLength);
  return text;
}

void TypeAndPaint(benchmark::State& state, bool lines, bool paint = true) {
  (void)kHeadless;
  BenchHost host(lines ? os::TXTBIT_MULTILINE : 0);
  os::TextServices text(&host);
  text.SetText(SampleText(lines));
  text.SetSelection(kLength, kLength);
  os::Bitmap bitmap(kView.right, kView.bottom);
  os::Canvas canvas(bitmap);
  text.TxDraw(canvas, kView);
  for (auto _ : state) {
    text.TxSendMessage(os::WM_CHAR, u'x', 0);
    if (!paint) continue;
    canvas.FillRect(kView, 0xFFFFFFFF);
    text.TxDraw(canvas, kView);
  }
  state.counters["length"] = static_cast<double>(text.Text().size());
}

void BM_TypeAtEndOfManyLines(benchmark::State& state) { TypeAndPaint(state, true); }
void BM_TypeAtEndOfOneLongLine(benchmark::State& state) { TypeAndPaint(state, false); }
void BM_TypeAtEndOfOneLongLineUnpainted(benchmark::State& state) { TypeAndPaint(state, false, false); }

}  // namespace

BENCHMARK(BM_TypeAtEndOfManyLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeAtEndOfOneLongLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAtEndOfOneLongLineUnpainted)->Unit(benchmark::kMillisecond);
