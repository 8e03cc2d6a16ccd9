#include <gtest/gtest.h>
#include <uemf_safe.h>

#include <cstring>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>
#include <filesystem>
#include <memory>

#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

struct Window : IslandWindow {
  Window() : IslandWindow("chart-output-") { form->BtnNewMapClick(); }
};

TEST(ChartOutput, TheSaveCommandProposesTheDataFilesNameWithTheChartSet) {
  Window w;
  EXPECT_EQ(w.form->ProposedFigureName(), QStringLiteral("-3D.emf"));
  w.form->State().GrdFileName = QStringLiteral("/data/Abies.grd");
  const std::pair<int, const char*> sets[] = {
      {1, "Abies-H.emf"}, {2, "Abies-V.emf"}, {3, "Abies-3D.emf"}};
  for (const auto& [kind, name] : sets) {
    w.form->State().MapKind = kind;
    EXPECT_EQ(w.form->ProposedFigureName(), QString::fromLatin1(name));
  }
}

TEST(ChartOutput, SavingWritesTheMetafileAndGivesTheLegendAnchorBack) {
  Window w;
  w.form->State().LegendPixelX = 123;
  w.form->State().LegendPixelY = 45;
  const QString path = Q(w.root / "figure.emf");
  w.dialogs->AcceptSave(path);
  w.form->SaveToEMFItemClick();
  const auto& call = w.dialogs->Calls().back();
  EXPECT_EQ(call.file.filterIndex, 1);
  EXPECT_EQ(call.file.defaultExt, QStringLiteral("emf"));
  EXPECT_EQ(call.file.fileName, QStringLiteral("-3D.emf"));
  const std::string bytes = testsupport::ReadBytes(w.root / "figure.emf");
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes[0], 1);  // the header record comes first
  EXPECT_EQ(w.form->State().LegendPixelX, 123);
  EXPECT_EQ(w.form->State().LegendPixelY, 45);
  // The data editor's save then offers data, never the figure's name or kind.
  w.dialogs->Cancel(platform::DialogKind::Save);
  w.form->Editor()->BtnEdSaveClick();
  EXPECT_EQ(w.dialogs->Calls().back().file.defaultExt, QStringLiteral("grd"));
  EXPECT_EQ(w.dialogs->Calls().back().file.fileName, QString());
  EXPECT_FALSE(w.dialogs->Calls().back().file.filter.contains(QStringLiteral("emf")));
  // Never over the figure's own map or data: a name that is not a figure's gets the
  // figure's suffix, and a figure's name that is an input is refused.
  const std::string map = testsupport::ReadBytes(w.root / "island.mdt");
  w.dialogs->AcceptSave(Q(w.root / "island.mdt"));
  w.form->SaveToEMFItemClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "island.mdt"), map);
  EXPECT_TRUE(fs::exists(w.root / "island.mdt.emf"));
  fs::copy_file(w.root / "island.mdt", w.root / "island.svg");
  w.form->findChild<QLineEdit*>(QStringLiteral("EditMapFile"))->setText(Q(w.root / "island.svg"));
  w.form->BtnNewMapClick();
  w.dialogs->AcceptSave(Q(w.root / "island.svg"));
  w.form->SaveToEMFItemClick();
  EXPECT_EQ(testsupport::ReadBytes(w.root / "island.svg"), map);
  EXPECT_EQ(w.dialogs->Calls().back().kind, platform::DialogKind::Error);
  // Cancelled: nothing written.
  w.dialogs->Cancel(platform::DialogKind::Save);
  w.form->SaveToEMFItemClick();
  EXPECT_FALSE(fs::exists(w.root / "-3D.emf"));
}

TEST(ChartOutput, EachFormatHoldsTheFigureAtItsSize) {
  Window w;
  const QSize size = w.form->FigureSize();
  const std::string svg = w.form->FigureBytes(FigureFormat::Svg);
  EXPECT_NE(svg.find("viewBox=\"0 0 " + std::to_string(size.width()) + ' ' +
                     std::to_string(size.height())),
            std::string::npos);
  const std::string pdf = w.form->FigureBytes(FigureFormat::Pdf);
  EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
  const std::string png = w.form->FigureBytes(FigureFormat::Png);
  const QImage image =
      QImage::fromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG");
  EXPECT_EQ(image.size(), size);
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(FigureFormatOf(QStringLiteral("a.SVG")), FigureFormat::Svg);
  EXPECT_FALSE(FigureFormatOf(QStringLiteral("a.wmf")).has_value());
}

// The share of the pixels of `small` that `large`, sampled down to its size, has alike.
double Alike(const QImage& small, const QImage& large) {
  const QImage sampled = large.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  qsizetype same = 0;
  for (int y = 0; y < small.height(); ++y) {
    for (int x = 0; x < small.width(); ++x)
      same += small.pixel(x, y) == sampled.pixel(x, y) ? 1 : 0;
  }
  return static_cast<double>(same) / (static_cast<double>(small.width()) * small.height());
}

// The share of pixels that are not white.
double Ink(const QImage& image) {
  qsizetype ink = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      ink += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
  }
  return static_cast<double>(ink) / (static_cast<double>(image.width()) * image.height());
}

TEST(ChartOutput, AnEnlargedFigureIsTheSamePictureAtMorePixels) {
  IslandWindow w("chart-output-");
  w.form->findChild<QRadioButton*>(QStringLiteral("MScale2"))->setChecked(true);
  w.form->BtnNewMapClick();
  w.form->Editor()->SetLines(
      {"Abies", "34.5,135.5,300", "35.0,136.0,400", "Betula", "35.5,136.5,200", "35.2,135.2,50"});
  w.form->PlotOnMap();
  w.form->show();
  // The figure as the save command writes it; four times enlarged it is larger than image
  // readers take by default.
  struct Unlimited {
    int was = QImageReader::allocationLimit();
    Unlimited() { QImageReader::setAllocationLimit(0); }
    ~Unlimited() { QImageReader::setAllocationLimit(was); }
  } unlimited;
  auto saved = [&w](const char* name) {
    w.dialogs->AcceptSave(Q(w.root / name));
    w.form->SaveToEMFItemClick();
    const QImage image(Q(w.root / name));
    if (image.isNull()) ADD_FAILURE() << w.dialogs->Calls().back().message.toStdString();
    return image;
  };
  const QImage figure = saved("one.png");
  ASSERT_FALSE(figure.isNull());
  const QImage screen = w.form->ChartAt(1)->grab().toImage();
  for (const int zoom : {2, 4}) {
    w.form->Command(QString::fromLatin1(zoom == 2 ? "ShowBigMap" : "ShowMegaMap"))->trigger();
    // The written figure: text, markers, lines and legend grow with it, so that sampled
    // back it is the figure of no enlargement, and as much of it is ink.
    const QImage big = saved(zoom == 2 ? "two.png" : "four.png");
    ASSERT_EQ(big.size(), figure.size() * zoom);
    EXPECT_GT(Alike(figure, big), 0.97) << zoom;
    EXPECT_NEAR(Ink(big) / Ink(figure), 1, 0.15) << zoom;
    // On screen, and copied from there, the same.
    const QImage shown = w.form->ChartAt(1)->grab().toImage();
    EXPECT_GT(Alike(screen, shown), 0.95) << zoom;
    EXPECT_NEAR(Ink(shown) / Ink(screen), 1, 0.15) << zoom;
    w.form->CopyChart(1, false);
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              shown.convertToFormat(QImage::Format_RGB32))
        << zoom;
  }
}

TEST(ChartOutput, MetafilesOfEveryChartSetConvert) {
  const QString converter = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
  if (converter.isEmpty()) GTEST_SKIP() << "emf2svg-conv is not installed";
  Window w;
  w.form->Editor()->SetLines({"Abies", "35.0,136.0,300", "Betula", "35.5,136.5,200"});
  for (const auto& [horizon, profile] :
       {std::pair{true, true}, std::pair{true, false}, std::pair{false, true}}) {
    w.form->findChild<QCheckBox*>(QStringLiteral("HorizonMap"))->setChecked(horizon);
    w.form->findChild<QCheckBox*>(QStringLiteral("ProfileMap"))->setChecked(profile);
    w.form->BtnNewMapClick();
    w.form->Editor()->SetLines({"Abies", "35.0,136.0,300", "Betula", "35.5,136.5,200"});
    w.form->PlotOnMap();
    const fs::path emf = w.root / "figure.emf";
    const fs::path svg = w.root / "figure.svg";
    const std::string bytes = w.form->FigureBytes(FigureFormat::Emf);
    // Every record passes the metafile library's own checks.
    int records = 0;
    for (size_t at = 0; at + 8 <= bytes.size();) {
      std::uint32_t size = 0;
      std::memcpy(&size, bytes.data() + at + 4, 4);
      ASSERT_TRUE(size >= 8 && size % 4 == 0 && at + size <= bytes.size()) << "record at " << at;
      std::string record = bytes.substr(at, size);
      EXPECT_NE(U_emf_record_safe(record.data()), 0) << "record at " << at;
      at += size;
      ++records;
    }
    EXPECT_GT(records, 10);
    testsupport::WriteBytes(emf, bytes);
    QProcess run;
    run.start(converter, {QStringLiteral("-i"), Q(emf), QStringLiteral("-o"), Q(svg)});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    const std::string text = testsupport::ReadBytes(svg);
    const QSize size = w.form->FigureSize();
    EXPECT_NE(text.find("width=\"" + std::to_string(size.width())), std::string::npos)
        << w.form->State().MapKind;
    // The legend's titles stay text.
    if (w.form->State().MapKind != 2) {
      EXPECT_NE(text.find("Betula"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace chart
