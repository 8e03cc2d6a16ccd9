#include "core/RecordSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/Errors.h"
#include "core/MeshCode.h"
#include "core/SaveFile.h"

namespace core {

SpooledRecordStore::SpooledRecordStore(const std::string& folder) : m_folder(folder) {
  m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (m_fd < 0) {
    // A file system without unnamed files: a named one, removed at once.
    std::string name = folder + "/.tarvo-import.XXXXXX";
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) throw IoError(IoMessage(errno), folder);
    ::unlink(name.c_str());
  }
}

SpooledRecordStore::~SpooledRecordStore() {
  if (m_fd >= 0) ::close(m_fd);
}

void SpooledRecordStore::Spill(List& list) {
  if (list.held.empty()) return;
  // Written at the end of the file with an explicit offset, so that reading never moves it.
  std::string_view rest = list.held;
  std::uint64_t at = m_end;
  while (!rest.empty()) {
    const ssize_t n = ::pwrite(m_fd, rest.data(), rest.size(), static_cast<off_t>(at));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw IoError("記録を一時ファイルに書けません（" + IoMessage(errno) + "）", m_folder);
    }
    rest.remove_prefix(static_cast<size_t>(n));
    at += static_cast<std::uint64_t>(n);
  }
  list.blocks.push_back({m_end, static_cast<std::uint32_t>(list.held.size())});
  m_end = at;
  m_held -= list.held.size();
  // Its room is given back too: thousands of lists each keeping what it once held would
  // add up to far more than kHeldBytes.
  std::string().swap(list.held);
}

void SpooledRecordStore::Append(size_t list, std::string_view line, double) {
  if (list >= m_lists.size()) m_lists.resize(list + 1);
  List& target = m_lists[list];
  target.held.append(line);
  target.held += '\n';
  m_held += line.size() + 1;
  if (target.held.size() >= kListBytes) Spill(target);
  if (m_held > kHeldBytes) {
    for (List& each : m_lists)
      Spill(each);
  }
}

void SpooledRecordStore::Read(size_t list,
                              const std::function<void(std::string_view, double)>& each) {
  if (list >= m_lists.size()) return;
  const List& source = m_lists[list];
  auto lines = [&](std::string_view text) {
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find('\n', start);
      each(text.substr(start, end - start), kNoAltitude);
      start = end + 1;
    }
  };
  std::string block;
  for (const Block& b : source.blocks) {
    block.resize(b.size);
    size_t got = 0;
    while (got < b.size) {
      const ssize_t n =
          ::pread(m_fd, block.data() + got, b.size - got, static_cast<off_t>(b.offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        throw IoError("記録の一時ファイルが読めません（" +
                          (n < 0 ? IoMessage(errno) : std::string("ファイルが短くなりました")) +
                          "）",
                      m_folder);
      }
      got += static_cast<size_t>(n);
    }
    lines(block);
  }
  lines(source.held);
}

}  // namespace core
