#include "platform/ui/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/text/FileName.h"

namespace platform {

namespace {

// Empty in a packaged build, so that an installed program never falls back on the files of
// the machine it was built on.
constexpr bool kSourceTreeLookup = sizeof(TARVO_SOURCE_DIR) > 1;

// Where an installed program's folders sit, relative to the folder of the program itself,
// so that any prefix and a staged (DESTDIR) copy work alike.
QString InstalledFolder(const QString& folder) {
  if (folder == QLatin1String("data")) return QStringLiteral(TARVO_DATA_FROM_BIN);
  if (folder == QLatin1String("docs")) return QStringLiteral(TARVO_DOCS_FROM_BIN);
  return QStringLiteral(TARVO_DATA_FROM_BIN "/../") + folder;
}

}  // namespace

QString FindBundled(const QString& programPath, const QString& folder, const QString& name) {
  const QString programDir = QFileInfo(programPath).absolutePath();
  const QString file = QLatin1Char('/') + name;
  QStringList candidates = {
      programDir + QLatin1Char('/') + folder + file,
      programDir + QLatin1Char('/') + InstalledFolder(folder) + file,
  };
  if constexpr (kSourceTreeLookup)
    candidates << QStringLiteral(TARVO_SOURCE_DIR "/") + folder + file;
  for (const QString& path : candidates) {
    if (QFileInfo::exists(path)) return QFileInfo(path).canonicalFilePath();
  }
  return QString();
}

QString ResolveDataFile(const QString& programPath, const QString& name) {
  if (name.isEmpty() || FileExists(name)) return name;
  if (QFileInfo(name).fileName() != name) return name;  // has a folder: taken as given
  const QString bundled = FindBundled(programPath, QStringLiteral("data"), name);
  return bundled.isEmpty() ? name : bundled;
}

QString ResolveSettingsFile(const QString& programPath, const QString& name) {
  if (name.isEmpty()) return name;
  const QFileInfo file(name);
  const QString programDir = QFileInfo(programPath).absolutePath();
  const bool beside = file.fileName() == name || file.absolutePath() == programDir;
  if (!beside) return name;
  // An installed program keeps its settings with the user even where it could write its
  // own folder (run as root, /usr/bin could be written).
  const bool installed =
      QFileInfo(programDir + QLatin1Char('/') + InstalledFolder(QStringLiteral("data"))).isDir();
  const QFileInfo dir(programDir);
  if (!installed && dir.isDir() && dir.isWritable())
    return programDir + QLatin1Char('/') + file.fileName();
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  return config + QLatin1Char('/') + file.fileName();
}

FileToOpen FileToOpenFromArguments(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument.isEmpty()) continue;
    const QFileInfo file(argument);
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("ini")) continue;
    const auto kind =
        suffix == QLatin1String("mdt") ? FileToOpen::Kind::Map : FileToOpen::Kind::Data;
    return FileToOpen{kind, file.absoluteFilePath()};
  }
  return FileToOpen{};
}

}  // namespace platform
