// The settings file: what it holds, where it goes, and the commands that load and save it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <climits>

#include "chart/TForm1.h"
#include "core/Errors.h"
#include "core/ScaleLength.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/SettingBindings.h"
#include "platform/ui/Swatch.h"

namespace chart {

namespace {

using platform::kMaxPathChars;
using platform::kMaxTextChars;
using platform::SettingName;

// The width button toggles between thin (1) and thick (2) and knows no other width; the
// toggle of any other would draw nothing.
constexpr int kMinLineWidth = 1;
constexpr int kMaxLineWidth = 2;

const std::pair<int, const char*> kPrecisionButtons[] = {{0, "GScale0"},   {1, "GScale1"},
                                                         {2, "GScale2"},   {5, "GScale5"},
                                                         {10, "GScale10"}, {12, "GScale12"}};
const std::pair<int, const char*> kMeshButtons[] = {
    {0, "MScale0"}, {1, "MScale1"}, {2, "MScale2"}, {3, "MScale3"}};

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

const platform::SettingsTable<TForm1>& TForm1::Settings() {
  using platform::CheckSetting;
  using platform::ColorSetting;
  using platform::IntSetting;
  using platform::TextSetting;
  using Table = platform::SettingsTable<TForm1>;
  // A latitude that does not read stops the reading there, with its message, since its
  // change recomputes the ratio.
  auto ratio = [](TForm1& form) { form.UpdateRatio(); };
  static const Table table = [&] {
    Table t = {
        TextSetting<TForm1>({"DataFile", "Title"}, "EditTitle", "日本植物三面分布図",
                            kMaxTextChars),
        TextSetting<TForm1>(
            {"DataFile", "MapFile"}, "EditMapFile",
            // Without a setting, the map of Japan the program brings, as Tarvo_L starts.
            [](const TForm1& form) {
              return form.State().MapFileName.isEmpty() ? QString::fromUtf8(kBundledMapName)
                                                        : form.State().MapFileName;
            },
            kMaxPathChars),
        // A first start (no settings yet) shows the sample data, which the map draws at once.
        TextSetting<TForm1>({"DataFile", "GrdFile"}, "EditGrdFile", "ZoSample.grd", kMaxPathChars),
        // Each box's own rule keeps one of the two ticked.
        CheckSetting<TForm1>({"Draw", "HorizonMap"}, "HorizonMap", true),
        CheckSetting<TForm1>({"Draw", "ProfileMap"}, "ProfileMap", true),
        // The Detail menu's entry shows it.
        platform::Setting<TForm1>(
            SettingName{"Draw", "ProfilesInRange"},
            [](TForm1& form, const platform::IniFile& ini, const QString& section,
               const QString& key, int) {
              form.State().ProfilesInRange = ini.ReadBool(section, key, true);
              form.Command(QStringLiteral("ProfilesInRange"))
                  ->setChecked(form.State().ProfilesInRange);
            },
            [](const TForm1& form, platform::IniFile& ini, const QString& section,
               const QString& key,
               int) { ini.WriteBool(section, key, form.State().ProfilesInRange); }),
        // Off unless asked for, so that figures stay as they were made before there was a
        // choice; the View menu's entry shows it.
        platform::Setting<TForm1>(
            SettingName{"Draw", "FigureTitle"},
            [](TForm1& form, const platform::IniFile& ini, const QString& section,
               const QString& key, int) {
              form.State().FigureTitle = ini.ReadBool(section, key, false);
              form.Command(QStringLiteral("FigureTitle"))->setChecked(form.State().FigureTitle);
              if (form.m_charts[0]) form.m_charts[0]->update();
            },
            [](const TForm1& form, platform::IniFile& ini, const QString& section,
               const QString& key, int) { ini.WriteBool(section, key, form.State().FigureTitle); }),
        TextSetting<TForm1>({"Map", "GY1"}, "EditGY1", "30.00", kMaxTextChars, ratio),
        TextSetting<TForm1>({"Map", "GY2"}, "EditGY2", "46.00", kMaxTextChars, ratio),
        TextSetting<TForm1>({"Map", "GX1"}, "EditGX1", "128.00", kMaxTextChars),
        TextSetting<TForm1>({"Map", "GX2"}, "EditGX2", "146.00", kMaxTextChars),
        TextSetting<TForm1>({"Map", "GH2"}, "EditGH2", "3800", kMaxTextChars),
        TextSetting<TForm1>({"Map", "I2K"}, "EditI2K", "1.2208", kMaxTextChars),
        TextSetting<TForm1>({"Map", "LabX"}, "EditLabelX", "134.00", kMaxTextChars),
        TextSetting<TForm1>({"Map", "LabY"}, "EditLabelY", "32.00", kMaxTextChars),
        // Codes without a button are kept as the file has them.
        IntSetting<TForm1>(SettingName{"Map", "GridSize"}, &DrawingState::GridSize, 1, INT_MIN,
                           INT_MAX),
        IntSetting<TForm1>(SettingName{"Map", "MeshSize"}, &DrawingState::MeshSize, 0, INT_MIN,
                           INT_MAX),
        ColorSetting<TForm1>(SettingName{"Map", "MapColor"}, &DrawingState::MapColor, 0,
                             "MapColorBt"),
        ColorSetting<TForm1>(SettingName{"Map", "SubColor"}, &DrawingState::SubColor, 10789024,
                             "SubColorBt"),
        ColorSetting<TForm1>(SettingName{"Map", "MshColor"}, &DrawingState::MshColor, 16776960,
                             "MshColorBt"),
        CheckSetting<TForm1>({"Map", "Prefecture"}, "Prefecture", false),
        platform::OptionSetting<TForm1>({"Map", "ScaleBar"}, "ScaleBar"),
        platform::Setting<TForm1>(
            SettingName{"Map", "ScaleBarCorner"},
            [](TForm1& form, const platform::IniFile& ini, const QString& section,
               const QString& key, int) {
              form.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))
                  ->setCurrentIndex(
                      static_cast<int>(core::MapCornerOf(ini.ReadInteger(section, key, 0))));
            },
            [](const TForm1& form, platform::IniFile& ini, const QString& section,
               const QString& key, int) {
              platform::WriteOptionalInteger(
                  ini, section, key,
                  form.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex(), 0);
            }),
        IntSetting<TForm1>(SettingName{"Map", "MLW"}, &DrawingState::MLW, 1, kMinLineWidth,
                           kMaxLineWidth),
    };
    for (auto& key : platform::MarkStyleSettings<TForm1>(
             "Mark", 6, &DrawingState::MarkStyles, [](int n) { return n; }, 3,
             [](int) { return std::uint32_t{0xFF0000}; }, platform::kMaxMarkerSize)) {
      t.push_back(std::move(key));
    }
    return t;
  }();
  return table;
}

std::vector<const platform::SettingName*> TForm1::SettingNames() {
  return platform::NamesOf(Settings());
}

void TForm1::ApplySettings(const platform::IniFile& ini) {
  platform::ReadSettings(Settings(), *this, ini);
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
  platform::WriteSettings(Settings(), *this, ini);
}

void TForm1::WriteIniFile() {
  platform::WriteSettingsFile(Settings(), *this, ResolveSettingsFile(m_state.IniFileName));
  m_settingsBaseline.Take();
}

bool TForm1::ReadIniFileTold() {
  bool read = false;
  try {
    ReadIniFile();
    read = true;
  } catch (const core::ConversionError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()));
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QLatin1Char('\n') +
                         QString::fromStdString(error.Path()));
  }
  // What the window now shows is what the user was given; only their own changes count.
  m_settingsBaseline.Take();
  return read;
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
  // Once installed the program's folder is a system folder; the presets are what a new
  // user looks for, and later the folder the user last took settings from.
  m_dialogs->open.initialDir = platform::SettingsDialogFolder(m_recent, m_programPath);
  m_dialogs->open.filter = QStringLiteral(
      "設定ﾌｧｲﾙ (*.ini)|*.ini|地図ﾌｧｲﾙ (*.mdt)|*.mdt|分布データファイル (*.grd,)|*.grd|"
      "分布データファイル (*.csv)|*.csv|すべてのﾌｧｲﾙ (*.*)|*.*");
  m_dialogs->open.filterIndex = 1;
  m_dialogs->open.fileName = QStringLiteral("*.ini");
  if (m_dialogs->RunOpen()) {
    m_recent.SetSettingsFolder(QFileInfo(m_dialogs->open.fileName).absolutePath());
    OpenSettingsFile(m_dialogs->open.fileName);
    return;
  }
  m_state.IniFileName = QStringLiteral("Tarvo.ini");
  m_settingBoard->show();
  m_settingBoard->raise();
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")),
                          m_state.IniFileName);
}

void TForm1::OpenSettingsFile(const QString& path) {
  m_state.IniFileName = path;
  m_recent.AddSettings(path);
  m_settingBoard->show();
  m_settingBoard->raise();
  // The field's own handler reads the file; the name it already shows reads nothing again.
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")),
                          m_state.IniFileName);
}

void TForm1::OpenRecentFile(const QString& path, bool settings) {
  if (!platform::StillThere(m_recent, *m_dialogs, path)) return;
  if (settings) {
    OpenSettingsFile(path);
    return;
  }
  platform::ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditGrdFile")), path);
  BtnNewMapClick();
}

void TForm1::SetUpSaveDialog(SaveKind kind) {
  // Each save offers the kinds of file it writes, so that no filter can put one kind of
  // file under another kind's name.
  struct Setup {
    const char* filter;
    const char* defaultExt;
  };
  static constexpr Setup kSetups[] = {
      {"設定ファイル|*.ini", "ini"},
      {"分布データファイル|*.grd|すべてのファイル|*", "grd"},
      {"EMFファイル|*.emf|SVGファイル|*.svg|PDFファイル|*.pdf|PNGファイル|*.png", "emf"},
  };
  const Setup& setup = kSetups[static_cast<int>(kind)];
  m_dialogs->save.title = QStringLiteral("地図基本ファイル");
  m_dialogs->save.filter = QString::fromUtf8(setup.filter);
  m_dialogs->save.filterIndex = 1;
  m_dialogs->save.defaultExt = QString::fromLatin1(setup.defaultExt);
}

void TForm1::SaveIniFileItemClick() {
  const QString remembered = m_state.IniFileName;
  SetUpSaveDialog(SaveKind::Settings);
  m_dialogs->save.fileName = QStringLiteral("Tarvo-.ini");
  if (m_dialogs->RunSave()) {
    m_state.IniFileName = m_dialogs->save.fileName;
    if (WriteIniFileTold()) m_recent.AddSettings(m_state.IniFileName);
  }
  m_state.IniFileName = remembered;
}

}  // namespace chart
