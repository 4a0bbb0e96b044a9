#include "controls/GifAnim.h"

#include <climits>
#include <limits>
#include <string>

#include "Core/ControlRegistry.h"
#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "platform/system/Kernel.h"
#include "stb_image.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"GifAnim", CGifAnimUI)

namespace {

struct DecodedFrame {
  std::unique_ptr<ImageInfo> image;
  int delay = 0;
};

// Reads the block structure of a GIF up to its trailer without decoding
// pictures; false for anything else and for a file that ends early (the
// decoder would read zeros past the end and show garbage).
class GifBlocks {
 public:
  explicit GifBlocks(const std::string& bytes) : bytes_(bytes) {}

  bool Complete() {
    if (bytes_.compare(0, 6, "GIF87a") != 0 && bytes_.compare(0, 6, "GIF89a") != 0) return false;
    pos_ = 6;
    if (!Has(7)) return false;
    const unsigned packed = Byte(pos_ + 4);
    pos_ += 7;
    if (!SkipColorTable(packed)) return false;
    while (Has(1)) {
      const unsigned block = Byte(pos_++);
      if (block == 0x3B) return true;
      if (block == 0x21) {
        if (!Has(1)) return false;
        ++pos_;  // label
        if (!SkipSubBlocks()) return false;
      } else if (block == 0x2C) {
        if (!Has(9)) return false;
        const unsigned imagePacked = Byte(pos_ + 8);
        pos_ += 9;
        if (!SkipColorTable(imagePacked) || !Has(1)) return false;
        ++pos_;  // code size
        if (!SkipSubBlocks()) return false;
      } else {
        return false;
      }
    }
    return false;
  }

 private:
  bool Has(std::size_t n) const { return pos_ <= bytes_.size() && bytes_.size() - pos_ >= n; }
  unsigned Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  bool SkipColorTable(unsigned packed) {
    if ((packed & 0x80) == 0) return true;
    const std::size_t size = 3u << ((packed & 0x07) + 1);
    if (!Has(size)) return false;
    pos_ += size;
    return true;
  }
  bool SkipSubBlocks() {
    while (Has(1)) {
      const std::size_t length = Byte(pos_++);
      if (length == 0) return true;
      if (!Has(length)) return false;
      pos_ += length;
    }
    return false;
  }

  const std::string& bytes_;
  std::size_t pos_ = 0;
};

bool IsGif(const std::string& bytes) { return bytes.rfind("GIF8", 0) == 0; }

// Every frame of a GIF, composed as it is shown; empty when the bytes are no
// GIF or cannot be decoded.
std::vector<DecodedFrame> DecodeGifFrames(const std::string& bytes) {
  std::vector<DecodedFrame> frames;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX) || !GifBlocks(bytes).Complete()) return frames;
  int* delays = nullptr;
  int width = 0, height = 0, count = 0, channels = 0;
  stbi_uc* pixels = stbi_load_gif_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                              static_cast<int>(bytes.size()), &delays, &width, &height,
                                              &count, &channels, 4);
  if (pixels != nullptr && width > 0 && height > 0) {
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 4;
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<ImageInfo> image = Renderer::ImageFromRgba(pixels + frameBytes * i, width, height, 0);
      if (!image) break;
      // The decoder hands the file's hundredths of a second over in ms.
      frames.push_back(DecodedFrame{std::move(image), delays != nullptr ? delays[i] / 10 : 0});
    }
  }
  stbi_image_free(pixels);
  stbi_image_free(delays);
  return frames;
}

// The picture named by a draw-string ("name" or "file='name' ...").
ImageDrawSettings PictureOf(std::u16string_view drawString) {
  std::vector<ImageDrawSettings> draws = Renderer::ParseDrawString(RECT{}, drawString);
  return draws.empty() ? ImageDrawSettings{} : std::move(draws.front());
}

}  // namespace

CGifAnimUI::CGifAnimUI() = default;

CGifAnimUI::~CGifAnimUI() {
  if (manager_ != nullptr) manager_->KillTimer(this, kFrameTimerId);
}

std::u16string_view CGifAnimUI::GetClass() const { return u"GifAnimUI"; }

void* CGifAnimUI::GetInterface(std::u16string_view name) {
  if (name == u"GifAnim") return static_cast<CGifAnimUI*>(this);
  return CControlUI::GetInterface(name);
}

void CGifAnimUI::DoInit() {
  CControlUI::DoInit();
  LoadFrames();
}

void CGifAnimUI::LoadFrames() {
  if (loadTried_ || bkImage_.empty()) return;
  loadTried_ = true;
  const ImageDrawSettings picture = PictureOf(bkImage_);
  std::string bytes;
  if (picture.name.empty() ||
      !LoadSkinBytes(picture.name, picture.resType, bytes, std::numeric_limits<std::size_t>::max())) {
    os::DebugOutput(os::DebugCategory::Skin, u"GifAnim: picture not found\n");
    return;
  }
  if (IsGif(bytes)) {
    for (DecodedFrame& f : DecodeGifFrames(bytes)) frames_.push_back(Frame{std::move(f.image), f.delay});
  } else if (std::unique_ptr<ImageInfo> still = Renderer::LoadImageFromBytes(bytes, 0)) {
    // A still picture of another format shows as one frame.
    frames_.push_back(Frame{std::move(still), 0});
  }
  if (frames_.empty()) {
    os::DebugOutput(os::DebugCategory::Skin, u"GifAnim: picture cannot be decoded\n");
    return;
  }
  if (autoSize_) {
    SetFixedWidth(frames_.front().image->width);
    SetFixedHeight(frames_.front().image->height);
  }
  if (autoPlay_) PlayGif();
}

int CGifAnimUI::GetFrameDelay(std::size_t frame) const {
  return frame < frames_.size() ? frames_[frame].delay : 0;
}

UINT CGifAnimUI::FrameElapse(std::size_t frame) const {
  const int delay = GetFrameDelay(frame);
  return delay <= 0 ? kZeroDelayElapse : static_cast<UINT>(delay) * 10;
}

void CGifAnimUI::PlayGif() {
  if (playing_ || frames_.size() < 2 || manager_ == nullptr) return;
  playing_ = manager_->SetTimer(this, kFrameTimerId, FrameElapse(current_));
}

void CGifAnimUI::PauseGif() {
  if (!playing_) return;
  if (manager_ != nullptr) manager_->KillTimer(this, kFrameTimerId);
  playing_ = false;
}

void CGifAnimUI::StopGif() {
  PauseGif();
  current_ = 0;
  Invalidate();
}

void CGifAnimUI::OnFrameTimer() {
  if (manager_ == nullptr || frames_.empty()) return;
  manager_->KillTimer(this, kFrameTimerId);
  Invalidate();
  current_ = (current_ + 1) % frames_.size();
  playing_ = manager_->SetTimer(this, kFrameTimerId, FrameElapse(current_));
}

void CGifAnimUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  CControlUI::SetVisible(visible);
  if (visible) {
    PlayGif();
  } else {
    StopGif();
  }
}

void CGifAnimUI::DoEvent(ControlEvent& event) {
  if (event.type == UIEvent::Timer && event.wParam == kFrameTimerId) {
    OnFrameTimer();
    return;
  }
  CControlUI::DoEvent(event);
}

void CGifAnimUI::SetBkImage(std::u16string_view image) {
  if (bkImage_ == image) return;
  StopGif();
  frames_.clear();
  loadTried_ = false;
  bkImage_.assign(image);
  Invalidate();
}

void CGifAnimUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"bkimage") {
    SetBkImage(value);
  } else if (name == u"autoplay") {
    SetAutoPlay(attr::ParseBool(value));
  } else if (name == u"autosize") {
    SetAutoSize(attr::ParseBool(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CGifAnimUI::PaintBkImage(os::Canvas& /*dc*/) {
  // The picture is the animation, painted frame by frame below.
}

void CGifAnimUI::PaintStatusImage(os::Canvas& dc) {
  LoadFrames();
  if (current_ >= frames_.size()) return;
  const ImageInfo& frame = *frames_[current_].image;
  Renderer::DrawImage(dc, frame.bitmap, item_, paintRect_, RECT{0, 0, frame.width, frame.height}, RECT{},
                      frame.alphaChannel || (manager_ != nullptr && manager_->IsLayeredBackground()));
}

}  // namespace Kesto
