#include "platform/text/SaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#include "core/Errors.h"

namespace platform {

namespace {

std::string MessageFor(const QSaveFile& file, const QString& path) {
  switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
      if (!QFileInfo(path).absoluteDir().exists()) return "ファイルが見つかりません";
      return "ファイル アクセスが拒否されました";
    case QFileDevice::ResourceError:
      return "ディスクに空きがありません";
    default:
      return "ファイルを書き込めません (" + file.errorString().toStdString() + ")";
  }
}

}  // namespace

void SaveFileAtomically(const std::string& path, std::string_view bytes) {
  const QString name = QString::fromStdString(path);
  if (QFileInfo(name).isDir()) throw core::IoError(core::IoMessage(EISDIR), path);
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly)) throw core::IoError(MessageFor(file, name), path);
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size || !file.commit()) {
    file.cancelWriting();
    throw core::IoError(MessageFor(file, name), path);
  }
}

}  // namespace platform
