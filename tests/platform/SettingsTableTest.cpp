#include "platform/text/SettingsTable.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

// A program whose whole state is a list of what was read.
struct Program {
  std::string log;
};

Setting<Program> Logged(SettingName name) {
  return Setting<Program>(
      name,
      [](Program& p, const IniFile& ini, const QString& s, const QString& k, int) {
        p.log += (s + QLatin1Char('.') + k + QLatin1Char('=') + ini.ReadString(s, k, QString()) +
                  QLatin1Char(' '))
                     .toStdString();
      },
      [](const Program&, IniFile& ini, const QString& s, const QString& k, int n) {
        ini.WriteInteger(s, k, n);
      });
}

TEST(SettingsTable, NumberedSectionsGoRoundTheirKeysInFileOrder) {
  const SettingsTable<Program> table = {Logged({"Map", "A"}), Logged({"Mark", "Styl", 2}),
                                        Logged({"Mark", "Size", 2}), Logged({"Font", "B"})};
  IniFile ini;
  Program program;
  WriteSettings(table, program, ini);
  EXPECT_EQ(ini.ToBytes(),
            "[Map]\r\nA=0\r\n[Mark1]\r\nStyl=1\r\nSize=1\r\n[Mark2]\r\nStyl=2\r\nSize=2\r\n"
            "[Font]\r\nB=0\r\n");
  ReadSettings(table, program, ini);
  EXPECT_EQ(program.log, "Map.A=0 Mark1.Styl=1 Mark1.Size=1 Mark2.Styl=2 Mark2.Size=2 Font.B=0 ");

  const auto names = NamesOf(table);
  const struct {
    const char* section;
    const char* key;
    bool known;
  } cases[] = {{"map", "a", true},      {"Mark2", "SIZE", true},   {"Mark3", "Size", false},
               {"Mark", "Size", false}, {"Mark01", "Styl", false}, {"Map", "Styl", false},
               {"Font", "B", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsKnownSetting(names, QString::fromLatin1(c.section), QString::fromLatin1(c.key)),
              c.known)
        << c.section << '.' << c.key;
  }
}

}  // namespace
}  // namespace platform
