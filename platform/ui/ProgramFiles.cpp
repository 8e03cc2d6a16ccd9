#include "platform/ui/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/text/FileName.h"

namespace platform {

QString FindBundled(const QString& programPath, const QString& folder, const QString& name) {
  const QString programDir = QFileInfo(programPath).absolutePath();
  const QString tail = QLatin1Char('/') + folder + QLatin1Char('/') + name;
  const QString candidates[] = {
      programDir + tail,
      programDir + QStringLiteral("/../share/tarvo") + tail,
      QStringLiteral(TARVO_SOURCE_DIR) + tail,
  };
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
  const QFileInfo dir(programDir);
  if (dir.isDir() && dir.isWritable()) return programDir + QLatin1Char('/') + file.fileName();
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  return config + QLatin1Char('/') + file.fileName();
}

}  // namespace platform
