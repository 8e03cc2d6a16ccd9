#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMenu;

namespace platform {
class DialogService;
}

namespace platform {

/// The data and settings files a user opened or saved lately, newest first, and the folder
/// the settings dialog was last left in. They are the user's own, so they are kept in the
/// user's configuration folder, never in the program's settings file, which users share;
/// without a file (tests, scripted exports) they last for the run only.
class RecentFiles {
 public:
  /// The most files of each kind kept.
  static constexpr int kMost = 8;

  /// `file` is where the lists are kept; empty keeps them in memory only.
  explicit RecentFiles(QString file = QString());
  /// The file in the user's configuration folder for the running application.
  static QString UserFile();

  const QStringList& Data() const { return m_data; }
  const QStringList& Settings() const { return m_settings; }
  const QString& SettingsFolder() const { return m_settingsFolder; }
  /// The path, made absolute, goes to the top of its list.
  void AddData(const QString& path);
  void AddSettings(const QString& path);
  void SetSettingsFolder(const QString& folder);
  void Forget(const QString& path);

 private:
  void Load();
  void Store() const;

  QString m_file;
  QStringList m_data;
  QStringList m_settings;
  QString m_settingsFolder;
};

/// Where the settings-open dialog starts: the folder it was last left in, else the bundled
/// presets (what the manual tells a new user to load), else the program's folder.
QString SettingsDialogFolder(const RecentFiles& recent, const QString& programPath);

/// Whether a recent file chosen from the menu is still there; one that is gone is told to
/// the user, naming it, and left out of the lists from now on.
bool StillThere(RecentFiles& recent, DialogService& dialogs, const QString& path);

/// Fills `menu` with the recent data files, a separator and the recent settings files, each
/// shown by its name with its folder, each running `open` with its path and whether it is a
/// settings file. An empty list shows one disabled entry saying so.
void FillRecentMenu(QMenu* menu, const RecentFiles& recent,
                    const std::function<void(const QString& path, bool settings)>& open);

}  // namespace platform
