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
  /// text (UTF-8), whose comment rules were applied when it was loaded.
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

/// The editor line a file line becomes when the chart program loads a file: a line that
/// starts with ";" is dropped (nullopt), any other loses its comment. The bytes are
/// decoded as Shift-JIS, or as UTF-8 when they are well-formed UTF-8 with a non-ASCII
/// byte, so files written on either system load alike.
std::optional<std::string> EditorLineFromFile(std::string_view fileBytes);

/// All editor lines of a file (see EditorLineFromFile). Raises IoError when the file
/// cannot be opened or read.
std::vector<std::string> LoadGrdLines(const std::string& path);
std::vector<std::string> LoadGrdLines(LineReader& reader);

/// The bytes of a distribution data file holding the editor lines: each line followed by
/// CR LF, in Shift-JIS, or in UTF-8 when Shift-JIS cannot hold every character.
std::string EncodeGrdText(const std::vector<std::string>& lines);

}  // namespace core
