// Lazily measured font metrics. Kept apart from the rest of the manager so
// that only code asking for metrics needs the drawing layer's measurement.
#include "Core/UIManager.h"

namespace Kesto {

const FontMetrics& FontInfo::Metrics() const {
  if (!metrics_) metrics_ = MeasureFontMetrics(*this);
  return *metrics_;
}

}  // namespace Kesto
