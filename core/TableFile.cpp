#include "core/TableFile.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "core/Errors.h"

namespace core {

TableFile::TableFile(const std::string& path, std::FILE* standardInput) {
  std::FILE* file = standardInput;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(nullptr, std::fclose);
  if (path != "-") {
    owned.reset(std::fopen(path.c_str(), "rb"));
    if (!owned) throw IoError(IoMessage(errno), path);
    file = owned.get();
  }
  // A stream without a descriptor (a test's memory stream) is read like a pipe.
  const int fd = ::fileno(file);
  struct stat info {};
  if (fd >= 0 && ::fstat(fd, &info) != 0) throw IoError(IoMessage(errno), path);
  if (fd >= 0 && S_ISDIR(info.st_mode)) {
    throw IoError("フォルダは表として読めません", path);
  }
  if (fd >= 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    m_size = static_cast<size_t>(info.st_size);
    void* map = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) throw IoError(IoMessage(errno), path);
    m_map = static_cast<const char*>(map);
    return;
  }
  char buffer[1 << 16];
  for (;;) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file);
    if (n > 0) {
      if (m_read.size() + n > kMaxTableBytes) {
        throw IoError("表が大きすぎます（標準入力などファイルでない入力は " +
                          std::to_string(kMaxTableBytes >> 20) +
                          " MiB まで）。表をファイルに保存してから読ませてください",
                      path);
      }
      m_read.append(buffer, n);
    }
    if (n < sizeof buffer) {
      if (std::ferror(file)) throw IoError(IoMessage(errno), path);
      break;
    }
  }
}

TableFile::~TableFile() {
  if (m_map) ::munmap(const_cast<char*>(m_map), m_size);
}

}  // namespace core
