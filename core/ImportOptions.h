#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Program.h"

namespace core {

class LandMap;

/// Which values of a column a filter keeps. Values are compared as headings are (letter
/// case, character width, blanks and "_" do not count). A row whose cell is empty is kept:
/// the filter judges what the table says, not what it leaves out.
struct KindFilter {
  std::vector<std::string> kept;     ///< when not empty, only these values are kept
  std::vector<std::string> dropped;  ///< these values are never kept
  bool Active() const { return !kept.empty() || !dropped.empty(); }
};

/// What the user chose for an import. Column names are matched as headings are: letter
/// case, character width, blanks and "_" do not count, nor a "dwc:" prefix or a unit in
/// brackets.
struct ImportOptions {
  Program program = Program::Conic;  ///< Conic: at most 5 categories per file; Chart: 6
  std::string groupColumn;           ///< titles the categories when categoryColumn is empty;
                                     ///< empty: the scientific name, else the Japanese name
  std::string categoryColumn;        ///< one category per distinct value (or per bin)
  std::string splitColumn;           ///< one file per distinct value; empty: one file
  std::string latColumn;             ///< empty: a recognised heading (decimalLatitude, 緯度, …)
  std::string lonColumn;
  std::string meshColumn;
  std::string elevationColumn;
  /// Bounds of numeric periods, ascending: of categoryColumn, or without one of the year
  /// (the year column, else the year an eventDate starts in).
  std::vector<double> bins;
  bool swapLatLon = false;  ///< read the latitude column as longitude and the reverse
  bool feet = false;        ///< elevations without a unit are in feet
  bool preferMesh = false;  ///< a row with coordinates and a usable mesh code uses the code

  /// The title of the one category of an import without grouping (no group, category or
  /// split column is used for titles).
  std::string title;
  /// Each table is one category, titled with its name's base (file name without folder
  /// and extension).
  bool titleFromFile = false;
  /// Titles for categories, by the value that makes them (a group or category value, a
  /// period's title, a table's base name): value, title.
  std::vector<std::pair<std::string, std::string>> labels;

  /// countryCode: Japan's records only, by default.
  KindFilter countries{{"JP"}, {}};
  /// basisOfRecord: every kind but fossils, by default.
  KindFilter basis{{}, {"FOSSIL_SPECIMEN"}};
  /// coordinateUncertaintyInMeters above this is refused; none: no limit.
  std::optional<double> maxUncertainty;
  /// Rows whose year (the year column, else the start of eventDate) lies outside are
  /// refused; either end may be open.
  std::optional<int> yearFrom;
  std::optional<int> yearTo;
  /// The map whose land tells records at sea, asked for once, when the first coordinate
  /// record needs it; empty, or giving null: no such check (the caller tells the user why).
  std::function<const LandMap*()> landMap;
  /// Records at sea are refused rather than written with a note.
  bool dropSea = false;
};

}  // namespace core
