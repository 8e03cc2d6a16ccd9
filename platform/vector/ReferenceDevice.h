#pragma once

#include <QPaintDevice>

namespace platform {

/// A picture measured in pixels of a 96-dpi reference screen, as vector outputs are: what
/// is drawn on it at a size in pixels keeps that size in the written file.
class ReferenceDevice : public QPaintDevice {
 public:
  static constexpr int kDpi = 96;

  ReferenceDevice(int width, int height) : m_width(width), m_height(height) {}

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return m_width;
      case PdmHeight:
        return m_height;
      case PdmWidthMM:
        return m_width * 254 / (kDpi * 10);
      case PdmHeightMM:
        return m_height * 254 / (kDpi * 10);
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return kDpi;
      case PdmDepth:
        return 24;
      case PdmNumColors:
        return 0xFFFFFF;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  int m_width;
  int m_height;
};

}  // namespace platform
