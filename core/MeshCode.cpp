#include "core/MeshCode.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/Errors.h"
#include "core/Number.h"
#include "core/TextCodec.h"

namespace core {

namespace {

constexpr double kUnitsPerDegree = 36000.0;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// How far below a cell line a value may fall and still belong to the cell above it, in
// snapping units (about 3 micrometres on the ground). A decimal such as 35.925 has no
// exact binary value; the nearest one lies a hair below the line the user wrote, and the
// national standard puts a point on a cell's south or west edge into that cell.
constexpr double kOnLineTolerance = 1.0e-6;

// Snaps one coordinate into its cell by whole snapping units, truncated towards zero.
std::optional<double> Snap(double value, int cellUnits, double centre) {
  // Beyond this the whole degrees no longer fit a 64-bit integer: an arithmetic failure.
  if (!(std::fabs(value) < 9.0e15)) return std::nullopt;
  const double whole = std::trunc(value);
  const double scaled = (value - whole) * kUnitsPerDegree;
  const auto units =
      static_cast<std::int64_t>(std::trunc(scaled + std::copysign(kOnLineTolerance, scaled)));
  const std::int64_t snapped = (units / cellUnits) * cellUnits;
  return whole + static_cast<double>(snapped) / kUnitsPerDegree + centre;
}

// Converts bytes of a record; a failure quotes the whole characters they belong to, so
// that a header read as a record ("2025年 ...") is named legibly.
template <typename Convert>
auto ConvertAt(Convert convert, std::string_view text, size_t pos, size_t count) {
  try {
    return convert(text.substr(pos, count));
  } catch (const ConversionError&) {
    convert(WholeCharacters(text, pos, count));
    throw;
  }
}

int IntAt(std::string_view text, size_t pos, size_t count) {
  return ConvertAt(StrToInt, text, pos, count);
}

double FloatAt(std::string_view text, size_t pos, size_t count) {
  return ConvertAt(StrToFloat, text, pos, count);
}

struct MeshText {
  std::string code;
  double alt = kNoAltitude;
};

// The code and altitude of a mesh record, with the letter "N" removed as the program
// removes it. Raises ConversionError for an altitude that is not a number.
MeshText SplitMeshRecord(std::string_view record, Program program) {
  std::string text(record);
  // Trailing blanks (typically before a ";" note) would otherwise count as code digits.
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.pop_back();
  const size_t n = text.find('N');
  if (n != std::string::npos) {
    if (program == Program::Conic) {
      text.erase(n, 1);
    } else if (n >= 6 && IsDigit(text[n - 1])) {
      text.erase(n, 1);
    }
  }
  MeshText out;
  const size_t dot = text.find('.');
  if (dot != std::string::npos && dot >= 1) {
    out.alt = IntAt(text, dot + 1, 2) * 100.0 + 50.0;
    text.erase(dot);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
      text.pop_back();
  }
  out.code = std::move(text);
  return out;
}

int Digits(const std::string& padded, size_t pos, size_t count) {
  return IntAt(padded, pos, count);
}

// Where the chart program compares a code character instead of converting it, a digit
// compares as its value and any other character as its distance from '0'.
int CharValue(char c) {
  return c - '0';
}

}  // namespace

bool Contains(const MapBounds& bounds, const GeoPos& pos) {
  return bounds.south <= pos.lat && pos.lat <= bounds.north && bounds.west <= pos.lon &&
         pos.lon <= bounds.east;
}

std::optional<MeshCell> CellOfGridSize(int gridSize) {
  switch (gridSize) {
    case kGridStandard:
      return MeshCell{300, 450, 1.0 / 240, 1.0 / 160};
    case kGridDouble:
      return MeshCell{600, 900, 1.0 / 120, 1.0 / 80};
    case kGridFiveFold:
      return MeshCell{1500, 2250, 1.0 / 48, 1.0 / 32};
    case kGridSecondary:
      return MeshCell{3000, 4500, 1.0 / 24, 1.0 / 16};
    case kGridHalf:
      return MeshCell{150, 225, 1.0 / 480, 1.0 / 320};
    default:
      return std::nullopt;
  }
}

bool IsGridSizeOffered(int gridSize, Program program) {
  if (gridSize == kGridExact) return true;
  if (gridSize == kGridHalf) return program == Program::Chart;
  return CellOfGridSize(gridSize).has_value();
}

std::vector<int> OfferedGridSizes(Program program) {
  std::vector<int> sizes;
  for (const int gridSize :
       {kGridExact, kGridStandard, kGridDouble, kGridFiveFold, kGridSecondary, kGridHalf}) {
    if (IsGridSizeOffered(gridSize, program)) sizes.push_back(gridSize);
  }
  return sizes;
}

std::string RejectionText(Rejection why) {
  switch (why) {
    case Rejection::None:
      return "";
    case Rejection::UnknownPrecision:
      return "この精度は使えません";
    case Rejection::TooShort:
      return "メッシュコードの桁数がこの精度には足りません";
    case Rejection::DoubleMeshCode:
      return "倍メッシュのコードはこの精度では置けません";
    case Rejection::BadQuadrant:
      return "9桁目が1〜5ではないので5倍メッシュに置けません";
    case Rejection::OutsideOwnCell:
      return "7・8桁目が4を超え、二次メッシュの外を指します";
    case Rejection::OutsideRegion:
      return "地図の範囲外です";
    case Rejection::OutOfRange:
      return "座標の値が大きすぎます";
  }
  return "";
}

Placement PlaceCoordRecord(std::string_view record, int gridSize) {
  std::optional<MeshCell> cell = CellOfGridSize(gridSize);
  if (gridSize != kGridExact && !cell) return {std::nullopt, Rejection::UnknownPrecision};

  const size_t comma = record.find(',');
  GeoPos pos;
  pos.lat = StrToFloat(record.substr(0, comma));
  // Without a comma the longitude is empty, which raises the conversion error.
  const size_t restStart = comma == std::string_view::npos ? record.size() : comma + 1;
  const std::string_view rest = record.substr(restStart, 40);
  // A second field shorter than three characters ("35.5,13,800") is read like any other.
  const size_t second = rest.find(',');
  pos.lon = FloatAt(record, restStart, second == std::string_view::npos ? rest.size() : second);
  if (second != std::string_view::npos) {
    pos.alt = FloatAt(record, restStart + second + 1, rest.size() - second - 1);
    if (gridSize > 0) pos.alt = std::trunc(pos.alt / 100.0) * 100.0 + 50.0;
  }
  if (cell) {
    const auto lat = Snap(pos.lat, cell->heightUnits, cell->latCentre);
    const auto lon = Snap(pos.lon, cell->widthUnits, cell->lonCentre);
    if (!lat || !lon) return {std::nullopt, Rejection::OutOfRange};
    pos.lat = *lat;
    pos.lon = *lon;
  }
  if (!std::isfinite(pos.lat) || !std::isfinite(pos.lon) || !std::isfinite(pos.alt)) {
    return {std::nullopt, Rejection::OutOfRange};
  }
  return {pos, Rejection::None};
}

std::optional<GeoPos> CoordToPos(std::string_view record, int gridSize) {
  return PlaceCoordRecord(record, gridSize).pos;
}

Placement PlaceMeshRecord(std::string_view record, int gridSize, Program program,
                          const std::optional<MapBounds>& bounds) {
  if (gridSize != kGridExact && !CellOfGridSize(gridSize)) {
    return {std::nullopt, Rejection::UnknownPrecision};
  }
  const MeshText mesh = SplitMeshRecord(record, program);
  const size_t n = mesh.code.size();
  if (n < 6) return {std::nullopt, Rejection::TooShort};
  const std::string padded = mesh.code + "0000";

  const int p = Digits(padded, 0, 2);
  const int u = Digits(padded, 2, 2);
  const int q = Digits(padded, 4, 1);
  const int v = Digits(padded, 5, 1);
  int r = 0;
  int c = 0;
  int h = 0;
  if (program == Program::Conic) {
    r = Digits(padded, 6, 1);
    c = Digits(padded, 7, 1);
    h = Digits(padded, 8, 1);
    Digits(padded, 9, 1);  // converted, as the program has always checked it
  } else {
    const bool converts =
        gridSize == kGridStandard || gridSize == kGridDouble || gridSize == kGridHalf;
    r = converts ? Digits(padded, 6, 1) : CharValue(padded[6]);
    c = converts ? Digits(padded, 7, 1) : CharValue(padded[7]);
    h = CharValue(padded[8]);
  }

  GeoPos pos;
  pos.alt = mesh.alt;
  pos.lat = p * 2.0 / 3.0 + q / 12.0;
  pos.lon = u + 100.0 + v / 8.0;

  switch (gridSize) {
    case kGridStandard:
      if (n < 8) return {std::nullopt, Rejection::TooShort};
      if (n == 9 && h == 5) return {std::nullopt, Rejection::DoubleMeshCode};
      pos.lat += r / 120.0 + 1.0 / 240;
      pos.lon += c / 80.0 + 1.0 / 160;
      break;
    case kGridDouble: {
      if (n < 8) return {std::nullopt, Rejection::TooShort};
      int rr = r / 2;
      int cc = c / 2;
      if (program == Program::Conic && ((n == 9 && h >= 5) || n >= 11)) {
        // The conic program's own convention: digits 7-8 are the double cell's row and
        // column, 0-4. Larger digits would land outside the code's secondary cell.
        if (r > 4 || c > 4) return {std::nullopt, Rejection::OutsideOwnCell};
        rr = r;
        cc = c;
      }
      pos.lat += rr / 60.0 + 1.0 / 120;
      pos.lon += cc / 40.0 + 1.0 / 80;
      break;
    }
    case kGridFiveFold: {
      if (n < 7) return {std::nullopt, Rejection::TooShort};
      bool north = false;
      bool east = false;
      if (n == 7) {
        north = r == 3 || r == 4;
        east = r == 2 || r == 4;
      } else if (program == Program::Chart || n == 8 || n == 10 || (n == 9 && h >= 1 && h <= 4)) {
        north = r >= 5;
        east = c >= 5;
      } else if (n == 9 && h == 5) {
        if (r > 4 || c > 4) return {std::nullopt, Rejection::OutsideOwnCell};
        north = r == 3 || r == 4;
        east = c == 3 || c == 4;
      } else if (n == 9) {
        return {std::nullopt, Rejection::BadQuadrant};
      }
      if (north) pos.lat += 1.0 / 24;
      if (east) pos.lon += 1.0 / 16;
      pos.lat += 1.0 / 48;
      pos.lon += 1.0 / 32;
      break;
    }
    case kGridSecondary:
      pos.lat += 1.0 / 24;
      pos.lon += 1.0 / 16;
      break;
    case kGridHalf:
      if (n < 9) return {std::nullopt, Rejection::TooShort};
      if (h == 5) return {std::nullopt, Rejection::DoubleMeshCode};
      pos.lat += r / 120.0 + 1.0 / 480;
      if (h == 3 || h == 4) pos.lat += 1.0 / 240;
      pos.lon += c / 80.0 + 1.0 / 320;
      if (h == 2 || h == 4) pos.lon += 1.0 / 160;
      break;
    default:  // exact: the secondary cell's south-west corner
      break;
  }

  if (bounds && !Contains(*bounds, pos)) {
    return {std::nullopt, Rejection::OutsideRegion};
  }
  return {pos, Rejection::None};
}

std::optional<GeoPos> MeshToPos(std::string_view record, int gridSize, Program program,
                                const std::optional<MapBounds>& bounds) {
  return PlaceMeshRecord(record, gridSize, program, bounds).pos;
}

Placement PlaceRecord(std::string_view record, int gridSize, Program program,
                      const std::optional<MapBounds>& bounds) {
  if (record.find(',') == std::string_view::npos) {
    return PlaceMeshRecord(record, gridSize, program, bounds);
  }
  Placement placed = PlaceCoordRecord(record, gridSize);
  // A coordinate outside the map region would be drawn off the map, on a profile or in
  // the sheet's corner, as mesh records outside it never are.
  if (placed.pos && bounds && !Contains(*bounds, *placed.pos)) {
    placed = {std::nullopt, Rejection::OutsideRegion};
  }
  return placed;
}

std::optional<MapBounds> RecordBounds(Program program) {
  if (program == Program::Conic) return kConicRegion;
  return std::nullopt;
}

EveryPrecision PlaceAtEveryPrecision(std::string_view record, Program program) {
  EveryPrecision every;
  const std::optional<MapBounds> bounds = RecordBounds(program);
  for (const int gridSize : OfferedGridSizes(program)) {
    const Placement placed = PlaceRecord(record, gridSize, program, bounds);
    if (placed.why == Rejection::OutsideRegion) {
      every.outside.push_back(gridSize);
    } else if (!placed.pos) {
      every.refused.push_back(gridSize);
    }
  }
  return every;
}

std::optional<LonLat> MeshToCorner(std::string_view code, bool southWest) {
  const size_t n = code.size();
  std::string padded(code);
  while (padded.size() < 8)
    padded += '0';
  try {
    const int p = Digits(padded, 0, 2);
    const int u = Digits(padded, 2, 2);
    const int q = Digits(padded, 4, 1);
    const int v = Digits(padded, 5, 1);
    const int r = Digits(padded, 6, 1);
    const int c = Digits(padded, 7, 1);
    LonLat corner{u + 100.0 + v / 8.0 + c / 80.0, p * 2.0 / 3.0 + q / 12.0 + r / 120.0};
    if (!southWest) {
      if (n == 4) {
        corner.lon += 1.0;
        corner.lat += 2.0 / 3.0;
      } else if (n == 6) {
        corner.lon += 1.0 / 8;
        corner.lat += 1.0 / 12;
      } else if (n == 8) {
        corner.lon += 1.0 / 80;
        corner.lat += 1.0 / 120;
      }
    }
    return corner;
  } catch (const ConversionError&) {
    return std::nullopt;
  }
}

double DegMinToDeg(std::string_view text) {
  std::string s(text);
  s += s.find('.') != std::string::npos ? "00000" : ".00000";
  const size_t dot = s.find('.');
  const std::string_view sv(s);
  const int d = StrToInt(sv.substr(0, dot));
  const int m = StrToInt(sv.substr(dot + 1, 2));
  const int t = StrToInt(sv.substr(dot + 3, 3));
  // Minutes and seconds count away from zero, so "-0.30" is half a degree south or west.
  const double magnitude = std::abs(static_cast<double>(d)) + m / 60.0 + t / 36000.0;
  return TrimBlanks(sv.substr(0, dot)).starts_with('-') ? -magnitude : magnitude;
}

std::string DegToDMS(double degrees) {
  if (!std::isfinite(degrees) || std::fabs(degrees) > 1.0e9) return "";
  const bool negative = degrees < 0;
  const double value = std::fabs(degrees);
  const double whole = std::trunc(value);
  const double minutesReal = (value - whole) * 60.0;
  const double minutes = std::trunc(minutesReal);
  const double seconds = std::trunc((minutesReal - minutes) * 60.0);
  auto twoDigits = [](double part) {
    const int n = static_cast<int>(part);  // 0 to 59
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
  };
  return (negative ? "-" : "") + std::to_string(static_cast<long long>(whole)) + "\xEF\xBE\x9F" +
         twoDigits(minutes) + "'" + twoDigits(seconds) + "\"";
}

std::string PointToMeshCode(double lat, double lon) {
  if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 1.0e6 ||
      std::fabs(lon) > 1.0e6) {
    return "";
  }
  const double a = 1.5 * lat;
  const double b = lon - 100.0;
  const double a8 = 8.0 * (a - std::trunc(a));
  const double b8 = 8.0 * (b - std::trunc(b));
  const long long parts[] = {
      static_cast<long long>(std::trunc(a)),
      static_cast<long long>(std::trunc(b)),
      static_cast<long long>(std::trunc(a8)),
      static_cast<long long>(std::trunc(b8)),
      static_cast<long long>(std::trunc(10.0 * (a8 - std::trunc(a8)))),
      static_cast<long long>(std::trunc(10.0 * (b8 - std::trunc(b8)))),
  };
  std::string code;
  for (const long long part : parts)
    code += std::to_string(part);
  return code;
}

std::string NonStandardMeshCode(std::string_view record, Program program, int gridSize) {
  std::string code;
  try {
    code = SplitMeshRecord(record, program).code;
  } catch (const ConversionError&) {
    return "";
  }
  std::vector<std::string> notes;
  bool digitsOnly = true;
  for (const char ch : code)
    digitsOnly = digitsOnly && IsDigit(ch);
  const size_t n = code.size();
  bool conicDoubleReading = false;
  if (!digitsOnly) notes.emplace_back("数字以外の文字があります");
  if (n < 6 || n > 9) notes.emplace_back("6〜9桁ではありません");
  if (digitsOnly && n >= 6) {
    if (code[4] > '7' || code[5] > '7') notes.emplace_back("5・6桁目が8か9です");
    if (n == 7 && (code[6] < '1' || code[6] > '4'))
      notes.emplace_back("7桁目の象限が1〜4ではありません");
    if (n == 9 && (code[8] == '0' || code[8] > '5')) notes.emplace_back("9桁目が0か6〜9です");
    if (n == 9 && code[8] == '5') {
      if (program == Program::Conic) {
        conicDoubleReading = gridSize == kGridDouble || gridSize == kGridFiveFold;
      } else if ((code[6] - '0') % 2 != 0 || (code[7] - '0') % 2 != 0) {
        notes.emplace_back("倍メッシュの7・8桁目が偶数ではありません");
      }
    }
  }
  std::string text;
  if (!notes.empty()) {
    text = "注意: 標準（JIS X 0410）にないコードです（";
    for (size_t i = 0; i < notes.size(); ++i) {
      if (i > 0) text += "、";
      text += notes[i];
    }
    text += "）";
  }
  if (conicDoubleReading) {
    if (!text.empty()) text += " ";
    text += "注意: 7・8桁目を倍メッシュの行・列（0〜4）として読みます（標準とは違う読み方です）";
  }
  return text;
}

}  // namespace core
