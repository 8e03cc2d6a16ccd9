#include "platform/text/IniFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Errors.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  QFile file(QString::fromStdString(path.string()));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  return file.readAll().toStdString();
}

void Spit(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path TempPath(const char* name) {
  const fs::path dir = fs::path(testing::TempDir()) / "ini-test";
  fs::create_directories(dir);
  return dir / name;
}

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

constexpr std::string_view kValues =
    "; written by hand\r\n"
    "[Map]\r\n"
    "Hex=0x1F\r\n"
    "HexUpper=0X1f\r\n"
    "Dollar=$FF\r\n"
    "AllBits=$FFFFFFFF\r\n"
    "NegativeHex=-0x10\r\n"
    "TooWideHex=0x100000000\r\n"
    "BareDollar=$\r\n"
    "  Spaced  =  42  \r\n"
    "Negative=-7\r\n"
    "Max=2147483647\r\n"
    "Min=-2147483648\r\n"
    "Overflow=2147483648\r\n"
    "Trailing=12a\r\n"
    "Empty=\r\n"
    "Two=2\r\n"
    "Zero=0\r\n"
    "Letter=x\r\n"
    "Real=1.2\r\n"
    "Exponent=-2.5e3\r\n"
    "Comma=1,5\r\n"
    "Word=abc\r\n"
    "Blanks= \t a b \t\r\n"
    "Ideographic=\xE3\x80\x80x\xE3\x80\x80\r\n";

TEST(IniFileRead, IntegersAndTheirDefaults) {
  const IniFile ini = IniFile::FromBytes(kValues);
  struct Case {
    const char* section;
    const char* key;
    int expected;
  };
  constexpr int kDefault = -99;
  const Case cases[] = {
      {"Map", "Hex", 31},
      {"Map", "HexUpper", 31},
      {"Map", "Dollar", 255},
      {"Map", "AllBits", -1},
      {"Map", "NegativeHex", -16},
      {"Map", "TooWideHex", kDefault},
      {"Map", "BareDollar", kDefault},
      {"Map", "Spaced", 42},
      {"Map", "Negative", -7},
      {"Map", "Max", std::numeric_limits<int>::max()},
      {"Map", "Min", std::numeric_limits<int>::min()},
      {"Map", "Overflow", kDefault},
      {"Map", "Trailing", kDefault},
      {"Map", "Empty", kDefault},
      {"Map", "Real", kDefault},
      {"Map", "Missing", kDefault},
      {"Nowhere", "Hex", kDefault},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadInteger(c.section, c.key, kDefault), c.expected) << c.section << '/' << c.key;
  }
}

TEST(IniFileRead, BooleansAndRealsFallBackWhenNotNumbers) {
  const IniFile ini = IniFile::FromBytes(kValues);
  struct BoolCase {
    const char* key;
    bool defaultValue;
    bool expected;
  };
  const BoolCase bools[] = {
      {"Two", false, true},    {"Zero", true, false},     {"Dollar", false, true},
      {"Letter", true, true},  {"Letter", false, false},  {"Empty", true, true},
      {"Missing", true, true}, {"Missing", false, false},
  };
  for (const BoolCase& c : bools) {
    EXPECT_EQ(ini.ReadBool("Map", c.key, c.defaultValue), c.expected) << c.key;
  }
  struct RealCase {
    const char* key;
    double expected;
  };
  const RealCase reals[] = {
      {"Real", 1.2},   {"Exponent", -2500.0}, {"Spaced", 42.0},  {"Word", -1.0},
      {"Comma", -1.0}, {"Empty", -1.0},       {"Missing", -1.0},
  };
  for (const RealCase& c : reals) {
    EXPECT_EQ(ini.ReadFloat("Map", c.key, -1.0), c.expected) << c.key;
  }
}

TEST(IniFileRead, StringsTrimOnlySpacesAndTabs) {
  const IniFile ini = IniFile::FromBytes(kValues);
  EXPECT_EQ(ini.ReadString("Map", "Blanks", "-"), "a b");
  EXPECT_EQ(ini.ReadString("Map", "Empty", "-"), "");
  EXPECT_EQ(ini.ReadString("Map", "Ideographic", "-"), Q("\u3000x\u3000"));
  EXPECT_EQ(ini.ReadString("Map", "Missing", "-"), "-");
}

TEST(IniFileRead, NamesMatchIgnoringAsciiCaseAndTheFirstMatchWins) {
  const IniFile ini = IniFile::FromBytes(
      "Orphan=top\n"
      "[Font]\n"
      "Name=first\n"
      "NAME=second\n"
      "[ font ]\n"
      "Size=12\n"
      "[\xEF\xBC\xA1]\n"  // full-width A
      "k=wide\n");
  EXPECT_EQ(ini.ReadString("FONT", "name", "-"), "first");
  // Only the first section of a name is looked in.
  EXPECT_EQ(ini.ReadInteger("Font", "Size", 0), 0);
  // A key above every section belongs to none.
  EXPECT_EQ(ini.ReadString("", "Orphan", "-"), "-");
  EXPECT_EQ(ini.ReadString(Q("\uFF21"), "k", "-"), "wide");
  EXPECT_EQ(ini.ReadString(Q("\uFF41"), "k", "-"), "-");
}

TEST(IniFileRead, AByteOrderMarkInsideTheFileIsKeptAsData) {
  // Only the mark that starts the file is no part of it; one that starts a later line is
  // data, and a write elsewhere must give that line back unchanged.
  IniFile ini = IniFile::FromBytes("[Map]\r\n\xEF\xBB\xBFKey=1\r\nOther=2\r\n");
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Map"), QStringLiteral("Other"), 0), 2);
  ini.WriteInteger(QStringLiteral("Map"), QStringLiteral("Other"), 3);
  EXPECT_EQ(ini.ToBytes(), "[Map]\r\n\xEF\xBB\xBFKey=1\r\nOther=3\r\n");
}

TEST(IniFileRead, AMarkAsDataOnTheFirstLineKeepsTheFilesMarkInFront) {
  // The reader drops the first mark only; the second is the key's and must stay its.
  const std::string bytes = "\xEF\xBB\xBF\xEF\xBB\xBFKey=1\r\n[Map]\r\nK=2\r\n";
  const IniFile ini = IniFile::FromBytes(bytes);
  EXPECT_EQ(ini.ToBytes(), bytes);
  EXPECT_EQ(IniFile::FromBytes(ini.ToBytes()).ToBytes(), bytes);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Map"), QStringLiteral("K"), 0), 2);
}

TEST(IniFileLoad, MissingFileIsEmptyAndFolderRaises) {
  const fs::path missing = TempPath("never-written.ini");
  fs::remove(missing);
  const IniFile ini = IniFile::Load(QString::fromStdString(missing.string()));
  EXPECT_EQ(ini.ReadInteger("Map", "Hex", 7), 7);
  EXPECT_EQ(ini.ToBytes(), "");
  const QString missingFolder = QString::fromStdString((missing / "child.ini").string());
  EXPECT_EQ(IniFile::Load(missingFolder).ReadString("a", "b", "d"), "d");
  EXPECT_THROW(IniFile::Load(QString::fromStdString(missing.parent_path().string())),
               core::IoError);
}

// A file of exactly `bytes` bytes whose one key sits on its first lines, padded with
// comment lines well under the line cap.
std::string SettingsOfSize(size_t bytes) {
  std::string text = "[A]\r\nk=v\r\n";
  while (text.size() < bytes) {
    const size_t line = std::min<size_t>(bytes - text.size(), 40000);
    text += line < 3 ? std::string(line, '\n') : ";" + std::string(line - 3, 'x') + "\r\n";
  }
  return text;
}

TEST(IniFileLoad, AFileOverTheCapIsRefusedByName) {
  const struct {
    size_t bytes;
    bool refused;
  } cases[] = {
      {IniFile::kMaxFileBytes, false},
      {IniFile::kMaxFileBytes + 1, true},
  };
  const fs::path path = TempPath("sized.ini");
  for (const auto& c : cases) {
    Spit(path, SettingsOfSize(c.bytes));
    ASSERT_EQ(fs::file_size(path), c.bytes);
    const QString name = QString::fromStdString(path.string());
    if (!c.refused) {
      EXPECT_EQ(IniFile::Load(name).ReadString("A", "k", "-"), "v") << c.bytes;
      continue;
    }
    try {
      IniFile::Load(name);
      ADD_FAILURE() << c.bytes << " bytes were read";
    } catch (const core::IoError& error) {
      EXPECT_EQ(error.what(), std::string("設定ファイルが大きすぎます（1 MiB まで）"));
      EXPECT_EQ(error.Path(), path.string());
    }
  }
}

TEST(IniFileLoad, AnEndlessPipeIsRefusedOnceItPassesTheCap) {
  const fs::path fifo = TempPath("endless.ini");
  fs::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Short lines pass the line cap: only the count of bytes can stop them. The writer stops
  // at four times the cap, or as soon as the reader has gone.
  std::thread writer([&fifo] {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    const std::string chunk = [] {
      std::string lines = "[A]\n";
      while (lines.size() < 65536)
        lines += "k=v\n";
      return lines;
    }();
    for (size_t sent = 0; sent < 4 * IniFile::kMaxFileBytes; sent += chunk.size()) {
      if (write(fd, chunk.data(), chunk.size()) < 0) break;
    }
    close(fd);
  });
  EXPECT_THROW(IniFile::Load(QString::fromStdString(fifo.string())), core::IoError);
  writer.join();
  fs::remove(fifo);
}

TEST(IniFileWrite, ChangesOnlyTheLineItMust) {
  struct Case {
    const char* name;
    std::string_view before;
    std::function<void(IniFile&)> write;
    std::string_view after;
  };
  const Case cases[] = {
      {"replace keeps spelling, comments and order",
       "; c\r\n[Map]\r\n  KeyName = old ; not a comment\r\nOther=1\r\n[Map2]\r\nkeyname=b\r\n",
       [](IniFile& ini) { ini.WriteString("map", "KEYNAME", "new"); },
       "; c\r\n[Map]\r\nKeyName=new\r\nOther=1\r\n[Map2]\r\nkeyname=b\r\n"},
      {"replace the first of two", "[A]\r\nk=1\r\nk=2\r\n",
       [](IniFile& ini) { ini.WriteInteger("A", "k", 3); }, "[A]\r\nk=3\r\nk=2\r\n"},
      {"append after the last key, before what leads into the next section",
       "[A]\r\nx=1\r\n; about x\r\n\r\n; about B\r\n[B]\r\ny=2\r\n",
       [](IniFile& ini) { ini.WriteBool("A", "flag", true); },
       "[A]\r\nx=1\r\nflag=1\r\n; about x\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"},
      {"append to a section without keys", "[A]\r\n\r\n[B]\r\n",
       [](IniFile& ini) { ini.WriteBool("a", "flag", false); }, "[A]\r\nflag=0\r\n\r\n[B]\r\n"},
      {"append to the last section", "[A]\r\nx=1\r\n\r\n",
       [](IniFile& ini) { ini.WriteString("A", "y", "2"); }, "[A]\r\nx=1\r\ny=2\r\n\r\n"},
      {"new section at the end", "junk line\r\n[A]\r\nx=1",
       [](IniFile& ini) { ini.WriteInteger("New", "n", -5); },
       "junk line\r\n[A]\r\nx=1\r\n[New]\r\nn=-5\r\n"},
      {"new section in an empty file", "", [](IniFile& ini) { ini.WriteString("S", "k", "v"); },
       "[S]\r\nk=v\r\n"},
      {"a key above every section is not the section's", "k=top\r\n[A]\r\n",
       [](IniFile& ini) { ini.WriteString("A", "k", "v"); }, "k=top\r\n[A]\r\nk=v\r\n"},
      {"bare LF and CR become CR LF", "[A]\nx=1\ry=2\n",
       [](IniFile& ini) { ini.WriteString("A", "x", "3"); }, "[A]\r\nx=3\r\ny=2\r\n"},
      {"line breaks in a value cannot split the line", "[A]\r\n",
       [](IniFile& ini) { ini.WriteString("A", "t", "one\r\ntwo\nthree"); },
       "[A]\r\nt=one  two three\r\n"},
  };
  for (const Case& c : cases) {
    IniFile ini = IniFile::FromBytes(c.before);
    c.write(ini);
    EXPECT_EQ(ini.ToBytes(), c.after) << c.name;
  }
}

TEST(IniFileWrite, RealsAreShortestAndReadBackExactly) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {1.2, "1.2"},
      {1.0, "1"},
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {0.0, "0"},
      {1e21, "1e+21"},
      {1.0 / 3.0, nullptr},
      {2.0 / 3.0 * 1e-7, nullptr},
      {135.75, nullptr},
      {std::numeric_limits<double>::max(), nullptr},
      {std::numeric_limits<double>::denorm_min(), nullptr},
  };
  IniFile ini;
  for (const Case& c : cases) {
    ini.WriteFloat("R", "v", c.value);
    const IniFile reread = IniFile::FromBytes(ini.ToBytes());
    if (c.text) {
      EXPECT_EQ(reread.ReadString("R", "v", ""), c.text);
    }
    EXPECT_EQ(reread.ReadFloat("R", "v", -1.0), c.value)
        << reread.ReadString("R", "v", "").toStdString();
  }
  ini.WriteInteger("R", "i", std::numeric_limits<int>::min());
  EXPECT_EQ(IniFile::FromBytes(ini.ToBytes()).ReadInteger("R", "i", 0),
            std::numeric_limits<int>::min());
}

TEST(IniFileText, ShiftJisFromWindowsRoundTrips) {
  // [ゾーン] 表示=三面分布図: the trail bytes of ゾ and 表 are "]" and "\".
  const std::string windows =
      "[\x83\x5D\x81\x5B\x83\x93]\r\n"
      "\x95\x5C\x8E\xA6=\x8E\x4F\x96\xCA\x95\xAA\x95\x7A\x90\x7D\r\n";
  IniFile ini = IniFile::FromBytes(windows);
  EXPECT_EQ(ini.ReadString(Q("ゾーン"), Q("表示"), ""), Q("三面分布図"));
  EXPECT_EQ(ini.ToBytes(), windows);

  ini.WriteString(Q("ゾーン"), "Font", Q("ＭＳ Ｐ明朝"));
  const fs::path path = TempPath("sjis.ini");
  ini.Save(QString::fromStdString(path.string()));
  EXPECT_EQ(Slurp(path), windows + "Font=\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9\r\n");
  EXPECT_EQ(
      IniFile::Load(QString::fromStdString(path.string())).ReadString(Q("ゾーン"), "font", ""),
      Q("ＭＳ Ｐ明朝"));
}

TEST(IniFileText, Utf8FilesAreRead) {
  for (const std::string_view bom : {"", "\xEF\xBB\xBF"}) {
    const IniFile ini = IniFile::FromBytes(std::string(bom) + "[図]\nタイトル=三面分布図\n");
    EXPECT_EQ(ini.ReadString(Q("図"), Q("タイトル"), ""), Q("三面分布図")) << bom.size();
  }
}

TEST(IniFileText, CharacterShiftJisLacksSurvivesSaveAndLoad) {
  IniFile ini;
  ini.WriteString("Title", "Text", Q("三面分布図"));
  ini.WriteString("Title", "Mark", Q("🌲"));
  const fs::path path = TempPath("utf8.ini");
  ini.Save(QString::fromStdString(path.string()));
  EXPECT_EQ(Slurp(path), "[Title]\r\nText=三面分布図\r\nMark=\xF0\x9F\x8C\xB2\r\n");
  const IniFile reread = IniFile::Load(QString::fromStdString(path.string()));
  EXPECT_EQ(reread.ReadString("Title", "Text", ""), Q("三面分布図"));
  EXPECT_EQ(reread.ReadString("Title", "Mark", ""), Q("🌲"));
}

TEST(IniFileSave, FailureRaisesAndKeepsTheOldFile) {
  const fs::path path = TempPath("kept.ini");
  Spit(path, "[A]\r\nx=1\r\n");
  IniFile ini = IniFile::Load(QString::fromStdString(path.string()));
  ini.WriteInteger("A", "x", 2);
  for (const fs::path& bad :
       {path / "child.ini", path.parent_path() / "no-such-folder" / "a.ini", path.parent_path()}) {
    EXPECT_THROW(ini.Save(QString::fromStdString(bad.string())), core::IoError) << bad;
  }
  EXPECT_EQ(Slurp(path), "[A]\r\nx=1\r\n");
  EXPECT_TRUE(fs::is_directory(path.parent_path()));
}

}  // namespace
}  // namespace platform
