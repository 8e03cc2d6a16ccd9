// The tools write the same bytes under a comma-decimal locale as under the C locale: the
// data files, the row reports and the checker's rows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/CommaLocale.h"
#include "tests/support/ToolRuns.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(TARVO_TEST_DATA) + "/";

using testsupport::Check;
using testsupport::Import;
using testsupport::ToolRun;

TEST(ToolsInEveryLocale, ImportAndCheckWriteTheSameBytesUnderACommaLocale) {
  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();
  const fs::path dir = fs::path(testing::TempDir()) / "tools-locale";
  fs::create_directories(dir);

  const std::vector<std::vector<std::string>> imports = {
      {kData + "import/gbif-simple.csv"},
      {kData + "import/occurrence.txt", "--category", "basisOfRecord"},
      {kData + "import/herbarium-sjis.csv", "--group", "和名"},
      {kData + "import/elevations.txt", "--program", "chart"},
      {kData + "import/edges.csv"},
      {kData + "import/mesh-bom.csv"},
  };
  for (const auto& args : imports) {
    comma.UseC();
    const ToolRun plain = Import(args);
    comma.UseComma();
    const ToolRun local = Import(args);
    EXPECT_EQ(local.status, plain.status) << args[0];
    EXPECT_EQ(local.out, plain.out) << args[0] << " under " << comma.Name();
    EXPECT_EQ(local.err, plain.err) << args[0] << " under " << comma.Name();
    EXPECT_NE(plain.out.find("."), std::string::npos) << args[0];

    // The checker reads the written file alike, and writes its rows alike.
    const fs::path grd = dir / "written.grd";
    std::ofstream(grd, std::ios::binary) << plain.out;
    for (const char* precision : {"0", "1", "10"}) {
      const std::vector<std::string> checkArgs = {"--precision", precision, "--keep-going",
                                                  grd.string()};
      comma.UseC();
      const ToolRun plainCheck = Check(checkArgs);
      comma.UseComma();
      const ToolRun localCheck = Check(checkArgs);
      EXPECT_EQ(localCheck.out, plainCheck.out) << args[0] << " at " << precision;
    }
  }

  // The checker's own sample, notes with altitudes in metres included.
  const std::string notes =
      "Abies\r\n35.6789,139.7654,4250.5\r\n35.6789,139.7654,-12.5\r\n5.53750131E8\r\n";
  const fs::path grd = dir / "notes.grd";
  std::ofstream(grd, std::ios::binary) << notes;
  comma.UseC();
  const ToolRun plainCheck = Check({"--precision", "0", grd.string()});
  comma.UseComma();
  const ToolRun localCheck = Check({"--precision", "0", grd.string()});
  EXPECT_EQ(localCheck.out, plainCheck.out);
  EXPECT_NE(plainCheck.out.find("標高 4250.5 m"), std::string::npos) << plainCheck.out;
  EXPECT_NE(plainCheck.out.find("35.678900000\t139.765400000\t-12.500000000"), std::string::npos)
      << plainCheck.out;
}

}  // namespace
