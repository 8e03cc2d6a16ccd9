#include "platform/ui/Desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <utility>

namespace platform {

void CopyImageToClipboard(const QImage& image) {
  if (!qGuiApp) return;
  QGuiApplication::clipboard()->setImage(image);
}

void CopyPictureToClipboard(const std::string& emf, const QByteArray& svg, const QImage& image) {
  if (!qGuiApp) return;
  auto* data = new QMimeData;
  const QByteArray metafile(emf.data(), static_cast<qsizetype>(emf.size()));
  data->setData(QStringLiteral("image/emf"), metafile);
  data->setData(QStringLiteral("image/x-emf"), metafile);
  data->setData(QStringLiteral("image/svg+xml"), svg);
  data->setImageData(image);
  QGuiApplication::clipboard()->setMimeData(data);
}

QString FirstDroppedFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return QString();
  return urls.front().toLocalFile();
}

namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

}  // namespace

bool OpenUrl(const QUrl& url) {
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

UrlOpener SetUrlOpener(UrlOpener opener) {
  return std::exchange(Opener(), std::move(opener));
}

}  // namespace platform
