#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace core {

/// Reads a text file line by line without holding it whole. A line ends at CR LF, at a
/// bare LF or at a bare CR; the end of the file ends the last line, and nothing after a
/// final line end makes another line. Bytes come back as they are in the file.
class LineReader {
 public:
  /// Opens a file; raises IoError with the user-visible message when it cannot.
  static LineReader Open(const std::string& path);
  /// Reads from a stream the caller keeps open (standard input).
  static LineReader FromStream(std::FILE* stream, std::string name);
  /// Reads lines from a text in memory.
  static LineReader FromText(std::string text);

  /// The next line into `line`; false at the end. Raises IoError when reading fails.
  bool Next(std::string& line);
  /// 1-based number of the line last returned.
  int LineNumber() const { return m_lineNumber; }
  const std::string& Name() const { return m_name; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  LineReader() = default;
  bool Fill();

  std::unique_ptr<std::FILE, Closer> m_owned;
  std::FILE* m_file = nullptr;
  std::string m_name;
  std::string m_buffer;
  size_t m_pos = 0;
  bool m_atEnd = false;
  int m_lineNumber = 0;
};

}  // namespace core
