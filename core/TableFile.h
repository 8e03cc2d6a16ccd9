#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "core/Table.h"

namespace core {

/// Which file a path or an open stream is: its device and inode.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

/// The file `path` names, its links followed; nullopt when there is none.
std::optional<FileId> IdOfFile(const std::string& path);

/// The most read from a pipe or device, in bytes: the import keeps what it read about every
/// row until the end, so an endless input (yes(1), a device) must end somewhere.
inline constexpr uint64_t kMaxStreamedTableBytes = uint64_t{64} << 20;

/// A table's bytes, read in pieces as they are needed, so that a download of gigabytes
/// costs neither memory nor time before its first line is judged. The command line and the
/// data editor read tables alike through it.
class TableFile : public ByteSource {
 public:
  /// Opens `path`, or reads `standardInput` when the path is "-". Raises IoError with the
  /// message for the user when it cannot be read (a folder is refused).
  TableFile(const std::string& path, std::FILE* standardInput);
  ~TableFile() override;
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  /// Raises IoError when reading fails, when a regular file ends before the size it had
  /// when it was opened (it was cut short while being read), and when a pipe or device
  /// gives more than kMaxStreamedTableBytes.
  size_t Read(char* buffer, size_t size) override;

  /// The regular file read (also through standard input), which the import must never
  /// write over; nullopt for a pipe or a device.
  const std::optional<FileId>& Id() const { return m_id; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> m_owned;
  std::FILE* m_file = nullptr;
  std::string m_path;
  std::optional<FileId> m_id;
  std::optional<uint64_t> m_expected;  // bytes a regular file held from where reading began
  uint64_t m_read = 0;
  bool m_atEnd = false;
};

}  // namespace core
