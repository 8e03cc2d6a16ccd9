#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <filesystem>
#include <fstream>
#include <memory>

#include "conic/TForm1.h"
#include "core/Rounding.h"
#include "platform/chart/Chart.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Printing.h"
#include "tests/support/Pdf.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

namespace fs = std::filesystem;
using platform::DialogKind;
using platform::PageSetup;
using platform::ScriptedDialogs;
using testsupport::Q;

// Where the sheet of a page stands, in points from the page's corner: as a printer set up
// like the window's lays the page out.
QRectF ExpectedSheet(const PageSetup& setup, int* width = nullptr) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  platform::ApplyPageSetup(printer, setup);
  const QPageLayout layout = printer.pageLayout();
  const int dpi = PrintResolution(layout);
  const QRect area = layout.paintRectPixels(dpi);
  const QRect sheet = SheetOnPage(area.size()).translated(area.topLeft());
  if (width) *width = sheet.width();
  const double scale = 72.0 / dpi;
  return {sheet.left() * scale, sheet.top() * scale, sheet.width() * scale, sheet.height() * scale};
}

// A window figure over a one-island map, printed on the pages the user sets up.
class PrintTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_print_");
    Write("island.mdt", testsupport::kIslandMap);
    Write("d.grd", "Fagus\r\n35.0,136.0,1200\r\n53394611\r\nPinus\r\n34.5,135.5,300\r\n");
    Write("s.ini", "[DataFile]\r\nMapFile=" + (m_root / "island.mdt").string() +
                       "\r\nGrdFile=" + (m_root / "d.grd").string() +
                       "\r\n[Font]\r\nFontSize=5\r\n[Legend]\r\nShowLegend=1\r\n");
    // Each case starts from the page a first run has.
    QFile::remove(platform::PageSetupFile());
    m_form = NewWindow();
  }
  void TearDown() override {
    m_form.reset();
    QFile::remove(platform::PageSetupFile());
    fs::remove_all(m_root);
  }
  std::unique_ptr<TForm1> NewWindow() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    auto form = std::make_unique<TForm1>(QStringList{Q(m_root / "s.ini")}, std::move(dialogs),
                                         Q(m_root / "bin" / "Tarvo_L"));
    form->SetFixedWindowWidth(200);
    return form;
  }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(m_root / name, std::ios::binary) << bytes;
  }
  QString Pdf(const char* name) const { return Q(m_root / name); }

  fs::path m_root;
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

TEST(SheetOnPage, TheLargestSheetOfTheProgramsProportionsCentred) {
  const struct {
    QSize area;
    QRect expected;
  } cases[] = {
      {{2000, 4000}, {0, 586, 2000, 2828}},   // narrow area: full width
      {{4000, 2000}, {1293, 0, 1414, 1999}},  // landscape area: full height
      {{1000, 1414}, {0, 0, 1000, 1414}},
      {{1000, 1413}, {0, 0, 999, 1413}},  // rounding may not make it taller than the area
      {{0, 100}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SheetOnPage(c.area), c.expected) << c.area.width() << "x" << c.area.height();
  }
}

TEST(PrintResolution, TheASheetsResolutionUnlessThePaperNeedsASheetWiderThanA3s) {
  const struct {
    QPageSize::PageSizeId size;
    QPageLayout::Orientation orientation;
    bool full;
  } cases[] = {
      {QPageSize::A4, QPageLayout::Portrait, true},  {QPageSize::A3, QPageLayout::Landscape, true},
      {QPageSize::A3, QPageLayout::Portrait, true},  {QPageSize::A0, QPageLayout::Portrait, false},
      {QPageSize::A2, QPageLayout::Portrait, false}, {QPageSize::A2, QPageLayout::Landscape, true}};
  for (const auto& c : cases) {
    const QPageLayout layout(QPageSize(c.size), c.orientation, QMarginsF(10, 10, 10, 10));
    const int dpi = PrintResolution(layout);
    const int width = SheetOnPage(layout.paintRectPixels(dpi).size()).width();
    EXPECT_LE(width, kMaxPrintSheetWidth) << QPageSize::key(c.size).toStdString();
    if (c.full) {
      EXPECT_EQ(dpi, kPrintResolution) << QPageSize::key(c.size).toStdString();
    } else {
      // As near the limit as whole dots per inch come.
      EXPECT_LT(dpi, kPrintResolution);
      EXPECT_GT(SheetOnPage(layout.paintRectPixels(dpi + 1).size()).width(), kMaxPrintSheetWidth);
    }
  }
}

TEST_F(PrintTest, BeforeAnyDrawingThereIsNothingToPrint) {
  EXPECT_FALSE(m_form->PrintMapItemClick());
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Message);
  EXPECT_EQ(m_dialogs->Calls()[0].message, platform::NothingToPrint());
}

TEST_F(PrintTest, TheSheetIsDrawnAnewAtThePrintersResolutionAndFillsThePrintableArea) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  m_form->DrawMapNewClick();
  ASSERT_EQ(m_form->State().PlotCount, 3);
  const QImage shown = m_form->ComposeFigure();
  const QRect legend = m_form->LegendBox();
  const struct {
    PageSetup setup;
    QSizeF points;
  } cases[] = {
      {{QPageSize::A4, QPageLayout::Portrait}, {595.28, 841.89}},
      {{QPageSize::A3, QPageLayout::Landscape}, {1190.55, 841.89}},
  };
  for (const auto& c : cases) {
    const QString pdf = Pdf("sheet.pdf");
    m_dialogs->AnswerPrint(pdf, c.setup);
    ASSERT_TRUE(m_form->PrintMapItemClick());
    const QSizeF page = testsupport::PdfPageSize(pdf);
    EXPECT_NEAR(page.width(), c.points.width(), 0.5);
    EXPECT_NEAR(page.height(), c.points.height(), 0.5);
    EXPECT_EQ(testsupport::PdfPages(pdf), 1);

    // One image, at the printer's resolution: a dot of the page for each of its pixels.
    int width = 0;
    const QRectF sheet = ExpectedSheet(c.setup, &width);
    const auto images = testsupport::PdfImages(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, width);
    EXPECT_EQ(images[0].height, core::RoundHalfEven(width * kSheetRatio));
    EXPECT_EQ(images[0].xPpi, kPrintResolution);
    EXPECT_EQ(images[0].yPpi, kPrintResolution);
    EXPECT_EQ(images[0].encoding, QStringLiteral("image"));  // lossless

    // The sheet's frame is where the printable area puts it, centred, its proportions kept.
    const QRect ink = testsupport::InkBox(testsupport::PdfPageImage(pdf, 72));
    EXPECT_NEAR(ink.left(), sheet.left(), 1.0);
    EXPECT_NEAR(ink.top(), sheet.top(), 1.0);
    EXPECT_NEAR(ink.right() + 1, sheet.right(), 1.0);
    EXPECT_NEAR(ink.bottom() + 1, sheet.bottom(), 1.0);
    EXPECT_NEAR(static_cast<double>(ink.height()) / ink.width(), kSheetRatio, 0.01);
  }
  // The window's figure is as it was.
  EXPECT_EQ(m_form->ComposeFigure(), shown);
  EXPECT_EQ(m_form->LegendBox(), legend);
  EXPECT_EQ(m_form->State().PlotCount, 3);
}

TEST_F(PrintTest, ThePrintedSheetIsTheFigureShownDrawnAtThePagesWidth) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  // A small paper keeps the sheet quick to draw twice.
  const PageSetup a6{QPageSize::A6, QPageLayout::Portrait};
  int width = 0;
  ExpectedSheet(a6, &width);
  ASSERT_GT(width, 800);
  // The window draws a sheet of that width itself, to compare with.
  m_form->SetFixedWindowWidth(width);
  m_form->DrawMapNewClick();
  ASSERT_EQ(m_form->CanvasM().Width(), width);
  // Settings changed since are not the figure's until it is drawn again.
  m_form->findChild<QLineEdit*>(QStringLiteral("EditTitle"))->setText(QStringLiteral("別の表題"));
  m_form->State().MarkStyles[0].size = 12;

  m_dialogs->AnswerPrint(Pdf("shown.pdf"), a6);
  ASSERT_TRUE(m_form->PrintMapItemClick());
  auto images = testsupport::PdfImagePixels(Pdf("shown.pdf"));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0], m_form->ComposeFigure());

  // Cleared data leaves the base map alone on the page, as on screen.
  m_form->ClearAllPlot();
  m_dialogs->AnswerPrint(Pdf("cleared.pdf"));
  ASSERT_TRUE(m_form->PrintMapItemClick());
  images = testsupport::PdfImagePixels(Pdf("cleared.pdf"));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0], m_form->ComposeFigure());
  EXPECT_EQ(images[0], m_form->CanvasM().Image());
}

// How many pixels of an image are exactly `color`.
int PixelsOf(const QImage& image, QRgb color) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      count += (line[x] & 0xFFFFFFu) == (color & 0xFFFFFFu);
  }
  return count;
}

TEST_F(PrintTest, AFigureDrawnNarrowerThanThePageIsPrintedAsIfEnlarged) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  const PageSetup a6{QPageSize::A6, QPageLayout::Portrait};
  int width = 0;
  ExpectedSheet(a6, &width);
  // A colour nothing else on the figure has, for the first category's markers.
  m_form->State().MarkStyles[0] = {1, 6, 0x123456, 0x123456};
  m_form->SetFixedWindowWidth(width / 2);
  m_form->DrawMapNewClick();
  const int shown = PixelsOf(m_form->ComposeFigure(), platform::ToQColor(0x123456).rgb());
  ASSERT_GT(shown, 0);

  m_dialogs->AnswerPrint(Pdf("half.pdf"), a6);
  ASSERT_TRUE(m_form->PrintMapItemClick());
  const auto images = testsupport::PdfImagePixels(Pdf("half.pdf"));
  ASSERT_EQ(images.size(), 1u);
  // Twice as wide, so markers twice as large: four times the ink, not the same few dots.
  const int printed = PixelsOf(images[0], platform::ToQColor(0x123456).rgb());
  EXPECT_NEAR(static_cast<double>(printed) / shown, 4.0, 1.0) << shown << " " << printed;
}

TEST_F(PrintTest, ThePageSetupIsKeptForTheRunAndTheNextApartFromTheSettings) {
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  const std::string settings = testsupport::ReadBytes(m_root / "s.ini");
  m_form->DrawMapNewClick();
  m_dialogs->AnswerPrint(Pdf("1.pdf"), PageSetup{QPageSize::A5, QPageLayout::Landscape});
  ASSERT_TRUE(m_form->PrintMapItemClick());
  m_dialogs->AnswerPrint(Pdf("2.pdf"));
  ASSERT_TRUE(m_form->PrintMapItemClick());
  const QSizeF a5Landscape(595.28, 419.53);
  EXPECT_NEAR(testsupport::PdfPageSize(Pdf("2.pdf")).width(), a5Landscape.width(), 0.5);
  EXPECT_NEAR(testsupport::PdfPageSize(Pdf("2.pdf")).height(), a5Landscape.height(), 0.5);
  // The user's settings file, which may be shared, holds nothing of it.
  EXPECT_EQ(testsupport::ReadBytes(m_root / "s.ini"), settings);

  m_form = NewWindow();
  m_form->DrawMapNewClick();
  m_dialogs->AnswerPrint(Pdf("3.pdf"));
  ASSERT_TRUE(m_form->PrintMapItemClick());
  EXPECT_NEAR(testsupport::PdfPageSize(Pdf("3.pdf")).width(), a5Landscape.width(), 0.5);
  EXPECT_NEAR(testsupport::PdfPageSize(Pdf("3.pdf")).height(), a5Landscape.height(), 0.5);
}

TEST_F(PrintTest, AFigureThatCannotBeDrawnAgainIsToldAndNothingIsWritten) {
  m_form->DrawMapNewClick();
  const std::string data = testsupport::ReadBytes(m_root / "d.grd");
  // Never over a file the figure is drawn from.
  m_dialogs->AnswerPrint(Q(m_root / "d.grd"));
  EXPECT_FALSE(m_form->PrintMapItemClick());
  EXPECT_EQ(testsupport::ReadBytes(m_root / "d.grd"), data);
  EXPECT_EQ(m_dialogs->Calls().back().kind, DialogKind::Error);
  EXPECT_TRUE(m_dialogs->Calls().back().message.contains(QStringLiteral("図に使っているファイル")));

  // The map file went away since the drawing: the message names it, the old PDF stays.
  Write("old.pdf", "%PDF old\n");
  fs::rename(m_root / "island.mdt", m_root / "moved.mdt");
  m_dialogs->AnswerPrint(Pdf("old.pdf"), PageSetup{QPageSize::A6, QPageLayout::Portrait});
  EXPECT_FALSE(m_form->PrintMapItemClick());
  EXPECT_EQ(testsupport::ReadBytes(m_root / "old.pdf"), "%PDF old\n");
  const auto& told = m_dialogs->Calls().back();
  EXPECT_EQ(told.kind, DialogKind::Error);
  EXPECT_TRUE(told.message.contains(Q(m_root / "island.mdt"))) << told.message.toStdString();
}

}  // namespace
}  // namespace conic
