#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <filesystem>

#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Printing.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/Pdf.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using platform::DialogKind;
using platform::PageSetup;
using testsupport::Q;

// The island figure with two categories of records, each case starting from the page of a
// first run.
struct Window : IslandWindow {
  explicit Window(bool build = true) : IslandWindow("chart-print-") {
    QFile::remove(platform::PageSetupFile());
    if (!build) return;
    form->BtnNewMapClick();
    Plot();
  }
  // A change of the chart set draws the charts anew, without their records.
  void Plot() {
    form->Editor()->SetLines(
        {"Abies", "34.5,135.5,300", "35.0,136.0,400", "Betula", "35.5,136.5,200"});
    form->PlotOnMap();
  }
  ~Window() { QFile::remove(platform::PageSetupFile()); }
};

// The printable area of a page set up so, in points from the page's corner.
QRectF PrintableArea(const PageSetup& setup) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  platform::ApplyPageSetup(printer, setup);
  return printer.pageLayout().paintRect(QPageLayout::Point);
}

TEST(ChartPrint, BeforeTheFirstBuildThereIsNothingToPrint) {
  Window w(false);
  EXPECT_FALSE(w.form->PrintItemClick());
  ASSERT_EQ(w.dialogs->Calls().size(), 1u);
  EXPECT_EQ(w.dialogs->Calls()[0].kind, DialogKind::Message);
  EXPECT_EQ(w.dialogs->Calls()[0].message, platform::NothingToPrint());
}

TEST(ChartPrint, TheFigureIsPrintedAsVectorsFillingThePrintableArea) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  Window w;
  w.form->State().LegendPixelX = 123;
  w.form->State().LegendPixelY = 45;
  const struct {
    PageSetup setup;
    QSizeF points;
    const char* chartSet;
  } cases[] = {
      {{QPageSize::A4, QPageLayout::Portrait}, {595.28, 841.89}, "ShowAll"},
      {{QPageSize::A3, QPageLayout::Landscape}, {1190.55, 841.89}, "ShowAll"},
      {{QPageSize::A4, QPageLayout::Landscape}, {841.89, 595.28}, "ShowHorizon"},
  };
  for (const auto& c : cases) {
    w.form->Command(QString::fromLatin1(c.chartSet))->trigger();
    w.Plot();
    const QString pdf = Q(w.root / "figure.pdf");
    w.dialogs->AnswerPrint(pdf, c.setup);
    ASSERT_TRUE(w.form->PrintItemClick()) << c.chartSet;
    const QSizeF page = testsupport::PdfPageSize(pdf);
    EXPECT_NEAR(page.width(), c.points.width(), 0.5);
    EXPECT_NEAR(page.height(), c.points.height(), 0.5);
    EXPECT_EQ(testsupport::PdfPages(pdf), 1);
    // Vectors and text, no picture of them.
    EXPECT_TRUE(testsupport::PdfImages(pdf).empty());
    const QString text = testsupport::PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Abies"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Betula")));
    EXPECT_TRUE(text.contains(QStringLiteral("136")));

    // The figure, as large as the printable area allows with its proportions and centred:
    // its ink where the written figure's ink lands when scaled so.
    const QImage figure = w.form->FigureImage();
    const QRectF place = platform::FitCentred(QSizeF(figure.size()), PrintableArea(c.setup));
    const double scale = place.width() / figure.width();
    const QRect figureInk = testsupport::InkBox(figure);
    const QRect ink = testsupport::InkBox(testsupport::PdfPageImage(pdf, 72));
    EXPECT_NEAR(ink.left(), place.left() + figureInk.left() * scale, 2.0) << c.chartSet;
    EXPECT_NEAR(ink.top(), place.top() + figureInk.top() * scale, 2.0) << c.chartSet;
    EXPECT_NEAR(ink.right() + 1, place.left() + (figureInk.right() + 1) * scale, 2.0);
    EXPECT_NEAR(ink.bottom() + 1, place.top() + (figureInk.bottom() + 1) * scale, 2.0);
    // Touching the printable area's sides in one direction: no smaller than it can be.
    const QRectF area = PrintableArea(c.setup);
    EXPECT_TRUE(std::abs(place.width() - area.width()) < 0.01 ||
                std::abs(place.height() - area.height()) < 0.01);
  }
  // The window's legend anchor is its own again.
  EXPECT_EQ(w.form->State().LegendPixelX, 123);
  EXPECT_EQ(w.form->State().LegendPixelY, 45);
}

TEST(ChartPrint, NeverPrintsIntoAFileTheFigureIsDrawnFrom) {
  Window w;
  const std::string map = testsupport::ReadBytes(w.root / "island.mdt");
  w.dialogs->AnswerPrint(Q(w.root / "island.mdt"));
  EXPECT_FALSE(w.form->PrintItemClick());
  EXPECT_EQ(testsupport::ReadBytes(w.root / "island.mdt"), map);
  EXPECT_EQ(w.dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_TRUE(w.dialogs->Calls().back().message.contains(QStringLiteral("図に使っているファイル")));
}

}  // namespace
}  // namespace chart
