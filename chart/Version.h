#pragma once

#include <QString>

namespace chart {

/// The program's file version, "major.minor.revision.build".
inline constexpr char kFileVersion[] = "3.9.1.0";

/// The version text the program shows: major, ".", then minor and revision written
/// together ("3.9.1.0" → "3.91"); empty when the text does not hold four integers.
QString VersionText(const QString& fileVersion);

}  // namespace chart
