#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "conic/TForm1.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::ProgramDir;

using platform::DialogKind;
using platform::ScriptedDialogs;

// A tiny map (one island) so that drawings are quick, and data files written per test.
class PlotTest : public testing::Test {
 protected:
  void SetUp() override {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_form = std::make_unique<TForm1>(QStringList{}, std::move(dialogs),
                                      ProgramDir() + QStringLiteral("/Tarvo_L"));
    m_form->resize(973, 720);
    m_form->SetFixedWindowWidth(800);  // the window is never shown, so nothing to measure
    const std::string map = Write("island.mdt", testsupport::kIslandMap);
    Edit("EditMapFile")->setText(QString::fromStdString(map));
  }
  std::string Write(const char* name, const std::string& bytes) {
    const auto path = std::filesystem::path(testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  QLineEdit* Edit(const char* name) {
    return m_form->findChild<QLineEdit*>(QString::fromLatin1(name));
  }
  template <typename W>
  W* Child(const char* name) {
    return m_form->findChild<W*>(QString::fromLatin1(name));
  }
  void DrawData(const std::string& grd) {
    Edit("EditGrdFile")->setText(QString::fromStdString(grd));
    m_form->DrawMapNewClick();
  }
  WinColor MapPixel(double lon, double lat) {
    const auto& g = m_form->GetGeometry();
    const MapPoint p = g.LambertXY(lon, lat);
    return m_form->CanvasP().Pixel(g.HMGraphPosX(p.x), g.HMGraphPosY(p.y));
  }

  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

const std::string kThree =
    "35.0,139.0,1200\r\n"  // before the first header: not drawn, not counted
    "Fagus\r\n35.6789,139.7654,1234\r\n53394611.12\r\n"
    "Pinus\r\n36.2892,137.6479\r\n"
    "Lilium\r\n5438461\r\n30224611\r\n";  // the last lies outside the region

TEST_F(PlotTest, PlotsCategoriesAndCountsThem) {
  DrawData(Write("three.grd", kThree));
  EXPECT_EQ(m_form->State().PlotCount, 4);
  EXPECT_EQ(m_form->State().CategoryCount, 3);
  EXPECT_EQ(m_form->StatusText(5), QStringLiteral("4 / 3"));
  EXPECT_EQ(m_form->StatusText(3), QStringLiteral("three.grd"));
  EXPECT_EQ(Edit("EditLegName1")->text(), QStringLiteral("Fagus"));
  EXPECT_EQ(Edit("EditLegName3")->text(), QStringLiteral("Lilium"));
  EXPECT_EQ(Edit("EditLegTitle")->text(), QStringLiteral("three"));
  // Category 1's first record, snapped to its secondary cell, in its fill colour.
  EXPECT_EQ(MapPixel(139.8125, 35.708333), m_form->State().MarkStyles[0].fillColor);
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(PlotTest, SixthHeaderKeepsWhatWasReadAndSaysWhatWasNot) {
  std::string text;
  for (int i = 1; i <= 6; ++i)
    text += "Category " + std::to_string(i) + "\r\n53394611\r\n";
  Child<QCheckBox>("ShowLegend")->setChecked(true);
  DrawData(Write("six.grd", text));
  EXPECT_EQ(m_form->State().CategoryCount, 5);
  EXPECT_EQ(m_form->State().PlotCount, 5);
  EXPECT_EQ(m_form->StatusText(5), QStringLiteral("5 / 5"));
  EXPECT_FALSE(m_form->LegendBox().isNull());
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Message);
  EXPECT_TRUE(m_dialogs->Calls()[0].message.startsWith(
      QStringLiteral("11 行目の見出し「Category 6」は描けません")))
      << m_dialogs->Calls()[0].message.toStdString();
  EXPECT_TRUE(m_dialogs->Calls()[0].message.contains(QStringLiteral("six.grd")));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PlotTest, ConversionErrorKeepsMarkersAndShowsTheMessage) {
  const std::string path =
      Write("bad.grd", "Fagus\r\n35.6789,139.7654\r\n35.1x,139.1\r\n36.0,138.0\r\n");
  DrawData(path);
  EXPECT_EQ(m_form->State().PlotCount, 1);
  EXPECT_EQ(MapPixel(139.8125, 35.708333), m_form->State().MarkStyles[0].fillColor);
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Error);
  EXPECT_TRUE(m_dialogs->Calls()[0].message.startsWith(
      QStringLiteral("'35.1x' は浮動小数点数ではありません")));
  EXPECT_TRUE(m_dialogs->Calls()[0].message.contains(QStringLiteral("bad.grd の 3 行目")));
  EXPECT_EQ(Edit("EditGrdFile")->text(), QString::fromStdString(path));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // The file was closed: it can be replaced at once.
  std::filesystem::remove(path);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(PlotTest, MissingDataFileLeavesThePlotLayerAlone) {
  DrawData(Write("ok.grd", kThree));
  const QImage before = m_form->CanvasP().Image();
  Edit("EditGrdFile")->setText(QStringLiteral("/nowhere/gone.grd"));
  m_form->DrawMap(false);
  EXPECT_EQ(m_form->CanvasP().Image(), before);
  EXPECT_EQ(m_form->State().PlotCount, 4);
  ASSERT_FALSE(m_dialogs->Calls().empty());
  EXPECT_TRUE(
      m_dialogs->Calls().back().message.startsWith(QStringLiteral("ファイルが見つかりません")));
}

TEST_F(PlotTest, LegendEditorTakesItsRowsOverAndRedraws) {
  DrawData(Write("edit.grd", kThree));
  m_form->EditMarkItemClick();
  auto* panel = Child<QWidget>("MrkEdPanel");
  EXPECT_FALSE(panel->isHidden());
  EXPECT_EQ(panel->pos(), QPoint(60, 60));
  EXPECT_EQ(Child<QComboBox>("CBoxMark2")->currentIndex(), 2);
  EXPECT_EQ(Child<QComboBox>("CBoxSize2")->currentText(), QStringLiteral("4"));

  // Row 1 becomes a rimless cross of size 6 in a chosen colour; an edited title stays.
  Child<QComboBox>("CBoxMark1")->setCurrentIndex(kUprightCross);
  Child<QComboBox>("CBoxSize1")->setEditText(QStringLiteral("6"));
  Child<QCheckBox>("MarkRim1")->setChecked(false);
  m_dialogs->PickColor(0x00FF00);
  Child<QPushButton>("MrkColor1")->click();
  Edit("EditLegName1")->setText(QStringLiteral("ブナ"));
  m_form->BtnReDrawClick();
  EXPECT_TRUE(panel->isHidden());
  const TMarkStyle& s = m_form->State().MarkStyles[0];
  EXPECT_EQ(s.shape, kUprightCross);
  EXPECT_EQ(s.size, 6);
  EXPECT_EQ(s.fillColor, 0x00FF00u);
  EXPECT_EQ(s.rimColor, 0x00FF00u);
  EXPECT_EQ(Edit("EditLegName1")->text(), QStringLiteral("ブナ"));

  // A size that is not a number stops at its row, with the panel still open.
  m_form->EditMarkItemClick();
  Child<QComboBox>("CBoxSize2")->setEditText(QStringLiteral("big"));
  Child<QComboBox>("CBoxMark1")->setCurrentIndex(kCircle);
  m_form->BtnReDrawClick();
  EXPECT_EQ(m_dialogs->Calls().back().message, QStringLiteral("'big' は整数ではありません"));
  EXPECT_FALSE(panel->isHidden());
  EXPECT_EQ(m_form->State().MarkStyles[0].shape, kCircle);  // row 1 was taken already
  m_form->BtnCancelClick();
  EXPECT_TRUE(panel->isHidden());

  // A file with other headers replaces the edited title.
  DrawData(Write("other.grd", "Quercus\r\n53394611\r\n"));
  EXPECT_EQ(Edit("EditLegName1")->text(), QStringLiteral("Quercus"));
}

TEST_F(PlotTest, WhatIsNotDrawnShowsInTheStatusBar) {
  auto* panel = Child<QLabel>("StatusPanel10");
  ASSERT_NE(panel, nullptr);
  // Outside the map, an error and the record after it; the secondary-mesh code is drawn at
  // the default precision.
  DrawData(Write("faulty.grd",
                 "Fagus\r\n35.0,136.0,300\r\n10.0,100.0\r\n604077\r\n"
                 "35.x,136.0\r\n35.1,136.1\r\n"));
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::Error);  // the error is shown as ever
  EXPECT_EQ(panel->text(), QStringLiteral("描かない記録 3"));
  EXPECT_EQ(m_form->NotDrawn(), 3);  // the error line and the one after it, as well
  EXPECT_TRUE(
      panel->toolTip().contains(QStringLiteral("3 件の記録を描いていません（最初は 3 行目: "
                                               "地図の範囲外です）")))
      << panel->toolTip().toStdString();
  // A map without the boundaries the figure asks for.
  Edit("EditMapFile")
      ->setText(
          QString::fromStdString(Write("noboundary.mdt",
                                       "*H-MAP\r\n135,34\r\n137,34\r\n137,36\r\n135,34\r\n0,0\r\n"
                                       "*WE-PROF\r\n135,0\r\n137,0\r\n0,0\r\n"
                                       "*SN-PROF\r\n34,0\r\n36,0\r\n0,0\r\n")));
  Child<QCheckBox>("WithPref")->setChecked(true);
  DrawData(Write("fine.grd", "Fagus\r\n35.0,136.0,300\r\n"));
  EXPECT_EQ(panel->text(), QStringLiteral("地形図の区画なし"));
  EXPECT_TRUE(panel->toolTip().contains(QStringLiteral("*G-MAP")));
  Child<QCheckBox>("WithPref")->setChecked(false);
  DrawData(Write("fine.grd", "Fagus\r\n35.0,136.0,300\r\n"));
  EXPECT_EQ(panel->text(), QString());
}

}  // namespace
}  // namespace conic
