#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/vector/ReferenceDevice.h"

namespace platform {

class SvgPaintEngine;

/// A picture written as SVG 1.1 while a QPainter draws on it: lines, polygons, rectangles,
/// ellipses, paths and text stay vector shapes in pixel coordinates of a 96-dpi reference
/// screen, grouped by pen, brush and clip so that each shape carries few attributes. Images
/// (and what Qt can only draw as one, such as gradients) are embedded as PNG. Raster
/// operations are not offered, so callers draw mask pens in their plain colour.
class SvgDevice : public ReferenceDevice {
 public:
  /// A picture of `width` × `height` reference pixels.
  SvgDevice(int width, int height);
  ~SvgDevice() override;
  SvgDevice(const SvgDevice&) = delete;
  SvgDevice& operator=(const SvgDevice&) = delete;

  /// The document's title; takes effect when a painter begins.
  void SetTitle(const QString& title);

  /// The document as UTF-8, complete once the painter has ended; empty before.
  const std::string& Bytes() const;
  /// The document, moved out of the device (which is left empty): a figure of many records is
  /// a hundred megabytes not worth copying.
  std::string TakeBytes();

  QPaintEngine* paintEngine() const override;

 private:
  std::unique_ptr<SvgPaintEngine> m_engine;
};

}  // namespace platform
