#pragma once

#include <QString>
#include <QWidget>

#include "platform/ui/Swatch.h"

namespace conic {

/// Captions of a line sample: thin for width 1; any other caption means width 2.
inline const QString kThinLine = QStringLiteral("───");
inline const QString kThickLine = QStringLiteral("━━━");

inline QString LineCaption(int width) {
  return width == 1 ? kThinLine : kThickLine;
}
inline int LineWidthOf(const QString& caption) {
  return caption == kThinLine ? 1 : 2;
}

using platform::SetSwatchColor;
using platform::SwatchColor;

}  // namespace conic
