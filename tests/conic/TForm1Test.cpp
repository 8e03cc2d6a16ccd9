#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <filesystem>
#include <fstream>

#include "conic/TForm1.h"
#include "core/Rounding.h"
#include "platform/ui/DialogService.h"
#include "tests/support/TestFiles.h"

namespace conic {
namespace {

using testsupport::ProgramDir;

using platform::DialogKind;
using platform::ScriptedDialogs;

class TForm1Test : public testing::Test {
 protected:
  std::unique_ptr<TForm1> Make(const QStringList& args = {}) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    auto form = std::make_unique<TForm1>(args, std::move(dialogs),
                                         ProgramDir() + QStringLiteral("/Tarvo_L"));
    form->resize(973, 720);
    return form;
  }
  template <typename W>
  W* Child(TForm1& form, const char* name) {
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string WriteFile(const char* name, const std::string& bytes) {
    const auto path = std::filesystem::path(testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  ScriptedDialogs* m_dialogs = nullptr;
};

TEST_F(TForm1Test, StartsWithTheSettingsPanelOverAnEmptySheet) {
  auto form = Make();
  EXPECT_EQ(form->windowTitle(),
            QStringLiteral("日本三面分布図作成（Lambert conformal conic projection） Tarvo_L, "
                           "Version " TARVO_VERSION));
  EXPECT_FALSE(Child<QWidget>(*form, "SettingBoard")->isHidden());
  EXPECT_EQ(form->CanvasM().Width(), 800);
  EXPECT_EQ(form->CanvasM().Height(), 1131);
  EXPECT_EQ(form->CanvasP().Pixel(400, 500), platform::kWhite);
  EXPECT_EQ(form->State().IniFileName, ProgramDir() + QStringLiteral("/Tarvo_L.ini"));
  EXPECT_EQ(Child<QLineEdit>(*form, "EditIniFile")->text(), QStringLiteral("Tarvo_L.ini"));
  EXPECT_EQ(Child<QLineEdit>(*form, "EditMapFile")->text(), QStringLiteral("三面図全国.mdt"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("地形図：Nippon.mdt"));
  EXPECT_EQ(form->StatusText(7), QStringLiteral("二次"));
  EXPECT_FALSE(Child<QRadioButton>(*form, "VerticalMap")->isEnabled());
  for (const char* name : {"NewPlotItem", "SaveToPNGItem", "AllReSetItem", "StandardItem",
                           "ShowA3SizeItem", "HelpVersionItem", "EditMarkItem"}) {
    EXPECT_NE(form->findChild<QAction*>(QString::fromLatin1(name)), nullptr) << name;
  }
}

TEST_F(TForm1Test, FirstIniArgumentInAnyCaseIsTheSettingsFile) {
  // A path on the command line is relative to the current folder, and a settings file
  // named there that does not exist is told, not silently replaced by the defaults.
  const QString here = QFileInfo(QString::fromStdString(WriteFile("here.Ini", "[Map]\n"))).path();
  QDir::setCurrent(here);
  const struct {
    QStringList args;
    QString ini;
    bool missing;
  } cases[] = {
      {{QStringLiteral("/tmp/no-such-dir/mine.INI")},
       QStringLiteral("/tmp/no-such-dir/mine.INI"),
       true},
      {{QStringLiteral("here.Ini"), QStringLiteral("x.ini")},
       here + QStringLiteral("/here.Ini"),
       false},
      {{QStringLiteral("other.Ini")}, here + QStringLiteral("/other.Ini"), true},
      {{QStringLiteral("data.grd")}, ProgramDir() + QStringLiteral("/Tarvo_L.ini"), false},
      {{QStringLiteral("ini")}, ProgramDir() + QStringLiteral("/Tarvo_L.ini"), false},
  };
  for (const auto& c : cases) {
    const auto form = Make(c.args);
    EXPECT_EQ(form->State().IniFileName, c.ini);
    const bool told =
        !m_dialogs->Calls().empty() && m_dialogs->Calls().front().kind == DialogKind::Error &&
        m_dialogs->Calls().front().message == QStringLiteral("ファイルが見つかりません\n") + c.ini;
    EXPECT_EQ(told, c.missing) << c.ini.toStdString();
  }
}

TEST_F(TForm1Test, StatusPanelsAndTheTitleFieldFitWhatTheyShow) {
  auto form = Make();
  form->SetStatus(3, QStringLiteral("a-rather-long-distribution-data-file-name.grd"));
  for (const int width : {973, 800, 640}) {
    form->resize(width, 720);
    form->show();
    QCoreApplication::processEvents();
    // Side by side, none running into the next; panels other than the file names show
    // their whole text.
    for (int i = 0; i + 1 < 10; ++i) {
      const QWidget* left = form->findChild<QWidget*>(QStringLiteral("StatusPanel%1").arg(i));
      const QWidget* right = form->findChild<QWidget*>(QStringLiteral("StatusPanel%1").arg(i + 1));
      EXPECT_LE(left->geometry().right(), right->geometry().left()) << width << " panel " << i;
      if (i != 1 && i != 3) {
        EXPECT_GE(left->width(), left->sizeHint().width()) << width << " panel " << i;
      }
    }
  }
  // A title font of any size is shown at a size the field holds; the size chosen is kept.
  auto* title = Child<QLineEdit>(*form, "EditTitle");
  for (const int points : {10, 16, 24, 72, 2000}) {
    QFont font(QStringLiteral("Cambria"));
    font.setPointSize(points);
    form->SetTitleFieldFont(font);
    EXPECT_LE(QFontMetrics(title->font()).height(), title->height() - 4) << points;
    EXPECT_EQ(form->ChosenTitleFont().pointSize(), points);
  }
}

TEST_F(TForm1Test, SetParameterReadsThePanel) {
  auto form = Make();
  form->show();
  const struct {
    const char* sheet;
    int sheetSize;
    int width;
    int height;
  } sheets[] = {{"MapSizeA6", 1, 1240, 1754}, {"MapSizeA4", 3, 2480, 3506}};
  for (const auto& s : sheets) {
    Child<QRadioButton>(*form, s.sheet)->setChecked(true);
    form->SetParameter();
    EXPECT_EQ(form->State().SheetSize, s.sheetSize);
    EXPECT_EQ(form->CanvasM().Width(), s.width);
    EXPECT_EQ(form->CanvasP().Height(), s.height);
  }
  // Window width: the scroll box's client width and 1.414 times it.
  Child<QRadioButton>(*form, "MapSizeWn")->setChecked(true);
  form->SetParameter();
  const int w = Child<QScrollArea>(*form, "ScrollBox1")->viewport()->width();
  EXPECT_EQ(form->CanvasM().Width(), w);
  EXPECT_EQ(form->CanvasM().Height(), core::RoundHalfEven(w * 1.414));

  // No precision selected is 0; the initial "------" caption is width 2.
  auto* g10 = Child<QRadioButton>(*form, "GScale10");
  g10->setAutoExclusive(false);
  g10->setChecked(false);
  Child<QPushButton>(*form, "SubColorBtn")->setText(QStringLiteral("------"));
  form->SetParameter();
  EXPECT_EQ(form->State().GridSize, 0);
  EXPECT_EQ(form->StatusText(7), QStringLiteral("経緯"));
  EXPECT_EQ(form->State().SLineW, 2);
  EXPECT_EQ(form->State().MLineW, 1);
  EXPECT_EQ(form->StatusText(5), QStringLiteral("0/0"));
  EXPECT_EQ(form->StatusText(1), QStringLiteral("地形図：三面図全国.mdt"));
}

TEST_F(TForm1Test, LayerKeepsItsBitmapOnlyWhileItsWidthStays) {
  auto form = Make();
  form->CanvasM().SetPixel(10, 10, 0x123456);
  form->SetLayerSize(form->CanvasM(), 800, 999);
  EXPECT_EQ(form->CanvasM().Pixel(10, 10), 0x123456u);
  EXPECT_EQ(form->CanvasM().Height(), 1131);
  form->SetLayerSize(form->CanvasM(), 640, 905);
  EXPECT_EQ(form->CanvasM().Pixel(10, 10), platform::kWhite);
  EXPECT_EQ(form->CanvasM().Height(), 905);
}

TEST_F(TForm1Test, MissingMapFileAsksForOneAndCancellingDrawsNothing) {
  auto form = Make();
  Child<QLineEdit>(*form, "EditMapFile")->setText(QStringLiteral("/nowhere/none.mdt"));
  m_dialogs->Cancel(DialogKind::Open);
  form->DrawMapNewClick();
  ASSERT_EQ(m_dialogs->Calls().size(), 1u);
  EXPECT_EQ(m_dialogs->Calls()[0].kind, DialogKind::Open);
  EXPECT_EQ(m_dialogs->Calls()[0].file.filterIndex, 2);
  EXPECT_EQ(m_dialogs->Calls()[0].file.initialDir, QStringLiteral("/nowhere"));
  EXPECT_TRUE(Child<QWidget>(*form, "SettingBoard")->isHidden());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(form->CanvasM().Pixel(5, 5), platform::kWhite);
}

TEST_F(TForm1Test, DrawsTheChosenMapAndReportsBadLines) {
  auto form = Make();
  const std::string good = WriteFile("good.mdt", "*H-MAP\r\n135,34\r\n137,34\r\n137,36\r\n0,0\r\n");
  Child<QLineEdit>(*form, "EditMapFile")->setText(QStringLiteral("/nowhere/none.mdt"));
  m_dialogs->AcceptOpen(QString::fromStdString(good));
  form->DrawMapNewClick();
  EXPECT_EQ(Child<QLineEdit>(*form, "EditMapFile")->text(), QString::fromStdString(good));
  EXPECT_EQ(form->CanvasM().Pixel(5, 5), 16775899u);  // the sea is filled
  EXPECT_EQ(form->StatusText(9), QString::number(form->CanvasM().Width()) + " pix");

  const std::string bad = WriteFile("bad.mdt", "*H-MAP\r\n135,34\r\n13x,34\r\n");
  Child<QLineEdit>(*form, "EditMapFile")->setText(QString::fromStdString(bad));
  form->DrawMapNewClick();
  ASSERT_FALSE(m_dialogs->Calls().empty());
  const auto& last = m_dialogs->Calls().back();
  EXPECT_EQ(last.kind, DialogKind::Error);
  EXPECT_TRUE(last.message.startsWith(QStringLiteral("'13x' は浮動小数点数ではありません")))
      << last.message.toStdString();
  EXPECT_TRUE(last.message.contains(QStringLiteral("3 行目")));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TForm1Test, FilePickersAndPanelCommands) {
  auto form = Make();
  m_dialogs->AcceptOpen(QStringLiteral("/data/kanto.mdt"));
  form->BtnGetMapFileClick();
  EXPECT_EQ(form->State().MapFileName, QStringLiteral("/data/kanto.mdt"));
  EXPECT_EQ(m_dialogs->Calls().back().file.fileName, QStringLiteral("*.mdt"));

  form->State().GrdFileName = QStringLiteral("/records/old.grd");
  m_dialogs->AcceptOpen(QStringLiteral("/records/new.grd"));
  form->BtnGetDataFileClick();
  EXPECT_EQ(m_dialogs->Calls().back().file.filterIndex, 3);
  EXPECT_EQ(m_dialogs->Calls().back().file.initialDir, QStringLiteral("/records"));
  EXPECT_EQ(Child<QLineEdit>(*form, "EditGrdFile")->text(), QStringLiteral("/records/new.grd"));

  form->BtnSettingCancelClick();
  EXPECT_TRUE(Child<QWidget>(*form, "SettingBoard")->isHidden());
  form->ReSetItemClick();
  auto* board = Child<QWidget>(*form, "SettingBoard");
  EXPECT_FALSE(board->isHidden());
  EXPECT_EQ(board->pos(), QPoint(60, 50));
}

}  // namespace
}  // namespace conic
