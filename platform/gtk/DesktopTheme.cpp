#include "platform/gtk/DesktopTheme.h"

#include <cstdlib>
#include <optional>
#include <string>

// The platform layer's names first: GTK's TRUE and FALSE are macros.
#include "platform/window/internal/WindowSystem.h"

#include <gtk/gtk.h>

// Made by glib-compile-resources from theme/quick.gresource.xml.
extern "C" void lumora_quick_theme_register_resource(void);

namespace os::gtk {
namespace {

constexpr char kQuickThemeName[] = "LumoraQuick";
// A colour only the quick theme defines: whether it is in use is asked of
// GTK's styles themselves, not of a flag that could drift from them.
constexpr char kQuickThemeMark[] = "lumora_quick_theme";

bool desktopThemeDue = false;
guint idleLoad = 0;

// GTK_THEME as the process found it, put back however the block is left.
class ThemeVariable {
 public:
  ThemeVariable() {
    if (const char* value = std::getenv("GTK_THEME")) saved_ = value;
  }
  ~ThemeVariable() {
    if (saved_) {
      setenv("GTK_THEME", saved_->c_str(), 1);
    } else {
      unsetenv("GTK_THEME");
    }
  }
  ThemeVariable(const ThemeVariable&) = delete;
  ThemeVariable& operator=(const ThemeVariable&) = delete;

 private:
  std::optional<std::string> saved_;
};

}  // namespace

bool QuickThemeInUse() {
  GtkStyleContext* context = gtk_style_context_new();
  GdkRGBA color;
  const bool found = gtk_style_context_lookup_color(context, kQuickThemeMark, &color) != FALSE;
  g_object_unref(context);
  return found;
}

bool StartWithQuickTheme() {
  static bool registered = false;
  if (!registered) {
    lumora_quick_theme_register_resource();
    registered = true;
  }
  {
    // GTK reads the variable when it makes its settings and whenever the
    // theme is chosen again; the programs the launcher starts must not
    // inherit it, so it is set only for the moment the settings are made.
    // This runs before any thread of the launcher's own exists.
    const ThemeVariable restore;
    setenv("GTK_THEME", kQuickThemeName, 1);
    gtk_settings_get_default();
  }
  desktopThemeDue = QuickThemeInUse();
  if (!desktopThemeDue) internal::DebugNote("gtk: the settings were made before the quick theme could be chosen");
  return desktopThemeDue;
}

void LoadDesktopTheme() {
  if (idleLoad != 0) {
    g_source_remove(idleLoad);
    idleLoad = 0;
  }
  if (!desktopThemeDue) return;
  desktopThemeDue = false;
  // A change of the theme's name makes GTK choose the theme again, now from
  // the variable the desktop's session gave the process or its settings;
  // every widget is styled anew.
  g_object_notify(G_OBJECT(gtk_settings_get_default()), "gtk-theme-name");
}

void LoadDesktopThemeWhenIdle() {
  if (!desktopThemeDue || idleLoad != 0) return;
  idleLoad = g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer) -> gboolean {
        idleLoad = 0;
        LoadDesktopTheme();
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

}  // namespace os::gtk
