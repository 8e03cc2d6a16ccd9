#include "chart/Export.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QStringList>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>

#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

// The program lives in "bin", which holds no settings file and must not get one.
class ChartExportTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("chart_export_");
    testsupport::WriteBytes(m_root / "island.mdt", testsupport::kIslandMap);
    testsupport::WriteBytes(m_root / "a.grd", "Fagus\r\n35.0,136.0,1200\r\n");
    testsupport::WriteBytes(m_root / "s.ini",
                            "[DataFile]\r\nTitle=Test\r\n[Map]\r\nMeshSize=1\r\n");
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(m_root / "bin")) << "a settings file was written";
  }
  QString P(const char* name) const { return Q(m_root / name); }
  // The range of Kyushu, 129–133° E, 31–34° N.
  static QStringList Kyushu() {
    QStringList args;
    for (const char* set : {"Map.GX1=129.00", "Map.GX2=133.00", "Map.GY1=31.00", "Map.GY2=34.00"})
      args << QStringLiteral("--set") << QString::fromLatin1(set);
    return args;
  }
  Outcome Run(QStringList args) const {
    std::ostringstream out, err;
    // After the settings file, which must come first; before the case's own settings.
    const bool settings = !args.isEmpty() && args.front().endsWith(QLatin1String(".ini"));
    args.insert(settings ? 1 : 0, QStringLiteral("DataFile.MapFile=") + P("island.mdt"));
    args.insert(settings ? 1 : 0, QStringLiteral("--set"));
    const int code = RunExport(args, Q(m_root / "bin" / "Tarvo"), out, err);
    return {code, out.str(), err.str()};
  }

  fs::path m_root;
};

TEST_F(ChartExportTest, WritesTheFigureOfEachChartSetAtItsSize) {
  const struct {
    const char* set;
    const char* size;
  } cases[] = {
      {"Draw.ProfileMap=1", "width=1526 height=1628"},  // three-view of 30-46 N, 128-146 E
      {"Draw.ProfileMap=0", "width=1600 height=1736"},  // the map alone
  };
  for (const auto& c : cases) {
    const QString png = P("out.png");
    const Outcome o =
        Run({QStringLiteral("--set"), QString::fromLatin1(c.set), QStringLiteral("--export"), png});
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, png.toStdString() + " records=19 categories=3 " + c.size + " outside=0\n");
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QStringLiteral("width=%1 height=%2").arg(image.width()).arg(image.height()),
              QString::fromLatin1(c.size));
  }
}

TEST_F(ChartExportTest, WritesEachFormatAndAFigurePerDataFile) {
  testsupport::WriteBytes(m_root / "b.grd", "Carex\r\n35.5,136.5,100\r\n36.0,136.0\r\n");
  using namespace std::string_view_literals;
  const std::pair<const char*, std::string_view> formats[] = {
      {"out.emf", "\x01\0\0\0"sv}, {"out.svg", "<?xml"sv}, {"out.pdf", "%PDF"sv}};
  for (const auto& [name, start] : formats) {
    const Outcome o = Run({QStringLiteral("--export"), P(name), P("a.grd")});
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(testsupport::ReadBytes(m_root / name).substr(0, start.size()), start) << name;
  }
  // The folder does not exist yet: it is made.
  const Outcome o = Run({QStringLiteral("--set"), QStringLiteral("Draw.ProfileMap=0"),
                         QStringLiteral("--export-dir"), P("dir"), QStringLiteral("--format"),
                         QStringLiteral("svg"), P("a.grd"), P("b.grd")});
  EXPECT_EQ(o.code, 0) << o.err;
  // Each figure holds its own file alone, named after it with the chart set.
  EXPECT_NE(o.out.find("dir/a-H.svg records=1 categories=1"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("dir/b-H.svg records=2 categories=1"), std::string::npos) << o.out;
  EXPECT_TRUE(fs::exists(m_root / "dir" / "b-H.svg"));
}

// The figure's fonts are Windows faces; the SVG must also name the faces that set its text
// here and a generic family, or readers elsewhere substitute at will.
TEST_F(ChartExportTest, SvgTextNamesTheFacesItWasSetIn) {
  const Outcome o = Run({QStringLiteral("--export"), P("fonts.svg"), P("a.grd")});
  ASSERT_EQ(o.code, 0) << o.err;
  const QString svg = QString::fromStdString(testsupport::ReadBytes(m_root / "fonts.svg"));
  std::map<QString, int> families;
  const QRegularExpression text(QStringLiteral("<text [^>]*font-family=\"([^\"]*)\""));
  for (auto it = text.globalMatch(svg); it.hasNext();)
    ++families[it.next().captured(1).replace(QStringLiteral("&apos;"), QStringLiteral("'"))];
  const std::map<QString, int> expected{
      {QStringLiteral("'ＭＳ ゴシック', IPAGothic, sans-serif"), 0},
      {QStringLiteral("'ＭＳ Ｐ明朝', IPAPMincho, serif"), 0}};
  ASSERT_EQ(families.size(), expected.size()) << svg.left(2000).toStdString();
  for (const auto& [family, count] : families) {
    EXPECT_TRUE(expected.count(family)) << family.toStdString();
    EXPECT_GT(count, 0);
  }
}

// The texts an SVG figure writes, joined.
QString SvgTexts(const fs::path& file) {
  const QString svg = QString::fromStdString(testsupport::ReadBytes(file));
  QString texts;
  const QRegularExpression text(QStringLiteral("<text [^>]*>([^<]*)</text>"));
  for (auto it = text.globalMatch(svg); it.hasNext();)
    texts += it.next().captured(1).replace(QStringLiteral("&apos;"), QStringLiteral("'")) + u'\n';
  return texts;
}

// The three-view has no title unless asked for, and then only its corner changes.
TEST_F(ChartExportTest, TheThreeViewCarriesTheTitleInItsCornerWhenAsked) {
  const QStringList title{QStringLiteral("--set"), QStringLiteral("DataFile.Title=Flora Kyushu")};
  auto run = [&](const char* figureTitle, const char* out) {
    const Outcome o =
        Run(QStringList(title) << QStringLiteral("--set") << QString::fromLatin1(figureTitle)
                               << QStringLiteral("--export") << P(out) << P("a.grd"));
    EXPECT_EQ(o.code, 0) << o.err;
  };
  run("Draw.FigureTitle=0", "off.svg");
  run("Draw.FigureTitle=1", "on.svg");
  EXPECT_FALSE(SvgTexts(m_root / "off.svg").contains(u"Flora Kyushu"));
  EXPECT_TRUE(SvgTexts(m_root / "on.svg").contains(u"Flora Kyushu"));
  run("Draw.FigureTitle=0", "off.png");
  run("Draw.FigureTitle=1", "on.png");
  const QImage off(P("off.png"));
  const QImage on(P("on.png"));
  ASSERT_EQ(off.size(), on.size());
  // The corner is the figure's top-left 300 × 300 pixels; the title is in it.
  int changedInCorner = 0;
  for (int y = 0; y < off.height(); ++y) {
    for (int x = 0; x < off.width(); ++x) {
      if (off.pixel(x, y) == on.pixel(x, y)) continue;
      ASSERT_TRUE(x < 300 && y < 300) << "changed outside the corner at " << x << "," << y;
      ++changedInCorner;
    }
  }
  EXPECT_GT(changedInCorner, 100);
}

// Each figure of a batch is titled by its own data's first header, in every chart set.
TEST_F(ChartExportTest, TitleFromDataTitlesEachFigureByItsData) {
  testsupport::WriteBytes(m_root / "b.grd", "Carex; sedge\r\n35.5,136.5,100\r\n");
  testsupport::WriteBytes(m_root / "c.grd", "35.5,136.5,100\r\n");  // no header at all
  for (const char* set : {"Draw.ProfileMap=1", "Draw.ProfileMap=0"}) {
    const Outcome o =
        Run({QStringLiteral("--set"), QStringLiteral("DataFile.Title=Settings title"),
             QStringLiteral("--set"), QString::fromLatin1(set), QStringLiteral("--title-from-data"),
             QStringLiteral("--export-dir"), P("dir"), QStringLiteral("--format"),
             QStringLiteral("svg"), P("a.grd"), P("b.grd"), P("c.grd")});
    // The records of the file without a header stand before any category: told, status 1.
    EXPECT_EQ(o.code, 1) << o.err;
    EXPECT_NE(o.err.find("c.grd"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("b.grd: "), std::string::npos) << o.err;
    const QString suffix =
        QString::fromLatin1(set).endsWith(u'1') ? QStringLiteral("-3D") : QStringLiteral("-H");
    auto texts = [&](const char* base) {
      return SvgTexts(m_root / "dir" / (base + suffix.toStdString() + ".svg"));
    };
    EXPECT_TRUE(texts("a").contains(u"Fagus")) << set;
    EXPECT_FALSE(texts("a").contains(u"Settings title")) << set;
    EXPECT_TRUE(texts("b").contains(u"Carex")) << set;
    EXPECT_FALSE(texts("b").contains(u"sedge")) << "the comment is not the title";
    EXPECT_FALSE(texts("b").contains(u"Fagus")) << set;
    // A file without a header has the settings' title, not the file's before it.
    EXPECT_TRUE(texts("c").contains(u"Settings title")) << set;
    EXPECT_FALSE(texts("c").contains(u"Carex")) << set;
  }
  // A single figure too; the option is in the usage.
  const Outcome one = Run(
      {QStringLiteral("--title-from-data"), QStringLiteral("--export"), P("one.svg"), P("b.grd")});
  EXPECT_EQ(one.code, 0) << one.err;
  EXPECT_TRUE(SvgTexts(m_root / "one.svg").contains(u"Carex"));
  // A header as long as a line may be is cut to what a settings title holds.
  testsupport::WriteBytes(m_root / "long.grd", std::string(5000, 'x') + "\r\n35.5,136.5\r\n");
  const Outcome longTitle = Run({QStringLiteral("--set"), QStringLiteral("Draw.ProfileMap=0"),
                                 QStringLiteral("--title-from-data"), QStringLiteral("--export"),
                                 P("long.svg"), P("long.grd")});
  EXPECT_EQ(longTitle.code, 0) << longTitle.err;
  // The document's title is the figure's (the legend shows the category's header whole).
  const QString svg = QString::fromStdString(testsupport::ReadBytes(m_root / "long.svg"));
  const auto title = QRegularExpression(QStringLiteral("<title>([^<]*)</title>")).match(svg);
  ASSERT_TRUE(title.hasMatch());
  EXPECT_EQ(title.captured(1), QString(256, u'x'));
  EXPECT_TRUE(SvgTexts(m_root / "long.svg").contains(u'\n' + QString(256, u'x') + u'\n'));
  const Outcome usage = Run({QStringLiteral("--export")});
  EXPECT_NE(usage.err.find("[--title-from-data]"), std::string::npos) << usage.err;
}

TEST_F(ChartExportTest, TakesTheSettingsFileAndItsMeshLevel) {
  // Mesh lines in the mesh colour, aqua, cross the middle of the map at level 1 and not
  // at all at level 0 (the labels, also aqua, stand outside the middle).
  auto aquaInTheMiddle = [this](const char* meshSize) {
    const Outcome o = Run({P("s.ini"), QStringLiteral("--set"), QStringLiteral("Draw.ProfileMap=0"),
                           QStringLiteral("--set"), QString::fromLatin1(meshSize),
                           QStringLiteral("--export"), P("mesh.png"), P("a.grd")});
    EXPECT_EQ(o.code, 0) << o.err;
    const QImage image(P("mesh.png"));
    int aqua = 0;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
      for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x)
        aqua += image.pixel(x, y) == qRgb(0, 255, 255) ? 1 : 0;
    }
    return aqua;
  };
  EXPECT_GT(aquaInTheMiddle("Map.MeshSize=1"), 2000);
  EXPECT_EQ(aquaInTheMiddle("Map.MeshSize=0"), 0);
}

TEST_F(ChartExportTest, RefusesWhatItCannotDoWithoutWritingAnything) {
  const struct {
    QStringList args;
    int code;
    const char* says;
  } cases[] = {
      {{QStringLiteral("--format"), QStringLiteral("svg"), QStringLiteral("--export"), P("x.png")},
       2,
       "--format は --export-dir と使います"},
      {{QStringLiteral("--export-dir"), P("d"), QStringLiteral("--format"), QStringLiteral("wmf"),
        P("a.grd")},
       2,
       "--format には .png, .emf, .svg, .pdf のどれかを一つ指定します"},
      {{P("missing.ini"), QStringLiteral("--export"), P("x.png")},
       1,
       "missing.ini: ファイルが見つかりません"},
      {{QStringLiteral("--set"), QStringLiteral("PMark1.Styl=1"), QStringLiteral("--export"),
        P("x.png")},
       2,
       "設定ファイルにないキーです: PMark1.Styl"},
      {{P("s.ini"), QStringLiteral("--export"), P("s.ini")}, 2, ".pdf で終わります"},
      {{QStringLiteral("--export"), P("x.png"), P("missing.grd")}, 1, "ファイルが見つかりません"},
      {{QStringLiteral("--set"), QStringLiteral("Map.GY2=4x.00"), QStringLiteral("--export"),
        P("x.png")},
       1,
       "'4x'"},
      {{QStringLiteral("--set"), QStringLiteral("DataFile.MapFile=nowhere/j.mdt"),
        QStringLiteral("--export"), P("x.png")},
       1,
       "nowhere/j.mdt: ファイルが見つかりません"},
      // A range with no width: the layout's own message.
      {{QStringLiteral("--set"), QStringLiteral("Map.GX2=128.00"), QStringLiteral("--export"),
        P("x.png")},
       1,
       "0 による浮動小数点数除算"},
  };
  for (const auto& c : cases) {
    const Outcome o = Run(c.args);
    EXPECT_EQ(o.code, c.code) << c.says;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(m_root / "x.png")) << c.says;
    fs::remove(m_root / "x.png");
  }
  EXPECT_EQ(testsupport::ReadBytes(m_root / "s.ini"),
            "[DataFile]\r\nTitle=Test\r\n[Map]\r\nMeshSize=1\r\n");
}

// How many pixels of the colour the area of an image holds.
int CountIn(const QImage& image, QRect area, QRgb colour) {
  int n = 0;
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x)
      n += image.pixel(x, y) == colour ? 1 : 0;
  }
  return n;
}

TEST_F(ChartExportTest, ALegendAnchoredOutsideTheRangeStandsInTheCorner) {
  // Kyushu, and the default anchor 134° E, 32° N east of it. The legend's marker is blue;
  // the one record stands away from the upper left.
  testsupport::WriteBytes(m_root / "k.grd", "Fagus\r\n32.5,132.5,500\r\n");
  const QRgb blue = qRgb(0, 0, 255);
  for (const char* profiles : {"Draw.ProfileMap=1", "Draw.ProfileMap=0"}) {
    const Outcome o =
        Run(Kyushu() + QStringList{QStringLiteral("--set"), QString::fromLatin1(profiles),
                                   QStringLiteral("--export"), P("k.png"), P("k.grd")});
    EXPECT_EQ(o.code, 0) << o.err;
    const QImage image(P("k.png"));
    ASSERT_FALSE(image.isNull());
    // The three-view's corner chart is its upper-left 300 pixels; the map alone has the
    // legend just inside its own upper-left corner.
    EXPECT_GT(CountIn(image, QRect(0, 0, 300, 300), blue), 10) << profiles;
  }
}

TEST_F(ChartExportTest, MeshLinesTooCloseToDrawAreLeftOutAndARangeUnderADegreeIsLabelled) {
  const QRgb aqua = qRgb(0, 255, 255);
  // All Japan with standard mesh lines: 0.8 pixels apart, they would flood the map. Left
  // out, the second-order lines remain, 8 pixels apart across and 6 up.
  Outcome o = Run({QStringLiteral("--set"), QStringLiteral("Map.MeshSize=3"),
                   QStringLiteral("--export"), P("all.png")});
  EXPECT_EQ(o.code, 0) << o.err;
  QImage image(P("all.png"));
  ASSERT_EQ(image.size(), QSize(1526, 1628));
  const QRect middle(626, 626, 600, 700);  // inside the map (326, 326)–(1526, 1628)
  const double share = CountIn(image, middle, aqua) / (600.0 * 700.0);
  EXPECT_GT(share, 0.15);
  EXPECT_LT(share, 0.35);

  // 135°12'–135°48' E, 35°06'–35°30' N: no whole degree inside, labelled in minutes below
  // the map and left of it. The map stands at (300, 300)–(1500, 1277), its plot from 360
  // across and down to 1237.
  o = Run({QStringLiteral("--set"), QStringLiteral("Map.GX1=135.12"), QStringLiteral("--set"),
           QStringLiteral("Map.GX2=135.48"), QStringLiteral("--set"),
           QStringLiteral("Map.GY1=35.06"), QStringLiteral("--set"),
           QStringLiteral("Map.GY2=35.30"), QStringLiteral("--export"), P("small.png")});
  EXPECT_EQ(o.code, 0) << o.err;
  image = QImage(P("small.png"));
  ASSERT_EQ(image.size(), QSize(1500, 1277));
  EXPECT_GT(CountIn(image, QRect(300, 1240, 1200, 37), aqua), 20);
  EXPECT_GT(CountIn(image, QRect(300, 300, 58, 937), aqua), 20);
}

TEST_F(ChartExportTest, RecordsOutsideTheRangeAreCountedAndKeptOffTheProfiles) {
  // Kyushu, and a record on the Kii peninsula: east of the range, at a latitude inside it.
  testsupport::WriteBytes(m_root / "kii.grd", "Fagus\r\n33.5,135.5,500\r\n");
  const std::pair<const char*, bool> cases[] = {{"Draw.ProfilesInRange=1", false},
                                                {"Draw.ProfilesInRange=0", true}};
  for (const auto& [setting, onProfile] : cases) {
    const Outcome o =
        Run(Kyushu() + QStringList{QStringLiteral("--set"), QString::fromLatin1(setting),
                                   QStringLiteral("--export"), P("kii.png"), P("kii.grd")});
    // Outside the figure is no error: exit status 0, nothing on standard error.
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_NE(o.out.find("records=1 categories=1 width=1500 height=1399 outside=1"),
              std::string::npos)
        << o.out;
    // The south-north profile stands left of the map, (0, 300)–(300, 1399).
    const QImage image(P("kii.png"));
    EXPECT_EQ(CountIn(image, QRect(0, 300, 300, 1099), qRgb(0, 0, 255)) > 0, onProfile) << setting;
  }
}

TEST_F(ChartExportTest, AWarningNamesTheLineOfTheFile) {
  // Comments above the record that is not drawn count, as they do for tarvo-check.
  testsupport::WriteBytes(m_root / "c.grd",
                          "; notes of the survey\r\n;\r\nFagus\r\n35.0,136.0\r\n"
                          "; a record that no mesh has:\r\n53X94611\r\n");
  const Outcome o = Run({QStringLiteral("--export"), P("x.png"), P("c.grd")});
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("1 件の記録を描いていません（最初は 6 行目: "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("tarvo-check --program chart --precision 1 " + (m_root / "c.grd").string()),
            std::string::npos)
      << o.err;
  EXPECT_NE(o.out.find("records=1"), std::string::npos) << o.out;
}

}  // namespace
}  // namespace chart
