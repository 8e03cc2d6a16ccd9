#include "core/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <string_view>

#include "core/Errors.h"

namespace core {

LineReader LineReader::Open(const std::string& path) {
  LineReader reader;
  reader.m_name = path;
  reader.m_owned.reset(std::fopen(path.c_str(), "rb"));
  if (!reader.m_owned) throw IoError(IoMessage(errno), path);
  struct stat info {};
  if (fstat(fileno(reader.m_owned.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
    throw IoError(IoMessage(EISDIR), path);
  }
  reader.m_file = reader.m_owned.get();
  return reader;
}

LineReader LineReader::FromStream(std::FILE* stream, std::string name, size_t chunkBytes) {
  LineReader reader;
  reader.m_file = stream;
  reader.m_name = std::move(name);
  reader.m_chunk = chunkBytes > 0 ? chunkBytes : 1;
  return reader;
}

LineReader LineReader::FromText(std::string text) {
  LineReader reader;
  reader.m_buffer = std::move(text);
  reader.m_atEnd = true;
  return reader;
}

bool LineReader::Fill() {
  if (m_atEnd) return false;
  m_buffer.erase(0, m_pos);
  m_pos = 0;
  const size_t old = m_buffer.size();
  m_buffer.resize(old + m_chunk);
  const size_t got = std::fread(m_buffer.data() + old, 1, m_chunk, m_file);
  m_buffer.resize(old + got);
  if (got < m_chunk) {
    if (std::ferror(m_file)) throw IoError(IoMessage(errno), m_name);
    m_atEnd = true;
  }
  return got > 0;
}

// Spreadsheets and Windows editors start UTF-8 files with the mark; left in, it would
// make the first line a header with an invisible title.
// UTF-16 text read byte by byte would come out as garbage lines, so it is refused.
void LineReader::DropByteOrderMark() {
  m_started = true;
  while (m_buffer.size() - m_pos < kUtf8Bom.size() && Fill()) {
  }
  const std::string_view start = std::string_view(m_buffer).substr(m_pos);
  if (start.starts_with(kUtf8Bom)) {
    m_pos += kUtf8Bom.size();
    m_hadBom = true;
  }
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    throw IoError("UTF-16 のファイルは読めません。Shift-JIS か UTF-8 で保存し直してください",
                  m_name);
  }
}

void LineReader::TooLong() const {
  throw IoError(std::to_string(m_lineNumber + 1) + " 行目が長すぎます（一行は " +
                    std::to_string(kMaxLineBytes / 1024) + " KiB までです）",
                m_name);
}

bool LineReader::Next(std::string& line) {
  if (!m_started) DropByteOrderMark();
  size_t scanFrom = m_pos;
  for (;;) {
    const size_t end = m_buffer.find_first_of("\r\n", scanFrom);
    if (end != std::string::npos) {
      // A CR at the very end of the buffer may be the first half of CR LF.
      if (m_buffer[end] == '\r' && end + 1 == m_buffer.size() && !m_atEnd) {
        const size_t offset = end - m_pos;
        Fill();
        scanFrom = m_pos + offset;
        continue;  // the buffer grew or the file ended: look at the same CR again
      }
      if (end - m_pos > kMaxLineBytes) TooLong();
      line.assign(m_buffer, m_pos, end - m_pos);
      size_t next = end + 1;
      if (m_buffer[end] == '\r' && next < m_buffer.size() && m_buffer[next] == '\n') ++next;
      m_lineEnd = next - end == 2 ? "\r\n" : m_buffer[end] == '\r' ? "\r" : "\n";
      m_pos = next;
      ++m_lineNumber;
      return true;
    }
    if (m_atEnd) {
      if (m_pos >= m_buffer.size()) return false;
      if (m_buffer.size() - m_pos > kMaxLineBytes) TooLong();
      line.assign(m_buffer, m_pos, std::string::npos);
      m_lineEnd = "";
      m_pos = m_buffer.size();
      ++m_lineNumber;
      return true;
    }
    const size_t scanned = m_buffer.size() - m_pos;
    // Stop before an endless line (a device, a broken file) eats the memory.
    if (scanned > kMaxLineBytes) TooLong();
    Fill();
    scanFrom = m_pos + scanned;
  }
}

}  // namespace core
