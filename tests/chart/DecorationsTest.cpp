#include "chart/Decorations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <memory>

#include "chart/GridNote.h"
#include "chart/GridType.h"
#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

using platform::AxisSide;

// A chart whose plot spans pixels 0..1000 across and 1000..0 up: value v of an axis from
// `min` to `max` sits at (v − min) / (max − min) × 1000.
platform::ChartMapping Mapping(double xMin, double xMax, double yMin, double yMax,
                               bool bottomInverted = false, double plotLeft = 0) {
  std::array<platform::ChartAxis, 4> axes{};
  auto set = [&axes](AxisSide side, double lo, double hi, bool inverted) {
    auto& a = axes[static_cast<size_t>(side)];
    a.minimum = lo;
    a.maximum = hi;
    a.inverted = inverted;
  };
  set(AxisSide::Bottom, xMin, xMax, bottomInverted);
  set(AxisSide::Top, xMin, xMax, bottomInverted);
  set(AxisSide::Left, yMin, yMax, false);
  set(AxisSide::Right, yMin, yMax, false);
  return platform::ChartMapping(QRectF(plotLeft, 0, 1000, 1000), axes);
}

QStringList Texts(const std::vector<TextAt>& labels) {
  QStringList texts;
  for (const TextAt& t : labels)
    texts << t.text;
  return texts;
}

TEST(ChartLabels, DegreeLabelsStepThroughTheRange) {
  const struct {
    double from, to;
    bool longitude;
    std::vector<int> values;
  } cases[] = {
      {128.0, 146.0, true, {128, 130, 132, 134, 136, 138, 140, 142, 144, 146}},
      {31.5, 34.0, false, {32, 33, 34}},
      {30.0, 46.0, false, {30, 32, 34, 36, 38, 40, 42, 44, 46}},
      // Odd starts of wide ranges move to the next even degree.
      {129.0, 141.0, true, {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141}},
      {129.0, 143.0, true, {130, 132, 134, 136, 138, 140, 142}},
      // Under a degree: the whole degrees inside, none when there is none.
      {135.5, 136.2, true, {136}},
      {135.2, 135.8, true, {}},
      {35.1, 35.9, false, {}},
  };
  for (const auto& c : cases) {
    const auto values =
        c.longitude ? LongitudeLabelValues(c.from, c.to) : LatitudeLabelValues(c.from, c.to);
    EXPECT_EQ(values, c.values) << c.from << "-" << c.to;
  }
  // A range nobody means still ends.
  EXPECT_LE(LatitudeLabelValues(0, 1e9).size(), 400u);
}

TEST(ChartLabels, ARangeUnderADegreeIsLabelledAtItsMeshLines) {
  const struct {
    double from, to;
    bool latitude;
    double pixelsPerDegree;
    QStringList texts;
  } cases[] = {
      // Every second-order line when there is room for it.
      {135.2, 135.8, false, 2000, {"135ﾟ15'", "22'30\"", "30'", "37'30\"", "45'"}},
      // Tighter: every second one, then every fourth.
      {135.2, 135.8, false, 400, {"135ﾟ15'", "30'", "45'"}},
      {135.2, 135.8, false, 200, {"135ﾟ30'"}},
      // Across a whole degree, which keeps its degrees.
      {135.8, 136.3, false, 2000, {"135ﾟ52'30\"", "136ﾟ", "07'30\"", "15'"}},
      // Latitude: 5 minutes, a label's height apart.
      {35.1, 35.4, true, 300, {"35ﾟ10'", "15'", "20'"}},
      {35.1, 35.4, true, 150, {"35ﾟ10'", "20'"}},
      // A degree or more is not this rule's.
      {135.0, 136.0, false, 2000, {}},
  };
  for (const auto& c : cases) {
    QStringList texts;
    for (const DegreeLabel& l : FineDegreeLabels(c.from, c.to, c.latitude, c.pixelsPerDegree))
      texts << l.text;
    EXPECT_EQ(texts, c.texts) << c.from << "-" << c.to << " at " << c.pixelsPerDegree;
  }
  // On the map: longitudes centred under their lines, latitudes ending left of the map.
  auto width = [](const QString& text) { return 10.0 * static_cast<double>(text.size()); };
  const auto labels =
      MapDegreeLabels(Mapping(135.2, 135.8, 35.1, 35.4), 135.2, 135.8, 35.1, 35.4, width);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels[0].text, QStringLiteral("135ﾟ15'"));
  EXPECT_NEAR(labels[0].at.x(), (135.25 - 135.2) / 0.6 * 1000 - 35, 1e-9);
  const TextAt& south = *std::find_if(labels.begin(), labels.end(), [](const TextAt& t) {
    return t.text == QStringLiteral("35ﾟ10'");
  });
  EXPECT_EQ(south.at.x(), -4 - 60);
  // The west–east profile's longitudes are the map's.
  QStringList below;
  for (const TextAt& t : WestEastLabels(Mapping(135.2, 135.8, 0, 3800), 135.2, 135.8, 0, 3800))
    below << t.text;
  EXPECT_TRUE(below.contains(QStringLiteral("135ﾟ15'"))) << below.join(u' ').toStdString();
}

TEST(ChartLabels, MapLabelsStandBelowAndLeftOfTheMap) {
  const auto labels = MapDegreeLabels(Mapping(128, 146, 30, 46), 128, 146, 30, 46);
  ASSERT_EQ(labels.size(), 10u + 9u);
  EXPECT_EQ(labels[0].text, QStringLiteral("128ﾟ"));
  EXPECT_EQ(labels[0].at, QPointF(-10, 1006));
  EXPECT_EQ(labels[10].text, QStringLiteral("30ﾟ"));
  // 30 pixels left of the plot, which here starts at the chart's edge: a small fitted
  // figure would cut "46ﾟ" to "6ﾟ", so the label keeps inside the chart.
  EXPECT_EQ(labels[10].at, QPointF(1, 994));
  const auto roomy = MapDegreeLabels(Mapping(128, 146, 30, 46, false, 60), 128, 146, 30, 46);
  EXPECT_EQ(roomy[10].at.x(), 30);
}

TEST(ChartLegend, KeptOnThePlotWhenItsAnchorLeavesNoRoom) {
  const QRectF plot(50, 20, 400, 300);  // right 450, bottom 320
  const struct {
    QRectF box;
    QPointF expected;
  } cases[] = {
      {{100, 100, 120, 92}, {100, 100}},  // room enough: where the user put it
      {{100, 280, 120, 92}, {100, 228}},  // anchored low: up to the plot's bottom
      {{400, 100, 120, 92}, {330, 100}},  // far east: left to the plot's right edge
      {{400, 280, 120, 92}, {330, 228}},
      {{100, 100, 120, 400}, {100, 20}},  // taller than the plot: its top stays in view
  };
  for (const auto& c : cases)
    EXPECT_EQ(KeptOnPlot(c.box, plot), c.expected) << c.box.y();
}

TEST(ChartLabels, ProfileAltitudesByTheirHeight) {
  const struct {
    double gh2;
    QStringList westEast;
    QStringList southNorth;
  } cases[] = {
      {3800, {"1000", "2000", "3000", "   m", "   0"}, {"3000m", "0"}},
      {1000, {"1000", "   m", "   0"}, {" 500m", "0"}},
      {800, {" 500", "   m", "   0"}, {" 500m", "0"}},
  };
  for (const auto& c : cases) {
    QStringList westEast = Texts(WestEastLabels(Mapping(135, 137, 0, c.gh2), 135, 137, 0, c.gh2));
    // The longitude labels below the profile follow the altitudes.
    EXPECT_EQ(westEast.mid(westEast.size() - 3), (QStringList{"135ﾟ", "136ﾟ", "137ﾟ"}));
    EXPECT_EQ(westEast.mid(0, westEast.size() - 3), c.westEast) << c.gh2;
    const auto southNorth = SouthNorthLabels(Mapping(0, c.gh2, 34, 36, true), 34, c.gh2);
    EXPECT_EQ(Texts(southNorth), c.southNorth) << c.gh2;
  }
  // "   m" stands 18 pixels above the highest label; the altitude axis runs up from 0.
  // Here the plot starts at the chart's edge: the labels keep inside the chart.
  const auto labels = WestEastLabels(Mapping(135, 137, 0, 4000), 135, 137, 0, 3800);
  EXPECT_EQ(labels[2].at, QPointF(1, 250 - 8));
  EXPECT_EQ(labels[3].at, QPointF(1, 250 - 8 - 18));
  // Beside the map the altitude grows to the left: 3000 m at 250 pixels from the right.
  const auto southNorth = SouthNorthLabels(Mapping(0, 4000, 34, 36, true), 34, 3800);
  EXPECT_EQ(southNorth[0].at, QPointF(250 - 16, 1006));
  EXPECT_EQ(southNorth[1].at, QPointF(1000 - 2, 1006));
}

TEST(ChartLegend, BoxAndRowsPutTheLastCategoryOnTop) {
  const LegendLayout empty = MapLegend(50, 60, 0, 0);
  EXPECT_EQ(empty.box, QRectF(50, 60, 70, 20));
  EXPECT_TRUE(empty.markers.empty());
  const LegendLayout three = MapLegend(50, 60, 3, 100);
  EXPECT_EQ(three.box, QRectF(50, 60, 170, 92));
  EXPECT_EQ(three.markers[2], QPointF(70, 84));   // category 3, top row
  EXPECT_EQ(three.markers[0], QPointF(70, 132));  // category 1, bottom row
  EXPECT_EQ(three.titles[0], QPointF(90, 124));
  const LegendLayout corner = CornerLegend(3);
  EXPECT_TRUE(corner.box.isNull());
  EXPECT_EQ(corner.markers[2], QPointF(24, 44));
  EXPECT_EQ(corner.titles[0], QPointF(40, 84));
}

TEST(ChartLegend, StandsOnTheMapOnlyWhenItsAnchorLiesInsideTheRange) {
  const struct {
    double gx1, gx2, gy1, gy2;
    double lon, lat;
    bool onMap;
  } cases[] = {
      {128, 146, 30, 46, 134, 32, true},       // all Japan: the default anchor
      {129, 133, 31, 34, 134, 32, false},      // Kyushu: east of the range
      {132, 135, 32.7, 34.5, 134, 32, false},  // Shikoku: inside its longitudes, south of it
      {129, 133, 31, 34, 133, 34, true},       // on the range's corner
      {129, 133, 31, 34, 0, 0, false},         // no anchor
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LegendOnMap(Mapping(c.gx1, c.gx2, c.gy1, c.gy2), c.lon, c.lat), c.onMap)
        << c.gx1 << "-" << c.gx2 << " " << c.lon << "," << c.lat;
  }
  EXPECT_EQ(MapCornerOf(Mapping(129, 133, 31, 34)), QPointF(4, 4));
}

TEST(ChartGridNote, NamesTheMeshLevelsLeftOut) {
  using platform::DrawReport;
  auto report = [](AxisSide side, double grid, double minor) {
    DrawReport r;
    r.gridLeftOut[static_cast<size_t>(side)] = grid;
    r.minorLeftOut[static_cast<size_t>(side)] = minor;
    return r;
  };
  const struct {
    std::vector<std::pair<int, DrawReport>> charts;  // chart index, its report
    int mapKind;
    const char* text;
  } cases[] = {
      {{}, 3, ""},
      {{{1, report(AxisSide::Bottom, 0, 0.0125)}}, 3, "3次区画線は省略"},
      // Beside the map the south-north profile's latitude is its right axis; its altitude
      // lines are no mesh.
      {{{1, report(AxisSide::Bottom, 0, 0.0125)},
        {3, report(AxisSide::Right, kOneTwelfth, 1.0 / 120)},
        {3, report(AxisSide::Bottom, 0, 100)}},
       3,
       "2次・3次区画線と目盛線は省略"},
      {{{3, report(AxisSide::Bottom, 0, 1.0 / 120)}}, 2, "3次区画線は省略"},
      // Lines the chart spaced for its labels are no mesh either.
      {{{1, report(AxisSide::Bottom, 0.2, 0)}}, 1, "目盛線は省略"},
  };
  for (const auto& c : cases) {
    LinesLeftOut out;
    for (const auto& [chart, r] : c.charts)
      AddLinesLeftOut(out, r, chart, c.mapKind);
    const Note note = LinesLeftOutNote(out);
    EXPECT_EQ(note.text, QString::fromUtf8(c.text));
    EXPECT_EQ(note.tip.isEmpty(), note.text.isEmpty());
    if (!note.tip.isEmpty()) {
      EXPECT_TRUE(note.tip.contains(QStringLiteral("3 ピクセル")));
    }
  }
}

TEST(ChartReadOut, AltitudesAreWholeMetresToFourDigits) {
  EXPECT_EQ(AltitudeText(1234.4), QStringLiteral("1234"));
  EXPECT_EQ(AltitudeText(2.5), QStringLiteral("3"));
  EXPECT_EQ(AltitudeText(-12.6), QStringLiteral("-13"));
  EXPECT_EQ(AltitudeText(12345), QStringLiteral("1.235E+4"));
  EXPECT_EQ(AltitudeText(99996), QStringLiteral("1.000E+5"));
}

TEST(ChartReadOut, APressShowsWhereItIsAndTheMapsMovesTheLegend) {
  auto dialogs = std::make_unique<platform::ScriptedDialogs>();
  TForm1 form(QStringList(), std::move(dialogs), testsupport::ProgramDir() + QStringLiteral("/T"));
  form.SetFixedClientSize(800, 600);
  form.State().MapFileName.clear();
  form.findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->clear();
  form.BtnNewMapClick();
  const platform::ChartMapping map = form.ChartAt(1)->Mapping();
  const QPoint tokyo(static_cast<int>(std::lround(map.ToPixel(AxisSide::Bottom, 139.6917))),
                     static_cast<int>(std::lround(map.ToPixel(AxisSide::Left, 35.6895))));
  form.ChartAt(1)->onMouseDown(Qt::RightButton, tokyo);
  EXPECT_NEAR(form.State().LabX, 139.6917, 0.05);
  EXPECT_EQ(form.StatusText(6), QString());
  form.ChartAt(1)->onMouseDown(Qt::LeftButton, tokyo);
  EXPECT_TRUE(form.StatusText(6).startsWith(QStringLiteral("35ﾟ")));
  EXPECT_TRUE(form.StatusText(8).startsWith(QStringLiteral("139ﾟ")));
  EXPECT_TRUE(form.StatusText(12).startsWith(QStringLiteral(" 5339")));

  const platform::ChartMapping profile = form.ChartAt(2)->Mapping();
  const QPoint high(static_cast<int>(std::lround(profile.ToPixel(AxisSide::Bottom, 138))),
                    static_cast<int>(std::lround(profile.ToPixel(AxisSide::Left, 3000))));
  const double anchor = form.State().LabX;
  form.ChartAt(2)->onMouseDown(Qt::LeftButton, high);
  EXPECT_EQ(form.StatusText(6), QString());
  EXPECT_TRUE(form.StatusText(8).startsWith(QStringLiteral("137ﾟ5")) ||
              form.StatusText(8).startsWith(QStringLiteral("138ﾟ")));
  EXPECT_TRUE(form.StatusText(10).endsWith(QStringLiteral(" m")));
  EXPECT_EQ(form.StatusText(12), QString());
  EXPECT_EQ(form.State().LabX, anchor);
}

}  // namespace
}  // namespace chart

namespace chart {
namespace {

// A shown window without a map file, whose builds draw the charts alone.
std::unique_ptr<TForm1> MaplessWindow() {
  auto form = std::make_unique<TForm1>(QStringList(), std::make_unique<platform::ScriptedDialogs>(),
                                       testsupport::ProgramDir() + QStringLiteral("/T"));
  form->SetFixedClientSize(800, 600);
  form->findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->clear();
  form->show();
  return form;
}

// How many pixels of a chart on screen are not white, in `area` when given.
int InkOf(platform::ChartWidget* chart, QRect area = QRect()) {
  const QImage image = chart->grab().toImage();
  if (area.isNull()) area = image.rect();
  int ink = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x)
      ink += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
  }
  return ink;
}

TEST(ChartGridNote, TheStatusBarSaysWhichMeshLevelTheWindowLeftOut) {
  const std::unique_ptr<TForm1> window = MaplessWindow();
  TForm1& form = *window;
  // All of Japan on a map 600 pixels wide: standard mesh lines would stand less than a
  // pixel apart, second-order ones 4 pixels.
  const std::pair<const char*, const char*> levels[] = {
      {"MScale3", "3次区画線は省略"}, {"MScale2", ""}, {"MScale0", ""}};
  for (const auto& [button, text] : levels) {
    form.findChild<QRadioButton*>(QString::fromLatin1(button))->setChecked(true);
    form.BtnNewMapClick();
    for (const int i : {1, 2, 3})
      form.ChartAt(i)->grab();
    EXPECT_EQ(form.StatusText(TForm1::kGridPanel), QString::fromUtf8(text)) << button;
  }
}

TEST(ChartLegend, AnAnchorOutsideTheRangePutsItInTheCornerAndTheStatusBarSaysSo) {
  const std::unique_ptr<TForm1> window = MaplessWindow();
  TForm1& form = *window;
  auto field = [&form](const char* name) {
    return form.findChild<QLineEdit*>(QString::fromLatin1(name));
  };
  const struct {
    const char* range[4];   // west, east, south, north
    const char* anchor[2];  // longitude, latitude
    bool corner;
  } cases[] = {
      {{"129.00", "133.00", "31.00", "34.00"}, {"134.00", "32.00"}, true},  // Kyushu
      {{"132.00", "135.00", "32.40", "34.30"}, {"134.00", "32.00"}, true},  // Shikoku
      {{"128.00", "146.00", "30.00", "46.00"}, {"134.00", "32.00"}, false},
      {{"129.00", "133.00", "31.00", "34.00"}, {"130.00", "33.30"}, false},
  };
  for (const auto& c : cases) {
    const char* names[] = {"EditGX1", "EditGX2", "EditGY1", "EditGY2"};
    for (int i = 0; i < 4; ++i)
      field(names[i])->setText(QString::fromLatin1(c.range[i]));
    field("EditLabelX")->setText(QString::fromLatin1(c.anchor[0]));
    field("EditLabelY")->setText(QString::fromLatin1(c.anchor[1]));
    form.ShowAllClick();
    form.Editor()->SetLines({"Abies", "32.5,131.0,100", "Betula", "33.0,132.5,200"});
    form.PlotOnMap();
    QApplication::processEvents();
    const std::string name = std::string(c.range[0]) + "-" + c.range[1];
    form.ChartAt(1)->grab();
    EXPECT_EQ(InkOf(form.ChartAt(0)) > 0, c.corner) << name;
    EXPECT_EQ(form.State().LegendPixelX < 0, c.corner) << name;
    EXPECT_EQ(form.StatusText(TForm1::kLegendPanel).isEmpty(), !c.corner) << name;
    if (c.corner) {
      EXPECT_TRUE(form.findChild<QLabel*>(QStringLiteral("StatusPanel14"))
                      ->toolTip()
                      .contains(QStringLiteral("範囲の外")));
    }
    // The map alone has no corner chart: the legend stands in the map's upper-left corner.
    form.ShowHorizonClick();
    form.Editor()->SetLines({"Abies", "32.5,131.0,100", "Betula", "33.0,132.5,200"});
    form.PlotOnMap();
    const QRectF plot = form.ChartAt(1)->Mapping().Plot();
    const QRect corner(static_cast<int>(plot.left()) + 2, static_cast<int>(plot.top()) + 2, 60, 40);
    EXPECT_EQ(InkOf(form.ChartAt(1), corner) > 0, c.corner) << name;
    EXPECT_EQ(form.StatusText(TForm1::kLegendPanel).isEmpty(), !c.corner) << name;
  }
  // The corner chosen on the corner chart is no anchor outside the range.
  form.ShowAllClick();
  form.Editor()->SetLines({"Abies", "32.5,131.0,100"});
  form.PlotOnMap();
  form.SetLegendPosClick(true);
  QApplication::processEvents();
  EXPECT_GT(InkOf(form.ChartAt(0)), 0);
  EXPECT_EQ(form.StatusText(TForm1::kLegendPanel), QString());
}

TEST(ChartLegend, MovesOntoTheMapAndBackIntoTheCorner) {
  const std::unique_ptr<TForm1> window = MaplessWindow();
  TForm1& form = *window;
  form.BtnNewMapClick();
  form.Editor()->SetLines({"Abies", "35.0,136.0,100", "Betula", "36.0,137.0,200"});
  form.PlotOnMap();
  // The panel's anchor lies on the map: the corner stays empty.
  EXPECT_GT(form.State().LegendPixelX, 0);
  EXPECT_EQ(InkOf(form.ChartAt(0)), 0);
  form.SetLegendPosClick(true);
  QApplication::processEvents();
  EXPECT_LT(form.State().LegendPixelX, 0);
  EXPECT_GT(InkOf(form.ChartAt(0)), 0);
  // A press on the map, then the map's own command: the legend goes there.
  const platform::ChartMapping map = form.ChartAt(1)->Mapping();
  form.ChartAt(1)->onMouseDown(Qt::RightButton,
                               QPoint(static_cast<int>(map.ToPixel(AxisSide::Bottom, 140)),
                                      static_cast<int>(map.ToPixel(AxisSide::Left, 40))));
  form.SetLegendPosClick(false);
  QApplication::processEvents();
  EXPECT_GT(form.State().LegendPixelX, 0);
  EXPECT_EQ(InkOf(form.ChartAt(0)), 0);
}

}  // namespace
}  // namespace chart
