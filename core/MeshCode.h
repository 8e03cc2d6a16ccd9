#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Program.h"

namespace core {

/// Altitude of a record that gives none, in metres. It lies above every profile's top,
/// so such a record is drawn on the horizontal map only.
inline constexpr double kNoAltitude = 8888.0;

/// A geographic position: degrees north, degrees east, metres.
struct GeoPos {
  double lat = 0.0;
  double lon = 0.0;
  double alt = kNoAltitude;
};

/// A point given longitude first, as map data and the corner function give it.
struct LonLat {
  double lon = 0.0;
  double lat = 0.0;
};

/// Inclusive bounds of a map region in degrees.
struct MapBounds {
  double west = 0.0;
  double east = 0.0;
  double south = 0.0;
  double north = 0.0;
};

/// Whether a position lies within the bounds (inclusive).
bool Contains(const MapBounds& bounds, const GeoPos& pos);

/// The fixed region of the conic program's map, which also bounds its mesh records.
inline constexpr MapBounds kConicRegion{122.0, 149.0, 24.0, 46.0};

/// Plotting precision codes (`GridSize`): the mesh cell a record is snapped into.
inline constexpr int kGridExact = 0;       ///< exact coordinates, no snapping
inline constexpr int kGridStandard = 1;    ///< standard (third-order) mesh, 30" x 45"
inline constexpr int kGridDouble = 2;      ///< double mesh, 1' x 1.5'
inline constexpr int kGridFiveFold = 5;    ///< five-fold mesh, 2.5' x 3.75'
inline constexpr int kGridSecondary = 10;  ///< secondary mesh, 5' x 7.5'
inline constexpr int kGridHalf = 12;       ///< half mesh, 15" x 22.5" (chart program only)

/// One precision's cell in snapping units of 1/36000 degree, and the offset in degrees
/// from a cell's south-west corner to its centre.
struct MeshCell {
  int heightUnits = 0;
  int widthUnits = 0;
  double latCentre = 0.0;
  double lonCentre = 0.0;
};

/// The cell of a precision code other than 0; nullopt for 0 and for unknown codes.
std::optional<MeshCell> CellOfGridSize(int gridSize);

/// Whether the program offers the precision code (12 is the chart program's alone).
bool IsGridSizeOffered(int gridSize, Program program);

/// The precision codes the program offers, in the order of the table: 0, 1, 2, 5, 10 and,
/// for the chart program, 12.
std::vector<int> OfferedGridSizes(Program program);

/// Why a well-formed record cannot be placed. The programs skip such a record silently;
/// the record checker names the reason.
enum class Rejection {
  None,
  UnknownPrecision,  ///< a precision code outside the table
  TooShort,          ///< the mesh code is shorter than the precision needs
  DoubleMeshCode,    ///< a double-mesh code read at standard or half-mesh precision
  BadQuadrant,       ///< (conic) a nine-digit code whose ninth digit is neither 1-5
  OutsideOwnCell,    ///< (conic) double-cell digits above 4 would leave the code's own cell
  OutsideRegion,     ///< (conic) the cell centre lies outside the map region
  OutOfRange,        ///< a coordinate too large to snap
};

/// A placed record, or the reason it was refused.
struct Placement {
  std::optional<GeoPos> pos;
  Rejection why = Rejection::None;
};

/// A user-facing sentence (Japanese) for a rejection reason.
std::string RejectionText(Rejection why);

/// Parses a coordinate record "lat,lon[,alt]" and snaps it to the centre of its cell at
/// the precision; a given altitude is put in the middle of its 100 m band unless the
/// precision is 0. Raises ConversionError for a field that is not a number.
std::optional<GeoPos> CoordToPos(std::string_view record, int gridSize);
Placement PlaceCoordRecord(std::string_view record, int gridSize);

/// Parses a mesh-code record "code[.aa]" (aa: altitude in hundreds of metres) and places
/// it at the centre of its cell at the precision, read as the program reads codes. With
/// bounds, a position outside them is refused. Raises ConversionError for a code or
/// altitude that is not a number where the program converts it. Blanks after the code
/// are ignored.
std::optional<GeoPos> MeshToPos(std::string_view record, int gridSize, Program program,
                                const std::optional<MapBounds>& bounds = std::nullopt);
Placement PlaceMeshRecord(std::string_view record, int gridSize, Program program,
                          const std::optional<MapBounds>& bounds = std::nullopt);

/// A record line as the program places it: a coordinate record when the line holds a ",",
/// else a mesh-code record. With bounds, a placed position outside them is refused
/// (OutsideRegion) for both kinds. This is the one rule by which the conic program keeps
/// to its map region: its plotting, the record checker and the table import all go
/// through it. Raises ConversionError for a field that is not a number.
Placement PlaceRecord(std::string_view record, int gridSize, Program program,
                      const std::optional<MapBounds>& bounds);

/// The bounds a program places its records within: the conic program's map region; none
/// for the chart program, which draws any range.
std::optional<MapBounds> RecordBounds(Program program);

/// A record placed at every precision the program offers, within the program's bounds:
/// the precisions at which it is refused because it falls outside them, and those at which
/// it is refused for another reason (a mesh code coarser than the cell, a double-mesh code
/// at standard precision, ...). A coordinate on the conic map's north or east edge (46° N,
/// 149° E) is drawn at exact precision only, since snapping puts it into the cell beyond
/// the edge. Raises ConversionError as PlaceRecord does.
struct EveryPrecision {
  std::vector<int> outside;
  std::vector<int> refused;
};
EveryPrecision PlaceAtEveryPrecision(std::string_view record, Program program);

/// South-west (southWest true) or north-east corner of a mesh code's cell; the north-east
/// corner is known for codes of 4, 6 and 8 digits, other lengths give the south-west one.
/// nullopt when the code is not made of numbers.
std::optional<LonLat> MeshToCorner(std::string_view code, bool southWest);

/// "dd.mm" or "dd.mmsss" (two digits of minutes, then tenths of arc seconds) to decimal
/// degrees: 35.30 is 35°30', 35.5 is 35°50'. Raises ConversionError.
double DegMinToDeg(std::string_view text);

/// Degrees as degrees-minutes-seconds text, truncated: 35.5125 -> 35ﾟ30'45".
std::string DegToDMS(double degrees);

/// The 8-digit standard mesh code of a point, as the chart read-out shows it
/// (35.6895 N, 139.6917 E -> "53394525"). Empty for a point no code can describe.
std::string PointToMeshCode(double lat, double lon);

/// A Japanese warning when a mesh-code record's code is not one the national standard for
/// regional mesh codes defines, or when the program reads it differently from the
/// standard at this precision; empty otherwise. The programs place such codes anyway;
/// the record checker shows the warning.
std::string NonStandardMeshCode(std::string_view record, Program program, int gridSize);

}  // namespace core
