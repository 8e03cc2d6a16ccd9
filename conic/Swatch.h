#pragma once

#include <QString>
#include <QWidget>

#include "platform/raster/RasterLayer.h"

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

/// A colour sample: a button shows the colour as its caption's colour (line samples,
/// marker colours), any other widget as its background (land and sea squares).
void SetSwatchColor(QWidget* swatch, platform::WinColor color);
platform::WinColor SwatchColor(const QWidget* swatch);

}  // namespace conic
