#pragma once

#include <QByteArray>
#include <QImage>
#include <QUrl>
#include <functional>
#include <string>

class QMimeData;

namespace platform {

/// Puts the image on the clipboard as a plain bitmap. Needs a QGuiApplication; without one
/// (headless export) it does nothing.
void CopyImageToClipboard(const QImage& image);

/// Puts a vector picture on the clipboard: the enhanced metafile that documents take,
/// with SVG and PNG renderings of the same drawing for programs that read no metafile.
/// Without a QGuiApplication it does nothing.
void CopyPictureToClipboard(const std::string& emf, const QByteArray& svg, const QImage& image);

/// The first local file of a drop, the only one a window takes; empty when the drop holds
/// none.
QString FirstDroppedFile(const QMimeData& data);

/// Opens the file or web page with the desktop's default program; false when no program
/// could be started (the desktop gives no reason).
bool OpenUrl(const QUrl& url);

/// Replaces what OpenUrl does (an empty function restores the desktop) and returns what it
/// did before; tests see what a command opens without starting a browser.
using UrlOpener = std::function<bool(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);

}  // namespace platform
