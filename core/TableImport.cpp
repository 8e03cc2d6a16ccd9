#include "core/TableImport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "core/Coordinates.h"
#include "core/DistributionData.h"
#include "core/ImportColumns.h"
#include "core/MeshCode.h"
#include "core/Number.h"
#include "core/TextCodec.h"

namespace core {

namespace {

std::string ProgramName(Program program) {
  return program == Program::Conic ? "Tarvo_L" : "Tarvo";
}

// FNV-1a, a second hash independent of the standard library's.
std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// The records already written, for telling a duplicate and the row that wrote it first.
// A record is kept as two hashes (80 bits) and its row in 16 bytes, not as its text: a
// million records take about 20 MB, and two different records share their hashes about
// once in 10^12 imports of ten million rows.
class RecordSet {
 public:
  struct Slot {
    std::uint64_t h1 = 0;
    std::uint16_t h2 = 0;
    std::uint16_t table = 0;
    std::uint32_t line = 0;  // 0: empty
  };
  static constexpr std::uint32_t kLineUnknown = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint16_t kTableUnknown = std::numeric_limits<std::uint16_t>::max();

  // The earlier record's slot, or nullptr when the record is new (and now kept).
  const Slot* Insert(std::string_view record, size_t table, long line) {
    if ((m_count + 1) * 4 > m_slots.size() * 3)
      Grow(std::max<size_t>(1024, m_slots.size() * 3 / 2));
    const std::uint64_t h1 = std::hash<std::string_view>{}(record);
    const auto h2 = static_cast<std::uint16_t>(Fnv1a(record));
    for (size_t i = Home(h1);; i = i + 1 == m_slots.size() ? 0 : i + 1) {
      Slot& slot = m_slots[i];
      if (slot.line == 0) {
        slot.h1 = h1;
        slot.h2 = h2;
        slot.table = static_cast<std::uint16_t>(std::min<size_t>(table, kTableUnknown));
        slot.line = line > 0 && line < static_cast<long>(kLineUnknown)
                        ? static_cast<std::uint32_t>(line)
                        : kLineUnknown;
        ++m_count;
        return nullptr;
      }
      if (slot.h1 == h1 && slot.h2 == h2) return &slot;
    }
  }
  void Reserve(size_t records) {
    const size_t wanted = records / 3 * 4 + 1024;
    if (wanted > m_slots.size()) Grow(wanted);
  }

 private:
  size_t Home(std::uint64_t h1) const {
    // The table need not be a power of two, which lets it grow by half at a time.
    return static_cast<size_t>(h1 % m_slots.size());
  }
  void Grow(size_t size) {
    std::vector<Slot> old(size);
    old.swap(m_slots);
    for (const Slot& slot : old) {
      if (slot.line == 0) continue;
      size_t i = Home(slot.h1);
      while (m_slots[i].line != 0)
        i = i + 1 == m_slots.size() ? 0 : i + 1;
      m_slots[i] = slot;
    }
  }

  std::vector<Slot> m_slots;
  size_t m_count = 0;
};

struct CategoryBuild {
  std::string title;
  long order = 0;
  size_t list = 0;
  long records = 0;
};

struct FileBuild {
  std::string key;
  std::vector<CategoryBuild> categories;
  std::unordered_map<std::string, size_t> byTitle;
  long records = 0;
};

// Whether a file's titles may be written in Shift-JIS: each one can be, and none of them
// then reads back as UTF-8 (records are ASCII).
bool ShiftJisHolds(const std::vector<ImportedCategory>& categories) {
  for (const ImportedCategory& c : categories) {
    const std::optional<std::string> sjis = Utf8ToCp932(c.title);
    if (!sjis || (!IsAscii(*sjis) && IsWellFormedUtf8(*sjis))) return false;
  }
  return true;
}

}  // namespace

void MemoryRecordStore::Append(size_t list, std::string_view line, double altitude) {
  if (list >= m_lines.size()) {
    m_lines.resize(list + 1);
    m_altitudes.resize(list + 1);
  }
  m_lines[list].emplace_back(line);
  m_altitudes[list].push_back(altitude);
}

void MemoryRecordStore::Read(
    size_t list, const std::function<void(std::string_view line, double altitude)>& each) {
  if (list >= m_lines.size()) return;
  for (size_t i = 0; i < m_lines[list].size(); ++i)
    each(m_lines[list][i], m_altitudes[list][i]);
}

struct TableImporter::State {
  ImportResult result;
  std::vector<FileBuild> files;
  std::unordered_map<std::string, size_t> fileByKey;
  size_t lists = 0;
  RecordSet seen;
  std::map<int, long> notDrawn;  // precision -> records it does not draw
  std::vector<std::pair<size_t, std::string>> tableWarnings;
  std::vector<std::string> columnTexts;
  std::vector<std::string> columnNotes;
  std::unique_ptr<CategoryLabels> labels;
  std::string dedupKey;
  bool reserved = false;
};

TableImporter::TableImporter(const ImportOptions& options, RecordStore& store,
                             ImportListener* listener)
    : m_options(options), m_store(store), m_listener(listener), m_state(std::make_unique<State>()) {
  m_state->labels = std::make_unique<CategoryLabels>(options.labels);
  if (!options.title.empty() && TitleFromText(options.title).empty()) {
    throw std::invalid_argument("--title の見出しが空です");
  }
}

TableImporter::~TableImporter() = default;

void TableImporter::Read(RowSource& source, std::string_view name) {
  State& s = *m_state;
  ImportResult& result = s.result;
  const size_t table = result.tableNames.size();
  result.tableNames.emplace_back(name);

  TableRow heading;
  if (!source.Next(heading)) throw std::invalid_argument("表が空です");
  if (!heading.error.empty())
    throw std::invalid_argument("見出しの行が読めません: " + heading.error);
  if (!heading.undecodable.empty()) {
    const size_t c = heading.undecodable.front();
    const std::string& field = heading.fields[c];
    const std::string_view shown = WholeCharacters(field, 0, std::min<size_t>(40, field.size()));
    throw std::invalid_argument(
        "見出しの行が読めません: " + std::to_string(c + 1) + " 列目の見出し「" +
        VisibleText(shown) + (shown.size() < field.size() ? "…" : "") + "」に " +
        std::string(source.EncodingName()) +
        " の文字として読めないバイト（「\xEF\xBF\xBD」の所）があります。表の文字コードを確かめて"
        "ください");
  }
  // Positions a source made from its own points are latitude and longitude already.
  std::optional<ImportOptions> ownPositions;
  if (m_options.crs && source.OwnPositions()) {
    ownPositions = m_options;
    ownPositions->crs.reset();
  }
  const ImportOptions& options = ownPositions ? *ownPositions : m_options;
  const ImportColumns columns = FindImportColumns(heading.fields, options);
  s.columnTexts.push_back(columns.text);
  if (m_listener) {
    m_listener->Columns(table, columns.text, columns.notes);
  } else {
    for (const std::string& note : columns.notes)
      s.columnNotes.push_back(note);
  }

  std::string tableTitle;
  if (m_options.titleFromFile) {
    const std::string base = name == "-" ? "標準入力" : TableBaseName(name);
    const std::string* label = s.labels->Find(base);
    tableTitle = label ? *label : TitleFromText(base);
    if (tableTitle.empty()) tableTitle = "記録";
  }
  ImportRowReader reader(columns, options, source.EncodingName(), tableTitle, s.labels.get());

  // Do the coordinates look swapped? Every pair read outside the region as given, and
  // most inside it read the other way round. Counted as the rows go by, told once all
  // are read: nothing is written before then. One row inside as given settles it.
  // Metres of a projected system are no angles to swap.
  const bool swapCheck = columns.HaveCoordinates() && !m_options.swapLatLon &&
                         (!options.crs || options.crs->Angular());
  const int swapLat = columns.lat >= 0 && columns.lon >= 0 ? columns.lat : columns.verbatimLat;
  const int swapLon = columns.lat >= 0 && columns.lon >= 0 ? columns.lon : columns.verbatimLon;
  long swapRead = 0;
  long swapInside = 0;
  long swappedInside = 0;
  auto cell = [](const TableRow& row, int c) -> std::string_view {
    if (c < 0 || static_cast<size_t>(c) >= row.fields.size()) return {};
    return TrimBlanks(row.fields[static_cast<size_t>(c)]);
  };

  auto tell = [&](ImportRejection item, bool refused) {
    item.table = table;
    if (m_listener) {
      m_listener->Row(item, refused);
    } else {
      (refused ? result.rejections : result.notes).push_back(std::move(item));
    }
  };
  auto refuse = [&](long line, Refusal kind, std::string why) {
    ++result.refused[static_cast<size_t>(kind)];
    tell({line, std::move(why), kind == Refusal::Duplicate, table, kind}, true);
  };

  TableRow row;
  RowOutcome out;
  std::uint64_t bytesSeen = 0;
  long rowsHere = 0;
  while (source.Next(row)) {
    ++result.rowsRead;
    ++rowsHere;
    if (!s.reserved && m_expectedBytes > 0) {
      // The size of the record index, from the bytes of the first rows.
      for (const std::string& field : row.fields)
        bytesSeen += field.size() + 1;
      if (rowsHere == 4096) {
        s.reserved = true;
        const double perRow =
            std::max(8.0, static_cast<double>(bytesSeen) / static_cast<double>(rowsHere));
        s.seen.Reserve(static_cast<size_t>(static_cast<double>(m_expectedBytes) / perRow * 1.05));
      }
    }
    if (!row.error.empty()) {
      refuse(row.line, Refusal::Unusable, row.error);
      continue;
    }
    if (swapCheck && swapInside == 0 && swapLat >= 0 && swapLon >= 0) {
      // Read without the axis check: a swapped latitude of 139 is no latitude.
      const std::optional<double> lat = ParseAngle(cell(row, swapLat), Axis::Longitude).value;
      const std::optional<double> lon = ParseAngle(cell(row, swapLon), Axis::Longitude).value;
      if (lat && lon) {
        ++swapRead;
        swapInside += Contains(kConicRegion, GeoPos{*lat, *lon, kNoAltitude});
        swappedInside += Contains(kConicRegion, GeoPos{*lon, *lat, kNoAltitude});
      }
    }
    reader.Read(row, out);
    if (out.refusal != Refusal::None) {
      refuse(row.line, out.refusal, std::move(out.why));
      continue;
    }

    // Looked up before anything is made: most rows go to a file and category already seen.
    auto fileIt = s.fileByKey.find(out.key);
    if (fileIt == s.fileByKey.end()) {
      fileIt = s.fileByKey.emplace(out.key, s.files.size()).first;
      s.files.push_back(FileBuild{out.key, {}, {}, 0});
    }
    FileBuild& file = s.files[fileIt->second];
    std::string& key = s.dedupKey;
    key.assign(out.key);
    key += '\x1F';
    key += out.title;
    key += '\x1F';
    key += out.record;
    if (const RecordSet::Slot* earlier = s.seen.Insert(key, table, row.line)) {
      std::string where;
      if (earlier->table != table && earlier->table != RecordSet::kTableUnknown) {
        where = VisibleText(TableBaseName(result.tableNames[earlier->table])) + " の";
      }
      where += earlier->line == RecordSet::kLineUnknown ? "前の行"
                                                        : "行 " + std::to_string(earlier->line);
      ++result.duplicates;
      refuse(row.line, Refusal::Duplicate, where + " と同じ記録なので一度だけ書きました");
      for (std::string& note : out.notes)
        tell({row.line, std::move(note), false, table, Refusal::None}, false);
      continue;
    }
    auto catIt = file.byTitle.find(out.title);
    const bool newCategory = catIt == file.byTitle.end();
    if (newCategory) {
      catIt = file.byTitle.emplace(out.title, file.categories.size()).first;
      file.categories.push_back(CategoryBuild{
          out.title,
          m_options.bins.empty() || m_options.titleFromFile || !m_options.title.empty()
              ? static_cast<long>(file.categories.size())
              : out.order,
          s.lists++, 0});
    }
    CategoryBuild& category = file.categories[catIt->second];
    m_store.Append(category.list, out.record, out.altitude);
    ++category.records;
    ++file.records;
    ++result.recordsWritten;
    for (const int gridSize : out.notDrawnAt)
      ++s.notDrawn[gridSize];
    for (std::string& note : out.notes)
      tell({row.line, std::move(note), false, table, Refusal::None}, false);
  }

  if (swapRead > 0 && swapInside == 0 && swappedInside * 2 > swapRead) {
    throw std::invalid_argument(
        "緯度の列" + columns.Quoted(swapLat) + "と経度の列" + columns.Quoted(swapLon) +
        "が入れ替わっているようです（読めた " + std::to_string(swapRead) +
        " 行のどれも地図の範囲に入らず、入れ替えると " + std::to_string(swappedInside) +
        " 行が入ります）。--swap-latlon を付けると入れ替えて読みます");
  }
  for (std::string& note : source.Notes())
    s.tableWarnings.emplace_back(table, std::move(note));
}

ImportResult TableImporter::Finish() {
  State& s = *m_state;
  ImportResult& result = s.result;
  const bool several = result.tableNames.size() > 1;
  auto named = [&](size_t table, const std::string& text) {
    return several ? VisibleText(result.tableNames[table]) + ": " + text : text;
  };
  for (size_t t = 0; t < s.columnTexts.size(); ++t)
    result.columns += (t ? "\n" : "") + named(t, s.columnTexts[t]);
  result.warnings = std::move(s.columnNotes);

  const size_t limit = static_cast<size_t>(CategoryLimit(m_options.program));
  std::unordered_map<std::string, int> namesUsed;  // lower-cased file names taken
  const bool splitting = !m_options.splitColumn.empty();
  for (FileBuild& file : s.files) {
    if (file.categories.size() > limit) {
      std::string list;
      for (const CategoryBuild& c : file.categories)
        list += (list.empty() ? "" : "、") + VisibleText(c.title);
      throw std::invalid_argument(
          (file.key.empty() ? std::string() : "「" + VisibleText(file.key) + "」の") +
          "カテゴリが " + std::to_string(file.categories.size()) + " 個あり、" +
          (m_options.program == Program::Conic ? "Tarvo_L は 5" : "Tarvo は 6") +
          " 個までしか描けません: " + list +
          (!m_options.categoryColumn.empty()
               ? (m_options.bins.empty() ? "（--bins で数の列をまとめられます）" : "")
               // A GPS unit's waypoint names or a table's taxa: one category, or a file
               // per value, is what the user most likely wants.
               : "（すべてを一つのカテゴリにするには --title 表題、値ごとにファイルを分けるに"
                 "は --split-by 列）"));
    }
    std::stable_sort(
        file.categories.begin(), file.categories.end(),
        [](const CategoryBuild& a, const CategoryBuild& b) { return a.order < b.order; });
    ImportedFile out;
    out.key = file.key;
    out.records = file.records;
    for (CategoryBuild& c : file.categories)
      out.categories.push_back({std::move(c.title), c.list, c.records});
    // Two keys that differ only in characters a file name cannot hold, or in letter case
    // (case-insensitive file systems), must not share a file.
    std::string name = splitting ? SafeFileName(file.key) : "import.grd";
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
  if (!s.notDrawn.empty()) {
    std::string counts;
    for (const auto& [gridSize, count] : s.notDrawn) {
      counts += (counts.empty() ? "プロット精度 " : "、精度 ") + std::to_string(gridSize) + " で " +
                std::to_string(count) + " 件";
    }
    result.warnings.push_back(
        "書いた記録のうち " + ProgramName(m_options.program) + " が描かないもの: " + counts +
        "（コードの区画がその精度の区画より粗いメッシュコードなど。tarvo-check --precision "
        "で一行ずつ確かめられます）");
  }
  for (const std::string& value : s.labels->Unused()) {
    result.warnings.push_back("--label の「" + VisibleText(value) +
                              "」に当たるカテゴリがないので、使っていません");
  }
  for (auto& [table, note] : s.tableWarnings)
    result.warnings.push_back(named(table, note));
  return std::move(result);
}

void TableImporter::WriteFile(const ImportedFile& file,
                              const std::function<void(std::string_view)>& write) {
  const bool shiftJis = ShiftJisHolds(file.categories);
  for (const ImportedCategory& category : file.categories) {
    write(shiftJis ? *Utf8ToCp932(category.title) : category.title);
    write("\r\n");
    m_store.Read(category.list, [&](std::string_view line, double) {
      write(line);
      write("\r\n");
    });
  }
}

ImportResult ImportTable(RowSource& source, const ImportOptions& options) {
  MemoryRecordStore store;
  TableImporter importer(options, store);
  importer.Read(source);
  ImportResult result = importer.Finish();
  for (ImportedFile& file : result.files) {
    for (const ImportedCategory& category : file.categories) {
      file.lines.push_back(category.title);
      store.Read(category.list, [&](std::string_view line, double altitude) {
        file.lines.emplace_back(line);
        file.altitudes.push_back(altitude);
      });
    }
  }
  return result;
}

ImportResult ImportTable(std::string_view tableBytes, const ImportOptions& options) {
  TableReader reader(tableBytes);
  return ImportTable(reader, options);
}

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

std::string TableBaseName(std::string_view name) {
  const size_t slash = name.find_last_of('/');
  std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
  return IsWellFormedUtf8(base) ? std::string(base) : DecodeLine(base);
}

std::string EncodeImportedFile(const ImportedFile& file) {
  return EncodeGrdText(file.lines);
}

std::string ImportReportLine(const ImportRejection& item, bool refused) {
  return std::to_string(item.row) + ": " +
         (refused ? (item.duplicate ? "重複: " : "書かない: ") : "注意: ") +
         VisibleText(item.reason);
}

std::vector<std::string> ImportReport(const ImportResult& result) {
  std::vector<std::string> lines;
  lines.reserve(result.rejections.size() + result.notes.size());
  size_t r = 0;
  size_t n = 0;
  auto before = [](const ImportRejection& a, const ImportRejection& b) {
    return a.table != b.table ? a.table < b.table : a.row <= b.row;
  };
  while (r < result.rejections.size() || n < result.notes.size()) {
    const bool takeRejection =
        n >= result.notes.size() ||
        (r < result.rejections.size() && before(result.rejections[r], result.notes[n]));
    const ImportRejection& item = takeRejection ? result.rejections[r++] : result.notes[n++];
    lines.push_back(ImportReportLine(item, takeRejection));
  }
  return lines;
}

std::string ImportSummary(const ImportResult& result) {
  const long rejected = [&] {
    long total = 0;
    for (size_t k = 0; k < result.refused.size(); ++k)
      if (static_cast<Refusal>(k) != Refusal::Duplicate) total += result.refused[k];
    return total;
  }();
  // The rows each filter of occurrence downloads refused, when any did.
  static constexpr std::pair<Refusal, const char*> kReasons[] = {
      {Refusal::Country, "国"},
      {Refusal::Basis, "記録の種類"},
      {Refusal::Uncertainty, "座標の不確かさ"},
      {Refusal::Years, "年"},
      {Refusal::Sea, "海上"}};
  std::string reasons;
  for (const auto& [kind, label] : kReasons) {
    const long count = result.refused[static_cast<size_t>(kind)];
    if (count > 0)
      reasons += (reasons.empty() ? "" : "、") + std::string(label) + " " + std::to_string(count);
  }
  const long other = result.refused[static_cast<size_t>(Refusal::Unusable)];
  if (!reasons.empty() && other > 0) reasons += "、そのほか " + std::to_string(other);
  return "読んだ行 " + std::to_string(result.rowsRead) + "、書いた記録 " +
         std::to_string(result.recordsWritten) + "、ファイル " +
         std::to_string(result.files.size()) + "、書かなかった行 " + std::to_string(rejected) +
         (reasons.empty() ? "" : "（" + reasons + "）") + "、重複 " +
         std::to_string(result.duplicates);
}

}  // namespace core
