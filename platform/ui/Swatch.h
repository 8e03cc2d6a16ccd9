#pragma once

#include <QWidget>

#include "platform/raster/RasterLayer.h"

namespace platform {

/// A colour sample: a button shows the colour as its caption's colour (line samples,
/// marker colours), any other widget as its background (land and sea squares).
void SetSwatchColor(QWidget* swatch, WinColor color);
WinColor SwatchColor(const QWidget* swatch);

}  // namespace platform
