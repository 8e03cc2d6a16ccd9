#pragma once

#include <QString>

namespace chart {

/// The get-axis-label rule of the degree axes: an altitude label (ending in "m") and an
/// empty one stay as they are; a label that reads as a number with a fractional part
/// becomes one blank, a whole number becomes that number followed by "ﾟ" (135 → "135ﾟ").
/// The number is read back from the formatted text, so a grid value a rounding error off
/// a whole degree, written as the whole degree, counts as whole. A text that is not a
/// number is left alone.
void RewriteDegreeLabel(QString& text);

}  // namespace chart
