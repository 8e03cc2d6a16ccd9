#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ImportColumns.h"
#include "core/ImportOptions.h"
#include "core/MeshCode.h"
#include "core/Table.h"

namespace core {

class LandMap;

/// Why a row is not written, for the count of each reason.
enum class Refusal {
  None,
  Unusable,     ///< no position, a value that cannot be read, outside the map, ...
  Country,      ///< countryCode not kept (--country)
  Basis,        ///< basisOfRecord not kept (--basis): fossils by default
  Uncertainty,  ///< coordinateUncertaintyInMeters above --max-uncertainty
  Years,        ///< outside --years
  Sea,          ///< at sea, with --drop-sea
  Duplicate,    ///< the same record as an earlier row
};
inline constexpr int kRefusalKinds = 8;

/// The year a year or date cell names: "2019", "2019.0", the ISO forms "2019-05",
/// "2019-05-04", "2019-05-04T10:00Z", an ISO interval "1990/1995" by its start, and
/// "2019/5/4" or "2019年5月" as Japanese tables write them; full-width digits too. nullopt
/// for anything else, and for a year before 1000 or after 2999.
std::optional<int> YearOfDate(std::string_view text);

/// A title typed by the user (--title, --label) or taken from a file name, made a category
/// header the programs read as one: no control characters or ";", ASCII digits at its start
/// made full-width (a header must not start with a digit), padded with ideographic spaces
/// to the three bytes the conic program reads, cut to 200 bytes. Empty for a text of
/// blanks only.
std::string TitleFromText(std::string_view text);

/// Titles given for category values (--label), looked up by the value's folded text; each
/// remembers whether some row used it.
class CategoryLabels {
 public:
  /// Raises std::invalid_argument for a label without a title.
  explicit CategoryLabels(const std::vector<std::pair<std::string, std::string>>& labels);
  /// The title for a value, or nullptr.
  const std::string* Find(std::string_view value);
  /// The values no category had.
  std::vector<std::string> Unused() const;

 private:
  struct Label {
    std::string value;
    std::string title;
    bool used = false;
  };
  std::vector<Label> m_labels;
  std::unordered_map<std::string, size_t> m_byValue;
};

/// What one data row of a table comes to: a record of a file's category, or a refusal
/// with its reason; and notes on what was left out or guessed.
struct RowOutcome {
  Refusal refusal = Refusal::None;
  std::string why;  ///< the refusal's reason (Japanese)
  std::vector<std::string> notes;
  std::string key;    ///< the file: the split value, empty without a split column
  std::string title;  ///< the category's header
  long order = 0;     ///< categories of periods are put in this order
  std::string record;
  double altitude = kNoAltitude;  ///< as both programs read the record back
  std::vector<int> notDrawnAt;    ///< precisions at which the program refuses the record
  /// The position as read, for a note or a check; valid with `placed`.
  double lat = 0;
  double lon = 0;
  bool placed = false;
  bool meshRecord = false;  ///< the record is a mesh code
};

/// Whether a filter keeps a value, remembered for the few values a column of codes holds.
class KindCache {
 public:
  bool Kept(std::string_view value, const KindFilter& filter);

 private:
  std::vector<std::pair<std::string, bool>> m_known;
};

/// Turns the data rows of one table into records, by the columns found and the options.
class ImportRowReader {
 public:
  /// `encodingName` names the table's encoding in messages about bytes of no character;
  /// `tableTitle` titles the table's one category with ImportOptions::titleFromFile.
  /// `labels` may be null. The reader keeps references to all of them.
  ImportRowReader(const ImportColumns& columns, const ImportOptions& options,
                  std::string_view encodingName, std::string tableTitle, CategoryLabels* labels);

  /// The outcome of a data row (no error row); `out` is cleared first.
  void Read(const TableRow& row, RowOutcome& out);

 private:
  struct CachedTitle {
    std::string title;
    bool cut = false;
    bool told = false;  ///< the cut noted on the first row of the title, not on every one
  };
  void Refuse(RowOutcome& out, Refusal kind, std::string why) const;
  bool Filter(const TableRow& row, RowOutcome& out);
  bool Position(const TableRow& row, RowOutcome& out);
  void Elevation(const TableRow& row, RowOutcome& out) const;
  void Title(const TableRow& row, RowOutcome& out);
  CachedTitle& TitleOf(std::string_view value, std::string_view column);
  const LandMap* Land();

  const ImportColumns& m_columns;
  const ImportOptions& m_options;
  std::string m_encodingName;
  std::string m_title;  // --title, made a header
  std::string m_tableTitle;
  CategoryLabels* m_labels;
  std::vector<bool> m_used;
  std::vector<std::string> m_binTitles;  // per period, then the unknown period last
  bool m_yearBins = false;
  std::string m_categoryName;
  std::string m_groupName;
  // Looked up by a cell's text without making a string of it.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  std::unordered_map<std::string, CachedTitle, TextHash, std::equal_to<>> m_titles;
  std::string m_titlesColumn;
  KindCache m_countryKept;
  KindCache m_basisKept;
  bool m_landAsked = false;
  const LandMap* m_land = nullptr;
};

}  // namespace core
