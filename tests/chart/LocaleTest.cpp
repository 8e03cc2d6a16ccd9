// Tarvo under a comma-decimal locale, as the toolkit sets it on a German or French desktop:
// the data editor imports a table, and every export writes its figure, exactly as under the
// C locale.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "chart/Export.h"
#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

using testsupport::Q;

// What the editor holds and the charts show after a table was read into it.
struct Imported {
  std::vector<std::string> lines;
  std::vector<std::vector<double>> points;  // x then y of each category series, chart by chart
  QString told;
};

Imported ImportThroughTheEditor(const char* prefix, const std::string& table) {
  IslandWindow w(
      prefix,
      {{"EditGX1", "134.00"}, {"EditGX2", "138.00"}, {"EditGY1", "33.00"}, {"EditGY2", "37.00"}});
  w.form->findChild<QRadioButton*>(QStringLiteral("GScale0"))->setChecked(true);
  w.form->BtnNewMapClick();
  testsupport::WriteBytes(w.root / "t.csv", table);
  w.dialogs->AcceptOpen(Q(w.root / "t.csv"));
  w.dialogs->AnswerYesNo(true);
  w.form->ReadGrdFile(false);
  Imported got;
  got.lines = w.form->Editor()->Lines();
  for (const SeriesTables* t : {&w.form->SeriesH(), &w.form->SeriesW(), &w.form->SeriesS()}) {
    for (const platform::PointSeries* series : t->categories) {
      got.points.push_back(series->x);
      got.points.push_back(series->y);
    }
  }
  for (const auto& call : w.dialogs->Calls()) {
    if (call.kind == platform::DialogKind::Message) got.told = call.message;
  }
  return got;
}

TEST(ChartLocale, TheEditorImportsATableAsUnderTheCLocale) {
  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();
  const std::string table =
      "scientificName,decimalLatitude,decimalLongitude,elevation\r\n"
      "Fagus crenata,35.612345,136.5,1234.5\r\n"
      "Fagus crenata,\"34°15.5′N\",\"135°45′30″E\",2000 ft\r\n"
      "Fagus crenata,35.25,1x6.5,\r\n";
  comma.UseC();
  const Imported plain = ImportThroughTheEditor("chart-locale-c-", table);
  comma.UseComma();
  const Imported local = ImportThroughTheEditor("chart-locale-comma-", table);
  // Once read as 35 and 136 with no word, and written back with commas.
  EXPECT_EQ(local.lines, (std::vector<std::string>{"Fagus crenata", "35.612345,136.5,1234.5",
                                                   "34.258333,135.758333,609.6"}))
      << comma.Name();
  EXPECT_EQ(local.lines, plain.lines);
  EXPECT_EQ(local.points, plain.points);
  EXPECT_EQ(local.told, plain.told);
  EXPECT_NE(local.told.indexOf(QStringLiteral("4: 書かない: 経度 「1x6.5」 は読めません")), -1)
      << local.told.toStdString();
}

// A PDF names its making time and a random document identifier; everything else is the
// figure.
std::string WithoutPdfStamps(const std::string& pdf) {
  static const std::regex stamps(
      R"(/CreationDate \(D:[^)]*\)|/ModDate \(D:[^)]*\)|/ID \[<[0-9A-Fa-f]*> <[0-9A-Fa-f]*>\]|)"
      R"(<xmp:CreateDate>[^<]*</xmp:CreateDate>|<xmp:ModifyDate>[^<]*</xmp:ModifyDate>|)"
      R"(<xmp:MetadataDate>[^<]*</xmp:MetadataDate>|uuid:[0-9a-fA-F-]+|)"
      R"(<xmpMM:DocumentID>[^<]*</xmpMM:DocumentID>|<xmpMM:InstanceID>[^<]*</xmpMM:InstanceID>)");
  return std::regex_replace(pdf, stamps, "");
}

TEST(ChartLocale, EveryExportFormatWritesTheSameFigureUnderACommaLocale) {
  const testsupport::CommaLocale comma;
  if (!comma.Ok()) GTEST_SKIP() << comma.Why();
  const auto root = testsupport::FreshTestFolder("chart_locale_export_");
  testsupport::WriteBytes(root / "island.mdt", testsupport::kIslandMap);
  testsupport::WriteBytes(root / "a.grd",
                          "Fagus crenata\r\n35.612345,136.5,1234.5\r\n34.25,135.75\r\n"
                          "Pinus\r\n35.1,136.1,450.5\r\n");
  const QString data = Q(root / "a.grd");
  // Real numbers in the settings as well as in the data: the range, the profiles' top.
  auto run = [&](const QString& out) {
    std::ostringstream said, err;
    const int code = RunExport(
        {QStringLiteral("--set"), QStringLiteral("DataFile.MapFile=") + Q(root / "island.mdt"),
         QStringLiteral("--set"), QStringLiteral("Map.GX1=134.30"), QStringLiteral("--set"),
         QStringLiteral("Map.GX2=137.45"), QStringLiteral("--set"), QStringLiteral("Map.GY1=33.30"),
         QStringLiteral("--set"), QStringLiteral("Map.GY2=36.15"), QStringLiteral("--export"), out,
         data},
        Q(root / "bin" / "Tarvo"), said, err);
    EXPECT_EQ(code, 0) << err.str();
    return said.str();
  };
  for (const char* suffix : {"emf", "svg", "pdf", "png"}) {
    const std::string c = std::string("c.") + suffix;
    const std::string local = std::string("comma.") + suffix;
    comma.UseC();
    const std::string saidC = run(Q(root / c));
    comma.UseComma();
    const std::string saidComma = run(Q(root / local));
    EXPECT_EQ(saidComma.substr(saidComma.find(" records=")), saidC.substr(saidC.find(" records=")))
        << suffix;
    EXPECT_NE(saidC.find("records=3 categories=2"), std::string::npos) << saidC;
    std::string bytesC = testsupport::ReadBytes(root / c);
    std::string bytesComma = testsupport::ReadBytes(root / local);
    ASSERT_FALSE(bytesC.empty()) << suffix;
    if (std::string_view(suffix) == "pdf") {
      bytesC = WithoutPdfStamps(bytesC);
      bytesComma = WithoutPdfStamps(bytesComma);
    }
    EXPECT_TRUE(bytesComma == bytesC) << suffix << " differs under " << comma.Name();
  }
}

}  // namespace
}  // namespace chart
