#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include "platform/ui/ProgramFiles.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

QString Canonical(const fs::path& path) {
  return QFileInfo(Q(path)).canonicalFilePath();
}

// An installed copy as `cmake --install` or the package lays it out, under a prefix of its
// own: the program finds its data and manual from its own folder, whatever the prefix.
TEST(FindBundled, AnInstalledProgramFindsItsDataAndManualUnderItsPrefix) {
  const fs::path prefix = testsupport::FreshTestFolder("installed_") / "usr";
  const fs::path program = prefix / "bin" / "Tarvo";
  testsupport::WriteBytes(program, "");
  testsupport::WriteBytes(prefix / "share/tarvo/data/map.mdt", "*H-MAP\r\n");
  testsupport::WriteBytes(prefix / "share/tarvo/data/presets/a4.ini", "[Map]\r\n");
  testsupport::WriteBytes(prefix / "share/doc/tarvo/index.html", "<html></html>");
  // The manual's old place beside the data is not where an installed copy keeps it.
  testsupport::WriteBytes(prefix / "share/tarvo/docs/only-here.html", "<html></html>");

  EXPECT_EQ(FindBundled(Q(program), "data", "map.mdt"),
            Canonical(prefix / "share/tarvo/data/map.mdt"));
  EXPECT_EQ(FindBundled(Q(program), "data", "presets/a4.ini"),
            Canonical(prefix / "share/tarvo/data/presets/a4.ini"));
  EXPECT_EQ(FindBundled(Q(program), "docs", "index.html"),
            Canonical(prefix / "share/doc/tarvo/index.html"));
  EXPECT_EQ(FindBundled(Q(program), "docs", "only-here.html"), QString());
  EXPECT_EQ(FindBundled(Q(program), "data", "nowhere.grd"), QString());

  // A bare data name that is not in the current folder is the installed file.
  EXPECT_EQ(ResolveDataFile(Q(program), "map.mdt"), Canonical(prefix / "share/tarvo/data/map.mdt"));

  // A copy beside the program wins over the installed one.
  testsupport::WriteBytes(prefix / "bin/data/map.mdt", "*H-MAP\r\n");
  EXPECT_EQ(FindBundled(Q(program), "data", "map.mdt"), Canonical(prefix / "bin/data/map.mdt"));

  // Its settings stay with the user even when its folder could be written (run as root);
  // the same folder without the installed data is a program's own, writable folder.
  QStandardPaths::setTestModeEnabled(true);
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  EXPECT_EQ(ResolveSettingsFile(Q(program), "Tarvo.ini"), config + "/Tarvo.ini");
  fs::remove_all(prefix / "share");
  EXPECT_EQ(ResolveSettingsFile(Q(program), "Tarvo.ini"), Q(prefix / "bin/Tarvo.ini"));
  QStandardPaths::setTestModeEnabled(false);
  fs::remove_all(prefix.parent_path());
}

TEST(FindBundled, AProgramInTheBuildTreeFindsTheSourceTreesFiles) {
  const QString program = testsupport::ProgramDir() + QStringLiteral("/Tarvo_L");
  EXPECT_EQ(FindBundled(program, "data", "ZoSample.grd"),
            QFileInfo(QStringLiteral(TARVO_SOURCE_DIR "/data/ZoSample.grd")).canonicalFilePath());
  EXPECT_EQ(FindBundled(program, "docs", "index.html"),
            QFileInfo(QStringLiteral(TARVO_SOURCE_DIR "/docs/index.html")).canonicalFilePath());
}

TEST(FileToOpenFromArguments, TakesTheFirstFileThatIsNotTheSettingsFile) {
  using Kind = FileToOpen::Kind;
  const struct {
    QStringList arguments;
    Kind kind;
    QString path;
  } cases[] = {
      {{}, Kind::None, {}},
      {{"Tarvo.ini"}, Kind::None, {}},
      {{"", "x.INI"}, Kind::None, {}},
      {{"/d/a.grd"}, Kind::Data, "/d/a.grd"},
      {{"/d/s.ini", "/d/Japan.MDT"}, Kind::Map, "/d/Japan.MDT"},
      {{"/d/records.txt", "/d/b.grd"}, Kind::Data, "/d/records.txt"},
      {{"rel.grd"}, Kind::Data, QDir::current().absoluteFilePath("rel.grd")},
  };
  for (const auto& c : cases) {
    const FileToOpen file = FileToOpenFromArguments(c.arguments);
    EXPECT_EQ(file.kind, c.kind) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(file.path, c.path) << c.arguments.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace platform
