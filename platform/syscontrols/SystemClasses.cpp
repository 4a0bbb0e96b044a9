// The window classes the platform itself provides, registered when the window
// system starts. Each system control adds its registration here.
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
