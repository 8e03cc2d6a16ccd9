#include "platform/text/SettingsTable.h"

namespace platform {

bool IsKnownSetting(const std::vector<const SettingName*>& names, const QString& section,
                    const QString& key) {
  for (const SettingName* s : names) {
    if (key.compare(QString::fromLatin1(s->key), Qt::CaseInsensitive) != 0) continue;
    const QString name = QString::fromLatin1(s->section);
    if (s->numbered == 0) {
      if (section.compare(name, Qt::CaseInsensitive) == 0) return true;
      continue;
    }
    if (section.size() <= name.size() ||
        section.left(name.size()).compare(name, Qt::CaseInsensitive) != 0) {
      continue;
    }
    bool ok = false;
    const QString digits = section.mid(name.size());
    const int n = digits.toInt(&ok);
    if (ok && n >= 1 && n <= s->numbered && digits == QString::number(n)) return true;
  }
  return false;
}

}  // namespace platform
