#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/text/IniFile.h"

namespace platform {

/// Where one key of a program's settings file stands. A numbered section stands for
/// `section`1 to `section``numbered`.
struct SettingName {
  const char* section;
  const char* key;
  int numbered = 0;
};

/// One key of a program's settings file: where it stands, and how `Owner` (the program's
/// window) reads it from a profile and writes it back. Reading and writing get the
/// section's number (0 for a plain section).
template <typename Owner>
struct Setting : SettingName {
  using Read = std::function<void(Owner&, const IniFile&, const QString& section,
                                  const QString& key, int n)>;
  using Write = std::function<void(const Owner&, IniFile&, const QString& section,
                                   const QString& key, int n)>;
  Setting(SettingName name, Read r, Write w)
      : SettingName(name), read(std::move(r)), write(std::move(w)) {}
  Read read;
  Write write;
};

/// A program's whole settings file, in the order it is read and written. The keys of a
/// numbered section follow one another; they are read and written section by section
/// (all keys of section 1, then of section 2, …).
template <typename Owner>
using SettingsTable = std::vector<Setting<Owner>>;

/// Calls `each(index, section, key, n)` for every key of the table in file order.
template <typename Each>
void ForEachSettingKey(const std::vector<const SettingName*>& names, Each each) {
  for (size_t i = 0; i < names.size();) {
    size_t end = i + 1;
    while (end < names.size() && names[i]->numbered > 0 &&
           QLatin1String(names[end]->section) == QLatin1String(names[i]->section)) {
      ++end;
    }
    const int sections = names[i]->numbered;
    for (int n = sections > 0 ? 1 : 0; n <= sections; ++n) {
      const QString section =
          QString::fromLatin1(names[i]->section) + (sections > 0 ? QString::number(n) : QString());
      for (size_t k = i; k < end; ++k)
        each(k, section, QString::fromLatin1(names[k]->key), n);
    }
    i = end;
  }
}

template <typename Owner>
std::vector<const SettingName*> NamesOf(const SettingsTable<Owner>& table) {
  std::vector<const SettingName*> names;
  for (const Setting<Owner>& s : table)
    names.push_back(&s);
  return names;
}

/// Reads every key of the table from the profile into `owner`, in order.
template <typename Owner>
void ReadSettings(const SettingsTable<Owner>& table, Owner& owner, const IniFile& ini) {
  ForEachSettingKey(NamesOf(table), [&](size_t i, const QString& section, const QString& key,
                                        int n) { table[i].read(owner, ini, section, key, n); });
}

/// Writes every key of the table from `owner` into the profile, in order.
template <typename Owner>
void WriteSettings(const SettingsTable<Owner>& table, const Owner& owner, IniFile& ini) {
  ForEachSettingKey(NamesOf(table), [&](size_t i, const QString& section, const QString& key,
                                        int n) { table[i].write(owner, ini, section, key, n); });
}

/// What the table's keys hold now, as a settings file of them alone would hold it: equal
/// snapshots mean nothing a write would store has changed.
template <typename Owner>
std::string SettingsSnapshot(const SettingsTable<Owner>& table, const Owner& owner) {
  IniFile ini;
  WriteSettings(table, owner, ini);
  return ini.ToBytes();
}

/// Writes the table into the settings file at `path`: keys and sections the file has
/// besides the table's stay as they are. Raises core::IoError as IniFile::Save does.
template <typename Owner>
void WriteSettingsFile(const SettingsTable<Owner>& table, const Owner& owner, const QString& path) {
  IniFile ini = IniFile::Load(path);
  WriteSettings(table, owner, ini);
  ini.Save(path);
}

/// True when one of the names is that key, letter case aside (a bare numbered section
/// has none, nor has "Mark01": the program asks for "Mark1").
bool IsKnownSetting(const std::vector<const SettingName*>& names, const QString& section,
                    const QString& key);

}  // namespace platform
