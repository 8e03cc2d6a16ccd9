#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <memory>

#include "chart/TForm1.h"
#include "platform/text/SettingsTable.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Swatch.h"
#include "tests/support/Presets.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

using testsupport::Q;
namespace fs = std::filesystem;

// A window whose program lives in a fresh folder, with the settings file `ini` (when not
// empty) beside it, read at start as the program reads its own.
struct Window {
  fs::path root;
  platform::ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<TForm1> form;

  explicit Window(const std::string& ini = std::string()) {
    root = testsupport::FreshTestFolder("chart-settings-");
    if (!ini.empty()) testsupport::WriteBytes(root / "bin" / "Tarvo.ini", ini);
    auto owned = std::make_unique<platform::ScriptedDialogs>();
    dialogs = owned.get();
    form = std::make_unique<TForm1>(QStringList(), std::move(owned), Q(root / "bin" / "Tarvo"));
    form->SetFixedClientSize(800, 600);
  }
  QString Text(const char* name) const {
    return form->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  }
  bool Ticked(const char* name) const {
    return form->findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
  }
  bool Selected(const char* name) const {
    return form->findChild<QRadioButton*>(QString::fromLatin1(name))->isChecked();
  }
  std::vector<QString> Errors() const {
    std::vector<QString> errors;
    for (const auto& call : dialogs->Calls()) {
      if (call.kind == platform::DialogKind::Error) errors.push_back(call.message);
    }
    return errors;
  }
};

// What a first start with no settings file writes on quitting, byte for byte: every key in
// its order, the panel's texts as they stand.
constexpr char kStartSettings[] =
    "[DataFile]\r\n"
    // "日本植物三面分布図" in Shift-JIS
    "Title=\x93\xFA\x96\x7B\x90\x41\x95\xA8\x8E\x4F\x96\xCA\x95\xAA\x95\x7A\x90\x7D\r\n"
    // The bundled map and sample, "三面図全国.mdt"
    "MapFile=\x8E\x4F\x96\xCA\x90\x7D\x91\x53\x8D\x91.mdt\r\nGrdFile=ZoSample.grd\r\n"
    "[Draw]\r\nHorizonMap=1\r\nProfileMap=1\r\nProfilesInRange=1\r\nFigureTitle=0\r\n"
    "[Map]\r\nGY1=30.00\r\nGY2=46.00\r\nGX1=128.00\r\nGX2=146.00\r\nGH2=3800\r\nI2K=1.2208\r\n"
    "LabX=134.00\r\nLabY=32.00\r\nGridSize=1\r\nMeshSize=0\r\nMapColor=0\r\n"
    "SubColor=10789024\r\nMshColor=16776960\r\nPrefecture=0\r\nMLW=1\r\n"
    "[Mark1]\r\nStyl=1\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n"
    "[Mark2]\r\nStyl=2\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n"
    "[Mark3]\r\nStyl=3\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n"
    "[Mark4]\r\nStyl=4\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n"
    "[Mark5]\r\nStyl=5\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n"
    "[Mark6]\r\nStyl=6\r\nSize=3\r\nbcol=16711680\r\npcol=0\r\n";

TEST(ChartSettings, QuittingStraightAfterAFirstStartWritesTheDefaultsInTheirOrder) {
  Window w;
  w.form->MenuQuitClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "bin" / "Tarvo.ini"), kStartSettings);
  EXPECT_TRUE(w.Errors().empty());
}

TEST(ChartSettings, AFileIsReadIntoThePanelAndTheDrawingState) {
  // Shift-JIS title, hexadecimal colour, a second-order mesh, the thick width, no map at all
  // asked for (both boxes 0), a marker section of its own.
  Window w(
      "[DataFile]\r\nTitle=\x83\x5a\x83\x8a\r\n[Draw]\r\nHorizonMap=0\r\nProfileMap=0\r\n"
      "[Map]\r\nGY1=33.30\r\nGY2=35.00\r\nI2K=1.25\r\nGridSize=0\r\nMeshSize=2\r\n"
      "MapColor=$0000FF\r\nMLW=2\r\n[Mark3]\r\nStyl=9\r\nSize=7\r\nbcol=255\r\npcol=65280\r\n");
  const DrawingState& s = w.form->State();
  EXPECT_EQ(w.Text("EditTitle"), QStringLiteral("セリ"));
  EXPECT_TRUE(w.Ticked("HorizonMap"));
  EXPECT_FALSE(w.Ticked("ProfileMap"));
  EXPECT_EQ(w.Text("EditGY1"), QStringLiteral("33.30"));
  // The stored ratio is set after the latitudes recomputed it.
  EXPECT_EQ(w.Text("EditI2K"), QStringLiteral("1.25"));
  EXPECT_EQ(s.GridSize, 0);
  EXPECT_TRUE(w.Selected("GScale0"));
  EXPECT_TRUE(w.Selected("MScale2"));
  EXPECT_EQ(s.MapColor, 0xFFu);
  EXPECT_EQ(platform::SwatchColor(w.form->findChild<QWidget*>(QStringLiteral("MapColorBt"))),
            0xFFu);
  EXPECT_EQ(w.form->findChild<QPushButton*>(QStringLiteral("MapLWBtn"))->text(),
            QStringLiteral("━幅"));
  const platform::TMarkStyle& mark3 = s.MarkStyles.at(2);
  EXPECT_EQ(mark3.shape, 9);
  EXPECT_EQ(mark3.size, 7);
  EXPECT_EQ(mark3.fillColor, 255u);
  EXPECT_EQ(mark3.rimColor, 65280u);
  EXPECT_EQ(s.MarkStyles.at(5).shape, 6);
  EXPECT_TRUE(w.Errors().empty());
}

TEST(ChartSettings, CodesWithoutAButtonAndEmptyTextsAreKeptAsTheFileHasThem) {
  Window w("[DataFile]\r\nTitle=\r\n[Map]\r\nGridSize=7\r\nMeshSize=9\r\nMLW=5\r\n");
  EXPECT_EQ(w.Text("EditTitle"), QString());
  EXPECT_EQ(w.form->State().GridSize, 7);
  EXPECT_TRUE(w.Selected("GScale1"));  // as the panel starts
  EXPECT_TRUE(w.Selected("MScale0"));
  // A width the button cannot toggle is read as the nearest it can.
  EXPECT_EQ(w.form->State().MLW, 2);
  w.form->MenuQuitClick();
  const std::string written = testsupport::ReadBytes(w.root / "bin" / "Tarvo.ini");
  EXPECT_NE(written.find("Title=\r\n"), std::string::npos);
  EXPECT_NE(written.find("GridSize=7\r\n"), std::string::npos);
}

TEST(ChartSettings, AnUnreadableLatitudeStopsTheReadingThereWithItsMessage) {
  Window w("[Map]\r\nGY1=3x.00\r\nGX1=100.00\r\nMeshSize=3\r\n");
  ASSERT_EQ(w.Errors().size(), 1u);
  EXPECT_NE(w.Errors()[0].indexOf(QStringLiteral("'3x'")), -1);
  EXPECT_EQ(w.Text("EditGY1"), QStringLiteral("3x.00"));
  // What comes after it in the file is not read.
  EXPECT_EQ(w.Text("EditGX1"), QStringLiteral("128.00"));
  EXPECT_EQ(w.form->State().MeshSize, 0);
}

TEST(ChartSettings, SavingUnderAnotherNameKeepsTheSettingsFileInUse) {
  Window w;
  const QString before = w.form->State().IniFileName;
  w.dialogs->AcceptSave(Q(w.root / "Tarvo-.ini"));
  w.form->SaveIniFileItemClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "Tarvo-.ini"), kStartSettings);
  EXPECT_EQ(w.form->State().IniFileName, before);
  ASSERT_FALSE(w.dialogs->Calls().empty());
  EXPECT_EQ(w.dialogs->Calls().back().file.fileName, QStringLiteral("Tarvo-.ini"));

  // A file that cannot be written is told, by name.
  w.dialogs->AcceptSave(Q(w.root / "no-such-folder" / "x.ini"));
  w.form->SaveIniFileItemClick();
  ASSERT_EQ(w.Errors().size(), 1u);
  EXPECT_NE(w.Errors()[0].indexOf(QStringLiteral("x.ini に書き込めません")), -1);
}

TEST(ChartSettings, OpeningAFileReadsItOnceAndCancellingFallsBackToTheDefaultName) {
  Window w;
  testsupport::WriteBytes(w.root / "other.ini", "[DataFile]\r\nTitle=A\r\n");
  w.dialogs->AcceptOpen(Q(w.root / "other.ini"));
  w.form->OpenIniFileItemClick();
  EXPECT_EQ(w.Text("EditTitle"), QStringLiteral("A"));
  EXPECT_EQ(w.Text("EditIniFile"), Q(w.root / "other.ini"));

  // The same file again: the field does not change, so nothing is read over the edits.
  w.form->findChild<QLineEdit*>(QStringLiteral("EditTitle"))->setText(QStringLiteral("B"));
  w.dialogs->AcceptOpen(Q(w.root / "other.ini"));
  w.form->OpenIniFileItemClick();
  EXPECT_EQ(w.Text("EditTitle"), QStringLiteral("B"));

  w.dialogs->Cancel(platform::DialogKind::Open);
  w.form->OpenIniFileItemClick();
  EXPECT_EQ(w.Text("EditIniFile"), QStringLiteral("Tarvo.ini"));
  EXPECT_EQ(w.form->State().IniFileName, QStringLiteral("Tarvo.ini"));
}

TEST(ChartSettings, QuittingWritesBesideTheProgramEvenAfterAnotherFileWasRead) {
  const fs::path root = testsupport::FreshTestFolder("chart-settings-quit-");
  testsupport::WriteBytes(root / "mine.ini", "[DataFile]\r\nTitle=Mine\r\n");
  auto dialogs = std::make_unique<platform::ScriptedDialogs>();
  TForm1 form(QStringList{Q(root / "mine.ini")}, std::move(dialogs), Q(root / "bin" / "Tarvo"));
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("EditTitle"))->text(),
            QStringLiteral("Mine"));
  form.MenuQuitClick();
  EXPECT_EQ(testsupport::ReadBytes(root / "mine.ini"), "[DataFile]\r\nTitle=Mine\r\n");
  EXPECT_NE(testsupport::ReadBytes(root / "bin" / "Tarvo.ini").find("Title=Mine\r\n"),
            std::string::npos);
}

// The screen preset beside the sample data is read like any settings file, which passes
// over a key it does not know: a misspelt key would leave its default in the figure.
TEST(PresetsTest, ScreenPresetSetsOnlyKeysTheProgramReads) {
  const auto keys = testsupport::IniKeys(testsupport::PresetPath("Tarvo-screen.ini"));
  EXPECT_FALSE(keys.empty());
  for (const auto& [section, key] : keys) {
    EXPECT_TRUE(platform::IsKnownSetting(TForm1::SettingNames(), section, key))
        << section.toStdString() << '.' << key.toStdString();
  }
}

}  // namespace
}  // namespace chart
