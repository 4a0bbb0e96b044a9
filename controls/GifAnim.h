// A control that plays an animated GIF: every frame of the picture named by
// "bkimage" (read the way skins find pictures) is decoded once, and a timer
// of the window's manager shows them one after another, each for its own
// delay. The current frame is stretched over the control.
//
// Life of the animation: the picture is loaded at initialisation, or at the
// first paint when it was not loaded then; with "autoplay" (the default)
// playing starts right after loading; with "autosize" the control takes the
// picture's size as its fixed size. Each frame shows for its delay (in
// hundredths of a second, as the file stores them) × 10 ms, or 100 ms when the
// file says 0. Hiding the control stops playing and rewinds to the first
// frame; showing it starts playing. Naming another picture stops playing and
// drops the frames; the new picture is loaded at the next paint.
//
// Pictures that are not GIFs, and GIFs of one frame, show their only frame and
// never start the timer. A missing, truncated or undecodable file shows
// nothing (the failure is reported on the debug output once per load) and is
// not tried again until "bkimage" changes.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/Control.h"
#include "controls/Render.h"

namespace Kesto {

class CGifAnimUI : public CControlUI {
 public:
  // The manager timer the frames advance on.
  static constexpr UINT kFrameTimerId = 100;
  // The interval of a frame whose delay is 0.
  static constexpr UINT kZeroDelayElapse = 100;

  CGifAnimUI();
  ~CGifAnimUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void DoInit() override;
  void SetVisible(bool visible = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintBkImage(os::Canvas& dc) override;
  void PaintStatusImage(os::Canvas& dc) override;

  // Hides the base class's setter: the picture is an animation here.
  void SetBkImage(std::u16string_view image);
  bool IsAutoPlay() const { return autoPlay_; }
  void SetAutoPlay(bool on) { autoPlay_ = on; }
  bool IsAutoSize() const { return autoSize_; }
  void SetAutoSize(bool on) { autoSize_ = on; }

  // Starts (or goes on) playing from the current frame; nothing for a
  // picture of fewer than two frames.
  void PlayGif();
  // Stops where it is.
  void PauseGif();
  // Stops and rewinds to the first frame.
  void StopGif();
  bool IsPlaying() const { return playing_; }

  std::size_t GetFrameCount() const { return frames_.size(); }
  std::size_t GetCurrentFrame() const { return current_; }
  // The frame's delay in hundredths of a second; 0 outside the frames.
  int GetFrameDelay(std::size_t frame) const;
  // The timer interval of the frame in milliseconds.
  UINT FrameElapse(std::size_t frame) const;

 private:
  void LoadFrames();
  void OnFrameTimer();

  struct Frame {
    std::unique_ptr<ImageInfo> image;
    int delay = 0;  // hundredths of a second
  };
  std::vector<Frame> frames_;
  std::size_t current_ = 0;
  bool loadTried_ = false;
  bool playing_ = false;
  bool autoPlay_ = true;
  bool autoSize_ = false;
};

}  // namespace Kesto
