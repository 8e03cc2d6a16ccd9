#pragma once
// The settings presets shipped beside the sample data, and the keys each one sets.

#include <QString>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline std::filesystem::path PresetPath(const char* name) {
  return std::filesystem::path(TARVO_SOURCE_DIR) / "data" / "presets" / name;
}

/// Section and key of every setting line, in file order. A line that is neither a
/// section, a comment nor "key=value" comes back whole as a key, so that it shows up.
inline std::vector<std::pair<QString, QString>> IniKeys(const std::filesystem::path& path) {
  std::vector<std::pair<QString, QString>> keys;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  QString section;
  while (std::getline(in, line)) {
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.isEmpty() || text.startsWith(u';')) continue;
    if (text.startsWith(u'[') && text.endsWith(u']')) {
      section = text.mid(1, text.size() - 2);
      continue;
    }
    const auto eq = text.indexOf(u'=');
    keys.emplace_back(section, eq < 0 ? text : text.left(eq));
  }
  return keys;
}

}  // namespace testsupport
