#include "platform/ui/Desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

namespace platform {

void CopyImageToClipboard(const QImage& image) {
  if (!qGuiApp) return;
  QGuiApplication::clipboard()->setImage(image);
}

bool OpenUrl(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}

}  // namespace platform
