#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A number written by a label format of the kind the charts use ("###.#", "##.0", " ##.#",
/// "###0m"): '0' is a digit always written, '#' a digit written only when it counts, the
/// first '.' the decimal point, and every other character is written as it stands, before
/// or after the number as it stands in the format. The value is rounded, a half away from
/// zero, to as many decimals as the format has places after its point; zero decimals past
/// the last '0' are dropped with the point when none is left, and a zero integer part with
/// no '0' before the point is not written (0.5 in "###.#" is ".5"). A minus sign, when the
/// rounded value is not zero, comes first. Infinities and NaN are written "INF", "-INF" and
/// "NAN".
std::string FormatFloat(double value, std::string_view format);

/// The value after `increment` in the sequence 1, 2, 5, 10, 20, … times a power of ten:
/// 0.125 gives 0.2, 2/3 gives 1, 1 gives 2. Not positive or not finite: returned as it is.
double NextNiceIncrement(double increment);

/// The increment an axis is labelled (and its grid lined) by: `increment`, coarsened along
/// NextNiceIncrement while the labels of `range` (maximum − minimum) at that increment
/// would be more than fit. Labels fit `axisPixels` / `labelRoom` of them, rounded, where
/// `labelRoom` is the larger label's size along the axis plus the axis' label separation;
/// a label room of 0 (labels hidden take no room) leaves the increment as it is.
double SpacedIncrement(double range, double increment, double axisPixels, double labelRoom);

/// The most grid or minor grid lines one axis draws. A mesh level far too fine for the
/// range would ask for millions; past this many lines an axis draws none of that kind and
/// says so (GridValues gives an empty list and `tooMany`).
inline constexpr size_t kMaxAxisLines = 20000;

/// The multiples of `increment` from `minimum` to `maximum`, both included, in order. A
/// value a rounding error outside the range counts as inside (2/3 steps reach the range's
/// ends). Empty for an increment that is not positive and finite, a range that is not
/// finite, or more than kMaxAxisLines values (then `tooMany`, if given, is set).
std::vector<double> GridValues(double minimum, double maximum, double increment,
                               bool* tooMany = nullptr);

/// The minor lines of an axis: each interval between two multiples of `increment` cut into
/// `minorCount` + 1 equal parts, the partial intervals at the axis' ends included, every
/// value inside the range. Empty under the conditions of GridValues, or for a count < 1.
std::vector<double> MinorGridValues(double minimum, double maximum, double increment,
                                    int minorCount, bool* tooMany = nullptr);

}  // namespace platform
