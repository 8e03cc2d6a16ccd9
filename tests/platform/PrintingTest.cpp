#include <gtest/gtest.h>

#include <QPainter>
#include <QPrinter>
#include <filesystem>
#include <optional>
#include <string>

#include "core/Errors.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/Printing.h"
#include "tests/support/Pdf.h"
#include "tests/support/TestFiles.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using testsupport::Q;

TEST(FitCentred, TheLargestRectangleOfTheFiguresProportionsInTheMiddle) {
  const struct {
    QSizeF figure;
    QRectF area;
    QRectF expected;
  } cases[] = {
      {{100, 50}, {0, 0, 200, 200}, {0, 50, 200, 100}},    // wide figure: full width
      {{50, 100}, {10, 20, 200, 100}, {85, 20, 50, 100}},  // tall figure: full height
      {{30, 30}, {5, 5, 60, 60}, {5, 5, 60, 60}},          // same proportions: the area
      {{1500, 1800}, {0, 0, 718, 1047}, {0, 92.7, 718, 861.6}},
      {{0, 10}, {0, 0, 100, 100}, {}},  // nothing to fit
      {{10, 10}, {0, 0, 0, 100}, {}},   // no room
  };
  for (const auto& c : cases) {
    const QRectF got = FitCentred(c.figure, c.area);
    EXPECT_NEAR(got.left(), c.expected.left(), 1e-6)
        << c.figure.width() << "x" << c.figure.height();
    EXPECT_NEAR(got.top(), c.expected.top(), 1e-6);
    EXPECT_NEAR(got.width(), c.expected.width(), 1e-6);
    EXPECT_NEAR(got.height(), c.expected.height(), 1e-6);
  }
}

class PageSetupFileTest : public testing::Test {
 protected:
  void SetUp() override { m_dir = testsupport::EmptyTestFolder("page_setup_"); }
  void TearDown() override { fs::remove_all(m_dir); }
  QString File(const char* name = "print.ini") const { return Q(m_dir / name); }

  fs::path m_dir;
};

TEST_F(PageSetupFileTest, WhatIsKeptIsReadBack) {
  const PageSetup setups[] = {{QPageSize::A4, QPageLayout::Portrait},
                              {QPageSize::A3, QPageLayout::Landscape},
                              {QPageSize::Letter, QPageLayout::Landscape}};
  for (const PageSetup& setup : setups) {
    SavePageSetup(File(), setup);
    const PageSetup read = LoadPageSetup(File());
    EXPECT_EQ(read.size, setup.size);
    EXPECT_EQ(read.orientation, setup.orientation);
  }
  // The folder is made when missing.
  SavePageSetup(Q(m_dir / "new" / "print.ini"), setups[1]);
  EXPECT_EQ(LoadPageSetup(Q(m_dir / "new" / "print.ini")).size, QPageSize::A3);
}

TEST_F(PageSetupFileTest, AMissingOrUnreadableEntryIsA4Portrait) {
  EXPECT_EQ(LoadPageSetup(File("none.ini")), PageSetup{});
  const struct {
    const char* text;
    PageSetup expected;
  } cases[] = {
      {"[Page]\r\nSize=B99\r\nOrientation=sideways\r\n", {}},
      {"[page]\r\nsize=a3\r\norientation=landscape\r\n", {QPageSize::A3, QPageLayout::Landscape}},
      {"[Page]\r\nSize=Custom\r\n", {}},
      {"Size=A3\r\n", {}},  // outside the section
  };
  for (const auto& c : cases) {
    testsupport::WriteBytes(m_dir / "print.ini", c.text);
    EXPECT_EQ(LoadPageSetup(File()), c.expected) << c.text;
  }
  // A file that is there but cannot be read is told, not taken for none.
  fs::create_directories(m_dir / "folder.ini");
  EXPECT_THROW(LoadPageSetup(File("folder.ini")), core::IoError);
}

TEST_F(PageSetupFileTest, APageOfNoNamedSizeIsNotKept) {
  SavePageSetup(File(), {QPageSize::A3, QPageLayout::Landscape});
  const std::string kept = testsupport::ReadBytes(m_dir / "print.ini");
  SavePageSetup(File(), {QPageSize::Custom, QPageLayout::Portrait});
  EXPECT_EQ(testsupport::ReadBytes(m_dir / "print.ini"), kept);
}

// A printer of its own setup file, printing a page that marks its printable area.
class FigurePrinterTest : public PageSetupFileTest {
 protected:
  PrintJob Job(int dpi = 150) {
    PrintJob job;
    job.resolution = [this, dpi](const QPageLayout& layout) {
      m_layout = layout;
      return dpi;
    };
    job.prepare = [this](const QSize& area) -> std::function<void(QPainter&)> {
      m_areas.push_back(area);
      if (m_fail) {
        m_dialogs.ShowError(QStringLiteral("描けません"));
        return {};
      }
      return [area](QPainter& painter) {
        painter.fillRect(QRect(QPoint(0, 0), area), Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(area.width() / 3, area.height() / 2), QStringLiteral("Fagus"));
      };
    };
    job.isInput = [this](const QString& path) { return path == m_input; };
    return job;
  }
  std::vector<DialogKind> Kinds() const {
    std::vector<DialogKind> kinds;
    for (const auto& call : m_dialogs.Calls())
      kinds.push_back(call.kind);
    return kinds;
  }

  ScriptedDialogs m_dialogs;
  QPageLayout m_layout;
  std::vector<QSize> m_areas;
  bool m_fail = false;
  QString m_input;
};

TEST_F(FigurePrinterTest, PrintsThePageAtTheJobsResolutionOnThePaperChosen) {
  FigurePrinter printer(File());
  const QString pdf = Q(m_dir / "page.pdf");
  m_dialogs.AnswerPrint(pdf, PageSetup{QPageSize::A3, QPageLayout::Landscape});
  ASSERT_TRUE(printer.Print(m_dialogs, Job(150)));
  EXPECT_EQ(Kinds(), std::vector<DialogKind>{DialogKind::Print});
  EXPECT_EQ(m_layout.pageSize().id(), QPageSize::A3);
  EXPECT_EQ(m_layout.orientation(), QPageLayout::Landscape);
  // The area given is the printable area in dots of the job's resolution.
  ASSERT_EQ(m_areas.size(), 1u);
  EXPECT_EQ(m_areas[0], m_layout.paintRectPixels(150).size());
  EXPECT_GT(m_areas[0].width(), m_areas[0].height());
  EXPECT_EQ(testsupport::ReadBytes(m_dir / "page.pdf").rfind("%PDF", 0), 0u);
  if (!testsupport::PopplerInstalled()) GTEST_SKIP() << "poppler-utils are not installed";
  const QSizeF page = testsupport::PdfPageSize(pdf);
  EXPECT_NEAR(page.width(), 1190.55, 0.5);
  EXPECT_NEAR(page.height(), 841.89, 0.5);
  EXPECT_TRUE(testsupport::PdfText(pdf).contains(QStringLiteral("Fagus")));
  // The black area is the printable area, where the painter's origin is.
  const QRect ink = testsupport::InkBox(testsupport::PdfPageImage(pdf, 72));
  const QRectF area = m_layout.paintRect(QPageLayout::Point);
  EXPECT_NEAR(ink.left(), area.left(), 1.0);
  EXPECT_NEAR(ink.top(), area.top(), 1.0);
  EXPECT_NEAR(ink.right() + 1, area.right(), 1.0);
  EXPECT_NEAR(ink.bottom() + 1, area.bottom(), 1.0);
}

TEST_F(FigurePrinterTest, ThePageSetupLastsForTheRunAndIsKeptForTheNext) {
  {
    FigurePrinter printer(File());
    m_dialogs.AnswerPrint(Q(m_dir / "1.pdf"), PageSetup{QPageSize::A3, QPageLayout::Landscape});
    ASSERT_TRUE(printer.Print(m_dialogs, Job()));
    // Nothing changed in the preview: the page stays as set up.
    m_dialogs.AnswerPrint(Q(m_dir / "2.pdf"));
    ASSERT_TRUE(printer.Print(m_dialogs, Job()));
    EXPECT_EQ(m_layout.pageSize().id(), QPageSize::A3);
    EXPECT_EQ(m_layout.orientation(), QPageLayout::Landscape);
  }
  EXPECT_EQ(LoadPageSetup(File()), (PageSetup{QPageSize::A3, QPageLayout::Landscape}));
  {
    // The next run starts with it; a change made in a preview closed without printing is
    // kept as well, as the user left the page.
    FigurePrinter printer(File());
    m_dialogs.AnswerPrint(Q(m_dir / "3.pdf"));
    ASSERT_TRUE(printer.Print(m_dialogs, Job()));
    EXPECT_EQ(m_layout.pageSize().id(), QPageSize::A3);
    EXPECT_EQ(m_layout.orientation(), QPageLayout::Landscape);
    m_dialogs.AnswerPrint(QString(), PageSetup{QPageSize::A4, QPageLayout::Portrait});
    EXPECT_FALSE(printer.Print(m_dialogs, Job()));
    EXPECT_FALSE(fs::exists(m_dir / "4.pdf"));
  }
  EXPECT_EQ(LoadPageSetup(File()), PageSetup{});
}

TEST_F(FigurePrinterTest, ASetupFileThatCannotBeReadOrWrittenIsTold) {
  fs::create_directories(m_dir / "folder.ini");
  FigurePrinter printer(File("folder.ini"));
  m_dialogs.AnswerPrint(Q(m_dir / "page.pdf"), PageSetup{QPageSize::A3, QPageLayout::Portrait});
  // The page is printed all the same; the setup could neither be read nor kept.
  EXPECT_TRUE(printer.Print(m_dialogs, Job()));
  EXPECT_TRUE(fs::exists(m_dir / "page.pdf"));
  EXPECT_EQ(Kinds(),
            (std::vector<DialogKind>{DialogKind::Error, DialogKind::Print, DialogKind::Error}));
  EXPECT_TRUE(
      m_dialogs.Calls().back().message.startsWith(QStringLiteral("用紙の設定を保存できません")));
  EXPECT_TRUE(m_dialogs.Calls().back().message.contains(File("folder.ini")));
}

TEST_F(FigurePrinterTest, APdfFileIsWrittenWholeOrNotAtAllAndNeverOverAnInput) {
  const std::string old = "%PDF old page\n";
  testsupport::WriteBytes(m_dir / "page.pdf", old);
  FigurePrinter printer(File());
  // The figure cannot be drawn: no page is begun, and the old file stays.
  m_fail = true;
  m_dialogs.AnswerPrint(Q(m_dir / "page.pdf"));
  EXPECT_FALSE(printer.Print(m_dialogs, Job()));
  EXPECT_EQ(testsupport::ReadBytes(m_dir / "page.pdf"), old);
  EXPECT_EQ(m_dialogs.Calls().back().kind, DialogKind::Error);
  // A file the figure is drawn from is refused before anything is drawn.
  m_fail = false;
  m_input = Q(m_dir / "page.pdf");
  m_areas.clear();
  m_dialogs.AnswerPrint(m_input);
  EXPECT_FALSE(printer.Print(m_dialogs, Job()));
  EXPECT_TRUE(m_areas.empty());
  EXPECT_EQ(testsupport::ReadBytes(m_dir / "page.pdf"), old);
  EXPECT_TRUE(m_dialogs.Calls().back().message.contains(QStringLiteral("図に使っているファイル")));
  // A folder that cannot be written: told with the file's name, nothing left behind.
  m_input.clear();
  const QString nowhere = Q(m_dir / "missing" / "page.pdf");
  m_dialogs.AnswerPrint(nowhere);
  EXPECT_FALSE(printer.Print(m_dialogs, Job()));
  EXPECT_TRUE(m_dialogs.Calls().back().message.contains(nowhere));
  EXPECT_FALSE(fs::exists(m_dir / "missing"));
  // Printed: the new page replaces the old file, and the printer keeps its target's name.
  m_dialogs.AnswerPrint(Q(m_dir / "page.pdf"));
  EXPECT_TRUE(printer.Print(m_dialogs, Job()));
  const std::string printed = testsupport::ReadBytes(m_dir / "page.pdf");
  EXPECT_NE(printed, old);
  EXPECT_EQ(printed.rfind("%PDF", 0), 0u);
  EXPECT_EQ(testsupport::FileNames(m_dir), (std::set<std::string>{"page.pdf"}));
}

}  // namespace
}  // namespace platform
