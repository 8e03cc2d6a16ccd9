#pragma once

#include <QString>

namespace chart {

/// The get-axis-label rule of the degree axes: an altitude label (ending in "m") and an
/// empty one stay as they are; a label that reads as a number with a fractional part
/// becomes one blank, a whole number becomes that number followed by "ﾟ" (135 → "135ﾟ").
/// The number is read back from the formatted text, so a grid value a rounding error off
/// a whole degree, written as the whole degree, counts as whole. A text that is not a
/// number is left alone.
/// With `fine` (an axis that spans less than a degree, whose labels would all be blank
/// otherwise) a number with a fractional part becomes its degrees and minutes instead
/// (DegreeMinuteLabel), so that the axis is labelled at the lines it shows.
void RewriteDegreeLabel(QString& text, bool fine = false);

/// A latitude or longitude in degrees and minutes, with seconds only when it has any,
/// rounded to the second: 135.125 → "135ﾟ07'30\"", 35.25 → "35ﾟ15'", 36 → "36ﾟ". With
/// `minutesOnly` a value that is not a whole degree leaves its degrees out ("07'30\"").
QString DegreeMinuteLabel(double degrees, bool minutesOnly = false);

}  // namespace chart
