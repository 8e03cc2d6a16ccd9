#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace core {

/// The largest table read from a pipe or device, in bytes; such a table is held in
/// memory, while a regular file is mapped whatever its size.
inline constexpr size_t kMaxTableBytes = size_t{64} << 20;

/// A table's bytes, whole: the import reads them more than once, and the command line and
/// the data editor hand them over alike. A regular file is mapped, so that a download of
/// gigabytes costs page cache rather than memory; a pipe or device is read up to
/// kMaxTableBytes, so that a mistaken input (/dev/zero) cannot take all memory.
class TableFile {
 public:
  /// Opens `path`, or reads `standardInput` when the path is "-". Raises IoError with the
  /// message for the user when it cannot be read (a folder is refused).
  TableFile(const std::string& path, std::FILE* standardInput);
  ~TableFile();
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  std::string_view View() const { return m_map ? std::string_view(m_map, m_size) : m_read; }

 private:
  const char* m_map = nullptr;
  size_t m_size = 0;
  std::string m_read;
};

}  // namespace core
