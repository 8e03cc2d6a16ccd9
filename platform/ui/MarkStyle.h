#pragma once

#include <cstdint>

namespace platform {

/// The largest marker size a settings file or a legend editor may ask for. The editors
/// offer up to 20 pixels, sized for the window; printed sheets and enlarged figures are
/// several times as wide.
inline constexpr int kMaxMarkerSize = 100;

/// The marker style of one data category: shape code (each program has its own codes),
/// half extent in pixels, fill colour and rim colour (Windows colour values).
struct TMarkStyle {
  int shape = 0;
  int size = 4;
  std::uint32_t fillColor = 0;
  std::uint32_t rimColor = 0;
};

}  // namespace platform
