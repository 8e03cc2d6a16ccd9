#include "platform/ui/Swatch.h"

#include <QColor>
#include <QPushButton>
#include <QVariant>

namespace platform {

namespace {
constexpr char kColorProperty[] = "tarvoColor";
}

void SetSwatchColor(QWidget* swatch, WinColor color) {
  swatch->setProperty(kColorProperty, QVariant::fromValue(color));
  const QString name = QColor::fromRgb(ToQRgb(color)).name();
  if (qobject_cast<QPushButton*>(swatch)) {
    swatch->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: white; border: 1px solid #bbb; }")
            .arg(name));
  } else {
    swatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(name));
  }
}

WinColor SwatchColor(const QWidget* swatch) {
  return swatch->property(kColorProperty).value<WinColor>();
}

}  // namespace platform
