// The control gallery: one skinned window holding one of every control the
// skin builder can make, for people who want to see the controls and for
// scripts that drive them. Every notification the window receives is shown in
// the status line at its bottom and written as one line
//
//   <type> <sender name> <wParam> <lParam>
//
// (a sender without a name is "-") to standard error, or appended to the file
// named by KESTO_GALLERY_LOG. The skin is the "ZIPRES" resource 116.
//
// The window fills the list's other columns at start (a skin gives a text
// element only its first text), and shows the slider's value in the label
// below it and in the horizontal progress bar.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Core/WindowImplBase.h"

inline constexpr char16_t kGalleryWindowClass[] = u"KestoGallery";
inline constexpr char16_t kGalleryCaption[] = u"Kesto Gallery";
inline constexpr int kGallerySkinResource = 116;

// The tags a skin can name to make a control: every registered tag, and
// "TreeNode" when the tree classes handed the builder their node support.
// Sorted.
std::vector<std::u16string> BuildableTags();

// The log line of a notification.
std::string NotificationLine(const Kesto::NotifyMsg& msg);

class GalleryWnd : public Kesto::WindowImplBase {
 public:
  // log: where notification lines go; not owned, never null.
  explicit GalleryWnd(std::FILE* log);

  std::u16string_view GetWindowClassName() const override;
  std::u16string GetSkinFolder() override;
  std::u16string GetSkinFile() override;
  Kesto::ResourceKind GetResourceType() const override;
  os::ResourceName GetResourceId() const override;
  void InitWindow() override;

  // Closing the window ends the message loop.
  os::LRESULT OnDestroy(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;

  void Notify(Kesto::NotifyMsg& msg) override;

  // The lines written so far, oldest first.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  void FollowSlider();

  std::FILE* log_;
  std::vector<std::string> lines_;
};
