#include "platform/gfx/FontsAhead.h"

namespace os {

// GDI finds and measures a font in microseconds: nothing to load ahead.
void FontsAhead::Start(std::function<std::vector<FontRequest>()>) {}
void FontsAhead::Take() {}
void FontsAhead::Stop() {}
bool FontsAhead::Pending() { return false; }
bool FontsAhead::Finished() { return false; }
bool FontsAhead::Measured(const Font&, TextMetrics&) { return false; }

}  // namespace os
