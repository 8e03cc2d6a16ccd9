#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "core/TextCodec.h"
#include "platform/text/IniFile.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::Q;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace fs = std::filesystem;
using platform::DialogKind;
using platform::ScriptedDialogs;

// Every test has a folder of its own: the program's folder "bin" (where the default
// settings file goes) and whatever other folders the test needs.
class SettingsTest : public testing::Test {
 protected:
  void SetUp() override { m_root = testsupport::FreshTestFolder("conic_settings_"); }
  void TearDown() override { fs::remove_all(m_root); }

  fs::path DefaultIni() const { return m_root / "bin" / "Tarvo_L.ini"; }

  std::unique_ptr<TForm1> Make(const QStringList& args = {}) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    auto form = std::make_unique<TForm1>(args, std::move(dialogs), Q(m_root / "bin" / "Tarvo_L"));
    form->SetFixedWindowWidth(800);  // never shown, so nothing to measure
    return form;
  }

  template <typename W>
  static W* Child(TForm1& form, const QString& name) {
    W* w = form.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  static QLineEdit* Edit(TForm1& form, const char* name) {
    return Child<QLineEdit>(form, QString::fromLatin1(name));
  }
  static bool Ticked(TForm1& form, const char* name) {
    return Child<QCheckBox>(form, QString::fromLatin1(name))->isChecked();
  }
  static bool Selected(TForm1& form, const char* name) {
    return Child<QRadioButton>(form, QString::fromLatin1(name))->isChecked();
  }
  static WinColor Swatch(TForm1& form, const QString& name) {
    return SwatchColor(Child<QWidget>(form, name));
  }

  fs::path m_root;
  ScriptedDialogs* m_dialogs = nullptr;
};

// The keys in the order they are written, with values unlike every default; a file of
// these must come back key for key after a read and a write.
struct Setting {
  const char* section;
  const char* key;
  QString value;
};
std::vector<Setting> NonDefaultSettings(const QString& longMapPath) {
  std::vector<Setting> s = {
      {"DataFile", "Title", QStringLiteral("ブナ林の分布")},
      {"DataFile", "MapFile", longMapPath},
      {"DataFile", "GrdFile", QStringLiteral("/survey/2023/fagus.grd")},
      {"DataFile", "CRst1", QStringLiteral("Survey Team")},
      {"Map", "LandColor", QStringLiteral("12632256")},
      {"Map", "OceanColor", QStringLiteral("16777088")},
      {"Map", "MapsType", QStringLiteral("3")},  // the one figure type there is
      {"Map", "SheetSize", QStringLiteral("7")},
      {"Map", "MapFrame", QStringLiteral("0")},
      {"Map", "GridSize", QStringLiteral("5")},
      {"Map", "MapColor", QStringLiteral("255")},
      {"Map", "SubColor", QStringLiteral("65280")},
      {"Map", "MshColor", QStringLiteral("16711680")},
      {"Map", "MLineW", QStringLiteral("2")},
      {"Map", "SLineW", QStringLiteral("1")},
      {"Map", "GLineW", QStringLiteral("2")},
      {"Map", "WithPref", QStringLiteral("1")},
      {"Map", "WithGrat", QStringLiteral("0")},
      {"Map", "ShowTitle", QStringLiteral("0")},
  };
  for (int i = 1; i <= 5; ++i) {
    static const char* const sections[] = {"PMark1", "PMark2", "PMark3", "PMark4", "PMark5"};
    const char* section = sections[i - 1];
    s.push_back({section, "Styl", QString::number(9 - i)});
    s.push_back({section, "Size", QString::number(i + 5)});
    s.push_back({section, "bcol", QString::number(0x102030 * i)});
    s.push_back({section, "pcol", QString::number(i % 2 == 0 ? 0 : 0x0000FF)});
  }
  const std::vector<Setting> rest = {
      {"Legend", "ShowLegend", QStringLiteral("1")},
      {"Legend", "ShowLegTitle", QStringLiteral("1")},
      {"Legend", "LegendFrame", QStringLiteral("1")},
      {"Font", "TitleFontName", QStringLiteral("Times New Roman")},
      {"Font", "FontName", QStringLiteral("Courier New")},
      {"Font", "FontSize", QStringLiteral("12")},
      {"Font", "ScaleFactorLegend", QStringLiteral("1.25")},
      {"Font", "ScaleFactorHeader", QStringLiteral("1.4")},
  };
  s.insert(s.end(), rest.begin(), rest.end());
  return s;
}

TEST_F(SettingsTest, StartWithoutAFileTakesTheDefaultsAndWritesThemInOrder) {
  auto form = Make();
  TForm1& f = *form;
  EXPECT_EQ(Edit(f, "EditTitle")->text(), QStringLiteral("三面分布図"));
  EXPECT_EQ(Edit(f, "EditMapFile")->text(), QStringLiteral("三面図全国.mdt"));
  EXPECT_EQ(Edit(f, "EditGrdFile")->text(), QStringLiteral("ZoSample.grd"));
  const DrawingState& s = f.State();
  EXPECT_EQ(s.CRst1, QStringLiteral("Distribution Map"));
  EXPECT_EQ(s.MapsType, 3);
  EXPECT_EQ(s.SheetSize, 0);
  EXPECT_TRUE(Selected(f, "MapSizeWn"));
  EXPECT_TRUE(Selected(f, "ThreeDMap"));
  EXPECT_TRUE(Selected(f, "GScale10"));
  EXPECT_TRUE(Child<QAction>(f, QStringLiteral("PlotSize10Item"))->isChecked());
  EXPECT_EQ(Swatch(f, QStringLiteral("PLandCol")), 14285311u);
  EXPECT_EQ(Swatch(f, QStringLiteral("POceanCol")), 16775899u);
  EXPECT_TRUE(Ticked(f, "WithGrat"));
  EXPECT_FALSE(Ticked(f, "WithPref"));
  EXPECT_TRUE(Ticked(f, "ShowMapTitle"));
  EXPECT_TRUE(Ticked(f, "IsMapFrame"));
  EXPECT_FALSE(Ticked(f, "ShowLegend"));
  EXPECT_FALSE(Ticked(f, "ShowLegTitle"));
  EXPECT_FALSE(Ticked(f, "IsLegendFrame"));
  const struct {
    const char* button;
    WinColor color;
  } lines[] = {{"MapColorBtn", 0}, {"SubColorBtn", 8421504}, {"MshColorBtn", 16776960}};
  for (const auto& l : lines) {
    EXPECT_EQ(Child<QPushButton>(f, QString::fromLatin1(l.button))->text(), kThinLine) << l.button;
    EXPECT_EQ(Swatch(f, QString::fromLatin1(l.button)), l.color) << l.button;
  }
  EXPECT_EQ(std::tuple(s.MLineW, s.SLineW, s.GLineW), std::tuple(1, 1, 1));
  const QFont text = Child<QPushButton>(f, QStringLiteral("FontBtn"))->font();
  EXPECT_EQ(text.family(), QStringLiteral("Cambria"));
  EXPECT_EQ(text.pointSize(), 10);
  const QFont title = f.ChosenTitleFont();
  EXPECT_EQ(title.family(), QStringLiteral("Cambria"));
  EXPECT_TRUE(title.bold());
  EXPECT_EQ(title.pointSize(), 15);
  EXPECT_EQ(f.CanvasP().Font().family(), QStringLiteral("Cambria"));
  EXPECT_DOUBLE_EQ(s.ScaleFactorLegend, 1.2);
  EXPECT_DOUBLE_EQ(s.ScaleFactorHeader, 1.5);
  const WinColor fills[] = {16711935, 16776960, 65535, 32768, 16711680};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(s.MarkStyles[i].shape, static_cast<int>(i) + 1);
    EXPECT_EQ(s.MarkStyles[i].size, 4);
    EXPECT_EQ(s.MarkStyles[i].fillColor, fills[i]);
    EXPECT_EQ(s.MarkStyles[i].rimColor, 0u);
  }
  // Nothing drawn yet, so the legend editor keeps its own rows.
  EXPECT_EQ(Child<QComboBox>(f, QStringLiteral("CBoxSize4"))->currentText(), QStringLiteral(" 5"));
  EXPECT_EQ(Swatch(f, QStringLiteral("MrkColor1")), 0x0000FFu);
  EXPECT_TRUE(m_dialogs->Calls().empty());
  EXPECT_FALSE(fs::exists(DefaultIni()));

  f.WriteIniFile();
  const std::string expected =
      "[DataFile]\nTitle=三面分布図\nMapFile=三面図全国.mdt\nGrdFile=ZoSample.grd\n"
      "CRst1=Distribution Map\n"
      "[Map]\nLandColor=14285311\nOceanColor=16775899\nMapsType=3\nSheetSize=0\nMapFrame=1\n"
      "GridSize=10\nMapColor=0\nSubColor=8421504\nMshColor=16776960\nMLineW=1\nSLineW=1\n"
      "GLineW=1\nWithPref=0\nWithGrat=1\nShowTitle=1\n"
      "[PMark1]\nStyl=1\nSize=4\nbcol=16711935\npcol=0\n"
      "[PMark2]\nStyl=2\nSize=4\nbcol=16776960\npcol=0\n"
      "[PMark3]\nStyl=3\nSize=4\nbcol=65535\npcol=0\n"
      "[PMark4]\nStyl=4\nSize=4\nbcol=32768\npcol=0\n"
      "[PMark5]\nStyl=5\nSize=4\nbcol=16711680\npcol=0\n"
      "[Legend]\nShowLegend=0\nShowLegTitle=0\nLegendFrame=0\n"
      "[Font]\nTitleFontName=Cambria\nFontName=Cambria\nFontSize=10\nScaleFactorLegend=1.2\n"
      "ScaleFactorHeader=1.5\n";
  std::string written = core::Cp932ToUtf8(ReadBytes(DefaultIni()));
  std::erase(written, '\r');
  EXPECT_EQ(written, expected);
}

TEST_F(SettingsTest, EveryValueSurvivesAReadAndAWrite) {
  // A map path longer than the field's typing limit must come through whole.
  const QString longMap = Q(m_root / "shared maps of the herbarium" / "kanto-detailed.mdt");
  const std::vector<Setting> settings = NonDefaultSettings(longMap);
  platform::IniFile source;
  for (const Setting& s : settings)
    source.WriteString(QString::fromLatin1(s.section), QString::fromLatin1(s.key), s.value);
  const fs::path in = m_root / "in" / "survey.ini";
  fs::create_directories(in.parent_path());
  source.Save(Q(in));

  auto form = Make({Q(in)});
  TForm1& f = *form;
  EXPECT_EQ(Edit(f, "EditMapFile")->text(), longMap);
  EXPECT_EQ(f.State().SheetSize, 7);
  EXPECT_TRUE(Selected(f, "MapSizeWn"));  // no button stands for 7
  EXPECT_TRUE(Selected(f, "ThreeDMap"));
  EXPECT_TRUE(Selected(f, "GScale5"));
  EXPECT_TRUE(Child<QAction>(f, QStringLiteral("PlotSize5Item"))->isChecked());
  EXPECT_FALSE(Child<QAction>(f, QStringLiteral("PlotSize10Item"))->isChecked());
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("MapColorBtn"))->text(), kThickLine);
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("SubColorBtn"))->text(), kThinLine);
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("MshColorBtn"))->text(), kThickLine);
  EXPECT_EQ(Swatch(f, QStringLiteral("SubColorBtn")), 65280u);
  EXPECT_EQ(Swatch(f, QStringLiteral("PLandCol")), 12632256u);
  const QFont title = f.ChosenTitleFont();
  EXPECT_EQ(title.family(), QStringLiteral("Times New Roman"));
  EXPECT_TRUE(title.bold());
  EXPECT_EQ(title.pointSize(), 17);  // 12 x 1.4 = 16.8
  const QFont text = Child<QPushButton>(f, QStringLiteral("FontBtn"))->font();
  EXPECT_EQ(text.family(), QStringLiteral("Courier New"));
  EXPECT_EQ(text.pointSize(), 12);
  EXPECT_EQ(f.CanvasM().Font().family(), QStringLiteral("Courier New"));
  EXPECT_EQ(f.CanvasP().Font().pointSize(), 12);
  EXPECT_DOUBLE_EQ(f.State().ScaleFactorLegend, 1.25);
  EXPECT_EQ(f.State().MarkStyles[4].shape, 4);
  EXPECT_EQ(f.State().MarkStyles[4].rimColor, 0x0000FFu);

  const fs::path out = m_root / "out" / "copy.ini";
  fs::create_directories(out.parent_path());
  f.State().IniFileName = Q(out);
  f.WriteIniFile();
  const platform::IniFile copy = platform::IniFile::Load(Q(out));
  for (const Setting& s : settings) {
    EXPECT_EQ(copy.ReadString(QString::fromLatin1(s.section), QString::fromLatin1(s.key),
                              QStringLiteral("<missing>")),
              s.value)
        << s.section << "." << s.key;
  }
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(SettingsTest, ChangesMadeInTheWindowAreReadBackByTheNextStart) {
  auto first = Make();
  TForm1& f = *first;
  f.LineWidthClick(0);
  m_dialogs->PickColor(0x123456);
  f.LineColorBtnClick(2);
  m_dialogs->PickColor(0x00C0FF);
  f.LandOceanColClick(true);
  m_dialogs->PickFont(QFont(QStringLiteral("Courier New"), 9), 0);
  f.FontBtnClick();
  m_dialogs->PickFont(QFont(QStringLiteral("Times New Roman"), 30), 0x0000FF);
  f.BtnFontClick();
  Child<QCheckBox>(f, QStringLiteral("WithPref"))->setChecked(true);
  Child<QCheckBox>(f, QStringLiteral("ShowLegend"))->setChecked(true);
  f.State().CRst1 = QStringLiteral("(c) 2024");
  f.State().ScaleFactorHeader = 2.0;
  f.State().MarkStyles[2] = TMarkStyle{7, 12, 0xABCDEF, 0xABCDEF};
  f.MenuQuitItemClick();

  auto second = Make();
  TForm1& g = *second;
  EXPECT_EQ(g.State().MLineW, 2);
  EXPECT_EQ(Child<QPushButton>(g, QStringLiteral("MapColorBtn"))->text(), kThickLine);
  EXPECT_EQ(Swatch(g, QStringLiteral("MshColorBtn")), 0x123456u);
  EXPECT_EQ(Swatch(g, QStringLiteral("PLandCol")), 0x00C0FFu);
  EXPECT_EQ(Child<QPushButton>(g, QStringLiteral("FontBtn"))->font().family(),
            QStringLiteral("Courier New"));
  // The title keeps its face; its size follows the text font and the header factor.
  EXPECT_EQ(g.ChosenTitleFont().family(), QStringLiteral("Times New Roman"));
  EXPECT_EQ(g.ChosenTitleFont().pointSize(), 18);
  EXPECT_TRUE(Ticked(g, "WithPref"));
  EXPECT_TRUE(Ticked(g, "ShowLegend"));
  EXPECT_EQ(g.State().CRst1, QStringLiteral("(c) 2024"));
  EXPECT_EQ(g.State().MarkStyles[2].shape, 7);
  EXPECT_EQ(g.State().MarkStyles[2].rimColor, 0xABCDEFu);
  // Whatever the first window held, the second holds too.
  platform::IniFile a, b;
  f.StoreSettings(a);
  g.StoreSettings(b);
  EXPECT_EQ(b.ToBytes(), a.ToBytes());
}

TEST_F(SettingsTest, ValuesTheFileCannotSetLeaveThePanelToDecide) {
  const std::string island = (m_root / "island.mdt").string();
  WriteBytes(island, testsupport::kIslandMap);
  const struct {
    const char* map;
    const char* legendFactor;
    double read;
  } cases[] = {
      {"GridSize=5\r\nSheetSize=7\r\nMapsType=9\r\n", "abc", 1.2},
      {"GridSize=$5\r\nSheetSize=-1\r\nMapsType=x\r\n", "0.75", 0.75},
  };
  for (const auto& c : cases) {
    WriteBytes(DefaultIni(), "[DataFile]\r\nMapFile=" + island + "\r\n[Map]\r\n" + c.map +
                                 "[Font]\r\nScaleFactorLegend=" + c.legendFactor + "\r\n");
    auto form = Make();
    EXPECT_DOUBLE_EQ(form->State().ScaleFactorLegend, c.read);
    EXPECT_TRUE(Selected(*form, "GScale5"));
    EXPECT_TRUE(Selected(*form, "ThreeDMap"));
    Child<QRadioButton>(*form, QStringLiteral("MapSizeA6"))->setChecked(true);
    form->ReadIniFile();
    EXPECT_TRUE(Selected(*form, "MapSizeA6")) << c.map;
    Child<QRadioButton>(*form, QStringLiteral("MapSizeWn"))->setChecked(true);
    form->DrawMapNewClick();
    EXPECT_EQ(form->State().GridSize, 5);
    EXPECT_EQ(form->StatusText(7), QStringLiteral("５倍"));
    EXPECT_EQ(form->State().SheetSize, 0);
    EXPECT_EQ(form->CanvasM().Width(), 800);
    EXPECT_EQ(form->State().MapsType, 3);
    EXPECT_TRUE(m_dialogs->Calls().empty());
  }
}

// Every value a file can make huge, negative or not a number, with the values just
// inside and just outside each bound.
TEST_F(SettingsTest, ValuesOutOfRangeAreReadAsTheNearestBound) {
  auto form = Make();
  TForm1& f = *form;
  using Read = std::function<double(TForm1&)>;
  const Read markSize = [](TForm1& g) { return g.State().MarkStyles[2].size; };
  const Read mLineW = [](TForm1& g) { return g.State().MLineW; };
  const Read sLineW = [](TForm1& g) { return g.State().SLineW; };
  const Read gLineW = [](TForm1& g) { return g.State().GLineW; };
  const Read fontSize = [](TForm1& g) {
    return Child<QPushButton>(g, QStringLiteral("FontBtn"))->font().pointSize();
  };
  const Read legend = [](TForm1& g) { return g.State().ScaleFactorLegend; };
  const Read header = [](TForm1& g) { return g.State().ScaleFactorHeader; };
  const Read land = [](TForm1& g) { return Swatch(g, QStringLiteral("PLandCol")); };
  const Read mapColor = [](TForm1& g) { return g.State().MapColor; };
  const Read fill = [](TForm1& g) { return g.State().MarkStyles[0].fillColor; };
  const Read rim = [](TForm1& g) { return g.State().MarkStyles[4].rimColor; };
  const struct {
    const char* line;
    const Read& read;
    double expected;
  } cases[] = {
      {"[PMark3]\nSize=1073741824", markSize, 100},
      {"[PMark3]\nSize=101", markSize, 100},
      {"[PMark3]\nSize=100", markSize, 100},
      {"[PMark3]\nSize=0", markSize, 0},
      {"[PMark3]\nSize=-2147483648", markSize, 0},
      {"[Map]\nMLineW=-3", mLineW, 1},
      {"[Map]\nMLineW=0", mLineW, 1},
      {"[Map]\nSLineW=2147483647", sLineW, 2},
      {"[Map]\nGLineW=3", gLineW, 2},
      {"[Font]\nFontSize=1073741824", fontSize, 200},
      {"[Font]\nFontSize=200", fontSize, 200},
      {"[Font]\nFontSize=-7", fontSize, 1},
      {"[Font]\nScaleFactorLegend=1e300", legend, 10},
      {"[Font]\nScaleFactorLegend=10", legend, 10},
      {"[Font]\nScaleFactorLegend=1e-300", legend, 0.1},
      {"[Font]\nScaleFactorLegend=NaN", legend, 1.2},
      {"[Font]\nScaleFactorLegend=inf", legend, 1.2},
      {"[Font]\nScaleFactorLegend=1e999", legend, 1.2},
      {"[Font]\nScaleFactorHeader=-1.5", header, 0.1},
      {"[Font]\nScaleFactorHeader=0.1", header, 0.1},
      {"[Font]\nScaleFactorHeader=-nan", header, 1.5},
      {"[Map]\nLandColor=-1", land, 0xFFFFFF},
      {"[Map]\nMapColor=$7F0000FF", mapColor, 0x0000FF},
      {"[PMark1]\nbcol=$80FFFFFF", fill, 0xFFFFFF},
      {"[PMark5]\npcol=16777216", rim, 0},
  };
  for (const auto& c : cases) {
    f.ApplySettings(platform::IniFile::FromBytes(c.line));
    EXPECT_EQ(c.read(f), c.expected) << c.line;
  }
  // The line buttons know thin and thick; a wider line read from a file toggles to thin.
  f.ApplySettings(platform::IniFile::FromBytes("[Map]\nMLineW=9"));
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("MapColorBtn"))->text(), kThickLine);
  f.LineWidthClick(0);
  EXPECT_EQ(f.State().MLineW, 1);
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("MapColorBtn"))->text(), kThinLine);
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(SettingsTest, LongTextsAreCutBetweenCharacters) {
  // A tree is one character of two UTF-16 units: cut by units, the title would end in half
  // a character.
  const std::string tree = "\xF0\x9F\x8C\xB2";
  std::string trees;
  for (int i = 0; i < 15000; ++i)
    trees += tree;
  const std::string longPath = "/" + std::string(60000, 'p');
  const std::string title = "a" + trees;  // 60 001 bytes, under the line cap
  ASSERT_LT(title.size(), 65536u);
  const std::string fontName(5000, 'F');
  WriteBytes(DefaultIni(), "[DataFile]\r\nTitle=" + title + "\r\nMapFile=" + longPath +
                               "\r\nGrdFile=" + longPath + "\r\nCRst1=" + std::string(60000, 'c') +
                               "\r\n[Font]\r\nTitleFontName=" + fontName +
                               "\r\nFontName=" + fontName + "\r\n");
  auto form = Make();
  TForm1& f = *form;
  QString expectedTitle = QStringLiteral("a");
  for (int i = 0; i < 255; ++i)
    expectedTitle += QString::fromStdString(tree);
  EXPECT_EQ(Edit(f, "EditTitle")->text(), expectedTitle);
  const QString path = QString::fromStdString(longPath.substr(0, 4096));
  EXPECT_EQ(Edit(f, "EditMapFile")->text(), path);
  EXPECT_EQ(Edit(f, "EditGrdFile")->text(), path);
  EXPECT_EQ(f.State().CRst1, QString(256, u'c'));
  EXPECT_EQ(f.ChosenTitleFont().family(), QString(256, u'F'));
  EXPECT_EQ(Child<QPushButton>(f, QStringLiteral("FontBtn"))->font().family(), QString(256, u'F'));
  EXPECT_TRUE(m_dialogs->Calls().empty());

  // Texts at the bound are kept whole.
  const QString title256 = QString(254, u'b') + QString::fromStdString(tree + "b");
  platform::IniFile ini;
  ini.WriteString(QStringLiteral("DataFile"), QStringLiteral("Title"), title256);
  f.ApplySettings(ini);
  EXPECT_EQ(Edit(f, "EditTitle")->text(), title256);
}

TEST_F(SettingsTest, AFigureFromHostileSettingsIsDrawnAtTheBounds) {
  const std::string island = (m_root / "island.mdt").string();
  WriteBytes(island, testsupport::kIslandMap);
  const std::string grd = (m_root / "one.grd").string();
  WriteBytes(grd, "Fagus\r\n53394611\r\n");
  WriteBytes(DefaultIni(), "[DataFile]\r\nMapFile=" + island + "\r\nGrdFile=" + grd + "\r\nTitle=" +
                               std::string(60000, 'W') + "\r\nCRst1=" + std::string(60000, 'C') +
                               "\r\n[Map]\r\nMLineW=1073741824\r\nSLineW=-1073741824\r\n"
                               "[PMark1]\r\nSize=1073741824\r\n[Legend]\r\nShowLegend=1\r\n"
                               "[Font]\r\nFontSize=1073741824\r\nScaleFactorLegend=1e300\r\n"
                               "ScaleFactorHeader=1e300\r\n");
  auto form = Make();
  form->DrawMapNewClick();
  EXPECT_TRUE(m_dialogs->Calls().empty());
  EXPECT_EQ(form->State().PlotCount, 1);
  const DrawingState& s = form->State();
  EXPECT_EQ(std::tuple(s.MLineW, s.SLineW, s.MarkStyles[0].size), std::tuple(2, 1, 100));
  EXPECT_EQ(form->ChosenTitleFont().pointSize(), 2000);
  EXPECT_FALSE(form->LegendBox().isEmpty());
}

// The credit is edited in the panel, drawn at the map's lower right by the next drawing, and
// kept in the settings file for the next start; an emptied field draws none.
TEST_F(SettingsTest, TheCreditEditedInThePanelIsDrawnAndKept) {
  const std::string island = (m_root / "island.mdt").string();
  WriteBytes(island, testsupport::kIslandMap);
  WriteBytes(DefaultIni(), "[DataFile]\r\nMapFile=" + island + "\r\nCRst1=Survey Team\r\n");
  auto form = Make();
  QLineEdit* credit = Edit(*form, "EditCredit");
  EXPECT_EQ(credit->text(), QStringLiteral("Survey Team"));
  // Dark pixels where the credit stands: ending 40 pixels left of the sheet's right edge,
  // centred 20 pixels above its bottom.
  auto inkAtTheCredit = [&form] {
    const auto& canvas = form->CanvasM();
    int ink = 0;
    for (int y = canvas.Height() - 28; y < canvas.Height() - 12; ++y) {
      for (int x = canvas.Width() - 240; x < canvas.Width() - 40; ++x)
        ink += qGray(canvas.Image().pixel(x, y)) < 96 ? 1 : 0;
    }
    return ink;
  };
  credit->setText(QString());
  form->DrawMapNewClick();
  EXPECT_EQ(form->State().CRst1, QString());
  const int none = inkAtTheCredit();
  credit->setText(QStringLiteral("Flora of Kyushu"));
  form->DrawMapNewClick();
  EXPECT_EQ(form->State().CRst1, QStringLiteral("Flora of Kyushu"));
  EXPECT_GT(inkAtTheCredit(), none + 50);
  form->MenuQuitItemClick();
  EXPECT_NE(ReadBytes(DefaultIni()).find("CRst1=Flora of Kyushu\r\n"), std::string::npos);
  auto again = Make();
  EXPECT_EQ(Edit(*again, "EditCredit")->text(), QStringLiteral("Flora of Kyushu"));
  EXPECT_EQ(again->State().CRst1, QStringLiteral("Flora of Kyushu"));
}

TEST_F(SettingsTest, FigureTypesTheProgramCannotMakeAreRefusedByName) {
  const std::string island = (m_root / "island.mdt").string();
  WriteBytes(island, testsupport::kIslandMap);
  const struct {
    const char* type;
    const char* named;  // in the error, or none when there is none
  } cases[] = {
      {"1", "MapsType=1（垂直分布図）"},
      {"2", "MapsType=2（拡大水平図）"},
      {"3", nullptr},
      {"0", nullptr},
  };
  const std::string grd = (m_root / "one.grd").string();
  WriteBytes(grd, "Fagus\r\n53394611\r\n");
  for (const auto& c : cases) {
    WriteBytes(DefaultIni(), "[DataFile]\r\nMapFile=" + island + "\r\nGrdFile=" + grd +
                                 "\r\n[Map]\r\nMapsType=" + c.type + "\r\n");
    auto form = Make();
    const auto& calls = m_dialogs->Calls();
    if (c.named) {
      ASSERT_EQ(calls.size(), 1u) << c.type;
      EXPECT_EQ(calls[0].kind, DialogKind::Error);
      EXPECT_TRUE(calls[0].message.contains(QString::fromUtf8(c.named)))
          << calls[0].message.toStdString();
    } else {
      EXPECT_TRUE(calls.empty()) << c.type;
    }
    EXPECT_TRUE(Selected(*form, "ThreeDMap")) << c.type;
    EXPECT_FALSE(Selected(*form, "VerticalMap")) << c.type;
    EXPECT_FALSE(Selected(*form, "EnlargedMap")) << c.type;
    // What is drawn is the three-view figure with its profiles, not an empty sheet.
    const size_t told = calls.size();
    form->DrawMapNewClick();
    EXPECT_EQ(calls.size(), told) << c.type;
    EXPECT_EQ(form->State().MapsType, 3) << c.type;
    EXPECT_EQ(form->State().PlotCount, 1) << c.type;
    platform::IniFile written;
    form->StoreSettings(written);
    EXPECT_EQ(written.ReadInteger(QStringLiteral("Map"), QStringLiteral("MapsType"), 0), 3);
  }
}

TEST_F(SettingsTest, AWriteKeepsWhatElseTheFileHolds) {
  WriteBytes(DefaultIni(),
             "; notes of the survey\r\n[Extra]\r\nOwner=K. Sato\r\n[map]\r\nlandcolor=5\r\n"
             "Custom=yes\r\n\r\n[Other]\r\nKey=1\r\n");
  auto form = Make();
  EXPECT_EQ(Swatch(*form, QStringLiteral("PLandCol")), 5u);
  m_dialogs->PickColor(77);
  form->LandOceanColClick(true);
  form->WriteIniFile();
  const std::string text = ReadBytes(DefaultIni());
  EXPECT_EQ(
      text.rfind("; notes of the survey\r\n[Extra]\r\nOwner=K. Sato\r\n[map]\r\nlandcolor=77\r\n",
                 0),
      0u)
      << text;
  EXPECT_NE(text.find("Custom=yes\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Other]\r\nKey=1\r\n"), std::string::npos);
  EXPECT_EQ(text.find("LandColor"), std::string::npos);  // replaced in place, not added
}

TEST_F(SettingsTest, SavingUnderAnotherNameLeavesTheFileInUse) {
  auto form = Make();
  const QString inUse = form->State().IniFileName;
  EXPECT_EQ(inUse, Q(DefaultIni()));
  Edit(*form, "EditTitle")->setText(QStringLiteral("保存した表題"));

  m_dialogs->Cancel(DialogKind::Save);
  form->SaveIniFileItemClick();
  EXPECT_TRUE(fs::is_empty(m_root / "bin"));

  const fs::path other = m_root / "elsewhere" / "kept.ini";
  fs::create_directories(other.parent_path());
  m_dialogs->AcceptSave(Q(other));
  form->SaveIniFileItemClick();
  const auto& call = m_dialogs->Calls().back();
  EXPECT_EQ(call.kind, DialogKind::Save);
  EXPECT_EQ(call.file.filterIndex, 1);
  EXPECT_EQ(call.file.fileName, inUse);
  EXPECT_EQ(form->State().IniFileName, inUse);
  EXPECT_EQ(platform::IniFile::Load(Q(other)).ReadString(QStringLiteral("DataFile"),
                                                         QStringLiteral("Title"), QString()),
            QStringLiteral("保存した表題"));
  EXPECT_FALSE(fs::exists(DefaultIni()));

  Edit(*form, "EditTitle")->setText(QStringLiteral("終了時の表題"));
  form->MenuQuitItemClick();
  EXPECT_EQ(Edit(*Make(), "EditTitle")->text(), QStringLiteral("終了時の表題"));
  EXPECT_EQ(platform::IniFile::Load(Q(other)).ReadString(QStringLiteral("DataFile"),
                                                         QStringLiteral("Title"), QString()),
            QStringLiteral("保存した表題"));
}

TEST_F(SettingsTest, AFailedSaveShowsTheErrorAndKeepsTheOldFile) {
  const fs::path folder = m_root / "target.ini";
  fs::create_directories(folder);
  // A name as long as a name may be: the file exists, but nothing can be put beside it
  // under a longer name, which is how a safe replacement starts.
  const fs::path longest = m_root / (std::string(251, 'n') + ".ini");
  const std::string old = "[DataFile]\r\nTitle=old\r\n";
  {
    std::ofstream probe(longest, std::ios::binary);
    if (!probe) GTEST_SKIP() << "this file system has shorter names";
    probe << old;
  }
  for (const fs::path& target : {folder, longest}) {
    auto form = Make();
    Edit(*form, "EditTitle")->setText(QStringLiteral("new"));
    m_dialogs->AcceptSave(Q(target));
    form->SaveIniFileItemClick();
    ASSERT_FALSE(m_dialogs->Calls().empty());
    const auto& last = m_dialogs->Calls().back();
    EXPECT_EQ(last.kind, DialogKind::Error);
    EXPECT_TRUE(last.message.contains(Q(target))) << last.message.toStdString();
    EXPECT_EQ(form->State().IniFileName, Q(target));
  }
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(ReadBytes(longest), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_root), fs::directory_iterator()), 3);
}

TEST_F(SettingsTest, TypingOrPickingASettingsFileLoadsIt) {
  WriteBytes(m_root / "bin" / "mine.ini", "[DataFile]\r\nTitle=typed\r\n");
  const fs::path picked = m_root / "field notes 2024" / "settings of the survey.ini";
  WriteBytes(picked, "[DataFile]\r\nTitle=picked\r\n[Map]\r\nGridSize=2\r\n");

  auto form = Make();
  auto* board = Child<QWidget>(*form, QStringLiteral("SettingBoard"));
  auto* field = Edit(*form, "EditIniFile");
  form->BtnSettingCancelClick();
  // Keystroke by keystroke; only the completed name of an existing file loads it. A bare
  // name stands for the file beside the program.
  field->clear();
  for (const char* typed : {"m", "mine.in"}) {
    field->setText(QString::fromLatin1(typed));
    EXPECT_EQ(Edit(*form, "EditTitle")->text(), QStringLiteral("三面分布図"));
    EXPECT_TRUE(board->isHidden());
  }
  field->setText(QStringLiteral("mine.ini"));
  EXPECT_EQ(Edit(*form, "EditTitle")->text(), QStringLiteral("typed"));
  EXPECT_FALSE(board->isHidden());
  EXPECT_EQ(form->State().IniFileName, QStringLiteral("mine.ini"));
  EXPECT_EQ(form->Dialogs().open.initialDir, Q(m_root / "bin"));

  form->BtnSettingCancelClick();
  m_dialogs->AcceptOpen(Q(picked));
  form->BtnGetIniFileClick();
  const auto& call = m_dialogs->Calls().back();
  EXPECT_EQ(call.kind, DialogKind::Open);
  EXPECT_EQ(QFileInfo(call.file.initialDir).fileName(), QStringLiteral("presets"));
  EXPECT_EQ(call.file.filterIndex, 1);
  EXPECT_EQ(call.file.fileName, QStringLiteral("*.ini"));
  EXPECT_EQ(Edit(*form, "EditTitle")->text(), QStringLiteral("picked"));
  EXPECT_TRUE(Selected(*form, "GScale2"));
  EXPECT_FALSE(board->isHidden());
  EXPECT_EQ(field->text(), Q(picked));
  EXPECT_EQ(form->State().IniFileName, Q(picked));

  // A cancelled pick still shows the panel and the file in use.
  form->BtnSettingCancelClick();
  Edit(*form, "EditTitle")->setText(QStringLiteral("unsaved"));
  m_dialogs->Cancel(DialogKind::Open);
  form->BtnGetIniFileClick();
  EXPECT_FALSE(board->isHidden());
  EXPECT_EQ(field->text(), Q(picked));
  EXPECT_EQ(form->State().IniFileName, Q(picked));
  EXPECT_EQ(Edit(*form, "EditTitle")->text(), QStringLiteral("unsaved"));
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::Open);
}

TEST_F(SettingsTest, PickingAFileThatCannotBeReadShowsTheError) {
  const fs::path folder = m_root / "not a file.ini";
  fs::create_directories(folder);
  auto form = Make();
  m_dialogs->AcceptOpen(Q(folder));
  form->BtnGetIniFileClick();
  ASSERT_FALSE(m_dialogs->Calls().empty());
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_TRUE(m_dialogs->Calls().back().message.contains(Q(folder)));
  EXPECT_FALSE(Child<QWidget>(*form, QStringLiteral("SettingBoard"))->isHidden());
  EXPECT_EQ(Edit(*form, "EditTitle")->text(), QStringLiteral("三面分布図"));
}

TEST_F(SettingsTest, LegendRowsFollowOnlyTheCategoriesDrawn) {
  const std::string island = (m_root / "island.mdt").string();
  WriteBytes(island, testsupport::kIslandMap);
  const std::string grd = (m_root / "three.grd").string();
  WriteBytes(grd, "Fagus\r\n53394611\r\nPinus\r\n53394612\r\nLilium\r\n53394613\r\n");
  std::string marks;
  for (int i = 1; i <= 5; ++i) {
    marks += "[PMark" + std::to_string(i) +
             "]\r\nStyl=8\r\nSize=12\r\nbcol=" + std::to_string(0x010203 * i) + "\r\npcol=255\r\n";
  }
  const fs::path styles = m_root / "styles.ini";
  WriteBytes(styles, "[DataFile]\r\nMapFile=" + island + "\r\nGrdFile=" + grd + "\r\n" + marks);

  auto form = Make();
  auto rows = [&form](int row) {
    const QString n = QString::number(row);
    return std::tuple(
        Child<QComboBox>(*form, QStringLiteral("CBoxMark") + n)->currentIndex(),
        Child<QComboBox>(*form, QStringLiteral("CBoxSize") + n)->currentText().trimmed(),
        SwatchColor(Child<QWidget>(*form, QStringLiteral("MrkColor") + n)),
        Child<QCheckBox>(*form, QStringLiteral("MarkRim") + n)->isChecked());
  };
  const auto before = std::array{rows(1), rows(2), rows(3), rows(4), rows(5)};
  form->State().IniFileName = Q(styles);
  form->ReadIniFile();
  for (int row = 1; row <= 5; ++row)
    EXPECT_EQ(rows(row), before[static_cast<size_t>(row - 1)]) << row;

  form->DrawMapNewClick();
  ASSERT_EQ(form->State().CategoryCount, 3);
  form->ReadIniFile();
  for (int row = 1; row <= 3; ++row) {
    EXPECT_EQ(rows(row), std::tuple(8, QStringLiteral("12"),
                                    WinColor{0x010203u} * static_cast<WinColor>(row), false))
        << row;
  }
  for (int row = 4; row <= 5; ++row)
    EXPECT_EQ(rows(row), before[static_cast<size_t>(row - 1)]) << row;
}

}  // namespace
}  // namespace conic
