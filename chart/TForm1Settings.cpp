// The settings file: what it holds, where it goes, and the commands that load and save it.
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "chart/TForm1.h"
#include "core/Errors.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/Swatch.h"

namespace chart {

namespace {

using platform::FirstChars;
using platform::kColorBits;
using platform::kMaxPathChars;
using platform::kMaxTextChars;

const QString kDataFile = QStringLiteral("DataFile");
const QString kDraw = QStringLiteral("Draw");
const QString kMap = QStringLiteral("Map");

QString MarkSection(int i) {
  return QStringLiteral("Mark%1").arg(i);
}

// The width button toggles between thin (1) and thick (2) and knows no other width; the
// toggle of any other would draw nothing.
constexpr int kMinLineWidth = 1;
constexpr int kMaxLineWidth = 2;

// The panel's fields and the drawing range they are read into, in the file's order.
const struct {
  const char* key;
  const char* field;
  const char* fallback;
} kRangeFields[] = {
    {"GY1", "EditGY1", "30.00"},      {"GY2", "EditGY2", "46.00"},     {"GX1", "EditGX1", "128.00"},
    {"GX2", "EditGX2", "146.00"},     {"GH2", "EditGH2", "3800"},      {"I2K", "EditI2K", "1.2208"},
    {"LabX", "EditLabelX", "134.00"}, {"LabY", "EditLabelY", "32.00"},
};

const std::pair<int, const char*> kPrecisionButtons[] = {{0, "GScale0"},   {1, "GScale1"},
                                                         {2, "GScale2"},   {5, "GScale5"},
                                                         {10, "GScale10"}, {12, "GScale12"}};
const std::pair<int, const char*> kMeshButtons[] = {
    {0, "MScale0"}, {1, "MScale1"}, {2, "MScale2"}, {3, "MScale3"}};
const char* const kColorButtons[] = {"MapColorBt", "SubColorBt", "MshColorBt"};

}  // namespace

std::array<platform::TMarkStyle, 6> DefaultMarkStyles() {
  std::array<platform::TMarkStyle, 6> styles{};
  for (int i = 0; i < 6; ++i)
    styles.at(static_cast<size_t>(i)) = {i + 1, 3, 0xFF0000, 0};
  return styles;
}

QString TForm1::ResolveSettingsFile(const QString& name) const {
  return platform::ResolveSettingsFile(m_programPath, name);
}

QString TForm1::ResolveDataFile(const QString& name) const {
  return platform::ResolveDataFile(m_programPath, name);
}

void TForm1::ReadIniFile() {
  ApplySettings(platform::IniFile::Load(ResolveSettingsFile(m_state.IniFileName)));
}

void TForm1::ApplySettings(const platform::IniFile& ini) {
  auto edit = [this](const char* name) { return findChild<QLineEdit*>(QString::fromLatin1(name)); };
  auto check = [this](const char* name) {
    return findChild<QCheckBox*>(QString::fromLatin1(name));
  };
  auto text = [&ini](const QString& section, const char* key, const QString& fallback,
                     qsizetype maxChars) {
    return FirstChars(ini.ReadString(section, QString::fromLatin1(key), fallback), maxChars);
  };
  auto colour = [&ini](const QString& section, const char* key, WinColor fallback) {
    return static_cast<WinColor>(
               ini.ReadInteger(section, QString::fromLatin1(key), static_cast<int>(fallback))) &
           kColorBits;
  };

  platform::ShowWholeText(
      edit("EditTitle"),
      text(kDataFile, "Title", QStringLiteral("日本植物三面分布図"), kMaxTextChars));
  platform::ShowWholeText(edit("EditMapFile"),
                          text(kDataFile, "MapFile", m_state.MapFileName, kMaxPathChars));
  platform::ShowWholeText(edit("EditGrdFile"),
                          text(kDataFile, "GrdFile", QStringLiteral("Noname.grd"), kMaxPathChars));
  // Each box's own rule keeps one of the two ticked.
  check("HorizonMap")->setChecked(ini.ReadBool(kDraw, QStringLiteral("HorizonMap"), true));
  check("ProfileMap")->setChecked(ini.ReadBool(kDraw, QStringLiteral("ProfileMap"), true));
  for (const auto& f : kRangeFields) {
    platform::ShowWholeText(edit(f.field),
                            text(kMap, f.key, QString::fromLatin1(f.fallback), kMaxTextChars));
    // A latitude that does not read stops the reading here, with its message.
    if (std::string_view(f.key) == "GY1" || std::string_view(f.key) == "GY2") UpdateRatio();
  }
  m_state.GridSize = ini.ReadInteger(kMap, QStringLiteral("GridSize"), 1);
  m_state.MeshSize = ini.ReadInteger(kMap, QStringLiteral("MeshSize"), 0);
  m_state.MapColor = colour(kMap, "MapColor", 0);
  m_state.SubColor = colour(kMap, "SubColor", 10789024);
  m_state.MshColor = colour(kMap, "MshColor", 16776960);
  const WinColor colors[] = {m_state.MapColor, m_state.SubColor, m_state.MshColor};
  for (size_t i = 0; i < 3; ++i)
    platform::SetSwatchColor(findChild<QWidget*>(QString::fromLatin1(kColorButtons[i])), colors[i]);
  check("Prefecture")->setChecked(ini.ReadBool(kMap, QStringLiteral("Prefecture"), false));
  m_state.MLW =
      std::clamp(ini.ReadInteger(kMap, QStringLiteral("MLW"), 1), kMinLineWidth, kMaxLineWidth);
  const auto defaults = DefaultMarkStyles();
  for (int i = 1; i <= 6; ++i) {
    const auto row = static_cast<size_t>(i - 1);
    const QString section = MarkSection(i);
    platform::TMarkStyle& style = m_state.MarkStyles.at(row);
    // A shape code that is none of the editor's draws no marker, whatever its value.
    style.shape = ini.ReadInteger(section, QStringLiteral("Styl"), defaults.at(row).shape);
    style.size = std::clamp(ini.ReadInteger(section, QStringLiteral("Size"), 3), 0,
                            platform::kMaxMarkerSize);
    style.fillColor = colour(section, "bcol", defaults.at(row).fillColor);
    style.rimColor = colour(section, "pcol", 0);
  }
  for (const auto& [code, name] : kPrecisionButtons) {
    if (code == m_state.GridSize)
      findChild<QRadioButton*>(QString::fromLatin1(name))->setChecked(true);
  }
  for (const auto& [code, name] : kMeshButtons) {
    if (code == m_state.MeshSize)
      findChild<QRadioButton*>(QString::fromLatin1(name))->setChecked(true);
  }
  SetMapLWCaption();
}

void TForm1::StoreSettings(platform::IniFile& ini) const {
  auto text = [this](const char* name) {
    return findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  };
  auto ticked = [this](const char* name) {
    return findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
  };
  auto colour = [](WinColor c) { return static_cast<int>(c); };
  ini.WriteString(kDataFile, QStringLiteral("Title"), text("EditTitle"));
  ini.WriteString(kDataFile, QStringLiteral("MapFile"), text("EditMapFile"));
  ini.WriteString(kDataFile, QStringLiteral("GrdFile"), text("EditGrdFile"));
  ini.WriteBool(kDraw, QStringLiteral("HorizonMap"), ticked("HorizonMap"));
  ini.WriteBool(kDraw, QStringLiteral("ProfileMap"), ticked("ProfileMap"));
  for (const auto& f : kRangeFields)
    ini.WriteString(kMap, QString::fromLatin1(f.key), text(f.field));
  ini.WriteInteger(kMap, QStringLiteral("GridSize"), m_state.GridSize);
  ini.WriteInteger(kMap, QStringLiteral("MeshSize"), m_state.MeshSize);
  ini.WriteInteger(kMap, QStringLiteral("MapColor"), colour(m_state.MapColor));
  ini.WriteInteger(kMap, QStringLiteral("SubColor"), colour(m_state.SubColor));
  ini.WriteInteger(kMap, QStringLiteral("MshColor"), colour(m_state.MshColor));
  ini.WriteBool(kMap, QStringLiteral("Prefecture"), ticked("Prefecture"));
  ini.WriteInteger(kMap, QStringLiteral("MLW"), m_state.MLW);
  for (int i = 1; i <= 6; ++i) {
    const platform::TMarkStyle& style = m_state.MarkStyles.at(static_cast<size_t>(i - 1));
    ini.WriteInteger(MarkSection(i), QStringLiteral("Styl"), style.shape);
    ini.WriteInteger(MarkSection(i), QStringLiteral("Size"), style.size);
    ini.WriteInteger(MarkSection(i), QStringLiteral("bcol"), colour(style.fillColor));
    ini.WriteInteger(MarkSection(i), QStringLiteral("pcol"), colour(style.rimColor));
  }
}

void TForm1::WriteIniFile() {
  const QString path = ResolveSettingsFile(m_state.IniFileName);
  // Keys and sections the file has besides ours stay as they are.
  platform::IniFile ini = platform::IniFile::Load(path);
  StoreSettings(ini);
  ini.Save(path);
}

bool TForm1::ReadIniFileTold() {
  try {
    ReadIniFile();
    return true;
  } catch (const core::ConversionError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()));
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QLatin1Char('\n') +
                         QString::fromStdString(error.Path()));
  }
  return false;
}

bool TForm1::WriteIniFileTold() {
  try {
    WriteIniFile();
    return true;
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(
        QStringLiteral("%1 に書き込めません\n%2")
            .arg(platform::FileNameFromBytes(error.Path()), QString::fromStdString(error.what())));
  }
  return false;
}

void TForm1::EditIniFileChange() {
  auto* field = findChild<QLineEdit*>(QStringLiteral("EditIniFile"));
  m_state.IniFileName = field->text();
  const QString path = ResolveSettingsFile(m_state.IniFileName);
  if (!QFileInfo(path).isFile()) {
    m_state.IniFileName = QStringLiteral("Tarvo.ini");
    field->setText(m_state.IniFileName);
    return;
  }
  m_dialogs->open.initialDir = QFileInfo(path).absolutePath();
  ReadIniFileTold();
  m_settingBoard->show();
  m_settingBoard->raise();
}

void TForm1::OpenIniFileItemClick() {
  m_dialogs->open.initialDir = QFileInfo(m_programPath).absolutePath();
  m_dialogs->open.filter = QStringLiteral(
      "設定ﾌｧｲﾙ (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布データファイル (*.grd,)|*.grd|"
      "分布データファイル (*.csv)|*.csv|すべてのﾌｧｲﾙ (*.*)|*.*");
  m_dialogs->open.filterIndex = 1;
  m_dialogs->open.fileName = QStringLiteral("*.ini");
  m_state.IniFileName =
      m_dialogs->RunOpen() ? m_dialogs->open.fileName : QStringLiteral("Tarvo.ini");
  m_settingBoard->show();
  m_settingBoard->raise();
  // The field's own handler reads the file; the name it already shows reads nothing again.
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")),
                          m_state.IniFileName);
}

void TForm1::SaveIniFileItemClick() {
  const QString remembered = m_state.IniFileName;
  m_dialogs->save.title = QStringLiteral("地図基本ファイル");
  m_dialogs->save.filter = QStringLiteral(
      "設定ファイル|*.ini|地図データファイル|*.mdt|分布データファイル|*.grd|EMFファイル|*.emf|"
      "WMFファイル|*.wmf|BMPファイル|*.bmp");
  m_dialogs->save.filterIndex = 1;
  m_dialogs->save.defaultExt = QStringLiteral("ini");
  m_dialogs->save.fileName = QStringLiteral("Tarvo-.ini");
  if (m_dialogs->RunSave()) {
    m_state.IniFileName = m_dialogs->save.fileName;
    WriteIniFileTold();
  }
  m_state.IniFileName = remembered;
}

}  // namespace chart
