#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/MeshCode.h"
#include "core/Program.h"

namespace core {

class LineReader;

/// How a line of distribution data is read.
enum class LineKind {
  Short,        ///< too short to mean anything; ignored
  Header,       ///< starts a data category; the line is its title
  CoordRecord,  ///< "lat,lon[,alt]"
  MeshRecord,   ///< "code[.aa]"
};

/// The most categories a figure of the program has (5 conic, 6 chart); the header one
/// beyond ends the reading.
int CategoryLimit(Program program);

/// The text before the first ";" (the whole line when it has none).
std::string_view CutComment(std::string_view line);

/// Classifies a line whose comment is already cut. A record starts with a digit; the chart
/// program also takes a line that starts with a blank as a record. The length rule counts
/// bytes of the line as the file holds it (Shift-JIS): fewer than 3 is short for the conic
/// program; for the chart program a record of fewer than 6 is short, while any other
/// line that is not empty is a header, however short.
LineKind ClassifyLine(std::string_view fileBytes, Program program);

/// The first category header of a data file as the program reads it, decoded to UTF-8, to
/// title a figure of the file (for a file per taxon, the taxon). Empty when the file has
/// none or cannot be read: its plotting tells why.
std::string FirstHeader(const std::string& fileName, Program program);

/// What the reading of one line came to.
struct LineOutcome {
  enum class Kind {
    Short,   ///< ignored line
    Header,  ///< a new category; `category` is its number, `title` its text
    Record,  ///< an accepted record of `category` at `pos`
    Reject,  ///< a record that is not drawn; `why` says why
    Error,   ///< a field is not a number; `message` is the conversion message
    Stop,    ///< a header beyond the category limit; the program stops reading here
  };
  Kind kind = Kind::Short;
  int category = 0;                 ///< the line's category (0 before the first header)
  std::string title;                ///< Header, Stop: the header line as UTF-8
  GeoPos pos;                       ///< Record: the placed position
  Rejection why = Rejection::None;  ///< Reject
  bool noCategory = false;          ///< Reject: the record stands before the first header
  bool meshRecord = false;          ///< Record, Reject, Error: the line was a mesh-code record
  std::string message;              ///< Error: the conversion message
  bool stops = false;               ///< the program reads no further line after this one
};

/// Reads distribution data one line at a time with one program's rules: category
/// headers and their limit, coordinate and mesh records placed at the precision. It never
/// throws for bad data: a conversion error comes back as an Error outcome, which the
/// conic program treats as the end of reading and the chart program skips. A caller that
/// wants to look past the point where the program stops may go on feeding lines; headers
/// beyond the limit then each give a Stop outcome.
class DistributionReader {
 public:
  DistributionReader(Program program, int gridSize, std::optional<MapBounds> bounds = std::nullopt);

  /// Conic program: a raw line of the file. Chart program: a line of the data editor's
  /// text (UTF-8). In both, the text from the first ";" on is a comment.
  LineOutcome Feed(std::string_view line);

  /// Categories the program keeps (at most the limit).
  int Categories() const;
  bool Stopped() const { return m_stopped; }

 private:
  Program m_program;
  int m_gridSize;
  std::optional<MapBounds> m_bounds;
  int m_headers = 0;
  bool m_stopped = false;
};

/// The records of one reading that a program does not draw, told the same way by both
/// programs and the checker: how many, and the file line and reason of the first. A record
/// is not drawn when it is refused (outside the map, a code the precision cannot place,
/// before the first header), when a field is no number, and when it stands after the point
/// where the program stops reading (a header beyond the category limit; for the conic
/// program, a conversion error). Feed every line of the file, also past that point.
class NotDrawnTally {
 public:
  explicit NotDrawnTally(Program program) : m_program(program) {}
  /// The outcome of the file's line `line` (1-based).
  void Feed(const LineOutcome& outcome, int line);
  long Records() const { return m_records; }
  int FirstLine() const { return m_firstLine; }
  const std::string& FirstReason() const { return m_firstReason; }

 private:
  void Count(int line, const std::string& reason);

  Program m_program;
  long m_records = 0;
  int m_firstLine = 0;
  std::string m_firstReason;
  std::string m_stoppedWhy;  ///< once reading stopped: why the records after are not drawn
};

/// Why a record the reader gives as Reject or Error is not drawn (Japanese).
std::string NotDrawnReason(const LineOutcome& outcome);

/// The checker's command that lists every record not drawn, for the program and precision
/// in force, the file name quoted for the shell when it needs it.
std::string CheckCommand(Program program, int gridSize, std::string_view file);

/// "N 件の記録を描いていません（最初は L 行目: reason）。一覧は COMMAND で見られます" — the
/// one sentence both programs write in the status bar's tool tip and the scripted export's
/// warning.
std::string NotDrawnSentence(long records, int firstLine, const std::string& firstReason,
                             Program program, int gridSize, std::string_view file);
std::string NotDrawnSentence(const NotDrawnTally& tally, Program program, int gridSize,
                             std::string_view file);

/// How the bytes of a distribution data file were written, so that saving its text writes
/// them alike: the user's other tools keep reading the file as they did.
struct GrdLayout {
  enum class Encoding {
    Default,      ///< a new text, or a file of ASCII alone: Shift-JIS, or UTF-8 when
                  ///< Shift-JIS cannot hold every character (EncodeForFile)
    ShiftJis,     ///< Shift-JIS only: a character it cannot hold is not written
    Utf8,         ///< UTF-8 without a byte-order mark
    Utf8WithBom,  ///< UTF-8 after a byte-order mark
  };
  Encoding encoding = Encoding::Default;
  std::string lineEnd = "\r\n";  ///< "\r\n", "\n" or "\r"
  /// A text whose last line is not empty gets a line end after it (false only for a file
  /// that ended without one).
  bool endsWithLineEnd = true;
};

/// A distribution data file as the chart program's data editor holds it.
struct GrdText {
  /// Every line of the file, comments included, decoded by DecodeLine (Shift-JIS, or UTF-8
  /// when a line is well-formed UTF-8 with a non-ASCII byte). After a last line end comes
  /// an empty line, so that the lines joined by line ends are the file's text; an empty
  /// file is one empty line.
  std::vector<std::string> lines;
  GrdLayout layout;
};

/// Reads a distribution data file for the editor: the encoding is UTF-8 with a
/// byte-order mark when it has one, UTF-8 when every line is well-formed UTF-8 and one has
/// a non-ASCII byte, Shift-JIS when some line is not UTF-8, else Default; the line end is
/// the first one in the file. Raises IoError when the file cannot be opened or read.
GrdText LoadGrdText(const std::string& path);
GrdText LoadGrdText(LineReader& reader);

/// Where a text holds a character its encoding cannot write.
struct UnwritableCharacter {
  int line = 0;           ///< 1-based
  std::string character;  ///< the first such character, UTF-8
};

/// The bytes of a file holding the editor's lines as `layout` says: the lines joined by its
/// line end, a last one after a last line that is not empty when `endsWithLineEnd`, in its
/// encoding. Nullopt, with `where` told, when the encoding is ShiftJis and a line holds a
/// character Shift-JIS has no code for, or whose Shift-JIS bytes would read back as other
/// text; no other encoding fails.
std::optional<std::string> EncodeGrdText(const std::vector<std::string>& lines,
                                         const GrdLayout& layout, UnwritableCharacter* where);

/// The bytes of a new distribution data file holding `lines`: each line followed by
/// CR LF, in Shift-JIS, or in UTF-8 when Shift-JIS cannot hold every character.
std::string EncodeGrdText(const std::vector<std::string>& lines);

}  // namespace core
