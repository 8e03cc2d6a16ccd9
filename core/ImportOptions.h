#pragma once

#include <functional>
#include <memory>
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

/// The coordinate reference system a table's position columns are written in, when they
/// are not latitude and longitude on JGD2011 (or a datum within a few metres of it): the
/// Tokyo Datum, a plane rectangular zone, … The import stays free of any projection
/// library; the caller supplies the transformation.
class CoordinateSystem {
 public:
  virtual ~CoordinateSystem() = default;
  /// Whether the columns hold angles, read as latitude and longitude are (degrees, minutes
  /// and seconds included), rather than plain numbers such as metres.
  virtual bool Angular() const = 0;
  /// Headings (as HeadingKey makes them) of the column giving the north axis (northing or
  /// latitude) and the east axis, found when no latitude or longitude heading is: a plane
  /// rectangular zone's "x" is its northing.
  virtual std::vector<std::string> NorthKeys() const = 0;
  virtual std::vector<std::string> EastKeys() const = 0;
  /// Latitude and longitude on JGD2011 (in that order) for a position given by its north
  /// and east values; nullopt when it cannot be transformed.
  virtual std::optional<std::pair<double, double>> ToLatLon(double north, double east) = 0;
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
  /// The system the position columns are written in; null: latitude and longitude on
  /// JGD2011. A source whose rows carry their own positions (RowSource::OwnPositions) is
  /// read without it.
  std::shared_ptr<CoordinateSystem> crs;
};

}  // namespace core
