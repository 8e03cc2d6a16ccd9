// Tarvo_L draws what the table import writes for it, at every plotting precision, and draws
// it alike whatever the C library's locale.
#include <gtest/gtest.h>

#include <QStringList>
#include <sstream>
#include <string>

#include "conic/Export.h"
#include "core/TableImport.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::Q;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class ImportedDataTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_imported_");
    testsupport::WriteBytes(m_root / "island.mdt", testsupport::kIslandMap);
  }
  Outcome Export(QStringList args) const {
    // After the settings file, which must come first.
    const qsizetype at = !args.isEmpty() && args.front().endsWith(QLatin1String(".ini")) ? 1 : 0;
    args.insert(at, QStringLiteral("DataFile.MapFile=") + Q(m_root / "island.mdt"));
    args.insert(at, QStringLiteral("--set"));
    std::ostringstream out, err;
    const int code = RunExport(args, Q(m_root / "bin" / "Tarvo_L"), out, err);
    return {code, out.str(), err.str()};
  }

  std::filesystem::path m_root;
};

TEST_F(ImportedDataTest, EveryRecordTheImportWritesIsDrawnAtEveryPrecision) {
  // The rows on the map's north and east edges, the cell beyond them and the point six
  // decimals would round onto both edges, with records well inside.
  const std::string table =
      testsupport::ReadBytes(std::string(TARVO_TEST_DATA) + "/import/edges.csv");
  const core::ImportResult result = core::ImportTable(table, {});
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.recordsWritten, 5);
  testsupport::WriteBytes(m_root / "edges.grd", core::EncodeImportedFile(result.files.front()));
  // The secondary-mesh code (684877) is too coarse for the standard, double and five-fold
  // mesh: its grain, which the import counts in a warning, not the map's edge.
  const struct {
    const char* precision;
    const char* records;
  } cases[] = {{"0", "records=5"},
               {"1", "records=4"},
               {"2", "records=4"},
               {"5", "records=4"},
               {"10", "records=5"}};
  for (const auto& c : cases) {
    const Outcome o =
        Export({QStringLiteral("--set"),
                QStringLiteral("Map.GridSize=") + QString::fromLatin1(c.precision),
                QStringLiteral("--export"), Q(m_root / "edges.png"), Q(m_root / "edges.grd")});
    // The coarse code is told at the precisions that leave it out, as any record not drawn.
    const bool all = std::string(c.records) == "records=5";
    EXPECT_EQ(o.code, all ? 0 : 1) << o.err;
    EXPECT_EQ(o.err.find("1 件の記録を描いていません（最初は 5 行目: メッシュコードの桁数が") !=
                  std::string::npos,
              !all)
        << o.err;
    EXPECT_NE(o.out.find(std::string(" ") + c.records + " categories=1"), std::string::npos)
        << "precision " << c.precision << ": " << o.out;
  }
  // The first tells that the table has no elevation column.
  ASSERT_EQ(result.warnings.size(), 2u);
  EXPECT_NE(result.warnings[1].find("プロット精度 1 で 1 件、精度 2 で 1 件、精度 5 で 1 件"),
            std::string::npos)
      << result.warnings[1];
}

TEST_F(ImportedDataTest, ThePngIsTheSameUnderACommaLocale) {
  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();
  testsupport::WriteBytes(m_root / "a.grd",
                          "Fagus crenata\r\n35.612345,136.5,1234.5\r\n34.25,135.75\r\n"
                          "Pinus\r\n35.1,136.1,450.5\r\n53360500.12\r\n");
  // Real numbers in the settings as well as in the data: the legend's and title's scale.
  auto run = [&](const char* name) {
    const Outcome o =
        Export({Q(std::filesystem::path(TARVO_SOURCE_DIR) / "data/presets/Tarvo_L-screen.ini"),
                QStringLiteral("--set"), QStringLiteral("Font.ScaleFactorLegend=1.5"),
                QStringLiteral("--set"), QStringLiteral("Font.ScaleFactorHeader=0.75"),
                QStringLiteral("--set"), QStringLiteral("Map.GridSize=0"),
                QStringLiteral("--export"), Q(m_root / name), Q(m_root / "a.grd")});
    EXPECT_EQ(o.code, 0) << o.err;
    const size_t said = o.out.find(" records=");
    return said == std::string::npos ? o.out : o.out.substr(said);
  };
  comma.UseC();
  const std::string saidC = run("c.png");
  comma.UseComma();
  const std::string saidComma = run("comma.png");
  EXPECT_EQ(saidComma, saidC);
  EXPECT_EQ(saidC.substr(0, 31), " records=4 categories=2 width=8");
  const std::string png = testsupport::ReadBytes(m_root / "c.png");
  ASSERT_FALSE(png.empty());
  EXPECT_TRUE(testsupport::ReadBytes(m_root / "comma.png") == png)
      << "the figure differs under " << comma.Name();
}

}  // namespace
}  // namespace conic
