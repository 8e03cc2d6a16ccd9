#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontDialog>
#include <QFontInfo>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <functional>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "platform/ui/BusyCursor.h"
#include "platform/ui/CommandLine.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/FontSubstitution.h"
#include "platform/ui/RecentFiles.h"

// Readable failures: gtest would otherwise print a QString as an array of code units.
void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace platform {
namespace {

// Created on first use so the tests that need no application still run without one (ctest
// runs every case in its own process), and destroyed after the last case while Qt's own
// globals still exist.
QApplication* g_app = nullptr;

class DestroyApp : public testing::Environment {
 public:
  void TearDown() override {
    delete g_app;
    g_app = nullptr;
  }
};
[[maybe_unused]] testing::Environment* const g_destroyApp =
    testing::AddGlobalTestEnvironment(new DestroyApp);

QApplication& App() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (g_app == nullptr) {
    // Qt's file dialog stores its history in the user's configuration; keep it out of $HOME.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(testing::TempDir()) +
                                                 QStringLiteral("/ui-tests-config")));
    g_app = new QApplication(argc, argv);
  }
  return *g_app;
}

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// ---------------------------------------------------------------- free functions

TEST(DialogFilter, WindowsPairsBecomeQtNameFilters) {
  const struct {
    const char* windows;
    const char* qt;
  } cases[] = {
      {"設定ファイル|*.ini|地形図ファイル|*.mdt", "設定ファイル (*.ini);;地形図ファイル (*.mdt)"},
      {"A|*.a|B|*.b;*.c", "A (*.a);;B (*.b *.c)"},
      {"B|*.b; *.c ;", "B (*.b *.c)"},
      {"すべて|*.*", "すべて (*.*)"},
      {"", ""},
      {"A|*.a|", "A (*.a)"},       // trailing separator
      {"A|*.a|B", "A (*.a)"},      // description without pattern
      {"A||B|*.b", "B (*.b)"},     // empty pattern
      {"A (*.a)|*.a", "A (*.a)"},  // shown once, where the dialog reads it
      {"分布データファイル (*.grd,)|*.grd", "分布データファイル (*.grd)"},
      {"すべてのﾌｧｲﾙ (*.*)|*.*", "すべてのﾌｧｲﾙ (*.*)"},
      {"A (old)|*.a", "A (old) (*.a)"},  // parentheses that are not its patterns stay
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QtFilterFromWindows(U(c.windows)), U(c.qt)) << c.windows;
  }
}

TEST(DialogDefaultExtension, AppendedOnlyToANameWithoutExtension) {
  const struct {
    const char* path;
    const char* ext;
    const char* expected;
  } cases[] = {
      {"/d/out", "grd", "/d/out.grd"},
      {"/d/out.txt", "grd", "/d/out.txt"},
      {"/d/out.GRD", "grd", "/d/out.GRD"},
      {"/d.old/out", "grd", "/d.old/out.grd"},  // a dot in the folder is not an extension
      {"/d/out", "", "/d/out"},
      {"", "grd", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithDefaultExtension(U(c.path), U(c.ext)), U(c.expected)) << c.path;
  }
}

TEST(DialogDefaultExtension, SaveTakesTheExtensionOfTheFilterInView) {
  const QString filter =
      U("設定ファイル|*.ini|拡張メタファイル|*.emf|画像ファイル|*.png|すべて|*.*");
  const struct {
    int index;
    const char* expected;
  } cases[] = {{1, "ini"}, {3, "png"}, {4, "emf"}, {0, "emf"}, {9, "emf"}};
  for (const auto& c : cases) {
    EXPECT_EQ(SaveExtension(filter, c.index, QStringLiteral("emf")), U(c.expected)) << c.index;
  }
  EXPECT_EQ(SaveExtension(U("二つ|*.grd;*.csv"), 1, QStringLiteral("grd")), QStringLiteral("grd"));
}

// ---------------------------------------------------------------- ScriptedDialogs

TEST(ScriptedDialogs, FileAnswersInOrderAndStatePersistsBetweenCommands) {
  ScriptedDialogs dialogs;
  dialogs.AcceptSave(QStringLiteral("/data/out"), 2);
  dialogs.Cancel(DialogKind::Save);

  // First command sets everything.
  dialogs.save.filter = U("分布データ|*.grd|テキスト|*.txt");
  dialogs.save.defaultExt = QStringLiteral("grd");
  dialogs.save.initialDir = QStringLiteral("/home");
  dialogs.save.fileName = QStringLiteral("new");
  ASSERT_TRUE(dialogs.RunSave());
  EXPECT_EQ(dialogs.save.fileName, QStringLiteral("/data/out.txt"));
  EXPECT_EQ(dialogs.save.initialDir, QStringLiteral("/data"));
  EXPECT_EQ(dialogs.save.filterIndex, 2);

  // The second sets nothing and is cancelled: it saw what the first left, and changed nothing.
  EXPECT_FALSE(dialogs.RunSave());
  // The third is not scripted: cancelled, not blocked.
  EXPECT_FALSE(dialogs.RunSave());
  EXPECT_EQ(dialogs.save.fileName, QStringLiteral("/data/out.txt"));

  const auto& calls = dialogs.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, DialogKind::Save);
  EXPECT_EQ(calls[0].file.fileName, QStringLiteral("new"));
  EXPECT_EQ(calls[0].file.filterIndex, 1);
  EXPECT_EQ(calls[0].file.initialDir, QStringLiteral("/home"));
  EXPECT_EQ(calls[1].file.fileName, QStringLiteral("/data/out.txt"));
  EXPECT_EQ(calls[1].file.filterIndex, 2);
  EXPECT_EQ(calls[1].file.initialDir, QStringLiteral("/data"));
  EXPECT_EQ(calls[1].file.defaultExt, QStringLiteral("grd"));
  EXPECT_EQ(calls[1].file.filter, dialogs.save.filter);
  EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST(ScriptedDialogs, EachKindHasItsOwnAnswers) {
  ScriptedDialogs dialogs;
  dialogs.AcceptSave(QStringLiteral("/s/a.png"));
  dialogs.AcceptOpen(QStringLiteral("/o/b.ini"));

  // A save answer is not spent on an open dialog, nor the open state on the save one.
  ASSERT_TRUE(dialogs.RunOpen());
  EXPECT_EQ(dialogs.open.fileName, QStringLiteral("/o/b.ini"));
  EXPECT_EQ(dialogs.open.filterIndex, 1);  // 0 in the script keeps the preselected pair
  EXPECT_TRUE(dialogs.save.fileName.isEmpty());
  EXPECT_EQ(dialogs.PendingAnswers(), 1u);
  EXPECT_FALSE(dialogs.RunColor());
  ASSERT_TRUE(dialogs.RunSave());
  EXPECT_EQ(dialogs.save.fileName, QStringLiteral("/s/a.png"));
  EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST(ScriptedDialogs, OpenDoesNotAppendTheDefaultExtension) {
  ScriptedDialogs dialogs;
  dialogs.open.defaultExt = QStringLiteral("ini");
  dialogs.AcceptOpen(QStringLiteral("/o/README"));
  ASSERT_TRUE(dialogs.RunOpen());
  EXPECT_EQ(dialogs.open.fileName, QStringLiteral("/o/README"));
}

TEST(ScriptedDialogs, ColorAndFontPickOrKeep) {
  ScriptedDialogs dialogs;
  dialogs.color = 0x123456;
  dialogs.PickColor(0x0000FF);
  dialogs.Cancel(DialogKind::Color);
  EXPECT_TRUE(dialogs.RunColor());
  EXPECT_EQ(dialogs.color, 0x0000FFu);
  EXPECT_FALSE(dialogs.RunColor());
  EXPECT_EQ(dialogs.color, 0x0000FFu);

  dialogs.font = QFont(QStringLiteral("Tahoma"), 9);
  dialogs.fontColor = 0x00FF00;
  dialogs.PickFont(QFont(QStringLiteral("Cambria"), 14), 0xFF0000);
  EXPECT_TRUE(dialogs.RunFont());
  EXPECT_EQ(dialogs.font.family(), QStringLiteral("Cambria"));
  EXPECT_EQ(dialogs.font.pointSize(), 14);
  EXPECT_EQ(dialogs.fontColor, 0xFF0000u);
  EXPECT_FALSE(dialogs.RunFont());
  EXPECT_EQ(dialogs.fontColor, 0xFF0000u);

  const auto& calls = dialogs.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].color, 0x123456u);
  EXPECT_EQ(calls[1].color, 0x0000FFu);
  EXPECT_EQ(calls[2].kind, DialogKind::Font);
  EXPECT_EQ(calls[2].font.family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(calls[2].color, 0x00FF00u);
  EXPECT_EQ(calls[3].font.family(), QStringLiteral("Cambria"));
}

TEST(ScriptedDialogs, MessagesAreRecordedAndUnscriptedQuestionsAnswerNo) {
  ScriptedDialogs dialogs;
  dialogs.AnswerYesNo(true);
  dialogs.AnswerYesNo(false);
  dialogs.ShowError(U("'12a' は整数ではありません"));
  EXPECT_TRUE(dialogs.AskYesNo(U("上書きしますか？")));
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("q2")));
  EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("q3")));
  dialogs.ShowMessage(U("完了"));

  const struct {
    DialogKind kind;
    const char* message;
  } expected[] = {
      {DialogKind::Error, "'12a' は整数ではありません"},
      {DialogKind::YesNo, "上書きしますか？"},
      {DialogKind::YesNo, "q2"},
      {DialogKind::YesNo, "q3"},
      {DialogKind::Message, "完了"},
  };
  const auto& calls = dialogs.Calls();
  ASSERT_EQ(calls.size(), std::size(expected));
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].kind, expected[i].kind) << i;
    EXPECT_EQ(calls[i].message, U(expected[i].message)) << i;
  }
}

// ---------------------------------------------------------------- QtDialogService

// The real service with the modal run replaced: the answer sees the prepared dialog, may
// change it as a user would, and returns the result code.
class AnsweredQtDialogs : public QtDialogService {
 public:
  AnsweredQtDialogs() : QtDialogService(nullptr) {}
  std::function<int(QDialog&)> answer;
  int runs = 0;

 protected:
  int Exec(QDialog& dialog) override {
    ++runs;
    return answer(dialog);
  }
};

class QtDialogServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(m_tmp.isValid());
    ASSERT_TRUE(QDir(m_tmp.path()).mkpath(QStringLiteral("maps")));
    ASSERT_TRUE(QDir(m_tmp.path()).mkpath(QStringLiteral("settings")));
    QFile file(Dir("settings") + QStringLiteral("/user.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QString Dir(const char* name) const { return m_tmp.path() + u'/' + QString::fromUtf8(name); }

  QTemporaryDir m_tmp;
  AnsweredQtDialogs m_dialogs;
};

TEST_F(QtDialogServiceTest, OpenDialogGetsTheStateAndReturnsTheChoice) {
  m_dialogs.open.filter = U("設定ファイル|*.ini|地形図ファイル|*.mdt;*.MDT");
  m_dialogs.open.filterIndex = 2;
  m_dialogs.open.initialDir = Dir("maps");
  m_dialogs.open.fileName = QStringLiteral("japan.mdt");
  m_dialogs.open.title = U("地図ファイルを開く");
  m_dialogs.answer = [this](QDialog& d) {
    auto* dialog = qobject_cast<QFileDialog*>(&d);
    if (dialog == nullptr) return int{QDialog::Rejected};
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->windowTitle(), U("地図ファイルを開く"));
    EXPECT_EQ(dialog->nameFilters(),
              QStringList({U("設定ファイル (*.ini)"), U("地形図ファイル (*.mdt *.MDT)")}));
    EXPECT_EQ(dialog->selectedNameFilter(), U("地形図ファイル (*.mdt *.MDT)"));
    EXPECT_EQ(dialog->directory().absolutePath(), Dir("maps"));
    EXPECT_EQ(dialog->selectedFiles(), QStringList{Dir("maps") + QStringLiteral("/japan.mdt")});
    // The user goes elsewhere and picks a settings file under the first filter.
    dialog->selectNameFilter(U("設定ファイル (*.ini)"));
    dialog->setDirectory(Dir("settings"));
    dialog->selectFile(QStringLiteral("user.ini"));
    return int{QDialog::Accepted};
  };
  ASSERT_TRUE(m_dialogs.RunOpen());
  EXPECT_EQ(m_dialogs.open.fileName, Dir("settings") + QStringLiteral("/user.ini"));
  EXPECT_EQ(m_dialogs.open.initialDir, Dir("settings"));
  EXPECT_EQ(m_dialogs.open.filterIndex, 1);
  EXPECT_EQ(m_dialogs.runs, 1);
}

TEST_F(QtDialogServiceTest, AFolderInTheProposedNameWinsOverTheInitialFolder) {
  m_dialogs.open.initialDir = Dir("maps");
  m_dialogs.open.fileName = Dir("settings") + QStringLiteral("/user.ini");
  m_dialogs.answer = [this](QDialog& d) {
    auto& dialog = dynamic_cast<QFileDialog&>(d);
    EXPECT_EQ(dialog.directory().absolutePath(), Dir("settings"));
    EXPECT_EQ(dialog.selectedFiles(), QStringList{Dir("settings") + QStringLiteral("/user.ini")});
    return int{QDialog::Rejected};
  };
  EXPECT_FALSE(m_dialogs.RunOpen());
}

TEST_F(QtDialogServiceTest, OutOfRangeFilterIndexSelectsTheFirstPair) {
  m_dialogs.open.filter = QStringLiteral("A|*.a|B|*.b");
  for (int index : {0, -1, 3}) {
    m_dialogs.open.filterIndex = index;
    QString selected;
    m_dialogs.answer = [&selected](QDialog& d) {
      selected = dynamic_cast<QFileDialog&>(d).selectedNameFilter();
      return int{QDialog::Rejected};
    };
    EXPECT_FALSE(m_dialogs.RunOpen());
    EXPECT_EQ(selected, QStringLiteral("A (*.a)")) << index;
    EXPECT_EQ(m_dialogs.open.filterIndex, index);  // a cancel leaves the state alone
  }
}

TEST_F(QtDialogServiceTest, SaveAppendsTheDefaultExtensionAndCancelKeepsState) {
  m_dialogs.save.filter = U("分布データ|*.grd|画像|*.png");
  m_dialogs.save.defaultExt = QStringLiteral("grd");
  m_dialogs.save.initialDir = Dir("maps");
  m_dialogs.answer = [this](QDialog& d) {
    auto& dialog = dynamic_cast<QFileDialog&>(d);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.selectedNameFilter(), U("分布データ (*.grd)"));
    dialog.selectFile(QStringLiteral("plants"));
    return int{QDialog::Accepted};
  };
  ASSERT_TRUE(m_dialogs.RunSave());
  const QString chosen = Dir("maps") + QStringLiteral("/plants.grd");
  EXPECT_EQ(m_dialogs.save.fileName, chosen);

  // Under the image filter the same typed name becomes a .png file.
  m_dialogs.save.filterIndex = 2;
  m_dialogs.answer = [](QDialog& d) {
    dynamic_cast<QFileDialog&>(d).selectFile(QStringLiteral("figure"));
    return int{QDialog::Accepted};
  };
  ASSERT_TRUE(m_dialogs.RunSave());
  EXPECT_EQ(m_dialogs.save.fileName, Dir("maps") + QStringLiteral("/figure.png"));
  m_dialogs.save.filterIndex = 1;
  m_dialogs.save.fileName = chosen;

  // The next save starts from the last choice; cancelling it changes nothing.
  m_dialogs.answer = [&chosen](QDialog& d) {
    EXPECT_EQ(dynamic_cast<QFileDialog&>(d).selectedFiles(), QStringList{chosen});
    return int{QDialog::Rejected};
  };
  EXPECT_FALSE(m_dialogs.RunSave());
  EXPECT_EQ(m_dialogs.save.fileName, chosen);
  EXPECT_EQ(m_dialogs.save.initialDir, Dir("maps"));
}

TEST_F(QtDialogServiceTest, ColorKeepsTheWindowsByteOrder) {
  m_dialogs.color = 0x0000FF;  // red in the low byte
  m_dialogs.answer = [](QDialog& d) {
    auto& dialog = dynamic_cast<QColorDialog&>(d);
    EXPECT_EQ(dialog.currentColor(), QColor(255, 0, 0));
    dialog.setCurrentColor(QColor(0x12, 0x34, 0x56));
    return int{QDialog::Accepted};
  };
  ASSERT_TRUE(m_dialogs.RunColor());
  EXPECT_EQ(m_dialogs.color, 0x563412u);

  m_dialogs.answer = [](QDialog& d) {
    dynamic_cast<QColorDialog&>(d).setCurrentColor(Qt::white);
    return int{QDialog::Rejected};
  };
  EXPECT_FALSE(m_dialogs.RunColor());
  EXPECT_EQ(m_dialogs.color, 0x563412u);
}

TEST_F(QtDialogServiceTest, FontDialogOffersTheTextColour) {
  const struct {
    WinColor initial;
    int items;  // the sixteen, plus the initial one when it is not among them
  } cases[] = {{0x008000, 16}, {0x123456, 17}};
  for (const auto& c : cases) {
    m_dialogs.font = QFont(QStringLiteral("DejaVu Sans"), 11);
    m_dialogs.fontColor = c.initial;
    m_dialogs.answer = [&c](QDialog& d) {
      auto* picker = d.findChild<QFontDialog*>(QStringLiteral("FontPicker"));
      auto* colors = d.findChild<QComboBox*>(QStringLiteral("FontColor"));
      if (picker == nullptr || colors == nullptr) return int{QDialog::Rejected};
      EXPECT_EQ(picker->currentFont().family(), QStringLiteral("DejaVu Sans"));
      EXPECT_EQ(picker->currentFont().pointSize(), 11);
      EXPECT_EQ(colors->count(), c.items);
      EXPECT_EQ(colors->currentData().value<WinColor>(), c.initial);
      picker->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 20));
      colors->setCurrentIndex(colors->findData(QVariant::fromValue(WinColor{0x0000FF})));
      return int{QDialog::Accepted};
    };
    ASSERT_TRUE(m_dialogs.RunFont()) << c.initial;
    EXPECT_EQ(m_dialogs.font.pointSize(), 20);
    EXPECT_EQ(m_dialogs.fontColor, 0x0000FFu);
  }
}

TEST_F(QtDialogServiceTest, MessageBoxes) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString text;
  QMessageBox::StandardButtons buttons;
  int press = QMessageBox::Ok;
  m_dialogs.answer = [&](QDialog& d) {
    auto& box = dynamic_cast<QMessageBox&>(d);
    icon = box.icon();
    text = box.text();
    buttons = box.standardButtons();
    return press;
  };

  m_dialogs.ShowError(U("ファイルが見つかりません"));
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(text, U("ファイルが見つかりません"));
  EXPECT_EQ(buttons, QMessageBox::Ok);

  m_dialogs.ShowMessage(U("完了"));
  EXPECT_EQ(icon, QMessageBox::Information);

  for (const auto& [pressed, yes] :
       {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false},
        std::pair{QMessageBox::Escape, false}}) {
    press = pressed;
    EXPECT_EQ(m_dialogs.AskYesNo(QStringLiteral("?")), yes) << pressed;
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
  }
}

TEST_F(QtDialogServiceTest, TheSaveQuestionHasThreeAnswers) {
  using Choice = DialogService::SaveChoice;
  QString pressed;
  QStringList captions;
  m_dialogs.answer = [&](QDialog& d) {
    auto& box = dynamic_cast<QMessageBox&>(d);
    captions.clear();
    for (QAbstractButton* button : box.buttons()) {
      captions << button->text();
      if (button->text() == pressed) button->click();
    }
    return 0;
  };
  const std::pair<const char*, Choice> cases[] = {{"保存", Choice::Save},
                                                  {"保存しない", Choice::Discard},
                                                  {"キャンセル", Choice::Cancel},
                                                  {"", Choice::Cancel}};  // closed without a button
  for (const auto& [caption, choice] : cases) {
    pressed = U(caption);
    EXPECT_EQ(m_dialogs.AskSave(U("設定が変わっています")), choice) << caption;
    captions.sort();
    EXPECT_EQ(captions, (QStringList{U("キャンセル"), U("保存"), U("保存しない")}));
  }
}

// ---------------------------------------------------------------- Recent files

TEST(RecentFiles, NewestFirstCappedAndKeptInTheirFile) {
  const QString file = QDir::temp().filePath(QStringLiteral("tarvo-recent-test.ini"));
  QFile::remove(file);
  {
    RecentFiles recent(file);
    for (int i = 0; i < RecentFiles::kMost + 2; ++i)
      recent.AddData(QStringLiteral("/data/%1.grd").arg(i));
    recent.AddData(QStringLiteral("/data/3.grd"));  // again: to the top, not twice
    recent.AddSettings(QStringLiteral("/presets/A4.ini"));
    recent.SetSettingsFolder(QStringLiteral("/presets"));
    EXPECT_EQ(recent.Data().size(), RecentFiles::kMost);
    EXPECT_EQ(recent.Data().front(), QStringLiteral("/data/3.grd"));
    EXPECT_EQ(recent.Data().count(QStringLiteral("/data/3.grd")), 1);
  }
  RecentFiles again(file);
  EXPECT_EQ(again.Data().front(), QStringLiteral("/data/3.grd"));
  EXPECT_EQ(again.Data().size(), RecentFiles::kMost);
  EXPECT_EQ(again.Settings(), QStringList{QStringLiteral("/presets/A4.ini")});
  EXPECT_EQ(again.SettingsFolder(), QStringLiteral("/presets"));
  again.Forget(QStringLiteral("/presets/A4.ini"));
  EXPECT_TRUE(RecentFiles(file).Settings().isEmpty());
  // Every redraw names its data file again; one already first leaves the file unwritten.
  QFile::remove(file);
  again.AddData(QStringLiteral("/data/3.grd"));
  again.SetSettingsFolder(QStringLiteral("/presets"));
  EXPECT_FALSE(QFile::exists(file));
  again.AddData(QStringLiteral("/data/4.grd"));
  EXPECT_TRUE(QFile::exists(file));
  // Without a file nothing is written anywhere.
  RecentFiles memory;
  memory.AddData(QStringLiteral("/data/x.grd"));
  EXPECT_EQ(memory.Data().size(), 1);
  QFile::remove(file);
}

TEST_F(QtDialogServiceTest, PrintShowsThePreviewThatTheCommandDraws) {
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  std::vector<QPrinter*> painted;
  for (const auto& [result, printed] :
       {std::pair{int{QDialog::Accepted}, true}, std::pair{int{QDialog::Rejected}, false}}) {
    painted.clear();
    m_dialogs.answer = [&, result = result](QDialog& d) {
      auto* preview = qobject_cast<QPrintPreviewDialog*>(&d);
      EXPECT_NE(preview, nullptr);
      if (preview == nullptr) return int{QDialog::Rejected};
      EXPECT_EQ(preview->printer(), &printer);
      // The preview asks the command for its page whenever it is drawn anew.
      auto* widget = preview->findChild<QPrintPreviewWidget*>();
      EXPECT_NE(widget, nullptr);
      if (widget != nullptr) widget->updatePreview();
      return result;
    };
    EXPECT_EQ(m_dialogs.RunPrint(printer, [&](QPrinter& p) { painted.push_back(&p); }), printed);
    EXPECT_EQ(painted, std::vector<QPrinter*>{&printer});
  }
}

// ---------------------------------------------------------------- Command lines

TEST(CommandLine, IsSortedBeforeAnyWindowExists) {
  const SettingName set{"Map", "GridSize"};
  ExportSyntax syntax;
  syntax.program = "Tarvo_L";
  syntax.usage = {"--export OUT.png [DATA.grd]"};
  syntax.allowDir = true;
  syntax.settings = {&set};
  const struct {
    QStringList args;
    CommandKind kind;
    QStringList kept;  // for a window or an export
    const char* why;
  } cases[] = {
      {{}, CommandKind::Window, {}, ""},
      {{U("s.ini"), U("d.grd")}, CommandKind::Window, {U("s.ini"), U("d.grd")}, ""},
      {{U("-platform"), U("xcb"), U("d.grd"), U("-style=Fusion"), U("--reverse")},
       CommandKind::Window,
       {U("d.grd")},
       ""},
      {{U("d.grd"), U("--help")}, CommandKind::Help, {}, ""},
      {{U("-h")}, CommandKind::Help, {}, ""},
      {{U("--exprot"), U("x.png"), U("--help")}, CommandKind::Help, {}, ""},  // help wins
      {{U("--version"), U("-x")}, CommandKind::Version, {}, ""},
      {{U("--export"), U("x.png"), U("-style"), U("Fusion"), U("d.grd")},
       CommandKind::Export,
       {U("--export"), U("x.png"), U("d.grd")},
       ""},
      {{U("--exprot"), U("x.png"), U("d.grd")},
       CommandKind::UsageError,
       {},
       "知らないオプションです: --exprot"},
      {{U("-x"), U("d.grd")}, CommandKind::UsageError, {}, "知らないオプションです: -x"},
      {{U("--export")}, CommandKind::UsageError, {}, "--export には出力ファイルを一つ指定します"},
      {{U("--set"), U("Map.GridSize=1"), U("d.grd")},
       CommandKind::UsageError,
       {},
       "--export か --export-dir"},
  };
  for (const auto& c : cases) {
    const CommandLine line = ReadCommandLine(c.args, syntax);
    EXPECT_EQ(line.kind, c.kind) << c.args.join(u' ').toStdString();
    if (c.kind == CommandKind::Window || c.kind == CommandKind::Export) {
      EXPECT_EQ(line.arguments, c.kept) << c.args.join(u' ').toStdString();
    }
    if (*c.why == '\0') {
      EXPECT_TRUE(line.why.isEmpty()) << line.why.toStdString();
    } else {
      EXPECT_TRUE(line.why.startsWith(U(c.why))) << line.why.toStdString();
    }
  }
}

// ---------------------------------------------------------------- BusyCursor

TEST(BusyCursor, DoesNothingWithoutAnApplication) {
  if (QCoreApplication::instance() != nullptr) {
    GTEST_SKIP() << "an earlier case in this process created the application";
  }
  BusyCursor outer;
  BusyCursor inner;
}

TEST(BusyCursor, RestoresTheCursorOnEveryPath) {
  App();
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  {
    BusyCursor outer;
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    { BusyCursor inner; }
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);  // the outer one still holds
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  EXPECT_THROW(
      {
        BusyCursor guard;
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  // A cursor someone else set comes back, not merely "no override".
  QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
  { BusyCursor guard; }
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QGuiApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- font substitution

// Spellings the settings files use, with the installed twin each must reach.
const struct {
  const char* windows;
  const char* twin;
} kFontCases[] = {
    {"Cambria", "Caladea"},
    {"Tahoma", "DejaVu Sans"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ　ゴシック", "IPAGothic"},  // ideographic space
    {"MS ゴシック", "IPAGothic"},
    {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"MS Pゴシック", "IPAPGothic"},
    {"MS PGothic", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"MS Mincho", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"ＭＳ　Ｐ明朝", "IPAPMincho"},
    {"MS P明朝", "IPAPMincho"},
    {"MS PMincho", "IPAPMincho"},
    {"ms pgothic", "IPAPGothic"},
};

TEST(FontSubstitution, WindowsNamesMapToTheirTwins) {
  for (const auto& c : kFontCases) {
    EXPECT_EQ(SubstituteFontFamily(U(c.windows)), U(c.twin)) << c.windows;
  }
  // Other names, including near relatives of the mapped ones, come back as given.
  for (const char* name : {"Arial", "MS UI Gothic", "ＭＳ ゴシック体", "IPAGothic", ""}) {
    EXPECT_EQ(SubstituteFontFamily(U(name)), U(name)) << name;
  }
}

TEST(FontSubstitution, GenericFamilyFollowsTheKindOfFace) {
  App();
  const struct {
    const char* family;
    const char* generic;
  } cases[] = {
      {"ＭＳ　Ｐ明朝", "serif"},
      {"MS Mincho", "serif"},
      {"IPAMincho", "serif"},
      {"Cambria", "serif"},
      {"ＭＳ ゴシック", "sans-serif"},
      {"IPAPGothic", "sans-serif"},
      {"Tahoma", "sans-serif"},
      {"DejaVu Serif", "serif"},
      {"Noto Sans CJK JP", "sans-serif"},
      {"DejaVu Sans Mono", "monospace"},  // fixed pitch, whatever the name says
      {"Serif", "serif"},
      {"no such face", "sans-serif"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GenericFontFamily(U(c.family)), U(c.generic)) << c.family;
  }
}

TEST(FontSubstitution, InstalledSubstitutionsResolveToTheInstalledFonts) {
  App();
  InstallFontSubstitutions();
  for (const auto& c : kFontCases) {
    EXPECT_EQ(QFontInfo(QFont(U(c.windows))).family(), U(c.twin)) << c.windows;
  }
}

}  // namespace
}  // namespace platform
