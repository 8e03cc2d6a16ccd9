#pragma once

namespace core {

/// The two programs share the file formats and conversions but differ in a few
/// documented details; functions that differ take the program as a parameter.
enum class Program {
  Conic,  ///< the fixed Lambert-conic map program (raster figure)
  Chart,  ///< the zoomable chart program (vector figure, data editor)
};

}  // namespace core
