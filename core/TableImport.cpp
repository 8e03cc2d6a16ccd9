#include "core/TableImport.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "core/Coordinates.h"
#include "core/DistributionData.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TextCodec.h"

namespace core {

namespace {

constexpr std::string_view kEmptyTitle = "（空欄）";

// A heading or column name as it is compared: width folded, ASCII lower case, without
// blanks and "_", without a "dwc:" prefix and without a unit in brackets at the end.
std::string HeadingKey(std::string_view text, std::string* unit = nullptr) {
  std::string folded = FoldWidth(TrimBlanks(text));
  std::string key;
  for (const char c : folded) {
    if (c == ' ' || c == '_' || c == '\t') continue;
    key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (key.starts_with("dwc:")) key.erase(0, 4);
  if (!key.empty() && key.back() == ')') {
    const size_t open = key.rfind('(');
    if (open != std::string::npos && open > 0) {
      if (unit) *unit = key.substr(open + 1, key.size() - open - 2);
      key.erase(open);
    }
  }
  return key;
}

struct Columns {
  std::vector<std::string> headings;
  std::unordered_map<std::string, int> byKey;  // first column of each key
  std::vector<bool> feet;                      // a heading's unit says feet

  int Find(std::initializer_list<std::string_view> keys) const {
    for (const std::string_view key : keys) {
      const auto it = byKey.find(std::string(key));
      if (it != byKey.end()) return it->second;
    }
    return -1;
  }
  // A column the user named; raises when the table has none of that name.
  int Named(const std::string& name, const char* option) const {
    const auto it = byKey.find(HeadingKey(name));
    if (it != byKey.end()) return it->second;
    std::string list;
    for (size_t i = 0; i < headings.size() && i < 30; ++i)
      list += (i ? "、" : "") + VisibleText(headings[i]);
    if (headings.size() > 30) list += "、…";
    throw std::invalid_argument(std::string(option) + " の列「" + VisibleText(name) +
                                "」が表の見出しにありません（見出し: " + list + "）");
  }
};

std::string Cell(const TableRow& row, int column) {
  if (column < 0 || static_cast<size_t>(column) >= row.fields.size()) return "";
  // A line end typed into a cell (Alt+Enter) is no part of its value.
  const std::string& field = row.fields[static_cast<size_t>(column)];
  const size_t first = field.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return field.substr(first, field.find_last_not_of(" \t\r\n") - first + 1);
}

// Text for a header line: no line end, tab or ";" (a comment would cut it).
std::string HeaderText(std::string_view text) {
  std::string out;
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

// The longest title kept, in bytes: a legend row, far below the programs' line cap.
constexpr size_t kMaxTitleBytes = 200;

// A category title the programs take as a header and show whole: a header line's text,
// not starting with a digit or blank (a record), not so short that the conic program
// skips it, cut to kMaxTitleBytes (`cut` then says so).
std::string MakeTitle(std::string_view value, std::string_view column, bool& cut) {
  std::string title = HeaderText(value);
  if (title.empty()) title = std::string(kEmptyTitle);
  const char first = title.front();
  // The conic program counts the bytes of the file, where Shift-JIS may be shorter.
  const std::optional<std::string> shiftJis = Utf8ToCp932(title);
  const size_t fileBytes = shiftJis ? shiftJis->size() : title.size();
  if ((first >= '0' && first <= '9') || fileBytes < 3 || first == '-' || first == '+' ||
      first == '.') {
    title = HeaderText(column) + ": " + title;
  }
  if (title.front() >= '0' && title.front() <= '9') title = "_" + title;
  cut = title.size() > kMaxTitleBytes;
  if (cut) {
    size_t end = kMaxTitleBytes;
    while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80)
      --end;
    title.erase(end);
    title += "…";
  }
  return title;
}

struct Position {
  std::string record;  // the record line
  std::string why;     // non-empty: the row cannot be used
  bool none = false;   // the row has no position at all
};

struct WrittenRecord {
  std::string line;
  double altitude = kNoAltitude;  // as the programs read the line back
};

struct Category {
  std::string title;
  long order = 0;
  std::vector<WrittenRecord> records;
};

struct FileBuild {
  std::string key;
  std::vector<Category> categories;
  std::unordered_map<std::string, size_t> byTitle;
  long records = 0;
};

std::string RegionText() {
  return "地図の範囲（北緯 " + FormatTrimmed(kConicRegion.south, 6) + "〜" +
         FormatTrimmed(kConicRegion.north, 6) + " 度、東経 " + FormatTrimmed(kConicRegion.west, 6) +
         "〜" + FormatTrimmed(kConicRegion.east, 6) + " 度）";
}

bool InRegion(double lat, double lon) {
  return Contains(kConicRegion, GeoPos{lat, lon, kNoAltitude});
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

std::string ProgramName(Program program) {
  return program == Program::Conic ? "Tarvo_L" : "Tarvo";
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

std::string BinTitle(const std::string& heading, const std::vector<double>& bins, size_t index) {
  const std::string column = BinColumn(heading);
  if (index == 0) return column + ": " + FormatTrimmed(bins[0], 6) + " 未満";
  if (index == bins.size()) return column + ": " + FormatTrimmed(bins.back(), 6) + " 以上";
  return column + ": " + FormatTrimmed(bins[index - 1], 6) + " 以上 " +
         FormatTrimmed(bins[index], 6) + " 未満";
}

// A value that holds bytes of no character, as the message shows it: its start, whole
// characters, in 「」.
std::string UndecodableValue(std::string_view value) {
  constexpr size_t kShown = 40;
  const std::string_view shown = WholeCharacters(value, 0, std::min(kShown, value.size()));
  return "「" + VisibleText(shown) + (shown.size() < value.size() ? "…" : "") + "」";
}

// What is wrong with such a value, for the user.
std::string UndecodableText(const RowSource& source) {
  return " " + std::string(source.EncodingName()) +
         " の文字として読めないバイト（「\xEF\xBF\xBD」の所）があります";
}

}  // namespace

std::string SafeFileName(std::string_view key) {
  std::string name;
  const std::string utf8 = IsWellFormedUtf8(key) ? std::string(key) : DecodeLine(key);
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F ||
        std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
      name += '_';
    } else {
      name += c;
    }
  }
  name = std::string(TrimBlanks(name));
  while (!name.empty() && (name.back() == '.' || name.back() == ' '))
    name.pop_back();
  if (!name.empty() && (name.front() == '-' || name.front() == '.')) name.front() = '_';
  if (name.empty()) name = "_";
  constexpr std::string_view kExtension = ".grd";
  const size_t room = kMaxFileNameBytes - kExtension.size();
  if (name.size() > room) {
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
      --cut;
    name.erase(cut);
  }
  return name + std::string(kExtension);
}

std::string EncodeImportedFile(const ImportedFile& file) {
  return EncodeGrdText(file.lines);
}

ImportResult ImportTable(std::string_view tableBytes, const ImportOptions& options) {
  TableReader reader(tableBytes);
  return ImportTable(reader, options);
}

ImportResult ImportTable(RowSource& source, const ImportOptions& options) {
  ImportResult result;
  Columns columns;
  {
    TableRow heading;
    if (!source.Next(heading)) throw std::invalid_argument("表が空です");
    if (!heading.error.empty())
      throw std::invalid_argument("見出しの行が読めません: " + heading.error);
    if (!heading.undecodable.empty()) {
      const size_t c = heading.undecodable.front();
      throw std::invalid_argument("見出しの行が読めません: " + std::to_string(c + 1) +
                                  " 列目の見出し" + UndecodableValue(heading.fields[c]) + "に" +
                                  UndecodableText(source) + "。表の文字コードを確かめてください");
    }
    columns.headings = heading.fields;
    for (size_t i = 0; i < heading.fields.size(); ++i) {
      std::string unit;
      const std::string key = HeadingKey(heading.fields[i], &unit);
      columns.feet.push_back(unit == "ft" || unit == "feet" || unit == "フィート");
      if (!key.empty()) columns.byKey.emplace(key, static_cast<int>(i));
    }
  }

  // Which column gives what. A named column must exist; the rest is found by heading.
  auto pick = [&](const std::string& named, const char* option,
                  std::initializer_list<std::string_view> keys) {
    return named.empty() ? columns.Find(keys) : columns.Named(named, option);
  };
  const int latColumn =
      pick(options.latColumn, "--lat", {"decimallatitude", "緯度", "latitude", "lat"});
  const int lonColumn = pick(options.lonColumn, "--lon",
                             {"decimallongitude", "経度", "longitude", "lon", "lng", "long"});
  const int verbatimLat = options.latColumn.empty() ? columns.Find({"verbatimlatitude"}) : -1;
  const int verbatimLon = options.lonColumn.empty() ? columns.Find({"verbatimlongitude"}) : -1;
  const int pairColumn = columns.Find({"verbatimcoordinates", "座標"});
  const int meshColumn = pick(options.meshColumn, "--mesh",
                              {"メッシュコード", "メッシュ", "meshcode", "mesh", "地域メッシュ",
                               "三次メッシュ", "3次メッシュ"});
  std::vector<int> elevationColumns;
  int minElevation = -1;
  int maxElevation = -1;
  if (!options.elevationColumn.empty()) {
    elevationColumns.push_back(columns.Named(options.elevationColumn, "--elevation"));
  } else {
    minElevation = columns.Find({"minimumelevationinmeters"});
    maxElevation = columns.Find({"maximumelevationinmeters"});
    for (const std::string_view key : {"elevation", "標高", "altitude", "verbatimelevation"}) {
      const int c = columns.Find({key});
      if (c >= 0) elevationColumns.push_back(c);
    }
  }
  const int splitColumn =
      options.splitColumn.empty() ? -1 : columns.Named(options.splitColumn, "--split-by");
  int categoryColumn =
      options.categoryColumn.empty() ? -1 : columns.Named(options.categoryColumn, "--category");
  // Periods are mostly of years: without a column named, the year column is meant.
  if (categoryColumn < 0 && !options.bins.empty()) {
    categoryColumn = columns.Find({"year", "採集年", "年"});
  }
  int groupColumn = -1;
  if (!options.groupColumn.empty()) {
    groupColumn = columns.Named(options.groupColumn, "--group");
  } else if (categoryColumn < 0 && splitColumn < 0) {
    groupColumn =
        columns.Find({"scientificname", "学名", "和名", "species", "種名", "taxon", "name"});
  }
  if (!options.bins.empty() && categoryColumn < 0) {
    throw std::invalid_argument(
        "--bins で区切る列がありません。--category で年などの列を指定してください");
  }
  for (size_t i = 1; i < options.bins.size(); ++i) {
    if (!(options.bins[i - 1] < options.bins[i])) {
      throw std::invalid_argument("--bins の区切りは小さい順に並べてください");
    }
  }
  const bool haveCoordinates = (latColumn >= 0 && lonColumn >= 0) ||
                               (verbatimLat >= 0 && verbatimLon >= 0) || pairColumn >= 0;
  if (!haveCoordinates && meshColumn < 0) {
    throw std::invalid_argument(
        "緯度・経度の列もメッシュコードの列も見つかりません。--lat と --lon、または --mesh "
        "で列を指定してください");
  }
  auto heading = [&](int c) {
    return "「" + VisibleText(columns.headings[static_cast<size_t>(c)]) + "」";
  };
  {
    std::string used;
    auto add = [&](const char* what, int c) {
      if (c < 0) return;
      used += (used.empty() ? "" : "、") + std::string(what) + heading(c);
    };
    add("緯度", latColumn);
    add("経度", lonColumn);
    add("緯度（文字）", verbatimLat);
    add("経度（文字）", verbatimLon);
    add("座標", pairColumn);
    add("メッシュコード", meshColumn);
    add("最低標高", minElevation);
    add("最高標高", maxElevation);
    for (const int c : elevationColumns)
      add("標高", c);
    add("ファイル分け", splitColumn);
    add("カテゴリ", categoryColumn);
    add("見出し", groupColumn);
    result.columns = "読む列: " + used;
  }

  // Coordinates of a row from whichever coordinate columns it fills, as given in the table.
  struct Coords {
    std::optional<double> lat;
    std::optional<double> lon;
    std::string why;
    bool none = true;
  };
  auto readCoords = [&](const TableRow& row) {
    Coords coords;
    auto tryPair = [&](int latC, int lonC) {
      const std::string latText = Cell(row, latC);
      const std::string lonText = Cell(row, lonC);
      if (latText.empty() && lonText.empty()) return false;
      coords.none = false;
      if (latText.empty() || lonText.empty()) {
        coords.why = latText.empty() ? "緯度がありません" : "経度がありません";
        return true;
      }
      // Swapped columns are read with each other's axis, so letters and ranges fit.
      const ParsedValue lat = ParseAngle(options.swapLatLon ? lonText : latText, Axis::Latitude);
      const ParsedValue lon = ParseAngle(options.swapLatLon ? latText : lonText, Axis::Longitude);
      if (!lat.value || !lon.value) {
        coords.why = !lat.value ? lat.why : lon.why;
        // A latitude of 139 is no latitude; read the other way round, the row may fit.
        const ParsedValue swappedLat =
            ParseAngle(options.swapLatLon ? latText : lonText, Axis::Latitude);
        const ParsedValue swappedLon =
            ParseAngle(options.swapLatLon ? lonText : latText, Axis::Longitude);
        if (swappedLat.value && swappedLon.value &&
            InRegion(*swappedLat.value, *swappedLon.value)) {
          coords.why += "。緯度と経度が入れ替わっていませんか（--swap-latlon）";
        }
        return true;
      }
      coords.lat = lat.value;
      coords.lon = lon.value;
      return true;
    };
    if (latColumn >= 0 && lonColumn >= 0 && tryPair(latColumn, lonColumn)) return coords;
    if (verbatimLat >= 0 && verbatimLon >= 0 && tryPair(verbatimLat, verbatimLon)) return coords;
    if (pairColumn >= 0) {
      const std::string text = Cell(row, pairColumn);
      if (!text.empty()) {
        coords.none = false;
        const ParsedPair pair = ParseCoordinatePair(text);
        coords.lat = pair.lat;
        coords.lon = pair.lon;
        coords.why = pair.why;
        if (options.swapLatLon && pair.lat && pair.lon) std::swap(coords.lat, coords.lon);
      }
    }
    return coords;
  };

  std::vector<FileBuild> files;
  std::unordered_map<std::string, size_t> fileByKey;
  std::unordered_map<std::string, long> seen;  // file, category, record -> first row
  std::map<int, long> notDrawn;                // precision -> records it does not draw
  const std::string categoryName =
      categoryColumn >= 0 ? columns.headings[static_cast<size_t>(categoryColumn)] : "";
  const std::string groupName =
      groupColumn >= 0 ? columns.headings[static_cast<size_t>(groupColumn)] : "";
  const size_t headingCount = columns.headings.size();

  // Do the coordinates look swapped? Every pair read outside the region as given, and
  // most inside it read the other way round. Counted as the rows go by, told once all
  // are read: nothing is written before then.
  const bool swapCheck = haveCoordinates && !options.swapLatLon;
  const int swapLat = latColumn >= 0 && lonColumn >= 0 ? latColumn : verbatimLat;
  const int swapLon = latColumn >= 0 && lonColumn >= 0 ? lonColumn : verbatimLon;
  long swapRead = 0;
  long swapInside = 0;
  long swappedInside = 0;

  // The columns whose values are read: a byte of no character there spoils the row.
  std::vector<bool> used(columns.headings.size(), false);
  for (const int c : {latColumn, lonColumn, verbatimLat, verbatimLon, pairColumn, meshColumn,
                      minElevation, maxElevation, splitColumn, categoryColumn, groupColumn}) {
    if (c >= 0) used[static_cast<size_t>(c)] = true;
  }
  for (const int c : elevationColumns)
    used[static_cast<size_t>(c)] = true;

  TableRow row;
  while (source.Next(row)) {
    ++result.rowsRead;
    auto reject = [&](const std::string& why) {
      result.rejections.push_back({row.line, why, false});
    };
    if (!row.error.empty()) {
      reject(row.error);
      continue;
    }
    if (swapCheck && swapLat >= 0 && swapLon >= 0) {
      // Read without the axis check: a swapped latitude of 139 is no latitude.
      const std::optional<double> lat = ParseAngle(Cell(row, swapLat), Axis::Longitude).value;
      const std::optional<double> lon = ParseAngle(Cell(row, swapLon), Axis::Longitude).value;
      if (lat && lon) {
        ++swapRead;
        swapInside += InRegion(*lat, *lon);
        swappedInside += InRegion(*lon, *lat);
      }
    }
    const auto spoilt = std::find_if(row.undecodable.begin(), row.undecodable.end(),
                                     [&](size_t c) { return c < used.size() && used[c]; });
    if (spoilt != row.undecodable.end()) {
      reject("列" + heading(static_cast<int>(*spoilt)) + "の値" +
             UndecodableValue(row.fields[*spoilt]) + "に" + UndecodableText(source) +
             "。表のこの行を直してください");
      continue;
    }
    // A comma in an unquoted field moves every later field one column on.
    bool extra = false;
    for (size_t i = headingCount; i < row.fields.size(); ++i)
      extra = extra || !TrimBlanks(row.fields[i]).empty();
    if (extra) {
      reject("列の数（" + std::to_string(row.fields.size()) + "）が見出し（" +
             std::to_string(headingCount) +
             "）より多く、値の位置がずれています。引用符で囲まれていないカンマがないか確かめてくだ"
             "さい");
      continue;
    }
    std::string key;
    if (splitColumn >= 0) {
      key = FoldWidth(Cell(row, splitColumn));
      if (key.empty()) {
        reject("ファイル分けの列" + heading(splitColumn) + "が空欄です");
        continue;
      }
    }

    // The position.
    const Coords coords = haveCoordinates ? readCoords(row) : Coords{};
    const ParsedMesh mesh = meshColumn >= 0 ? ParseMeshCell(Cell(row, meshColumn)) : ParsedMesh{};
    const bool meshGiven = meshColumn >= 0 && !Cell(row, meshColumn).empty();
    const bool useMesh = meshGiven && (options.preferMesh || coords.none);
    std::string record;
    double latForCheck = 0;
    double lonForCheck = 0;
    if (!useMesh && coords.none) {
      reject("座標もメッシュコードもありません");
      continue;
    }
    if (useMesh) {
      if (mesh.digits.empty()) {
        reject(mesh.why);
        continue;
      }
      const std::optional<GeoPos> corner = MeshToPos(mesh.digits, kGridExact, Program::Chart);
      if (!corner) {
        reject("メッシュコード「" + mesh.digits + "」の位置が求められません");
        continue;
      }
      latForCheck = corner->lat;
      lonForCheck = corner->lon;
      record = mesh.digits;
    } else {
      if (!coords.why.empty()) {
        reject(coords.why);
        continue;
      }
      latForCheck = *coords.lat;
      lonForCheck = *coords.lon;
      record = FormatTrimmed(*coords.lat, 6) + "," + FormatTrimmed(*coords.lon, 6);
    }
    const std::string latLon =
        "緯度 " + ShownDegrees(latForCheck) + "、経度 " + ShownDegrees(lonForCheck);
    auto rejectOutside = [&] {
      std::string why = (useMesh ? "メッシュコード「" + mesh.digits + "」の位置（" : "位置（") +
                        latLon + "）が" + RegionText() + "の外です";
      if (!useMesh && InRegion(lonForCheck, latForCheck)) {
        why += "。緯度と経度が入れ替わっていませんか（--swap-latlon）";
      }
      reject(why);
    };
    std::vector<int> notDrawnAt;
    if (options.program == Program::Conic) {
      // Tarvo_L's own placement decides, at each precision it offers: a record it draws at
      // some precisions and not at others would make the figure depend on a choice made
      // after the import. The position is tried as read, to the last digit.
      const std::string exact =
          useMesh ? record : FormatShortest(latForCheck) + "," + FormatShortest(lonForCheck);
      const EveryPrecision every = PlaceAtEveryPrecision(exact, Program::Conic);
      if (!every.outside.empty() && every.outside.front() == kGridExact) {
        rejectOutside();
        continue;
      }
      if (!every.outside.empty()) {
        // On the north or east edge: a cell's south and west edges belong to it, so the
        // snapped record lands in the cell beyond the map.
        reject((useMesh ? "メッシュコード「" + mesh.digits + "」の区画（南西の角 " + latLon +
                              "）は" + RegionText() + "の外に接していて"
                        : "位置（" + latLon + "）は" + RegionText() + "の北端か東端の線上にあり") +
               "、Tarvo_L はプロット精度 " + PrecisionList(every.outside) +
               " では範囲の外に置くので描きません");
        continue;
      }
      // Six decimals (a tenth of a metre) make a tidy file, but rounding must not carry a
      // point onto the edge (45.9999999 to 46): such a point keeps its digits.
      if (!useMesh && !PlaceAtEveryPrecision(record, Program::Conic).outside.empty()) {
        record = exact;
      }
      notDrawnAt = every.refused;
    } else {
      if (!InRegion(latForCheck, lonForCheck)) {
        rejectOutside();
        continue;
      }
      notDrawnAt = PlaceAtEveryPrecision(record, Program::Chart).refused;
    }

    // The elevation: the mean of minimum and maximum, else the first column that has one.
    std::optional<double> elevation;
    std::string elevationWhy;
    {
      std::vector<double> ends;
      for (const int c : {minElevation, maxElevation}) {
        if (c < 0) continue;
        const ParsedValue v =
            ParseElevation(Cell(row, c), options.feet || columns.feet[static_cast<size_t>(c)]);
        if (v.value) ends.push_back(*v.value);
        if (!v.why.empty() && elevationWhy.empty()) elevationWhy = v.why;
      }
      if (!ends.empty()) {
        elevation = ends.size() == 2 ? (ends[0] + ends[1]) / 2 : ends[0];
        elevationWhy.clear();
      }
      for (size_t i = 0; !elevation && i < elevationColumns.size(); ++i) {
        const int c = elevationColumns[i];
        const ParsedValue v =
            ParseElevation(Cell(row, c), options.feet || columns.feet[static_cast<size_t>(c)]);
        if (v.value) {
          elevation = v.value;
          elevationWhy.clear();
        } else if (!v.why.empty() && elevationWhy.empty()) {
          elevationWhy = v.why;
        }
      }
    }
    double altitude = kNoAltitude;
    if (elevation) {
      // Written to a tenth of a metre, the precision every figure and report shows.
      const double metres = StrToFloat(FormatTrimmed(*elevation, 1));
      if (useMesh) {
        // A mesh record holds hundreds of metres in two digits, which the programs read as
        // the middle of that 100 m band; below sea level there is no band to write.
        const double band = std::clamp(std::floor(metres / 100.0), 0.0, 99.0);
        const int hundreds = static_cast<int>(band);
        altitude = band * 100.0 + 50.0;
        if (metres < 0) {
          result.notes.push_back({row.line,
                                  "標高 " + FormatTrimmed(metres, 1) +
                                      " m はメッシュコードの記録に書けない（0〜9999 m）ので、0〜99 "
                                      "m の帯として書きました（読むと " +
                                      FormatTrimmed(altitude, 1) + " m）",
                                  false});
        }
        record += '.';
        record += static_cast<char>('0' + hundreds / 10);
        record += static_cast<char>('0' + hundreds % 10);
      } else {
        const std::string text = FormatTrimmed(metres, 1);
        record += "," + text;
        altitude = StrToFloat(text);
      }
    } else if (!elevationWhy.empty()) {
      result.notes.push_back({row.line, elevationWhy + "。標高なしで書きました", false});
    }

    // The category.
    std::string title;
    bool titleCut = false;
    long order = 0;
    if (categoryColumn >= 0) {
      const std::string value = FoldWidth(Cell(row, categoryColumn));
      if (!options.bins.empty()) {
        std::optional<double> number;
        try {
          if (!value.empty()) number = StrToFloat(FoldWidth(value));
        } catch (const std::exception&) {
        }
        if (number) {
          const size_t index = static_cast<size_t>(
              std::upper_bound(options.bins.begin(), options.bins.end(), *number) -
              options.bins.begin());
          title = BinTitle(categoryName, options.bins, index);
          order = static_cast<long>(index);
        } else {
          title = BinColumn(categoryName) + ": 不明";
          order = static_cast<long>(options.bins.size()) + 1;
          if (!value.empty()) {
            result.notes.push_back({row.line,
                                    "カテゴリの列" + heading(categoryColumn) + "の「" +
                                        VisibleText(value) +
                                        "」は数ではないので「不明」に入れました",
                                    false});
          }
        }
      } else {
        title = MakeTitle(value, categoryName, titleCut);
      }
    } else if (splitColumn >= 0 && groupColumn < 0) {
      title = MakeTitle(key, columns.headings[static_cast<size_t>(splitColumn)], titleCut);
    } else if (groupColumn >= 0) {
      title = MakeTitle(FoldWidth(Cell(row, groupColumn)), groupName, titleCut);
    } else {
      title = "記録";
    }
    if (titleCut) {
      result.notes.push_back({row.line,
                              "カテゴリの見出しが長すぎるので " + std::to_string(kMaxTitleBytes) +
                                  " バイトで切りました",
                              false});
    }

    const auto [fileIt, newFile] = fileByKey.emplace(key, files.size());
    if (newFile) files.push_back(FileBuild{key, {}, {}, 0});
    FileBuild& file = files[fileIt->second];
    const std::string dedupKey = key + '\x1F' + title + '\x1F' + record;
    const auto [seenIt, fresh] = seen.emplace(dedupKey, row.line);
    if (!fresh) {
      ++result.duplicates;
      result.rejections.push_back(
          {row.line, "行 " + std::to_string(seenIt->second) + " と同じ記録なので一度だけ書きました",
           true});
      continue;
    }
    const auto [catIt, newCategory] = file.byTitle.emplace(title, file.categories.size());
    if (newCategory) {
      file.categories.push_back(Category{
          title, options.bins.empty() ? static_cast<long>(file.categories.size()) : order, {}});
    }
    file.categories[catIt->second].records.push_back({std::move(record), altitude});
    ++file.records;
    ++result.recordsWritten;
    for (const int gridSize : notDrawnAt)
      ++notDrawn[gridSize];
  }

  if (swapRead > 0 && swapInside == 0 && swappedInside * 2 > swapRead) {
    throw std::invalid_argument("緯度の列" + heading(swapLat) + "と経度の列" + heading(swapLon) +
                                "が入れ替わっているようです（読めた " + std::to_string(swapRead) +
                                " 行のどれも地図の範囲に入らず、入れ替えると " +
                                std::to_string(swappedInside) +
                                " 行が入ります）。--swap-latlon を付けると入れ替えて読みます");
  }

  const size_t limit = static_cast<size_t>(CategoryLimit(options.program));
  std::unordered_map<std::string, int> namesUsed;  // lower-cased file names taken
  for (FileBuild& file : files) {
    if (file.categories.size() > limit) {
      std::string list;
      for (const Category& c : file.categories)
        list += (list.empty() ? "" : "、") + VisibleText(c.title);
      throw std::invalid_argument(
          (file.key.empty() ? std::string() : "「" + VisibleText(file.key) + "」の") +
          "カテゴリが " + std::to_string(file.categories.size()) + " つあり、" +
          (options.program == Program::Conic ? "Tarvo_L は 5" : "Tarvo は 6") +
          " つまでしか描けません: " + list +
          (categoryColumn >= 0 && options.bins.empty() ? "（--bins で数の列をまとめられます）"
                                                       : ""));
    }
    std::stable_sort(file.categories.begin(), file.categories.end(),
                     [](const Category& a, const Category& b) { return a.order < b.order; });
    ImportedFile out;
    out.key = file.key;
    out.records = file.records;
    for (Category& c : file.categories) {
      out.lines.push_back(c.title);
      for (WrittenRecord& r : c.records) {
        out.lines.push_back(std::move(r.line));
        out.altitudes.push_back(r.altitude);
      }
    }
    // Two keys that differ only in characters a file name cannot hold, or in letter case
    // (case-insensitive file systems), must not share a file.
    std::string name = splitColumn >= 0 ? SafeFileName(file.key) : "import.grd";
    auto lowered = [](std::string text) {
      for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
      return text;
    };
    if (namesUsed.contains(lowered(name))) {
      const std::string wanted = name;
      for (int n = 2; namesUsed.contains(lowered(name)); ++n) {
        const std::string suffix = "_" + std::to_string(n) + ".grd";
        std::string stem = wanted.substr(0, wanted.size() - 4);
        if (stem.size() + suffix.size() > kMaxFileNameBytes) {
          size_t cut = kMaxFileNameBytes - suffix.size();
          while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
          stem.erase(cut);
        }
        name = stem + suffix;
      }
      result.warnings.push_back("「" + VisibleText(file.key) +
                                "」は別の値と同じファイル名になるので " + name + " に書きます");
    }
    namesUsed.emplace(lowered(name), 1);
    out.fileName = std::move(name);
    result.files.push_back(std::move(out));
  }
  if (!notDrawn.empty()) {
    std::string counts;
    for (const auto& [gridSize, count] : notDrawn) {
      counts += (counts.empty() ? "プロット精度 " : "、精度 ") + std::to_string(gridSize) + " で " +
                std::to_string(count) + " 件";
    }
    result.warnings.push_back(
        "書いた記録のうち " + ProgramName(options.program) + " が描かないもの: " + counts +
        "（コードの区画がその精度の区画より粗いメッシュコードなど。tarvo-check --precision "
        "で一行ずつ確かめられます）");
  }
  for (std::string& note : source.Notes())
    result.warnings.push_back(std::move(note));
  return result;
}

std::vector<std::string> ImportReport(const ImportResult& result) {
  std::vector<std::string> lines;
  lines.reserve(result.rejections.size() + result.notes.size());
  size_t r = 0;
  size_t n = 0;
  while (r < result.rejections.size() || n < result.notes.size()) {
    const bool takeRejection =
        n >= result.notes.size() ||
        (r < result.rejections.size() && result.rejections[r].row <= result.notes[n].row);
    const ImportRejection& item = takeRejection ? result.rejections[r++] : result.notes[n++];
    lines.push_back(std::to_string(item.row) + ": " +
                    (takeRejection ? (item.duplicate ? "重複: " : "書かない: ") : "注意: ") +
                    VisibleText(item.reason));
  }
  return lines;
}

std::string ImportSummary(const ImportResult& result) {
  const long rejected = static_cast<long>(result.rejections.size()) - result.duplicates;
  return "読んだ行 " + std::to_string(result.rowsRead) + "、書いた記録 " +
         std::to_string(result.recordsWritten) + "、ファイル " +
         std::to_string(result.files.size()) + "、書かなかった行 " + std::to_string(rejected) +
         "、重複 " + std::to_string(result.duplicates);
}

}  // namespace core
