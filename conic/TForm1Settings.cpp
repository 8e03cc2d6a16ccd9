// The settings file: what it holds, where it goes, and the commands that load and save it.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <climits>
#include <cmath>

#include "conic/PanelItems.h"
#include "conic/ScaleBar.h"
#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "platform/text/FileName.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"
#include "platform/ui/SettingBindings.h"

namespace conic {

namespace {

// The line buttons toggle between thin (1) and thick (2) and know no other width; the
// toggle of any other would stay thick.
constexpr int kMinLineWidth = 1;
constexpr int kMaxLineWidth = 2;
// At 200 points a line of the A3 sheet holds about 13 characters.
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 200;
// The legend and title sizes relative to the text font; beyond these, one could not be
// read beside the other.
constexpr double kMinScaleFactor = 0.1;
constexpr double kMaxScaleFactor = 10.0;
using platform::FirstChars;

// A scale factor as the file has it, or the default for one that is not a number.
double Factor(double value, double fallback) {
  return std::isfinite(value) ? std::clamp(value, kMinScaleFactor, kMaxScaleFactor) : fallback;
}

using platform::kColorBits;
using platform::kMaxPathChars;
using platform::kMaxTextChars;
using platform::ShowWholeText;

// The radio button standing for `code` in a panel group; none for a code the group lacks.
template <size_t N>
const char* RadioFor(const PanelItem (&items)[N], int code) {
  for (const PanelItem& item : items) {
    if (item.code == code) return item.radio;
  }
  return nullptr;
}

}  // namespace

void TForm1::ReadIniFile() {
  ApplySettings(platform::IniFile::Load(ResolveSettingsFile(m_state.IniFileName)));
  TakeSettingsBaseline();
}

const platform::SettingsTable<TForm1>& TForm1::Settings() {
  using platform::CheckSetting;
  using platform::ColorSetting;
  using platform::IntSetting;
  using platform::SettingName;
  using platform::SwatchSetting;
  using platform::TextSetting;
  using Table = platform::SettingsTable<TForm1>;
  auto textButton = [](const TForm1& form) {
    return form.findChild<QPushButton*>(QStringLiteral("FontBtn"));
  };
  static const Table table = [&] {
    Table t = {
        TextSetting<TForm1>({"DataFile", "Title"}, "EditTitle", "三面分布図", kMaxTextChars),
        TextSetting<TForm1>({"DataFile", "MapFile"}, "EditMapFile", "三面図全国.mdt",
                            kMaxPathChars),
        TextSetting<TForm1>({"DataFile", "GrdFile"}, "EditGrdFile", "ZoSample.grd", kMaxPathChars),
        {{"DataFile", "CRst1"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.m_state.CRst1 =
               FirstChars(ini.ReadString(s, k, QStringLiteral("Distribution Map")), kMaxTextChars);
           platform::ShowWholeText(f.findChild<QLineEdit*>(QStringLiteral("EditCredit")),
                                   f.m_state.CRst1);
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           ini.WriteString(s, k, f.m_state.CRst1);
         }},
        SwatchSetting<TForm1>({"Map", "LandColor"}, "PLandCol", 14285311),
        SwatchSetting<TForm1>({"Map", "OceanColor"}, "POceanCol", 16775899),
        // Only the three-view figure can be made (the other types' buttons are disabled); a
        // file asking for another is told once the panel shows what was read.
        {{"Map", "MapsType"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.m_settingsMapsType = ini.ReadInteger(s, k, 3);
           f.m_state.MapsType = 3;
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           ini.WriteInteger(s, k, f.m_state.MapsType);
         }},
        IntSetting<TForm1>(SettingName{"Map", "SheetSize"}, &DrawingState::SheetSize, 0, INT_MIN,
                           INT_MAX),
        CheckSetting<TForm1>({"Map", "MapFrame"}, "IsMapFrame", true),
        IntSetting<TForm1>(SettingName{"Map", "GridSize"}, &DrawingState::GridSize, 10, INT_MIN,
                           INT_MAX),
        ColorSetting<TForm1>(SettingName{"Map", "MapColor"}, &DrawingState::MapColor, 0),
        ColorSetting<TForm1>(SettingName{"Map", "SubColor"}, &DrawingState::SubColor, 8421504),
        ColorSetting<TForm1>(SettingName{"Map", "MshColor"}, &DrawingState::MshColor, 16776960),
        IntSetting<TForm1>(SettingName{"Map", "MLineW"}, &DrawingState::MLineW, 1, kMinLineWidth,
                           kMaxLineWidth),
        IntSetting<TForm1>(SettingName{"Map", "SLineW"}, &DrawingState::SLineW, 1, kMinLineWidth,
                           kMaxLineWidth),
        IntSetting<TForm1>(SettingName{"Map", "GLineW"}, &DrawingState::GLineW, 1, kMinLineWidth,
                           kMaxLineWidth),
        CheckSetting<TForm1>({"Map", "WithPref"}, "WithPref", false),
        CheckSetting<TForm1>({"Map", "WithGrat"}, "WithGrat", true),
        CheckSetting<TForm1>({"Map", "ShowTitle"}, "ShowMapTitle", true),
        platform::OptionSetting<TForm1>({"Map", "ScaleBar"}, "WithScale"),
        {{"Map", "ScaleBarCorner"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))
               ->setCurrentIndex(static_cast<int>(MapCornerOf(ini.ReadInteger(s, k, 0))));
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           platform::WriteOptionalInteger(
               ini, s, k, f.findChild<QComboBox*>(QStringLiteral("ScaleCorner"))->currentIndex(),
               0);
         }},
    };
    for (auto& key : platform::MarkStyleSettings<TForm1>(
             "PMark", 5, &DrawingState::MarkStyles, [](int n) { return n; }, 4,
             [](int n) { return DefaultMarkStyles().at(static_cast<size_t>(n - 1)).fillColor; },
             kMaxMarkerSize)) {
      t.push_back(std::move(key));
    }
    const Table rest = {
        CheckSetting<TForm1>({"Legend", "ShowLegend"}, "ShowLegend", false),
        CheckSetting<TForm1>({"Legend", "ShowLegTitle"}, "ShowLegTitle", false),
        CheckSetting<TForm1>({"Legend", "LegendFrame"}, "IsLegendFrame", false),
        // The fonts are put together once all of them are read.
        {{"Font", "TitleFontName"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.m_titleFont.setFamily(
               FirstChars(ini.ReadString(s, k, QStringLiteral("Cambria")), kMaxTextChars));
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           ini.WriteString(s, k, f.m_titleFont.family());
         }},
        {{"Font", "FontName"},
         [textButton](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k,
                      int) {
           QFont font(FirstChars(ini.ReadString(s, k, QStringLiteral("Cambria")), kMaxTextChars));
           font.setPointSize(textButton(f)->font().pointSize());
           textButton(f)->setFont(font);
         },
         [textButton](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k,
                      int) { ini.WriteString(s, k, textButton(f)->font().family()); }},
        {{"Font", "FontSize"},
         [textButton](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k,
                      int) {
           QFont font = textButton(f)->font();
           font.setPointSize(std::clamp(ini.ReadInteger(s, k, 10), kMinFontSize, kMaxFontSize));
           textButton(f)->setFont(font);
         },
         [textButton](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k,
                      int) { ini.WriteInteger(s, k, textButton(f)->font().pointSize()); }},
        {{"Font", "ScaleFactorLegend"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.m_state.ScaleFactorLegend = Factor(ini.ReadFloat(s, k, 1.2), 1.2);
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           ini.WriteFloat(s, k, f.m_state.ScaleFactorLegend);
         }},
        {{"Font", "ScaleFactorHeader"},
         [](TForm1& f, const platform::IniFile& ini, const QString& s, const QString& k, int) {
           f.m_state.ScaleFactorHeader = Factor(ini.ReadFloat(s, k, 1.5), 1.5);
         },
         [](const TForm1& f, platform::IniFile& ini, const QString& s, const QString& k, int) {
           ini.WriteFloat(s, k, f.m_state.ScaleFactorHeader);
         }},
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
  }();
  return table;
}

std::vector<const platform::SettingName*> TForm1::SettingNames() {
  return platform::NamesOf(Settings());
}

void TForm1::ApplySettings(const platform::IniFile& ini) {
  auto radio = [this](const char* name) {
    return findChild<QRadioButton*>(QString::fromLatin1(name));
  };
  platform::ReadSettings(Settings(), *this, ini);
  const int mapsType = m_settingsMapsType;
  const int pointSize = findChild<QPushButton*>(QStringLiteral("FontBtn"))->font().pointSize();
  const QString titleFontName = m_titleFont.family();
  const QString fontName = findChild<QPushButton*>(QStringLiteral("FontBtn"))->font().family();

  // Fonts: the title's face in bold at the header scale; the figure's text font on the
  // button and on both layers.
  QFont titleFont(titleFontName);
  titleFont.setBold(true);
  titleFont.setPointSize(std::max(1, core::RoundHalfEven(pointSize * m_state.ScaleFactorHeader)));
  SetTitleFieldFont(titleFont);
  QFont textFont(fontName);
  textFont.setPointSize(pointSize);
  findChild<QPushButton*>(QStringLiteral("FontBtn"))->setFont(textFont);
  m_canvasM.SetFont(textFont, platform::kBlack);
  m_canvasP.SetFont(textFont, platform::kBlack);

  if (const char* name = RadioFor(kSheetItems, m_state.SheetSize)) radio(name)->setChecked(true);
  for (int i = 0; i < m_state.CategoryCount; ++i) {
    const auto row = static_cast<size_t>(i);
    const TMarkStyle& style = m_state.MarkStyles.at(row);
    m_cboxMark[row]->setCurrentIndex(style.shape >= 0 && style.shape <= 8 ? style.shape : -1);
    m_cboxSize[row]->setEditText(QString::number(style.size));
    SetSwatchColor(findChild<QWidget*>(QStringLiteral("MrkColor%1").arg(i + 1)), style.fillColor);
    m_markRim[row]->setChecked(style.rimColor == 0);
  }
  radio("ThreeDMap")->setChecked(true);
  const struct {
    const char* button;
    WinColor color;
    int width;
  } lines[] = {{"MapColorBtn", m_state.MapColor, m_state.MLineW},
               {"SubColorBtn", m_state.SubColor, m_state.SLineW},
               {"MshColorBtn", m_state.MshColor, m_state.GLineW}};
  for (const auto& l : lines) {
    auto* button = findChild<QPushButton*>(QString::fromLatin1(l.button));
    button->setText(LineCaption(l.width));
    SetSwatchColor(button, l.color);
  }
  if (const char* name = RadioFor(kPrecisionItems, m_state.GridSize)) radio(name)->setChecked(true);

  // Told once the panel shows what was read. An error rather than a note: the scripted
  // export must not write a three-view figure for a file that asked for another one.
  const struct {
    int type;
    const char* caption;
  } cannotMake[] = {{1, "垂直分布図"}, {2, "拡大水平図"}};
  for (const auto& t : cannotMake) {
    if (t.type != mapsType) continue;
    m_dialogs->ShowError(
        QStringLiteral("設定 MapsType=%1（%2）の図は描けません。描けるのは三面分布図"
                       "（MapsType=3）だけです")
            .arg(mapsType)
            .arg(QString::fromUtf8(t.caption)));
  }
}

void TForm1::StoreSettings(platform::IniFile& ini) const {
  platform::WriteSettings(Settings(), *this, ini);
}

void TForm1::WriteIniFile() {
  platform::WriteSettingsFile(Settings(), *this, ResolveSettingsFile(m_state.IniFileName));
  TakeSettingsBaseline();
}

QString TForm1::ResolveSettingsFile(const QString& name) const {
  return platform::ResolveSettingsFile(m_programPath, name);
}

void TForm1::BtnGetIniFileClick() {
  // Once installed the program's folder is a system folder; the presets are what a new
  // user looks for, and later the folder the user last took settings from.
  m_dialogs->open.initialDir = platform::SettingsDialogFolder(m_recent, m_programPath);
  m_dialogs->open.filterIndex = 1;
  m_dialogs->open.fileName = QStringLiteral("*.ini");
  if (m_dialogs->RunOpen()) {
    m_recent.SetSettingsFolder(QFileInfo(m_dialogs->open.fileName).absolutePath());
    OpenSettingsFile(m_dialogs->open.fileName);
    return;
  }
  m_settingBoard->show();
  m_settingBoard->raise();
  ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")), m_state.IniFileName);
}

void TForm1::OpenSettingsFile(const QString& path) {
  m_state.IniFileName = path;
  try {
    ReadIniFile();
    m_recent.AddSettings(path);
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                         QString::fromStdString(error.Path()));
  }
  m_settingBoard->show();
  m_settingBoard->raise();
  ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")), m_state.IniFileName);
}

void TForm1::OpenRecentFile(const QString& path, bool settings) {
  if (!platform::StillThere(m_recent, *m_dialogs, path)) return;
  if (settings) {
    OpenSettingsFile(path);
    return;
  }
  ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditGrdFile")), path);
  DrawMap(true);
}

void TForm1::EditIniFileChange() {
  m_state.IniFileName = findChild<QLineEdit*>(QStringLiteral("EditIniFile"))->text();
  const QString path = ResolveSettingsFile(m_state.IniFileName);
  if (!QFileInfo(path).isFile()) return;
  m_dialogs->open.initialDir = QFileInfo(path).absolutePath();
  try {
    ReadIniFile();
  } catch (const core::IoError& error) {
    m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") + path);
  }
  m_settingBoard->show();
  m_settingBoard->raise();
}

void TForm1::SaveIniFileItemClick() {
  const QString remembered = m_state.IniFileName;
  m_dialogs->save.filterIndex = 1;
  m_dialogs->save.fileName = m_state.IniFileName;
  if (m_dialogs->RunSave()) {
    m_state.IniFileName = m_dialogs->save.fileName;
    try {
      WriteIniFile();
      m_recent.AddSettings(m_state.IniFileName);
    } catch (const core::IoError& error) {
      // The chosen name stays in force, as the failed command left it.
      m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                           QString::fromStdString(error.Path()));
      return;
    }
  }
  m_state.IniFileName = remembered;
}

}  // namespace conic
