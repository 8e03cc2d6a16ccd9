#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "conic/PanelItems.h"
#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::Q;
using testsupport::ReadBytes;

namespace fs = std::filesystem;
using platform::DialogKind;
using platform::ScriptedDialogs;

constexpr WinColor kMarkColor = 0x123456;

// The program lives in "bin"; the window starts with a settings file from another folder
// that names a one-island map and a data file of three categories and four records.
class MenusTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_menus_");
    fs::create_directories(m_root / "other");
    Write("island.mdt", testsupport::kIslandMap);
    Write("three.grd",
          "Fagus\r\n35.0,136.0,1200\r\n53394611\r\nPinus\r\n34.5,135.5\r\nLilium\r\n53394613\r\n");
    Write("other/s.ini", "[DataFile]\r\nMapFile=" + Path("island.mdt") + "\r\nGrdFile=" +
                             Path("three.grd") + "\r\n[Legend]\r\nShowLegend=1\r\n");
    m_form = Make({Q(m_root / "other" / "s.ini")});
  }
  void TearDown() override {
    m_form.reset();
    fs::remove_all(m_root);
  }

  std::unique_ptr<TForm1> Make(const QStringList& args) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    auto form = std::make_unique<TForm1>(args, std::move(dialogs), Q(m_root / "bin" / "Tarvo_L"));
    form->SetFixedWindowWidth(400);
    return form;
  }
  std::string Path(const char* name) const { return (m_root / name).string(); }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(m_root / name, std::ios::binary) << bytes;
  }
  template <typename W>
  W* Child(const char* name) {
    W* w = m_form->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Trigger(const char* item) { Child<QAction>(item)->trigger(); }
  void Release(const char* name) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Child<QWidget>(name), &release);
  }
  // A pixel a full drawing paints over (open sea) and nothing else touches.
  void MarkBaseMap() { m_form->CanvasM().SetPixel(3, 3, kMarkColor); }
  bool BaseMapRepainted() const { return m_form->CanvasM().Pixel(3, 3) != kMarkColor; }
  std::vector<QString> Statuses() const {
    std::vector<QString> texts;
    for (int i = 0; i < 10; ++i)
      texts.push_back(m_form->StatusText(i));
    return texts;
  }
  int CountOf(DialogKind kind) const {
    const auto& calls = m_dialogs->Calls();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [kind](const auto& c) { return c.kind == kind; }));
  }

  fs::path m_root;
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

TEST_F(MenusTest, WidthLabelsToggleTheirLineAndTwiceRestore) {
  const struct {
    const char* label;
    const char* button;
    int DrawingState::*width;
  } lines[] = {{"WCoastLine", "MapColorBtn", &DrawingState::MLineW},
               {"WSubLine", "SubColorBtn", &DrawingState::SLineW},
               {"WMeshLine", "MshColorBtn", &DrawingState::GLineW}};
  MarkBaseMap();
  for (const auto& l : lines) {
    auto* sample = Child<QPushButton>(l.button);
    Release(l.label);
    EXPECT_EQ(m_form->State().*l.width, 2) << l.label;
    EXPECT_EQ(sample->text(), kThickLine) << l.label;
    Release(l.label);
    EXPECT_EQ(m_form->State().*l.width, 1) << l.label;
    EXPECT_EQ(sample->text(), kThinLine) << l.label;
  }
  EXPECT_FALSE(BaseMapRepainted());
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(MenusTest, ColourDialogsServeTheirSamplesAndStartOnTheirColour) {
  const struct {
    std::function<void()> open;
    const char* swatch;
    WinColor DrawingState::*field;
  } controls[] = {
      {[this] { Child<QPushButton>("MapColorBtn")->click(); }, "MapColorBtn",
       &DrawingState::MapColor},
      {[this] { Child<QPushButton>("SubColorBtn")->click(); }, "SubColorBtn",
       &DrawingState::SubColor},
      {[this] { Child<QPushButton>("MshColorBtn")->click(); }, "MshColorBtn",
       &DrawingState::MshColor},
      {[this] { Release("PLandCol"); }, "PLandCol", nullptr},
      {[this] { Release("LabelLandCol"); }, "PLandCol", nullptr},
      {[this] { Release("POceanCol"); }, "POceanCol", nullptr},
      {[this] { Release("LabelOceanCol"); }, "POceanCol", nullptr},
  };
  WinColor chosen = 0x010101;
  for (const auto& c : controls) {
    chosen += 0x030201;
    const WinColor before = SwatchColor(Child<QWidget>(c.swatch));
    m_dialogs->PickColor(chosen);
    c.open();
    ASSERT_EQ(m_dialogs->Calls().back().kind, DialogKind::Color) << c.swatch;
    EXPECT_EQ(m_dialogs->Calls().back().color, before) << c.swatch;
    EXPECT_EQ(SwatchColor(Child<QWidget>(c.swatch)), chosen) << c.swatch;
    if (c.field) {
      EXPECT_EQ(m_form->State().*c.field, chosen) << c.swatch;
    }
    m_dialogs->Cancel(DialogKind::Color);
    c.open();
    EXPECT_EQ(m_dialogs->Calls().back().color, chosen) << c.swatch;
    EXPECT_EQ(SwatchColor(Child<QWidget>(c.swatch)), chosen) << c.swatch;
  }
  EXPECT_EQ(m_dialogs->Calls().size(), 2 * std::size(controls));
}

TEST_F(MenusTest, CoastlineColourReachesTheMapOnlyWithTheNextFullDrawing) {
  m_form->DrawMapNewClick();
  const QRgb red = platform::ToQRgb(0x0000FF);
  const auto reds = [this, red] {
    const QImage& image = m_form->CanvasM().Image();
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      n += static_cast<int>(std::count(row, row + image.width(), red));
    }
    return n;
  };
  ASSERT_EQ(reds(), 0);
  m_dialogs->PickColor(0x0000FF);
  Child<QPushButton>("MapColorBtn")->click();
  EXPECT_EQ(SwatchColor(Child<QWidget>("MapColorBtn")), 0x0000FFu);
  m_form->ShowCombClick();
  m_form->DrawMap(false);
  EXPECT_EQ(reds(), 0);
  m_form->DrawMapNewClick();
  EXPECT_GT(reds(), 0);
}

TEST_F(MenusTest, FontDialogsServeTheirFieldsAndStartFromTheLastChoice) {
  const struct {
    std::function<void()> open;
    const char* field;
  } controls[] = {
      {[this] { Child<QPushButton>("FontBtn")->click(); }, "FontBtn"},
      {[this] { Trigger("EditFontItem"); }, "FontBtn"},
      {[this] { Child<QPushButton>("BtnFont")->click(); }, "EditTitle"},
  };
  const QStringList families = {QStringLiteral("Courier New"), QStringLiteral("Times New Roman"),
                                QStringLiteral("Arial")};
  QString last = m_dialogs->font.family();
  for (size_t i = 0; i < std::size(controls); ++i) {
    const QFont chosen(families[static_cast<qsizetype>(i)], 11 + static_cast<int>(i));
    m_dialogs->PickFont(chosen, 0x0000FF);
    controls[i].open();
    ASSERT_EQ(m_dialogs->Calls().back().kind, DialogKind::Font);
    EXPECT_EQ(m_dialogs->Calls().back().font.family(), last);
    auto* field = Child<QWidget>(controls[i].field);
    // The title's field shows the face; the size chosen is kept for the figure.
    const bool title = std::string_view(controls[i].field) == "EditTitle";
    EXPECT_EQ(field->font().family(), chosen.family()) << controls[i].field;
    EXPECT_EQ((title ? m_form->ChosenTitleFont() : field->font()).pointSize(), chosen.pointSize())
        << controls[i].field;
    m_dialogs->Cancel(DialogKind::Font);
    controls[i].open();
    EXPECT_EQ(field->font().family(), chosen.family()) << controls[i].field;
    last = chosen.family();
  }
}

TEST_F(MenusTest, PrecisionItemsAndRadioButtonsStayInStep) {
  const std::map<int, QString> words = {{0, QStringLiteral("経緯")},
                                        {1, QStringLiteral("基準")},
                                        {2, QStringLiteral("２倍")},
                                        {5, QStringLiteral("５倍")},
                                        {10, QStringLiteral("二次")}};
  const auto marked = [this] {
    std::vector<const char*> items;
    for (const PanelItem& p : kPrecisionItems) {
      if (Child<QAction>(p.item)->isChecked()) items.push_back(p.item);
    }
    return items;
  };
  // A menu command selects the button, marks its item and draws.
  for (const PanelItem& p : kPrecisionItems) {
    MarkBaseMap();
    Trigger(p.item);
    EXPECT_TRUE(Child<QRadioButton>(p.radio)->isChecked()) << p.item;
    EXPECT_EQ(marked(), std::vector<const char*>{p.item});
    EXPECT_EQ(m_form->State().GridSize, p.code);
    EXPECT_EQ(m_form->StatusText(7), words.at(p.code));
    EXPECT_TRUE(BaseMapRepainted()) << p.item;
  }
  // A click on a button marks its item and draws nothing.
  const int drawn = m_form->State().GridSize;
  MarkBaseMap();
  for (const PanelItem& p : kPrecisionItems) {
    Child<QRadioButton>(p.radio)->click();
    EXPECT_EQ(marked(), std::vector<const char*>{p.item});
  }
  EXPECT_EQ(m_form->State().GridSize, drawn);
  EXPECT_EQ(m_form->StatusText(7), words.at(drawn));
  EXPECT_FALSE(BaseMapRepainted());
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(MenusTest, SheetItemsSelectTheirSizeAndDraw) {
  const struct {
    const char* item;
    const char* radio;
    int width;
  } sheets[] = {{"ShowA6SizeItem", "MapSizeA6", 1240}, {"ShowWnSizeItem", "MapSizeWn", 400}};
  for (const auto& s : sheets) {
    Trigger(s.item);
    EXPECT_TRUE(Child<QRadioButton>(s.radio)->isChecked());
    EXPECT_EQ(m_form->CanvasM().Width(), s.width);
    EXPECT_EQ(m_form->CanvasP().Width(), s.width);
    EXPECT_EQ(m_form->State().PlotCount, 4);
    EXPECT_EQ(m_form->StatusText(9), QStringLiteral("%1 pix").arg(s.width));
  }
}

TEST_F(MenusTest, ShowItemsOnlySwitchTheirOptionOnAndDraw) {
  const struct {
    const char* item;
    const char* box;
  } items[] = {{"ShowTitleItem", "ShowMapTitle"},
               {"GraticuleLineItem", "WithGrat"},
               {"PrefLineItem", "WithPref"}};
  for (const auto& i : items) {
    auto* box = Child<QCheckBox>(i.box);
    for (const bool before : {false, true}) {
      box->setChecked(before);
      MarkBaseMap();
      Trigger(i.item);
      EXPECT_TRUE(box->isChecked()) << i.item;
      EXPECT_TRUE(BaseMapRepainted()) << i.item;
      EXPECT_EQ(m_form->State().PlotCount, 4);
    }
  }
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(MenusTest, ShowLegendTakesTheEditorRowsAndDrawsOnce) {
  m_form->DrawMapNewClick();
  m_form->EditMarkItemClick();
  Child<QComboBox>("CBoxSize1")->setEditText(QStringLiteral("6"));
  // Every full drawing asks for a map that is missing, so the questions count drawings.
  Child<QLineEdit>("EditMapFile")->setText(QStringLiteral("none.mdt"));
  m_dialogs->AcceptOpen(Q(m_root / "island.mdt"));
  ASSERT_TRUE(Child<QCheckBox>("ShowLegend")->isChecked());
  Trigger("ShowLegendItem");
  EXPECT_EQ(CountOf(DialogKind::Open), 1);
  EXPECT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_form->State().MarkStyles[0].size, 6);
  EXPECT_TRUE(Child<QWidget>("MrkEdPanel")->isHidden());
  EXPECT_FALSE(m_form->LegendBox().isEmpty());
  EXPECT_EQ(m_form->State().PlotCount, 4);
}

TEST_F(MenusTest, NewPlotDrawsAlsoAfterACancelledDialog) {
  MarkBaseMap();
  m_dialogs->Cancel(DialogKind::Open);
  Trigger("NewPlotItem");
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].file.filterIndex, 3);
  EXPECT_EQ(m_dialogs->Calls()[0].file.fileName, QStringLiteral("*.grd"));
  EXPECT_TRUE(BaseMapRepainted());
  EXPECT_EQ(m_form->State().PlotCount, 4);

  Write("one.grd", "Quercus\r\n53394611\r\n");
  m_dialogs->AcceptOpen(Q(m_root / "one.grd"));
  Trigger("NewPlotItem");
  EXPECT_EQ(m_form->State().PlotCount, 1);
  EXPECT_EQ(Child<QLineEdit>("EditGrdFile")->text(), Q(m_root / "one.grd"));
  EXPECT_EQ(m_form->StatusText(3), QStringLiteral("one.grd"));
}

TEST_F(MenusTest, ThreeViewItemRewritesOnlyTheLayoutStatus) {
  const QImage base = m_form->CanvasM().Image();
  const QImage plot = m_form->CanvasP().Image();
  std::vector<QString> expected = Statuses();
  expected[9] = QStringLiteral("800 pix");  // the layers' width, whatever the window's
  ASSERT_NE(Statuses()[9], expected[9]);
  Child<QRadioButton>("VerticalMap")->setChecked(true);
  Trigger("CombiMapItem");
  EXPECT_TRUE(Child<QRadioButton>("ThreeDMap")->isChecked());
  EXPECT_EQ(Statuses(), expected);
  EXPECT_EQ(m_form->CanvasM().Image(), base);
  EXPECT_EQ(m_form->CanvasP().Image(), plot);
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(MenusTest, ClearingThePlotKeepsTheBaseMapAndTheStatusBar) {
  m_form->DrawMapNewClick();
  ASSERT_EQ(m_form->StatusText(5), QStringLiteral("4 / 3"));
  const std::vector<QString> statuses = Statuses();
  const QImage base = m_form->CanvasM().Image();
  Trigger("ClearPlotItem");
  QImage white(base.size(), QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_EQ(m_form->CanvasP().Image(), white);
  EXPECT_EQ(m_form->CanvasM().Image(), base);
  EXPECT_EQ(m_form->ComposeFigure(), base);
  EXPECT_EQ(m_form->State().PlotCount, 0);
  EXPECT_EQ(m_form->State().CategoryCount, 0);
  EXPECT_EQ(Statuses(), statuses);
}

TEST_F(MenusTest, ADropReplotsTheFirstFileOverTheBaseMapOnScreen) {
  m_form->DrawMapNewClick();
  ASSERT_EQ(m_form->State().GridSize, 10);
  // The panel changed since the drawing; a drop does not read it.
  Child<QRadioButton>("GScale1")->click();
  Child<QLineEdit>("EditGrdFile")->setText(QStringLiteral("unused.grd"));
  MarkBaseMap();
  Write("first.txt", "Quercus\r\n53394611\r\nAcer\r\n53394612\r\n");
  Write("second.grd", "Abies\r\n53394611\r\n");
  Write("bad.grd", "Abies\r\n53394611\r\n35.x,139\r\n");
  const auto drop = [this](const std::vector<const char*>& names) {
    QMimeData data;
    QList<QUrl> urls;
    for (const char* name : names)
      urls << (std::string_view(name).starts_with("http") ? QUrl(QString::fromLatin1(name))
                                                          : QUrl::fromLocalFile(Q(m_root / name)));
    data.setUrls(urls);
    // As the desktop does it: a drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &dropped);
  };

  drop({"first.txt", "second.grd", "bad.grd"});
  EXPECT_EQ(m_form->State().PlotCount, 2);
  EXPECT_EQ(m_form->State().CategoryCount, 2);
  EXPECT_EQ(m_form->State().GrdFileName, Q(m_root / "first.txt"));
  EXPECT_EQ(Child<QLineEdit>("EditGrdFile")->text(), Q(m_root / "first.txt"));
  EXPECT_EQ(Child<QLineEdit>("EditLegName2")->text(), QStringLiteral("Acer"));
  EXPECT_EQ(m_form->StatusText(5), QStringLiteral("2 / 2"));
  EXPECT_EQ(m_form->State().GridSize, 10);
  EXPECT_EQ(m_form->StatusText(7), QStringLiteral("二次"));
  EXPECT_FALSE(BaseMapRepainted());
  EXPECT_TRUE(m_dialogs->Calls().empty());

  drop({"https://example.org/x.grd", "second.grd"});
  EXPECT_EQ(m_form->State().PlotCount, 2);

  drop({"bad.grd"});
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Error);
  EXPECT_TRUE(m_dialogs->Calls()[0].message.contains(QStringLiteral("bad.grd の 3 行目")))
      << m_dialogs->Calls()[0].message.toStdString();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(BaseMapRepainted());
}

TEST_F(MenusTest, QuitWritesTheSettingsBesideTheProgram) {
  const fs::path loaded = m_root / "other" / "s.ini";
  const fs::path beside = m_root / "bin" / "Tarvo_L.ini";
  const std::string loadedBytes = ReadBytes(loaded);
  Child<QLineEdit>("EditTitle")->setText(QStringLiteral("quit by menu"));
  // Other ways of closing ask first: a cancel keeps the window, "保存しない" writes nothing.
  EXPECT_FALSE(m_form->close());
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::SaveChanges);
  m_dialogs->AnswerSave(platform::DialogService::SaveChoice::Discard);
  EXPECT_TRUE(m_form->close());
  EXPECT_FALSE(fs::exists(beside));
  const size_t asked = m_dialogs->Calls().size();

  Trigger("MenuQuitItem");
  EXPECT_EQ(m_dialogs->Calls().size(), asked);  // written, so nothing to ask
  EXPECT_EQ(m_form->State().IniFileName, Q(beside));
  EXPECT_EQ(ReadBytes(loaded), loadedBytes);
  ASSERT_TRUE(fs::exists(beside));
  EXPECT_EQ(Make({})->findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text(),
            QStringLiteral("quit by menu"));

  // The panel's quit button is the same command.
  fs::remove(beside);
  m_form = Make({Q(loaded)});
  Child<QLineEdit>("EditTitle")->setText(QStringLiteral("quit by button"));
  Child<QPushButton>("GoQuit")->click();
  EXPECT_EQ(Make({})->findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text(),
            QStringLiteral("quit by button"));
  EXPECT_EQ(ReadBytes(loaded), loadedBytes);
}

TEST_F(MenusTest, ClosingAsksBeforeChangedSettingsAreLost) {
  const fs::path beside = m_root / "bin" / "Tarvo_L.ini";
  // Unchanged settings close without a word.
  EXPECT_TRUE(m_form->close());
  EXPECT_TRUE(m_dialogs->Calls().empty());
  m_form = Make({Q(m_root / "other" / "s.ini")});
  Trigger("StandardItem");  // a changed precision is a changed setting
  m_dialogs->AnswerSave(platform::DialogService::SaveChoice::Save);
  EXPECT_TRUE(m_form->close());
  EXPECT_EQ(m_dialogs->Calls().back().message, platform::SettingsChangedQuestion());
  ASSERT_TRUE(fs::exists(beside));
  EXPECT_NE(ReadBytes(beside).find("GridSize=1\r"), std::string::npos) << ReadBytes(beside);
  // A data file handed over by the file manager is no change of the user's.
  m_form = Make({Q(m_root / "other" / "s.ini")});
  m_form->OpenFileArgument({Q(m_root / "three.grd")});
  EXPECT_TRUE(m_form->close());
  EXPECT_EQ(CountOf(DialogKind::SaveChanges), 0);
}

TEST_F(MenusTest, TheManualBesideTheProgramComesFirst) {
  const QString bundled =
      QFileInfo(QStringLiteral(TARVO_SOURCE_DIR "/docs/index.html")).canonicalFilePath();
  ASSERT_FALSE(bundled.isEmpty());
  EXPECT_EQ(m_form->ManualPath(), bundled);
  fs::create_directories(m_root / "bin" / "docs");
  Write("bin/docs/index.html", "<html></html>");
  EXPECT_EQ(m_form->ManualPath(),
            QFileInfo(Q(m_root / "bin" / "docs" / "index.html")).canonicalFilePath());
}

TEST_F(MenusTest, WebHelpOpensTheManualsIndexPageWhenNoAddressIsGiven) {
  QList<QUrl> opened;
  const platform::UrlOpener previous = platform::SetUrlOpener([&opened](const QUrl& url) {
    opened << url;
    return true;
  });
  Trigger("WebHelpItem");
  platform::SetUrlOpener(previous);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(m_form->ManualPath()));
  EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("/index.html")));
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

// A data file handed over on the command line is drawn at once on the settings' map; a map
// file only takes the map field; a missing data file is told by the drawing.
TEST_F(MenusTest, AFileOnTheCommandLineIsOpened) {
  Write("two.grd", "Fagus\r\n35.0,136.0,1200\r\n35.5,135.5\r\n");
  m_form->OpenFileArgument({Q(m_root / "other" / "s.ini"), Q(m_root / "other.mdt")});
  EXPECT_EQ(Child<QLineEdit>("EditMapFile")->text(), Q(m_root / "other.mdt"));
  EXPECT_TRUE(m_dialogs->Calls().empty());

  Child<QLineEdit>("EditMapFile")->setText(Q(m_root / "island.mdt"));
  m_form->OpenFileArgument({Q(m_root / "missing.grd")});
  ASSERT_EQ(CountOf(DialogKind::Error), 1);
  EXPECT_TRUE(m_dialogs->Calls().back().message.contains(QStringLiteral("missing.grd")));

  m_form->OpenFileArgument({Q(m_root / "two.grd")});
  EXPECT_EQ(m_form->State().PlotCount, 2);
  EXPECT_EQ(Child<QLineEdit>("EditGrdFile")->text(), Q(m_root / "two.grd"));
  EXPECT_EQ(CountOf(DialogKind::Error), 1);
}

TEST_F(MenusTest, WebHelpThatCannotBeOpenedSaysSo) {
  // The offscreen platform opens no documents, so the shell's failure is certain there.
  if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
    GTEST_SKIP() << "a browser might start";
  Trigger("WebHelpItem");
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Error);
  EXPECT_EQ(m_dialogs->Calls()[0].message, QStringLiteral("ブラウザの起動に失敗しました"));
  EXPECT_EQ(m_dialogs->Calls()[0].title, QStringLiteral("エラー"));
}

// Every command, with every dialog cancelled and then with files that fail (a map with a
// bad number, a data file that is gone, a save into a folder that does not exist): each
// ends with the normal cursor and leaves a window that still draws.
TEST_F(MenusTest, EveryCommandEndsUsableWhenCancelledOrWhenFilesFail) {
  Write("broken.mdt", "*H-MAP\r\n135,34\r\n1x,2\r\n");
  // Commands that open a window of their own or end the program are left out.
  const QStringList skipped = {QStringLiteral("HelpVersionItem"), QStringLiteral("WebHelpItem"),
                               QStringLiteral("MenuQuitItem")};
  QList<QAction*> commands;
  for (QAction* action : m_form->findChildren<QAction*>()) {
    if (action->objectName().isEmpty() || action->isSeparator() || action->menu() ||
        skipped.contains(action->objectName())) {
      continue;
    }
    commands << action;
  }
  ASSERT_GT(commands.size(), 20);
  for (const bool failingFiles : {false, true}) {
    if (failingFiles) {
      Child<QLineEdit>("EditMapFile")->setText(QString::fromStdString(Path("broken.mdt")));
      Child<QLineEdit>("EditGrdFile")->setText(QString::fromStdString(Path("gone.grd")));
    }
    for (QAction* action : commands) {
      const std::string name = action->objectName().toStdString();
      if (failingFiles) {
        m_dialogs->AcceptSave(QString::fromStdString(Path("no/such/folder/f.png")));
        m_dialogs->AcceptOpen(QString::fromStdString(Path("gone.grd")));
      }
      if (action->isEnabled()) action->trigger();
      EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << name << " " << failingFiles;
      EXPECT_TRUE(m_form->isEnabled()) << name;
    }
  }
  // The window still draws a whole figure from good files.
  Child<QLineEdit>("EditMapFile")->setText(QString::fromStdString(Path("island.mdt")));
  Child<QLineEdit>("EditGrdFile")->setText(QString::fromStdString(Path("three.grd")));
  m_form->DrawMapNewClick();
  EXPECT_EQ(m_form->State().PlotCount, 4);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  for (const auto& call : m_dialogs->Calls()) {
    if (call.kind == DialogKind::Error) {
      EXPECT_FALSE(call.message.isEmpty());
    }
  }
}

}  // namespace
}  // namespace conic
