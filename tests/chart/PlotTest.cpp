#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <filesystem>
#include <memory>

#include "chart/Plotting.h"
#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

// A built three-view over the test island, whose data is whatever the test puts into the
// editor.
struct Window : IslandWindow {
  Window()
      : IslandWindow("chart-plot-", {{"EditGX1", "134.00"},
                                     {"EditGX2", "138.00"},
                                     {"EditGY1", "33.00"},
                                     {"EditGY2", "37.00"}}) {
    form->findChild<QRadioButton*>(QStringLiteral("GScale0"))->setChecked(true);
    form->BtnNewMapClick();
  }
  void Plot(const QString& text) {
    form->Editor()->Memo()->setPlainText(text);
    form->PlotOnMap();
  }
  // Points on the map, the west-east and the south-north profile, category by category.
  std::string Counts() const {
    std::string out;
    for (const SeriesTables* t : {&form->SeriesH(), &form->SeriesW(), &form->SeriesS()}) {
      if (!out.empty()) out += " / ";
      for (size_t k = 0; k < 6; ++k) {
        if (!t->categories[k]->active) continue;
        if (!out.empty() && out.back() != ' ') out += ' ';
        out += std::to_string(t->categories[k]->Count());
      }
    }
    return out;
  }
  QString Write(const char* name, const std::string& bytes) const {
    testsupport::WriteBytes(root / name, bytes);
    return Q(root / name);
  }
};

TEST(ChartPlot, RecordsGoToTheChartsTheirCategoryAndAltitudeAllow) {
  Window w;
  w.Plot(
      QStringLiteral("Fagus crenata\n35.0,136.0,1200\n35.1,136.1\n"
                     "ブナ\n 35.2,136.2,-3\n53364611.12\n"));
  // A negative altitude is drawn on the map only; a missing one (8888) goes on the
  // profiles too, above their range. Mesh records carry theirs.
  EXPECT_EQ(w.Counts(), "2 2 / 2 1 / 2 1");
  EXPECT_EQ(w.form->State().CategoryCount, 2);
  EXPECT_EQ(w.form->CategoryTitles()[1], QStringLiteral("ブナ"));
  EXPECT_EQ(w.form->State().PlotCount, 4);
  // Beside the map the south-north profile has the altitude across.
  EXPECT_FLOAT_EQ(static_cast<float>(w.form->SeriesS().categories[0]->x[0]), 1200.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(w.form->SeriesS().categories[0]->y[0]), 35.0f);
  // Plotting again does not double anything; a record taken out is gone everywhere.
  w.Plot(QStringLiteral("Fagus crenata\n35.1,136.1,300\n"));
  EXPECT_EQ(w.Counts(), "1 / 1 / 1");
}

TEST(ChartPlot, OnlyTheChartsShownGetPoints) {
  Window w;
  auto* horizon = w.form->findChild<QCheckBox*>(QStringLiteral("HorizonMap"));
  auto* profile = w.form->findChild<QCheckBox*>(QStringLiteral("ProfileMap"));
  horizon->setChecked(false);
  w.Plot(QStringLiteral("Abies\n35.0,136.0,1200\n"));
  EXPECT_EQ(w.Counts(), "0 / 1 / 1");
  // The profiles alone: latitude across the south-north profile, altitude up.
  EXPECT_FLOAT_EQ(static_cast<float>(w.form->SeriesS().categories[0]->x[0]), 35.0f);
  horizon->setChecked(true);
  profile->setChecked(false);
  w.Plot(QStringLiteral("Abies\n35.0,136.0,1200\n"));
  EXPECT_EQ(w.Counts(), "1 / 0 / 0");
}

TEST(ChartPlot, RecordsOutsideTheMapsRangeStayOffTheProfilesAndAreCounted) {
  // The range is 134–138 E, 33–37 N. Lines 3 and 5 lie outside it: a record from another
  // island, one south of the range.
  const QString text =
      QStringLiteral("Abies\n35.0,136.0,1200\n43.0,142.0,900\n36.0,137.0,300\n32.5,135.0,100\n");
  const struct {
    bool inRangeOnly;
    const char* counts;
    const char* note;
  } cases[] = {
      {true, "4 / 2 / 2", "範囲外 2"},
      {false, "4 / 4 / 4", "範囲外 2"},
  };
  for (const auto& c : cases) {
    Window w;
    QAction* entry = w.form->Command(QStringLiteral("ProfilesInRange"));
    ASSERT_NE(entry, nullptr);
    // On by default; the Detail menu's entry turns it over and plots again.
    EXPECT_TRUE(entry->isChecked());
    w.Plot(text);
    if (!c.inRangeOnly) entry->trigger();
    EXPECT_EQ(w.form->State().ProfilesInRange, c.inRangeOnly);
    // The map keeps every record (its chart shows only its range); the profiles only
    // those of the map's range.
    EXPECT_EQ(w.Counts(), c.counts) << c.inRangeOnly;
    // Counted apart from lines that could not be drawn: no error.
    EXPECT_EQ(w.form->LastPlot().outside, 2);
    EXPECT_EQ(w.form->LastPlot().firstOutsideLine, 3);
    EXPECT_EQ(w.form->LastPlot().skipped, 0);
    EXPECT_EQ(w.form->StatusText(TForm1::kOutsidePanel), QString::fromUtf8(c.note));
    EXPECT_TRUE(w.form->findChild<QLabel*>(QStringLiteral("StatusPanel16"))
                    ->toolTip()
                    .contains(QStringLiteral("最初は 3 行目")));
  }
  // Inside the range nothing is told.
  Window w;
  w.Plot(QStringLiteral("Abies\n35.0,136.0,1200\n"));
  EXPECT_EQ(w.form->StatusText(TForm1::kOutsidePanel), QString());
  EXPECT_EQ(w.form->LastPlot().outside, 0);
}

TEST(ChartPlot, ASeventhHeaderEndsThePassAndIsTold) {
  Window w;
  QString text;
  for (int i = 1; i <= 7; ++i)
    text += QStringLiteral("Category %1\n35.0,136.0,100\n").arg(i);
  w.Plot(text);
  EXPECT_EQ(w.form->State().CategoryCount, 6);
  EXPECT_EQ(w.form->State().PlotCount, 6);
  ASSERT_FALSE(w.dialogs->Calls().empty());
  const auto& told = w.dialogs->Calls().back();
  EXPECT_EQ(told.kind, platform::DialogKind::Message);
  EXPECT_NE(told.message.indexOf(QStringLiteral("13 行目の見出し「Category 7」")), -1);
}

TEST(ChartPlot, RecordsNotDrawnAreCountedInTheStatusBar) {
  Window w;
  w.Plot(QStringLiteral("35.0,136.0\nAbies\n35.x,136.0\n35.0,136.0\n3536\n53X94611\n"));
  // Before the first header, unreadable, and a code no mesh has; "3536" is too short to
  // be a record at all.
  EXPECT_EQ(w.form->LastPlot().skipped, 3);
  EXPECT_EQ(w.form->LastPlot().firstSkippedLine, 1);
  auto* panel = w.form->findChild<QLabel*>(QStringLiteral("StatusPanel13"));
  EXPECT_EQ(panel->text(), QStringLiteral("描かない記録 3"));
  EXPECT_TRUE(panel->toolTip().contains(
      QStringLiteral("3 件の記録を描いていません（最初は 1 行目: 最初の見出しより前の記録なので")))
      << panel->toolTip().toStdString();
  EXPECT_TRUE(
      panel->toolTip().contains(QStringLiteral("tarvo-check --program chart --precision 0")))
      << panel->toolTip().toStdString();
  EXPECT_FALSE(panel->styleSheet().isEmpty());  // in the warning colour
  // Records after a seventh header are not drawn either.
  QString seven;
  for (int i = 1; i <= 7; ++i)
    seven += QStringLiteral("Category %1\n35.0,136.0,100\n").arg(i);
  w.Plot(seven + QStringLiteral("35.1,136.1\n"));
  EXPECT_EQ(w.form->LastPlot().skipped, 2);
  EXPECT_EQ(w.form->LastPlot().firstSkippedLine, 14);
  w.Plot(QStringLiteral("Abies\n35.0,136.0\n"));
  EXPECT_EQ(panel->text(), QString());
  EXPECT_EQ(panel->toolTip(), QString());
}

TEST(ChartPlot, AMapWithoutTheSectionsTheFigureNeedsIsTold) {
  Window w;
  w.Field("EditMapFile")->setText(w.Write("coast.mdt", "*H-MAP\r\n135,34\r\n137,36\r\n0,0\r\n"));
  w.form->BtnNewMapClick();
  auto* panel = w.form->findChild<QLabel*>(QStringLiteral("StatusPanel13"));
  EXPECT_EQ(panel->text(), QStringLiteral("地図の区画なし"));
  EXPECT_TRUE(panel->toolTip().contains(QStringLiteral("*WE-PROF、*SN-PROF")))
      << panel->toolTip().toStdString();
  const auto& calls = w.dialogs->Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().kind, platform::DialogKind::Message);
  EXPECT_TRUE(calls.back().message.contains(QStringLiteral("（coast.mdt）")));
  // With the profiles off, the coastline is all the figure needs.
  w.form->findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(false);
  w.form->BtnNewMapClick();
  EXPECT_EQ(panel->text(), QString());
}

TEST(ChartPlot, ReadingReplacesAddingAppendsAndTheEditorsAddButtonAdds) {
  Window w;
  const QString a = w.Write("a.grd", "Fagus\r\n35.0,136.0\r\n");
  const QString b = w.Write("b.grd", "; note\r\nQuercus\r\n35.5,136.5;here\r\n");
  w.dialogs->AcceptOpen(a);
  w.form->ReadGrdFile(false);
  EXPECT_EQ(w.Field("EditGrdFile")->text(), a);
  w.dialogs->AcceptOpen(b);
  w.form->ReadGrdFile(true);
  EXPECT_EQ(w.Counts(), "1 1 / 1 1 / 1 1");
  EXPECT_EQ(w.form->CategoryTitles()[1], QStringLiteral("Quercus"));
  EXPECT_EQ(w.Field("EditGrdFile")->text(), a);
  // The editor's "add" keeps what is in the editor, edits included.
  w.form->Editor()->Memo()->moveCursor(QTextCursor::End);
  w.form->Editor()->Memo()->insertPlainText(QStringLiteral("35.6,136.6\n"));
  w.dialogs->AcceptOpen(a);
  w.form->Editor()->BtnEdOpenClick();
  // The files' notes stay in the editor, as the files hold them.
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"Fagus", "35.0,136.0", "; note", "Quercus", "35.5,136.5;here",
                                      "35.6,136.6", "Fagus", "35.0,136.0"}));
  w.dialogs->AcceptOpen(b);
  w.form->ReadGrdFile(false);
  EXPECT_EQ(w.Counts(), "1 / 1 / 1");
  // A file that cannot be read leaves the text as it was.
  w.dialogs->AcceptOpen(Q(w.root / "missing.grd"));
  w.form->ReadGrdFile(false);
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"; note", "Quercus", "35.5,136.5;here"}));
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
}

// Tables from spreadsheets and occurrence downloads are offered as imports; the user may
// still read a .txt as distribution data.
TEST(ChartPlot, TablesAreImportedIntoTheEditorWhenTheUserSaysSo) {
  Window w;
  const QString grd = w.Write("a.grd", "Fagus\r\n35.0,136.0\r\n");
  // As a spreadsheet saves it: a byte-order mark, CR LF, a row without a position.
  const QString csv =
      w.Write("t.csv",
              "\xEF\xBB\xBFscientificName,decimalLatitude,decimalLongitude,elevation\r\n"
              "Abies firma,35.25,136.5,800\r\n"
              "Abies firma,,,\r\n"
              "Pinus parviflora,34.5,135.5,\r\n");
  w.dialogs->AcceptOpen(grd);
  w.form->ReadGrdFile(false);
  w.dialogs->AcceptOpen(csv);
  w.dialogs->AnswerYesNo(true);
  w.form->Editor()->BtnEdOpenClick();
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"Fagus", "35.0,136.0", "Abies firma", "35.25,136.5,800",
                                      "Pinus parviflora", "34.5,135.5"}));
  EXPECT_EQ(w.Counts(), "1 1 1 / 1 1 1 / 1 1 1");
  const auto& calls = w.dialogs->Calls();
  const auto told = std::find_if(calls.begin(), calls.end(), [](const auto& c) {
    return c.kind == platform::DialogKind::Message;
  });
  ASSERT_NE(told, calls.end());
  EXPECT_NE(told->message.indexOf(QStringLiteral("書いた記録 2")), -1)
      << told->message.toStdString();
  EXPECT_NE(told->message.indexOf(QStringLiteral("3: 書かない: ")), -1)
      << told->message.toStdString();

  // Read in place of the text, the import takes the data file's place: a new figure keeps
  // the imported records rather than reading the old file over them.
  w.dialogs->AcceptOpen(csv);
  w.dialogs->AnswerYesNo(true);
  w.form->ReadGrdFile(false);
  EXPECT_EQ(w.Field("EditGrdFile")->text(), QString());
  EXPECT_EQ(w.Counts(), "1 1 / 1 1 / 1 1");
  w.form->BtnNewMapClick();
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"Abies firma", "35.25,136.5,800", "Pinus parviflora",
                                      "34.5,135.5"}));

  // "No" reads the file as distribution data.
  const QString txt = w.Write("b.txt", "Quercus\r\n35.5,136.5\r\n");
  w.dialogs->AcceptOpen(txt);
  w.dialogs->AnswerYesNo(false);
  w.form->ReadGrdFile(false);
  EXPECT_EQ(w.form->Editor()->Lines(), (std::vector<std::string>{"Quercus", "35.5,136.5"}));

  // A table without positions is refused with its reason; the text stays.
  const QString names = w.Write("names.csv", "scientificName,locality\r\nAbies firma,Hakone\r\n");
  w.dialogs->AcceptOpen(names);
  w.dialogs->AnswerYesNo(true);
  w.form->ReadGrdFile(true);
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
  EXPECT_EQ(w.form->Editor()->Lines(), (std::vector<std::string>{"Quercus", "35.5,136.5"}));
}

TEST(ChartPlot, SavedDataLoadsBackAsItWasAndNeverOverTheMap) {
  Window w;
  w.Plot(QStringLiteral("ブナ林\n35.0,136.0,1200\n53394611\n"));
  const QString saved = Q(w.root / "saved.grd");
  w.dialogs->AcceptSave(saved);
  w.form->SavePlotItemClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "saved.grd"),
            "\x83\x75\x83\x69\x97\xD1\r\n35.0,136.0,1200\r\n53394611\r\n");
  w.form->ClearPlotItemClick();
  EXPECT_TRUE(w.form->Editor()->IsEmpty());
  EXPECT_EQ(w.Counts(), "");
  w.form->LoadGrdToEditor(saved, true);
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"ブナ林", "35.0,136.0,1200", "53394611"}));

  const std::string map = testsupport::ReadBytes(w.root / "island.mdt");
  w.dialogs->AcceptSave(Q(w.root / "island.mdt"));
  w.form->SavePlotItemClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "island.mdt"), map);
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
}

TEST(ChartPlot, TheLegendEditorShowsTheLastCategoryOnTop) {
  Window w;
  w.Plot(QStringLiteral("One\n35.0,136.0\nTwo\n35.0,136.0\nThree\n35.0,136.0\n"));
  w.form->State().MarkStyles[2] = {7, 5, 0x00FF00, 0x00FF00};
  w.form->EditMarkItemClick();
  auto row = [&w](const char* name, int r) {
    return w.form->findChild<QWidget*>(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(r));
  };
  EXPECT_EQ(qobject_cast<QLineEdit*>(row("EditLegName", 1))->text(), QStringLiteral("Three"));
  EXPECT_EQ(qobject_cast<QLineEdit*>(row("EditLegName", 3))->text(), QStringLiteral("One"));
  EXPECT_EQ(qobject_cast<QComboBox*>(row("CBoxMark", 1))->currentIndex(), 7);
  EXPECT_EQ(qobject_cast<QComboBox*>(row("CBoxSize", 1))->currentText(), QStringLiteral("5"));
  EXPECT_FALSE(qobject_cast<QCheckBox*>(row("MarkRim", 1))->isChecked());

  // A size that is not a number stops at its row; the panel stays open.
  auto* panel = w.form->findChild<QFrame*>(QStringLiteral("MrkEdPanel"));
  qobject_cast<QComboBox*>(row("CBoxSize", 2))->setEditText(QStringLiteral("big"));
  qobject_cast<QLineEdit*>(row("EditLegName", 1))->setText(QStringLiteral("Drei"));
  w.form->BtnReDrawClick();
  EXPECT_EQ(w.dialogs->Calls().back().message, QStringLiteral("'big' は整数ではありません"));
  EXPECT_TRUE(panel->isVisibleTo(w.form.get()));

  qobject_cast<QComboBox*>(row("CBoxSize", 2))->setEditText(QStringLiteral("8"));
  qobject_cast<QComboBox*>(row("CBoxMark", 3))->setCurrentIndex(4);
  w.form->BtnReDrawClick();
  EXPECT_FALSE(panel->isVisibleTo(w.form.get()));
  EXPECT_EQ(w.form->State().MarkStyles[1].size, 8);
  EXPECT_EQ(w.form->SeriesH().categories[0]->marker.shape, platform::MarkerShape::Cross);
  // A title typed in the editor stays through the re-plot.
  EXPECT_EQ(w.form->CategoryTitles()[2], QStringLiteral("Drei"));
  w.form->PlotOnMap();
  EXPECT_EQ(w.form->CategoryTitles()[2], QStringLiteral("Drei"));
}

TEST(ChartPlot, ADroppedFileIsAddedAndTheEditorShowsWhereTheCaretIs) {
  Window w;
  w.Plot(QStringLiteral("Fagus\n35.0,136.0\n"));
  EXPECT_TRUE(w.form->DropFile(w.Write("c.grd", "Carex\r\n35.2,136.2\r\n")));
  EXPECT_EQ(w.Counts(), "1 1 / 1 1 / 1 1");
  EXPECT_EQ(w.form->CategoryTitles()[1], QStringLiteral("Carex"));
  EXPECT_FALSE(w.form->DropFile(Q(w.root / "gone.grd")));

  QPlainTextEdit* memo = w.form->Editor()->Memo();
  QTextCursor cursor(memo->document()->findBlockByNumber(2));
  memo->setTextCursor(cursor);
  EXPECT_EQ(w.form->Editor()->StatusText(0), QStringLiteral("2"));
  EXPECT_EQ(w.form->Editor()->StatusText(1), QStringLiteral("0"));
}

TEST(ChartMarkers, EachShapeCodeHasItsMarker) {
  using platform::MarkerShape;
  const MarkerShape shapes[] = {MarkerShape::Rectangle,  MarkerShape::Circle,
                                MarkerShape::TriangleUp, MarkerShape::TriangleDown,
                                MarkerShape::Cross,      MarkerShape::DiagonalCross,
                                MarkerShape::Star,       MarkerShape::Diamond};
  for (int code = 0; code < 8; ++code)
    EXPECT_EQ(ChartMarkerShape(code), shapes[code]) << code;
  EXPECT_FALSE(ChartMarkerShape(8).has_value());
  EXPECT_FALSE(ChartMarkerShape(-1).has_value());
}

}  // namespace
}  // namespace chart
