// The per-window manager of the UI framework. One UIManager belongs to every
// skinned native window and holds what the window's controls share; its static
// part holds the process-wide skin-source settings.
//
// The header is laid out in sections:
//   1. Process-wide skin sources (static)
//   2. Fonts
//   3. Images
//   4. Default attribute lists and default colours
//   5. Window, control tree, timers, focus, notifications, message loop
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Types.h"

namespace os {
class Font;
}

namespace Kesto {

class ZipReader;
// A decoded picture; made and freed by the renderer.
struct ImageInfo;

// Where a window takes its skin from (chosen per window by the window base).
enum class ResourceKind : int {
  File = 1,
  Zip = 2,
  Resource = 3,
  ZipResource = 4,
};

// Text metrics of a font as the framework reads them, in pixels.
struct FontMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
};

// A font of a manager: the description the skin gave, and its metrics,
// measured on first request. The record's address is the font's handle.
struct FontInfo {
  std::u16string faceName;
  int size = 0;  // pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;

  const FontMetrics& Metrics() const;
  // The real font of this record, made by the drawing layer on first use and
  // kept with the record so that every draw does not make it again.
  const os::Font& PlatformFont() const;

 private:
  mutable std::optional<FontMetrics> metrics_;
  mutable std::shared_ptr<const os::Font> platformFont_;
};

// Measures a font. The drawing layer owns this function (text is laid out
// there); it is the one place where the manager's font records meet real
// fonts.
FontMetrics MeasureFontMetrics(const FontInfo& font);

// An image of a manager's table with what it was loaded with.
struct ImageEntry {
  ImageInfo* image = nullptr;
  std::u16string type;
  os::DWORD mask = 0;
};

class UIManager {
 public:
  UIManager();
  ~UIManager();
  UIManager(const UIManager&) = delete;
  UIManager& operator=(const UIManager&) = delete;

  // ------------------------------------------------------------------------
  // 1. Process-wide skin sources. One set per process, changed only while a
  //    window is being created.

  static void SetProcessInstance(os::HINSTANCE instance);
  static os::HINSTANCE ProcessInstance();
  // The module searched for resources; the process instance when none is set.
  static void SetResourceModule(os::HINSTANCE module);
  static os::HINSTANCE ResourceModule();
  // Folder of the process instance's file with its trailing separator; empty
  // without a process instance.
  static std::u16string ModuleFolder();

  // Folder prefix of skin files and images. A non-empty value gets a trailing
  // separator when it has none.
  static void SetSkinRoot(std::u16string_view path);
  static const std::u16string& SkinRoot();

  // Archive (relative to the skin root) skin files and images are read from;
  // empty for plain files. With keepOpen the archive is opened once now and
  // that reader serves every later lookup. Setting the current name and flag
  // again changes nothing.
  static void SetSkinArchive(std::u16string_view name, bool keepOpen);
  // Serves skins from an archive in memory (a module resource): not copied, so
  // it must outlive its use. The archive name becomes "membuffer".
  static void SetSkinArchiveBuffer(const void* data, std::size_t size);
  static const std::u16string& SkinArchiveName();
  static bool IsSkinArchiveKeptOpen();
  // The reader kept open, or null.
  static ZipReader* OpenArchiveReader();

  // ------------------------------------------------------------------------
  // 2. Fonts. Indexed from 0 in the order the skin declares them; an index
  //    outside the list means the default font.

  // Adds a font; returns its record (its handle), or null when the font
  // cannot be made.
  const FontInfo* AddFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                               bool italic);
  // Replaces the default font.
  const FontInfo* SetDefaultFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                                      bool italic);
  const FontInfo* DefaultFont() const { return defaultFont_.get(); }
  const FontInfo* FontAt(int index) const;
  std::size_t FontCount() const { return fonts_.size(); }
  // The record of a font handle: this manager's, the parent resource
  // manager's, or else the default font.
  const FontInfo* FindFont(const FontInfo* handle) const;
  // A font by its whole description, here or in the parent resource manager;
  // null when there is none.
  const FontInfo* FindFont(std::u16string_view faceName, int size, bool bold, bool underline,
                           bool italic) const;
  // Position of a font handle in this manager's list, -1 when not there.
  int FontIndex(const FontInfo* handle) const;
  void RemoveAllFonts();

  // Where font, image and default-list lookups continue when they fail here.
  // Refused (false) when the manager would become its own ancestor.
  bool SetParentResourceManager(UIManager* parent);
  UIManager* ParentResourceManager() const { return parentResources_; }

  // ------------------------------------------------------------------------
  // 3. Images, decoded by the renderer and kept by name.

  // Loads and adds an image. With a resource type the name must begin with a
  // digit (a decimal resource identifier). Null when it cannot be found or
  // decoded, or when the name is taken (the new image is then discarded).
  const ImageInfo* AddImageEntry(std::u16string_view name, std::u16string_view type = {}, os::DWORD mask = 0);
  // Here, then in the parent resource manager.
  const ImageInfo* FindImage(std::u16string_view name) const;
  const ImageEntry* FindImageEntry(std::u16string_view name) const;
  // Looks the name up and loads it on a miss.
  const ImageInfo* ImageOrLoad(std::u16string_view name, std::u16string_view type = {}, os::DWORD mask = 0);
  bool RemoveImage(std::u16string_view name);
  void RemoveAllImages();

  // ------------------------------------------------------------------------
  // 4. Default attribute lists (per control tag) and default colours (ARGB).

  // Keeps the first list stored for a tag; false when one is there already.
  bool AddDefaultAttributes(std::u16string_view tag, std::u16string_view list);
  // Here, then in the parent resource manager; null when neither has one.
  const std::u16string* DefaultAttributesFor(std::u16string_view tag) const;
  void RemoveAllDefaultAttributes() { defaultAttributes_.clear(); }

  os::DWORD DefaultDisabledColor() const { return disabledColor_; }
  void SetDefaultDisabledColor(os::DWORD argb) { disabledColor_ = argb; }
  os::DWORD DefaultFontColor() const { return fontColor_; }
  void SetDefaultFontColor(os::DWORD argb) { fontColor_ = argb; }
  os::DWORD DefaultLinkFontColor() const { return linkColor_; }
  void SetDefaultLinkFontColor(os::DWORD argb) { linkColor_ = argb; }
  os::DWORD DefaultLinkHoverFontColor() const { return linkHoverColor_; }
  void SetDefaultLinkHoverFontColor(os::DWORD argb) { linkHoverColor_ = argb; }
  os::DWORD DefaultSelectedBkColor() const { return selectedColor_; }
  void SetDefaultSelectedBkColor(os::DWORD argb) { selectedColor_ = argb; }

  // ------------------------------------------------------------------------
  // 5. Window, control tree, timers, focus, notifications and the message
  //    loop.

  // `bktrans`: the window is painted with per-pixel alpha, so pictures are
  // always blended and text is drawn the typographic way.
  void SetLayeredBackground(bool layered) { layeredBackground_ = layered; }
  bool IsLayeredBackground() const { return layeredBackground_; }
  // `gdiplustext`: text is drawn the typographic way on any window.
  void SetUseGdiplusText(bool use) { useGdiplusText_ = use; }
  bool IsUseGdiplusText() const { return useGdiplusText_; }
  // Client coordinates of the last mouse event; (-1, -1) before any.
  void SetLastMousePoint(os::POINT point) { lastMousePoint_ = point; }
  os::POINT LastMousePoint() const { return lastMousePoint_; }

 private:
  // Fonts.
  std::unique_ptr<FontInfo> defaultFont_;
  std::vector<std::unique_ptr<FontInfo>> fonts_;
  UIManager* parentResources_ = nullptr;

  // Images. Each slot frees its image through the renderer's release, which
  // the loading code hands over with the image.
  struct ImageSlot {
    ImageEntry entry;
    void (*free)(ImageInfo*) = nullptr;
    ImageSlot() = default;
    ImageSlot(const ImageSlot&) = delete;
    ImageSlot& operator=(const ImageSlot&) = delete;
    ~ImageSlot() {
      if (free != nullptr && entry.image != nullptr) free(entry.image);
    }
  };
  std::unordered_map<std::u16string, std::unique_ptr<ImageSlot>> images_;

  // Default lists and colours.
  std::unordered_map<std::u16string, std::u16string> defaultAttributes_;
  os::DWORD disabledColor_ = 0xFFA7A6AA;
  os::DWORD fontColor_ = 0xFF000001;
  os::DWORD linkColor_ = 0xFF0000FF;
  os::DWORD linkHoverColor_ = 0xFFD3215F;
  os::DWORD selectedColor_ = 0xFFBAE4FF;

  // Window-level settings read by the painting.
  bool layeredBackground_ = false;
  bool useGdiplusText_ = false;
  os::POINT lastMousePoint_{-1, -1};
};

}  // namespace Kesto
