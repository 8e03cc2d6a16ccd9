// The settings file: what it holds, where it goes, and the commands that load and save it.
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "conic/PanelItems.h"
#include "conic/Swatch.h"
#include "conic/TForm1.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "platform/text/IniFile.h"
#include "platform/text/SettingLimits.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/PanelText.h"
#include "platform/ui/ProgramFiles.h"

namespace conic {

namespace {

const QString kDataFile = QStringLiteral("DataFile");
const QString kMap = QStringLiteral("Map");
const QString kLegend = QStringLiteral("Legend");
const QString kFont = QStringLiteral("Font");

QString MarkSection(int i) {
  return QStringLiteral("PMark%1").arg(i);
}

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
}

void TForm1::ApplySettings(const platform::IniFile& ini) {
  auto edit = [this](const char* name) { return findChild<QLineEdit*>(QString::fromLatin1(name)); };
  auto check = [this](const char* name) {
    return findChild<QCheckBox*>(QString::fromLatin1(name));
  };
  auto radio = [this](const char* name) {
    return findChild<QRadioButton*>(QString::fromLatin1(name));
  };
  auto text = [&ini](const QString& section, const char* key, const QString& fallback,
                     qsizetype maxChars) {
    return FirstChars(ini.ReadString(section, QString::fromLatin1(key), fallback), maxChars);
  };
  auto integer = [&ini](const QString& section, const char* key, int fallback, int low, int high) {
    return std::clamp(ini.ReadInteger(section, QString::fromLatin1(key), fallback), low, high);
  };
  auto colour = [&ini](const QString& section, const char* key, WinColor fallback) {
    return static_cast<WinColor>(
               ini.ReadInteger(section, QString::fromLatin1(key), static_cast<int>(fallback))) &
           kColorBits;
  };
  auto factor = [&ini](const char* key, double fallback) {
    const double value = ini.ReadFloat(kFont, QString::fromLatin1(key), fallback);
    return std::isfinite(value) ? std::clamp(value, kMinScaleFactor, kMaxScaleFactor) : fallback;
  };

  ShowWholeText(edit("EditTitle"),
                text(kDataFile, "Title", QStringLiteral("三面分布図"), kMaxTextChars));
  ShowWholeText(edit("EditMapFile"),
                text(kDataFile, "MapFile", QStringLiteral("三面図全国.mdt"), kMaxPathChars));
  ShowWholeText(edit("EditGrdFile"),
                text(kDataFile, "GrdFile", QStringLiteral("ZoSample.grd"), kMaxPathChars));
  m_state.CRst1 = text(kDataFile, "CRst1", QStringLiteral("Distribution Map"), kMaxTextChars);
  SetSwatchColor(findChild<QWidget*>(QStringLiteral("PLandCol")),
                 colour(kMap, "LandColor", 14285311));
  SetSwatchColor(findChild<QWidget*>(QStringLiteral("POceanCol")),
                 colour(kMap, "OceanColor", 16775899));
  // Only the three-view figure can be made (the other types' buttons are disabled), and a
  // code that names no type at all means the default.
  const int mapsType = ini.ReadInteger(kMap, QStringLiteral("MapsType"), 3);
  m_state.MapsType = 3;
  m_state.SheetSize = ini.ReadInteger(kMap, QStringLiteral("SheetSize"), 0);
  check("IsMapFrame")->setChecked(ini.ReadBool(kMap, QStringLiteral("MapFrame"), true));
  m_state.GridSize = ini.ReadInteger(kMap, QStringLiteral("GridSize"), 10);
  m_state.MapColor = colour(kMap, "MapColor", 0);
  m_state.SubColor = colour(kMap, "SubColor", 8421504);
  m_state.MshColor = colour(kMap, "MshColor", 16776960);
  m_state.MLineW = integer(kMap, "MLineW", 1, kMinLineWidth, kMaxLineWidth);
  m_state.SLineW = integer(kMap, "SLineW", 1, kMinLineWidth, kMaxLineWidth);
  m_state.GLineW = integer(kMap, "GLineW", 1, kMinLineWidth, kMaxLineWidth);
  check("WithPref")->setChecked(ini.ReadBool(kMap, QStringLiteral("WithPref"), false));
  check("WithGrat")->setChecked(ini.ReadBool(kMap, QStringLiteral("WithGrat"), true));
  check("ShowMapTitle")->setChecked(ini.ReadBool(kMap, QStringLiteral("ShowTitle"), true));
  const std::array<TMarkStyle, 5> defaults = DefaultMarkStyles();
  for (int i = 1; i <= 5; ++i) {
    const TMarkStyle& d = defaults.at(static_cast<size_t>(i - 1));
    TMarkStyle& style = m_state.MarkStyles.at(static_cast<size_t>(i - 1));
    const QString section = MarkSection(i);
    // A shape code that is none of the editor's draws nothing, whatever its value.
    style.shape = ini.ReadInteger(section, QStringLiteral("Styl"), i);
    style.size = integer(section, "Size", 4, 0, kMaxMarkerSize);
    style.fillColor = colour(section, "bcol", d.fillColor);
    style.rimColor = colour(section, "pcol", 0);
  }
  check("ShowLegend")->setChecked(ini.ReadBool(kLegend, QStringLiteral("ShowLegend"), false));
  check("ShowLegTitle")->setChecked(ini.ReadBool(kLegend, QStringLiteral("ShowLegTitle"), false));
  check("IsLegendFrame")->setChecked(ini.ReadBool(kLegend, QStringLiteral("LegendFrame"), false));
  const QString titleFontName =
      text(kFont, "TitleFontName", QStringLiteral("Cambria"), kMaxTextChars);
  const QString fontName = text(kFont, "FontName", QStringLiteral("Cambria"), kMaxTextChars);
  const int pointSize = integer(kFont, "FontSize", 10, kMinFontSize, kMaxFontSize);
  m_state.ScaleFactorLegend = factor("ScaleFactorLegend", 1.2);
  m_state.ScaleFactorHeader = factor("ScaleFactorHeader", 1.5);

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
  ini.WriteString(kDataFile, QStringLiteral("CRst1"), m_state.CRst1);
  ini.WriteInteger(kMap, QStringLiteral("LandColor"),
                   colour(SwatchColor(findChild<QWidget*>(QStringLiteral("PLandCol")))));
  ini.WriteInteger(kMap, QStringLiteral("OceanColor"),
                   colour(SwatchColor(findChild<QWidget*>(QStringLiteral("POceanCol")))));
  ini.WriteInteger(kMap, QStringLiteral("MapsType"), m_state.MapsType);
  ini.WriteInteger(kMap, QStringLiteral("SheetSize"), m_state.SheetSize);
  ini.WriteBool(kMap, QStringLiteral("MapFrame"), ticked("IsMapFrame"));
  ini.WriteInteger(kMap, QStringLiteral("GridSize"), m_state.GridSize);
  ini.WriteInteger(kMap, QStringLiteral("MapColor"), colour(m_state.MapColor));
  ini.WriteInteger(kMap, QStringLiteral("SubColor"), colour(m_state.SubColor));
  ini.WriteInteger(kMap, QStringLiteral("MshColor"), colour(m_state.MshColor));
  ini.WriteInteger(kMap, QStringLiteral("MLineW"), m_state.MLineW);
  ini.WriteInteger(kMap, QStringLiteral("SLineW"), m_state.SLineW);
  ini.WriteInteger(kMap, QStringLiteral("GLineW"), m_state.GLineW);
  ini.WriteBool(kMap, QStringLiteral("WithPref"), ticked("WithPref"));
  ini.WriteBool(kMap, QStringLiteral("WithGrat"), ticked("WithGrat"));
  ini.WriteBool(kMap, QStringLiteral("ShowTitle"), ticked("ShowMapTitle"));
  for (int i = 1; i <= 5; ++i) {
    const TMarkStyle& style = m_state.MarkStyles.at(static_cast<size_t>(i - 1));
    ini.WriteInteger(MarkSection(i), QStringLiteral("Styl"), style.shape);
    ini.WriteInteger(MarkSection(i), QStringLiteral("Size"), style.size);
    ini.WriteInteger(MarkSection(i), QStringLiteral("bcol"), colour(style.fillColor));
    ini.WriteInteger(MarkSection(i), QStringLiteral("pcol"), colour(style.rimColor));
  }
  ini.WriteBool(kLegend, QStringLiteral("ShowLegend"), ticked("ShowLegend"));
  ini.WriteBool(kLegend, QStringLiteral("ShowLegTitle"), ticked("ShowLegTitle"));
  ini.WriteBool(kLegend, QStringLiteral("LegendFrame"), ticked("IsLegendFrame"));
  const QFont textFont = findChild<QPushButton*>(QStringLiteral("FontBtn"))->font();
  ini.WriteString(kFont, QStringLiteral("TitleFontName"), m_titleFont.family());
  ini.WriteString(kFont, QStringLiteral("FontName"), textFont.family());
  ini.WriteInteger(kFont, QStringLiteral("FontSize"), textFont.pointSize());
  ini.WriteFloat(kFont, QStringLiteral("ScaleFactorLegend"), m_state.ScaleFactorLegend);
  ini.WriteFloat(kFont, QStringLiteral("ScaleFactorHeader"), m_state.ScaleFactorHeader);
}

void TForm1::WriteIniFile() {
  const QString path = ResolveSettingsFile(m_state.IniFileName);
  // Keys and sections the file has besides ours stay as they are.
  platform::IniFile ini = platform::IniFile::Load(path);
  StoreSettings(ini);
  ini.Save(path);
}

QString TForm1::ResolveSettingsFile(const QString& name) const {
  return platform::ResolveSettingsFile(m_programPath, name);
}

void TForm1::BtnGetIniFileClick() {
  m_dialogs->open.initialDir = QFileInfo(m_programPath).absolutePath();
  m_dialogs->open.filterIndex = 1;
  m_dialogs->open.fileName = QStringLiteral("*.ini");
  if (m_dialogs->RunOpen()) {
    m_state.IniFileName = m_dialogs->open.fileName;
    try {
      ReadIniFile();
    } catch (const core::IoError& error) {
      m_dialogs->ShowError(QString::fromStdString(error.what()) + QStringLiteral("\n") +
                           QString::fromStdString(error.Path()));
    }
  }
  m_settingBoard->show();
  m_settingBoard->raise();
  ShowWholeText(findChild<QLineEdit*>(QStringLiteral("EditIniFile")), m_state.IniFileName);
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
