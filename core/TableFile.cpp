#include "core/TableFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/Errors.h"

namespace core {

std::optional<FileId> IdOfFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

TableFile::TableFile(const std::string& path, std::FILE* standardInput)
    : m_file(standardInput), m_path(path) {
  if (path != "-") {
    m_owned.reset(std::fopen(path.c_str(), "rbe"));
    if (!m_owned) throw IoError(IoMessage(errno), path);
    m_file = m_owned.get();
  }
  // A stream without a descriptor (a test's memory stream) is read like a pipe.
  const int fd = ::fileno(m_file);
  struct stat info {};
  if (fd >= 0 && ::fstat(fd, &info) != 0) throw IoError(IoMessage(errno), path);
  if (fd >= 0 && S_ISDIR(info.st_mode)) {
    throw IoError("フォルダは表として読めません", path);
  }
  if (fd >= 0 && S_ISREG(info.st_mode)) {
    m_id = FileId{info.st_dev, info.st_ino};
    // Standard input may have been read in part before the program started.
    const long at = std::ftell(m_file);
    if (at >= 0 && static_cast<uint64_t>(at) <= static_cast<uint64_t>(info.st_size)) {
      m_expected = static_cast<uint64_t>(info.st_size) - static_cast<uint64_t>(at);
    }
  }
}

TableFile::~TableFile() = default;

size_t TableFile::Read(char* buffer, size_t size) {
  if (m_atEnd || size == 0) return 0;
  const size_t got = std::fread(buffer, 1, size, m_file);
  m_read += got;
  if (!m_id && m_read > kMaxStreamedTableBytes) {
    throw IoError("表が大きすぎます（標準入力などファイルでない入力は " +
                      std::to_string(kMaxStreamedTableBytes >> 20) +
                      " MiB まで）。表をファイルに保存してから読ませてください",
                  m_path);
  }
  if (got < size) {
    if (std::ferror(m_file)) throw IoError(IoMessage(errno), m_path);
    m_atEnd = true;
    if (m_expected && m_read < *m_expected) {
      throw IoError("表を読んでいる間にファイルが短くなりました（" + std::to_string(*m_expected) +
                        " バイトのうち " + std::to_string(m_read) +
                        " バイトまでしか読めません）。表を書き終えてから読ませてください",
                    m_path);
    }
  }
  return got;
}

}  // namespace core
