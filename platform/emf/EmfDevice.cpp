#include "platform/emf/EmfDevice.h"

#include <QPaintEngine>

namespace platform {

// Placeholder engine: records nothing yet.
class EmfPaintEngine : public QPaintEngine {
 public:
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  Type type() const override { return QPaintEngine::User; }
  std::string bytes;
};

EmfDevice::EmfDevice(int width, int height)
    : m_width(width), m_height(height), m_engine(std::make_unique<EmfPaintEngine>()) {}

EmfDevice::~EmfDevice() = default;

const std::string& EmfDevice::Bytes() const {
  return m_engine->bytes;
}

QPaintEngine* EmfDevice::paintEngine() const {
  return m_engine.get();
}

int EmfDevice::metric(PaintDeviceMetric metric) const {
  switch (metric) {
    case PdmWidth:
      return m_width;
    case PdmHeight:
      return m_height;
    case PdmWidthMM:
      return m_width * 254 / 960;
    case PdmHeightMM:
      return m_height * 254 / 960;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return 96;
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

}  // namespace platform
