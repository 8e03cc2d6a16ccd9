#pragma once
// Settings-file keys bound to what a program's window shows or keeps: a panel field, a
// check box, a value of its drawing state. Each makes one entry of the program's table,
// reading with the bounds of SettingLimits.h and writing back what the window holds.

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <functional>

#include "platform/text/SettingLimits.h"
#include "platform/text/SettingsTable.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/Swatch.h"

namespace platform {

/// A text field. `fallback` gives the default when the key is missing (it may depend on
/// the window); `then` runs after the field took the text, as its own change would.
template <typename Owner>
Setting<Owner> TextSetting(SettingName name, const char* field,
                           std::function<QString(const Owner&)> fallback, qsizetype maxChars,
                           std::function<void(Owner&)> then = {}) {
  return Setting<Owner>(
      name,
      [field, fallback, maxChars, then](Owner& owner, const IniFile& ini, const QString& section,
                                        const QString& key, int) {
        ShowWholeText(owner.template findChild<QLineEdit*>(QString::fromLatin1(field)),
                      FirstChars(ini.ReadString(section, key, fallback(owner)), maxChars));
        if (then) then(owner);
      },
      [field](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        ini.WriteString(section, key,
                        owner.template findChild<QLineEdit*>(QString::fromLatin1(field))->text());
      });
}

/// A text field with a fixed default.
template <typename Owner>
Setting<Owner> TextSetting(SettingName name, const char* field, const char* fallback,
                           qsizetype maxChars, std::function<void(Owner&)> then = {}) {
  const QString text = QString::fromUtf8(fallback);
  return TextSetting<Owner>(
      name, field, [text](const Owner&) { return text; }, maxChars, std::move(then));
}

/// A check box, "1" or "0".
template <typename Owner>
Setting<Owner> CheckSetting(SettingName name, const char* box, bool fallback) {
  return Setting<Owner>(
      name,
      [box, fallback](Owner& owner, const IniFile& ini, const QString& section, const QString& key,
                      int) {
        owner.template findChild<QCheckBox*>(QString::fromLatin1(box))
            ->setChecked(ini.ReadBool(section, key, fallback));
      },
      [box](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        ini.WriteBool(section, key,
                      owner.template findChild<QCheckBox*>(QString::fromLatin1(box))->isChecked());
      });
}

/// Writes a key of an option added after the settings file's keys were fixed: left out
/// while it holds its default, so that a file written without the option stays as it
/// was; written whenever the file has the key already, so that an option switched back
/// off does not come back on from the old line.
inline void WriteOptionalInteger(IniFile& ini, const QString& section, const QString& key,
                                 int value, int fallback) {
  const QString absent = QStringLiteral("\x01");
  if (value == fallback && ini.ReadString(section, key, absent) == absent) return;
  ini.WriteInteger(section, key, value);
}

/// A check box for such an option: on only for "1"; any other value, a slip of the pen or
/// a later program's code, leaves it off.
template <typename Owner>
Setting<Owner> OptionSetting(SettingName name, const char* box) {
  return Setting<Owner>(
      name,
      [box](Owner& owner, const IniFile& ini, const QString& section, const QString& key, int) {
        owner.template findChild<QCheckBox*>(QString::fromLatin1(box))
            ->setChecked(ini.ReadInteger(section, key, 0) == 1);
      },
      [box](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        WriteOptionalInteger(
            ini, section, key,
            owner.template findChild<QCheckBox*>(QString::fromLatin1(box))->isChecked() ? 1 : 0, 0);
      });
}

/// An integer of the drawing state, read as the nearest value in [low, high].
template <typename Owner, typename State>
Setting<Owner> IntSetting(SettingName name, int State::*member, int fallback, int low, int high) {
  return Setting<Owner>(
      name,
      [member, fallback, low, high](Owner& owner, const IniFile& ini, const QString& section,
                                    const QString& key, int) {
        owner.State().*member = std::clamp(ini.ReadInteger(section, key, fallback), low, high);
      },
      [member](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        ini.WriteInteger(section, key, owner.State().*member);
      });
}

/// A colour of the drawing state, shown also as the text colour of `swatch` when named.
template <typename Owner, typename State>
Setting<Owner> ColorSetting(SettingName name, std::uint32_t State::*member, std::uint32_t fallback,
                            const char* swatch = nullptr) {
  return Setting<Owner>(
      name,
      [member, fallback, swatch](Owner& owner, const IniFile& ini, const QString& section,
                                 const QString& key, int) {
        const auto colour =
            static_cast<std::uint32_t>(ini.ReadInteger(section, key, static_cast<int>(fallback))) &
            kColorBits;
        owner.State().*member = colour;
        if (swatch)
          SetSwatchColor(owner.template findChild<QWidget*>(QString::fromLatin1(swatch)), colour);
      },
      [member](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        ini.WriteInteger(section, key, static_cast<int>(owner.State().*member));
      });
}

/// A colour kept only as the text colour of a swatch.
template <typename Owner>
Setting<Owner> SwatchSetting(SettingName name, const char* swatch, std::uint32_t fallback) {
  return Setting<Owner>(
      name,
      [swatch, fallback](Owner& owner, const IniFile& ini, const QString& section,
                         const QString& key, int) {
        SetSwatchColor(
            owner.template findChild<QWidget*>(QString::fromLatin1(swatch)),
            static_cast<std::uint32_t>(ini.ReadInteger(section, key, static_cast<int>(fallback))) &
                kColorBits);
      },
      [swatch](const Owner& owner, IniFile& ini, const QString& section, const QString& key, int) {
        ini.WriteInteger(section, key,
                         static_cast<int>(SwatchColor(
                             owner.template findChild<QWidget*>(QString::fromLatin1(swatch)))));
      });
}

/// The marker styles of numbered sections: shape, size, fill and rim colour of style n,
/// under the keys "Styl", "Size", "bcol", "pcol".
template <typename Owner, typename State, typename Styles>
std::vector<Setting<Owner>> MarkStyleSettings(const char* section, int count, Styles State::*member,
                                              std::function<int(int n)> defaultShape,
                                              int defaultSize,
                                              std::function<std::uint32_t(int n)> defaultFill,
                                              int maxSize) {
  auto style = [member](auto& owner, int n) -> auto& {
    return (owner.State().*member).at(static_cast<size_t>(n - 1));
  };
  std::vector<Setting<Owner>> keys;
  // A shape code that is none of the editor's draws no marker, whatever its value.
  keys.emplace_back(
      SettingName{section, "Styl", count},
      [style, defaultShape](Owner& o, const IniFile& ini, const QString& s, const QString& k,
                            int n) { style(o, n).shape = ini.ReadInteger(s, k, defaultShape(n)); },
      [style](const Owner& o, IniFile& ini, const QString& s, const QString& k, int n) {
        ini.WriteInteger(s, k, style(o, n).shape);
      });
  keys.emplace_back(
      SettingName{section, "Size", count},
      [style, defaultSize, maxSize](Owner& o, const IniFile& ini, const QString& s,
                                    const QString& k, int n) {
        style(o, n).size = std::clamp(ini.ReadInteger(s, k, defaultSize), 0, maxSize);
      },
      [style](const Owner& o, IniFile& ini, const QString& s, const QString& k, int n) {
        ini.WriteInteger(s, k, style(o, n).size);
      });
  keys.emplace_back(
      SettingName{section, "bcol", count},
      [style, defaultFill](Owner& o, const IniFile& ini, const QString& s, const QString& k,
                           int n) {
        style(o, n).fillColor =
            static_cast<std::uint32_t>(ini.ReadInteger(s, k, static_cast<int>(defaultFill(n)))) &
            kColorBits;
      },
      [style](const Owner& o, IniFile& ini, const QString& s, const QString& k, int n) {
        ini.WriteInteger(s, k, static_cast<int>(style(o, n).fillColor));
      });
  keys.emplace_back(
      SettingName{section, "pcol", count},
      [style](Owner& o, const IniFile& ini, const QString& s, const QString& k, int n) {
        style(o, n).rimColor = static_cast<std::uint32_t>(ini.ReadInteger(s, k, 0)) & kColorBits;
      },
      [style](const Owner& o, IniFile& ini, const QString& s, const QString& k, int n) {
        ini.WriteInteger(s, k, static_cast<int>(style(o, n).rimColor));
      });
  return keys;
}

}  // namespace platform
