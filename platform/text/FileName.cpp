#include "platform/text/FileName.h"

#include <sys/stat.h>

#include "core/TextCodec.h"

namespace platform {

namespace {
constexpr char16_t kEscapeBase = 0xDC00;
}

QString FileNameFromBytes(std::string_view bytes) {
  QString name;
  size_t i = 0;
  while (i < bytes.size()) {
    // The shortest well-formed prefix is one whole character, as its lead byte says.
    size_t length = 0;
    for (size_t n = 1; n <= 4 && i + n <= bytes.size(); ++n) {
      if (core::IsWellFormedUtf8(bytes.substr(i, n))) {
        length = n;
        break;
      }
    }
    if (length == 0) {
      name += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      name += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
      i += length;
    }
  }
  return name;
}

std::string FileNameBytes(const QString& name) {
  std::string bytes;
  qsizetype start = 0;
  auto flush = [&](qsizetype end) {
    if (end > start) bytes += name.sliced(start, end - start).toStdString();
  };
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i].unicode();
    const bool escaped = unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF &&
                         (i == 0 || !name[i - 1].isHighSurrogate());
    if (!escaped) continue;
    flush(i);
    bytes += static_cast<char>(unit - kEscapeBase);
    start = i + 1;
  }
  flush(name.size());
  return bytes;
}

bool FileExists(const QString& name) {
  struct stat info {};
  return !name.isEmpty() && ::stat(FileNameBytes(name).c_str(), &info) == 0;
}

}  // namespace platform
