#pragma once

#include <memory>
#include <string>

#include "platform/vector/ReferenceDevice.h"

namespace platform {

class EmfPaintEngine;

/// A picture recorded as an enhanced metafile: what a QPainter draws on it becomes EMF
/// records (pens, brushes, lines, polygons, rectangles, ellipses, text that stays text,
/// clipping). Sizes are pixels of a 96-dpi reference screen; the header's frame says so
/// (0.01 mm = pixels × 2540 / 96), so programs reading the file get the pixel size back.
/// A painter in the composition mode RasterOp_SourceAndDestination draws with the mask
/// pen (R2_MASKPEN).
class EmfDevice : public ReferenceDevice {
 public:
  /// A picture of `width` × `height` reference pixels.
  EmfDevice(int width, int height);
  ~EmfDevice() override;
  EmfDevice(const EmfDevice&) = delete;
  EmfDevice& operator=(const EmfDevice&) = delete;

  /// The file's bytes, complete once the painter has ended; empty before.
  const std::string& Bytes() const;
  /// The metafile, moved out of the device (which is left empty), to spare a copy of a big one.
  std::string TakeBytes();

  QPaintEngine* paintEngine() const override;

 private:
  std::unique_ptr<EmfPaintEngine> m_engine;
};

}  // namespace platform
