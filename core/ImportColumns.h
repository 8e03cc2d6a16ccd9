#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/ImportOptions.h"
#include "core/Table.h"

namespace core {

/// A heading or column name as it is compared: width folded, ASCII lower case, without
/// blanks, "_", byte-order marks, a "dwc:" prefix and a unit at the end ("(m)", "[m]",
/// "【m】", "_m", "ft"), which goes to `unit` when asked for.
std::string HeadingKey(std::string_view text, std::string* unit = nullptr);

/// Which column of a table gives what, found from its heading row; -1 for none.
struct ImportColumns {
  std::vector<std::string> headings;
  int lat = -1;  ///< the columns as the table names them; --swap-latlon reads them crosswise
  int lon = -1;
  int verbatimLat = -1;
  int verbatimLon = -1;
  int pair = -1;  ///< latitude and longitude in one cell
  int mesh = -1;
  int minElevation = -1;
  int maxElevation = -1;
  std::vector<int> elevations;  ///< tried in this order
  int split = -1;
  int category = -1;
  int group = -1;
  int country = -1;
  int basis = -1;
  int uncertainty = -1;
  int year = -1;
  int eventDate = -1;
  /// The category column holds years or dates: --bins make periods of years.
  bool categoryIsYear = false;
  std::vector<bool> feet;  ///< a heading's unit says feet

  /// "読む列: 緯度「…」、…", the columns as they are read.
  std::string text;
  /// What the user should know about the columns before the rows (Japanese): a column that
  /// looks like an elevation or a mesh code but is not read, no elevation column at all,
  /// two columns of one heading, a heading behind a second byte-order mark.
  std::vector<std::string> notes;

  bool HaveCoordinates() const {
    return (lat >= 0 && lon >= 0) || (verbatimLat >= 0 && verbatimLon >= 0) || pair >= 0;
  }
  /// The heading of a column in 「」, made safe to show.
  std::string Quoted(int column) const;
  /// The columns whose values are read, by index.
  std::vector<bool> Used() const;
};

/// Finds the columns of a table from its heading row (already checked to be readable).
/// Raises std::invalid_argument (Japanese message) when a named column is missing, when the
/// table has no position columns, when --prefer-mesh finds no mesh column, and for --bins
/// without a column to divide.
ImportColumns FindImportColumns(const std::vector<std::string>& heading,
                                const ImportOptions& options);

}  // namespace core
