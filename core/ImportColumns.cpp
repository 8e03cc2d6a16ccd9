#include "core/ImportColumns.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "core/Number.h"
#include "core/TextCodec.h"

namespace core {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";  // U+FEFF

// Words for a unit written after a heading without brackets ("elev_m", "height ft").
constexpr std::string_view kBareUnits[] = {"m",      "ft",       "feet",    "meters",
                                           "metres", "メートル", "フィート"};

void EraseAll(std::string& text, std::string_view what) {
  for (size_t at; (at = text.find(what)) != std::string::npos;)
    text.erase(at, what.size());
}

// Headings of each kind, as keys. The first column whose key is in a list is taken.
constexpr std::string_view kLatKeys[] = {"decimallatitude", "緯度", "latitude", "lat", "北緯"};
constexpr std::string_view kLonKeys[] = {
    "decimallongitude", "経度", "longitude", "lon", "lng", "long", "東経"};
constexpr std::string_view kMeshKeys[] = {"メッシュコード",
                                          "メッシュ",
                                          "meshcode",
                                          "mesh",
                                          "mesh3",
                                          "meshcode3",
                                          "3次メッシュ",
                                          "三次メッシュ",
                                          "3次メッシュコード",
                                          "三次メッシュコード",
                                          "地域メッシュ",
                                          "地域メッシュコード",
                                          "標準地域メッシュ",
                                          "標準地域メッシュコード",
                                          "基準地域メッシュ",
                                          "基準地域メッシュコード",
                                          "1kmメッシュ",
                                          "1kmメッシュコード",
                                          "500mメッシュ",
                                          "500mメッシュコード",
                                          "2次メッシュ",
                                          "二次メッシュ",
                                          "2次メッシュコード",
                                          "二次メッシュコード"};
constexpr std::string_view kElevationKeys[] = {
    "elevation", "標高",   "altitude", "verbatimelevation", "alt",    "ele",
    "elev",      "height", "海抜",     "海抜高度",          "標高値", "高度"};
constexpr std::string_view kNameKeys[] = {"scientificname", "学名",  "和名", "species",
                                          "種名",           "taxon", "name"};
constexpr std::string_view kYearKeys[] = {"year", "採集年", "観察年", "調査年", "記録年", "年"};
constexpr std::string_view kDateKeys[] = {"eventdate", "採集日", "観察日", "調査日",
                                          "記録日",    "年月日", "日付",   "date"};

// Parts of headings that say a column is about an elevation or a mesh code without being
// one of the values (an accuracy, a method, a note).
constexpr std::string_view kNotValues[] = {"accuracy", "precision", "uncertainty", "remark",
                                           "method",   "protocol",  "unit",        "source",
                                           "精度",     "備考",      "方法",        "単位"};

bool Contains(std::string_view key, std::string_view part) {
  return key.find(part) != std::string_view::npos;
}

bool AboutAValue(std::string_view key) {
  return std::none_of(std::begin(kNotValues), std::end(kNotValues),
                      [&](std::string_view part) { return Contains(key, part); });
}

bool LooksLikeElevation(std::string_view key) {
  // A GPS file's geoid height is the geoid's above the ellipsoid, no elevation of the
  // point: telling it on every GPX import would only teach users to skip the notes.
  return AboutAValue(key) && !Contains(key, "geoid") &&
         (Contains(key, "elev") || Contains(key, "altitude") || key.starts_with("alt") ||
          Contains(key, "height") || Contains(key, "標高") || Contains(key, "海抜"));
}

bool LooksLikeMesh(std::string_view key) {
  return AboutAValue(key) && (Contains(key, "mesh") || Contains(key, "メッシュ"));
}

// A mesh code column under a heading of the lists' kin: one that ends as they do.
bool EndsLikeMesh(std::string_view key) {
  return AboutAValue(key) && (key.ends_with("メッシュ") || key.ends_with("メッシュコード") ||
                              key.ends_with("mesh") || key.ends_with("meshcode"));
}

std::string NthColumn(int c) {
  return std::to_string(c + 1) + " 列目";
}

}  // namespace

std::string HeadingKey(std::string_view text, std::string* unit) {
  std::string folded = FoldWidth(TrimBlanks(text));
  EraseAll(folded, kBom);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  folded = std::string(TrimBlanks(folded));
  // A unit at the end, in brackets or after a separator.
  std::string found;
  for (const auto& [open, close] :
       {std::pair<std::string_view, std::string_view>{"(", ")"}, {"[", "]"}, {"【", "】"}}) {
    if (!folded.ends_with(close)) continue;
    const size_t at = folded.rfind(open);
    if (at == std::string::npos || at == 0) continue;
    found = folded.substr(at + open.size(), folded.size() - at - open.size() - close.size());
    folded.erase(at);
    break;
  }
  if (found.empty()) {
    for (const std::string_view bare : kBareUnits) {
      for (const char separator : {'_', ' '}) {
        std::string suffix(1, separator);
        suffix += bare;
        if (folded.size() > suffix.size() && folded.ends_with(suffix)) {
          found = std::string(bare);
          folded.erase(folded.size() - suffix.size());
          break;
        }
      }
      if (!found.empty()) break;
    }
  }
  std::string key;
  key.reserve(folded.size());
  for (const char c : folded) {
    if (c == ' ' || c == '_' || c == '\t') continue;
    key += c;
  }
  if (key.starts_with("dwc:")) key.erase(0, 4);
  if (unit) {
    unit->clear();
    for (const char c : found)
      if (c != ' ') *unit += c;
  }
  return key;
}

std::string ImportColumns::Quoted(int column) const {
  return "「" + VisibleText(headings.at(static_cast<size_t>(column))) + "」";
}

std::vector<bool> ImportColumns::Used() const {
  std::vector<bool> used(headings.size(), false);
  for (const int c : {lat, lon, verbatimLat, verbatimLon, pair, mesh, minElevation, maxElevation,
                      split, category, group, country, basis, uncertainty, year, eventDate}) {
    if (c >= 0) used[static_cast<size_t>(c)] = true;
  }
  for (const int c : elevations)
    used[static_cast<size_t>(c)] = true;
  return used;
}

ImportColumns FindImportColumns(const std::vector<std::string>& heading,
                                const ImportOptions& options) {
  ImportColumns columns;
  std::vector<std::string> keys;
  std::unordered_map<std::string, std::vector<int>> byKey;  // every column of each key
  for (size_t i = 0; i < heading.size(); ++i) {
    std::string shown = heading[i];
    if (shown.find(kBom) != std::string::npos) {
      EraseAll(shown, kBom);
      columns.notes.push_back(NthColumn(static_cast<int>(i)) + "の見出し「" + VisibleText(shown) +
                              "」の前にバイト順マーク（BOM）がもう一つあったので、取り除いて読み"
                              "ました");
    }
    columns.headings.push_back(shown);
    std::string unit;
    keys.push_back(HeadingKey(shown, &unit));
    columns.feet.push_back(unit == "ft" || unit == "feet" || unit == "フィート");
    if (!keys.back().empty()) byKey[keys.back()].push_back(static_cast<int>(i));
  }
  auto find = [&](std::initializer_list<std::string_view> list) {
    for (const std::string_view key : list) {
      const auto it = byKey.find(std::string(key));
      if (it != byKey.end()) return it->second.front();
    }
    return -1;
  };
  auto findIn = [&](const auto& list) {
    for (const std::string_view key : list) {
      const auto it = byKey.find(std::string(key));
      if (it != byKey.end()) return it->second.front();
    }
    return -1;
  };
  auto headingList = [&] {
    std::string list;
    for (size_t i = 0; i < columns.headings.size() && i < 30; ++i)
      list += (i ? "、" : "") + VisibleText(columns.headings[i]);
    if (columns.headings.size() > 30) list += "、…";
    return list;
  };
  // A column the user named; raises when the table has none of that name.
  auto named = [&](const std::string& name, const char* option) {
    const auto it = byKey.find(HeadingKey(name));
    if (it != byKey.end()) return it->second.front();
    throw std::invalid_argument(std::string(option) + " の列「" + VisibleText(name) +
                                "」が表の見出しにありません（見出し: " + headingList() + "）");
  };
  auto pick = [&](const std::string& name, const char* option, const auto& list) {
    return name.empty() ? findIn(list) : named(name, option);
  };

  // A projected system's columns are metres, never the latitude and longitude an
  // occurrence table may hold beside them; an angular one's may be headed either way.
  const bool projected = options.crs && !options.crs->Angular();
  const std::vector<std::string> northKeys =
      options.crs ? options.crs->NorthKeys() : std::vector<std::string>{};
  const std::vector<std::string> eastKeys =
      options.crs ? options.crs->EastKeys() : std::vector<std::string>{};
  if (projected) {
    columns.lat = pick(options.latColumn, "--lat", northKeys);
    columns.lon = pick(options.lonColumn, "--lon", eastKeys);
  } else {
    columns.lat = pick(options.latColumn, "--lat", kLatKeys);
    columns.lon = pick(options.lonColumn, "--lon", kLonKeys);
    if (options.crs && (columns.lat < 0 || columns.lon < 0)) {
      if (columns.lat < 0 && options.latColumn.empty()) columns.lat = findIn(northKeys);
      if (columns.lon < 0 && options.lonColumn.empty()) columns.lon = findIn(eastKeys);
    }
  }
  if (!projected) {
    columns.verbatimLat = options.latColumn.empty() ? find({"verbatimlatitude"}) : -1;
    columns.verbatimLon = options.lonColumn.empty() ? find({"verbatimlongitude"}) : -1;
    columns.pair = find({"verbatimcoordinates", "座標"});
  }
  columns.mesh = pick(options.meshColumn, "--mesh", kMeshKeys);
  if (columns.mesh < 0 && options.meshColumn.empty()) {
    for (size_t i = 0; i < keys.size() && columns.mesh < 0; ++i)
      if (EndsLikeMesh(keys[i])) columns.mesh = static_cast<int>(i);
  }
  if (!options.elevationColumn.empty()) {
    columns.elevations.push_back(named(options.elevationColumn, "--elevation"));
  } else {
    columns.minElevation = find({"minimumelevationinmeters", "minimumelevation", "最低標高"});
    columns.maxElevation = find({"maximumelevationinmeters", "maximumelevation", "最高標高"});
    for (const std::string_view key : kElevationKeys) {
      const int c = find({key});
      if (c >= 0) columns.elevations.push_back(c);
    }
  }
  columns.split = options.splitColumn.empty() ? -1 : named(options.splitColumn, "--split-by");
  columns.year = findIn(kYearKeys);
  columns.eventDate = findIn(kDateKeys);
  columns.category =
      options.categoryColumn.empty() ? -1 : named(options.categoryColumn, "--category");
  if (columns.category >= 0) {
    const std::string& key = keys[static_cast<size_t>(columns.category)];
    columns.categoryIsYear =
        std::find(std::begin(kYearKeys), std::end(kYearKeys), key) != std::end(kYearKeys) ||
        std::find(std::begin(kDateKeys), std::end(kDateKeys), key) != std::end(kDateKeys);
  } else if (!options.bins.empty()) {
    // Periods are mostly of years: without a column named, the year is meant, from the
    // year column or else from the date.
    columns.category = columns.year >= 0 ? columns.year : columns.eventDate;
    columns.categoryIsYear = true;
  }
  const bool titled = !options.title.empty() || options.titleFromFile;
  if (!options.groupColumn.empty()) {
    columns.group = named(options.groupColumn, "--group");
  } else if (columns.category < 0 && columns.split < 0 && !titled) {
    columns.group = findIn(kNameKeys);
  }
  if (options.countries.Active()) columns.country = find({"countrycode"});
  if (options.basis.Active()) columns.basis = find({"basisofrecord"});
  // Without a limit the column still earns a note on a vague position.
  columns.uncertainty = find({"coordinateuncertaintyinmeters", "coordinateuncertainty"});
  const bool years = options.yearFrom || options.yearTo;
  const bool datesRead = years || (!options.bins.empty() && columns.categoryIsYear);

  if (!options.bins.empty() && columns.category < 0) {
    throw std::invalid_argument(
        "--bins で区切る列がありません（year も eventDate もありません）。--category で年などの列"
        "を指定してください");
  }
  for (size_t i = 1; i < options.bins.size(); ++i) {
    if (!(options.bins[i - 1] < options.bins[i])) {
      throw std::invalid_argument("--bins の区切りは小さい順に並べてください");
    }
  }
  if (years && columns.year < 0 && columns.eventDate < 0) {
    throw std::invalid_argument(
        "--years で選ぶ年の列がありません（year、eventDate、採集年、採集日 などの見出し。見出し: " +
        headingList() + "）");
  }
  if (projected && !columns.HaveCoordinates() && columns.mesh < 0) {
    std::string north;
    std::string east;
    for (const std::string& key : northKeys)
      north += (north.empty() ? "" : "、") + key;
    for (const std::string& key : eastKeys)
      east += (east.empty() ? "" : "、") + key;
    throw std::invalid_argument("--crs の座標の列が見つかりません。北方向の列（" + north +
                                "）と東方向の列（" + east +
                                "）の見出しにするか、--lat に北方向、--lon に東方向の列を指定"
                                "してください（見出し: " +
                                headingList() + "）");
  }
  if (!columns.HaveCoordinates() && columns.mesh < 0) {
    throw std::invalid_argument(
        "緯度・経度の列もメッシュコードの列も見つかりません。--lat と --lon、または --mesh "
        "で列を指定してください（見出し: " +
        headingList() + "）");
  }

  // The columns as they are read: after --swap-latlon, the latitude comes from the column
  // headed as the longitude.
  const bool swap = options.swapLatLon;
  std::string used;
  auto add = [&](const char* what, int c) {
    if (c < 0) return;
    used += (used.empty() ? "" : "、") + std::string(what) + columns.Quoted(c);
  };
  add(projected ? "北方向の座標" : "緯度", swap ? columns.lon : columns.lat);
  add(projected ? "東方向の座標" : "経度", swap ? columns.lat : columns.lon);
  add("緯度（文字）", swap ? columns.verbatimLon : columns.verbatimLat);
  add("経度（文字）", swap ? columns.verbatimLat : columns.verbatimLon);
  add(swap ? "座標（経度・緯度の順）" : "座標", columns.pair);
  add("メッシュコード", columns.mesh);
  add("最低標高", columns.minElevation);
  add("最高標高", columns.maxElevation);
  for (const int c : columns.elevations)
    add("標高", c);
  add("ファイル分け", columns.split);
  add("カテゴリ", columns.category);
  add("見出し", columns.group);
  add("国コード", columns.country);
  add("記録の種類", columns.basis);
  add("座標の不確かさ", columns.uncertainty);
  if (datesRead) {
    if (columns.year != columns.category) add("年", columns.year);
    if (columns.eventDate != columns.category) add("日付", columns.eventDate);
  } else {
    columns.year = columns.category == columns.year ? columns.year : -1;
    columns.eventDate = columns.category == columns.eventDate ? columns.eventDate : -1;
  }
  columns.text = "読む列: " + used;

  if (options.preferMesh && columns.mesh < 0) {
    throw std::invalid_argument(
        "--prefer-mesh を指定しましたが、メッシュコードの列が見つかりません（" + columns.text +
        "。見出し: " + headingList() + "）。--mesh で列を指定してください");
  }

  // Columns that look like an elevation or a mesh code but are not read.
  const std::vector<bool> read = columns.Used();
  for (size_t i = 0; i < keys.size(); ++i) {
    // A column under the heading of another is told below, with the one of them read.
    const auto same = byKey.find(keys[i]);
    if (read[i] || (same != byKey.end() && same->second.front() != static_cast<int>(i))) continue;
    const std::string quoted = columns.Quoted(static_cast<int>(i));
    if (LooksLikeElevation(keys[i])) {
      columns.notes.push_back("列" + quoted +
                              "は標高のようですが、読んでいません（読むには --elevation " + quoted +
                              "。ほかの標高の列より先に読みます）");
    } else if (LooksLikeMesh(keys[i])) {
      columns.notes.push_back("列" + quoted +
                              "はメッシュコードのようですが、読んでいません（読むには --mesh " +
                              quoted + "）");
    }
  }
  if (columns.elevations.empty() && columns.minElevation < 0 && columns.maxElevation < 0) {
    columns.notes.push_back("標高の列がないので、断面図には描かれません");
  }
  // Two columns of one heading: the first is read.
  std::map<int, std::string> twice;  // in the order of the columns
  for (const auto& [key, list] : byKey) {
    if (list.size() < 2) continue;
    std::string which;
    for (size_t k = 0; k < list.size(); ++k)
      which += (k == 0 ? "" : k + 1 == list.size() ? "と " : "、") + NthColumn(list[k]);
    std::string rest;
    for (size_t k = 1; k < list.size(); ++k)
      rest += (k == 1 ? "" : "、") + NthColumn(list[k]);
    twice[list.front()] =
        "見出し" + columns.Quoted(list.front()) + "の列が " + std::to_string(list.size()) +
        " つあります（" + which + "）。" + NthColumn(list.front()) +
        (read[static_cast<size_t>(list.front())] ? "を読み、" : "だけが列の名前で選べ、") + rest +
        "は読みません";
  }
  for (auto& [column, note] : twice)
    columns.notes.push_back(std::move(note));
  if (options.maxUncertainty && columns.uncertainty < 0) {
    columns.notes.push_back(
        "座標の不確かさの列（coordinateUncertaintyInMeters）がないので、--max-uncertainty "
        "では選んでいません");
  }
  return columns;
}

}  // namespace core
