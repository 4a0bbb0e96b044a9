// The window classes the platform itself provides, registered when the window
// system starts. Each system control adds its registration here. This file
// belongs to no group: it is where the platform library puts the groups
// together, so that the window system needs nothing from the system controls.
#include "platform/window/internal/WindowSystem.h"

namespace os::internal {

void RegisterTooltipClass();
void RegisterEditClass();
void RegisterDatePickerClass();

void RegisterBuiltInClasses() {
  RegisterTooltipClass();
  RegisterEditClass();
  RegisterDatePickerClass();
}

}  // namespace os::internal
