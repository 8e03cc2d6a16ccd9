// The data editor and the saves around it, driven through the window's commands: what the
// user wrote comes back as written, in the file's own encoding and line ends, and a save
// writes the kind of file its name says.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/TForm1.h"
#include "chart/TForm2.h"
#include "platform/ui/DialogService.h"
#include "tests/chart/IslandWindow.h"
#include "tests/support/TestFiles.h"

namespace chart {
namespace {

namespace fs = std::filesystem;
using platform::DialogKind;
using Choice = platform::DialogService::SaveChoice;
using testsupport::Q;
using testsupport::ReadBytes;

struct Window : IslandWindow {
  Window() : IslandWindow("chart-editor-") { form->BtnNewMapClick(); }
  QString Write(const std::string& name, const std::string& bytes) const {
    testsupport::WriteBytes(root / name, bytes);
    return Q(root / name);
  }
  void Read(const QString& path) {
    dialogs->AcceptOpen(path);
    form->ReadGrdFile(false);
  }
  // Types at the end of the editor's text, as a user would.
  void TypeAtEnd(const QString& text) {
    QPlainTextEdit* memo = form->Editor()->Memo();
    memo->moveCursor(QTextCursor::End);
    memo->insertPlainText(text);
  }
  void SaveFromEditor(const QString& path) {
    dialogs->AcceptSave(path);
    form->Editor()->BtnEdSaveClick();
  }
  const platform::ScriptedDialogs::Call& LastCall() const { return dialogs->Calls().back(); }
};

// A botanist's file as R or a Linux editor writes it: UTF-8, LF, field notes in comments.
constexpr char kCommentedUtf8[] =
    "; Survey of 2019, Mt. Ibuki\n"
    "ブナ ; Fagus crenata\n"
    "35.25,136.25,800 ; near the hut\n"
    ";35.30,136.30,900 taken out: a wrong label\n"
    "53364611 ; from the old atlas\n";

TEST(DataEditor, AFileIsShownSavedAndPlottedAsWritten) {
  Window w;
  const QString path = w.Write("notes.grd", kCommentedUtf8);
  w.Read(path);
  // The notes are in the editor, and the records the file draws are drawn.
  EXPECT_EQ(
      w.form->Editor()->Lines(),
      (std::vector<std::string>{
          "; Survey of 2019, Mt. Ibuki", "ブナ ; Fagus crenata", "35.25,136.25,800 ; near the hut",
          ";35.30,136.30,900 taken out: a wrong label", "53364611 ; from the old atlas"}));
  EXPECT_EQ(w.form->LastPlot().records, 2);
  EXPECT_EQ(w.form->CategoryTitles()[0], QStringLiteral("ブナ "));
  EXPECT_FALSE(w.form->Editor()->IsModified());

  // Saved without an edit: the same bytes, in the file's own place.
  w.SaveFromEditor(path);
  EXPECT_EQ(w.LastCall().kind, DialogKind::Save);
  EXPECT_EQ(ReadBytes(w.root / "notes.grd"), kCommentedUtf8);

  // An edit keeps the notes, UTF-8 and LF; a ";" typed is a comment there too.
  w.form->EditDataItemClick();
  w.TypeAtEnd(QStringLiteral("35.5,136.5,300 ; 〜 seen again\n"));
  EXPECT_TRUE(w.form->Editor()->IsModified());
  w.form->Editor()->BtnReDrawMapClick();
  EXPECT_EQ(w.form->LastPlot().records, 3);
  EXPECT_EQ(w.form->LastPlot().skipped, 0);
  w.SaveFromEditor(path);
  EXPECT_EQ(ReadBytes(w.root / "notes.grd"),
            std::string(kCommentedUtf8) + "35.5,136.5,300 ; 〜 seen again\n");
  EXPECT_FALSE(w.form->Editor()->IsModified());
  w.form->Editor()->hide();
}

TEST(DataEditor, EachKindOfFileSavesBackToItsOwnBytes) {
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {
      {"Shift-JIS, CR LF", "\x83\x75\x83\x69 ;\x92\x8D\r\n35.25,136.25,800\r\n"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBFブナ\r\n35.25,136.25\r\n; end\r\n"},
      {"no line end after the last line", "Fagus\n35.25,136.25"},
  };
  for (const auto& f : files) {
    Window w;
    const QString path = w.Write("k.grd", f.bytes);
    w.Read(path);
    w.form->EditDataItemClick();  // shown in the edit area, not only held
    w.SaveFromEditor(path);
    EXPECT_EQ(ReadBytes(w.root / "k.grd"), f.bytes) << f.what;
    w.form->Editor()->hide();
  }
}

TEST(DataEditor, AShiftJisFileIsNotChangedToUtf8WithoutAsking) {
  Window w;
  const std::string sjis = "\x83\x75\x83\x69\r\n35.25,136.25\r\n";
  const QString path = w.Write("sjis.grd", sjis);
  w.Read(path);
  w.TypeAtEnd(QStringLiteral("ブナ \U0001F332\n"));
  // "No": nothing is written and the file stays as it was.
  w.dialogs->AnswerYesNo(false);
  w.SaveFromEditor(path);
  EXPECT_EQ(w.LastCall().kind, DialogKind::YesNo);
  EXPECT_TRUE(w.LastCall().message.contains(QStringLiteral("3 行目の「\U0001F332」")))
      << w.LastCall().message.toStdString();
  EXPECT_EQ(ReadBytes(w.root / "sjis.grd"), sjis);
  EXPECT_TRUE(w.form->Editor()->IsModified());
  // "Yes": the whole file becomes UTF-8, with its line ends.
  w.dialogs->AnswerYesNo(true);
  w.SaveFromEditor(path);
  EXPECT_EQ(ReadBytes(w.root / "sjis.grd"), "ブナ\r\n35.25,136.25\r\nブナ \U0001F332\r\n");
}

TEST(DataEditor, MessagesNameTheLinesOfTheFile) {
  Window w;
  w.Read(w.Write("lines.grd",
                 "; 1\n; 2\nブナ\n35.25,136.25\n; 5\n35.x,136.0 ; unreadable\n35.0,136.0\n"));
  EXPECT_EQ(w.form->LastPlot().skipped, 1);
  EXPECT_EQ(w.form->LastPlot().firstSkippedLine, 6);
  EXPECT_TRUE(w.form->findChild<QLabel*>(QStringLiteral("StatusPanel13"))
                  ->toolTip()
                  .contains(QStringLiteral("最初は 6 行目")));
}

TEST(DataEditor, TheDataSaveStartsWhereTheDataCameFromAndWritesGrd) {
  Window w;
  fs::create_directories(w.root / "field");
  const QString path = w.Write("field/a.grd", "Fagus\r\n35.25,136.25\r\n");
  // A figure saved first leaves nothing of its own to the data save.
  w.dialogs->AcceptSave(Q(w.root / "figure.svg"));
  w.form->SaveToEMFItemClick();
  w.Read(path);
  w.dialogs->Cancel(DialogKind::Save);
  w.form->SavePlotItemClick();
  EXPECT_EQ(w.LastCall().file.fileName, QFileInfo(path).absoluteFilePath());
  EXPECT_EQ(w.LastCall().file.defaultExt, QStringLiteral("grd"));
  EXPECT_FALSE(w.LastCall().file.filter.contains(QStringLiteral("svg")));
  // A new text starts in the user's home; a name typed without a suffix gets ".grd".
  w.form->ClearPlotItemClick();
  w.TypeAtEnd(QStringLiteral("Quercus\n35.5,136.5\n"));
  w.dialogs->AcceptSave(Q(w.root / "mydata2"));
  w.form->Editor()->BtnEdSaveClick();
  EXPECT_EQ(w.LastCall().file.fileName, QString());
  EXPECT_EQ(w.LastCall().file.initialDir, QDir::homePath());
  EXPECT_EQ(ReadBytes(w.root / "mydata2.grd"), "Quercus\r\n35.5,136.5\r\n");
  EXPECT_FALSE(fs::exists(w.root / "mydata2"));
  // Once saved, the text belongs to that file.
  w.dialogs->Cancel(DialogKind::Save);
  w.form->SavePlotItemClick();
  EXPECT_EQ(w.LastCall().file.fileName, Q(w.root / "mydata2.grd"));
}

TEST(FigureSave, WritesTheFormatItsNameOrFilterSays) {
  const struct {
    const char* typed;
    int filter;  // EMF, SVG, PDF, PNG
    const char* written;
    std::string magic;
  } cases[] = {
      {"a.svg", 1, "a.svg", "<?xml"},    // a typed suffix wins over the filter
      {"b", 3, "b.pdf", "%PDF"},         // no suffix: the filter's
      {"c.PNG", 2, "c.PNG", "\x89PNG"},  // any letter case
      {"d.emf", 4, "d.emf", std::string("\x01\0\0\0", 4)},
      {"e.v2", 2, "e.v2.svg", "<?xml"},  // not a figure's suffix: the filter's is added
      {"f.wmf", 1, "f.wmf.emf", std::string("\x01\0\0\0", 4)},
  };
  Window w;
  for (const auto& c : cases) {
    w.dialogs->AcceptSave(Q(w.root / c.typed), c.filter);
    w.form->SaveToEMFItemClick();
    const std::string bytes = ReadBytes(w.root / c.written);
    EXPECT_EQ(bytes.substr(0, c.magic.size()), c.magic) << c.typed;
  }
  // A pixel of the PNG is a pixel of a 96-dpi screen, as the vector figures have it.
  EXPECT_EQ(QImage(Q(w.root / "c.PNG")).dotsPerMeterX(), 3780);
  const QString filter = w.LastCall().file.filter;
  EXPECT_EQ(platform::QtFilterFromWindows(filter),
            QStringLiteral("EMFファイル (*.emf);;SVGファイル (*.svg);;PDFファイル (*.pdf);;"
                           "PNGファイル (*.png)"));
  // The format written last is offered next time.
  w.dialogs->AcceptSave(Q(w.root / "g.svg"), 4);
  w.form->SaveToEMFItemClick();
  w.dialogs->Cancel(DialogKind::Save);
  w.form->SaveToEMFItemClick();
  EXPECT_EQ(w.LastCall().file.filterIndex, 2);
  EXPECT_EQ(w.LastCall().file.fileName, QStringLiteral("-3D.svg"));
  // An added suffix naming a file that is there asks before replacing it.
  testsupport::WriteBytes(w.root / "e.v2.svg", "kept");
  w.dialogs->AcceptSave(Q(w.root / "e.v2"), 2);
  w.form->SaveToEMFItemClick();
  EXPECT_EQ(w.LastCall().kind, DialogKind::YesNo);
  EXPECT_EQ(ReadBytes(w.root / "e.v2.svg"), "kept");
}

TEST(Closing, AsksBeforeUnsavedDataOrChangedSettingsAreLost) {
  Window w;
  const fs::path beside = w.root / "bin" / "Tarvo.ini";
  w.form->MenuQuitClick();  // as the user left it: written, nothing to ask
  ASSERT_TRUE(fs::exists(beside));
  EXPECT_TRUE(w.dialogs->Calls().empty());
  fs::remove(beside);

  // Typed data: cancelled, the window stays; "保存" runs the data save.
  w.form->EditDataItemClick();
  w.TypeAtEnd(QStringLiteral("Abies\n35.0,136.0\n"));
  w.form->show();
  EXPECT_FALSE(w.form->close());
  EXPECT_EQ(w.LastCall().kind, DialogKind::SaveChanges);
  w.dialogs->AnswerSave(Choice::Save);
  w.dialogs->AcceptSave(Q(w.root / "typed"));
  EXPECT_TRUE(w.form->close());
  EXPECT_EQ(ReadBytes(w.root / "typed.grd"), "Abies\r\n35.0,136.0\r\n");

  // A changed title: "保存しない" closes and writes nothing, "保存" writes as "終了" does.
  // (A closed window is shown again for each try.)
  w.Field("EditTitle")->setText(QStringLiteral("Abies of Hakone"));
  w.dialogs->AnswerSave(Choice::Discard);
  w.form->show();
  EXPECT_TRUE(w.form->close());
  EXPECT_EQ(w.LastCall().message, platform::SettingsChangedQuestion());
  EXPECT_FALSE(fs::exists(beside));
  w.dialogs->AnswerSave(Choice::Save);
  w.form->show();
  EXPECT_TRUE(w.form->close());
  EXPECT_NE(ReadBytes(beside).find("Abies of Hakone"), std::string::npos);
  const size_t asked = w.dialogs->Calls().size();
  w.form->show();
  EXPECT_TRUE(w.form->close());  // saved: nothing more to ask
  EXPECT_EQ(w.dialogs->Calls().size(), asked);
}

TEST(TableImport, ATableDroppedOrOpenedOnTheWindowIsOffered) {
  Window w;
  const QString csv = w.Write("t.csv",
                              "scientificName,decimalLatitude,decimalLongitude\r\n"
                              "Abies firma,35.25,136.5\r\n");
  w.form->Editor()->SetLines({"Fagus", "35.0,136.0"});
  w.dialogs->AnswerYesNo(true);
  EXPECT_TRUE(w.form->DropFile(csv));
  EXPECT_EQ(w.form->Editor()->Lines(),
            (std::vector<std::string>{"Fagus", "35.0,136.0", "Abies firma", "35.25,136.5"}));
  EXPECT_EQ(w.form->LastPlot().records, 2);
  EXPECT_EQ(w.form->State().GrdFileName, QString());

  // Handed over on the command line: the figure shows the table's records.
  const std::string table = ReadBytes(w.root / "t.csv");
  Window opened;  // in a fresh folder of the same name
  opened.dialogs->AnswerYesNo(true);
  opened.form->OpenFileArgument({opened.Write("t.csv", table)});
  EXPECT_EQ(opened.form->Editor()->Lines(),
            (std::vector<std::string>{"Abies firma", "35.25,136.5"}));
  EXPECT_EQ(opened.form->LastPlot().records, 1);
  EXPECT_EQ(opened.Field("EditGrdFile")->text(), QString());
}

}  // namespace
}  // namespace chart
