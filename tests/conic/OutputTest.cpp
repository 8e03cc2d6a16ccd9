#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>

#include "conic/TForm1.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::Q;

namespace fs = std::filesystem;
using platform::DialogKind;
using platform::ScriptedDialogs;

TEST(ComposeLayersTest, PlotIsAndedOverTheBaseExceptInTheLegendBox) {
  const struct {
    QRgb base;
    QRgb plot;
    bool inBox;
    QRgb expected;
  } cases[] = {
      {qRgb(10, 200, 30), qRgb(255, 255, 255), false, qRgb(10, 200, 30)},  // white lets through
      {qRgb(10, 200, 30), qRgb(0, 0, 0), false, qRgb(0, 0, 0)},
      {qRgb(0xF0, 0x0F, 0xCC), qRgb(0x3C, 0xFF, 0x0F), false, qRgb(0x30, 0x0F, 0x0C)},
      {qRgb(10, 200, 30), qRgb(255, 255, 255), true, qRgb(255, 255, 255)},  // box whitened
      {qRgb(0, 0, 0), qRgb(0x3C, 0xFF, 0x0F), true, qRgb(0x3C, 0xFF, 0x0F)},
  };
  // One column per case; the legend box covers rows 1..2 of the columns that want it, and
  // the rows outside it follow the rule of the cases without a box.
  const int n = static_cast<int>(std::size(cases));
  QImage base(n, 4, QImage::Format_RGB32);
  QImage plot(n, 4, QImage::Format_RGB32);
  for (int x = 0; x < n; ++x) {
    for (int y = 0; y < 4; ++y) {
      base.setPixel(x, y, cases[x].base);
      plot.setPixel(x, y, cases[x].plot);
    }
  }
  for (int x = 0; x < n; ++x) {
    const QRect box = cases[x].inBox ? QRect(x, 1, 1, 2) : QRect();
    const QImage figure = ComposeLayers(base, plot, box);
    ASSERT_EQ(figure.size(), base.size());
    for (int y = 0; y < 4; ++y) {
      const bool asCase = box.contains(x, y) || !cases[x].inBox;
      const QRgb want = asCase ? cases[x].expected : cases[x].base & cases[x].plot;
      EXPECT_EQ(figure.pixel(x, y), want) << "case " << x << " row " << y;
    }
  }
  // A box reaching past the edges is cut to the image.
  QImage blackBase(3, 3, QImage::Format_RGB32);
  blackBase.fill(Qt::black);
  QImage whitePlot(3, 3, QImage::Format_RGB32);
  whitePlot.fill(Qt::white);
  const QImage clipped = ComposeLayers(blackBase, whitePlot, QRect(-5, 2, 20, 9));
  EXPECT_EQ(clipped.pixel(0, 1), qRgb(0, 0, 0));
  EXPECT_EQ(clipped.pixel(0, 2), qRgb(255, 255, 255));
  EXPECT_EQ(clipped.pixel(2, 2), qRgb(255, 255, 255));
}

// A small window figure over a one-island map, so that whole images can be compared.
class OutputTest : public testing::Test {
 protected:
  void SetUp() override {
    m_root = testsupport::FreshTestFolder("conic_output_");
    Write("island.mdt", testsupport::kIslandMap);
    Write("d.grd", "Fagus\r\n35.0,136.0,1200\r\n53394611\r\nPinus\r\n34.5,135.5,300\r\n");
    Write("s.ini", "[DataFile]\r\nMapFile=" + (m_root / "island.mdt").string() +
                       "\r\nGrdFile=" + (m_root / "d.grd").string() +
                       "\r\n[Font]\r\nFontSize=5\r\n[Legend]\r\nShowLegend=1\r\n");
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_form = std::make_unique<TForm1>(QStringList{Q(m_root / "s.ini")}, std::move(dialogs),
                                      Q(m_root / "bin" / "Tarvo_L"));
    m_form->SetFixedWindowWidth(200);
  }
  void TearDown() override {
    m_form.reset();
    fs::remove_all(m_root);
  }
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(m_root / name, std::ios::binary) << bytes;
  }

  fs::path m_root;
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TForm1> m_form;
};

TEST_F(OutputTest, SavedPngHoldsTheComposedLayers) {
  m_form->DrawMapNewClick();
  ASSERT_EQ(m_form->State().PlotCount, 3);
  const QRect box = m_form->LegendBox();
  ASSERT_FALSE(box.isEmpty());
  const fs::path png = m_root / "figure.png";
  m_dialogs->AcceptSave(Q(png));
  m_form->SaveToPNGItemClick();
  ASSERT_TRUE(fs::exists(png));
  EXPECT_EQ(m_dialogs->Calls().back().file.filterIndex, 3);

  const QImage saved = QImage(Q(png)).convertToFormat(QImage::Format_RGB32);
  const QImage& base = m_form->CanvasM().Image();
  const QImage& plot = m_form->CanvasP().Image();
  ASSERT_EQ(saved.size(), QSize(200, 283));
  int whitened = 0, mixed = 0, mismatches = 0;
  for (int y = 0; y < saved.height(); ++y) {
    for (int x = 0; x < saved.width(); ++x) {
      const QRgb b = base.pixel(x, y), p = plot.pixel(x, y);
      const QRgb want = box.contains(x, y) ? p : (b & p);
      if (saved.pixel(x, y) != want && ++mismatches <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y;
      whitened += box.contains(x, y) && (b & p) != p;
      mixed += !box.contains(x, y) && (b & p) != p && (b & p) != b;
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The figure has both a legend over the map and markers over coloured ground.
  EXPECT_GT(whitened, 0);
  EXPECT_GT(mixed, 0);
}

TEST_F(OutputTest, SavedPngPassesPngcheckAndCarriesItsResolution) {
  const QString pngcheck = QStandardPaths::findExecutable(QStringLiteral("pngcheck"));
  if (pngcheck.isEmpty()) GTEST_SKIP() << "pngcheck is not installed";
  m_form->DrawMapNewClick();
  const fs::path png = m_root / "checked.png";
  m_dialogs->AcceptSave(Q(png));
  m_form->SaveToPNGItemClick();
  QProcess check;
  check.start(pngcheck, {QStringLiteral("-v"), Q(png)});
  ASSERT_TRUE(check.waitForFinished(30000));
  const QString report = QString::fromLocal8Bit(check.readAllStandardOutput());
  EXPECT_EQ(check.exitCode(), 0) << report.toStdString();
  QStringList chunks;
  for (const auto& m : QRegularExpression(QStringLiteral("chunk (\\w{4})")).globalMatch(report))
    chunks << m.captured(1);
  EXPECT_EQ(chunks, (QStringList{QStringLiteral("IHDR"), QStringLiteral("pHYs"),
                                 QStringLiteral("IDAT"), QStringLiteral("IEND")}))
      << report.toStdString();
  EXPECT_TRUE(report.contains(QStringLiteral("200 x 283 image, 24-bit RGB, non-interlaced")))
      << report.toStdString();
  // A window-width sheet is a screen's; an A-series sheet is drawn for 300 dpi, so that a
  // word processor places an A4 figure 21 cm wide.
  EXPECT_EQ(QImage(Q(png)).dotsPerMeterX(), 3780);
  m_form->SheetItemClick(3);
  m_dialogs->AcceptSave(Q(png));
  m_form->SaveToPNGItemClick();
  const QImage a4(Q(png));
  EXPECT_EQ(a4.dotsPerMeterX(), 11811);
  EXPECT_EQ(a4.dotsPerMeterY(), 11811);
  EXPECT_NEAR(a4.width() / (a4.dotsPerMeterX() / 100.0), 21.0, 0.01);  // centimetres
}

TEST_F(OutputTest, SaveDialogOpensWithWhatItLastHeld) {
  m_form->DrawMapNewClick();
  const fs::path settings = m_root / "saved settings.ini";
  m_dialogs->AcceptSave(Q(settings));
  m_form->SaveIniFileItemClick();
  ASSERT_TRUE(fs::exists(settings));
  const auto count = [this] {
    return std::distance(fs::directory_iterator(m_root), fs::directory_iterator());
  };
  const auto before = count();

  m_dialogs->Cancel(DialogKind::Save);
  m_form->SaveToPNGItemClick();
  const auto& call = m_dialogs->Calls().back();
  EXPECT_EQ(call.kind, DialogKind::Save);
  EXPECT_EQ(call.file.fileName, Q(settings));
  EXPECT_EQ(call.file.filterIndex, 3);
  EXPECT_EQ(count(), before);
  EXPECT_EQ(m_dialogs->Calls().size(), 2u);  // no message either

  // The name is taken as the dialog returns it.
  m_dialogs->AcceptSave(Q(m_root / "figure.PNG"));
  m_form->SaveToPNGItemClick();
  EXPECT_EQ(count(), before + 1);
  EXPECT_TRUE(fs::exists(m_root / "figure.PNG"));

  const fs::path nowhere = m_root / "missing folder" / "figure.png";
  m_dialogs->AcceptSave(Q(nowhere));
  m_form->SaveToPNGItemClick();
  const auto& error = m_dialogs->Calls().back();
  EXPECT_EQ(error.kind, DialogKind::Error);
  EXPECT_TRUE(error.message.startsWith(QStringLiteral("ファイルが見つかりません")))
      << error.message.toStdString();
  EXPECT_TRUE(error.message.contains(Q(nowhere)));
}

TEST_F(OutputTest, CopyPutsTheComposedFigureOnTheClipboard) {
  m_form->DrawMapNewClick();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  m_form->CopyMapItemClick();
  EXPECT_EQ(clipboard->image().convertToFormat(QImage::Format_RGB32), m_form->ComposeFigure());
  EXPECT_TRUE(m_dialogs->Calls().empty());
}

TEST_F(OutputTest, ResizeShowsTheWidthAWindowSheetWouldHave) {
  m_form->DrawMapNewClick();
  m_form->show();
  auto* viewport = m_form->findChild<QScrollArea*>(QStringLiteral("ScrollBox1"))->viewport();
  for (const int width : {700, 973}) {
    m_form->resize(width, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_form->StatusText(0), QStringLiteral("W=%1").arg(viewport->width()));
    EXPECT_LT(viewport->width(), width);
    EXPECT_GT(viewport->width(), width - 40);
  }
  // Nothing is redrawn until the next drawing.
  EXPECT_EQ(m_form->CanvasM().Width(), 200);
}

}  // namespace
}  // namespace conic
