#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "conic/Export.h"
#include "conic/TForm1.h"
#include "platform/text/FileName.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::Q;
using testsupport::ReadBytes;

namespace fs = std::filesystem;
using platform::ScriptedDialogs;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

// The program lives in "bin", which holds no settings file and must not get one.
class ExportTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_export_");
    fs::create_directories(m_root / "out");
    Write("island.mdt", testsupport::kIslandMap);
    Write("a.grd", "Fagus\r\n35.0,136.0,1200\r\n53394611\r\nPinus\r\n34.5,135.5\r\n");
    Write("b.grd", "Quercus\r\n35.5,136.5,800\r\n");
    Write("bad.grd", "Abies\r\n53394611\r\n35.1x,139.1\r\n");
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(m_root / "bin")) << "a settings file was written";
    fs::remove_all(m_root);
  }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(m_root / name, std::ios::binary) << bytes;
  }
  QString P(const char* name) const { return Q(m_root / name); }
  QString IslandMap() const { return QStringLiteral("DataFile.MapFile=") + P("island.mdt"); }
  Outcome Run(const QStringList& args) const {
    std::ostringstream out, err;
    const int code = RunExport(args, Q(m_root / "bin" / "Tarvo_L"), out, err);
    return {code, out.str(), err.str()};
  }

  fs::path m_root;
};

TEST_F(ExportTest, ExportWritesTheBytesTheWindowSaves) {
  const fs::path exported = m_root / "out" / "exported.png";
  const Outcome r = Run({QStringLiteral("--export"), Q(exported)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, exported.string() + " records=19 categories=3 width=800 height=1131\n");
  EXPECT_EQ(r.err, "");

  auto dialogs = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs& scripted = *dialogs;
  TForm1 form(QStringList{}, std::move(dialogs), Q(m_root / "bin" / "Tarvo_L"));
  form.SetFixedWindowWidth(800);
  form.DrawMap(true);
  const fs::path saved = m_root / "out" / "saved.png";
  scripted.AcceptSave(Q(saved));
  form.SaveToPNGItemClick();
  ASSERT_EQ(scripted.Calls().size(), 1u);
  const std::string bytes = ReadBytes(saved);
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(ReadBytes(exported) == bytes);
}

TEST_F(ExportTest, SettingsFileAndSetOverridesDecideTheFigure) {
  Write("s.ini",
        "[Map]\r\nSheetSize=1\r\n[DataFile]\r\nGrdFile=" + (m_root / "a.grd").string() + "\r\n");
  const std::string settings = ReadBytes(m_root / "s.ini");
  const QString png = P("out/f.png");
  const struct {
    QStringList sets;
    const char* line;
  } cases[] = {
      {{}, " records=3 categories=2 width=1240 height=1754\n"},
      // Section and key in any letter case; the last word on a key wins.
      {{QStringLiteral("map.SHEETSIZE=3"), QStringLiteral("Map.SheetSize=2")},
       " records=3 categories=2 width=1750 height=2475\n"},
      {{QStringLiteral("datafile.grdfile=") + P("b.grd"), QStringLiteral("pmark1.SIZE=6")},
       " records=1 categories=1 width=1240 height=1754\n"},
  };
  for (const auto& c : cases) {
    QStringList args = {P("s.ini"), QStringLiteral("--set"), IslandMap()};
    for (const QString& set : c.sets)
      args << QStringLiteral("--set") << set;
    args << QStringLiteral("--export") << png;
    const Outcome r = Run(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, png.toStdString() + c.line);
  }
  EXPECT_EQ(ReadBytes(m_root / "s.ini"), settings);
}

TEST_F(ExportTest, ExportDirPlotsEveryFileOverOneBaseMap) {
  const QString set = IslandMap();
  const Outcome r = Run({QStringLiteral("--set"), set, QStringLiteral("--export-dir"), P("out"),
                         P("a.grd"), P("bad.grd"), P("b.grd")});
  EXPECT_EQ(r.code, 1);
  const std::string dir = (m_root / "out").string();
  EXPECT_EQ(r.out, dir + "/a.png records=3 categories=2 width=800 height=1131\n" + dir +
                       "/b.png records=1 categories=1 width=800 height=1131\n");
  std::istringstream lines(r.err);
  std::vector<std::string> err;
  for (std::string line; std::getline(lines, line);)
    err.push_back(line);
  ASSERT_EQ(err.size(), 5u) << r.err;
  EXPECT_EQ(err[0], "[1/3] " + (m_root / "a.grd").string() + " -> " + dir + "/a.png");
  EXPECT_EQ(err[1], "[2/3] " + (m_root / "bad.grd").string() + " -> " + dir + "/bad.png");
  EXPECT_NE(err[2].find("bad.grd"), std::string::npos) << err[2];
  EXPECT_NE(err[2].find("'35.1x' は浮動小数点数ではありません"), std::string::npos) << err[2];
  EXPECT_NE(err[2].find("3 行目"), std::string::npos) << err[2];
  // The records the error kept from the figure are counted, with the checker's command.
  EXPECT_NE(err[3].find("1 件の記録を描いていません（最初は 3 行目: '35.1x' は"), std::string::npos)
      << err[3];
  EXPECT_NE(
      err[3].find("tarvo-check --program conic --precision 10 " + (m_root / "bad.grd").string()),
      std::string::npos)
      << err[3];
  EXPECT_EQ(err[4], "[3/3] " + (m_root / "b.grd").string() + " -> " + dir + "/b.png");
  EXPECT_FALSE(fs::exists(m_root / "out" / "bad.png"));

  // Each figure is the one --export draws of its file alone.
  for (const char* name : {"a", "b"}) {
    const QString single = P("single.png");
    const Outcome one = Run({QStringLiteral("--set"), set, QStringLiteral("--export"), single,
                             P((std::string(name) + ".grd").c_str())});
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_TRUE(ReadBytes(m_root / "single.png") ==
                ReadBytes(m_root / "out" / (std::string(name) + ".png")))
        << name;
  }
}

// In a batch titled from the data, a file without a header has the settings' title, not the
// taxon of the file before it.
TEST_F(ExportTest, TitleFromDataGivesAFileWithoutAHeaderTheSettingsTitle) {
  Write("none.grd", "35.5,136.5,800\r\n");
  const QString set = IslandMap();
  const Outcome batch =
      Run({QStringLiteral("--set"), set, QStringLiteral("--title-from-data"),
           QStringLiteral("--export-dir"), P("titled"), P("b.grd"), P("none.grd")});
  ASSERT_TRUE(fs::exists(m_root / "titled" / "none.png")) << batch.err;
  // Its records stand before any header: drawn in no category, and told.
  EXPECT_EQ(batch.code, 1) << batch.err;
  for (const char* name : {"b", "none"}) {
    const Outcome plain = Run({QStringLiteral("--set"), set, QStringLiteral("--export"),
                               P("plain.png"), P((std::string(name) + ".grd").c_str())});
    ASSERT_TRUE(fs::exists(m_root / "plain.png")) << plain.err;
    const bool same = ReadBytes(m_root / "plain.png") ==
                      ReadBytes(m_root / "titled" / (std::string(name) + ".png"));
    // Quercus titles its own figure; the other is the figure without the option.
    EXPECT_EQ(same, std::string(name) == "none") << name;
  }
}

TEST_F(ExportTest, FailuresExitOneWithTheWindowsMessage) {
  const QString png = P("out/f.png");
  const struct {
    QStringList args;
    std::vector<std::string> said;
  } cases[] = {
      {{QStringLiteral("--set"), QStringLiteral("DataFile.MapFile=") + P("none.mdt"),
        QStringLiteral("--export"), png, P("a.grd")},
       {(m_root / "none.mdt").string(), "ファイルが見つかりません"}},
      {{QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"), png, P("gone.grd")},
       {(m_root / "gone.grd").string(), "ファイルが見つかりません"}},
      {{QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"), png, P("bad.grd")},
       {"bad.grd", "'35.1x' は浮動小数点数ではありません", "3 行目"}},
      {{QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"), P("no/such/f.png"),
        P("a.grd")},
       {(m_root / "no" / "such" / "f.png").string()}},
      {{QStringLiteral("--set"), IslandMap(), QStringLiteral("--export-dir"), P("b.grd"),
        P("a.grd")},
       {(m_root / "b.grd").string(), "フォルダではありません"}},
  };
  for (const auto& c : cases) {
    const Outcome r = Run(c.args);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out, "");
    for (const std::string& words : c.said)
      EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_root / "out" / "f.png"));
  }
}

// A batch of maps most often goes into a folder of its own that does not exist yet.
TEST_F(ExportTest, ExportDirMakesItsFolder) {
  const Outcome r = Run({QStringLiteral("--set"), IslandMap(), QStringLiteral("--export-dir"),
                         P("maps/2026"), P("b.grd")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_regular_file(m_root / "maps" / "2026" / "b.png"));
}

// Files as users' spreadsheets and editors write them, and what the export says of them.
TEST_F(ExportTest, UsersFilesAreDrawnAsMeantAndWhatIsNotDrawnIsTold) {
  std::string six;
  for (int i = 1; i <= 6; ++i)
    six += "Category " + std::to_string(i) + "\r\n35.0,136.0\r\n";
  Write("six.grd", six);
  // A byte-order mark before the first header; coordinates far off, swapped and typoed.
  Write("bom.grd",
        "\xEF\xBB\xBF"
        "ブナ\r\n35.0,136.0\r\n53.5,139.7\r\n139.7,35.6\r\n34.5,135.5\r\n");
  Write("m2.mdt", "*H-MAP\r\n139,37\r\n30.1,5x\r\n");
  Write("nosection.mdt", "; a map file that lost its sections\r\n139,37\r\n140,38\r\n");
  Write("mine.ini", "\xEF\xBB\xBF[Map]\r\nSheetSize=1\r\n");
  const QString png = P("out/f.png");
  const struct {
    const char* what;
    QStringList args;
    int code;
    std::string out;                // after the output's path
    std::vector<std::string> said;  // on standard error
    bool written;
  } cases[] = {
      {"a sixth header: five categories drawn, the sixth named, exit 1",
       {QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"), png, P("six.grd")},
       1,
       " records=5 categories=5 width=800 height=1131\n",
       {"警告: 11 行目の見出し「Category 6」は描けません", "（six.grd）"},
       true},
      {"a byte-order mark and coordinates outside the map: drawn, told, exit 1",
       {QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"), png, P("bom.grd")},
       1,
       " records=2 categories=1 width=800 height=1131\n",
       {"警告: " + (m_root / "bom.grd").string() +
        ": 2 件の記録を描いていません（最初は 3 行目: 地図の範囲外です）。一覧は "
        "tarvo-check --program conic --precision 10 " +
        (m_root / "bom.grd").string() + " で見られます\n"},
       true},
      {"an error in the map file names the map file",
       {QStringLiteral("--set"), QStringLiteral("DataFile.MapFile=") + P("m2.mdt"),
        QStringLiteral("--export"), png, P("a.grd")},
       1,
       "",
       {"Tarvo_L: " + (m_root / "m2.mdt").string() + ": '5x' は浮動小数点数ではありません"},
       false},
      {"a map file without the sections the figure needs: drawn, told, exit 1",
       {QStringLiteral("--set"), QStringLiteral("DataFile.MapFile=") + P("nosection.mdt"),
        QStringLiteral("--export"), png, P("a.grd")},
       1,
       " records=3 categories=2 width=800 height=1131\n",
       {"警告: 地形図ファイルに *H-MAP、*WE-PROF、*SN-PROF の区画がない", "（nosection.mdt）"},
       true},
      {"a settings file named without a folder is the one in the current folder",
       {QStringLiteral("mine.ini"), QStringLiteral("--set"), IslandMap(),
        QStringLiteral("--export"), png, P("a.grd")},
       0,
       " records=3 categories=2 width=1240 height=1754\n",
       {},
       true},
      {"a settings file named that does not exist",
       {QStringLiteral("gone.ini"), QStringLiteral("--set"), IslandMap(),
        QStringLiteral("--export"), png, P("a.grd")},
       1,
       "",
       {(m_root / "gone.ini").string() + ": ファイルが見つかりません"},
       false},
  };
  const QString previous = QDir::currentPath();
  QDir::setCurrent(Q(m_root));
  for (const auto& c : cases) {
    fs::remove(m_root / "out" / "f.png");
    const Outcome r = Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.what << '\n' << r.err;
    EXPECT_EQ(r.out, c.written ? png.toStdString() + c.out : "") << c.what;
    for (const std::string& words : c.said)
      EXPECT_NE(r.err.find(words), std::string::npos) << c.what << '\n' << r.err;
    if (c.said.empty()) {
      EXPECT_EQ(r.err, "") << c.what;
    }
    EXPECT_EQ(fs::exists(m_root / "out" / "f.png"), c.written) << c.what;
  }
  QDir::setCurrent(previous);
}

TEST_F(ExportTest, AFigureNeverReplacesAnInputOrAnotherFigure) {
  // An old figure named as data, the settings file or the map given as output, and two
  // data files that would make the same figure: refused before anything is drawn.
  fs::create_directories(m_root / "x");
  Write("x/a.grd", "Quercus\r\n35.5,136.5,800\r\n");
  Write("old.png", "an old figure");
  Write("s.ini", "[Map]\r\nSheetSize=1\r\n");
  fs::create_symlink(m_root / "a.grd", m_root / "alias.png");
  const std::string island = ReadBytes(m_root / "island.mdt");
  const QString map = IslandMap();
  const struct {
    QStringList args;
    std::string named;
  } cases[] = {
      {{QStringLiteral("--set"), map, QStringLiteral("--export"), P("alias.png"), P("a.grd")},
       "alias.png"},
      {{P("s.ini"), QStringLiteral("--set"), map, QStringLiteral("--export"), P("old.png"),
        P("old.png")},
       "old.png"},
      {{QStringLiteral("--set"), map, QStringLiteral("--export-dir"), P("out"), P("a.grd"),
        P("x/a.grd")},
       "x/a.grd"},
      {{QStringLiteral("--set"), map, QStringLiteral("--export-dir"), P("."), P("b.grd"),
        P("b.png")},
       "b.png"},
  };
  for (const auto& c : cases) {
    const Outcome r = Run(c.args);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadBytes(m_root / "a.grd"),
            "Fagus\r\n35.0,136.0,1200\r\n53394611\r\nPinus\r\n34.5,135.5\r\n");
  EXPECT_EQ(ReadBytes(m_root / "old.png"), "an old figure");
  EXPECT_TRUE(fs::is_empty(m_root / "out"));
  EXPECT_FALSE(fs::exists(m_root / "b.png"));

  // A device is written as it is, whatever its name: standard output takes the PNG.
  const Outcome null = Run({QStringLiteral("--set"), map, QStringLiteral("--export"),
                            QStringLiteral("/dev/null"), P("a.grd")});
  EXPECT_EQ(null.code, 0) << null.err;
  EXPECT_EQ(null.out, "");  // the report goes to standard error, not into the figure's stream
  EXPECT_NE(null.err.find("/dev/null records=3"), std::string::npos) << null.err;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  // A full disk under the figure (a link to the full device): the system's reason.
  fs::create_symlink("/dev/full", m_root / "full.png");
  const Outcome full =
      Run({QStringLiteral("--set"), map, QStringLiteral("--export"), P("full.png"), P("a.grd")});
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.err.find("ディスクに空きがありません"), std::string::npos) << full.err;
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ExportTest, NamesThatAreNotUtf8AreOpenedAndWrittenByteForByte) {
  // "ブナ" in Shift-JIS, as an old Windows disk names its files.
  const std::string sjis = "\x83\x75\x83\x69";
  Write((sjis + ".grd").c_str(), "Fagus\r\n35.0,136.0\r\n");
  const std::string png = (m_root / "out" / (sjis + ".png")).string();
  const Outcome r = Run({QStringLiteral("--set"), IslandMap(), QStringLiteral("--export"),
                         platform::FileNameFromBytes(png),
                         platform::FileNameFromBytes((m_root / (sjis + ".grd")).string())});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, png + " records=1 categories=1 width=800 height=1131\n");
  EXPECT_TRUE(fs::exists(png));
}

TEST_F(ExportTest, UsageErrorsExitTwoAndDrawNothing) {
  const QString png = P("out/f.png");
  const auto set = [&](const char* value) {
    return QStringList{QStringLiteral("--set"), QString::fromUtf8(value),
                       QStringLiteral("--export"), png};
  };
  const QStringList cases[] = {
      set("Map.Nothing=1"),
      set("Nowhere.Title=x"),
      set("PMark.Styl=3"),  // the marker sections are numbered
      set("PMark6.Size=4"),
      set("PMark0.Size=4"),
      set("Title=x"),
      set("Map.=1"),
      set("Map.SheetSize"),
      {QStringLiteral("--export"), png, QStringLiteral("--set")},
      {QStringLiteral("--export")},
      {QStringLiteral("--export"), png, P("a.grd"), P("b.grd")},
      {QStringLiteral("--export-dir"), P("out")},
      {QStringLiteral("--export"), png, QStringLiteral("--export-dir"), P("out"), P("a.grd")},
      {QStringLiteral("--export"), png, QStringLiteral("--export"), P("out/g.png")},
      {QStringLiteral("--export"), png, QStringLiteral("--verbose")},
      {QStringLiteral("--set"), QStringLiteral("Map.SheetSize=1")},
      // The output must be a PNG by name: an empty name or swapped arguments write nothing.
      {QStringLiteral("--export"), QString()},
      {QStringLiteral("--export"), P("a.grd"), png},
      {QStringLiteral("--export"), P("out/f.PNG.txt")},
      {QStringLiteral("--export-dir"), QString(), P("a.grd")},
  };
  for (const QStringList& args : cases) {
    const Outcome r = Run(args);
    EXPECT_EQ(r.code, 2) << args.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("使い方"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::is_empty(m_root / "out"));
}

}  // namespace
}  // namespace conic
