#include "platform/ui/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>

#include "platform/text/FileName.h"
#include "platform/ui/DialogService.h"
#include "platform/ui/ProgramFiles.h"

namespace platform {

namespace {

// False when the path was first already: every redraw names its data file again, and the
// list's file need not be written for that.
bool PutFirst(QStringList& list, const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!list.isEmpty() && list.front() == absolute) return false;
  list.removeAll(absolute);
  list.prepend(absolute);
  while (list.size() > RecentFiles::kMost)
    list.removeLast();
  return true;
}

QStringList Capped(QStringList list) {
  list.removeAll(QString());
  while (list.size() > RecentFiles::kMost)
    list.removeLast();
  return list;
}

}  // namespace

RecentFiles::RecentFiles(QString file) : m_file(std::move(file)) {
  Load();
}

QString RecentFiles::UserFile() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  return folder.isEmpty() ? QString() : folder + QStringLiteral("/recent.ini");
}

void RecentFiles::Load() {
  if (m_file.isEmpty() || !QFileInfo(m_file).isFile()) return;
  const QSettings stored(m_file, QSettings::IniFormat);
  m_data = Capped(stored.value(QStringLiteral("data")).toStringList());
  m_settings = Capped(stored.value(QStringLiteral("settings")).toStringList());
  m_settingsFolder = stored.value(QStringLiteral("settingsFolder")).toString();
}

void RecentFiles::Store() const {
  if (m_file.isEmpty()) return;
  QDir().mkpath(QFileInfo(m_file).absolutePath());
  QSettings stored(m_file, QSettings::IniFormat);
  stored.setValue(QStringLiteral("data"), m_data);
  stored.setValue(QStringLiteral("settings"), m_settings);
  stored.setValue(QStringLiteral("settingsFolder"), m_settingsFolder);
}

void RecentFiles::AddData(const QString& path) {
  if (PutFirst(m_data, path)) Store();
}

void RecentFiles::AddSettings(const QString& path) {
  if (PutFirst(m_settings, path)) Store();
}

void RecentFiles::SetSettingsFolder(const QString& folder) {
  if (m_settingsFolder == folder) return;
  m_settingsFolder = folder;
  Store();
}

void RecentFiles::Forget(const QString& path) {
  m_data.removeAll(path);
  m_settings.removeAll(path);
  Store();
}

bool StillThere(RecentFiles& recent, DialogService& dialogs, const QString& path) {
  if (FileExists(path)) return true;
  dialogs.ShowError(QStringLiteral("ファイルが見つかりません\n") + path);
  recent.Forget(path);
  return false;
}

QString SettingsDialogFolder(const RecentFiles& recent, const QString& programPath) {
  if (!recent.SettingsFolder().isEmpty() && QFileInfo(recent.SettingsFolder()).isDir()) {
    return recent.SettingsFolder();
  }
  const QString presets =
      FindBundled(programPath, QStringLiteral("data"), QStringLiteral("presets"));
  return presets.isEmpty() ? QFileInfo(programPath).absolutePath() : presets;
}

void FillRecentMenu(QMenu* menu, const RecentFiles& recent,
                    const std::function<void(const QString& path, bool settings)>& open) {
  menu->clear();
  auto add = [&](const QString& path, bool settings) {
    const QFileInfo info(path);
    QAction* action =
        menu->addAction(info.fileName() + QStringLiteral("  （") +
                        QDir::toNativeSeparators(info.absolutePath()) + QStringLiteral("）"));
    action->setData(path);
    QObject::connect(action, &QAction::triggered, menu,
                     [open, path, settings] { open(path, settings); });
  };
  for (const QString& path : recent.Data())
    add(path, false);
  if (!recent.Data().isEmpty() && !recent.Settings().isEmpty()) menu->addSeparator();
  for (const QString& path : recent.Settings())
    add(path, true);
  if (recent.Data().isEmpty() && recent.Settings().isEmpty()) {
    menu->addAction(QStringLiteral("（まだありません）"))->setEnabled(false);
  }
}

}  // namespace platform
