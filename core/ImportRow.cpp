#include "core/ImportRow.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/Coordinates.h"
#include "core/LandMap.h"
#include "core/MeshCodeText.h"
#include "core/Number.h"
#include "core/TextCodec.h"

namespace core {

namespace {

constexpr std::string_view kEmptyTitle = "（空欄）";
// The longest title kept, in bytes: a legend row, far below the programs' line cap.
constexpr size_t kMaxTitleBytes = 200;
// A position vaguer than a secondary mesh cell (about 10 km) says little on a map of mesh
// cells.
constexpr double kVagueUncertaintyMetres = 10000.0;

// A cell without the blanks and line ends around it (a line end typed into a cell with
// Alt+Enter is no part of its value).
std::string_view Cell(const TableRow& row, int column) {
  if (column < 0 || static_cast<size_t>(column) >= row.fields.size()) return {};
  std::string_view field = row.fields[static_cast<size_t>(column)];
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!field.empty() && blank(field.front()))
    field.remove_prefix(1);
  while (!field.empty() && blank(field.back()))
    field.remove_suffix(1);
  return field;
}

// A value as people vary it, without the cost of folding for plain ASCII.
std::string Folded(std::string_view text) {
  return IsAscii(text) ? std::string(text) : FoldWidth(text);
}

// Text for a header line: no line end, tab or ";" (a comment would cut it).
std::string HeaderText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      out += ' ';
    } else if (c == ';') {
      out += "；";
    } else {
      out += c;
    }
  }
  return std::string(TrimBlanks(out));
}

size_t FileBytes(const std::string& title) {
  // The conic program counts the bytes of the file, where Shift-JIS may be shorter.
  const std::optional<std::string> shiftJis = Utf8ToCp932(title);
  return shiftJis ? shiftJis->size() : title.size();
}

// Cuts a title to kMaxTitleBytes at a character boundary; true when it was cut.
bool CutTitle(std::string& title) {
  if (title.size() <= kMaxTitleBytes) return false;
  size_t end = kMaxTitleBytes;
  while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80)
    --end;
  title.erase(end);
  title += "…";
  return true;
}

// A category title the programs take as a header and show whole: a header line's text,
// not starting with a digit or blank (a record), not so short that the conic program
// skips it, cut to kMaxTitleBytes (`cut` then says so).
std::string MakeTitle(std::string_view value, std::string_view column, bool& cut) {
  std::string title = HeaderText(value);
  if (title.empty()) title = std::string(kEmptyTitle);
  const char first = title.front();
  if ((first >= '0' && first <= '9') || FileBytes(title) < 3 || first == '-' || first == '+' ||
      first == '.') {
    title = HeaderText(column) + ": " + title;
  }
  if (title.front() >= '0' && title.front() <= '9') title = "_" + title;
  cut = CutTitle(title);
  return title;
}

std::string FullWidthDigits(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      out += "\xEF\xBC";
      out += static_cast<char>(0x90 + (c - '0'));  // U+FF10..U+FF19
    } else {
      out += c;
    }
  }
  return out;
}

std::string RegionText() {
  return "地図の範囲（北緯 " + FormatTrimmed(kConicRegion.south, 6) + "〜" +
         FormatTrimmed(kConicRegion.north, 6) + " 度、東経 " + FormatTrimmed(kConicRegion.west, 6) +
         "〜" + FormatTrimmed(kConicRegion.east, 6) + " 度）";
}

bool InRegion(double lat, double lon) {
  return Contains(kConicRegion, GeoPos{lat, lon, kNoAltitude});
}

// Well inside the conic map, where a coordinate record lands in its own cell of every
// precision, inside the map: the cells of the coarsest precision are 5' by 7.5', so a point
// a hundredth of a degree from the north and east edges is placed inside whatever its cell.
// Such a record needs no placing at every precision to be known good.
bool WellInside(double lat, double lon) {
  return lat >= kConicRegion.south + 0.01 && lat <= kConicRegion.north - 0.01 &&
         lon >= kConicRegion.west + 0.01 && lon <= kConicRegion.east - 0.01;
}

// Degrees for a message, to six decimals unless those would round a point onto one of the
// region's bounds that it does not lie on (23.9999999 is not 24).
std::string ShownDegrees(double degrees) {
  const std::string six = FormatTrimmed(degrees, 6);
  const double shown = StrToFloat(six);
  for (const double bound :
       {kConicRegion.south, kConicRegion.north, kConicRegion.west, kConicRegion.east}) {
    if (shown == bound && degrees != bound) return FormatShortest(degrees);
  }
  return six;
}

std::string PrecisionList(const std::vector<int>& gridSizes) {
  std::string text;
  for (const int gridSize : gridSizes)
    text += (text.empty() ? "" : "・") + std::to_string(gridSize);
  return text;
}

// A heading put before the bounds of a period, so that the title starts as no record does.
std::string BinColumn(const std::string& heading) {
  std::string column = HeaderText(heading);
  if (column.empty() || (column.front() >= '0' && column.front() <= '9')) column = "_" + column;
  return column;
}

// The titles of the periods of --bins, and of the unknown period last. Periods of whole
// years are titled by their years ("1990～2019", "2020 以降", "年不明"), in full-width
// digits since a header must not start with a digit; other bounds by the column.
std::vector<std::string> BinTitles(const std::string& heading, const std::vector<double>& bins,
                                   bool years) {
  std::vector<std::string> titles;
  const bool whole = std::all_of(
      bins.begin(), bins.end(), [](double b) { return std::floor(b) == b && b > -1e6 && b < 1e6; });
  if (years && whole) {
    auto year = [](double y) { return FullWidthDigits(FormatTrimmed(y, 0)); };
    titles.push_back(year(bins.front() - 1) + " 以前");
    for (size_t i = 1; i < bins.size(); ++i) {
      const double from = bins[i - 1];
      const double to = bins[i] - 1;
      titles.push_back(from == to ? year(from) : year(from) + "～" + year(to));
    }
    titles.push_back(year(bins.back()) + " 以降");
    titles.push_back("年不明");
    return titles;
  }
  const std::string column = BinColumn(heading);
  titles.push_back(column + ": " + FormatTrimmed(bins[0], 6) + " 未満");
  for (size_t i = 1; i < bins.size(); ++i) {
    titles.push_back(column + ": " + FormatTrimmed(bins[i - 1], 6) + " 以上 " +
                     FormatTrimmed(bins[i], 6) + " 未満");
  }
  titles.push_back(column + ": " + FormatTrimmed(bins.back(), 6) + " 以上");
  titles.push_back(column + ": 不明");
  return titles;
}

// A value that holds bytes of no character, as the message shows it: its start, whole
// characters, in 「」.
std::string UndecodableValue(std::string_view value) {
  constexpr size_t kShown = 40;
  const std::string_view shown = WholeCharacters(value, 0, std::min(kShown, value.size()));
  return "「" + VisibleText(shown) + (shown.size() < value.size() ? "…" : "") + "」";
}

std::string QuotedValue(std::string_view value) {
  return UndecodableValue(value);
}

// A value compared as headings are: "FOSSIL_SPECIMEN" is "FossilSpecimen" is "fossil specimen".
std::string KindKey(std::string_view value) {
  std::string key;
  for (const char c : Folded(value)) {
    if (c == ' ' || c == '_' || c == '\t' || c == '-') continue;
    key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return key;
}

bool InList(const std::vector<std::string>& list, const std::string& key) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& item) { return KindKey(item) == key; });
}

}  // namespace

bool KindCache::Kept(std::string_view value, const KindFilter& filter) {
  for (const auto& [known, kept] : m_known)
    if (known == value) return kept;
  const std::string key = KindKey(value);
  const bool kept =
      (filter.kept.empty() || InList(filter.kept, key)) && !InList(filter.dropped, key);
  // A column of codes holds few values; a column of anything else is not worth keeping.
  if (m_known.size() < 64) m_known.emplace_back(std::string(value), kept);
  return kept;
}

namespace {

std::string Listed(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& item : list)
    text += (text.empty() ? "" : "、") + VisibleText(item);
  return text;
}

// A distance for a message: metres below a kilometre, else kilometres to a tenth.
std::string Distance(double km) {
  if (km < 1.0) return FormatTrimmed(std::max(1.0, std::round(km * 1000.0)), 0) + " m";
  return FormatTrimmed(km, 1) + " km";
}

// The cell of a mesh code as the national standard draws it: secondary (6 digits),
// five-fold (7), standard (8), half (9, quadrant 1-4) or double (9, digit 5: the double
// cell whose south-west standard cell the code names).
MapBounds MeshCodeCell(const std::string& digits) {
  const std::optional<LonLat> corner =
      MeshToCorner(digits.substr(0, std::min<size_t>(8, digits.size())), true);
  MapBounds cell{corner->lon, corner->lon, corner->lat, corner->lat};
  double height = 1.0 / 12;
  double width = 1.0 / 8;
  auto quadrant = [&](char q) {
    height /= 2;
    width /= 2;
    if (q == '2' || q == '4') cell.west += width;
    if (q == '3' || q == '4') cell.south += height;
  };
  if (digits.size() == 7) {
    quadrant(digits[6]);
  } else if (digits.size() >= 8) {
    height = 1.0 / 120;
    width = 1.0 / 80;
    if (digits.size() == 9 && digits[8] == '5') {
      height *= 2;
      width *= 2;
    } else if (digits.size() == 9) {
      quadrant(digits[8]);
    }
  }
  cell.east = cell.west + width;
  cell.north = cell.south + height;
  return cell;
}

// How far a point lies outside a cell, in km; 0 inside or on its edge.
double KmOutside(const MapBounds& cell, double lat, double lon) {
  constexpr double kEdge = 1e-9;  // a point written to a few decimals on the edge
  const double dLat = std::max({cell.south - lat - kEdge, lat - cell.north - kEdge, 0.0});
  const double dLon = std::max({cell.west - lon - kEdge, lon - cell.east - kEdge, 0.0});
  const double kx = 111.32 * std::cos(lat * 3.14159265358979323846 / 180.0);
  return std::hypot(dLat * 110.574, dLon * kx);
}

}  // namespace

std::optional<int> YearOfDate(std::string_view text) {
  const std::string folded = Folded(TrimBlanks(text));
  const std::string_view s = TrimBlanks(folded);
  if (s.size() < 4) return std::nullopt;
  for (size_t i = 0; i < 4; ++i)
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
  const int year = (s[0] - '0') * 1000 + (s[1] - '0') * 100 + (s[2] - '0') * 10 + (s[3] - '0');
  if (year < 1000) return std::nullopt;
  const std::string_view rest = s.substr(4);
  auto digitAt = [&](size_t k) { return k < rest.size() && rest[k] >= '0' && rest[k] <= '9'; };
  bool ok = rest.empty() || rest.starts_with("年") || rest.starts_with('T') ||
            ((rest[0] == '-' || rest[0] == '/') && digitAt(1));
  if (!ok && rest[0] == '.') {
    // A year a spreadsheet stored as a number: "2019.0".
    ok = rest.size() > 1 && rest.find_first_not_of('0', 1) == std::string_view::npos;
  }
  if (!ok) return std::nullopt;
  return year;
}

std::string TitleFromText(std::string_view text) {
  std::string title = HeaderText(text);
  if (title.empty()) return title;
  size_t digits = 0;
  while (digits < title.size() && title[digits] >= '0' && title[digits] <= '9')
    ++digits;
  if (digits > 0) title = FullWidthDigits(title.substr(0, digits)) + title.substr(digits);
  while (FileBytes(title) < 3)
    title += "　";
  CutTitle(title);
  return title;
}

CategoryLabels::CategoryLabels(const std::vector<std::pair<std::string, std::string>>& labels) {
  for (const auto& [value, text] : labels) {
    std::string title = TitleFromText(text);
    if (title.empty()) {
      throw std::invalid_argument("--label の「" + VisibleText(value) + "」の見出しが空です");
    }
    const std::string key = Folded(TrimBlanks(value));
    const auto [it, fresh] = m_byValue.emplace(key, m_labels.size());
    if (fresh) {
      m_labels.push_back({std::string(TrimBlanks(value)), std::move(title), false});
    } else {
      m_labels[it->second].title = std::move(title);  // the last word on a value wins
    }
  }
}

const std::string* CategoryLabels::Find(std::string_view value) {
  if (m_labels.empty()) return nullptr;
  const auto it = m_byValue.find(Folded(TrimBlanks(value)));
  if (it == m_byValue.end()) return nullptr;
  m_labels[it->second].used = true;
  return &m_labels[it->second].title;
}

std::vector<std::string> CategoryLabels::Unused() const {
  std::vector<std::string> unused;
  for (const Label& label : m_labels)
    if (!label.used) unused.push_back(label.value);
  return unused;
}

ImportRowReader::ImportRowReader(const ImportColumns& columns, const ImportOptions& options,
                                 std::string_view encodingName, std::string tableTitle,
                                 CategoryLabels* labels)
    : m_columns(columns),
      m_options(options),
      m_encodingName(encodingName),
      m_tableTitle(std::move(tableTitle)),
      m_labels(labels),
      m_used(columns.Used()) {
  if (columns.category >= 0) {
    m_categoryName = columns.headings[static_cast<size_t>(columns.category)];
    if (!options.bins.empty()) {
      m_yearBins = columns.categoryIsYear;
      m_binTitles = BinTitles(m_categoryName, options.bins, m_yearBins);
    }
  }
  if (columns.group >= 0) m_groupName = columns.headings[static_cast<size_t>(columns.group)];
  m_title = TitleFromText(options.title);
}

const LandMap* ImportRowReader::Land() {
  if (!m_landAsked) {
    m_landAsked = true;
    if (m_options.landMap) m_land = m_options.landMap();
  }
  return m_land;
}

void ImportRowReader::Refuse(RowOutcome& out, Refusal kind, std::string why) const {
  out.refusal = kind;
  out.why = std::move(why);
}

ImportRowReader::CachedTitle& ImportRowReader::TitleOf(std::string_view value,
                                                       std::string_view column) {
  // Few values make many rows' titles: each is made once. The cache is for one column and
  // is emptied before it could grow large.
  if (m_titlesColumn != column || m_titles.size() > 4096) {
    m_titles.clear();
    m_titlesColumn = std::string(column);
  }
  const auto it = m_titles.find(value);
  if (it != m_titles.end()) return it->second;
  CachedTitle made;
  if (const std::string* label = m_labels ? m_labels->Find(value) : nullptr) {
    made.title = *label;
  } else {
    made.title = MakeTitle(value, column, made.cut);
  }
  return m_titles.emplace(std::string(value), std::move(made)).first->second;
}

// The filters of occurrence downloads, each on its column when the table has one. True
// when the row passes; notes on what is doubtful.
bool ImportRowReader::Filter(const TableRow& row, RowOutcome& out) {
  const ImportColumns& c = m_columns;
  if (c.country >= 0) {
    const std::string_view value = Cell(row, c.country);
    if (!value.empty() && !m_countryKept.Kept(value, m_options.countries)) {
      const KindFilter& filter = m_options.countries;
      const bool defaults = filter.kept.size() == 1 && KindKey(filter.kept[0]) == "jp";
      Refuse(out, Refusal::Country,
             defaults ? "国コード" + QuotedValue(value) +
                            "は日本（JP）ではありません（ほかの国の記録も書くには --country any）"
                      : "国コード" + QuotedValue(value) + "は --country で選んだ国（" +
                            Listed(filter.kept) + "）にありません");
      return false;
    }
  }
  if (c.basis >= 0) {
    const std::string_view value = Cell(row, c.basis);
    if (!value.empty() && !m_basisKept.Kept(value, m_options.basis)) {
      const std::string key = KindKey(value);
      const KindFilter& filter = m_options.basis;
      if (InList(filter.dropped, key)) {
        Refuse(out, Refusal::Basis,
               "記録の種類" + QuotedValue(value) +
                   (key == "fossilspecimen" ? "は化石の記録なので" : "は") +
                   "書きません（書くには --basis any）");
        return false;
      }
      if (!filter.kept.empty() && !InList(filter.kept, key)) {
        Refuse(out, Refusal::Basis,
               "記録の種類" + QuotedValue(value) + "は --basis で選んだ種類（" +
                   Listed(filter.kept) + "）にありません");
        return false;
      }
    }
  }
  if (m_options.yearFrom || m_options.yearTo) {
    std::optional<int> year = YearOfDate(Cell(row, c.year));
    if (!year) year = YearOfDate(Cell(row, c.eventDate));
    const std::string range = (m_options.yearFrom ? std::to_string(*m_options.yearFrom) : "") +
                              "〜" + (m_options.yearTo ? std::to_string(*m_options.yearTo) : "");
    if (!year) {
      std::string shown;
      for (const int column : {c.year, c.eventDate}) {
        if (!Cell(row, column).empty()) {
          shown = "（" + c.Quoted(column) + "が" + QuotedValue(Cell(row, column)) + "）";
          break;
        }
      }
      Refuse(out, Refusal::Years,
             "年が分からないので --years の範囲（" + range + "）に入るか分かりません" + shown);
      return false;
    }
    if ((m_options.yearFrom && *year < *m_options.yearFrom) ||
        (m_options.yearTo && *year > *m_options.yearTo)) {
      Refuse(out, Refusal::Years,
             "年 " + std::to_string(*year) + " は --years の範囲（" + range + "）の外です");
      return false;
    }
  }
  if (c.uncertainty >= 0) {
    const std::string_view value = Cell(row, c.uncertainty);
    if (!value.empty()) {
      // Metres, a plain number as Darwin Core has it, or with "m" after it.
      std::string_view number = TrimBlanks(value);
      if (number.ends_with('m')) number = TrimBlanks(number.substr(0, number.size() - 1));
      const std::optional<double> metres = ParseReal(number);
      if (!metres || *metres < 0) {
        out.notes.push_back(
            "座標の不確かさ" + QuotedValue(value) + "は読めません" +
            (m_options.maxUncertainty ? "（--max-uncertainty では選んでいません）" : ""));
      } else if (m_options.maxUncertainty && *metres > *m_options.maxUncertainty) {
        Refuse(out, Refusal::Uncertainty,
               "座標の不確かさ " + FormatShortest(*metres) + " m が --max-uncertainty の " +
                   FormatShortest(*m_options.maxUncertainty) + " m を超えています");
        return false;
      } else if (*metres > kVagueUncertaintyMetres) {
        out.notes.push_back("座標の不確かさが " + FormatShortest(*metres) +
                            " m あり、二次メッシュの区画（約 10 km）より大きいので、位置はあてに"
                            "なりません（書かずにおくには --max-uncertainty 10000）");
      }
    }
  }
  return true;
}

bool ImportRowReader::Position(const TableRow& row, RowOutcome& out) {
  const ImportColumns& c = m_columns;
  const bool swap = m_options.swapLatLon;
  // Coordinates from whichever coordinate columns the row fills, as given in the table.
  std::optional<double> lat;
  std::optional<double> lon;
  std::string_view latWritten;  // the cells the coordinates were read from, when single
  std::string_view lonWritten;
  std::string coordsWhy;
  bool coordsNone = true;
  // Values in the import's coordinate system, made latitude and longitude: angles as
  // latitude and longitude are read, anything else as plain numbers.
  CoordinateSystem* const crs = m_options.crs.get();
  auto transform = [&](double north, double east) {
    const std::optional<std::pair<double, double>> latLon = crs->ToLatLon(north, east);
    if (!latLon) {
      coordsWhy = "座標（" + FormatShortest(north) + "、" + FormatShortest(east) +
                  "）を緯度・経度に変換できません";
      return;
    }
    lat = latLon->first;
    lon = latLon->second;
  };
  auto readInSystem = [&](std::string_view northText, std::string_view eastText) {
    std::optional<double> north;
    std::optional<double> east;
    if (crs->Angular()) {
      const ParsedValue la = ParseAngle(northText, Axis::Latitude);
      const ParsedValue lo = ParseAngle(eastText, Axis::Longitude);
      if (!la.value || !lo.value) {
        coordsWhy = !la.value ? la.why : lo.why;
        return true;
      }
      north = la.value;
      east = lo.value;
    } else {
      north = ParseReal(TrimBlanks(northText));
      east = ParseReal(TrimBlanks(eastText));
      if (!north || !east || !std::isfinite(*north) || !std::isfinite(*east)) {
        coordsWhy = std::string(!north || !std::isfinite(*north) ? "北" : "東") + "方向の座標「" +
                    VisibleText(!north ? northText : eastText) + "」が数として読めません";
        return true;
      }
    }
    transform(*north, *east);
    return true;
  };
  auto tryPair = [&](int latC, int lonC) {
    const std::string_view latText = Cell(row, latC);
    const std::string_view lonText = Cell(row, lonC);
    if (latText.empty() && lonText.empty()) return false;
    coordsNone = false;
    if (latText.empty() || lonText.empty()) {
      // Named as read: after --swap-latlon the latitude is the column headed otherwise.
      coordsWhy = (latText.empty() != swap) ? "緯度がありません" : "経度がありません";
      return true;
    }
    if (m_options.crs) return readInSystem(swap ? lonText : latText, swap ? latText : lonText);
    // Swapped columns are read with each other's axis, so letters and ranges fit.
    const ParsedValue la = ParseAngle(swap ? lonText : latText, Axis::Latitude);
    const ParsedValue lo = ParseAngle(swap ? latText : lonText, Axis::Longitude);
    if (!la.value || !lo.value) {
      coordsWhy = !la.value ? la.why : lo.why;
      // A latitude of 139 is no latitude; read the other way round, the row may fit.
      const ParsedValue swappedLat = ParseAngle(swap ? latText : lonText, Axis::Latitude);
      const ParsedValue swappedLon = ParseAngle(swap ? lonText : latText, Axis::Longitude);
      if (swappedLat.value && swappedLon.value && InRegion(*swappedLat.value, *swappedLon.value)) {
        coordsWhy += "。緯度と経度が入れ替わっていませんか（--swap-latlon）";
      }
      return true;
    }
    lat = la.value;
    lon = lo.value;
    latWritten = swap ? lonText : latText;
    lonWritten = swap ? latText : lonText;
    return true;
  };
  if (!(c.lat >= 0 && c.lon >= 0 && tryPair(c.lat, c.lon)) &&
      !(c.verbatimLat >= 0 && c.verbatimLon >= 0 && tryPair(c.verbatimLat, c.verbatimLon)) &&
      c.pair >= 0) {
    const std::string_view text = Cell(row, c.pair);
    if (!text.empty()) {
      coordsNone = false;
      const ParsedPair pair = ParseCoordinatePair(text);
      lat = pair.lat;
      lon = pair.lon;
      coordsWhy = pair.why;
      if (swap && lat && lon) std::swap(lat, lon);
      if (crs && lat && lon && coordsWhy.empty()) transform(*lat, *lon);
    }
  }
  const bool coordsUsable = !coordsNone && coordsWhy.empty();

  const std::string_view meshText = Cell(row, c.mesh);
  ParsedMesh mesh;
  std::optional<GeoPos> corner;
  if (!meshText.empty()) {
    mesh = ParseMeshCell(meshText);
    if (!mesh.digits.empty()) {
      corner = MeshToPos(mesh.digits, kGridExact, Program::Chart);
      if (!corner) mesh.why = "メッシュコード「" + mesh.digits + "」の位置が求められません";
    }
  }
  const bool meshUsable = corner.has_value();

  // The preferred kind of position, or the other when the preferred one cannot be used.
  bool useMesh = false;
  if (meshText.empty() && coordsNone) {
    Refuse(out, Refusal::Unusable, "座標もメッシュコードもありません");
    return false;
  }
  if (m_options.preferMesh) {
    useMesh = meshUsable || !coordsUsable;
    if (!meshUsable && coordsUsable && !meshText.empty()) {
      out.notes.push_back(mesh.why + "。座標で書きました");
    }
  } else {
    useMesh = !coordsUsable && (meshUsable || coordsNone);
    if (useMesh && meshUsable && !coordsNone) {
      out.notes.push_back(coordsWhy + "。メッシュコードで書きました");
    }
  }
  if (useMesh && !meshUsable) {
    Refuse(out, Refusal::Unusable, mesh.why);
    return false;
  }
  if (!useMesh && !coordsUsable) {
    Refuse(out, Refusal::Unusable, coordsWhy);
    return false;
  }
  if (useMesh && !mesh.note.empty()) out.notes.push_back(mesh.note);

  // A row with both: coordinates outside the code's cell are a slip in one of them.
  if (coordsUsable && meshUsable) {
    const double km = KmOutside(MeshCodeCell(mesh.digits), *lat, *lon);
    if (km > 0) {
      out.notes.push_back("座標（緯度 " + ShownDegrees(*lat) + "、経度 " + ShownDegrees(*lon) +
                          "）がメッシュコード「" + mesh.digits + "」の区画から約 " + Distance(km) +
                          " 外れています。" +
                          (useMesh ? "メッシュコードで書きました（--prefer-mesh）"
                                   : "座標で書きました（メッシュコードで書くには --prefer-mesh）"));
    }
  }

  double latForCheck = 0;
  double lonForCheck = 0;
  std::string& record = out.record;
  if (useMesh) {
    latForCheck = corner->lat;
    lonForCheck = corner->lon;
    record = mesh.digits;
  } else {
    latForCheck = *lat;
    lonForCheck = *lon;
    // Six decimals, from the cells as written when they are plain decimals: the same text
    // as formatting the value gives, without the cost of a million formattings.
    if (!AppendTrimmedAsWritten(record, latWritten, 6)) record += FormatTrimmed(*lat, 6);
    record += ',';
    if (!AppendTrimmedAsWritten(record, lonWritten, 6)) record += FormatTrimmed(*lon, 6);
  }
  // Made only for a message: most rows need none.
  auto latLonText = [&] {
    return "緯度 " + ShownDegrees(latForCheck) + "、経度 " + ShownDegrees(lonForCheck);
  };
  auto refuseOutside = [&] {
    const std::string latLon = latLonText();
    std::string why = (useMesh ? "メッシュコード「" + mesh.digits + "」の位置（" : "位置（") +
                      latLon + "）が" + RegionText() + "の外です";
    if (!useMesh && InRegion(lonForCheck, latForCheck)) {
      why += "。緯度と経度が入れ替わっていませんか（--swap-latlon）";
    }
    Refuse(out, Refusal::Unusable, std::move(why));
  };
  if (m_options.program == Program::Conic) {
    if (useMesh || !WellInside(latForCheck, lonForCheck)) {
      // Tarvo_L's own placement decides, at each precision it offers: a record it draws at
      // some precisions and not at others would make the figure depend on a choice made
      // after the import. The position is tried as read, to the last digit.
      const std::string exact =
          useMesh ? record : FormatShortest(latForCheck) + "," + FormatShortest(lonForCheck);
      const EveryPrecision every = PlaceAtEveryPrecision(exact, Program::Conic);
      if (!every.outside.empty() && every.outside.front() == kGridExact) {
        refuseOutside();
        return false;
      }
      if (!every.outside.empty()) {
        // On the north or east edge: a cell's south and west edges belong to it, so the
        // snapped record lands in the cell beyond the map.
        const std::string latLon = latLonText();
        Refuse(out, Refusal::Unusable,
               (useMesh ? "メッシュコード「" + mesh.digits + "」の区画（南西の角 " + latLon +
                              "）は" + RegionText() + "の外に接していて"
                        : "位置（" + latLon + "）は" + RegionText() + "の北端か東端の線上にあり") +
                   "、Tarvo_L はプロット精度 " + PrecisionList(every.outside) +
                   " では範囲の外に置くので描きません");
        return false;
      }
      // Six decimals (a tenth of a metre) make a tidy file, but rounding must not carry a
      // point onto the edge (45.9999999 to 46): such a point keeps its digits.
      if (!useMesh && !PlaceAtEveryPrecision(record, Program::Conic).outside.empty()) {
        record = exact;
      }
      out.notDrawnAt = every.refused;
    }
  } else {
    if (!InRegion(latForCheck, lonForCheck)) {
      refuseOutside();
      return false;
    }
    if (useMesh || !WellInside(latForCheck, lonForCheck)) {
      out.notDrawnAt = PlaceAtEveryPrecision(record, Program::Chart).refused;
    }
  }

  // A coordinate far out at sea is a slip or a centroid; a mesh cell is not judged, its
  // centre may well lie offshore for a coastal record.
  if (!useMesh) {
    if (const LandMap* land = Land()) {
      if (const std::optional<double> km = land->SeaDistanceKm(latForCheck, lonForCheck)) {
        const std::string latLon = latLonText();
        const std::string far = *km >= LandMap::kSearchKm
                                    ? " " + FormatTrimmed(LandMap::kSearchKm, 0) + " km 以上"
                                    : "約 " + Distance(*km) + " ";
        if (m_options.dropSea) {
          Refuse(out, Refusal::Sea,
                 "海上: 位置（" + latLon + "）は付属の地図の陸から" + far +
                     "離れた海の上です（--drop-sea）");
          return false;
        }
        out.notes.push_back("海上: 位置（" + latLon + "）は付属の地図の陸から" + far +
                            "離れた海の上です。座標の誤りか、海域の代表点ではありませんか（書かず"
                            "におくには --drop-sea）");
      }
    }
  }
  out.lat = latForCheck;
  out.lon = lonForCheck;
  out.placed = true;
  out.meshRecord = useMesh;
  return true;
}

namespace {

// An elevation from one cell in metres, or why it gives none: a value no record in Japan
// can have (a no-data code, above the highest summit) is no elevation.
ParsedValue ReadElevation(std::string_view text, bool feet) {
  if (text.empty()) return {};
  // The usual cell, a plain number of metres, without the long way round.
  if (const std::optional<double> plain = ParsePlainDecimal(text);
      plain && !feet && *plain >= kLowestElevation && *plain <= kHighestElevation) {
    std::string why = ImplausibleAltitude(*plain);
    if (why.empty()) return {plain, ""};
    return {std::nullopt, std::move(why)};
  }
  // The codes tables write for "no elevation" mean that in any unit, feet too.
  const std::optional<double> raw = ParseReal(TrimBlanks(Folded(text)));
  if (raw && (*raw == -9999.0 || *raw == -999.0 || *raw == 9999.0)) {
    return {std::nullopt, ImplausibleAltitude(*raw)};
  }
  ParsedValue value = ParseElevation(text, feet);
  if (value.value) {
    std::string why = ImplausibleAltitude(*value.value);
    if (!why.empty()) return {std::nullopt, std::move(why)};
  } else if (raw && !feet && *raw * 0.3048 <= kHighestElevation) {
    // Beyond the Earth's range in metres, but not in feet: worth the hint.
    std::string why = ImplausibleAltitude(*raw);
    if (!why.empty()) value.why = std::move(why);
  }
  return value;
}

}  // namespace

void ImportRowReader::Elevation(const TableRow& row, RowOutcome& out) const {
  const ImportColumns& c = m_columns;
  auto feetIn = [&](int column) { return m_options.feet || c.feet[static_cast<size_t>(column)]; };
  // The mean of minimum and maximum, else the first column that has one.
  std::optional<double> elevation;
  std::string why;
  {
    double sum = 0;
    int ends = 0;
    for (const int column : {c.minElevation, c.maxElevation}) {
      if (column < 0) continue;
      const ParsedValue v = ReadElevation(Cell(row, column), feetIn(column));
      if (v.value) {
        sum += *v.value;
        ++ends;
      } else if (!v.why.empty() && why.empty()) {
        why = v.why;
      }
    }
    if (ends > 0) {
      elevation = sum / ends;
      if (ends == 2) why.clear();
    }
  }
  std::string_view written;  // the cell the elevation was read from, when in metres
  for (size_t i = 0; !elevation && i < c.elevations.size(); ++i) {
    const int column = c.elevations[i];
    const std::string_view cell = Cell(row, column);
    const ParsedValue v = ReadElevation(cell, feetIn(column));
    if (v.value) {
      elevation = v.value;
      if (!feetIn(column)) written = cell;
      why.clear();
    } else if (!v.why.empty() && why.empty()) {
      why = v.why;
    }
  }
  if (!why.empty()) {
    out.notes.push_back(why +
                        (elevation ? "。もう一方の値で書きました" : "。標高なしで書きました"));
  }
  if (!elevation) return;
  // Written to a tenth of a metre, the precision every figure and report shows; a plain
  // number of metres as written, which reads back as the value itself.
  std::string text;
  const bool asWritten = AppendTrimmedAsWritten(text, written, 1);
  if (!asWritten) text = FormatTrimmed(*elevation, 1);
  const double metres = asWritten ? *elevation : StrToFloat(text);
  if (out.meshRecord) {
    // A mesh record holds hundreds of metres in two digits, which the programs read as the
    // middle of that 100 m band; below sea level there is no band to write.
    const double band = std::clamp(std::floor(metres / 100.0), 0.0, 99.0);
    const int hundreds = static_cast<int>(band);
    out.altitude = band * 100.0 + 50.0;
    if (metres < 0) {
      out.notes.push_back("標高 " + text +
                          " m はメッシュコードの記録に書けない（0〜9999 m）ので、0〜99 m の帯とし"
                          "て書きました（読むと " +
                          FormatTrimmed(out.altitude, 1) + " m）");
    }
    out.record += '.';
    out.record += static_cast<char>('0' + hundreds / 10);
    out.record += static_cast<char>('0' + hundreds % 10);
  } else {
    out.record += ',';
    out.record += text;
    out.altitude = metres;
  }
}

void ImportRowReader::Title(const TableRow& row, RowOutcome& out) {
  const ImportColumns& c = m_columns;
  out.order = 0;
  if (!m_title.empty()) {
    out.title = m_title;
    return;
  }
  if (m_options.titleFromFile) {
    out.title = m_tableTitle;
    return;
  }
  CachedTitle* made = nullptr;
  if (c.category >= 0) {
    const std::string_view cell = Cell(row, c.category);
    if (!m_options.bins.empty()) {
      // The period of a number, or of a year; without a year of its own, a year column's
      // row may give its date's.
      std::optional<double> number;
      std::string_view shown = cell;
      if (m_yearBins) {
        std::optional<int> year = YearOfDate(cell);
        if (!year && cell.empty() && c.category == c.year && c.eventDate >= 0) {
          shown = Cell(row, c.eventDate);
          year = YearOfDate(shown);
        }
        if (year) number = *year;
      } else if (!cell.empty()) {
        number = ParseReal(TrimBlanks(Folded(cell)));
      }
      size_t index = m_binTitles.size() - 1;  // unknown
      if (number) {
        index = static_cast<size_t>(
            std::upper_bound(m_options.bins.begin(), m_options.bins.end(), *number) -
            m_options.bins.begin());
      } else if (!shown.empty()) {
        out.notes.push_back("カテゴリの列" + c.Quoted(c.category) + "の" + QuotedValue(shown) +
                            (m_yearBins ? "は年として読めないので「" : "は数ではないので「") +
                            m_binTitles.back() + "」に入れました");
      }
      out.order = static_cast<long>(index);
      const std::string& period = m_binTitles[index];
      const std::string* label = m_labels ? m_labels->Find(period) : nullptr;
      out.title = label ? *label : period;
      return;
    }
    made =
        IsAscii(cell) ? &TitleOf(cell, m_categoryName) : &TitleOf(FoldWidth(cell), m_categoryName);
  } else if (c.split >= 0 && c.group < 0) {
    made = &TitleOf(out.key, c.headings[static_cast<size_t>(c.split)]);
  } else if (c.group >= 0) {
    const std::string_view cell = Cell(row, c.group);
    made = IsAscii(cell) ? &TitleOf(cell, m_groupName) : &TitleOf(FoldWidth(cell), m_groupName);
  } else {
    out.title = "記録";
    return;
  }
  out.title = made->title;
  if (made->cut && !made->told) {
    made->told = true;
    out.notes.push_back("カテゴリの見出しが長すぎるので " + std::to_string(kMaxTitleBytes) +
                        " バイトで切りました");
  }
}

void ImportRowReader::Read(const TableRow& row, RowOutcome& out) {
  out.refusal = Refusal::None;
  out.why.clear();
  out.notes.clear();
  out.key.clear();
  out.title.clear();
  out.order = 0;
  out.record.clear();
  out.altitude = kNoAltitude;
  out.notDrawnAt.clear();
  out.placed = false;
  out.meshRecord = false;

  for (const size_t spoilt : row.undecodable) {
    if (spoilt < m_used.size() && m_used[spoilt]) {
      Refuse(out, Refusal::Unusable,
             "列" + m_columns.Quoted(static_cast<int>(spoilt)) + "の値" +
                 UndecodableValue(row.fields[spoilt]) + "に " + m_encodingName +
                 " の文字として読めないバイト（「\xEF\xBF\xBD」の所）があります。表のこの行を直し"
                 "てください");
      return;
    }
  }
  // A comma in an unquoted field moves every later field one column on.
  const size_t headingCount = m_columns.headings.size();
  for (size_t i = headingCount; i < row.fields.size(); ++i) {
    if (!TrimBlanks(row.fields[i]).empty()) {
      Refuse(out, Refusal::Unusable,
             "列の数（" + std::to_string(row.fields.size()) + "）が見出し（" +
                 std::to_string(headingCount) +
                 "）より多く、値の位置がずれています。引用符で囲まれていないカンマがないか確かめ"
                 "てください");
      return;
    }
  }
  if (m_columns.split >= 0) {
    const std::string_view cell = Cell(row, m_columns.split);
    if (IsAscii(cell)) {
      out.key.assign(cell);  // into the room the last row's key left
    } else {
      out.key = FoldWidth(cell);
    }
    if (out.key.empty()) {
      Refuse(out, Refusal::Unusable,
             "ファイル分けの列" + m_columns.Quoted(m_columns.split) + "が空欄です");
      return;
    }
  }
  if (!Filter(row, out)) return;
  if (!Position(row, out)) return;
  Elevation(row, out);
  Title(row, out);
}

}  // namespace core
