#pragma once

#include <QImage>
#include <QUrl>

namespace platform {

/// Puts the image on the clipboard as a plain bitmap. Needs a QGuiApplication; without one
/// (headless export) it does nothing.
void CopyImageToClipboard(const QImage& image);

/// Opens the file or web page with the desktop's default program; false when no program
/// could be started (the desktop gives no reason).
bool OpenUrl(const QUrl& url);

}  // namespace platform
