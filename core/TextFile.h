#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace core {

// The UTF-8 byte-order mark that Windows editors put at the start of a file.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

/// The longest line any text format of ours may hold, in bytes without its line end. No
/// real data, map or settings file comes near it; it keeps memory bounded for any input.
inline constexpr size_t kMaxLineBytes = 64 * 1024;

/// Reads a text file line by line without holding it whole. A line ends at CR LF, at a
/// bare LF or at a bare CR; the end of the file ends the last line, and nothing after a
/// final line end makes another line. A UTF-8 byte-order mark at the start of the file is
/// no part of the first line and is dropped; a file that starts with a UTF-16 byte-order
/// mark raises IoError. Other bytes come back as they are in the
/// file. A line longer than kMaxLineBytes raises IoError naming its line number.
class LineReader {
 public:
  /// Opens a file; raises IoError with the user-visible message when it cannot.
  static LineReader Open(const std::string& path);
  /// Reads from a stream the caller keeps open (standard input). `chunkBytes` is how much
  /// is read at a time; only tests of the chunk boundaries need another size.
  static LineReader FromStream(std::FILE* stream, std::string name,
                               size_t chunkBytes = kDefaultChunkBytes);
  /// Reads lines from a text in memory.
  static LineReader FromText(std::string text);

  /// The next line into `line`; false at the end. Raises IoError when reading fails.
  bool Next(std::string& line);
  /// 1-based number of the line last returned.
  int LineNumber() const { return m_lineNumber; }
  /// What ended the line last returned: "\r\n", "\n", "\r", or "" for a last line that
  /// the file ends without a line end.
  std::string_view LineEnd() const { return m_lineEnd; }
  /// True when the file started with a UTF-8 byte-order mark (known once a line was read).
  bool HadByteOrderMark() const { return m_hadBom; }
  const std::string& Name() const { return m_name; }

  static constexpr size_t kDefaultChunkBytes = 1 << 16;

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  LineReader() = default;
  bool Fill();
  void DropByteOrderMark();
  [[noreturn]] void TooLong() const;

  std::unique_ptr<std::FILE, Closer> m_owned;
  std::FILE* m_file = nullptr;
  std::string m_name;
  std::string m_buffer;
  size_t m_pos = 0;
  size_t m_chunk = kDefaultChunkBytes;
  bool m_atEnd = false;
  bool m_started = false;
  bool m_hadBom = false;
  std::string_view m_lineEnd;
  int m_lineNumber = 0;
};

}  // namespace core
