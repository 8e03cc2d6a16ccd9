#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

enum class Axis { Latitude, Longitude };

/// A value read from a table cell, or why it could not be read (Japanese).
struct ParsedValue {
  std::optional<double> value;
  std::string why;  ///< empty when the value was read, or when the cell was empty
};

/// One latitude or longitude in decimal degrees from the forms people and databases write:
/// "35.6789", "-35.5", "35°40′44″N", "35°40'44\"", "35 40 44 N", "35:40:44", "N35.5",
/// "35°40.73′" (degrees and decimal minutes), "北緯35度40分44秒", "35d40m44s", with
/// full-width digits and signs as well. The hemisphere letter must fit the axis (N/S for a
/// latitude, E/W for a longitude); S and W, and a leading "-", give negative values.
/// Minutes and seconds must be below 60. No range check beyond ±90 and ±180. An empty or
/// blank cell gives neither value nor reason.
ParsedValue ParseAngle(std::string_view utf8, Axis axis);

/// Latitude and longitude from one cell holding both ("35.5, 139.2", "35°21′N 138°43′E",
/// "北緯35度21分 東経138度43分"), latitude first unless the hemisphere letters say otherwise.
struct ParsedPair {
  std::optional<double> lat;
  std::optional<double> lon;
  std::string why;
};
ParsedPair ParseCoordinatePair(std::string_view utf8);

/// The elevations in metres a record may have: from below the deepest sea floor to above
/// the highest summit on Earth. Anything beyond is a slip (a wrong unit, a lost point, a
/// spreadsheet's number) that no figure can show.
inline constexpr double kLowestElevation = -11000.0;
inline constexpr double kHighestElevation = 9000.0;

/// The highest altitude a record in Japan can truly have, in metres: the profiles' top, a
/// little above the highest point (3776 m) to allow for GPS error.
inline constexpr double kHighestInJapan = 3800.0;

/// Why an altitude in metres cannot be true for a record in Japan, for a note (Japanese):
/// a common no-data code (−9999, −999, 9999), or a value above kHighestInJapan, naming the
/// metres it would be when it was written in feet and those are possible. Empty when the
/// altitude may be true (a value below sea level included: shores and mines are real).
std::string ImplausibleAltitude(double metres);

/// An elevation in metres: "1234", "1234 m", "1,234 m", "1200-1500" or "1200～1500 m" (the
/// mean of the range), "約1200m", "ca. 1200 m", "4000 ft" or "4000 feet" (always feet), and
/// with `feet` a plain number is read as feet too. Empty gives neither value nor reason.
/// A value (or an end of a range) outside kLowestElevation to kHighestElevation is refused
/// with its reason, so the value given is always one the programs read back as it is.
ParsedValue ParseElevation(std::string_view utf8, bool feet);

/// A mesh code cell as digits the programs read: blanks around it dropped, a code written
/// in parts joined ("6441-0455"), full-width digits made ASCII, exponent notation that a
/// spreadsheet made of the number read back when every digit of the code survived
/// ("5.33946111E8", with a note). Refused, with the reason: exponent notation that lost
/// digits, other characters, a length other than 6 to 9 digits, digits outside the code's
/// ranges (second-order row and column 0-7, five-fold quadrant 1-4, ninth digit 1-5).
struct ParsedMesh {
  std::string digits;  ///< empty when refused or when the cell was empty
  std::string why;
  std::string note;  ///< what was guessed to read the code, for the user (Japanese)
};
ParsedMesh ParseMeshCell(std::string_view utf8);

}  // namespace core
